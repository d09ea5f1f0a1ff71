#include <gtest/gtest.h>

#include <vector>

#include "audio/adpcm.h"
#include "tests/audio/adpcm_test_support.h"

namespace zembra::test {
namespace {

using Pcm = std::vector<std::int16_t>;
constexpr auto kConsole = AdpcmRounding::kConsole;
constexpr auto kTruncate = AdpcmRounding::kTruncate;

Pcm Samples(const Pcm& pcm, std::size_t first, std::size_t count) {
  return Pcm(pcm.begin() + static_cast<std::ptrdiff_t>(first),
             pcm.begin() + static_cast<std::ptrdiff_t>(first + count));
}

TEST(AdpcmDecoder, ShiftScalesTheResidualWithoutPrediction) {
  // Shift 12: a residual is the sample itself; shift 0: 4096 times it.
  const Pcm fine = DecodeAdpcm(AdpcmBlock(0, 12, 0, {1, -1, 7, -8, 0, 3}));
  ASSERT_EQ(fine.size(), 28u);
  EXPECT_EQ(Samples(fine, 0, 7), (Pcm{1, -1, 7, -8, 0, 3, 0}));

  const Pcm coarse = DecodeAdpcm(AdpcmBlock(0, 0, 0, {1, -1, 7, -8}));
  EXPECT_EQ(Samples(coarse, 0, 5), (Pcm{4096, -4096, 28672, -32768, 0}));
}

// The last two samples of the first block are 512 and 1024 (shift 4: steps
// of 256); the second block adds nothing, so it plays the prediction alone.
Pcm PredictionAfter512And1024(int filter, AdpcmRounding rounding) {
  std::initializer_list<int> ramp = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 4};
  return Samples(
      DecodeAdpcm(Join({AdpcmBlock(0, 4, 0, ramp), AdpcmBlock(filter, 12, 0)}), rounding), 28, 2);
}

TEST(AdpcmDecoder, EachFilterPredictsFromTheLastTwoSamples) {
  // First: (1024 * w0 + 512 * w1) / 64, whole in every case.
  EXPECT_EQ(PredictionAfter512And1024(0, kConsole), (Pcm{0, 0}));
  EXPECT_EQ(PredictionAfter512And1024(1, kConsole), (Pcm{960, 900}));    // 60
  EXPECT_EQ(PredictionAfter512And1024(2, kConsole), (Pcm{1424, 1727}));  // 115, -52
  EXPECT_EQ(PredictionAfter512And1024(3, kConsole), (Pcm{1128, 847}));   // 98, -55
  EXPECT_EQ(PredictionAfter512And1024(4, kConsole), (Pcm{1472, 1846}));  // 122, -60
  // Filter 2's second sample is 110512 / 64 = 1726.75: the console rounds
  // to 1727, the peer's truncation gives 1726. Filter 3's is 847.25 and
  // filter 4's exactly 1846 in both.
  EXPECT_EQ(PredictionAfter512And1024(2, kTruncate), (Pcm{1424, 1726}));
  EXPECT_EQ(PredictionAfter512And1024(3, kTruncate), (Pcm{1128, 847}));
  EXPECT_EQ(PredictionAfter512And1024(4, kTruncate), (Pcm{1472, 1846}));
}

TEST(AdpcmDecoder, NegativeSumsRoundDownOnTheConsoleAndTowardZeroInThePeer) {
  const auto data = Join({AdpcmBlock(0, 12, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -4}),
                          AdpcmBlock(1, 12, 0)});
  // The first block ends on -4; then filter 1: -4 * 60 / 64 = -3.75, which
  // the console rounds to -4 and the peer truncates to -3.
  EXPECT_EQ(DecodeAdpcm(data, kConsole)[28], -4);
  EXPECT_EQ(DecodeAdpcm(data, kTruncate)[28], -3);
  const auto big = Join({AdpcmBlock(0, 8, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -6}),
                         AdpcmBlock(1, 12, 0)});
  // -6 * 16 = -96; -96 * 60 / 64 = -90 exactly: both agree.
  EXPECT_EQ(DecodeAdpcm(big, kConsole)[28], -90);
  EXPECT_EQ(DecodeAdpcm(big, kTruncate)[28], -90);
}

TEST(AdpcmDecoder, ClampsBothWaysAndOnlyTheConsoleClampsItsHistory) {
  // 28672, then filter 1 with 7 * 4096: 26880 + 28672 = 55552 -> 32767.
  const auto up = Join({AdpcmBlock(0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}),
                        AdpcmBlock(1, 0, 0, {7})});
  const Pcm console = DecodeAdpcm(up, kConsole);
  const Pcm peer = DecodeAdpcm(up, kTruncate);
  EXPECT_EQ(console[28], 32767);
  EXPECT_EQ(peer[28], 32767);
  // Next: the console predicts from 32767 (30719.4 -> 30719), the peer from
  // the unclamped 55552 (52080, clamped again on output).
  EXPECT_EQ(console[29], 30719);
  EXPECT_EQ(peer[29], 32767);

  // -32768, then -30720 + -32768 = -63488 -> -32768.
  const auto down = Join({AdpcmBlock(0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                               0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -8}),
                          AdpcmBlock(1, 0, 0, {-8})});
  EXPECT_EQ(DecodeAdpcm(down, kConsole)[27], -32768);
  EXPECT_EQ(DecodeAdpcm(down, kConsole)[28], -32768);
  EXPECT_EQ(DecodeAdpcm(down, kConsole)[29], -30720);
}

TEST(AdpcmDecoder, FlagsNeverStopTheConsoleButX7IsSilenceInThePeer) {
  const auto data =
      Join({AdpcmBlock(0, 12, kAdpcmFlagLoopStart, {5}), AdpcmBlock(0, 12, kAdpcmFlagEnd, {6}),
            AdpcmBlock(0, 12, 0x07, {7}), AdpcmBlock(1, 12, kAdpcmFlagEnd | kAdpcmFlagLoop, {0})});
  const Pcm console = DecodeAdpcm(data, kConsole);
  ASSERT_EQ(console.size(), 4u * 28);  // every block, also those after the end flag
  EXPECT_EQ(console[0], 5);
  EXPECT_EQ(console[28], 6);
  EXPECT_EQ(console[56], 7);

  const Pcm peer = DecodeAdpcm(data, kTruncate);
  ASSERT_EQ(peer.size(), 4u * 28);
  EXPECT_EQ(Samples(peer, 56, 28), Pcm(28, 0));
  // The silent block cleared the history: filter 1 has nothing to predict from.
  EXPECT_EQ(peer[84], 0);
  EXPECT_EQ(ReadAdpcmBlockHeader(std::span(data).first<16>()).flags, kAdpcmFlagLoopStart);
}

TEST(AdpcmDecoder, ShiftsAboveTwelveAndUnknownFilters) {
  // The console takes shifts 13-15 as 9 (4096 >> 9 = 8); the peer as given.
  const auto shift13 = AdpcmBlock(0, 13, 0, {1, -1});
  EXPECT_EQ(Samples(DecodeAdpcm(shift13, kConsole), 0, 2), (Pcm{8, -8}));
  EXPECT_EQ(Samples(DecodeAdpcm(shift13, kTruncate), 0, 2), (Pcm{0, -1}));
  // Filter 9 predicts nothing: the residuals alone.
  const auto data = Join({AdpcmBlock(0, 12, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}),
                          AdpcmBlock(9, 12, 0, {1, 2})});
  EXPECT_EQ(Samples(DecodeAdpcm(data), 28, 3), (Pcm{1, 2, 0}));
}

TEST(AdpcmDecoder, StreamingDecoderCarriesHistoryAcrossBlocksAndLeavesPartialBlocksOut) {
  auto data = Join({AdpcmBlock(0, 4, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 4}),
                    AdpcmBlock(4, 12, 0)});
  const Pcm whole = DecodeAdpcm(data);
  AdpcmDecoder decoder;
  std::array<std::int16_t, 28> first{}, second{};
  decoder.DecodeBlock(std::span(data).first<16>(), first);
  decoder.DecodeBlock(std::span(data).subspan(16).first<16>(), second);
  EXPECT_EQ(second[0], whole[28]);
  EXPECT_EQ(second[0], 1472);

  data.resize(data.size() + 15, 0x77);
  EXPECT_EQ(DecodeAdpcm(data).size(), 56u);
  EXPECT_TRUE(DecodeAdpcm({}).empty());
}

}  // namespace
}  // namespace zembra::test
