#include "cli/plugin_calls.h"

#include "app/plugin_binding.h"
#include "platform/os_error.h"
#include "runtime/host_string.h"
#include "runtime/plugin_host.h"

namespace zembra::cli {

namespace {
constexpr const char* kDecompressDeclaration =
    "DecompressZLibKRO(buf as string,size as integer) as string";
}  // namespace

Status BindPlugin() {
  return _InitPluginEntrypoints();
}

CompressFunction PluginCompress() {
  return CompressBytes;
}

Result<DecompressFunction> BindDecompress() {
  if (Status bound = BindPlugin(); !bound) return bound.error();
  REALproc entry = RuntimeLookupPluginEntrypoint(kDecompressDeclaration);
  if (entry == nullptr) {
    return FileError("use the plug-in", DefaultPluginPath(),
                     "it does not register DecompressZLibKRO");
  }
  using Decompress = REALstring (*)(REALstring, RBInteger);
  const auto decompress = reinterpret_cast<Decompress>(entry);
  return DecompressFunction([decompress](std::string_view packed, std::int32_t size) {
    const HostString in(packed);
    return HostString::Adopt(decompress(in.get(), size)).str();
  });
}

}  // namespace zembra::cli
