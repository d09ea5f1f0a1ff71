#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "audio/audio_file.h"
#include "audio/output_file.h"
#include "audio/vag_file.h"
#include "audio/vag_import.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "platform/os_error.h"
#include "platform/terminal_text.h"

namespace zembra::cli {
namespace {

using nlohmann::json;

// A header that disagrees with its file is worth saying, not refusing.
void Warn(const VagFile& vag) {
  if (!vag.warning.empty()) std::cerr << "zembra-cli: " << EscapeControlBytes(vag.warning) << '\n';
}

std::string FormName(VagForm form) {
  return form == VagForm::kGame ? "game" : "ordinary";
}

std::string Seconds(double seconds) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(3) << seconds;
  return out.str();
}

json Optional(const std::optional<std::size_t>& value) {
  return value ? json(*value) : json(nullptr);
}

void PrintInfo(const std::filesystem::path& path, const VagFile& vag) {
  std::cout << "VAG sample " << EscapeControlBytes(path.string()) << '\n'
            << "form         " << FormName(vag.form) << '\n'
            << "name         " << EscapeControlBytes(vag.name) << '\n'
            << "sample rate  " << vag.sample_rate << " Hz\n"
            << "data size    " << vag.declared_data_size << " bytes\n"
            << "blocks       " << vag.blocks.size() << " (" << vag.pcm.size() << " samples)\n"
            << "duration     " << Seconds(vag.duration_seconds()) << " s\n"
            << "end flag     "
            << (vag.end_block ? "block " + std::to_string(*vag.end_block) : "none") << '\n'
            << "loop         ";
  if (vag.loops) {
    std::cout << "from block "
              << (vag.loop_start_block ? std::to_string(*vag.loop_start_block)
                                       : "0 (no start flag)")
              << " to block " << *vag.end_block << '\n';
  } else if (vag.loop_start_block) {
    std::cout << "start flag on block " << *vag.loop_start_block << ", but the end does not loop\n";
  } else {
    std::cout << "none\n";
  }
}

json InfoAsJson(const std::filesystem::path& path, const VagFile& vag) {
  return {{"file", path.string()},
          {"form", FormName(vag.form)},
          {"name", vag.name},
          {"sample_rate", vag.sample_rate},
          {"data_size", vag.declared_data_size},
          {"blocks", vag.blocks.size()},
          {"samples", vag.pcm.size()},
          {"duration_seconds", vag.duration_seconds()},
          {"end_block", Optional(vag.end_block)},
          {"loop_start_block", Optional(vag.loop_start_block)},
          {"loops", vag.loops},
          {"warning", vag.warning.empty() ? json(nullptr) : json(vag.warning)}};
}

// The output named, or the input's name with `extension` beside it, where
// no file may stand yet: only a name the user gave replaces a file.
Result<std::filesystem::path> OutputFor(const std::filesystem::path& input,
                                        const std::optional<std::filesystem::path>& output,
                                        const char* extension) {
  if (output) return *output;
  const std::filesystem::path beside = std::filesystem::path(input).replace_extension(extension);
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(beside, error))) {
    return FileError("write", beside,
                     "a file of that name is there already; name it with -o to "
                     "replace it");
  }
  return beside;
}

}  // namespace

int RunDecode(const std::filesystem::path& input, const std::optional<std::filesystem::path>& named,
              AdpcmRounding rounding) {
  Result<std::filesystem::path> target = OutputFor(input, named, ".wav");
  if (!target) return Fail(target.error());
  const std::filesystem::path& output = *target;
  if (Status same = RefuseSameFile(input, output); !same) return Fail(same.error());
  Result<VagFile> vag = ReadVagFile(input, rounding);
  if (!vag) return Fail(vag.error());
  Warn(*vag);
  if (Status written = WriteAudioFile(output, vag->pcm, vag->sample_rate); !written) {
    return Fail(written.error());
  }
  std::cout << EscapeControlBytes(output.string()) << '\n';
  return kExitOk;
}

int RunImport(const std::filesystem::path& input, const std::optional<std::filesystem::path>& named,
              const VagImportOptions& options) {
  Result<std::filesystem::path> target = OutputFor(input, named, ".vag");
  if (!target) return Fail(target.error());
  const std::filesystem::path& output = *target;
  Result<VagImportReport> report = ImportAudioAsVag(input, output, options);
  if (!report) return Fail(report.error());
  std::cout << EscapeControlBytes(output.string()) << '\n';
  return kExitOk;
}

int RunInfo(const std::filesystem::path& path, bool as_json) {
  Result<VagFile> vag = ReadVagFile(path);
  if (!vag) return Fail(vag.error());
  Warn(*vag);
  if (as_json) {
    std::cout << InfoAsJson(path, *vag).dump(2, ' ', false, json::error_handler_t::replace) << '\n';
  } else {
    PrintInfo(path, *vag);
  }
  return kExitOk;
}

}  // namespace zembra::cli
