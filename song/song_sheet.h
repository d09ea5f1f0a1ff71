#pragma once

#include <array>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace zembra {

inline constexpr std::size_t kTrackCount = 16;
inline constexpr std::size_t kPageCount = 4;
inline constexpr std::size_t kTracksPerPage = 4;
inline constexpr std::size_t MaxSamplesPerTrack = 4;

struct SheetTrack {
  std::string TrackName;
  std::vector<std::string> SampleNames;  // 0 to MaxSamplesPerTrack names, in row order

  bool operator==(const SheetTrack&) const = default;
};

struct SheetPage {
  std::string PageName;

  bool operator==(const SheetPage&) const = default;
};

// Everything the user edits before creating a song. The window shows it and
// the song writer reads it; it is never saved on its own.
//
// Invariants: always 16 tracks and 4 pages; a track never holds more than
// MaxSamplesPerTrack names. The gestures reach the fields only through the
// operations below, which keep those invariants.
class SongSheet {
 public:
  SongSheet();

  const std::vector<std::string>& Pool() const { return pool_; }
  const std::array<SheetTrack, kTrackCount>& Tracks() const { return tracks_; }
  const SheetTrack& Track(std::size_t index) const { return tracks_.at(index); }
  const std::array<SheetPage, kPageCount>& Pages() const { return pages_; }
  const SheetPage& Page(std::size_t index) const { return pages_.at(index); }
  const std::string& Title() const { return title_; }
  const std::string& Artist() const { return artist_; }
  const std::string& TempoText() const { return tempo_text_; }

  void ReplacePool(std::vector<std::string> names);
  // The texts of the selected pool rows, in pool order whatever the selection order.
  std::vector<std::string> PoolDragTexts(const std::set<std::size_t>& rows) const;
  // Appends texts at the end of the track until it holds four; the rest are dropped.
  // Returns how many were added.
  std::size_t DropTexts(std::size_t track, const std::vector<std::string>& texts);
  void RemoveSamples(std::size_t track, const std::set<std::size_t>& rows);
  // Moves the rows `rows` of a track so they stand, in their order, before row
  // `before` of the track as it was (before == count appends them at the end).
  void MoveSamples(std::size_t track, const std::set<std::size_t>& rows, std::size_t before);
  void SetTrackName(std::size_t track, std::string name);
  void SetPageName(std::size_t page, std::string name);
  void SetTitle(std::string title);
  void SetArtist(std::string artist);
  void SetTempoText(std::string text);

  static std::size_t PageOfTrack(std::size_t track) { return track / kTracksPerPage; }
  // Whether the rows of a track may be reordered by dragging (all but tracks 1 to 3).
  static bool TrackAllowsReorder(std::size_t track) { return track == 0 || track >= 4; }

 private:
  std::vector<std::string> pool_;
  std::array<SheetTrack, kTrackCount> tracks_;
  std::array<SheetPage, kPageCount> pages_;
  std::string title_ = "Name";
  std::string artist_ = "Artist";
  std::string tempo_text_ = "BPM";
};

}  // namespace zembra
