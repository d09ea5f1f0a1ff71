#pragma once

#include <QListWidget>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "gui/sample_drag.h"

namespace zembra {

// The sample pool `lstFiles`: several rows selectable, rows dragged out as
// copies, nothing dropped in and no reordering.
class PoolList : public QListWidget {
  Q_OBJECT

 public:
  explicit PoolList(QWidget* parent = nullptr);

  // Builds the drag from the selected rows (the window's lstFiles_DragRow).
  std::function<SampleDrag(const std::set<std::size_t>& rows)> drag_row;

  // Takes local files and folders dropped from a file manager.
  std::function<void(const std::vector<std::filesystem::path>& paths)> drop_files;

  void ShowNames(const std::vector<std::string>& names);

 protected:
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
  void startDrag(Qt::DropActions supported) override;
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

// The rows of `items` in `list`, in ascending order.
std::set<std::size_t> RowsOf(const QListWidget& list, const QList<QListWidgetItem*>& items);

// A list marks the keyboard focus on its current row; one without a current
// row (an empty one above all) would show no mark, so its whole area is
// marked instead. Called after the list has painted its rows.
void PaintFocusMarkWithoutCurrentRow(QListWidget& list);

}  // namespace zembra
