#include "tests/songfile/song_test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "songfile/write_song.h"

namespace zembra::test {

std::uint32_t Le32At(std::span<const std::uint8_t> bytes, std::size_t at) {
  if (at + 4 > bytes.size()) throw std::out_of_range("Le32At past the end");
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i)
    bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

SongSheet WritableSheet() {
  SongSheet sheet;
  sheet.SetTempoText("120");
  return sheet;
}

SongFile WriteAndRead(const SongSheet& sheet, const std::filesystem::path& workingdir,
                      const std::filesystem::path& song_path) {
  const Status written = WriteSongFile(sheet, workingdir, song_path);
  if (!written) throw std::runtime_error("write failed: " + written.error().message);
  Result<SongFile> song = SongFile::Read(song_path);
  if (!song) throw std::runtime_error("read failed: " + song.error().message);
  return std::move(song).value();
}

const SongIndexEntry& EntryOf(const SongFile& song, std::string_view tag, int nth) {
  for (const SongIndexEntry& entry : song.entries()) {
    if (entry.tag == tag && nth-- == 0) return entry;
  }
  throw std::runtime_error("no such entry: " + std::string(tag));
}

Bytes BytesAt(const SongFile& song, std::size_t offset, std::size_t count) {
  const std::span<const std::uint8_t> bytes = song.bytes();
  if (offset + count > bytes.size()) throw std::out_of_range("BytesAt past the end");
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

std::set<std::string> FolderListing(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    names.insert(item.path().filename().string());
  }
  return names;
}

}  // namespace zembra::test
