#include "plugin/host_callbacks.h"

#include <memory>
#include <vector>

namespace zembra::plugin {

REALresolver gResolver = nullptr;

namespace {

template <typename Fn>
Fn Resolve(Fn& cache, const char* name) {
  if (cache == nullptr && gResolver != nullptr) cache = reinterpret_cast<Fn>(gResolver(name));
  return cache;
}

PluginRegisterClassProc registerClassCallback = nullptr;
PluginRegisterMethodProc registerMethodCallback = nullptr;
REALGetRBVersionProc getVersionCallback = nullptr;
REALBuildStringProc buildStringCallback = nullptr;
REALSetStringEncodingProc setEncodingCallback = nullptr;
REALUnlockStringProc unlockStringCallback = nullptr;
REALpathFromFolderItemProc pathCallback = nullptr;
REALMemoryBlockGetPtrProc blockPtrCallback = nullptr;
REALMemoryBlockGetSizeProc blockSizeCallback = nullptr;

// Three-word method tables made for older hosts. The host may use them for
// as long as the library stays loaded, so they go only with the library.
std::vector<std::unique_ptr<REALmethodDefinitionOld[]>>& OldMethodTables() {
  static std::vector<std::unique_ptr<REALmethodDefinitionOld[]>> tables;
  return tables;
}

}  // namespace

void REALRegisterClass(REALclassDefinition* definition) {
  PluginRegisterClassProc registerClass = Resolve(registerClassCallback, "PluginRegisterClass");
  REALGetRBVersionProc getVersion = Resolve(getVersionCallback, "REALGetRBVersion");
  if (getVersion == nullptr || getVersion() < kREALFourWordMethodsSince) {
    const auto* methods = static_cast<const REALmethodDefinition*>(definition->methods);
    auto old = std::make_unique<REALmethodDefinitionOld[]>(definition->methodCount);
    for (uint32_t i = 0; i < definition->methodCount; ++i) {
      old[i] = {methods[i].function, methods[i].setterFunction, methods[i].declaration};
    }
    definition->methods = old.get();
    OldMethodTables().push_back(std::move(old));
  }
  if (registerClass != nullptr) registerClass(definition);
}

void REALRegisterMethod(REALmethodDefinition* definition) {
  PluginRegisterMethodProc registerMethod = Resolve(registerMethodCallback, "PluginRegisterMethod");
  if (registerMethod != nullptr) registerMethod(definition);
}

double REALGetRBVersion() {
  REALGetRBVersionProc getVersion = Resolve(getVersionCallback, "REALGetRBVersion");
  return getVersion != nullptr ? getVersion() : 0.0;
}

REALstring originalREALBuildString(const char* bytes, size_t length) {
  REALBuildStringProc build = Resolve(buildStringCallback, "REALBuildString");
  return build != nullptr ? build(bytes, length) : nullptr;
}

void REALSetStringEncoding(REALstring str, uint32_t encoding) {
  REALSetStringEncodingProc setEncoding = Resolve(setEncodingCallback, "REALSetStringEncoding");
  if (setEncoding != nullptr) setEncoding(str, encoding);
}

void REALUnlockString(REALstring str) {
  REALUnlockStringProc unlock = Resolve(unlockStringCallback, "REALUnlockString");
  if (unlock != nullptr) unlock(str);
}

REALstring REALpathFromFolderItem(REALfolderItem item) {
  REALpathFromFolderItemProc path = Resolve(pathCallback, "REALpathFromFolderItem");
  return path != nullptr ? path(item) : nullptr;
}

void* REALMemoryBlockGetPtr(REALmemoryBlock block) {
  REALMemoryBlockGetPtrProc getPtr = Resolve(blockPtrCallback, "memoryBlockGetPtr");
  return getPtr != nullptr ? getPtr(block) : nullptr;
}

size_t REALMemoryBlockGetSize(REALmemoryBlock block) {
  REALMemoryBlockGetSizeProc getSize = Resolve(blockSizeCallback, "REALMemoryBlockGetSize");
  return getSize != nullptr ? getSize(block) : 0;
}

REALstring REALBuildUnicodeString(const void* bytes, size_t length, uint32_t encoding) {
  if (bytes == nullptr || length == 0) return nullptr;
  REALstring str = originalREALBuildString(static_cast<const char*>(bytes), length);
  if (str == nullptr) return nullptr;
  REALSetStringEncoding(str, encoding);
  return str;
}

}  // namespace zembra::plugin
