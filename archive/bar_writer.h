#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/result.h"
#include "platform/shared_bytes.h"

namespace zembra {

// Packs bytes at a zlib level; an empty result means the packing failed.
// Functions returning a std::string fit as well.
using CompressFunction = std::function<SharedBytes(std::string_view bytes, int level)>;

// Writes JAM_0002/BULK.BAR beside `song_file`: the fixed header and the song
// packed at level 9. JAM_0002 is made if missing and reused if present. The
// archive appears only when complete and an earlier one stays intact until
// then; an empty result from `compress`, a song of 4 GiB or more, or a
// JAM_0002 that is not a folder is an error and nothing is written. The song
// file is only read.
Status GenerateBAR(const std::filesystem::path& song_file, const CompressFunction& compress);

// JAM_0002/BULK.BAR beside `song_file`.
std::filesystem::path ArchivePathFor(const std::filesystem::path& song_file);

// Packs the bytes of the song that will stand at `song_file` into a complete
// archive, handed back unpublished (JAM_0002 is made if missing), for a
// caller that puts it in place together with its song.
Result<AtomicFile> PrepareBAR(std::span<const std::uint8_t> song,
                              const std::filesystem::path& song_file,
                              const CompressFunction& compress);

}  // namespace zembra
