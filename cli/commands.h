#pragma once

#include <filesystem>
#include <optional>

#include "audio/adpcm.h"
#include "audio/vag_import.h"
#include "platform/result.h"

namespace zembra::cli {

// Each subcommand returns the process's exit status (exit_codes.h). Results
// go to stdout, errors to stderr.

struct BuildOptions {
  std::filesystem::path song_json;
  std::optional<std::filesystem::path> output;   // default: the title + ".bjs" beside the JSON
  std::optional<std::filesystem::path> samples;  // overrides the JSON's samples_dir
};
int RunBuild(const BuildOptions& options);

struct DescribeOptions {
  std::filesystem::path song;
  std::optional<std::filesystem::path> output;       // default: the song's name with ".json"
  std::optional<std::filesystem::path> samples_dir;  // default: a folder named after the song
  std::optional<std::filesystem::path> match;        // take the names of equal files there
};
int RunDescribe(const DescribeOptions& options);

int RunScan(const std::filesystem::path& folder, bool patchable);
int RunPatch(const std::filesystem::path& folder);
int RunInspect(const std::filesystem::path& song, bool as_json);
int RunUnbar(const std::filesystem::path& archive,
             const std::optional<std::filesystem::path>& output);
int RunExtract(const std::filesystem::path& song, const std::filesystem::path& folder);

// Sound: a VAG sample to an audio file, an audio file to a VAG sample, and
// what a VAG sample's header and blocks say. Without an output the result
// goes beside the input under its name, and never replaces a file there.
int RunDecode(const std::filesystem::path& input,
              const std::optional<std::filesystem::path>& output, AdpcmRounding rounding);
int RunImport(const std::filesystem::path& input,
              const std::optional<std::filesystem::path>& output, const VagImportOptions& options);
int RunInfo(const std::filesystem::path& vag, bool as_json);

// Prints "zembra-cli: <message>" on stderr and returns kExitFailed.
int Fail(const Error& error);

}  // namespace zembra::cli
