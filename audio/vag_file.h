#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "audio/adpcm.h"
#include "platform/result.h"
#include "samples/vag_header.h"

namespace zembra {

// A whole VAG sample: a 48-byte header, then the ADPCM blocks. Beyond the 20
// bytes the sample tools read, the header holds a 16-byte name at offset 32;
// the data size counts the bytes after the header.
inline constexpr std::size_t kVagFileHeaderSize = 48;
inline constexpr std::size_t kVagNameOffset = 32;
inline constexpr std::size_t kVagNameSize = 16;
// The rates a VAG file may declare; anything else is refused as damaged.
inline constexpr std::uint32_t kVagMaxSampleRate = 192000;

// What a VAG file holds, decoded: the one path the command line, the
// window's tooltip and waveform, and playback all read samples through.
struct VagFile {
  VagForm form = VagForm::kGame;
  std::uint32_t sample_rate = 0;
  std::uint32_t declared_data_size = 0;  // as the header says
  std::string name;                      // up to the first NUL; bytes as stored
  std::vector<AdpcmBlockHeader> blocks;  // each block decoded
  std::vector<std::int16_t> pcm;         // mono, 28 samples a block
  // The first block carrying each flag, if any.
  std::optional<std::size_t> loop_start_block;
  std::optional<std::size_t> end_block;
  bool loops = false;  // the end block jumps back to the loop start
  // Empty when the header agrees with the file; otherwise a sentence saying
  // how they disagree and what was decoded (the whole blocks that are there).
  std::string warning;

  double duration_seconds() const;
};

// Reads and decodes a VAG file in either header form. Fails, naming the file
// and the reason, for a file that cannot be read, is not a VAG file, or
// declares a sample rate of 0 or above 192 kHz.
Result<VagFile> ReadVagFile(const std::filesystem::path& path,
                            AdpcmRounding rounding = AdpcmRounding::kConsole);
// The same for bytes already in memory; `path` only names them in messages.
Result<VagFile> ParseVagFile(std::span<const std::uint8_t> bytes, const std::filesystem::path& path,
                             AdpcmRounding rounding = AdpcmRounding::kConsole);

// The name field for a file named `stem`: printable ASCII only (anything
// else becomes '_', one per character), cut to 16 bytes.
std::string VagNameFor(std::string_view stem);

// A VAG file's bytes: the header in `form` and the ADPCM blocks after it.
// The game form is what the folder scan accepts as it is; the ordinary form
// is for programs that read only that.
std::vector<std::uint8_t> MakeVagFile(std::span<const std::uint8_t> adpcm,
                                      std::uint32_t sample_rate, std::string_view name,
                                      VagForm form = VagForm::kGame);

}  // namespace zembra
