// The application as a whole: its state at start, how it ends, and the Edit
// menu acting on the focused text field.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "gui/menu_bar.h"
#include "gui/pool_list.h"
#include "gui/track_list.h"
#include "gui/window_vagflip.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "tests/gui/gui_test_support.h"

namespace zembra::test {

class AppTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Runs first (classes run in name order), before any folder was chosen.
  void StartsWithoutWorkingFolder() {
    QVERIFY(App().workingdir().empty());
    WindowZembra* window = WindowZembra::Instance();
    QCOMPARE(window->lstFiles()->count(), 0);
    QVERIFY(window->isVisible());
  }

  void init() {
    Dialogs().Reset();
    QuitRequests().clear();
  }

  void cleanup() {
    delete Windowvagflip::Existing();
    delete WindowZembra::Existing();
  }

  void ClosingTheMainWindowQuitsEvenWithThePatcherOpen() {
    WindowZembra* window = WindowZembra::Instance();
    MenuBar1::Instance()->Item(QStringLiteral("ToolsPatchVAGFiles"))->trigger();
    QVERIFY(Windowvagflip::Existing() != nullptr);
    QVERIFY(window->close());
    QCOMPARE(QuitRequests(), std::vector<int>{0});
    // The window and the patcher with it are gone; the next ask makes a fresh one.
    QTRY_VERIFY(WindowZembra::Existing() == nullptr);
    QVERIFY(Windowvagflip::Existing() == nullptr);
    QCOMPARE(WindowZembra::Instance()->txtBPM()->text(), QStringLiteral("BPM"));
  }

  void QuitItemAndShortcutQuitWithZero() {
    WindowZembra* window = WindowZembra::Instance();
    MenuBar1::Instance()->Item(QStringLiteral("FileQuit"))->trigger();
    QCOMPARE(QuitRequests(), std::vector<int>{0});
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(QuitRequests(), (std::vector<int>{0, 0}));
  }

  void EditItemsWorkOnTheFocusedField() {
    WindowZembra* window = WindowZembra::Instance();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QLineEdit* title = window->txtNAME();
    title->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), title);
    auto item = [](const char* name) {
      return MenuBar1::Instance()->Item(QString::fromLatin1(name));
    };

    item("EditSelectAll")->trigger();
    QCOMPARE(title->selectedText(), QStringLiteral("Name"));
    item("EditCut")->trigger();
    QCOMPARE(title->text(), QString());
    QCOMPARE(window->sheet().Title(), std::string());
    item("EditPaste")->trigger();
    item("EditPaste")->trigger();
    QCOMPARE(title->text(), QStringLiteral("NameName"));
    item("EditUndo")->trigger();
    QCOMPARE(title->text(), QStringLiteral("Name"));
    item("EditSelectAll")->trigger();
    item("EditCopy")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Name"));
    item("EditClear")->trigger();
    QCOMPARE(title->text(), QString());

    // With a list in focus the text items touch no field.
    window->txtBPM()->setText(QStringLiteral("90"));
    window->lstTrack(0)->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), window->lstTrack(0));
    item("EditClear")->trigger();
    item("EditPaste")->trigger();
    QCOMPARE(window->txtBPM()->text(), QStringLiteral("90"));
    QCOMPARE(window->lstTrack(0)->count(), 0);
  }
};

ZEMBRA_GUI_TEST(AppTest)

}  // namespace zembra::test

#include "app_test.moc"
