#include "audio/adpcm_encoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "audio/adpcm_arith.h"

// The search plays every filter and shift on every block. Written as a loop
// over independent lanes, it vectorises; on x86-64, copies for AVX2 and for
// SSE4.1 (about three and two times as fast as the baseline's) are chosen
// at load time where the processor has them. (Not under the sanitizers,
// whose start-up may come after the choice is made.)
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && \
    !defined(__SANITIZE_ADDRESS__)
#define ZEMBRA_VECTOR_CLONES __attribute__((target_clones("avx2", "sse4.1", "default")))
#else
#define ZEMBRA_VECTOR_CLONES
#endif

namespace zembra {

namespace {

using adpcm::Clamp16;
using adpcm::Keep;
using adpcm::kWeights;
using adpcm::Predict;

constexpr int kShifts = kAdpcmMaxShift + 1;
constexpr int kPairs = kAdpcmFilterCount * kShifts;
constexpr int kBlock = static_cast<int>(kAdpcmBlockSamples);
// Lanes come in whole vectors of eight; the last is filled with repeats.
constexpr int kVector = 8;
constexpr int kMaxLanes = (kPairs + kVector - 1) / kVector * kVector;

struct Pair {
  int filter = 0;
  int shift = 0;
};

// Filter-and-shift pairs to play side by side, laid out for the vectoriser.
struct Lanes {
  // A residual is (r + half) / step rounded down; as step is 2^(12 - shift),
  // that is (r + half) * 2^shift >> 12: a shift by the same count in every
  // lane, which every vector unit has (not all can shift lanes apart).
  alignas(32) std::array<int, kMaxLanes> w0{}, w1{}, scale{}, step{}, half{};
  std::array<Pair, kMaxLanes> pair{};
  int used = 0;   // real pairs
  int count = 0;  // lanes played: `used` rounded up to whole vectors

  void Add(Pair p) {
    const auto at = static_cast<std::size_t>(used++);
    pair[at] = p;
    w0[at] = kWeights[static_cast<std::size_t>(p.filter)][0];
    w1[at] = kWeights[static_cast<std::size_t>(p.filter)][1];
    scale[at] = 1 << p.shift;
    step[at] = 1 << (kAdpcmMaxShift - p.shift);
    half[at] = step[at] >> 1;
    count = used;
  }
  void Fill() {
    const int real = used;
    while (used % kVector != 0) Add(pair[0]);
    count = used;
    used = real;
  }
};

// Every pair, in the order a plain loop over filters and shifts takes them,
// so that ties go the same way.
const Lanes& AllPairs() {
  static const Lanes lanes = [] {
    Lanes l;
    for (int filter = 0; filter < kAdpcmFilterCount; ++filter) {
      for (int shift = 0; shift < kShifts; ++shift) l.Add({filter, shift});
    }
    l.Fill();
    return l;
  }();
  return lanes;
}

// Plays the block with each lane's pair, each residual chosen nearest to the
// input given what that lane decoded before, and sums the squared error of
// what a decoder plays.
template <AdpcmRounding R>
[[gnu::always_inline]] inline void PlayBody(const int* x, int s1, int s2, const Lanes& lanes,
                                            float* __restrict error) {
  alignas(32) std::array<int, kMaxLanes> h1, h2;
  const int count = lanes.count;
  for (int l = 0; l < count; ++l) {
    h1[l] = s1;
    h2[l] = s2;
    error[l] = 0;
  }
  for (int i = 0; i < kBlock; ++i) {
    const int xi = x[i];
    for (int l = 0; l < count; ++l) {
      const int p = Predict<R>(h1[l], h2[l], lanes.w0[l], lanes.w1[l]);
      int r = xi - p + lanes.half[l];
      if constexpr (R == AdpcmRounding::kTruncate) {
        // The peer's unclamped history can make r large enough to overflow
        // the product; beyond 2^18 the residual is clamped all the same.
        r = std::clamp(r, -(1 << 18), 1 << 18);
      }
      const int n = std::clamp((r * lanes.scale[l]) >> 12, -8, 7);
      int v = p + n * lanes.step[l];
      const int out = Clamp16(v);
      // Nearest ignores clipping: a step further toward a rail may clip onto
      // a sample nearer the input (what re-encoding a clipped block needs).
      // (Nearer the rail than `out` implies the input lies beyond `out`.)
      const int up = (n < 7) & (v + lanes.step[l] > 32767) & (32767 - xi < xi - out);
      const int down = (n > -8) & (v - lanes.step[l] < -32768) & (xi + 32768 < out - xi);
      v += (up - down) * lanes.step[l];
      // Summed as floats, which vectorise far better than 64-bit integers:
      // exact up to 2^24, and to a few parts in 10^7 beyond, which only
      // decides between pairs that practically tie.
      const auto d = static_cast<float>(xi - Clamp16(v));
      error[l] += d * d;
      h2[l] = h1[l];
      h1[l] = Keep<R>(v);
    }
  }
}

ZEMBRA_VECTOR_CLONES void PlayConsole(const int* x, int s1, int s2, const Lanes& lanes,
                                      float* error) {
  PlayBody<AdpcmRounding::kConsole>(x, s1, s2, lanes, error);
}

ZEMBRA_VECTOR_CLONES void PlayTruncate(const int* x, int s1, int s2, const Lanes& lanes,
                                       float* error) {
  PlayBody<AdpcmRounding::kTruncate>(x, s1, s2, lanes, error);
}

template <AdpcmRounding R>
void Play(const int* x, int s1, int s2, const Lanes& lanes, float* error) {
  if constexpr (R == AdpcmRounding::kConsole) {
    PlayConsole(x, s1, s2, lanes, error);
  } else {
    PlayTruncate(x, s1, s2, lanes, error);
  }
}

// One block encoded with one pair: what goes into the file and the history
// it leaves for the next block.
struct Trial {
  Pair pair;
  std::int64_t error = 0;
  int s1 = 0;
  int s2 = 0;
  std::array<std::uint8_t, kAdpcmBlockSamples> nibbles{};
};

// The chosen pair played again on its own, the same way, keeping the residuals.
template <AdpcmRounding R>
Trial Replay(const int* x, int s1, int s2, Pair pair) {
  Trial t;
  t.pair = pair;
  const int w0 = kWeights[static_cast<std::size_t>(pair.filter)][0];
  const int w1 = kWeights[static_cast<std::size_t>(pair.filter)][1];
  const int k = kAdpcmMaxShift - pair.shift;
  const int step = 1 << k;
  for (int i = 0; i < kBlock; ++i) {
    const int p = Predict<R>(s1, s2, w0, w1);
    int n = std::clamp((x[i] - p + (step >> 1)) >> k, -8, 7);
    int v = p + n * step;
    const int out = Clamp16(v);
    if (x[i] > out && n < 7 && v + step > 32767 && 32767 - x[i] < x[i] - out) {
      ++n;
      v += step;
    } else if (x[i] < out && n > -8 && v - step < -32768 && x[i] + 32768 < out - x[i]) {
      --n;
      v -= step;
    }
    const std::int64_t d = x[i] - Clamp16(v);
    t.error += d * d;
    t.nibbles[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n & 0x0F);
    s2 = s1;
    s1 = Keep<R>(v);
  }
  t.s1 = s1;
  t.s2 = s2;
  return t;
}

// The lanes with the least and second-least error; ties go to the earlier.
void TwoBest(const float* error, int used, int& first, int& second) {
  first = 0;
  second = -1;
  for (int l = 1; l < used; ++l) {
    if (error[l] < error[first]) {
      second = first;
      first = l;
    } else if (second < 0 || error[l] < error[second]) {
      second = l;
    }
  }
}

void LoadBlock(std::span<const std::int16_t> pcm, std::size_t block, int* x) {
  const std::size_t first = block * kAdpcmBlockSamples;
  for (std::size_t i = 0; i < kAdpcmBlockSamples; ++i) {
    x[i] = first + i < pcm.size() ? pcm[first + i] : 0;
  }
}

void StoreBlock(const Trial& t, std::uint8_t flags, std::uint8_t* out) {
  out[0] = static_cast<std::uint8_t>(t.pair.filter << 4 | t.pair.shift);
  out[1] = flags;
  for (std::size_t i = 0; i < kAdpcmBlockSamples; i += 2) {
    out[2 + i / 2] = static_cast<std::uint8_t>(t.nibbles[i] | t.nibbles[i + 1] << 4);
  }
}

std::uint8_t BlockFlags(std::size_t block, std::size_t blocks, bool loop) {
  std::uint8_t flags = 0;
  if (loop) {
    flags |= kAdpcmFlagLoop;
    if (block == 0) flags |= kAdpcmFlagLoopStart;
  }
  if (block + 1 == blocks) flags |= kAdpcmFlagEnd;
  return flags;
}

template <AdpcmRounding R>
std::vector<std::uint8_t> Encode(std::span<const std::int16_t> pcm,
                                 const AdpcmEncodeOptions& options) {
  const std::size_t blocks = (pcm.size() + kAdpcmBlockSamples - 1) / kAdpcmBlockSamples;
  std::vector<std::uint8_t> out(blocks * kAdpcmBlockBytes);
  const Lanes& all = AllPairs();
  // The errors of every pair on this block, and on the next block after each
  // of the two candidates; the chosen one's become the next block's errors.
  alignas(32) std::array<float, kMaxLanes> error, after_first, after_second;
  std::array<int, kAdpcmBlockSamples> x{}, next{};
  bool known = false;  // `error` already holds this block's errors
  int s1 = 0, s2 = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    LoadBlock(pcm, b, x.data());
    if (!known) Play<R>(x.data(), s1, s2, all, error.data());
    known = false;
    int first = 0, second = 0;
    TwoBest(error.data(), all.used, first, second);
    Trial t = Replay<R>(x.data(), s1, s2, all.pair[static_cast<std::size_t>(first)]);
    // Nothing beats a block played exactly (silence, or a re-encoded sample),
    // and a runner-up more than an eighth worse seldom makes it up later.
    if (options.search == AdpcmSearch::kLookahead && b + 1 < blocks && t.error > 0 &&
        error[second] - error[first] <= error[first] / 8) {
      LoadBlock(pcm, b + 1, next.data());
      Trial other = Replay<R>(x.data(), s1, s2, all.pair[static_cast<std::size_t>(second)]);
      Play<R>(next.data(), t.s1, t.s2, all, after_first.data());
      Play<R>(next.data(), other.s1, other.s2, all, after_second.data());
      const float least_first =
          *std::min_element(after_first.data(), after_first.data() + all.used);
      const float least_second =
          *std::min_element(after_second.data(), after_second.data() + all.used);
      const bool switch_to_second = error[second] + least_second < error[first] + least_first;
      if (switch_to_second) t = other;
      error = switch_to_second ? after_second : after_first;
      known = true;
    }
    StoreBlock(t, BlockFlags(b, blocks, options.loop), out.data() + b * kAdpcmBlockBytes);
    s1 = t.s1;
    s2 = t.s2;
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeAdpcm(std::span<const std::int16_t> pcm,
                                      const AdpcmEncodeOptions& options) {
  if (options.rounding == AdpcmRounding::kConsole) {
    return Encode<AdpcmRounding::kConsole>(pcm, options);
  }
  return Encode<AdpcmRounding::kTruncate>(pcm, options);
}

}  // namespace zembra
