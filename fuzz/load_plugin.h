#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/plugin_binding.h"
#include "runtime/plugin_host.h"

namespace zembra::fuzz {

// DecompressZLibKRO of the plug-in under test, loaded on first use through the
// host runtime exactly as the programs load it; aborts if it cannot be.
inline std::string Decompress(std::string_view packed, std::int32_t size) {
  static const bool loaded = [] {
    if (Status status = LoadPlugin(ZEMBRA_FUZZ_PLUGIN); !status) {
      std::fprintf(stderr, "%s\n", status.error().message.c_str());
      std::abort();
    }
    if (!DecompressBound()) std::abort();
    return true;
  }();
  (void)loaded;
  return DecompressBytes(packed, size);
}

}  // namespace zembra::fuzz
