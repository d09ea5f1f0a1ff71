// Every command by keyboard: the Edit menu opened with Alt, Quit from every
// window, samples placed on tracks without a mouse, Tab through the lists.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

#include <memory>
#include <set>

#include "gui/menu_bar.h"
#include "gui/pool_list.h"
#include "gui/track_list.h"
#include "gui/window_vagflip.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

const QStringList kPool = {"a.vag", "b.vag", "c.vag", "d.vag", "e.vag", "f.vag"};

// Opens the Edit menu with Alt+E and picks the item whose mnemonic is `key`.
void PickEditItemByKeyboard(QWidget* window, Qt::Key key) {
  QMenu* edit = MenuBar1::Instance()->findChild<QMenu*>(QStringLiteral("EditMenu"));
  QTest::keyClick(window, Qt::Key_E, Qt::AltModifier);
  QTRY_VERIFY(edit->isVisible());
  QTest::keyClick(edit, key);
  QTRY_VERIFY(!edit->isVisible());
}

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private:
  WindowZembra* window_ = nullptr;
  std::unique_ptr<TempDir> folder_;

  void LoadPool() {
    folder_ = LoadSampleFolder(window_, kPool);
    QCOMPARE(RowsOf(window_->lstFiles()), kPool);
  }

  void Activate(QWidget* window) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
  }

 private Q_SLOTS:
  void init() {
    Dialogs().Reset();
    QuitRequests().clear();
    window_ = WindowZembra::Instance();
    Activate(window_);
  }

  void cleanup() {
    QCOMPARE(Dialogs().unanswered, 0);
    delete Windowvagflip::Existing();
    delete WindowZembra::Existing();
    folder_.reset();
  }

  void EditMenuOpenedByKeyboardActsOnTheFieldsSelection() {
    QLineEdit* title = window_->txtNAME();
    title->setText(QStringLiteral("Drums & Bass"));
    title->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), title);
    title->setSelection(1, 4);

    PickEditItemByKeyboard(window_, Qt::Key_T);  // Cu&t
    QCOMPARE(title->text(), QStringLiteral("D & Bass"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("rums"));

    title->setSelection(4, 4);
    PickEditItemByKeyboard(window_, Qt::Key_C);  // &Copy
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Bass"));
    QCOMPARE(title->selectedText(), QStringLiteral("Bass"));

    PickEditItemByKeyboard(window_, Qt::Key_P);  // &Paste replaces the selection
    QCOMPARE(title->text(), QStringLiteral("D & Bass"));
    title->setSelection(0, 4);
    PickEditItemByKeyboard(window_, Qt::Key_P);
    QCOMPARE(title->text(), QStringLiteral("BassBass"));

    title->setSelection(4, 4);
    PickEditItemByKeyboard(window_, Qt::Key_D);  // &Delete
    QCOMPARE(title->text(), QStringLiteral("Bass"));
    QCOMPARE(window_->sheet().Title(), std::string("Bass"));
    QCOMPARE(QApplication::focusWidget(), title);
  }

  // Tab reaches every list of the shown page, and an empty list with the
  // focus is marked as a list with rows is.
  void TabReachesEveryListWithAFocusMark() {
    for (QListWidget* list : {static_cast<QListWidget*>(window_->lstFiles()),
                              static_cast<QListWidget*>(window_->lstTrack(9))}) {
      window_->tabPages()->setCurrentIndex(2);
      window_->txtNAME()->setFocus(Qt::TabFocusReason);
      QTRY_VERIFY(window_->txtNAME()->hasFocus());
      const QImage unfocused = list->grab().toImage();
      list->setFocus(Qt::TabFocusReason);
      QTRY_VERIFY(list->hasFocus());
      QVERIFY(list->grab().toImage() != unfocused);
    }
    for (int page : {0, 2}) {
      window_->tabPages()->setCurrentIndex(page);
      window_->lstFiles()->setFocus(Qt::TabFocusReason);
      QTRY_VERIFY(window_->lstFiles()->hasFocus());
      std::set<QWidget*> reached;
      for (int i = 0; i < 20; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
      }
      for (int offset = 0; offset < 4; ++offset) {
        QVERIFY(reached.count(window_->lstTrack(page * 4 + offset)) == 1);
      }
    }
  }

  // Ctrl+1 to Ctrl+4 in the pool put the selected rows on a track of the
  // shown page, as a drop would.
  void PoolKeysPlaceSamplesAsADropWould() {
    LoadPool();
    PoolList* pool = window_->lstFiles();
    pool->setFocus();
    QTRY_VERIFY(pool->hasFocus());
    Select(pool, {4, 1, 2});
    QTest::keyClick(pool, Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(RowsOf(window_->lstTrack(1)), QStringList({"b.vag", "c.vag", "e.vag"}));

    window_->tabPages()->setCurrentIndex(2);
    pool->selectAll();
    QTest::keyClick(pool, Qt::Key_4, Qt::ControlModifier);
    const QStringList four = {"a.vag", "b.vag", "c.vag", "d.vag"};
    QCOMPARE(RowsOf(window_->lstTrack(11)), four);
    QTest::keyClick(pool, Qt::Key_4, Qt::ControlModifier);  // a full track takes no more
    QCOMPARE(RowsOf(window_->lstTrack(11)), four);
    QCOMPARE(window_->sheet().Track(11).SampleNames.size(), std::size_t(4));

    pool->clearSelection();
    QTest::keyClick(pool, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(window_->lstTrack(8)->count(), 0);
    QCOMPARE(RowsOf(pool), kPool);
    QVERIFY(Dialogs().messages.isEmpty());
  }

  void PoolContextMenuOffersTheShownPagesTracks() {
    LoadPool();
    window_->txtTrack(5)->setText(QStringLiteral("Drums & Bass"));
    window_->tabPages()->setCurrentIndex(1);
    PoolList* pool = window_->lstFiles();
    Select(pool, {3, 0});
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              pool->viewport()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(pool->viewport(), &request);
    auto* menu = pool->findChild<QMenu*>(QStringLiteral("lstFilesMenu"));
    QVERIFY(menu != nullptr);
    QTRY_VERIFY(menu->isVisible());
    const QList<QAction*> items = menu->actions();
    // The placements, then the sample's own items (Play, Stop, Show in Folder).
    QCOMPARE(items.size(), 8);
    QVERIFY(items[4]->isSeparator());
    QCOMPARE(items[0]->text(), QStringLiteral("Add to the lower middle track"));
    QCOMPARE(items[1]->text(), QStringLiteral("Add to \u201CDrums && Bass\u201D (lower left)"));
    QCOMPARE(items[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_2));
    QCOMPARE(items[3]->text(), QStringLiteral("Add to the top track"));
    items[1]->trigger();
    QCOMPARE(RowsOf(window_->lstTrack(5)), QStringList({"a.vag", "d.vag"}));
    menu->close();
    QTRY_VERIFY(pool->findChild<QMenu*>(QStringLiteral("lstFilesMenu")) == nullptr);

    // Without a selection the items are there but do nothing.
    pool->clearSelection();
    QCoreApplication::sendEvent(pool->viewport(), &request);
    menu = pool->findChild<QMenu*>(QStringLiteral("lstFilesMenu"));
    QVERIFY(menu != nullptr);
    for (QAction* item : menu->actions().mid(0, 4)) QVERIFY(!item->isEnabled());
    menu->close();
  }

  void CtrlQQuitsFromThePatcher() {
    MenuBar1::Instance()->Item(QStringLiteral("ToolsPatchVAGFiles"))->trigger();
    Windowvagflip* patcher = Windowvagflip::Existing();
    QVERIFY(patcher != nullptr);
    Activate(patcher);
    QTRY_COMPARE(QApplication::activeWindow(), patcher);
    QTest::keyClick(patcher, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(QuitRequests(), std::vector<int>{0});
  }
};

ZEMBRA_GUI_TEST(KeyboardTest)

}  // namespace zembra::test

#include "keyboard_test.moc"
