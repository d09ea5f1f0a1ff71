#pragma once

#include "song/song_sheet.h"
#include "songfile/song_file_writer.h"

namespace zembra {

// The page records ("UINT", "UIS0", "NUIM", one "UIM0" per page in use) and
// the closing entries "STG0", "NSTG" and "VERE".
void WritePageLayout(SongFileWriter& writer, const SongSheet& sheet);

}  // namespace zembra
