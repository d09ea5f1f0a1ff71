#include "songfile/song_file_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/os_error.h"

namespace zembra {

namespace {

constexpr std::uint32_t kGroupOffset = 0xFFFFFFFFu;
constexpr std::size_t kRootSizeField = 8;
constexpr std::size_t kCopyChunk = 64 * 1024;

void PutLe32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

SongFileWriter::SongFileWriter(AtomicFile song)
    : song_path_(song.target()), song_(std::move(song)) {}

SongFileWriter::SongFileWriter(SongFileWriter&& other) noexcept
    : song_path_(other.song_path_),
      song_(std::move(other.song_)),
      index_(std::move(other.index_)),
      finished_(std::exchange(other.finished_, true)),
      data_length_(other.data_length_),
      error_(std::move(other.error_)) {}

SongFileWriter::~SongFileWriter() = default;

std::uint32_t SongFileWriter::TextFieldSize(std::string_view text) {
  // Bytes, not characters: a size counted in characters would cut
  // non-ASCII texts short and misalign what follows.
  return static_cast<std::uint32_t>(text.size() + 1);
}

Result<SongFileWriter> SongFileWriter::OpenSongFile(const std::filesystem::path& song_path) {
  if (!song_path.has_filename()) {
    return FileError("create", song_path, "it names a folder, not a file");
  }
  Result<AtomicFile> song = AtomicFile::Create(song_path);
  if (!song) return song.error();
  SongFileWriter writer(std::move(song).value());
  writer.song_.stream().SetLittleEndian(true);
  // The root entry always comes first; its size is filled in at the end.
  writer.AddGroup("BIFF", 0);
  return writer;
}

void SongFileWriter::Fail(Error error) {
  if (!error_) error_ = std::move(error);
}

Status SongFileWriter::status() const {
  if (error_) return *error_;
  return Ok();
}

// Moves a stream's sticky error into the writer, so a full disk stops the
// song at once rather than after every remaining sample has been read.
void SongFileWriter::CheckStreams() {
  if (error_) return;
  if (Status s = song_.stream().status(); !s) Fail(s.error());
}

void SongFileWriter::AddIndexEntry(const SongTag& tag, std::uint32_t offset, std::uint32_t size) {
  if (error_) return;
  index_.insert(index_.end(), tag, tag + 4);
  PutLe32(index_, offset);
  PutLe32(index_, size);
}

void SongFileWriter::AddGroup(const SongTag& tag, std::uint32_t size) {
  AddIndexEntry(tag, kGroupOffset, size);
}

void SongFileWriter::AddEntry(const SongTag& tag, std::uint32_t size) {
  // WriteData keeps the data area within 32-bit offsets, so this never wraps.
  AddIndexEntry(tag, static_cast<std::uint32_t>(data_length_), size);
}

void SongFileWriter::WriteData(std::span<const std::uint8_t> bytes) {
  if (error_) return;
  if (data_length_ + bytes.size() > kMaxSongDataLength) {
    Fail(FileError("write", song_path(),
                   "the song would be larger than 4 GiB, the most a song file can hold"));
    return;
  }
  song_.stream().Write(bytes);
  data_length_ += bytes.size();
}

void SongFileWriter::WriteTextField(std::string_view text) {
  WriteData(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  // The terminator, then padding to a multiple of four; a text whose length
  // plus terminator is already a multiple of four still gets four bytes.
  const std::size_t padding = 4 - (text.size() + 1) % 4;
  static constexpr std::array<std::uint8_t, 5> kZeros{};
  WriteData(std::span(kZeros.data(), 1 + padding));
}

void SongFileWriter::WriteUInt32(std::uint32_t value) {
  std::array<std::uint8_t, 4> bytes;
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  WriteData(bytes);
}

void SongFileWriter::WriteInt32(std::int32_t value) {
  WriteUInt32(static_cast<std::uint32_t>(value));
}

void SongFileWriter::WriteInt16(std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  const std::array<std::uint8_t, 2> bytes{static_cast<std::uint8_t>(bits),
                                          static_cast<std::uint8_t>(bits >> 8)};
  WriteData(bytes);
}

void SongFileWriter::WriteInt64(std::int64_t value) {
  const auto bits = static_cast<std::uint64_t>(value);
  std::array<std::uint8_t, 8> bytes;
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  WriteData(bytes);
}

void SongFileWriter::WriteFloat(float value) {
  WriteUInt32(std::bit_cast<std::uint32_t>(value));
}

void SongFileWriter::WriteByte(std::uint8_t value) {
  WriteData(std::span(&value, 1));
}

void SongFileWriter::WriteBytes(std::span<const std::uint8_t> bytes) {
  WriteData(bytes);
}

void SongFileWriter::CopyFrom(BinaryStream& source, std::uint64_t size) {
  std::uint64_t left = size;
  while (left > 0 && !error_) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyChunk));
    const std::vector<std::uint8_t> chunk = source.Read(want);
    if (chunk.size() != want) {
      if (Status s = source.status(); !s) {
        Fail(s.error());
      } else {
        Fail(FileError("read", source.path(), "the file became shorter while it was copied"));
      }
      return;
    }
    WriteData(chunk);
    CheckStreams();
    left -= want;
  }
}

Result<AtomicFile> SongFileWriter::FinishUnpublished() {
  if (finished_) return FileError("write", song_path(), "it was already completed");
  finished_ = true;
  CheckStreams();
  if (!error_) {
    // The pointer to the index is the length of the data area; the root
    // size counts every entry after the root (length less root and pointer).
    PutLe32(index_, static_cast<std::uint32_t>(data_length_));
    const auto root_size = static_cast<std::uint32_t>(index_.size() - 16);
    for (int i = 0; i < 4; ++i) {
      index_[kRootSizeField + i] = static_cast<std::uint8_t>(root_size >> (8 * i));
    }
    song_.stream().Write(index_);
    CheckStreams();
  }
  // On failure the unfinished song is dropped with its temporary file; the
  // target name was never touched.
  if (error_) return *error_;
  return std::move(song_);
}

Status SongFileWriter::FinishSongFile() {
  Result<AtomicFile> song = FinishUnpublished();
  if (!song) return song.error();
  if (Status committed = song->Commit(); !committed) Fail(committed.error());
  return status();
}

}  // namespace zembra
