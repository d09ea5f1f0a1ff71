#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "audio/adpcm.h"
#include "platform/result.h"
#include "samples/vag_header.h"

namespace zembra {

struct VagImportOptions {
  // Resample to this rate (1 to 192000 Hz); without it the source's rate is
  // kept, which must then lie in that range.
  std::optional<std::uint32_t> sample_rate;
  // The game form goes straight into the pool; the ordinary form is for
  // programs that read only that.
  VagForm form = VagForm::kGame;
  AdpcmRounding rounding = AdpcmRounding::kConsole;
};

struct VagImportReport {
  std::uint32_t sample_rate = 0;
  std::size_t samples = 0;  // before the last block is filled up
  std::size_t blocks = 0;
  std::string name;
};

// Turns any audio file ReadAudioFile takes into a VAG sample named after the
// output's stem: mixed to mono, encoded, written atomically. Never replaces
// `input`; on failure nothing is written and an existing `output` is kept.
Result<VagImportReport> ImportAudioAsVag(const std::filesystem::path& input,
                                         const std::filesystem::path& output,
                                         const VagImportOptions& options = {});

}  // namespace zembra
