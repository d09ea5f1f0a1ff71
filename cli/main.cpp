#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/exit_codes.h"

#ifndef ZEMBRA_VERSION
#define ZEMBRA_VERSION "unknown"
#endif

namespace {

using zembra::cli::kExitUsage;
namespace fs = std::filesystem;

int Main(int argc, char** argv) {
  CLI::App app{"Builds songs for the handheld music game from VAG samples, and looks inside them.",
               "zembra-cli"};
  app.set_version_flag("--version", std::string("zembra-cli ") + ZEMBRA_VERSION);
  app.require_subcommand(1);
  app.fallthrough(false);

  zembra::cli::BuildOptions build;
  std::string build_output, build_samples;
  CLI::App* build_cmd = app.add_subcommand(
      "build", "Write a song described in JSON, and JAM_0002/BULK.BAR beside it.");
  build_cmd->add_option("song", build.song_json, "the song's JSON description")->required();
  build_cmd->add_option("-o,--output", build_output,
                        "the song file to write (default: the title + \".bjs\" beside the JSON)");
  build_cmd->add_option("--samples", build_samples,
                        "the folder the samples are taken from (overrides \"samples_dir\")");

  zembra::cli::DescribeOptions describe;
  std::string describe_output, describe_samples, describe_match;
  CLI::App* describe_cmd = app.add_subcommand(
      "describe", "Write the JSON description of a song, with its samples as files.");
  describe_cmd->add_option("song", describe.song, "the .bjs song file")->required();
  describe_cmd->add_option("-o,--output", describe_output,
                           "the description to write (default: the song's name with \".json\")");
  describe_cmd->add_option("--samples-dir", describe_samples,
                           "the folder the samples go to (default: one named after the song)");
  describe_cmd->add_option("--match", describe_match,
                           "a folder of samples: a sample whose bytes equal a file there takes "
                           "its name, the rest are written there");

  fs::path scan_folder;
  bool patchable = false;
  CLI::App* scan_cmd =
      app.add_subcommand("scan", "List the usable samples of a folder, in the order offered.");
  scan_cmd->add_option("folder", scan_folder, "the folder of VAG files")->required();
  scan_cmd->add_flag("--patchable", patchable,
                     "list the files that need patching before use instead");

  fs::path patch_folder;
  CLI::App* patch_cmd = app.add_subcommand(
      "patch", "Convert the VAG files of a folder in place to the form the game uses.");
  patch_cmd->add_option("folder", patch_folder, "the folder of VAG files")->required();

  fs::path inspect_file;
  bool inspect_json = false;
  CLI::App* inspect_cmd =
      app.add_subcommand("inspect", "Show the index and the contents of a song file.");
  inspect_cmd->add_option("song", inspect_file, "the .bjs song file")->required();
  inspect_cmd->add_flag("--json", inspect_json, "print JSON instead of text");

  fs::path unbar_file;
  std::string unbar_output;
  CLI::App* unbar_cmd = app.add_subcommand("unbar", "Unpack the song held in a BULK.BAR archive.");
  unbar_cmd->add_option("archive", unbar_file, "the BULK.BAR archive")->required();
  unbar_cmd->add_option("-o,--output", unbar_output,
                        "the song file to write (default: the archive's name with \".bjs\", "
                        "beside it)");

  fs::path extract_file, extract_folder;
  CLI::App* extract_cmd =
      app.add_subcommand("extract", "Write every sample embedded in a song as a file of its own.");
  extract_cmd->add_option("song", extract_file, "the .bjs song file")->required();
  extract_cmd->add_option("-d,--dir", extract_folder, "the folder to write the samples into")
      ->required();

  fs::path decode_input;
  std::string decode_output, decode_rounding = "console";
  CLI::App* decode_cmd =
      app.add_subcommand("decode", "Play a VAG sample (either header form) into an audio file.");
  decode_cmd->add_option("vag", decode_input, "the VAG sample")->required();
  decode_cmd->add_option("-o,--output", decode_output,
                         "the audio file to write: WAV, or AIFF, FLAC or Ogg Vorbis by its "
                         "extension (default: the sample's name with \".wav\", beside it, never "
                         "replacing a file)");
  decode_cmd
      ->add_option("--rounding", decode_rounding,
                   "console: as the console plays it (the default); truncate: as the common "
                   "free decoder does, sample for sample")
      ->check(CLI::IsMember({"console", "truncate"}));

  fs::path import_input;
  std::string import_output, import_form = "game";
  std::optional<std::uint32_t> import_rate;
  CLI::App* import_cmd = app.add_subcommand(
      "import", "Turn an audio file (WAV, AIFF, FLAC, Ogg, MP3, ...) into a VAG sample.");
  import_cmd->add_option("audio", import_input, "the audio file")->required();
  import_cmd->add_option("-o,--output", import_output,
                         "the VAG sample to write (default: the audio file's name with "
                         "\".vag\", beside it, never replacing a file)");
  import_cmd->add_option("--rate", import_rate,
                         "resample to this rate in Hz (default: keep the file's rate)");
  import_cmd
      ->add_option("--form", import_form,
                   "game: the form the game and the sample pool take (the default); ordinary: "
                   "for programs that read only that")
      ->check(CLI::IsMember({"game", "ordinary"}));

  fs::path info_file;
  bool info_json = false;
  CLI::App* info_cmd = app.add_subcommand(
      "info", "Show a VAG sample's form, rate, size, blocks, length, loop and name.");
  info_cmd->add_option("vag", info_file, "the VAG sample")->required();
  info_cmd->add_flag("--json", info_json, "print JSON instead of text");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and version end the parse too, with status 0.
    return app.exit(e) == 0 ? 0 : kExitUsage;
  }

  auto optional_path = [](const std::string& text) -> std::optional<fs::path> {
    if (text.empty()) return std::nullopt;
    return fs::path(text);
  };
  if (*build_cmd) {
    build.output = optional_path(build_output);
    build.samples = optional_path(build_samples);
    return zembra::cli::RunBuild(build);
  }
  if (*describe_cmd) {
    describe.output = optional_path(describe_output);
    describe.samples_dir = optional_path(describe_samples);
    describe.match = optional_path(describe_match);
    return zembra::cli::RunDescribe(describe);
  }
  if (*scan_cmd) return zembra::cli::RunScan(scan_folder, patchable);
  if (*patch_cmd) return zembra::cli::RunPatch(patch_folder);
  if (*inspect_cmd) return zembra::cli::RunInspect(inspect_file, inspect_json);
  if (*unbar_cmd) return zembra::cli::RunUnbar(unbar_file, optional_path(unbar_output));
  if (*extract_cmd) return zembra::cli::RunExtract(extract_file, extract_folder);
  if (*decode_cmd) {
    return zembra::cli::RunDecode(decode_input, optional_path(decode_output),
                                  decode_rounding == "truncate" ? zembra::AdpcmRounding::kTruncate
                                                                : zembra::AdpcmRounding::kConsole);
  }
  if (*import_cmd) {
    zembra::VagImportOptions options;
    options.sample_rate = import_rate;
    options.form = import_form == "ordinary" ? zembra::VagForm::kOrdinary : zembra::VagForm::kGame;
    return zembra::cli::RunImport(import_input, optional_path(import_output), options);
  }
  if (*info_cmd) return zembra::cli::RunInfo(info_file, info_json);
  return kExitUsage;
}

// A failed write to standard output (a full disk, a closed pipe) loses the
// command's answer, so it is a failure like any other.
int CheckedOutput(int status) {
  std::cout.flush();
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) || !std::cout) {
    const int err = errno != 0 ? errno : EIO;
    std::cerr << "zembra-cli: Cannot write to standard output: " << std::strerror(err) << ".\n";
    return zembra::cli::kExitFailed;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return CheckedOutput(Main(argc, argv));
  } catch (const std::exception& e) {
    // Nothing below throws on purpose; this keeps an unexpected failure (for
    // example memory exhausted) a clear message instead of an abort.
    std::cerr << "zembra-cli: " << e.what() << '\n';
    return zembra::cli::kExitFailed;
  }
}
