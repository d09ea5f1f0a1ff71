// DecompressZLibKRO, called by its declaration through the host runtime. The
// input's first four bytes are the expected size (little-endian, any sign);
// the rest is the packed data. The result never exceeds size + 1024 bytes.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/load_plugin.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::uint32_t raw = 0;
  for (int i = 0; i < 4; ++i) raw |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  // Sizes up to 1 MiB, negative ones, and ones so large that size + 1024
  // overflows; other large sizes would only make every run allocate.
  std::int32_t expected = static_cast<std::int32_t>(raw % (1u << 20));
  if (raw >> 28 == 0xF) {
    expected = INT32_MAX - static_cast<std::int32_t>(raw & 0x3FF);
  } else if (raw >> 28 == 0xE) {
    expected = INT32_MIN + static_cast<std::int32_t>(raw & 0xFFFF);
  } else if (raw >> 31 != 0) {
    expected = -static_cast<std::int32_t>(raw & 0xFFFF) - 1;
  }
  const std::string_view packed(reinterpret_cast<const char*>(data + 4), size - 4);
  const std::string out = zembra::fuzz::Decompress(packed, expected);
  if (expected < 0 && !out.empty()) std::abort();
  if (expected >= 0 && out.size() > static_cast<std::size_t>(expected) + 1024) std::abort();
  return 0;
}
