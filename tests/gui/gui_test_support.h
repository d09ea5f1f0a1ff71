#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>

#include <deque>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/dialog_service.h"

class QAbstractItemView;
class QMimeData;
class QWidget;

namespace zembra {
class WindowZembra;
}

namespace zembra::test {

class TempDir;

// Answers the application's dialogs from queues the test fills beforehand and
// records every question, so no test ever waits on a modal dialog.
class ScriptedDialogs : public DialogService {
 public:
  std::deque<std::optional<std::filesystem::path>> folder_answers;
  std::deque<std::optional<std::filesystem::path>> open_answers;
  std::deque<std::optional<std::filesystem::path>> save_answers;
  std::deque<std::vector<std::filesystem::path>> files_answers;

  int folder_questions = 0;
  std::vector<OpenRequest> open_requests;
  std::vector<SaveRequest> save_requests;
  std::vector<OpenRequest> files_requests;
  std::vector<std::filesystem::path> shown_in_folder;
  QStringList messages;
  int unanswered = 0;  // dialogs asked for with no answer queued

  std::optional<std::filesystem::path> SelectFolder(QWidget* parent) override;
  std::optional<std::filesystem::path> OpenFile(QWidget* parent,
                                                const OpenRequest& request) override;
  std::optional<std::filesystem::path> SaveAs(QWidget* parent, const SaveRequest& request) override;
  void ShowMessage(QWidget* parent, const QString& text) override;
  std::vector<std::filesystem::path> OpenFiles(QWidget* parent,
                                               const OpenRequest& request) override;
  void ShowInFolder(QWidget* parent, const std::filesystem::path& file) override;

  void Reset();
};

// The scripted dialogs installed in the test application.
ScriptedDialogs& Dialogs();
// The exit codes the application was asked to quit with.
std::vector<int>& QuitRequests();

// Delivers a drag of `data` to `view` as a real drag would: enter, move and
// drop on its viewport at `pos`. Returns whether the drop was accepted.
bool DropOn(QAbstractItemView* view, const QMimeData& data, QPoint pos = QPoint(5, 5));
// The same delivered to any widget.
bool DropOnWidget(QWidget* target, const QMimeData& data, QPoint pos = QPoint(5, 5));

// Selects the given rows of a view, in the order given.
void Select(QAbstractItemView* view, std::initializer_list<int> rows);

// The texts of a list's rows.
QStringList RowsOf(const QAbstractItemView* view);

// A new folder of usable samples named `names`, loaded into `window`'s pool
// through Load Folder as the user would; it lives as long as the result.
std::unique_ptr<TempDir> LoadSampleFolder(WindowZembra* window, const QStringList& names);

// Registers a test class with the runner in gui_test_main.cpp.
struct TestRegistration {
  TestRegistration(const char* name, std::function<std::unique_ptr<QObject>()> make);
};

#define ZEMBRA_GUI_TEST(Class)                                        \
  static const ::zembra::test::TestRegistration Class##_registration( \
      #Class, [] { return std::make_unique<Class>(); });

}  // namespace zembra::test
