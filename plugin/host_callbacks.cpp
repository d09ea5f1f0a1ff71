#include "plugin/host_callbacks.h"

#include <new>

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

// Three-word method tables made for older hosts, chained so that nothing but
// the table itself is allocated. The host may use them for as long as the
// library stays loaded, so they go only with the library.
struct OldMethodTable {
  OldMethodTable* next;
  REALmethodDefinitionOld* methods;
};

struct OldMethodTables {
  OldMethodTable* first = nullptr;
  ~OldMethodTables() {
    while (first != nullptr) {
      OldMethodTable* next = first->next;
      delete[] first->methods;
      delete first;
      first = next;
    }
  }
} oldMethodTables;

// `definition`'s methods as a three-word table that lives with the library;
// false when there is no memory for it.
bool ConvertToOldMethods(REALclassDefinition* definition) {
  const auto* methods = static_cast<const REALmethodDefinition*>(definition->methods);
  auto* table = new (std::nothrow) OldMethodTable{oldMethodTables.first, nullptr};
  if (table == nullptr) return false;
  const uint32_t count = definition->methodCount;
  table->methods = new (std::nothrow) REALmethodDefinitionOld[count == 0 ? 1 : count];
  if (table->methods == nullptr) {
    delete table;
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) {
    table->methods[i] = {methods[i].function, methods[i].setterFunction, methods[i].declaration};
  }
  definition->methods = table->methods;
  oldMethodTables.first = table;
  return true;
}

}  // namespace

void REALRegisterClass(REALclassDefinition* definition) {
  PluginRegisterClassProc registerClass = Resolve(registerClassCallback, "PluginRegisterClass");
  REALGetRBVersionProc getVersion = Resolve(getVersionCallback, "REALGetRBVersion");
  if (getVersion == nullptr || getVersion() < kREALFourWordMethodsSince) {
    // The host would misread the four-word table, so without the old form
    // the class stays unregistered.
    if (!ConvertToOldMethods(definition)) return;
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

bool REALMemoryBlockGetSize(REALmemoryBlock block, size_t* size) {
  REALMemoryBlockGetSizeProc getSize = Resolve(blockSizeCallback, "REALMemoryBlockGetSize");
  if (getSize == nullptr) return false;
  *size = getSize(block);
  return true;
}

REALstring REALBuildUnicodeString(const void* bytes, size_t length, uint32_t encoding) {
  if (bytes == nullptr || length == 0) return nullptr;
  REALstring str = originalREALBuildString(static_cast<const char*>(bytes), length);
  if (str == nullptr) return nullptr;
  REALSetStringEncoding(str, encoding);
  return str;
}

}  // namespace zembra::plugin
