#pragma once

#include <filesystem>

#include "song/song_sheet.h"
#include "songfile/song_file_writer.h"

namespace zembra {

// The group "VAGS": one copy of a sample file per sample row, in track and
// row order, so that row k of that order is sample number k. A sample that
// cannot be copied stops the song; none is ever skipped, since a skipped one
// would shift the numbers of all that follow.
void WriteSampleTable(SongFileWriter& writer, const SongSheet& sheet,
                      const std::filesystem::path& workingdir);

}  // namespace zembra
