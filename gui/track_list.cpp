#include "gui/track_list.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>

#include "gui/pool_list.h"

namespace zembra {

TrackList::TrackList(int index, bool allows_reorder, QWidget* parent)
    : QListWidget(parent), index_(index) {
  setObjectName(QStringLiteral("lstTrack"));
  setProperty("Index", index);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setAcceptDrops(true);
  setDragEnabled(allows_reorder);
  setDragDropMode(allows_reorder ? QAbstractItemView::DragDrop : QAbstractItemView::DropOnly);
  setDefaultDropAction(Qt::CopyAction);
  setAttribute(Qt::WA_MacShowFocusRect, false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TrackList::ShowNames(const std::vector<std::string>& names) {
  clear();
  for (const std::string& name : names) {
    addItem(QString::fromStdString(name));
  }
}

std::set<std::size_t> TrackList::SelectedRows() const {
  return RowsOf(*this, selectedItems());
}

QStringList TrackList::mimeTypes() const {
  return {QString::fromLatin1(kSampleMimeType), QStringLiteral("text/plain")};
}

QMimeData* TrackList::mimeData(const QList<QListWidgetItem*>& items) const {
  if (!drag_rows) {
    return nullptr;
  }
  return MakeSampleMimeData(drag_rows(index_, RowsOf(*this, items)));
}

void TrackList::startDrag(Qt::DropActions /*supported*/) {
  // The drop handler rearranges the rows itself; a move reported back to the
  // view would make it delete rows a second time.
  QListWidget::startDrag(Qt::CopyAction);
}

std::optional<SampleDrag> TrackList::Acceptable(const QMimeData* data) const {
  if (data == nullptr || !can_drop) {
    return std::nullopt;
  }
  std::optional<SampleDrag> drag = ReadSampleMimeData(*data);
  if (!drag || !can_drop(index_, *drag)) {
    return std::nullopt;
  }
  return drag;
}

void TrackList::dragEnterEvent(QDragEnterEvent* event) {
  const std::optional<SampleDrag> drag = Acceptable(event->mimeData());
  if (!drag) {
    event->ignore();
    return;
  }
  if (drag->origin == index_) {
    setState(QAbstractItemView::DraggingState);  // shows where the rows will land
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TrackList::dragMoveEvent(QDragMoveEvent* event) {
  const std::optional<SampleDrag> drag = Acceptable(event->mimeData());
  if (!drag) {
    event->ignore();
    return;
  }
  if (drag->origin == index_) {
    // The view's own handling draws the insertion line between rows and
    // scrolls; whether the drop is taken is decided here.
    QListWidget::dragMoveEvent(event);
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TrackList::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  const std::optional<SampleDrag> drag = data != nullptr ? ReadSampleMimeData(*data) : std::nullopt;
  if (!drag || !can_drop || !can_drop(index_, *drag) || !drop_object) {
    event->ignore();
    return;
  }
  drop_object(index_, *drag, RowBefore(event->position().toPoint()));
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

std::size_t TrackList::RowBefore(const QPoint& pos) const {
  const QModelIndex at = indexAt(pos);
  if (!at.isValid()) {
    return static_cast<std::size_t>(count());
  }
  const QRect rect = visualRect(at);
  const int row = at.row();
  return static_cast<std::size_t>(pos.y() >= rect.center().y() ? row + 1 : row);
}

void TrackList::keyPressEvent(QKeyEvent* event) {
  if (key_down) {
    key_down(index_, event->key());
  }
  // The key is never reported as handled here; the list's own keys still work.
  QListWidget::keyPressEvent(event);
}

void TrackList::paintEvent(QPaintEvent* event) {
  QListWidget::paintEvent(event);
  PaintFocusMarkWithoutCurrentRow(*this);
}

}  // namespace zembra
