#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class QMimeData;
class QWidget;

namespace zembra {

// The MIME type of sample names dragged inside Zembra. Besides the texts it
// records where the drag began, so a drop can tell a reordering within one
// track from a drag out of the pool.
inline constexpr char kSampleMimeType[] = "application/x-zembra-samples";

struct SampleDrag {
  static constexpr int kFromPool = -1;
  static constexpr int kFromElsewhere = -2;

  int origin = kFromElsewhere;     // kFromPool, a track index, or another program
  std::vector<std::size_t> rows;   // the dragged rows of the origin, ascending
  std::vector<std::string> texts;  // one sample name per row, in row order
};

// The drag as our own type plus plain text (one name per line) for other programs.
QMimeData* MakeSampleMimeData(const SampleDrag& drag);

// Reads our own type if present; otherwise plain text from elsewhere, one
// sample name per non-empty line. Nothing when the data holds neither.
std::optional<SampleDrag> ReadSampleMimeData(const QMimeData& data);

// Keeps sample drags (ours, or another Zembra's) out of a text field: a drop
// that lands just beside a list would otherwise write the names into the
// field. Text dragged from other programs is still taken.
void RefuseSampleDrops(QWidget* field);

}  // namespace zembra
