#include "tests/gui/gui_test_support.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>

#include "gui/window_zembra.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {

std::optional<std::filesystem::path> ScriptedDialogs::SelectFolder(QWidget* /*parent*/) {
  ++folder_questions;
  if (folder_answers.empty()) {
    ++unanswered;
    return std::nullopt;
  }
  auto answer = folder_answers.front();
  folder_answers.pop_front();
  return answer;
}

std::optional<std::filesystem::path> ScriptedDialogs::OpenFile(QWidget* /*parent*/,
                                                               const OpenRequest& request) {
  open_requests.push_back(request);
  if (open_answers.empty()) {
    ++unanswered;
    return std::nullopt;
  }
  auto answer = open_answers.front();
  open_answers.pop_front();
  return answer;
}

std::optional<std::filesystem::path> ScriptedDialogs::SaveAs(QWidget* /*parent*/,
                                                             const SaveRequest& request) {
  save_requests.push_back(request);
  if (save_answers.empty()) {
    ++unanswered;
    return std::nullopt;
  }
  auto answer = save_answers.front();
  save_answers.pop_front();
  return answer;
}

void ScriptedDialogs::ShowMessage(QWidget* /*parent*/, const QString& text) {
  messages << text;
}

std::vector<std::filesystem::path> ScriptedDialogs::OpenFiles(QWidget* /*parent*/,
                                                              const OpenRequest& request) {
  files_requests.push_back(request);
  if (files_answers.empty()) {
    ++unanswered;
    return {};
  }
  auto answer = files_answers.front();
  files_answers.pop_front();
  return answer;
}

void ScriptedDialogs::ShowInFolder(QWidget* /*parent*/, const std::filesystem::path& file) {
  shown_in_folder.push_back(file);
}

void ScriptedDialogs::Reset() {
  *this = ScriptedDialogs();
}

std::vector<int>& QuitRequests() {
  static std::vector<int> requests;
  return requests;
}

bool DropOn(QAbstractItemView* view, const QMimeData& data, QPoint pos) {
  return DropOnWidget(view->viewport(), data, pos);
}

bool DropOnWidget(QWidget* target, const QMimeData& data, QPoint pos) {
  QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) {
    return false;
  }
  QDragMoveEvent move(pos, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &move);
  if (!move.isAccepted()) {
    return false;
  }
  QDropEvent drop(QPointF(pos), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

void Select(QAbstractItemView* view, std::initializer_list<int> rows) {
  view->clearSelection();
  for (int row : rows) {
    view->selectionModel()->select(view->model()->index(row, 0), QItemSelectionModel::Select);
  }
}

QStringList RowsOf(const QAbstractItemView* view) {
  QStringList rows;
  const QAbstractItemModel* model = view->model();
  for (int row = 0; row < model->rowCount(); ++row) {
    rows << model->index(row, 0).data().toString();
  }
  return rows;
}

std::unique_ptr<TempDir> LoadSampleFolder(WindowZembra* window, const QStringList& names) {
  auto folder = std::make_unique<TempDir>();
  for (const QString& name : names) {
    WriteFile(*folder / name.toStdString(), MakeVag(64, true));
  }
  Dialogs().folder_answers.push_back(folder->path());
  window->GetGoodVAGs();
  return folder;
}

}  // namespace zembra::test
