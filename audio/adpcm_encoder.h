#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "audio/adpcm.h"

namespace zembra {

enum class AdpcmSearch {
  // For each block on its own, the filter and shift whose decoded block is
  // closest to the input: all 5 x 13 pairs are played in full, ties going to
  // the lower filter, then the lower shift. This is the exhaustive greedy
  // choice (errors are summed in single precision, so pairs within a few
  // parts in ten million of each other count as tied).
  kGreedy,
  // kGreedy's choice, unless the block's runner-up is within an eighth of it:
  // then each is followed by the next block's greedy choice, and the one with
  // less error over the two blocks is kept. Re-encoding decoded sound still
  // finds the original blocks, as an exact block is never second-guessed.
  kLookahead,
};

struct AdpcmEncodeOptions {
  // The decoder the search measures with: the result is closest to the input
  // when played with the same rounding.
  AdpcmRounding rounding = AdpcmRounding::kConsole;
  AdpcmSearch search = AdpcmSearch::kLookahead;
  // Loop the whole sample: the first block marks the loop start and the last
  // jumps back to it. Without it the last block carries only the end flag.
  bool loop = false;
};

// ADPCM blocks for `pcm`, 28 samples a block; the last block is filled up
// with silence. No samples give no blocks.
std::vector<std::uint8_t> EncodeAdpcm(std::span<const std::int16_t> pcm,
                                      const AdpcmEncodeOptions& options = {});

}  // namespace zembra
