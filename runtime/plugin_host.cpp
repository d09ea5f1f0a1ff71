#include "runtime/plugin_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
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
  std::function<void(std::string_view)> observer;
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

void Notify(std::string_view callback) {
  if (State().observer) State().observer(callback);
}

// Callbacks are called from a plug-in's C code, which no exception may
// cross: a registration the host has no memory to record is dropped, as if
// the plug-in had never made it.
template <typename Fn>
void WithoutThrowing(Fn&& fn) {
  try {
    fn();
  } catch (const std::bad_alloc&) {
  }
}

void RegisterPluginVersion(int32_t version) {
  Notify("RegisterPluginVersion");
  WithoutThrowing([&] {
    HostRegistration entry{HostRegistration::Kind::kPluginVersion};
    entry.pluginVersion = version;
    State().registrations.push_back(entry);
  });
}

void RegisterClass(REALclassDefinition* definition) {
  Notify("PluginRegisterClass");
  if (definition == nullptr || definition->name == nullptr) return;
  WithoutThrowing([&] {
    HostState& state = State();
    auto hostClass = std::make_unique<HostClass>();
    hostClass->definition = definition;
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
    // Room first, so that the class is recorded in both places or in neither.
    state.classes.reserve(state.classes.size() + 1);
    state.registrations.reserve(state.registrations.size() + 1);
    definition->forSystemUse = kHostInstanceDataOffset;
    HostRegistration entry{HostRegistration::Kind::kClass};
    entry.hostClass = hostClass.get();
    state.classes.push_back(std::move(hostClass));
    state.registrations.push_back(entry);
  });
}

void RegisterMethod(REALmethodDefinition* definition) {
  Notify("PluginRegisterMethod");
  if (definition == nullptr || definition->declaration == nullptr) return;
  WithoutThrowing([&] {
    HostState& state = State();
    state.globalMethods.reserve(state.globalMethods.size() + 1);
    state.registrations.reserve(state.registrations.size() + 1);
    state.globalMethods.push_back(*definition);
    HostRegistration entry{HostRegistration::Kind::kMethod};
    entry.method = *definition;
    state.registrations.push_back(entry);
  });
}

double HostVersion() {
  Notify("REALGetRBVersion");
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

void ObserveHostCallbacks(std::function<void(std::string_view callback)> observer) {
  State().observer = std::move(observer);
}

void* HostResolve(const char* name) {
  if (name == nullptr) return nullptr;
  HostState& state = State();
  // Only counted when there is memory to count it: the answer matters more.
  WithoutThrowing([&] { ++state.queries[name]; });
  struct Callback {
    std::string_view name;
    void* address;
  };
  const Callback callbacks[] = {
      {"RegisterPluginVersion", Address(&RegisterPluginVersion)},
      {"PluginRegisterClass", Address(&RegisterClass)},
      {"PluginRegisterMethod", Address(&RegisterMethod)},
      {"REALGetRBVersion", state.options.version ? Address(&HostVersion) : nullptr},
      {"REALBuildString", Address(&HostBuildString)},
      {"REALSetStringEncoding", Address(&HostSetStringEncoding)},
      {"REALLockString", Address(&HostLockString)},
      {"REALUnlockString", Address(&HostUnlockString)},
      {"REALpathFromFolderItem", Address(&HostPathFromFolderItem)},
      {"memoryBlockGetPtr", Address(&HostMemoryBlockGetPtr)},
      {"REALMemoryBlockGetSize", Address(&HostMemoryBlockGetSize)},
  };
  const std::string_view wanted(name);
  if (state.options.withheld.find(wanted) != state.options.withheld.end()) return nullptr;
  for (const Callback& callback : callbacks) {
    if (callback.name == wanted) return callback.address;
  }
  return nullptr;
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

Status UnloadPlugins() {
  if (const size_t live = LiveHostInstances(); live != 0) {
    return Error{"Cannot unload the plug-ins: " + std::to_string(live) + " instance" +
                 (live == 1 ? " of their classes is" : "s of their classes are") +
                 " still in use."};
  }
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
  return Ok();
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
  // Even an empty table hands out one slot, which unloading must clear too.
  const uint32_t slots = count == 0 ? 1 : count;
  auto& tables = zembra::State().entrypointTables;
  tables.emplace_back(std::make_unique<REALproc[]>(slots), slots);
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
