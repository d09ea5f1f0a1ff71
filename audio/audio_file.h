#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "platform/result.h"

namespace zembra {

// Sound as the sample tools take it in: 16-bit mono at one rate.
struct MonoAudio {
  std::vector<std::int16_t> pcm;
  std::uint32_t sample_rate = 0;  // of `pcm`
  std::uint32_t source_rate = 0;  // of the file, before any resampling
  int source_channels = 0;
};

// Reads any audio file libsndfile reads (WAV, AIFF, FLAC, Ogg Vorbis, MP3
// where the library has it, ...), integer or float. Channels are mixed down
// to their mean; float samples beyond full scale clamp. The file's own rate
// is kept unless `rate` is given, in which case the sound is resampled with
// libsoxr at its very-high quality. Fails, naming the file and the reason,
// for a file libsndfile cannot read and for a file with no frames.
Result<MonoAudio> ReadAudioFile(const std::filesystem::path& path,
                                std::optional<std::uint32_t> rate = std::nullopt);

// Writes 16-bit mono sound, atomically. The extension picks the format:
// ".aif"/".aiff" AIFF, ".flac" FLAC, ".ogg" Ogg Vorbis, anything else WAV.
Status WriteAudioFile(const std::filesystem::path& path, std::span<const std::int16_t> pcm,
                      std::uint32_t sample_rate);

}  // namespace zembra
