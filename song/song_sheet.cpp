#include "song/song_sheet.h"

#include <utility>

namespace zembra {

SongSheet::SongSheet() {
  for (std::size_t i = 0; i < 4; ++i) tracks_[i].TrackName = "Track" + std::to_string(i);
  pages_[0].PageName = "Page0";
}

void SongSheet::ReplacePool(std::vector<std::string> names) {
  pool_ = std::move(names);
}

std::vector<std::string> SongSheet::PoolDragTexts(const std::set<std::size_t>& rows) const {
  std::vector<std::string> texts;
  for (std::size_t row : rows) {  // std::set iterates in ascending row order
    if (row < pool_.size()) texts.push_back(pool_[row]);
  }
  return texts;
}

std::size_t SongSheet::DropTexts(std::size_t track, const std::vector<std::string>& texts) {
  std::vector<std::string>& names = tracks_.at(track).SampleNames;
  std::size_t added = 0;
  for (const std::string& text : texts) {
    if (names.size() < MaxSamplesPerTrack) {
      names.push_back(text);
      ++added;
    }
  }
  return added;
}

void SongSheet::RemoveSamples(std::size_t track, const std::set<std::size_t>& rows) {
  std::vector<std::string>& names = tracks_.at(track).SampleNames;
  // Walking down keeps the rows still to visit where they were.
  for (std::size_t row = names.size(); row-- > 0;) {
    if (rows.contains(row)) names.erase(names.begin() + static_cast<std::ptrdiff_t>(row));
  }
}

void SongSheet::MoveSamples(std::size_t track, const std::set<std::size_t>& rows,
                            std::size_t before) {
  std::vector<std::string>& names = tracks_.at(track).SampleNames;
  std::vector<std::string> moved;
  std::vector<std::string> kept;
  std::size_t insert_at = 0;
  for (std::size_t row = 0; row < names.size(); ++row) {
    if (row == before) insert_at = kept.size();
    (rows.contains(row) ? moved : kept).push_back(names[row]);
  }
  if (before >= names.size()) insert_at = kept.size();
  kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(insert_at), moved.begin(), moved.end());
  names = std::move(kept);
}

void SongSheet::SetTrackName(std::size_t track, std::string name) {
  tracks_.at(track).TrackName = std::move(name);
}

void SongSheet::SetPageName(std::size_t page, std::string name) {
  pages_.at(page).PageName = std::move(name);
}

void SongSheet::SetTitle(std::string title) {
  title_ = std::move(title);
}
void SongSheet::SetArtist(std::string artist) {
  artist_ = std::move(artist);
}
void SongSheet::SetTempoText(std::string text) {
  tempo_text_ = std::move(text);
}

}  // namespace zembra
