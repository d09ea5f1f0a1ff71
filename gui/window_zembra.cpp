#include "gui/window_zembra.h"

#include <QCloseEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include <limits>

#include "gui/menu_bar.h"
#include "gui/pool_list.h"
#include "gui/track_list.h"
#include "gui/window_vagflip.h"
#include "gui/zembra_app.h"

namespace zembra {
namespace {

constexpr int kContentWidth = 620;
constexpr int kContentHeight = 320;

// Where the controls of page k stand, in the window's content coordinates.
// Every page has the same arrangement: its last track alone in the upper row
// with the page name to its right, the first three in the lower row.
struct TrackPlace {
  std::size_t offset;  // track 4k + offset
  QRect list;
  QRect name;
};
constexpr std::array<TrackPlace, kTracksPerPage> kTrackPlaces = {{
    {3, QRect(316, 49, 127, 70), QRect(316, 120, 127, 22)},
    {1, QRect(177, 152, 127, 70), QRect(177, 223, 127, 22)},
    {0, QRect(316, 152, 127, 70), QRect(316, 223, 127, 22)},
    {2, QRect(455, 152, 127, 70), QRect(455, 223, 127, 22)},
}};
constexpr QRect kPageNamePlace(455, 49, 127, 22);

QLineEdit* MakeField(QWidget* parent, const QString& name, const QRect& rect, const QString& text) {
  auto* field = new QLineEdit(text, parent);
  field->setObjectName(name);
  field->setGeometry(rect);
  return field;
}

QPointer<WindowZembra>& TheWindow() {
  static QPointer<WindowZembra> window;
  return window;
}

}  // namespace

WindowZembra* WindowZembra::Instance() {
  if (TheWindow().isNull()) {
    TheWindow() = new WindowZembra();
    TheWindow()->show();
  }
  return TheWindow().data();
}

WindowZembra* WindowZembra::Existing() {
  return TheWindow().data();
}

WindowZembra::WindowZembra() {
  setAttribute(Qt::WA_DeleteOnClose);
  Layout();
  CreateControls();
  AddMenuHandlers();
  AttachSampleTools();
}

WindowZembra::~WindowZembra() {
  // The fields lose the focus as the widgets go, after this object's
  // members are gone: their edits must no longer reach the sheet's history.
  for (QLineEdit* field : findChildren<QLineEdit*>()) {
    disconnect(field, nullptr, this, nullptr);
  }
}

void WindowZembra::Layout() {
  setObjectName(QStringLiteral("WindowZembra"));
  setMenuBar(MenuBar1::Instance());
  setWindowTitle(QStringLiteral("Zembra"));
  // A fixed-size document window: close and minimise, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  auto* content = new QWidget(this);
  content->setObjectName(QStringLiteral("content"));
  content->setFixedSize(kContentWidth, kContentHeight);
  setCentralWidget(content);
  // The window is exactly the content plus the menu bar and cannot be resized.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void WindowZembra::CreateControls() {
  QWidget* content = centralWidget();

  tabPages_ = new QTabWidget(content);
  tabPages_->setObjectName(QStringLiteral("tabPages"));
  tabPages_->setGeometry(158, 14, 442, 250);
  tabPages_->setToolTip(QStringLiteral("Page"));
  // Hovering a drag over a tab shows that page, so a sample reaches a track
  // of another page in one gesture; the tab bar itself takes no drop.
  tabPages_->tabBar()->setChangeCurrentOnDrag(true);
  tabPages_->tabBar()->setAcceptDrops(true);

  btnLoad_ = new QPushButton(QStringLiteral("Load Folder"), content);
  btnLoad_->setObjectName(QStringLiteral("btnLoad"));
  btnLoad_->setGeometry(20, 279, 120, 20);
  btnLoad_->setAutoDefault(false);
  connect(btnLoad_, &QPushButton::clicked, this, [this] { btnLoad_Action(); });

  txtAUTH_ = MakeField(content, QStringLiteral("txtAUTH"), QRect(158, 278, 134, 22),
                       QString::fromStdString(sheet_.Artist()));
  connect(txtAUTH_, &QLineEdit::textChanged, this,
          [this](const QString& text) { sheet_.SetArtist(text.toStdString()); });
  txtNAME_ = MakeField(content, QStringLiteral("txtNAME"), QRect(304, 278, 126, 22),
                       QString::fromStdString(sheet_.Title()));
  connect(txtNAME_, &QLineEdit::textChanged, this,
          [this](const QString& text) { sheet_.SetTitle(text.toStdString()); });
  txtBPM_ = MakeField(content, QStringLiteral("txtBPM"), QRect(442, 277, 46, 22),
                      QString::fromStdString(sheet_.TempoText()));
  connect(txtBPM_, &QLineEdit::textChanged, this,
          [this](const QString& text) { sheet_.SetTempoText(text.toStdString()); });

  btnSave_ = new QPushButton(QStringLiteral("Create BJS"), content);
  btnSave_->setObjectName(QStringLiteral("btnSave"));
  btnSave_->setGeometry(500, 278, 100, 20);
  btnSave_->setAutoDefault(false);
  connect(btnSave_, &QPushButton::clicked, this, [this] { btnSave_Action(); });

  lstFiles_ = new PoolList(content);
  lstFiles_->setGeometry(20, 14, 120, 250);
  lstFiles_->drag_row = [this](const std::set<std::size_t>& rows) {
    return lstFiles_DragRow(rows);
  };
  CreatePlacementActions();

  for (std::size_t page = 0; page < kPageCount; ++page) {
    CreatePage(page);
  }
  tabPages_->setCurrentIndex(0);
  PlacePageControls();

  // The song's texts have no length limit; a field would otherwise cut a long
  // paste short without a word.
  for (QLineEdit* field : findChildren<QLineEdit*>()) {
    field->setMaxLength(std::numeric_limits<int>::max());
    RefuseSampleDrops(field);
    // One edit of a field, however many keystrokes, is one step to undo.
    connect(field, &QLineEdit::editingFinished, this, [this] { Settle(); });
  }
}

void WindowZembra::CreatePage(std::size_t page) {
  auto* canvas = new QWidget();
  canvas->setObjectName(QStringLiteral("page%1").arg(page));
  tabPages_->addTab(canvas, QString());

  for (const TrackPlace& place : kTrackPlaces) {
    const std::size_t track = page * kTracksPerPage + place.offset;
    const int index = static_cast<int>(track);

    auto* list = new TrackList(index, SongSheet::TrackAllowsReorder(track), canvas);
    list->drag_rows = [this](int i, const std::set<std::size_t>& rows) {
      return lstTrack_DragRows(i, rows);
    };
    list->can_drop = [this](int i, const SampleDrag& drag) { return lstTrack_CanDrop(i, drag); };
    list->drop_object = [this](int i, const SampleDrag& drag, std::size_t before) {
      Settle();
      lstTrack_DropObject(i, drag, before);
      Settle();
    };
    list->key_down = [this](int i, int key) {
      Settle();
      lstTrack_KeyDown(i, key);
      Settle();
    };
    lstTrack_[track] = list;

    auto* name = new QLineEdit(QString::fromStdString(sheet_.Track(track).TrackName), canvas);
    name->setObjectName(QStringLiteral("txtTrack"));
    name->setProperty("Index", index);
    name->setAlignment(Qt::AlignCenter);
    connect(name, &QLineEdit::textChanged, this,
            [this, track](const QString& text) { sheet_.SetTrackName(track, text.toStdString()); });
    txtTrack_[track] = name;
  }

  auto* page_name = new QLineEdit(QString::fromStdString(sheet_.Page(page).PageName), canvas);
  page_name->setObjectName(QStringLiteral("txtPage"));
  page_name->setProperty("Index", static_cast<int>(page));
  page_name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  connect(page_name, &QLineEdit::textChanged, this,
          [this, page](const QString& text) { txtPage_TextChange(static_cast<int>(page), text); });
  txtPage_[page] = page_name;
  txtPage_TextChange(static_cast<int>(page), page_name->text());
}

// The page controls' places are given in the window's coordinates; a page's
// own origin depends on the style's tab bar and frame, known once the tab
// panel is laid out, so they are placed again when the window is shown.
void WindowZembra::PlacePageControls() {
  for (std::size_t page = 0; page < kPageCount; ++page) {
    QWidget* canvas = tabPages_->widget(static_cast<int>(page));
    const QPoint origin = canvas->mapTo(centralWidget(), QPoint(0, 0));
    for (const TrackPlace& place : kTrackPlaces) {
      const std::size_t track = page * kTracksPerPage + place.offset;
      lstTrack_[track]->setGeometry(place.list.translated(-origin));
      txtTrack_[track]->setGeometry(place.name.translated(-origin));
    }
    txtPage_[page]->setGeometry(kPageNamePlace.translated(-origin));
  }
}

void WindowZembra::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  PlacePageControls();
}

void WindowZembra::AddMenuHandlers() {
  MenuBar1* bar = MenuBar1::Instance();
  connect(bar->Item(QStringLiteral("ToolsPatchVAGFiles")), &QAction::triggered, this,
          [this] { _ToolsPatchVAGFiles_Action(); });
  connect(bar->Item(QStringLiteral("FileSelectVAGFolder")), &QAction::triggered, this,
          [this] { _FileSelectVAGFolder_Action(); });
  connect(bar->Item(QStringLiteral("FileCreateBJS")), &QAction::triggered, this,
          [this] { _FileCreateBJS_Action(); });
  connect(bar->Item(QStringLiteral("FileOpenSong")), &QAction::triggered, this,
          [this] { _FileOpenSong_Action(); });
  connect(bar->Item(QStringLiteral("FileSaveSheet")), &QAction::triggered, this,
          [this] { _FileSaveSheet_Action(); });
  connect(bar->Item(QStringLiteral("EditUndo")), &QAction::triggered, this,
          [this] { _EditUndo_Action(); });
  connect(bar->Item(QStringLiteral("EditRedo")), &QAction::triggered, this,
          [this] { _EditRedo_Action(); });
}

bool WindowZembra::_FileSelectVAGFolder_Action() {
  GetGoodVAGs();
  return true;
}

bool WindowZembra::_FileCreateBJS_Action() {
  WriteBJS();
  return true;
}

bool WindowZembra::_ToolsPatchVAGFiles_Action() {
  Windowvagflip* patcher = Windowvagflip::Instance(this);
  patcher->show();
  patcher->raise();
  patcher->activateWindow();
  return true;
}

void WindowZembra::btnLoad_Action() {
  GetGoodVAGs();
}

void WindowZembra::btnSave_Action() {
  WriteBJS();
}

void WindowZembra::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the application, patcher or not.
  event->accept();
  App().Quit(0);
}

SampleDrag WindowZembra::lstFiles_DragRow(const std::set<std::size_t>& rows) const {
  SampleDrag drag;
  drag.origin = SampleDrag::kFromPool;
  drag.rows.assign(rows.begin(), rows.end());
  drag.texts = sheet_.PoolDragTexts(rows);
  return drag;
}

SampleDrag WindowZembra::lstTrack_DragRows(int index, const std::set<std::size_t>& rows) const {
  const auto& names = sheet_.Track(static_cast<std::size_t>(index)).SampleNames;
  SampleDrag drag;
  drag.origin = index;
  for (std::size_t row : rows) {
    if (row < names.size()) {
      drag.rows.push_back(row);
      drag.texts.push_back(names[row]);
    }
  }
  return drag;
}

bool WindowZembra::lstTrack_CanDrop(int index, const SampleDrag& drag) const {
  if (drag.origin >= 0) {
    // Rows of a track move only within that track, and only where it allows
    // reordering; they never travel to another track.
    return drag.origin == index && SongSheet::TrackAllowsReorder(static_cast<std::size_t>(index));
  }
  return true;
}

void WindowZembra::lstTrack_DropObject(int index, const SampleDrag& drag, std::size_t before_row) {
  const auto track = static_cast<std::size_t>(index);
  if (!lstTrack_CanDrop(index, drag)) {
    return;
  }
  if (drag.origin != index) {
    sheet_.DropTexts(track, drag.texts);
    ShowTrack(track);
    return;
  }
  const std::size_t count = sheet_.Track(track).SampleNames.size();
  std::set<std::size_t> rows;
  for (std::size_t row : drag.rows) {
    if (row < count) {
      rows.insert(row);
    }
  }
  if (rows.empty()) {
    return;
  }
  before_row = std::min(before_row, count);
  sheet_.MoveSamples(track, rows, before_row);
  ShowTrack(track);
  // The moved rows stay selected where they now stand.
  std::size_t first = before_row;
  for (std::size_t row : rows) {
    if (row < before_row) {
      --first;
    }
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    lstTrack_[track]->item(static_cast<int>(first + i))->setSelected(true);
  }
}

void WindowZembra::lstTrack_KeyDown(int index, int key) {
  if (key != Qt::Key_Delete && key != Qt::Key_Backspace) {
    return;
  }
  const auto track = static_cast<std::size_t>(index);
  const std::set<std::size_t> rows = lstTrack_[track]->SelectedRows();
  if (rows.empty()) {
    return;
  }
  sheet_.RemoveSamples(track, rows);
  ShowTrack(track);
}

void WindowZembra::txtPage_TextChange(int index, const QString& text) {
  sheet_.SetPageName(static_cast<std::size_t>(index), text.toStdString());
  // A tab caption would read "&" as a mnemonic marker; the caption shows the
  // page name exactly as typed.
  tabPages_->setTabText(index, QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void WindowZembra::ShowTrack(std::size_t index) {
  lstTrack_[index]->ShowNames(sheet_.Track(index).SampleNames);
}

}  // namespace zembra
