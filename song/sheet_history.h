#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "song/song_sheet.h"

namespace zembra {

// What the user edits on a sheet: everything but the pool, which shows the
// folder rather than the user's work and is never undone.
struct SheetContent {
  std::array<SheetTrack, kTrackCount> tracks;
  std::array<SheetPage, kPageCount> pages;
  std::string title;
  std::string artist;
  std::string tempo_text;

  static SheetContent Of(const SongSheet& sheet);
  // Puts this content into `sheet`, keeping its pool.
  void ApplyTo(SongSheet& sheet) const;

  bool operator==(const SheetContent&) const = default;
};

// The steps the user took on a sheet, for undo and redo. Each step keeps the
// content before and after it; a new step forgets what was undone.
class SheetHistory {
 public:
  // The oldest steps are forgotten beyond this many.
  static constexpr std::size_t kMaxSteps = 500;

  // Records one step; one that changed nothing is not kept.
  void Record(SheetContent before, SheetContent after);
  bool CanUndo() const { return !done_.empty(); }
  bool CanRedo() const { return !undone_.empty(); }
  // The content to go back to (or forward to), or nothing at the end.
  std::optional<SheetContent> Undo();
  std::optional<SheetContent> Redo();
  void Clear();

 private:
  struct Step {
    SheetContent before;
    SheetContent after;
  };
  std::vector<Step> done_;
  std::vector<Step> undone_;
};

}  // namespace zembra
