// A small plug-in for testing the host runtime on its own: one class with
// every kind of property, and a few global methods.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/plugin_interface.h"

namespace {

REALresolver gResolver = nullptr;
int32_t gDestroyed = 0;

struct CounterRecord {
  int32_t count;
  RBBoolean flag;
  REALstring label;
  int64_t untouched;
};

REALclassDefinition CounterClass{};

CounterRecord* RecordOf(REALobject instance) {
  return static_cast<CounterRecord*>(REALGetInstanceData(&CounterClass, instance));
}

template <typename Fn>
REALproc Proc(Fn* fn) {
  return reinterpret_cast<REALproc>(fn);
}

void Construct(REALobject instance) {
  RecordOf(instance)->count = 7;
}
void Destruct(REALobject) {
  ++gDestroyed;
}
RBInteger Add(REALobject instance, RBInteger n) {
  return RecordOf(instance)->count += n;
}
RBInteger GetDoubled(REALobject instance, intptr_t param) {
  return RecordOf(instance)->count * 2 + static_cast<RBInteger>(param);
}
void SetDoubled(REALobject instance, intptr_t, RBInteger value) {
  RecordOf(instance)->count = value / 2;
}
RBBoolean GetPositive(REALobject instance, intptr_t) {
  return RecordOf(instance)->count > 0;
}

REALstring Echo(REALstring s) {
  size_t n = 0;
  const char* bytes = REALGetStringContents(s, &n);
  auto build = reinterpret_cast<REALBuildStringProc>(gResolver("REALBuildString"));
  return build(bytes, n);
}
RBInteger Destroyed() {
  return gDestroyed;
}

REALmethodDefinition counterMethods[] = {
    {Proc(&Add), nullptr, "Add(n as integer) as integer", kREALMethodFlags},
};

REALproperty counterProperties[] = {
    {nullptr, "Count", "Integer", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     offsetof(CounterRecord, count)},
    {nullptr, "Flag", "Boolean", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     offsetof(CounterRecord, flag)},
    {nullptr, "Label", "String", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     offsetof(CounterRecord, label)},
    {nullptr, "Doubled", "Integer", kREALPropertyFlags, Proc(&GetDoubled), Proc(&SetDoubled), 1},
    {nullptr, "Positive", "Boolean", kREALPropertyFlags, Proc(&GetPositive), nullptr, 0},
};

REALmethodDefinition globalMethods[] = {
    {Proc(&Echo), nullptr, "Echo(s as string) as string", kREALMethodFlags},
    {Proc(&Destroyed), nullptr, "Destroyed as integer", kREALMethodFlags},
    // Nearly the compression method's declaration, with a blank after the comma.
    {Proc(&Echo), nullptr, "CompressZLibKRO(buf as string, level as integer) as string",
     kREALMethodFlags},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) void REALPluginMain(REALresolver resolver) {
  gResolver = resolver;
  reinterpret_cast<RegisterPluginVersionProc>(resolver("RegisterPluginVersion"))(7);
  CounterClass.version = kREALPluginInterfaceVersion;
  CounterClass.name = "Counter";
  CounterClass.dataSize = sizeof(CounterRecord);
  CounterClass.constructor = Proc(&Construct);
  CounterClass.destructor = Proc(&Destruct);
  CounterClass.properties = counterProperties;
  CounterClass.propertyCount = 5;
  CounterClass.methods = counterMethods;
  CounterClass.methodCount = 1;
  reinterpret_cast<PluginRegisterClassProc>(resolver("PluginRegisterClass"))(&CounterClass);
  auto registerMethod =
      reinterpret_cast<PluginRegisterMethodProc>(resolver("PluginRegisterMethod"));
  for (auto& method : globalMethods) registerMethod(&method);
}
