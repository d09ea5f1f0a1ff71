#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/binary_stream.h"
#include "platform/result.h"

namespace zembra {

// The offset field of a group entry, which has no payload.
inline constexpr std::uint32_t kGroupEntryOffset = 0xFFFFFFFFu;

// One 12-byte entry of a song's index.
struct SongIndexEntry {
  std::string tag;             // the four bytes of the tag as they stand
  std::uint32_t offset = 0;    // where the payload starts; kGroupEntryOffset for a group
  std::uint32_t size = 0;      // payload bytes that count, or 12 per entry for a group
  std::uint64_t position = 0;  // where the entry itself stands in the file

  bool IsGroup() const { return offset == kGroupEntryOffset; }
};

// A sample copied into the song: where its bytes lie in the file.
struct SongSampleInfo {
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

struct SongSlot {
  std::int16_t sample = 0;  // number in the sample table
  std::int16_t row = 0;
};

struct SongTrackInfo {
  std::string name;
  std::vector<SongSlot> slots;
};

struct SongPageTrack {
  std::int32_t position = 0;
  std::int32_t track = 0;  // number of the track among the song's tracks
};

struct SongPageInfo {
  std::string name;
  std::vector<SongPageTrack> tracks;
};

// What a song holds, decoded from its entries. Values are reported as they
// stand; only the structure is checked.
struct SongSummary {
  std::string title;
  std::string artist;
  std::int32_t tempo = 0;
  std::int32_t sample_count = 0;  // as declared; a song from elsewhere may carry fewer
  std::vector<SongSampleInfo> samples;
  std::vector<SongTrackInfo> tracks;
  std::vector<SongPageInfo> pages;
};

// A song file read back: its index entries, payloads and decoded summary.
// Every offset, size and count is checked against the bytes before use, so
// any input gives either a song or an error of the form
// "<name>" is not a song file: <what is wrong>.
class SongFile {
 public:
  // `name` stands for the bytes in error messages.
  static Result<SongFile> Parse(std::span<const std::uint8_t> bytes, std::string_view name);
  static Result<SongFile> Read(const std::filesystem::path& path);
  // The song in `stream` from its start; `path` names it in messages. The
  // index is judged before the rest is read, as by Read().
  static Result<SongFile> ReadFrom(BinaryStream& stream, const std::filesystem::path& path);
  // Like Parse, taking the bytes over instead of copying them.
  static Result<SongFile> ParseOwned(std::vector<std::uint8_t> bytes, std::string_view name);

  std::span<const std::uint8_t> bytes() const { return bytes_; }
  // Length of the data area, which is also where the index starts.
  std::uint32_t data_length() const { return data_length_; }
  const std::vector<SongIndexEntry>& entries() const { return entries_; }
  // The counted bytes of a payload entry; nothing for a group.
  std::span<const std::uint8_t> Payload(const SongIndexEntry& entry) const;
  // The bytes of sample `index` of the summary.
  std::span<const std::uint8_t> SampleBytes(std::size_t index) const;
  const SongSummary& summary() const { return summary_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t data_length_ = 0;
  std::vector<SongIndexEntry> entries_;
  SongSummary summary_;
};

}  // namespace zembra
