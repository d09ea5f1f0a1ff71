#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/binary_stream.h"
#include "platform/result.h"
#include "song/song_sheet.h"

namespace zembra {

// The largest sample a song can carry: its size is a 32-bit number.
inline constexpr std::uint64_t kMaxSampleSize = 0xFFFFFFFFu;

// Why `name` cannot stand for a file in the working folder (empty, a path
// rather than a leaf name, "." or "..", a zero byte), or nothing if it can.
std::optional<std::string> SampleNameProblem(std::string_view name);

// The file of sample `name`: the working folder joined with the leaf name.
std::filesystem::path SamplePath(const std::filesystem::path& workingdir, std::string_view name);

// A sample file open for copying, with the length taken when it was opened.
struct SampleFile {
  BinaryStream stream;
  std::uint64_t size = 0;
};

// Opens the file of sample `name` for reading: refuses a bad name, a missing
// working folder, anything but a regular file (a pipe would block), and a
// file too large for a song.
Result<SampleFile> OpenSample(const std::filesystem::path& workingdir, std::string_view name);

// Checks every sample of the sheet before anything is written. On success,
// the sum of their sizes (one per row, as each row is copied); otherwise an
// error with one line per offending sample.
Result<std::uint64_t> CheckSamples(const SongSheet& sheet, const std::filesystem::path& workingdir);

}  // namespace zembra
