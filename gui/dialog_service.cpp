#include "gui/dialog_service.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace zembra {

std::filesystem::path PathFromQString(const QString& text) {
  return std::filesystem::path(QFile::encodeName(text).toStdString());
}

QString QStringFromPath(const std::filesystem::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

namespace {

// One modal file dialog opening in `folder` with `filter` (";;" between name
// filters); what was chosen, nothing when cancelled.
QStringList ChooseFiles(QWidget* parent, QFileDialog::AcceptMode accept, QFileDialog::FileMode mode,
                        const std::filesystem::path& folder, const QString& filter,
                        const QString& suggested_name = {}) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(accept);
  dialog.setFileMode(mode);
  dialog.setDirectory(QStringFromPath(folder));
  dialog.setNameFilter(filter);
  if (!suggested_name.isEmpty()) dialog.selectFile(suggested_name);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

}  // namespace

std::optional<std::filesystem::path> QtDialogService::SelectFolder(QWidget* parent) {
  const QString folder = QFileDialog::getExistingDirectory(parent);
  if (folder.isEmpty()) {
    return std::nullopt;
  }
  return PathFromQString(folder);
}

std::optional<std::filesystem::path> QtDialogService::OpenFile(QWidget* parent,
                                                               const OpenRequest& request) {
  const QStringList chosen = ChooseFiles(parent, QFileDialog::AcceptOpen, QFileDialog::ExistingFile,
                                         request.initial_directory, request.filter);
  if (chosen.isEmpty()) return std::nullopt;
  return PathFromQString(chosen.constFirst());
}

std::optional<std::filesystem::path> QtDialogService::SaveAs(QWidget* parent,
                                                             const SaveRequest& request) {
  const QStringList chosen =
      ChooseFiles(parent, QFileDialog::AcceptSave, QFileDialog::AnyFile, request.initial_directory,
                  request.filter, request.suggested_name);
  if (chosen.isEmpty()) return std::nullopt;
  return PathFromQString(chosen.constFirst());
}

void QtDialogService::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Zembra"), text, QMessageBox::Ok, parent);
  box.exec();
}

std::vector<std::filesystem::path> QtDialogService::OpenFiles(QWidget* parent,
                                                              const OpenRequest& request) {
  std::vector<std::filesystem::path> files;
  for (const QString& file :
       ChooseFiles(parent, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles,
                   request.initial_directory, request.filter)) {
    files.push_back(PathFromQString(file));
  }
  return files;
}

void QtDialogService::ShowInFolder(QWidget* parent, const std::filesystem::path& file) {
  const std::filesystem::path folder = file.parent_path();
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QStringFromPath(folder)))) {
    ShowMessage(parent, QStringLiteral("Cannot show the folder \u201C%1\u201D: no file manager "
                                       "answered.")
                            .arg(QStringFromPath(folder)));
  }
}

}  // namespace zembra
