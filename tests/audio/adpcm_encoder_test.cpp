#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

#include "audio/adpcm.h"
#include "audio/adpcm_encoder.h"
#include "tests/support/signals.h"

namespace zembra::test {
namespace {

constexpr std::uint32_t kRate = 22050;

double RoundTripSnr(const Pcm& pcm, const AdpcmEncodeOptions& options) {
  return SnrDb(pcm, DecodeAdpcm(EncodeAdpcm(pcm, options), options.rounding));
}

TEST(AdpcmEncoder, RoundTripsGeneratedSoundsAboveTheirFloors) {
  // Floors a little under what the encoder reaches, so a worse search fails.
  const std::vector<std::pair<std::string, double>> floors = {
      {"sine sweep", 30}, {"plucked chord", 24.5}, {"noise bursts", 20.5}, {"formant voice", 45}};
  const std::vector<NamedSignal> signals = AllSignals(kRate, 0.25);
  for (std::size_t i = 0; i < signals.size(); ++i) {
    SCOPED_TRACE(signals[i].name);
    ASSERT_EQ(signals[i].name, floors[i].first);
    for (AdpcmRounding rounding : {AdpcmRounding::kConsole, AdpcmRounding::kTruncate}) {
      AdpcmEncodeOptions options;
      options.rounding = rounding;
      EXPECT_GT(RoundTripSnr(signals[i].pcm, options), floors[i].second);
    }
  }
}

TEST(AdpcmEncoder, SearchesReachAtLeastThePlainExhaustiveSearch) {
  for (const NamedSignal& signal : AllSignals(kRate, 0.25)) {
    SCOPED_TRACE(signal.name);
    const double yardstick = SnrDb(signal.pcm, DecodeAdpcm(ExhaustiveGreedyEncode(signal.pcm)));
    AdpcmEncodeOptions greedy;
    greedy.search = AdpcmSearch::kGreedy;
    const double greedy_snr = RoundTripSnr(signal.pcm, greedy);
    EXPECT_GE(greedy_snr, yardstick - 0.01);
    EXPECT_GE(RoundTripSnr(signal.pcm, {}), greedy_snr);
  }
}

TEST(AdpcmEncoder, ReencodingDecodedSoundFindsTheSameBlocks) {
  for (const NamedSignal& signal : AllSignals(kRate, 0.25)) {
    SCOPED_TRACE(signal.name);
    const Pcm decoded = DecodeAdpcm(EncodeAdpcm(signal.pcm));
    const Pcm again = DecodeAdpcm(EncodeAdpcm(decoded));
    ASSERT_EQ(again.size(), decoded.size());
    const auto same = static_cast<std::size_t>(std::inner_product(
        decoded.begin(), decoded.end(), again.begin(), std::size_t{0}, std::plus<>(),
        [](std::int16_t a, std::int16_t b) { return a == b ? 1u : 0u; }));
    EXPECT_GE(static_cast<double>(same), 0.999 * static_cast<double>(decoded.size()));
  }
}

TEST(AdpcmEncoder, ClippedDecodedSoundReencodesExactly) {
  // A full-scale square clips in the decoder; the search must still find
  // residuals that land on the rails.
  Pcm square(28 * 40);
  for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 ? 32767 : -32768;
  const Pcm decoded = DecodeAdpcm(EncodeAdpcm(square));
  EXPECT_GT(SnrDb(square, decoded), 20);
  EXPECT_EQ(DecodeAdpcm(EncodeAdpcm(decoded)), decoded);
}

TEST(AdpcmEncoder, LastBlockCarriesTheEndFlagAndLoopsOnlyWhenAsked) {
  const Pcm pcm = SineSweep(kRate, 0.01);  // 220 samples: 8 blocks, the last padded
  const std::vector<std::uint8_t> plain = EncodeAdpcm(pcm);
  ASSERT_EQ(plain.size(), 8u * 16);
  for (std::size_t b = 0; b < 8; ++b) {
    EXPECT_EQ(plain[b * 16 + 1], b == 7 ? kAdpcmFlagEnd : 0) << b;
    EXPECT_LE(plain[b * 16] >> 4, 4) << b;
    EXPECT_LE(plain[b * 16] & 0x0F, 12) << b;
  }
  AdpcmEncodeOptions looped;
  looped.loop = true;
  const std::vector<std::uint8_t> loop = EncodeAdpcm(pcm, looped);
  EXPECT_EQ(loop[1], kAdpcmFlagLoopStart | kAdpcmFlagLoop);
  EXPECT_EQ(loop[3 * 16 + 1], kAdpcmFlagLoop);
  EXPECT_EQ(loop[7 * 16 + 1], kAdpcmFlagEnd | kAdpcmFlagLoop);

  const Pcm decoded = DecodeAdpcm(plain);
  ASSERT_EQ(decoded.size(), 8u * 28);
  // The filled-up end is silence, near enough.
  for (std::size_t i = pcm.size(); i < decoded.size(); ++i) EXPECT_LE(std::abs(decoded[i]), 64);
}

TEST(AdpcmEncoder, SilenceStaysSilentAndNothingGivesNoBlocks) {
  EXPECT_TRUE(EncodeAdpcm({}).empty());
  const Pcm silence(100, 0);
  EXPECT_EQ(DecodeAdpcm(EncodeAdpcm(silence)), Pcm(112, 0));
}

}  // namespace
}  // namespace zembra::test
