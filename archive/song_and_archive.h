#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "archive/bar_writer.h"
#include "platform/result.h"
#include "song/song_sheet.h"

namespace zembra {

// What writing a song and its archive did. On failure `error` says why;
// the two flags say which of the files now hold the new song (normally
// neither: a failure keeps the earlier pair as it was).
struct SongPairResult {
  std::optional<Error> error;
  bool song_written = false;
  bool archive_written = false;
  bool cancelled = false;         // stopped on request before anything was put in place
  std::filesystem::path song;     // the song file
  std::filesystem::path archive;  // its JAM_0002/BULK.BAR

  bool ok() const { return !error.has_value(); }
};

// Writes `sheet` as the song at `song_path` and its archive beside it, as
// one change: both are prepared completely before either is put in place,
// and any failure (or a handled signal) before both stand leaves the
// earlier pair as it was. Writers of songs in the same folder, in this
// process or another, take turns, so a song always stands beside its own
// archive. Neither file may be one of the song's samples.
// `keep_going`, asked between the steps up to the moment the files are put
// in place, stops the work when it answers false; nothing is then written.
SongPairResult WriteSongAndArchive(const SongSheet& sheet, const std::filesystem::path& workingdir,
                                   const std::filesystem::path& song_path,
                                   const CompressFunction& compress,
                                   const std::function<bool()>& keep_going = {});

}  // namespace zembra
