#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace zembra::test {

// One ADPCM block: filter, shift, flags and the 28 residuals (-8 to 7), the
// unlisted ones 0.
inline std::vector<std::uint8_t> AdpcmBlock(int filter, int shift, std::uint8_t flags,
                                            std::initializer_list<int> residuals = {}) {
  std::vector<std::uint8_t> block(16, 0);
  block[0] = static_cast<std::uint8_t>(filter << 4 | shift);
  block[1] = flags;
  int i = 0;
  for (int n : residuals) {
    block[2 + i / 2] |= static_cast<std::uint8_t>((n & 0x0F) << (4 * (i % 2)));
    ++i;
  }
  return block;
}

inline std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> blocks) {
  std::vector<std::uint8_t> out;
  for (const auto& b : blocks) out.insert(out.end(), b.begin(), b.end());
  return out;
}

}  // namespace zembra::test
