#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zembra::test {

// Sounds the codec's tests and zembra-bench make themselves: 16-bit mono,
// the same on every run and machine.
using Pcm = std::vector<std::int16_t>;

// A sine gliding from 40 Hz to 16 kHz (or just below half the rate).
Pcm SineSweep(std::uint32_t rate, double seconds);
// Three plucked strings (a minor chord), struck one after another.
Pcm PluckedChord(std::uint32_t rate, double seconds);
// Bursts of white noise with sharp attacks, and silence between them.
Pcm NoiseBursts(std::uint32_t rate, double seconds);
// A buzzing pitch glide through three moving resonances, like a voice.
Pcm FormantVoice(std::uint32_t rate, double seconds);

struct NamedSignal {
  std::string name;
  Pcm pcm;
};
std::vector<NamedSignal> AllSignals(std::uint32_t rate, double seconds);

// Signal-to-noise ratio in dB of `decoded` against `reference`, over the
// reference's length (the decoded sound may be longer by its padding).
double SnrDb(std::span<const std::int16_t> reference, std::span<const std::int16_t> decoded);

// The plain yardstick for the encoder: every block on its own, every one of
// the 5 x 13 filter and shift pairs played out in full with the console's
// rounding, each residual the nearest, the closest pair kept. No pruning, no
// look-ahead. Returns the ADPCM blocks (no flags).
std::vector<std::uint8_t> ExhaustiveGreedyEncode(std::span<const std::int16_t> pcm);

}  // namespace zembra::test
