#pragma once

#include <filesystem>
#include <string_view>

#include "platform/result.h"
#include "song/song_sheet.h"

namespace zembra {

// A song described in JSON: the sheet it fills and the folder its samples
// are taken from (the working folder of the window).
struct SongJob {
  SongSheet sheet;
  std::filesystem::path samples_dir;
};

// Fills a fresh sheet from `text`, the contents of `json_file`:
//   {"title": string, "artist": string, "tempo": string or integer,
//    "samples_dir": string, "tracks": [{"name": string, "samples": [string]}],
//    "pages": [string]}
// Every key is optional and keeps the fresh sheet's value when missing.
// Anything the sheet cannot hold (a 17th track, a 5th sample, a 5th page),
// a value of the wrong type or an unknown key is refused, never dropped.
// A relative samples_dir is taken from the JSON file's folder, which is
// also the default.
Result<SongJob> ParseSongJson(std::string_view text, const std::filesystem::path& json_file);

// Reads `json_file` and parses it as above.
Result<SongJob> ReadSongJson(const std::filesystem::path& json_file);

// The JSON text ParseSongJson reads back as `sheet` (its pool aside) with the
// samples in `samples_dir`: every track and page written out, the tempo a
// number where it spells one, and samples_dir relative to the folder of
// `json_file` when it lies inside it (left out when empty or that folder).
Result<std::string> SongJsonText(const SongSheet& sheet, const std::filesystem::path& samples_dir,
                                 const std::filesystem::path& json_file);

// Writes SongJsonText to `json_file`, which appears only when complete.
Status WriteSongJson(const std::filesystem::path& json_file, const SongSheet& sheet,
                     const std::filesystem::path& samples_dir);

}  // namespace zembra
