#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zembra {

// PlayStation ADPCM: 16-byte blocks of 28 samples. Byte 0 holds the
// prediction filter (high nibble) and the shift (low nibble), byte 1 the
// flags, bytes 2-15 the 28 four-bit residuals, low nibble first. A residual n
// adds (n << 12) >> shift to the filter's prediction from the last two
// samples.
inline constexpr std::size_t kAdpcmBlockBytes = 16;
inline constexpr std::size_t kAdpcmBlockSamples = 28;
inline constexpr int kAdpcmFilterCount = 5;
inline constexpr int kAdpcmMaxShift = 12;

// Bits of a block's flag byte.
inline constexpr std::uint8_t kAdpcmFlagEnd = 0x01;        // the voice stops or jumps back here
inline constexpr std::uint8_t kAdpcmFlagLoop = 0x02;       // ... jumps back to the loop start
inline constexpr std::uint8_t kAdpcmFlagLoopStart = 0x04;  // where a loop starts again

// How a decoder turns the filter's sum into a prediction, and what it keeps.
//
// kConsole: the console's arithmetic, the default everywhere. The prediction
//   is (s1 * f0 + s2 * f1 + 32) >> 6, rounding to nearest with halves going
//   up; every sample is clamped to 16 bits and the clamped sample is what the
//   next prediction uses. Shifts 13-15, which no encoder writes, act like 9
//   as on the console; filters 5-15, which no encoder writes either, predict
//   nothing here.
// kTruncate: the arithmetic of the common free decoder that test peers use
//   (ffmpeg's adpcm_psx), so that our output and theirs agree sample for
//   sample. Found by experiment with that program; it differs from the
//   console in these ways, all followed here:
//   - the prediction is (s1 * f0 + s2 * f1) / 64, truncated toward zero;
//   - the output is clamped but the history keeps the unclamped sum, so a
//     block that clips predicts differently from the console afterwards;
//   - a block whose flag byte has its low three bits set (x7) plays as 28
//     zero samples and clears the history;
//   - shifts 13-15 are used as given (a step below one).
//   Where it differs and is not followed: a block with a filter above 4 is
//   refused and its 28 samples left out (here it predicts nothing, as in
//   kConsole); it ignores the header's data size and plays every whole block
//   to the end of the file (ReadVagFile decodes what the header declares and
//   warns when the file disagrees); and it reads only the ordinary header.
enum class AdpcmRounding { kConsole, kTruncate };

// The three control fields of one block.
struct AdpcmBlockHeader {
  std::uint8_t filter = 0;
  std::uint8_t shift = 0;
  std::uint8_t flags = 0;
};

AdpcmBlockHeader ReadAdpcmBlockHeader(std::span<const std::uint8_t, kAdpcmBlockBytes> block);

// Decodes a stream of blocks one at a time, carrying the two samples of
// history from block to block (playback decodes as it goes).
class AdpcmDecoder {
 public:
  explicit AdpcmDecoder(AdpcmRounding rounding = AdpcmRounding::kConsole) : rounding_(rounding) {}

  void DecodeBlock(std::span<const std::uint8_t, kAdpcmBlockBytes> block,
                   std::span<std::int16_t, kAdpcmBlockSamples> out);
  void Reset() { s1_ = s2_ = 0; }

 private:
  AdpcmRounding rounding_;
  // kTruncate's history is unclamped, so these may leave the 16-bit range.
  std::int32_t s1_ = 0;
  std::int32_t s2_ = 0;
};

// Every whole block of `data`, 28 samples each, including the block with the
// end flag and any after it. A partial block at the end is left out.
std::vector<std::int16_t> DecodeAdpcm(std::span<const std::uint8_t> data,
                                      AdpcmRounding rounding = AdpcmRounding::kConsole);

}  // namespace zembra
