#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace zembra {

// Packs bytes at a zlib level; an empty result means the packing failed.
using CompressFunction = std::function<std::string(std::string_view bytes, int level)>;

// Writes JAM_0002/BULK.BAR beside `song_file`: the fixed header and the song
// packed at level 9. JAM_0002 is made if missing and reused if present. The
// archive appears only when complete and an earlier one stays intact until
// then; an empty result from `compress`, a song of 4 GiB or more, or a
// JAM_0002 that is not a folder is an error and nothing is written. The song
// file is only read.
Status GenerateBAR(const std::filesystem::path& song_file, const CompressFunction& compress);

}  // namespace zembra
