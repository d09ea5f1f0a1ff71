#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/result.h"
#include "platform/shared_bytes.h"
#include "runtime/host_string.h"
#include "runtime/plugin_interface.h"

namespace zembra {

// The declaration under which the plug-in registers its compression method.
inline constexpr const char* kCompressDeclaration =
    "CompressZLibKRO(buf as string,level as integer) as string";

// The declaration of the plug-in's inflating counterpart, used by the tools
// that read archives.
inline constexpr const char* kDecompressDeclaration =
    "DecompressZLibKRO(buf as string,size as integer) as string";

// Where the program finds its plug-in: next to the program itself (the build
// tree), else in the installed layout's library folder.
std::filesystem::path DefaultPluginPath();

// Loads the plug-in through the host runtime and binds CompressZLibKRO to
// slot 0 of the application's entry-point table. Fails, naming the plug-in
// and the reason, when it cannot be loaded or does not register the method.
// An empty `plugin` means DefaultPluginPath().
Status _InitPluginEntrypoints(const std::filesystem::path& plugin = {});

// Whether slot 0 is bound.
bool PluginEntrypointsBound();

// The plug-in's compression of `buf` at `level`: one zlib stream, or an
// absent string on failure or while nothing is bound.
HostString CompressZLibKRO(const HostString& buf, RBInteger level);

// The same on plain bytes, for the archive writer: empty on failure. The
// plug-in reads `bytes` where they are and its result is handed on as it is,
// so a song is never copied on its way through.
SharedBytes CompressBytes(std::string_view bytes, int level);

// Whether a loaded plug-in registers DecompressZLibKRO.
bool DecompressBound();

// The loaded plug-in's DecompressZLibKRO on plain bytes: `packed` inflated,
// expected to hold `size` bytes; "" on failure or while no plug-in offers it.
std::string DecompressBytes(std::string_view packed, std::int32_t size);

}  // namespace zembra
