// Edit > Undo and Redo over the sheet's gestures: drops, deletions,
// reorders and one step per field edit; a text field with the focus keeps
// its own undo.

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QTabWidget>
#include <QTest>

#include <memory>

#include "gui/menu_bar.h"
#include "gui/pool_list.h"
#include "gui/sample_drag.h"
#include "gui/track_list.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "song/sheet_history.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

void Trigger(const char* item) {
  MenuBar1::Instance()->Item(QString::fromLatin1(item))->trigger();
}

std::unique_ptr<QMimeData> DragFrom(QAbstractItemView* view) {
  return std::unique_ptr<QMimeData>(
      view->model()->mimeData(view->selectionModel()->selectedIndexes()));
}

}  // namespace

class UndoTest : public QObject {
  Q_OBJECT

 private:
  WindowZembra* window_ = nullptr;
  std::unique_ptr<TempDir> folder_;

  void Focus(QWidget* widget) {
    widget->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), widget);
  }

  // Types into a field as the user does: focus, keys, then leave it.
  void Type(QLineEdit* field, const QString& text) {
    Focus(field);
    field->selectAll();
    QTest::keyClicks(field, text);
    Focus(window_->lstTrack(0));
  }

  SheetContent Now() const { return SheetContent::Of(window_->sheet()); }

 private Q_SLOTS:
  void init() {
    Dialogs().Reset();
    window_ = WindowZembra::Instance();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_));
    folder_ = LoadSampleFolder(window_, {"a.vag", "b.vag", "c.vag"});
  }

  void cleanup() {
    QCOMPARE(Dialogs().unanswered, 0);
    delete WindowZembra::Existing();
  }

  void EachGestureIsOneStepBackAndForth() {
    std::vector<SheetContent> states = {Now()};
    TrackList* list = window_->lstTrack(4);

    Select(window_->lstFiles(), {0, 1, 2});
    QVERIFY(DropOn(list, *DragFrom(window_->lstFiles())));  // drop
    states.push_back(Now());
    Select(list, {0});
    QVERIFY(DropOn(list, *DragFrom(list),  // reorder: a to the end
                   QPoint(5, list->visualRect(list->model()->index(2, 0)).bottom())));
    QCOMPARE(RowsOf(list), QStringList({"b.vag", "c.vag", "a.vag"}));
    states.push_back(Now());
    Focus(list);
    Select(list, {1});
    QTest::keyClick(list, Qt::Key_Delete);  // deletion
    QCOMPARE(RowsOf(list), QStringList({"b.vag", "a.vag"}));
    states.push_back(Now());
    Type(window_->txtTrack(4), QStringLiteral("Drums"));  // one step for five keys
    states.push_back(Now());
    Type(window_->txtPage(1), QStringLiteral("Intro"));
    QCOMPARE(window_->tabPages()->tabText(1), QStringLiteral("Intro"));
    states.push_back(Now());
    Type(window_->txtNAME(), QStringLiteral("Song"));
    states.push_back(Now());

    // Back to the start, one step at a time, the controls following.
    for (std::size_t i = states.size() - 1; i-- > 0;) {
      Trigger("EditUndo");
      QVERIFY2(Now() == states[i], qPrintable(QString::number(i)));
    }
    QCOMPARE(window_->lstTrack(4)->count(), 0);
    QCOMPARE(window_->tabPages()->tabText(1), QString());
    QCOMPARE(window_->txtNAME()->text(), QStringLiteral("Name"));
    Trigger("EditUndo");  // nothing more to undo
    QVERIFY(Now() == states[0]);
    QCOMPARE(RowsOf(window_->lstFiles()), QStringList({"a.vag", "b.vag", "c.vag"}));

    // And forward again, by the keys this time.
    for (std::size_t i = 1; i < states.size(); ++i) {
      QTest::keyClick(window_, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      QVERIFY2(Now() == states[i], qPrintable(QString::number(i)));
    }
    QCOMPARE(RowsOf(list), QStringList({"b.vag", "a.vag"}));
    QCOMPARE(window_->txtTrack(4)->text(), QStringLiteral("Drums"));
    QCOMPARE(window_->tabPages()->tabText(1), QStringLiteral("Intro"));
    QTest::keyClick(window_, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(Now() == states[states.size() - 2]);

    // A new gesture after an undo leaves nothing to redo; placing by key is
    // a step like a drop.
    Select(window_->lstFiles(), {2});
    QVERIFY(DropOn(window_->lstTrack(0), *DragFrom(window_->lstFiles())));
    const SheetContent dropped = Now();
    Trigger("EditRedo");
    QVERIFY(Now() == dropped);
    Focus(window_->lstFiles());
    QTest::keyClick(window_->lstFiles(), Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(RowsOf(window_->lstTrack(1)), QStringList({"c.vag"}));
    Trigger("EditUndo");
    QVERIFY(Now() == dropped);
  }

  void AFocusedFieldUndoesItsOwnTyping() {
    Select(window_->lstFiles(), {0});
    QVERIFY(DropOn(window_->lstTrack(0), *DragFrom(window_->lstFiles())));
    QLineEdit* title = window_->txtNAME();
    Focus(title);
    title->selectAll();
    QTest::keyClicks(title, QStringLiteral("Typed"));
    Trigger("EditUndo");  // the field's own undo, not the drop
    QCOMPARE(title->text(), QStringLiteral("Name"));
    QCOMPARE(window_->lstTrack(0)->count(), 1);
    Trigger("EditRedo");
    QCOMPARE(title->text(), QStringLiteral("Typed"));
    QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(title->text(), QStringLiteral("Name"));
    QCOMPARE(window_->lstTrack(0)->count(), 1);

    // Once the list has the focus, Undo takes back the drop.
    Focus(window_->lstTrack(0));
    QTest::keyClick(window_->lstTrack(0), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window_->lstTrack(0)->count(), 0);
    QCOMPARE(title->text(), QStringLiteral("Name"));
  }
};

ZEMBRA_GUI_TEST(UndoTest)

}  // namespace zembra::test

#include "undo_test.moc"
