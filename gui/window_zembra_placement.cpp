// Placing samples without a mouse: the selected pool rows go to a track of
// the shown page by Ctrl+1 to Ctrl+4 or the pool's context menu, under the
// same rules as a drop (appended in pool order, at most four a track).

#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>

#include "gui/pool_list.h"
#include "gui/sample_preview.h"
#include "gui/window_zembra.h"

namespace zembra {
namespace {

// Where track 4k + offset stands on its page, for captions of unnamed tracks.
constexpr std::array<const char*, kTracksPerPage> kPlaceWords = {"lower middle", "lower left",
                                                                 "lower right", "top"};

QKeySequence PlacementKey(std::size_t offset) {
  return QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(offset)));
}

}  // namespace

void WindowZembra::CreatePlacementActions() {
  for (std::size_t offset = 0; offset < kTracksPerPage; ++offset) {
    auto* action = new QAction(lstFiles_);
    action->setObjectName(QStringLiteral("lstFilesAddToTrack%1").arg(offset));
    action->setShortcut(PlacementKey(offset));
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this,
            [this, offset] { lstFiles_AddToTrack(ShownPageTrack(offset)); });
    lstFiles_->addAction(action);
  }
  lstFiles_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lstFiles_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { lstFiles_ContextMenu(pos); });
}

std::size_t WindowZembra::ShownPageTrack(std::size_t offset) const {
  return static_cast<std::size_t>(tabPages_->currentIndex()) * kTracksPerPage + offset;
}

QString WindowZembra::PlacementCaption(std::size_t offset) const {
  const QString name = txtTrack_[ShownPageTrack(offset)]->text();
  const QString place = QString::fromLatin1(kPlaceWords[offset]);
  if (name.isEmpty()) {
    return tr("Add to the %1 track").arg(place);
  }
  // A menu caption reads "&" as a mnemonic marker; the name shows as typed.
  QString shown = name;
  shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return tr("Add to \u201C%1\u201D (%2)").arg(shown, place);
}

void WindowZembra::lstFiles_ContextMenu(const QPoint& pos) {
  auto* menu = new QMenu(lstFiles_);
  menu->setObjectName(QStringLiteral("lstFilesMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const bool any_selected = !lstFiles_->selectedItems().isEmpty();
  for (std::size_t offset = 0; offset < kTracksPerPage; ++offset) {
    const std::size_t track = ShownPageTrack(offset);
    QAction* item = menu->addAction(PlacementCaption(offset));
    item->setShortcut(PlacementKey(offset));
    item->setShortcutContext(Qt::WidgetShortcut);
    item->setEnabled(any_selected);
    connect(item, &QAction::triggered, this, [this, track] { lstFiles_AddToTrack(track); });
  }
  menu->addSeparator();
  preview_->AddItems(menu, lstFiles_, lstFiles_->indexAt(pos).row());
  menu->popup(lstFiles_->viewport()->mapToGlobal(pos));
}

void WindowZembra::lstFiles_AddToTrack(std::size_t track) {
  const std::set<std::size_t> rows = RowsOf(*lstFiles_, lstFiles_->selectedItems());
  if (rows.empty()) {
    return;
  }
  Settle();  // a placement is a step of its own for Undo
  sheet_.DropTexts(track, sheet_.PoolDragTexts(rows));
  ShowTrack(track);
  Settle();
}

}  // namespace zembra
