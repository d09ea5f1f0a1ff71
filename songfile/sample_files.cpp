#include "songfile/sample_files.h"

#include <map>
#include <utility>

#include "platform/os_error.h"
#include "platform/terminal_text.h"
#include "samples/vag_header.h"

namespace zembra {

namespace {

Error SampleNameError(std::string_view name, std::string_view reason) {
  // Control bytes would garble a message box or a terminal.
  std::string message = "Cannot use the sample \"" + EscapeControlBytes(name) + "\": ";
  message += reason;
  message += '.';
  return Error{std::move(message)};
}

Error NoFolderError() {
  return Error{"Cannot read the samples of this song: no sample folder has been chosen."};
}

}  // namespace

std::optional<std::string> SampleNameProblem(std::string_view name) {
  if (name.empty()) return "its name is empty";
  if (name.find('\0') != std::string_view::npos) return "its name contains a zero byte";
  if (name.find('/') != std::string_view::npos) {
    return "its name is a path, not the name of a file in the sample folder";
  }
  if (name == "." || name == "..") return "its name stands for a folder";
  return std::nullopt;
}

std::filesystem::path SamplePath(const std::filesystem::path& workingdir, std::string_view name) {
  return workingdir / std::filesystem::path(std::string(name));
}

Result<SampleFile> OpenSample(const std::filesystem::path& workingdir, std::string_view name) {
  if (std::optional<std::string> problem = SampleNameProblem(name)) {
    return SampleNameError(name, *problem);
  }
  if (workingdir.empty()) return NoFolderError();
  const std::filesystem::path path = SamplePath(workingdir, name);
  Result<BinaryStream> stream = BinaryStream::OpenRegular(path, BinaryStream::Access::kRead);
  if (!stream) return stream.error();
  const std::uint64_t size = stream->Length();
  if (Status s = stream->status(); !s) return s.error();
  if (size > kMaxSampleSize) {
    return FileError("use", path, "it is 4 GiB or larger, more than a song can hold");
  }
  // Only what the pool would offer: a song copies its samples whole, so any
  // other file named in a description would travel inside the song.
  if (!IsGameFormVag(stream->Read(kVagTestSize))) {
    return FileError("use", path, "it is not a VAG sample in the game's form");
  }
  stream->SetPosition(0);
  if (Status s = stream->status(); !s) return s.error();
  return SampleFile{std::move(stream).value(), size};
}

Result<std::uint64_t> CheckSamples(const SongSheet& sheet,
                                   const std::filesystem::path& workingdir) {
  // Each name is checked once, but counted once per row that uses it.
  std::map<std::string, std::optional<std::uint64_t>, std::less<>> checked;
  std::string problems;
  std::uint64_t total = 0;
  bool any = false;
  for (const SheetTrack& track : sheet.Tracks()) {
    for (const std::string& name : track.SampleNames) {
      any = true;
      auto found = checked.find(name);
      if (found == checked.end()) {
        std::optional<std::uint64_t> size;
        if (SampleNameProblem(name) || !workingdir.empty()) {
          Result<SampleFile> sample = OpenSample(workingdir, name);
          if (sample) {
            size = sample->size;
          } else {
            if (!problems.empty()) problems += '\n';
            problems += sample.error().message;
          }
        }
        found = checked.emplace(name, size).first;
      }
      if (found->second) total += *found->second;
    }
  }
  // Without a folder every good name fails the same way: say so once.
  if (any && workingdir.empty()) {
    if (!problems.empty()) problems += '\n';
    problems += NoFolderError().message;
  }
  if (!problems.empty()) return Error{std::move(problems)};
  return total;
}

}  // namespace zembra
