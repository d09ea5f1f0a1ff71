#include "gui/pool_list.h"

#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QUrl>

#include "gui/dialog_service.h"

namespace zembra {
namespace {

// The local files of a file manager's drag; empty for any other drag, the
// pool's own sample drags included.
std::vector<std::filesystem::path> LocalFilesOf(const QMimeData* data) {
  std::vector<std::filesystem::path> paths;
  if (data == nullptr || !data->hasUrls()) {
    return paths;
  }
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) {
      paths.push_back(PathFromQString(url.toLocalFile()));
    }
  }
  return paths;
}

}  // namespace

std::set<std::size_t> RowsOf(const QListWidget& list, const QList<QListWidgetItem*>& items) {
  std::set<std::size_t> rows;
  for (QListWidgetItem* item : items) {
    const int row = list.row(item);
    if (row >= 0) {
      rows.insert(static_cast<std::size_t>(row));
    }
  }
  return rows;
}

void PaintFocusMarkWithoutCurrentRow(QListWidget& list) {
  if (!list.hasFocus() || list.currentIndex().isValid()) {
    return;
  }
  QPainter painter(list.viewport());
  QStyleOptionFocusRect option;
  option.initFrom(&list);
  option.rect = list.viewport()->rect().adjusted(1, 1, -1, -1);
  option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
  option.backgroundColor = list.palette().color(QPalette::Base);
  list.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, &list);
}

PoolList::PoolList(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("lstFiles"));
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
  // Only files from a file manager are taken (see dragEnterEvent).
  setAcceptDrops(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void PoolList::ShowNames(const std::vector<std::string>& names) {
  clear();
  for (const std::string& name : names) {
    addItem(QString::fromStdString(name));
  }
}

QStringList PoolList::mimeTypes() const {
  return {QString::fromLatin1(kSampleMimeType), QStringLiteral("text/plain")};
}

QMimeData* PoolList::mimeData(const QList<QListWidgetItem*>& items) const {
  if (!drag_row) {
    return nullptr;
  }
  return MakeSampleMimeData(drag_row(RowsOf(*this, items)));
}

void PoolList::startDrag(Qt::DropActions /*supported*/) {
  // Samples are copied out of the pool, never moved: a drop that asked for a
  // move would otherwise make the view remove the rows.
  QListWidget::startDrag(Qt::CopyAction);
}

void PoolList::dragEnterEvent(QDragEnterEvent* event) {
  if (drop_files && !LocalFilesOf(event->mimeData()).empty()) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void PoolList::dragMoveEvent(QDragMoveEvent* event) {
  if (drop_files && !LocalFilesOf(event->mimeData()).empty()) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void PoolList::dropEvent(QDropEvent* event) {
  const std::vector<std::filesystem::path> paths = LocalFilesOf(event->mimeData());
  if (!drop_files || paths.empty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  // After the drop has been answered: importing takes a while, and the file
  // manager waits for the answer.
  QMetaObject::invokeMethod(
      this, [this, paths] { drop_files(paths); }, Qt::QueuedConnection);
}

void PoolList::paintEvent(QPaintEvent* event) {
  QListWidget::paintEvent(event);
  PaintFocusMarkWithoutCurrentRow(*this);
}

}  // namespace zembra
