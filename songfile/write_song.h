#pragma once

#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/result.h"
#include "song/song_sheet.h"

namespace zembra {

// Writes `sheet` as a song file at `song_path`, copying each sample from
// `workingdir`. Checks the tempo and every sample before writing anything;
// the file appears under its name only when complete, and an existing file
// of that name survives any failure. The sheet is not changed.
Status WriteSongFile(const SongSheet& sheet, const std::filesystem::path& workingdir,
                     const std::filesystem::path& song_path);

// The same checks and bytes, but the complete song is handed back
// unpublished, for a caller that puts it in place with its archive.
Result<AtomicFile> PrepareSongFile(const SongSheet& sheet, const std::filesystem::path& workingdir,
                                   const std::filesystem::path& song_path);

// Refuses `output` when it is (by any name) one of the sheet's samples:
// writing there would put the song in place of its own sample.
Status RefuseSampleAsOutput(const SongSheet& sheet, const std::filesystem::path& workingdir,
                            const std::filesystem::path& output);

}  // namespace zembra
