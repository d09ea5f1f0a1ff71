#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/binary_stream.h"
#include "platform/result.h"

namespace zembra {

// A song's tags are four ASCII characters; taking them as literals makes a
// tag of any other length a compile error.
using SongTag = char[5];

// The largest data area a song can have: every offset is a 32-bit number.
inline constexpr std::uint64_t kMaxSongDataLength = 0xFFFFFFFFu;

// Writes a song file in one pass. Payloads go straight into the data area of
// the song; index entries are gathered in memory (a few kilobytes for any
// song), so no file besides the song is ever made or touched.
// FinishSongFile() appends the index and its pointer to the song and puts the
// song in place.
//
// The song itself is written through an AtomicFile, so an existing file of
// that name stays intact until the new song is complete.
//
// Errors are sticky, like BinaryStream's: after the first failure every
// write does nothing, and FinishSongFile() reports that failure. Every number
// is little-endian.
class SongFileWriter {
 public:
  // Creates the temporary song file.
  static Result<SongFileWriter> OpenSongFile(const std::filesystem::path& song_path);

  SongFileWriter(SongFileWriter&& other) noexcept;
  SongFileWriter& operator=(SongFileWriter&&) = delete;
  SongFileWriter(const SongFileWriter&) = delete;
  SongFileWriter& operator=(const SongFileWriter&) = delete;
  ~SongFileWriter();

  // The size of a text payload: its UTF-8 bytes and the terminator.
  static std::uint32_t TextFieldSize(std::string_view text);

  // A group entry: the tag, 0xFFFFFFFF and a size counting entries (12 each).
  void AddGroup(const SongTag& tag, std::uint32_t size);
  // A payload entry at the current end of the data area; the caller then
  // appends exactly the payload (nothing for size 0).
  void AddEntry(const SongTag& tag, std::uint32_t size);

  // The text's bytes, a zero byte and 1 to 4 alignment bytes (never 0).
  void WriteTextField(std::string_view text);
  void WriteUInt32(std::uint32_t value);
  void WriteInt32(std::int32_t value);
  void WriteInt16(std::int16_t value);
  void WriteInt64(std::int64_t value);
  void WriteFloat(float value);
  void WriteByte(std::uint8_t value);
  void WriteBytes(std::span<const std::uint8_t> bytes);
  // Appends the next `size` bytes of `source` to the data area through a
  // small fixed buffer, so a sample is never held in memory whole. A source
  // that ends early is an error, never a short payload.
  void CopyFrom(BinaryStream& source, std::uint64_t size);

  // Stops the song with `error`; later writes do nothing and FinishSongFile()
  // reports it. The first error wins.
  void Fail(Error error);
  Status status() const;
  bool ok() const { return !error_.has_value(); }

  // Length of the data area so far: where the next payload begins.
  std::uint64_t DataLength() const { return data_length_; }
  const std::filesystem::path& song_path() const { return song_path_; }

  // Completes the index (root size and pointer), appends it to the song and
  // stores the song under its name. On failure nothing is left under the
  // song's name that was not there before.
  Status FinishSongFile();
  // The same, but the complete song is handed back unpublished, for a caller
  // that puts it in place together with another file.
  Result<AtomicFile> FinishUnpublished();

 private:
  explicit SongFileWriter(AtomicFile song);
  void AddIndexEntry(const SongTag& tag, std::uint32_t offset, std::uint32_t size);
  void WriteData(std::span<const std::uint8_t> bytes);
  void CheckStreams();

  std::filesystem::path song_path_;
  AtomicFile song_;
  std::vector<std::uint8_t> index_;
  bool finished_ = false;
  std::uint64_t data_length_ = 0;
  std::optional<Error> error_;
};

}  // namespace zembra
