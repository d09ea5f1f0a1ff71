#include <algorithm>

#include "audio/adpcm.h"
#include "audio/adpcm_arith.h"

namespace zembra {

namespace {

template <AdpcmRounding R>
void Decode(std::span<const std::uint8_t, kAdpcmBlockBytes> block,
            std::span<std::int16_t, kAdpcmBlockSamples> out, std::int32_t& s1, std::int32_t& s2) {
  const AdpcmBlockHeader header = ReadAdpcmBlockHeader(block);
  if (R == AdpcmRounding::kTruncate && (header.flags & 0x07) == 0x07) {
    std::fill(out.begin(), out.end(), std::int16_t{0});
    s1 = s2 = 0;
    return;
  }
  const int w0 = adpcm::kWeights[header.filter][0];
  const int w1 = adpcm::kWeights[header.filter][1];
  const int shift = adpcm::EffectiveShift<R>(header.shift);
  int h1 = s1, h2 = s2;
  for (std::size_t i = 0; i < kAdpcmBlockSamples; ++i) {
    const int nibble = (block[2 + i / 2] >> (4 * (i % 2))) & 0x0F;
    const int v = adpcm::Residual(nibble, shift) + adpcm::Predict<R>(h1, h2, w0, w1);
    out[i] = static_cast<std::int16_t>(adpcm::Clamp16(v));
    h2 = h1;
    h1 = adpcm::Keep<R>(v);
  }
  s1 = h1;
  s2 = h2;
}

}  // namespace

AdpcmBlockHeader ReadAdpcmBlockHeader(std::span<const std::uint8_t, kAdpcmBlockBytes> block) {
  return {static_cast<std::uint8_t>(block[0] >> 4), static_cast<std::uint8_t>(block[0] & 0x0F),
          block[1]};
}

void AdpcmDecoder::DecodeBlock(std::span<const std::uint8_t, kAdpcmBlockBytes> block,
                               std::span<std::int16_t, kAdpcmBlockSamples> out) {
  if (rounding_ == AdpcmRounding::kConsole) {
    Decode<AdpcmRounding::kConsole>(block, out, s1_, s2_);
  } else {
    Decode<AdpcmRounding::kTruncate>(block, out, s1_, s2_);
  }
}

std::vector<std::int16_t> DecodeAdpcm(std::span<const std::uint8_t> data, AdpcmRounding rounding) {
  const std::size_t blocks = data.size() / kAdpcmBlockBytes;
  std::vector<std::int16_t> pcm(blocks * kAdpcmBlockSamples);
  AdpcmDecoder decoder(rounding);
  for (std::size_t b = 0; b < blocks; ++b) {
    decoder.DecodeBlock(data.subspan(b * kAdpcmBlockBytes).first<kAdpcmBlockBytes>(),
                        std::span(pcm).subspan(b * kAdpcmBlockSamples).first<kAdpcmBlockSamples>());
  }
  return pcm;
}

}  // namespace zembra
