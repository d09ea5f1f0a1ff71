#include "fuzz/plugin_call.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/host_string.h"
#include "runtime/plugin_host.h"

namespace zembra::fuzz {

std::string Decompress(std::string_view packed, std::int32_t size) {
  using Proc = REALstring (*)(REALstring, RBInteger);
  static const Proc decompress = [] {
    if (Status loaded = LoadPlugin(ZEMBRA_FUZZ_PLUGIN); !loaded) {
      std::fprintf(stderr, "%s\n", loaded.error().message.c_str());
      std::abort();
    }
    REALproc entry =
        RuntimeLookupPluginEntrypoint("DecompressZLibKRO(buf as string,size as integer) as string");
    if (entry == nullptr) std::abort();
    return reinterpret_cast<Proc>(entry);
  }();
  const HostString in(packed);
  return HostString::Adopt(decompress(in.get(), size)).str();
}

}  // namespace zembra::fuzz
