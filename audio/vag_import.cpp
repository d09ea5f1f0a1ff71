#include "audio/vag_import.h"

#include <string>

#include "audio/adpcm_encoder.h"
#include "audio/audio_file.h"
#include "audio/output_file.h"
#include "audio/vag_file.h"
#include "platform/os_error.h"

namespace zembra {

namespace {

bool UsableRate(std::uint32_t rate) {
  return rate >= 1 && rate <= kVagMaxSampleRate;
}

}  // namespace

Result<VagImportReport> ImportAudioAsVag(const std::filesystem::path& input,
                                         const std::filesystem::path& output,
                                         const VagImportOptions& options) {
  if (Status same = RefuseSameFile(input, output); !same) return same.error();
  if (options.sample_rate && !UsableRate(*options.sample_rate)) {
    return FileError("write", output,
                     "a sample rate of " + std::to_string(*options.sample_rate) +
                         " Hz was asked for; a VAG sample needs 1 to 192000 Hz");
  }
  Result<MonoAudio> audio = ReadAudioFile(input, options.sample_rate);
  if (!audio) return audio.error();
  if (!UsableRate(audio->sample_rate)) {
    return FileError("import", input,
                     "its sample rate of " + std::to_string(audio->sample_rate) +
                         " Hz is above what a VAG sample holds (192000 Hz); ask for a lower rate");
  }
  AdpcmEncodeOptions encode;
  encode.rounding = options.rounding;
  const std::vector<std::uint8_t> adpcm = EncodeAdpcm(audio->pcm, encode);

  VagImportReport report;
  report.sample_rate = audio->sample_rate;
  report.samples = audio->pcm.size();
  report.blocks = adpcm.size() / kAdpcmBlockBytes;
  report.name = VagNameFor(output.stem().string());
  const std::vector<std::uint8_t> bytes =
      MakeVagFile(adpcm, report.sample_rate, report.name, options.form);
  if (Status written = WriteOutputFile(output, bytes); !written) return written.error();
  return report;
}

}  // namespace zembra
