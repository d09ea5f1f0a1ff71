#include "runtime/plugin_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/os_error.h"
#include "runtime/host_instance.h"
#include "runtime/host_objects.h"
#include "runtime/host_string.h"

namespace zembra {
namespace {

struct HostState {
  HostOptions options;
  std::vector<void*> libraries;
  std::vector<std::unique_ptr<HostClass>> classes;
  std::vector<REALmethodDefinition> globalMethods;
  std::vector<HostRegistration> registrations;
  std::vector<std::pair<std::unique_ptr<REALproc[]>, uint32_t>> entrypointTables;
  std::map<std::string, int, std::less<>> queries;
};

HostState& State() {
  static HostState state;
  return state;
}

bool ReadsThreeWordMethods() {
  const auto& version = State().options.version;
  return !version.has_value() || *version < kREALFourWordMethodsSince;
}

void RegisterPluginVersion(int32_t version) {
  HostRegistration entry{HostRegistration::Kind::kPluginVersion};
  entry.pluginVersion = version;
  State().registrations.push_back(entry);
}

void RegisterClass(REALclassDefinition* definition) {
  if (definition == nullptr || definition->name == nullptr) return;
  auto hostClass = std::make_unique<HostClass>();
  hostClass->definition = definition;
  definition->forSystemUse = kHostInstanceDataOffset;
  hostClass->threeWordMethods = ReadsThreeWordMethods();
  if (definition->methods != nullptr) {
    for (uint32_t i = 0; i < definition->methodCount; ++i) {
      if (hostClass->threeWordMethods) {
        const auto& old = static_cast<const REALmethodDefinitionOld*>(definition->methods)[i];
        hostClass->methods.push_back({old.function, old.setterFunction, old.declaration, 0});
      } else {
        hostClass->methods.push_back(
            static_cast<const REALmethodDefinition*>(definition->methods)[i]);
      }
    }
  }
  HostRegistration entry{HostRegistration::Kind::kClass};
  entry.hostClass = hostClass.get();
  State().classes.push_back(std::move(hostClass));
  State().registrations.push_back(entry);
}

void RegisterMethod(REALmethodDefinition* definition) {
  if (definition == nullptr || definition->declaration == nullptr) return;
  State().globalMethods.push_back(*definition);
  HostRegistration entry{HostRegistration::Kind::kMethod};
  entry.method = *definition;
  State().registrations.push_back(entry);
}

double HostVersion() {
  return State().options.version.value_or(0.0);
}

template <typename Fn>
void* Address(Fn* fn) {
  return reinterpret_cast<void*>(fn);
}

// dlerror() leads with the file name, which our message names already.
std::string LoaderReason(const std::filesystem::path& path) {
  const char* text = dlerror();
  std::string reason = text != nullptr ? text : "unknown loader error";
  const std::string prefix = path.string() + ": ";
  if (reason.compare(0, prefix.size(), prefix) == 0) reason.erase(0, prefix.size());
  return reason;
}

}  // namespace

void ConfigureHost(HostOptions options) {
  State().options = std::move(options);
}

void* HostResolve(const char* name) {
  if (name == nullptr) return nullptr;
  HostState& state = State();
  ++state.queries[name];
  if (state.options.withheld.count(std::string_view(name)) != 0) return nullptr;
  static const std::map<std::string_view, void*> callbacks = {
      {"RegisterPluginVersion", Address(&RegisterPluginVersion)},
      {"PluginRegisterClass", Address(&RegisterClass)},
      {"PluginRegisterMethod", Address(&RegisterMethod)},
      {"REALGetRBVersion", Address(&HostVersion)},
      {"REALBuildString", Address(&HostBuildString)},
      {"REALSetStringEncoding", Address(&HostSetStringEncoding)},
      {"REALLockString", Address(&HostLockString)},
      {"REALUnlockString", Address(&HostUnlockString)},
      {"REALpathFromFolderItem", Address(&HostPathFromFolderItem)},
      {"memoryBlockGetPtr", Address(&HostMemoryBlockGetPtr)},
      {"REALMemoryBlockGetSize", Address(&HostMemoryBlockGetSize)},
  };
  if (std::string_view(name) == "REALGetRBVersion" && !state.options.version) return nullptr;
  auto found = callbacks.find(name);
  return found != callbacks.end() ? found->second : nullptr;
}

Status LoadPlugin(const std::filesystem::path& path) {
  // An absolute name, so that dlopen never searches the library path for it.
  std::error_code error;
  const std::filesystem::path file = std::filesystem::absolute(path, error);
  void* library = error ? nullptr : dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (error) return FileError("load the plug-in", path, error.value());
  if (library == nullptr) return FileError("load the plug-in", path, LoaderReason(file));
  HostState& state = State();
  if (std::find(state.libraries.begin(), state.libraries.end(), library) != state.libraries.end()) {
    dlclose(library);  // drops the reference this call added
    return Ok();
  }
  auto main = reinterpret_cast<REALPluginMainProc>(dlsym(library, "REALPluginMain"));
  if (main == nullptr) {
    dlclose(library);
    return FileError("load the plug-in", path, "it has no REALPluginMain entry point");
  }
  state.libraries.push_back(library);
  main(&HostResolve);
  return Ok();
}

void UnloadPlugins() {
  HostState& state = State();
  state.classes.clear();
  state.globalMethods.clear();
  state.registrations.clear();
  // The tables stay (the application holds them), but the code their slots
  // pointed at is gone.
  for (auto& [table, count] : state.entrypointTables) std::fill_n(table.get(), count, nullptr);
  state.queries.clear();
  for (auto it = state.libraries.rbegin(); it != state.libraries.rend(); ++it) dlclose(*it);
  state.libraries.clear();
}

const std::vector<HostRegistration>& HostRegistrations() {
  return State().registrations;
}

int HostResolverQueries(std::string_view name) {
  const auto& queries = State().queries;
  auto found = queries.find(name);
  return found != queries.end() ? found->second : 0;
}

const HostClass* FindHostClass(std::string_view name) {
  for (const auto& hostClass : State().classes) {
    if (name == hostClass->definition->name) return hostClass.get();
  }
  return nullptr;
}

REALproc FindClassMethod(const HostClass& hostClass, std::string_view declaration) {
  for (const auto& method : hostClass.methods) {
    if (method.declaration != nullptr && declaration == method.declaration) return method.function;
  }
  return nullptr;
}

const REALproperty* FindClassProperty(const HostClass& hostClass, std::string_view name) {
  const REALclassDefinition* definition = hostClass.definition;
  if (definition->properties == nullptr) return nullptr;
  for (uint32_t i = 0; i < definition->propertyCount; ++i) {
    const REALproperty& property = definition->properties[i];
    if (property.name != nullptr && name == property.name) return &property;
  }
  return nullptr;
}

}  // namespace zembra

REALproc* RuntimeAllocatePluginEntrypointsTable(uint32_t count) {
  auto& tables = zembra::State().entrypointTables;
  tables.emplace_back(std::make_unique<REALproc[]>(count == 0 ? 1 : count), count);
  return tables.back().first.get();
}

REALproc RuntimeLookupPluginEntrypoint(const char* declaration) {
  if (declaration == nullptr) return nullptr;
  for (const auto& method : zembra::State().globalMethods) {
    if (method.declaration != nullptr && std::strcmp(method.declaration, declaration) == 0) {
      return method.function;
    }
  }
  return nullptr;
}
