#include "song/sheet_history.h"

#include <set>
#include <utility>

namespace zembra {

SheetContent SheetContent::Of(const SongSheet& sheet) {
  return {sheet.Tracks(), sheet.Pages(), sheet.Title(), sheet.Artist(), sheet.TempoText()};
}

void SheetContent::ApplyTo(SongSheet& sheet) const {
  for (std::size_t t = 0; t < kTrackCount; ++t) {
    std::set<std::size_t> all;
    for (std::size_t row = 0; row < sheet.Track(t).SampleNames.size(); ++row) all.insert(row);
    sheet.RemoveSamples(t, all);
    sheet.DropTexts(t, tracks[t].SampleNames);
    sheet.SetTrackName(t, tracks[t].TrackName);
  }
  for (std::size_t p = 0; p < kPageCount; ++p) sheet.SetPageName(p, pages[p].PageName);
  sheet.SetTitle(title);
  sheet.SetArtist(artist);
  sheet.SetTempoText(tempo_text);
}

void SheetHistory::Record(SheetContent before, SheetContent after) {
  if (before == after) return;
  done_.push_back({std::move(before), std::move(after)});
  if (done_.size() > kMaxSteps) done_.erase(done_.begin());
  undone_.clear();
}

std::optional<SheetContent> SheetHistory::Undo() {
  if (done_.empty()) return std::nullopt;
  undone_.push_back(std::move(done_.back()));
  done_.pop_back();
  return undone_.back().before;
}

std::optional<SheetContent> SheetHistory::Redo() {
  if (undone_.empty()) return std::nullopt;
  done_.push_back(std::move(undone_.back()));
  undone_.pop_back();
  return done_.back().after;
}

void SheetHistory::Clear() {
  done_.clear();
  undone_.clear();
}

}  // namespace zembra
