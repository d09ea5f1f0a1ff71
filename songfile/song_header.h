#pragma once

#include "song/song_sheet.h"
#include "songfile/song_file_writer.h"

namespace zembra {

// The group "SONG": format version, song id, title, artist, tempo and beats
// per bar. A tempo text that is not a positive whole number stops the song.
void WriteSongHeader(SongFileWriter& writer, const SongSheet& sheet);

}  // namespace zembra
