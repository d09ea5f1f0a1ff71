#pragma once

#include "song/song_sheet.h"
#include "songfile/song_file_writer.h"

namespace zembra {

// The group "TRKS": one "TRAK" per track that holds samples, each slot naming
// its sample by number, then the fixed group "STKS". Tracks without samples
// are left out, so "TRAK" k is the k-th track with samples.
void WriteTrackTable(SongFileWriter& writer, const SongSheet& sheet);

}  // namespace zembra
