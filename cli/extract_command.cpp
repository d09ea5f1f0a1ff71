#include <iostream>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "platform/atomic_file.h"
#include "platform/os_error.h"
#include "platform/terminal_text.h"
#include "songfile/describe_song.h"
#include "songfile/song_file_reader.h"

namespace zembra::cli {
int RunExtract(const std::filesystem::path& path, const std::filesystem::path& folder) {
  Result<SongFile> song = SongFile::Read(path);
  if (!song) return Fail(song.error());
  const std::size_t count = song->summary().samples.size();
  if (count == 0) {
    std::cerr << "The song holds no samples.\n";
    return kExitOk;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return Fail(FileError("create folder", folder, ec.value()));
  // The user's files are never replaced: every name is checked before the
  // first sample is written, so a refusal writes nothing.
  for (std::size_t i = 0; i < count; ++i) {
    const std::filesystem::path target = folder / NumberedSampleName(i, count);
    if (std::filesystem::exists(std::filesystem::symlink_status(target, ec))) {
      return Fail(
          FileError("write", target, "a file of that name exists; extract into an empty folder"));
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::filesystem::path target = folder / NumberedSampleName(i, count);
    Result<AtomicFile> file = AtomicFile::Create(target);
    if (!file) return Fail(file.error());
    file->stream().Write(song->SampleBytes(i));
    if (Status s = file->Commit(); !s) return Fail(s.error());
    std::cout << EscapeControlBytes(target.string()) << '\n';
  }
  return kExitOk;
}

}  // namespace zembra::cli
