// `zembra-bench sound`: the codec's speed and quality on sounds the bench
// makes itself (44.1 kHz mono, one core). Times are the thread's processor
// time, so that other work on a shared machine does not count.
//   - encoding speed as a multiple of real time, for each search;
//   - decoding speed in samples a second;
//   - signal-to-noise ratio of decode(encode(x)) for the default search, the
//     greedy search it improves on, and a plain exhaustive greedy search
//     written apart from the codec as the yardstick;
//   - how much of a decoded sample re-encoding gives back unchanged.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "audio/adpcm.h"
#include "audio/adpcm_encoder.h"
#include "bench/sound_bench.h"
#include "tests/support/signals.h"

namespace zembra::bench {

namespace {

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
using test::Pcm;

constexpr std::uint32_t kRate = 44100;
constexpr double kSeconds = 10.0;

// The best of `runs` timings of `work`, in seconds.
double Time(int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int r = 0; r < runs; ++r) {
    const double start = ThreadSeconds();
    work();
    best = std::min(best, ThreadSeconds() - start);
  }
  return best;
}

double SameShare(const Pcm& a, const Pcm& b) {
  std::size_t same = 0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) same += a[i] == b[i];
  return static_cast<double>(same) / static_cast<double>(std::max<std::size_t>(1, a.size()));
}

}  // namespace

int RunSoundBench(int runs) {
  const std::vector<test::NamedSignal> signals = test::AllSignals(kRate, kSeconds);
  AdpcmEncodeOptions greedy;
  greedy.search = AdpcmSearch::kGreedy;

  std::printf("sound: %zu signals of %.0f s at %u Hz, mono; best of %d runs\n", signals.size(),
              kSeconds, kRate, runs);
  std::printf("%-14s %9s %9s %9s %9s %9s %9s %9s\n", "signal", "enc x", "greedy x", "dec Ms/s",
              "SNR dB", "greedy", "exhaust.", "re-enc %");
  double worst_speed = 1e30, worst_decode = 1e30, worst_same = 1.0;
  bool beaten = false;
  for (const test::NamedSignal& signal : signals) {
    std::vector<std::uint8_t> adpcm, greedy_adpcm;
    const double encode = Time(runs, [&] { adpcm = EncodeAdpcm(signal.pcm); });
    const double encode_greedy =
        Time(runs, [&] { greedy_adpcm = EncodeAdpcm(signal.pcm, greedy); });
    Pcm decoded;
    const double decode = Time(runs * 5, [&] { decoded = DecodeAdpcm(adpcm); });
    const Pcm exhaustive = DecodeAdpcm(test::ExhaustiveGreedyEncode(signal.pcm));

    const double speed = kSeconds / encode;
    const double decode_rate = static_cast<double>(decoded.size()) / decode / 1e6;
    const double snr = test::SnrDb(signal.pcm, decoded);
    const double snr_greedy = test::SnrDb(signal.pcm, DecodeAdpcm(greedy_adpcm));
    const double snr_exhaustive = test::SnrDb(signal.pcm, exhaustive);
    const double same = SameShare(decoded, DecodeAdpcm(EncodeAdpcm(decoded)));
    std::printf("%-14s %9.0f %9.0f %9.1f %9.2f %9.2f %9.2f %9.3f\n", signal.name.c_str(), speed,
                kSeconds / encode_greedy, decode_rate, snr, snr_greedy, snr_exhaustive, 100 * same);
    worst_speed = std::min(worst_speed, speed);
    worst_decode = std::min(worst_decode, decode_rate);
    worst_same = std::min(worst_same, same);
    beaten = beaten || snr < snr_exhaustive;
  }
  std::printf(
      "slowest encoding %.0fx real time (needs 200x), slowest decoding %.1f M samples/s "
      "(needs 50), least re-encoded unchanged %.3f %% (needs 99.9)%s\n",
      worst_speed, worst_decode, 100 * worst_same,
      beaten ? "; BELOW the exhaustive search on some signal" : "");
  return worst_speed >= 200 && worst_decode >= 50 && worst_same >= 0.999 && !beaten ? 0 : 1;
}

}  // namespace zembra::bench
