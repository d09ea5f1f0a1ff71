#include "tests/support/signals.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zembra::test {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A small generator of our own: the standard distributions differ between
// libraries, and the figures must not.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed) {}
  double Next() {  // uniform in [-1, 1)
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) / 4503599627370496.0 - 1.0;
  }

 private:
  std::uint64_t state_;
};

std::size_t Frames(std::uint32_t rate, double seconds) {
  return static_cast<std::size_t>(rate * seconds);
}

Pcm ToPcm(const std::vector<double>& x, double peak) {
  double largest = 1e-9;
  for (double v : x) largest = std::max(largest, std::abs(v));
  Pcm pcm(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    pcm[i] = static_cast<std::int16_t>(std::lround(x[i] / largest * peak * 32767));
  }
  return pcm;
}

// A two-pole resonator, the building block of the voice.
struct Resonator {
  double a1 = 0, a2 = 0, y1 = 0, y2 = 0;
  void Tune(double frequency, double bandwidth, double rate) {
    const double r = std::exp(-std::numbers::pi * bandwidth / rate);
    a1 = 2 * r * std::cos(kTwoPi * frequency / rate);
    a2 = -r * r;
  }
  double Step(double x) {
    const double y = x + a1 * y1 + a2 * y2;
    y2 = y1;
    y1 = y;
    return y;
  }
};

}  // namespace

Pcm SineSweep(std::uint32_t rate, double seconds) {
  const std::size_t n = Frames(rate, seconds);
  const double low = 40, high = std::min(16000.0, rate * 0.45);
  std::vector<double> x(n);
  double phase = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double f = low * std::pow(high / low, static_cast<double>(i) / n);
    phase += kTwoPi * f / rate;
    x[i] = std::sin(phase);
  }
  return ToPcm(x, 0.8);
}

Pcm PluckedChord(std::uint32_t rate, double seconds) {
  const std::size_t n = Frames(rate, seconds);
  std::vector<double> x(n, 0.0);
  Noise noise(7);
  const double notes[] = {220.0, 261.63, 329.63};
  for (std::size_t k = 0; k < 3; ++k) {
    // Karplus-Strong: a noise burst circulating in a damped delay line.
    const auto period = static_cast<std::size_t>(rate / notes[k]);
    std::vector<double> line(period);
    for (double& v : line) v = noise.Next();
    const std::size_t start = n * k / 6;
    for (std::size_t i = start, at = 0; i < n; ++i, at = (at + 1) % period) {
      const double next = line[(at + 1) % period];
      x[i] += line[at];
      line[at] = 0.996 * 0.5 * (line[at] + next);
    }
  }
  return ToPcm(x, 0.9);
}

Pcm NoiseBursts(std::uint32_t rate, double seconds) {
  const std::size_t n = Frames(rate, seconds);
  std::vector<double> x(n, 0.0);
  Noise noise(11);
  const std::size_t burst = rate / 8;
  for (std::size_t start = rate / 20; start < n; start += burst * 2) {
    for (std::size_t i = 0; i < burst && start + i < n; ++i) {
      x[start + i] = noise.Next() * std::exp(-6.0 * static_cast<double>(i) / burst);
    }
  }
  return ToPcm(x, 0.7);
}

Pcm FormantVoice(std::uint32_t rate, double seconds) {
  const std::size_t n = Frames(rate, seconds);
  std::vector<double> x(n);
  Resonator formants[3];
  double phase = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double pitch = 110 + 30 * std::sin(kTwoPi * 0.7 * t);
    phase += pitch / rate;
    // A glottal-like pulse: a short decaying click once a period.
    const double frac = phase - std::floor(phase);
    const double source = frac < 0.1 ? 1.0 - frac * 10 : 0.0;
    const double vowel = 0.5 + 0.5 * std::sin(kTwoPi * 1.3 * t);
    if (i % 64 == 0) {
      formants[0].Tune(300 + 500 * vowel, 80, rate);
      formants[1].Tune(2200 - 1200 * vowel, 120, rate);
      formants[2].Tune(2800, 160, rate);
    }
    double y = 0;
    for (Resonator& r : formants) y += r.Step(source);
    x[i] = y;
  }
  return ToPcm(x, 0.8);
}

std::vector<NamedSignal> AllSignals(std::uint32_t rate, double seconds) {
  return {{"sine sweep", SineSweep(rate, seconds)},
          {"plucked chord", PluckedChord(rate, seconds)},
          {"noise bursts", NoiseBursts(rate, seconds)},
          {"formant voice", FormantVoice(rate, seconds)}};
}

double SnrDb(std::span<const std::int16_t> reference, std::span<const std::int16_t> decoded) {
  double signal = 0, noise = 0;
  for (std::size_t i = 0; i < reference.size(); ++i) {
    const double r = reference[i];
    const double d = i < decoded.size() ? decoded[i] : 0.0;
    signal += r * r;
    noise += (r - d) * (r - d);
  }
  if (noise == 0) return 200.0;
  return 10 * std::log10(signal / noise);
}

std::vector<std::uint8_t> ExhaustiveGreedyEncode(std::span<const std::int16_t> pcm) {
  static constexpr int kWeights[5][2] = {{0, 0}, {60, 0}, {115, -52}, {98, -55}, {122, -60}};
  const std::size_t blocks = (pcm.size() + 27) / 28;
  std::vector<std::uint8_t> out(blocks * 16, 0);
  int s1 = 0, s2 = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    int x[28];
    for (std::size_t i = 0; i < 28; ++i) x[i] = b * 28 + i < pcm.size() ? pcm[b * 28 + i] : 0;
    double best = -1;
    int best_nibbles[28] = {}, best_s1 = 0, best_s2 = 0;
    for (int f = 0; f < 5; ++f) {
      for (int shift = 0; shift <= 12; ++shift) {
        const double step = std::ldexp(1.0, 12 - shift);
        int h1 = s1, h2 = s2, nibbles[28];
        double error = 0;
        for (int i = 0; i < 28; ++i) {
          const int p = (h1 * kWeights[f][0] + h2 * kWeights[f][1] + 32) >> 6;
          const int n =
              static_cast<int>(std::clamp(std::floor((x[i] - p) / step + 0.5), -8.0, 7.0));
          const int v = std::clamp(p + n * static_cast<int>(step), -32768, 32767);
          error += static_cast<double>(x[i] - v) * (x[i] - v);
          nibbles[i] = n;
          h2 = h1;
          h1 = v;
        }
        if (best < 0 || error < best) {
          best = error;
          std::copy(nibbles, nibbles + 28, best_nibbles);
          best_s1 = h1;
          best_s2 = h2;
          out[b * 16] = static_cast<std::uint8_t>(f << 4 | shift);
        }
      }
    }
    for (int i = 0; i < 28; ++i) {
      out[b * 16 + 2 + static_cast<std::size_t>(i / 2)] |=
          static_cast<std::uint8_t>((best_nibbles[i] & 0x0F) << (4 * (i % 2)));
    }
    s1 = best_s1;
    s2 = best_s2;
  }
  return out;
}

}  // namespace zembra::test
