#include "runtime/plugin_binding.h"

#include <memory>
#include <system_error>

#include "platform/os_error.h"
#include "runtime/plugin_host.h"

namespace zembra {
namespace {

constexpr const char* kPluginFileName = "compressplugin.so";

// The application's entry-point table; slot 0 is CompressZLibKRO.
REALproc* gEntrypoints = nullptr;

using CompressProc = REALstring (*)(REALstring, RBInteger);
using DecompressProc = REALstring (*)(REALstring, RBInteger);

std::filesystem::path ProgramFolder() {
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path(error) : program.parent_path();
}

}  // namespace

std::filesystem::path DefaultPluginPath() {
  const std::filesystem::path folder = ProgramFolder();
  std::error_code error;
  if (std::filesystem::exists(folder / kPluginFileName, error)) return folder / kPluginFileName;
  return (folder / ZEMBRA_PLUGIN_FROM_PROGRAM / kPluginFileName).lexically_normal();
}

Status _InitPluginEntrypoints(const std::filesystem::path& plugin) {
  const std::filesystem::path path = plugin.empty() ? DefaultPluginPath() : plugin;
  if (Status loaded = LoadPlugin(path); !loaded) return loaded;
  REALproc compress = RuntimeLookupPluginEntrypoint(kCompressDeclaration);
  if (compress == nullptr) {
    return FileError("use the plug-in", path,
                     std::string("it does not provide ") + kCompressDeclaration);
  }
  if (gEntrypoints == nullptr) gEntrypoints = RuntimeAllocatePluginEntrypointsTable(1);
  gEntrypoints[0] = compress;
  return Ok();
}

bool PluginEntrypointsBound() {
  return gEntrypoints != nullptr && gEntrypoints[0] != nullptr;
}

HostString CompressZLibKRO(const HostString& buf, RBInteger level) {
  if (!PluginEntrypointsBound()) return {};
  HostString held = buf;  // our own reference for the length of the call
  return HostString::Adopt(reinterpret_cast<CompressProc>(gEntrypoints[0])(held.get(), level));
}

SharedBytes CompressBytes(std::string_view bytes, int level) {
  if (!PluginEntrypointsBound()) return {};
  const BorrowedHostString buf(bytes);
  if (buf.get() == nullptr) return {};
  auto packed = std::make_shared<const HostString>(
      HostString::Adopt(reinterpret_cast<CompressProc>(gEntrypoints[0])(buf.get(), level)));
  return SharedBytes(packed->bytes(), packed);
}

bool DecompressBound() {
  return RuntimeLookupPluginEntrypoint(kDecompressDeclaration) != nullptr;
}

std::string DecompressBytes(std::string_view packed, std::int32_t size) {
  REALproc entry = RuntimeLookupPluginEntrypoint(kDecompressDeclaration);
  if (entry == nullptr) return {};
  const BorrowedHostString in(packed);
  if (in.get() == nullptr) return {};
  return HostString::Adopt(reinterpret_cast<DecompressProc>(entry)(in.get(), size)).str();
}

}  // namespace zembra
