// The main window, the patcher and the menu bar as the user first sees them:
// geometry, captions, initial texts and the settings the gestures rely on.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
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

// A control's rectangle in the coordinates of `ancestor`'s content.
QRect PlaceIn(const QWidget* control, const QWidget* ancestor) {
  return QRect(control->mapTo(ancestor, QPoint(0, 0)), control->size());
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private:
  WindowZembra* window_ = nullptr;
  QWidget* content_ = nullptr;

 private Q_SLOTS:
  void init() {
    window_ = WindowZembra::Instance();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    content_ = window_->centralWidget();
  }

  void cleanup() {
    delete Windowvagflip::Existing();
    delete WindowZembra::Existing();
  }

  void WindowIsFixedSizeWithItsTitle() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Zembra"));
    QCOMPARE(content_->size(), QSize(620, 320));
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    QVERIFY(!(window_->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(window_->windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(window_->menuBar(), MenuBar1::Instance());
    QCOMPARE(WindowZembra::Instance(), window_);  // one main window
  }

  void FixedControlsStandWhereTheyShould() {
    QCOMPARE(PlaceIn(window_->lstFiles(), content_), QRect(20, 14, 120, 250));
    QCOMPARE(PlaceIn(window_->btnLoad(), content_), QRect(20, 279, 120, 20));
    QCOMPARE(PlaceIn(window_->tabPages(), content_), QRect(158, 14, 442, 250));
    QCOMPARE(PlaceIn(window_->txtAUTH(), content_), QRect(158, 278, 134, 22));
    QCOMPARE(PlaceIn(window_->txtNAME(), content_), QRect(304, 278, 126, 22));
    QCOMPARE(PlaceIn(window_->txtBPM(), content_), QRect(442, 277, 46, 22));
    QCOMPARE(PlaceIn(window_->btnSave(), content_), QRect(500, 278, 100, 20));

    for (const char* name :
         {"lstFiles", "btnLoad", "tabPages", "txtAUTH", "txtNAME", "txtBPM", "btnSave"}) {
      QVERIFY2(window_->findChild<QWidget*>(QString::fromLatin1(name)) != nullptr, name);
    }
  }

  void InitialTextsAndCaptions() {
    QCOMPARE(window_->btnLoad()->text(), QStringLiteral("Load Folder"));
    QCOMPARE(window_->btnSave()->text(), QStringLiteral("Create BJS"));
    QVERIFY(!window_->btnLoad()->isDefault() && !window_->btnSave()->isDefault());
    QCOMPARE(window_->txtAUTH()->text(), QStringLiteral("Artist"));
    QCOMPARE(window_->txtNAME()->text(), QStringLiteral("Name"));
    QCOMPARE(window_->txtBPM()->text(), QStringLiteral("BPM"));
    QCOMPARE(window_->tabPages()->toolTip(), QStringLiteral("Page"));
    QCOMPARE(window_->tabPages()->count(), 4);
    QCOMPARE(window_->tabPages()->currentIndex(), 0);
    QCOMPARE(window_->tabPages()->tabText(0), QStringLiteral("Page0"));
    for (int tab = 1; tab < 4; ++tab) QCOMPARE(window_->tabPages()->tabText(tab), QString());
    QCOMPARE(window_->lstFiles()->count(), 0);

    for (std::size_t track = 0; track < kTrackCount; ++track) {
      const QString expected = track < 4 ? QStringLiteral("Track%1").arg(track) : QString();
      QCOMPARE(window_->txtTrack(track)->text(), expected);
      QCOMPARE(window_->txtTrack(track)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
      QCOMPARE(window_->lstTrack(track)->count(), 0);
    }
    QCOMPARE(window_->txtPage(0)->text(), QStringLiteral("Page0"));
    for (std::size_t page = 0; page < kPageCount; ++page) {
      if (page > 0) QCOMPARE(window_->txtPage(page)->text(), QString());
      QCOMPARE(window_->txtPage(page)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    }
  }

  // Every page carries its four tracks in the same arrangement, in window
  // coordinates, and shows them only while its tab is in front.
  void PagesCarryTheirTracks() {
    for (int page = 0; page < 4; ++page) {
      window_->tabPages()->setCurrentIndex(page);
      const std::size_t first = static_cast<std::size_t>(page) * 4;
      QCOMPARE(PlaceIn(window_->lstTrack(first + 3), content_), QRect(316, 49, 127, 70));
      QCOMPARE(PlaceIn(window_->txtTrack(first + 3), content_), QRect(316, 120, 127, 22));
      QCOMPARE(PlaceIn(window_->txtPage(page), content_), QRect(455, 49, 127, 22));
      QCOMPARE(PlaceIn(window_->lstTrack(first + 1), content_), QRect(177, 152, 127, 70));
      QCOMPARE(PlaceIn(window_->txtTrack(first + 1), content_), QRect(177, 223, 127, 22));
      QCOMPARE(PlaceIn(window_->lstTrack(first), content_), QRect(316, 152, 127, 70));
      QCOMPARE(PlaceIn(window_->txtTrack(first), content_), QRect(316, 223, 127, 22));
      QCOMPARE(PlaceIn(window_->lstTrack(first + 2), content_), QRect(455, 152, 127, 70));
      QCOMPARE(PlaceIn(window_->txtTrack(first + 2), content_), QRect(455, 223, 127, 22));
      for (std::size_t track = 0; track < kTrackCount; ++track) {
        QCOMPARE(window_->lstTrack(track)->isVisible(), track / 4 == first / 4);
      }
      QCOMPARE(window_->tabPages()->widget(page), window_->lstTrack(first)->parentWidget());
    }
  }

  void ControlArraysCarryNameAndIndex() {
    const auto lists = window_->findChildren<TrackList*>(QStringLiteral("lstTrack"));
    QCOMPARE(lists.size(), 16);
    const auto names = window_->findChildren<QLineEdit*>(QStringLiteral("txtTrack"));
    QCOMPARE(names.size(), 16);
    const auto pages = window_->findChildren<QLineEdit*>(QStringLiteral("txtPage"));
    QCOMPARE(pages.size(), 4);
    for (std::size_t i = 0; i < kTrackCount; ++i) {
      QCOMPARE(window_->lstTrack(i)->property("Index").toInt(), static_cast<int>(i));
      QCOMPARE(window_->txtTrack(i)->property("Index").toInt(), static_cast<int>(i));
    }
    for (std::size_t i = 0; i < kPageCount; ++i) {
      QCOMPARE(window_->txtPage(i)->property("Index").toInt(), static_cast<int>(i));
    }
  }

  void MenusHoldTheirItemsInOrder() {
    MenuBar1* bar = MenuBar1::Instance();
    const QList<QAction*> menus = bar->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Edit"));
    QCOMPARE(menus[2]->text(), QStringLiteral("Tools"));

    struct Item {
      const char* name;
      const char* caption;
      QKeySequence shortcut;
    };
    const std::vector<std::vector<Item>> expected = {
        {{"FileOpenSong", "&Open Song\u2026", QKeySequence(Qt::CTRL | Qt::Key_O)},
         {"FileSaveSheet", "&Save Sheet\u2026", QKeySequence(Qt::CTRL | Qt::Key_S)},
         {"FileSelectVAGFolder", "Select VAG &Folder", {}},
         {"FileCreateBJS", "Create &BJS", {}},
         {"FileImportAudio", "&Import Audio\u2026", QKeySequence(Qt::CTRL | Qt::Key_I)},
         {"UntitledMenu2", "", {}},
         {"FileQuit", "&Quit", QKeySequence(Qt::CTRL | Qt::Key_Q)}},
        {{"EditUndo", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
         {"EditRedo", "&Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
         {"UntitledMenu1", "", {}},
         {"EditCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X)},
         {"EditCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C)},
         {"EditPaste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V)},
         {"EditClear", "&Delete", {}},
         {"UntitledMenu0", "", {}},
         {"EditSelectAll", "Select &All", QKeySequence(Qt::CTRL | Qt::Key_A)}},
        {{"ToolsPatchVAGFiles", "Patch &VAG Files", {}}},
    };
    const char* menu_names[] = {"FileMenu", "EditMenu", "ToolsMenu"};
    for (std::size_t m = 0; m < expected.size(); ++m) {
      QMenu* menu = menus[static_cast<int>(m)]->menu();
      QCOMPARE(menu->objectName(), QString::fromLatin1(menu_names[m]));
      QCOMPARE(bar->Item(QString::fromLatin1(menu_names[m])), menus[static_cast<int>(m)]);
      const QList<QAction*> items = menu->actions();
      QCOMPARE(items.size(), static_cast<qsizetype>(expected[m].size()));
      for (std::size_t i = 0; i < expected[m].size(); ++i) {
        QAction* item = items[static_cast<int>(i)];
        QCOMPARE(item->objectName(), QString::fromLatin1(expected[m][i].name));
        QCOMPARE(item->isSeparator(), std::string(expected[m][i].name).rfind("Untitled", 0) == 0);
        if (!item->isSeparator()) {
          QCOMPARE(item->text(), QString::fromUtf8(expected[m][i].caption));
        }
        QCOMPARE(item->shortcut(), expected[m][i].shortcut);
        QVERIFY(item->isEnabled());
      }
    }
  }

  void PatcherLayout() {
    Windowvagflip* patcher = Windowvagflip::Instance(window_);
    QVERIFY(QTest::qWaitForWindowExposed(patcher));
    QCOMPARE(patcher->windowTitle(), QStringLiteral("VAG Flipper"));
    QCOMPARE(patcher->size(), QSize(400, 259));
    QCOMPARE(patcher->minimumSize(), patcher->maximumSize());
    QCOMPARE(PlaceIn(patcher->StaticText1(), patcher), QRect(20, 14, 360, 20));
    QCOMPARE(PlaceIn(patcher->lstFiles(), patcher), QRect(20, 46, 360, 161));
    QCOMPARE(PlaceIn(patcher->btnCancel(), patcher), QRect(20, 219, 80, 20));
    QCOMPARE(PlaceIn(patcher->btnLoad(), patcher), QRect(140, 219, 120, 20));
    QCOMPARE(PlaceIn(patcher->btnPatch(), patcher), QRect(300, 219, 80, 20));
    QCOMPARE(patcher->StaticText1()->text(), QStringLiteral("Patch VAG files for use in Zembra"));
    QCOMPARE(patcher->StaticText1()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(patcher->btnCancel()->text(), QStringLiteral("Cancel"));
    QCOMPARE(patcher->btnLoad()->text(), QStringLiteral("Load Folder"));
    QCOMPARE(patcher->btnPatch()->text(), QStringLiteral("Patch"));
    QVERIFY(patcher->btnLoad()->isDefault());
    QVERIFY(!patcher->btnPatch()->isEnabled());
    QCOMPARE(patcher->lstFiles()->count(), 0);
    QCOMPARE(patcher->lstFiles()->selectionMode(), QAbstractItemView::NoSelection);
    QVERIFY(patcher->findChild<QMenuBar*>() == nullptr);
  }
};

ZEMBRA_GUI_TEST(LayoutTest)

}  // namespace zembra::test

#include "layout_test.moc"
