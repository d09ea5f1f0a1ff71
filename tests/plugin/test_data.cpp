#include <cstdint>
#include <string>

#include "tests/plugin/plugin_fixture.h"

namespace zembra::test {

std::string NoiseBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

std::string PatternBytes(size_t size) {
  static constexpr std::string_view kText = "VAGp song track page BIFF 0123456789 ";
  std::string bytes;
  bytes.reserve(size);
  for (size_t i = 0; bytes.size() < size; ++i) {
    bytes += kText.substr(0, std::min(kText.size(), size - bytes.size()));
    if (i % 7 == 0 && bytes.size() < size) bytes += static_cast<char>(i & 0xFF);
  }
  return bytes;
}

}  // namespace zembra::test
