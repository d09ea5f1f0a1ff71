// Every command by keyboard: the Edit menu opened with Alt, Quit from every
// window, samples placed on tracks without a mouse, Tab through the lists.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "gui/menu_bar.h"
#include "gui/pool_list.h"
#include "gui/track_list.h"
#include "gui/window_vagflip.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "tests/gui/gui_test_support.h"

namespace zembra::test {
namespace {

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
