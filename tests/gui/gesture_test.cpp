// The editing gestures through the widgets' own paths: drags built by the
// views' models, drops delivered as drag events to the viewports, keys sent
// to the lists, typing in the page name fields.

#include <QCoreApplication>
#include <QDataStream>
#include <QDragEnterEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

#include "gui/pool_list.h"
#include "gui/sample_drag.h"
#include "gui/track_list.h"
#include "gui/window_zembra.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

const QStringList kPool = {"a.vag", "b.vag", "c.vag", "d.vag", "e.vag", "f.vag", "g.vag", "h.vag"};

// The drag a view would start with its current selection.
std::unique_ptr<QMimeData> DragFrom(QAbstractItemView* view) {
  return std::unique_ptr<QMimeData>(
      view->model()->mimeData(view->selectionModel()->selectedIndexes()));
}

}  // namespace

class GestureTest : public QObject {
  Q_OBJECT

 private:
  WindowZembra* window_ = nullptr;
  std::unique_ptr<TempDir> folder_;

  // Fills the pool by loading a folder of usable samples, as the user would.
  void LoadPool() {
    folder_ = LoadSampleFolder(window_, kPool);
    QCOMPARE(RowsOf(window_->lstFiles()), kPool);
  }

  // Puts `names` on a track through a drop from the pool.
  void PutOnTrack(std::size_t track, std::initializer_list<int> pool_rows) {
    Select(window_->lstFiles(), pool_rows);
    auto drag = DragFrom(window_->lstFiles());
    QVERIFY(DropOn(window_->lstTrack(track), *drag));
  }

 private Q_SLOTS:
  void init() {
    Dialogs().Reset();
    window_ = WindowZembra::Instance();
    LoadPool();
  }

  void cleanup() {
    QCOMPARE(Dialogs().unanswered, 0);
    delete WindowZembra::Existing();
    folder_.reset();
  }

  void PoolDragCarriesSelectedRowsInPoolOrder() {
    Select(window_->lstFiles(), {7, 2, 5});
    auto drag = DragFrom(window_->lstFiles());
    QVERIFY(drag->hasFormat(QString::fromLatin1(kSampleMimeType)));
    QCOMPARE(drag->text(), QStringLiteral("c.vag\nf.vag\nh.vag"));
    const auto read = ReadSampleMimeData(*drag);
    QVERIFY(read.has_value());
    QCOMPARE(read->origin, SampleDrag::kFromPool);
    QCOMPARE(read->texts, (std::vector<std::string>{"c.vag", "f.vag", "h.vag"}));
  }

  void DropAppendsAtTheEndUpToFour() {
    PutOnTrack(5, {2, 5, 7});
    QCOMPARE(RowsOf(window_->lstTrack(5)), QStringList({"c.vag", "f.vag", "h.vag"}));
    // Two more onto three rows: only the first fits; the drop position plays no part.
    Select(window_->lstFiles(), {0, 1});
    auto drag = DragFrom(window_->lstFiles());
    QVERIFY(DropOn(window_->lstTrack(5), *drag, QPoint(5, 2)));
    QCOMPARE(RowsOf(window_->lstTrack(5)), QStringList({"c.vag", "f.vag", "h.vag", "a.vag"}));
    // A full track takes nothing more.
    QVERIFY(DropOn(window_->lstTrack(5), *drag));
    QCOMPARE(window_->lstTrack(5)->count(), 4);
    QCOMPARE(window_->sheet().Track(5).SampleNames,
             (std::vector<std::string>{"c.vag", "f.vag", "h.vag", "a.vag"}));
    // The pool keeps its rows and its selection.
    QCOMPARE(RowsOf(window_->lstFiles()), kPool);
    QCOMPARE(window_->lstFiles()->selectionModel()->selectedRows().size(), 2);
    QVERIFY(Dialogs().messages.isEmpty());
  }

  void FiveRowsOntoAnEmptyTrackAddFour() {
    PutOnTrack(0, {0, 1, 2, 3, 4});
    QCOMPARE(RowsOf(window_->lstTrack(0)), QStringList({"a.vag", "b.vag", "c.vag", "d.vag"}));
  }

  void SameRowTwiceGivesTwoRows() {
    PutOnTrack(1, {3});
    PutOnTrack(1, {3});
    QCOMPARE(RowsOf(window_->lstTrack(1)), QStringList({"d.vag", "d.vag"}));
  }

  void PlainTextFromAnotherProgramIsTaken() {
    QMimeData text;
    text.setText(QStringLiteral("kick.vag\r\n\nsnare.vag\n"));
    QVERIFY(DropOn(window_->lstTrack(2), text));
    QCOMPARE(RowsOf(window_->lstTrack(2)), QStringList({"kick.vag", "snare.vag"}));

    QMimeData image;
    image.setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
    QVERIFY(!DropOn(window_->lstTrack(2), image));
    QVERIFY(!DropOn(window_->lstFiles(), text));  // nothing is dropped on the pool
    QCOMPARE(window_->lstFiles()->count(), kPool.size());
  }

  void ReorderWithinTrackZero() {
    PutOnTrack(0, {0, 1, 2, 3});
    TrackList* list = window_->lstTrack(0);
    Select(list, {0});
    auto drag = DragFrom(list);
    // Released over the lower half of the last row: row 0 moves to the end.
    const QRect last = list->visualRect(list->model()->index(3, 0));
    QVERIFY(DropOn(list, *drag, QPoint(5, last.bottom())));
    QCOMPARE(RowsOf(list), QStringList({"b.vag", "c.vag", "d.vag", "a.vag"}));
    QCOMPARE(list->SelectedRows(), (std::set<std::size_t>{3}));
    // Rows 2 and 3 dragged before row 0.
    Select(list, {2, 3});
    drag = DragFrom(list);
    QVERIFY(DropOn(list, *drag, QPoint(5, 1)));
    QCOMPARE(RowsOf(list), QStringList({"d.vag", "a.vag", "b.vag", "c.vag"}));
    QCOMPARE(window_->sheet().Track(0).SampleNames,
             (std::vector<std::string>{"d.vag", "a.vag", "b.vag", "c.vag"}));
  }

  void NoReorderOnTracksOneToThreeNorAcrossTracks() {
    PutOnTrack(2, {0, 1});
    // A track without reordering offers no drag of its own.
    QVERIFY(!window_->lstTrack(2)->dragEnabled());
    SampleDrag forged;
    forged.origin = 2;
    forged.rows = {0};
    forged.texts = {"a.vag"};
    std::unique_ptr<QMimeData> data(MakeSampleMimeData(forged));
    QVERIFY(!DropOn(window_->lstTrack(2), *data));
    QCOMPARE(RowsOf(window_->lstTrack(2)), QStringList({"a.vag", "b.vag"}));

    // Rows of track 4 dropped on track 5 are refused: rows never leave their track.
    PutOnTrack(4, {6});
    Select(window_->lstTrack(4), {0});
    data = DragFrom(window_->lstTrack(4));
    QVERIFY(!DropOn(window_->lstTrack(5), *data));
    QCOMPARE(window_->lstTrack(5)->count(), 0);
    QCOMPARE(RowsOf(window_->lstTrack(4)), QStringList({"g.vag"}));
  }

  // A track drag from another Zembra running beside us is no reordering here:
  // its names are appended like any text. Damaged drag data is refused.
  void DragDataFromAnotherProcess() {
    PutOnTrack(5, {0, 1});
    QByteArray encoded;
    QDataStream out(&encoded, QIODevice::WriteOnly);
    out << qint64(QCoreApplication::applicationPid()) + 1 << qint32(5) << quint32(1) << quint32(0)
        << quint32(1) << QByteArray("x.vag");
    QMimeData data;
    data.setData(QString::fromLatin1(kSampleMimeType), encoded);
    QVERIFY(DropOn(window_->lstTrack(5), data));
    QCOMPARE(RowsOf(window_->lstTrack(5)), QStringList({"a.vag", "b.vag", "x.vag"}));

    QMimeData damaged;
    damaged.setData(QString::fromLatin1(kSampleMimeType), encoded.left(encoded.size() - 3));
    QVERIFY(!DropOn(window_->lstTrack(5), damaged));
    QCOMPARE(window_->lstTrack(5)->count(), 3);
  }

  void DeleteAndBackspaceRemoveSelectedRows() {
    for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Backspace}) {
      PutOnTrack(6, {0, 1, 2, 3});
      TrackList* list = window_->lstTrack(6);
      Select(list, {0, 2});
      QTest::keyClick(list, key);
      QCOMPARE(RowsOf(list), QStringList({"b.vag", "d.vag"}));
      // Nothing selected: nothing removed.
      list->clearSelection();
      QTest::keyClick(list, key);
      QCOMPARE(list->count(), 2);
      Select(list, {0, 1});
      QTest::keyClick(list, key);
      QCOMPARE(list->count(), 0);
      QVERIFY(window_->sheet().Track(6).SampleNames.empty());
    }
    // Other keys and the pool remove nothing.
    PutOnTrack(7, {0});
    Select(window_->lstTrack(7), {0});
    QTest::keyClick(window_->lstTrack(7), Qt::Key_X);
    QCOMPARE(window_->lstTrack(7)->count(), 1);
    Select(window_->lstFiles(), {0});
    QTest::keyClick(window_->lstFiles(), Qt::Key_Delete);
    QCOMPARE(window_->lstFiles()->count(), kPool.size());
  }

  void PageNamesRenameTheirTabsAsTyped() {
    QTabWidget* tabs = window_->tabPages();
    tabs->setCurrentIndex(2);
    QLineEdit* field = window_->txtPage(2);
    QStringList seen;
    QObject::connect(field, &QLineEdit::textChanged, tabs,
                     [&seen, tabs] { seen << tabs->tabText(2); });
    QTest::keyClicks(field, QStringLiteral("Intro"));
    QCOMPARE(seen, QStringList({"I", "In", "Int", "Intr", "Intro"}));
    QCOMPARE(window_->sheet().Page(2).PageName, std::string("Intro"));
    field->clear();
    QCOMPARE(tabs->tabText(2), QString());
    QCOMPARE(tabs->tabText(0), QStringLiteral("Page0"));
    QCOMPARE(tabs->tabText(1), QString());
    // An ampersand is shown as typed, not taken as a mnemonic.
    window_->txtPage(1)->setText(QStringLiteral("Rock & Roll"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Rock && Roll"));
    QCOMPARE(window_->sheet().Page(1).PageName, std::string("Rock & Roll"));
  }

  void TextFieldsFeedTheSheet() {
    QTest::keyClicks(window_->txtTrack(9), QStringLiteral("Bass"));
    window_->txtNAME()->setText(QStringLiteral("Song"));
    window_->txtAUTH()->setText(QStringLiteral("Me"));
    window_->txtBPM()->setText(QStringLiteral("120"));
    QCOMPARE(window_->sheet().Track(9).TrackName, std::string("Bass"));
    QCOMPARE(window_->sheet().Title(), std::string("Song"));
    QCOMPARE(window_->sheet().Artist(), std::string("Me"));
    QCOMPARE(window_->sheet().TempoText(), std::string("120"));
    // Long texts reach the sheet whole.
    window_->txtNAME()->setText(QString(40000, QLatin1Char('x')));
    QCOMPARE(window_->sheet().Title().size(), std::size_t(40000));
  }

  // A drop that misses its list by a pixel lands on a name field: the field
  // must stay as it was. Text from another program may still go there.
  void SampleDragsNeverChangeAField() {
    PutOnTrack(4, {2});
    Select(window_->lstFiles(), {0, 1});
    auto from_pool = DragFrom(window_->lstFiles());
    Select(window_->lstTrack(4), {0});
    auto from_track = DragFrom(window_->lstTrack(4));
    const QList<QLineEdit*> fields = window_->findChildren<QLineEdit*>();
    QVERIFY(fields.contains(window_->txtTrack(15)) && fields.contains(window_->txtPage(3)));
    for (QLineEdit* field : fields) {
      const QString before = field->text();
      QVERIFY(!DropOnWidget(field, *from_pool, QPoint(3, 3)));
      QVERIFY(!DropOnWidget(field, *from_track, QPoint(3, 3)));
      QCOMPARE(field->text(), before);
    }
    QCOMPARE(window_->tabPages()->tabText(0), QStringLiteral("Page0"));
    QCOMPARE(window_->sheet().Track(0).TrackName, std::string("Track0"));

    QMimeData text;
    text.setText(QStringLiteral("Intro"));
    QVERIFY(DropOnWidget(window_->txtPage(1), text));
    QCOMPARE(window_->txtPage(1)->text(), QStringLiteral("Intro"));
    QCOMPARE(window_->tabPages()->tabText(1), QStringLiteral("Intro"));
  }

  // A drag resting on a tab shows that page, so its tracks take the drop;
  // the tab bar itself takes none.
  void DragHoverOverATabShowsItsPage() {
    QTabBar* bar = window_->tabPages()->tabBar();
    Select(window_->lstFiles(), {1, 3});
    auto drag = DragFrom(window_->lstFiles());
    const QPoint over = bar->tabRect(2).center();
    QDragEnterEvent enter(over, Qt::CopyAction, drag.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(over, Qt::CopyAction, drag.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &move);
    QCOMPARE(window_->tabPages()->currentIndex(), 0);
    QTRY_COMPARE(window_->tabPages()->currentIndex(), 2);
    QDropEvent drop(QPointF(over), Qt::CopyAction, drag.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &drop);
    QVERIFY(!drop.isAccepted());
    QVERIFY(window_->lstTrack(9)->isVisible());
    QVERIFY(DropOn(window_->lstTrack(9), *drag));
    QCOMPARE(RowsOf(window_->lstTrack(9)), QStringList({"b.vag", "d.vag"}));
  }

  void LoadingAnotherFolderKeepsTheTracks() {
    PutOnTrack(3, {1});
    TempDir other;
    WriteFile(other / "z.vag", MakeVag(64, true));
    Dialogs().folder_answers.push_back(other.path());
    window_->GetGoodVAGs();
    QCOMPARE(RowsOf(window_->lstFiles()), QStringList({"z.vag"}));
    QCOMPARE(RowsOf(window_->lstTrack(3)), QStringList({"b.vag"}));
  }
};

ZEMBRA_GUI_TEST(GestureTest)

}  // namespace zembra::test

#include "gesture_test.moc"
