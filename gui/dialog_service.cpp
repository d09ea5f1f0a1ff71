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

std::optional<std::filesystem::path> QtDialogService::SelectFolder(QWidget* parent) {
  const QString folder = QFileDialog::getExistingDirectory(parent);
  if (folder.isEmpty()) {
    return std::nullopt;
  }
  return PathFromQString(folder);
}

std::optional<std::filesystem::path> QtDialogService::OpenFile(QWidget* parent,
                                                               const OpenRequest& request) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDirectory(QStringFromPath(request.initial_directory));
  dialog.setNameFilter(request.filter);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return PathFromQString(dialog.selectedFiles().constFirst());
}

std::optional<std::filesystem::path> QtDialogService::SaveAs(QWidget* parent,
                                                             const SaveRequest& request) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDirectory(QStringFromPath(request.initial_directory));
  dialog.setNameFilter(request.filter);
  dialog.selectFile(request.suggested_name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return PathFromQString(dialog.selectedFiles().constFirst());
}

void QtDialogService::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Zembra"), text, QMessageBox::Ok, parent);
  box.exec();
}

std::vector<std::filesystem::path> QtDialogService::OpenFiles(QWidget* parent,
                                                              const OpenRequest& request) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDirectory(QStringFromPath(request.initial_directory));
  dialog.setNameFilters(request.filter.split(QStringLiteral(";;")));
  std::vector<std::filesystem::path> files;
  if (dialog.exec() == QDialog::Accepted) {
    for (const QString& file : dialog.selectedFiles()) {
      files.push_back(PathFromQString(file));
    }
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
