#pragma once

#include <QListWidget>

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gui/sample_drag.h"

namespace zembra {

// One track list `lstTrack(Index)`. It takes sample names dropped on it and
// hands the gestures to the window's handlers; rows can be dragged only to
// reorder them within the same list, and only where the track allows it.
class TrackList : public QListWidget {
  Q_OBJECT

 public:
  TrackList(int index, bool allows_reorder, QWidget* parent = nullptr);

  int Index() const { return index_; }

  // The window's handlers, told apart by Index().
  std::function<SampleDrag(int index, const std::set<std::size_t>& rows)> drag_rows;
  std::function<bool(int index, const SampleDrag& drag)> can_drop;
  std::function<void(int index, const SampleDrag& drag, std::size_t before_row)> drop_object;
  std::function<void(int index, int key)> key_down;

  void ShowNames(const std::vector<std::string>& names);
  std::set<std::size_t> SelectedRows() const;

 protected:
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
  void startDrag(Qt::DropActions supported) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // The drag in `data` if this list takes it.
  std::optional<SampleDrag> Acceptable(const QMimeData* data) const;
  // The row before which a drop at `pos` (viewport coordinates) lands.
  std::size_t RowBefore(const QPoint& pos) const;

  int index_;
};

}  // namespace zembra
