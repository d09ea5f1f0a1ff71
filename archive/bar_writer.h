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
// packed at level 9. The archive appears only when complete; the song file
// is never changed.
Status GenerateBAR(const std::filesystem::path& song_file, const CompressFunction& compress);

}  // namespace zembra
