#include <algorithm>
#include <iostream>

#include "archive/song_and_archive.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/plugin_calls.h"
#include "platform/os_error.h"
#include "platform/terminal_text.h"
#include "songfile/song_description.h"
#include "songfile/tempo.h"

namespace zembra::cli {

int RunBuild(const BuildOptions& options) {
  Result<SongJob> job = ReadSongJson(options.song_json);
  if (!job) return Fail(job.error());
  if (options.samples) job->samples_dir = std::filesystem::absolute(*options.samples);
  // Checked before anything else, as Create BJS does, and with its text.
  if (Result<std::int32_t> tempo = ParseTempo(job->sheet.TempoText()); !tempo) {
    return Fail(FileError("read song", options.song_json, tempo.error().message));
  }

  std::filesystem::path song_path;
  if (options.output) {
    song_path = *options.output;
  } else {
    // The name the window's save dialog suggests ("/" made "_"), in the JSON
    // file's folder. An empty title would give a hidden ".bjs" nobody finds.
    std::string name = job->sheet.Title();
    std::replace(name.begin(), name.end(), '/', '_');
    if (name.empty()) {
      return Fail(FileError("name the song after the title of", options.song_json,
                            "the title is empty; give a file name with -o"));
    }
    song_path = std::filesystem::absolute(options.song_json).parent_path() / (name + ".bjs");
  }

  if (Status bound = BindPlugin(); !bound) return Fail(bound.error());
  const SongPairResult written =
      WriteSongAndArchive(job->sheet, job->samples_dir, song_path, PluginCompress());
  if (!written.ok()) {
    Fail(*written.error);
    if (written.song_written && !written.archive_written) {
      std::cerr << "zembra-cli: the song \"" << EscapeControlBytes(song_path.string())
                << "\" was written; its archive was not.\n";
    }
    return kExitFailed;
  }
  std::cout << EscapeControlBytes(written.song.string()) << '\n'
            << EscapeControlBytes(written.archive.string()) << '\n';
  return kExitOk;
}

}  // namespace zembra::cli
