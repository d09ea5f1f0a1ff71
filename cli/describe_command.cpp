#include <iostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "platform/os_error.h"
#include "platform/terminal_text.h"
#include "songfile/describe_song.h"
#include "songfile/song_description.h"
#include "songfile/song_file_reader.h"

namespace zembra::cli {
namespace {

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::absolute(a).lexically_normal() ==
         std::filesystem::absolute(b).lexically_normal();
}

}  // namespace

int RunDescribe(const DescribeOptions& options) {
  // Matched files are taken by name from their folder, so the rest of the
  // samples must go there too for the description to find them all.
  if (options.match && options.samples_dir && !SameFolder(*options.match, *options.samples_dir)) {
    std::cerr << "zembra-cli: --match and --samples-dir name different folders; the samples of "
                 "a description are all in one folder.\n";
    return kExitUsage;
  }
  Result<SongFile> song = SongFile::Read(options.song);
  if (!song) return Fail(song.error());

  std::filesystem::path output = options.output.value_or(options.song);
  if (!options.output) {
    // A description is the user's own file; only a name given with -o replaces one.
    output.replace_extension(".json");
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(output, ec))) {
      return Fail(FileError("write the description", output,
                            "it already exists; name the description with -o to replace it"));
    }
  }
  SampleFolder folder;
  folder.match = options.match.has_value();
  folder.path = options.match.value_or(
      options.samples_dir.value_or(DefaultSampleFolder(std::filesystem::absolute(options.song))));

  Result<DescribedSong> described = DescribeSong(*song, options.song, folder);
  if (!described) return Fail(described.error());
  if (Status s = WriteSongJson(output, described->sheet, described->samples_dir); !s) {
    std::error_code ignored;
    for (const auto& path : described->written) std::filesystem::remove(path, ignored);
    return Fail(s.error());
  }
  std::cout << EscapeControlBytes(output.string()) << '\n';
  for (const auto& path : described->written) {
    std::cout << EscapeControlBytes(path.string()) << '\n';
  }
  return kExitOk;
}

}  // namespace zembra::cli
