#include "cli/plugin_calls.h"

#include "platform/os_error.h"
#include "runtime/plugin_binding.h"

namespace zembra::cli {

Status BindPlugin() {
  return _InitPluginEntrypoints();
}

CompressFunction PluginCompress() {
  return CompressBytes;
}

Result<DecompressFunction> BindDecompress() {
  if (Status bound = BindPlugin(); !bound) return bound.error();
  if (!DecompressBound()) {
    return FileError("use the plug-in", DefaultPluginPath(),
                     "it does not register DecompressZLibKRO");
  }
  return DecompressFunction(DecompressBytes);
}

}  // namespace zembra::cli
