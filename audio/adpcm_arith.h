#pragma once

// The per-sample arithmetic the decoder and the encoder's search share, so
// that what the search measures is exactly what a decoder plays.

#include <algorithm>
#include <array>
#include <cstdint>

#include "audio/adpcm.h"

namespace zembra::adpcm {

// The prediction weights in 64ths: s1 * first + s2 * second. Filters 5-15
// predict nothing.
inline constexpr std::array<std::array<int, 2>, 16> kWeights = {{
    {0, 0},
    {60, 0},
    {115, -52},
    {98, -55},
    {122, -60},
}};

// kTruncate keeps the unclamped sum as history. Real files stay far inside
// this bound; it only keeps hostile ones from overflowing.
inline constexpr int kHistoryLimit = 1 << 20;

inline int Clamp16(int v) {
  return std::clamp(v, -32768, 32767);
}

template <AdpcmRounding R>
inline int Predict(int s1, int s2, int w0, int w1) {
  const int sum = s1 * w0 + s2 * w1;
  if constexpr (R == AdpcmRounding::kConsole) {
    return (sum + 32) >> 6;  // arithmetic shift: rounds to nearest, halves up
  } else {
    return sum / 64;  // truncates toward zero
  }
}

// What the history keeps of a decoded sum `v`.
template <AdpcmRounding R>
inline int Keep(int v) {
  if constexpr (R == AdpcmRounding::kConsole) {
    return Clamp16(v);
  } else {
    return std::clamp(v, -kHistoryLimit, kHistoryLimit);
  }
}

// The size of one residual step for a block's shift: a residual n adds
// n * 2^(12 - shift) for shifts up to 12.
template <AdpcmRounding R>
inline int EffectiveShift(int shift) {
  if constexpr (R == AdpcmRounding::kConsole) {
    return shift > kAdpcmMaxShift ? 9 : shift;
  } else {
    return shift;
  }
}

// The residual a nibble stands for, (n << 12) >> shift with n signed.
inline int Residual(int nibble, int shift) {
  const int n = nibble >= 8 ? nibble - 16 : nibble;
  return (n * 4096) >> shift;
}

}  // namespace zembra::adpcm
