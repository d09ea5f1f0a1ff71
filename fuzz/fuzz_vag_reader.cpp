// Any bytes given to the VAG reader give a sample or an error, never a read
// outside them, with either rounding, and what it decodes holds together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "audio/vag_file.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zembra;
  const std::span<const std::uint8_t> bytes(data, size);
  for (AdpcmRounding rounding : {AdpcmRounding::kConsole, AdpcmRounding::kTruncate}) {
    const Result<VagFile> vag = ParseVagFile(bytes, "fuzz", rounding);
    if (!vag) {
      Check(!vag.error().message.empty());
      continue;
    }
    Check(vag->sample_rate >= 1 && vag->sample_rate <= kVagMaxSampleRate);
    Check(vag->pcm.size() == vag->blocks.size() * kAdpcmBlockSamples);
    Check(vag->blocks.size() * kAdpcmBlockBytes <= size - kVagFileHeaderSize);
    Check(vag->name.size() <= kVagNameSize);
    Check(!vag->end_block || *vag->end_block < vag->blocks.size());
    Check(!vag->loop_start_block || *vag->loop_start_block < vag->blocks.size());
    Check(!vag->loops || vag->end_block);
  }
  return 0;
}
