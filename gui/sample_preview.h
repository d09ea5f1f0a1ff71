#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <filesystem>
#include <functional>

class QListWidget;
class QMenu;

namespace zembra {

struct SampleSketch;

// Lets the user hear and see the samples of a list: Space plays the current
// row (Space again or Escape stops), the tooltip of a row shows its waveform,
// length, rate and size, and the context menu offers Play, Stop and Show in
// folder. The owner says which file a row stands for.
class SamplePreview : public QObject {
  Q_OBJECT

 public:
  using FileOfRow = std::function<std::filesystem::path(const QListWidget* list, int row)>;

  SamplePreview(FileOfRow file_of_row, QObject* parent);

  void Watch(QListWidget* list);

  // The tooltip of `file`: its sketch as rich text with the waveform
  // embedded, or a line saying it is being read.
  static QString TipText(const std::filesystem::path& file, const SampleSketch* sketch);
  // Adds Play, Stop and Show in folder for `row` (or the current row).
  void AddItems(QMenu* menu, QListWidget* list, int row);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::filesystem::path FileAt(const QListWidget* list, int row) const;
  bool ShowTip(QListWidget* list, const QPoint& pos, const QPoint& global);
  void SketchReady(const QString& file);

  FileOfRow file_of_row_;
  // The tooltip waiting for its sketch.
  QPointer<QListWidget> tip_list_;
  int tip_row_ = -1;
  QPoint tip_global_;
  std::filesystem::path tip_file_;
};

}  // namespace zembra
