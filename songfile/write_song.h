#pragma once

#include <filesystem>

#include "platform/result.h"
#include "song/song_sheet.h"

namespace zembra {

// Writes `sheet` as a song file at `song_path`, copying each sample from
// `workingdir`. Checks the tempo and every sample before writing anything;
// the file appears under its name only when complete, and an existing file
// of that name survives any failure. The sheet is not changed.
Status WriteSongFile(const SongSheet& sheet, const std::filesystem::path& workingdir,
                     const std::filesystem::path& song_path);

}  // namespace zembra
