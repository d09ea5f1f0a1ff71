#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "runtime/plugin_interface.h"

namespace zembra {

// What the host tells plug-ins about itself. Tests use it to play older or
// poorer hosts; the program keeps the defaults.
struct HostOptions {
  // Reported through "REALGetRBVersion"; none means the host lacks that callback.
  std::optional<double> version = 10.0;
  // Callback names the resolver answers with null.
  std::set<std::string, std::less<>> withheld;
};

// A class as the host registered it, its methods read in the form the host's
// version expects (the flags word is 0 when the table had three words).
struct HostClass {
  REALclassDefinition* definition = nullptr;
  std::vector<REALmethodDefinition> methods;
  bool threeWordMethods = false;
};

// One call a plug-in made to register something, in the order made.
struct HostRegistration {
  enum class Kind { kPluginVersion, kClass, kMethod };
  Kind kind;
  int32_t pluginVersion = 0;             // kPluginVersion
  const HostClass* hostClass = nullptr;  // kClass
  REALmethodDefinition method{};         // kMethod, as passed
};

// Options for plug-ins loaded from now on.
void ConfigureHost(HostOptions options);

// Tells `observer` the name of each registration or version callback as a
// plug-in calls it, before the host acts on it; null stops it. For tests
// that play a host running short of memory at a given moment.
void ObserveHostCallbacks(std::function<void(std::string_view callback)> observer);

// Loads the plug-in at `path` with dlopen and enters it through its
// REALPluginMain. Loading one that is already loaded does nothing.
Status LoadPlugin(const std::filesystem::path& path);

// Unloads every plug-in and forgets their classes and methods; every slot of
// every entry-point table becomes empty. Refused, with everything left
// loaded, while an instance of a plug-in class lives: it needs the class and
// the plug-in's code until it goes.
Status UnloadPlugins();

// The resolver handed to plug-ins.
void* HostResolve(const char* name);

const std::vector<HostRegistration>& HostRegistrations();
// How often a plug-in asked the resolver for `name` since loading.
int HostResolverQueries(std::string_view name);

const HostClass* FindHostClass(std::string_view name);
REALproc FindClassMethod(const HostClass& hostClass, std::string_view declaration);
const REALproperty* FindClassProperty(const HostClass& hostClass, std::string_view name);

}  // namespace zembra

// Entry-point services for the application: a zero-filled table of `count`
// slots (at least one) that lives as long as the process, and the global method
// registered under exactly `declaration` (null when none is).
REALproc* RuntimeAllocatePluginEntrypointsTable(uint32_t count);
REALproc RuntimeLookupPluginEntrypoint(const char* declaration);
