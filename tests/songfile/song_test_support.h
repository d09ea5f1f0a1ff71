#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "song/song_sheet.h"
#include "songfile/song_file_reader.h"
#include "tests/support/files.h"

namespace zembra::test {

std::uint32_t Le32At(std::span<const std::uint8_t> bytes, std::size_t at);
void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value);

// A sheet at its defaults with a tempo that passes: title "Name", artist
// "Artist", only page 0 named "Page0".
SongSheet WritableSheet();

// Writes the sheet (failing the test on error) and reads the song back.
SongFile WriteAndRead(const SongSheet& sheet, const std::filesystem::path& workingdir,
                      const std::filesystem::path& song_path);

// The n-th entry (from 0) with `tag`; fails the test if there is none.
const SongIndexEntry& EntryOf(const SongFile& song, std::string_view tag, int nth = 0);

// `count` bytes of the file from `offset`, alignment bytes included.
Bytes BytesAt(const SongFile& song, std::size_t offset, std::size_t count);

// The names in a folder, to show that a failure left nothing behind.
std::set<std::string> FolderListing(const std::filesystem::path& folder);

}  // namespace zembra::test
