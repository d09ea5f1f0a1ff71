#include "runtime/host_instance.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

struct REALobjectRecord {
  const zembra::HostClass* hostClass;
};

namespace zembra {
namespace {

size_t liveInstances = 0;

static_assert(sizeof(REALobjectRecord) <= kHostInstanceDataOffset);

bool IsStandard(REALproc accessor) {
  return accessor == REALstandardGetter;
}

Error PropertyError(const HostClass& hostClass, std::string_view name, std::string_view reason) {
  return Error{"Cannot use the property " + std::string(hostClass.definition->name) + "." +
               std::string(name) + ": " + std::string(reason) + "."};
}

template <typename T>
T* Field(const HostInstance& instance, const REALproperty& property) {
  return reinterpret_cast<T*>(static_cast<char*>(instance.data()) + property.param);
}

}  // namespace

size_t LiveHostInstances() {
  return liveInstances;
}

Result<HostInstance> HostInstance::Create(std::string_view className) {
  const HostClass* hostClass = FindHostClass(className);
  if (hostClass == nullptr) {
    return Error{"Cannot create an instance of " + std::string(className) +
                 ": no plug-in registered that class."};
  }
  const REALclassDefinition* definition = hostClass->definition;
  void* memory = std::calloc(1, kHostInstanceDataOffset + definition->dataSize);
  if (memory == nullptr) {
    return Error{"Cannot create an instance of " + std::string(className) + ": out of memory."};
  }
  auto* object = new (memory) REALobjectRecord{hostClass};
  ++liveInstances;
  HostInstance instance(hostClass, object);
  if (definition->constructor != nullptr) {
    reinterpret_cast<void (*)(REALobject)>(definition->constructor)(object);
  }
  return instance;
}

HostInstance::HostInstance(HostInstance&& other) noexcept
    : class_(std::exchange(other.class_, nullptr)),
      object_(std::exchange(other.object_, nullptr)) {}

HostInstance& HostInstance::operator=(HostInstance&& other) noexcept {
  if (this != &other) {
    Destroy();
    class_ = std::exchange(other.class_, nullptr);
    object_ = std::exchange(other.object_, nullptr);
  }
  return *this;
}

HostInstance::~HostInstance() {
  Destroy();
}

void HostInstance::Destroy() {
  if (object_ == nullptr) return;
  const REALclassDefinition* definition = class_->definition;
  if (definition->destructor != nullptr) {
    reinterpret_cast<void (*)(REALobject)>(definition->destructor)(object_);
  }
  // Strings stored through the standard setter hold a reference of the host's.
  for (uint32_t i = 0; definition->properties != nullptr && i < definition->propertyCount; ++i) {
    const REALproperty& p = definition->properties[i];
    if (IsStandard(p.setter) && p.type != nullptr && std::strcmp(p.type, "String") == 0 &&
        Property(p.name, "String", true)) {
      HostUnlockString(*Field<REALstring>(*this, p));
    }
  }
  object_->~REALobjectRecord();
  std::free(object_);
  object_ = nullptr;
  --liveInstances;
}

void* HostInstance::data() const {
  return REALGetInstanceData(class_->definition, object_);
}

Result<const REALproperty*> HostInstance::Property(std::string_view name, std::string_view type,
                                                   bool forWriting) const {
  const REALproperty* property = FindClassProperty(*class_, name);
  if (property == nullptr) return PropertyError(*class_, name, "the class has no such property");
  if (property->type == nullptr || type != property->type) {
    return PropertyError(*class_, name, "it is not of type " + std::string(type));
  }
  REALproc accessor = forWriting ? property->setter : property->getter;
  if (accessor == nullptr) return PropertyError(*class_, name, "it is read-only");
  const size_t fieldSize = type == "Integer"   ? sizeof(RBInteger)
                           : type == "Boolean" ? sizeof(RBBoolean)
                                               : sizeof(REALstring);
  if (IsStandard(accessor) &&
      (property->param < 0 ||
       static_cast<uintptr_t>(property->param) > class_->definition->dataSize ||
       class_->definition->dataSize - static_cast<uintptr_t>(property->param) < fieldSize)) {
    return PropertyError(*class_, name, "its field lies outside the instance record");
  }
  return property;
}

Result<RBInteger> HostInstance::GetInteger(std::string_view name) const {
  auto property = Property(name, "Integer", false);
  if (!property) return property.error();
  const REALproperty& p = **property;
  if (IsStandard(p.getter)) {
    RBInteger value;
    std::memcpy(&value, Field<char>(*this, p), sizeof value);
    return value;
  }
  return reinterpret_cast<RBInteger (*)(REALobject, intptr_t)>(p.getter)(object_, p.param);
}

Result<RBBoolean> HostInstance::GetBoolean(std::string_view name) const {
  auto property = Property(name, "Boolean", false);
  if (!property) return property.error();
  const REALproperty& p = **property;
  if (IsStandard(p.getter)) return *Field<char>(*this, p) != 0;
  return reinterpret_cast<RBBoolean (*)(REALobject, intptr_t)>(p.getter)(object_, p.param);
}

Result<HostString> HostInstance::GetString(std::string_view name) const {
  auto property = Property(name, "String", false);
  if (!property) return property.error();
  const REALproperty& p = **property;
  if (IsStandard(p.getter)) return HostString::Share(*Field<REALstring>(*this, p));
  return HostString::Adopt(
      reinterpret_cast<REALstring (*)(REALobject, intptr_t)>(p.getter)(object_, p.param));
}

Status HostInstance::SetInteger(std::string_view name, RBInteger value) {
  auto property = Property(name, "Integer", true);
  if (!property) return property.error();
  const REALproperty& p = **property;
  if (IsStandard(p.setter)) {
    std::memcpy(Field<char>(*this, p), &value, sizeof value);
  } else {
    reinterpret_cast<void (*)(REALobject, intptr_t, RBInteger)>(p.setter)(object_, p.param, value);
  }
  return Ok();
}

Status HostInstance::SetBoolean(std::string_view name, RBBoolean value) {
  auto property = Property(name, "Boolean", true);
  if (!property) return property.error();
  const REALproperty& p = **property;
  if (IsStandard(p.setter)) {
    *Field<char>(*this, p) = value ? 1 : 0;
  } else {
    reinterpret_cast<void (*)(REALobject, intptr_t, RBBoolean)>(p.setter)(object_, p.param, value);
  }
  return Ok();
}

Status HostInstance::SetString(std::string_view name, const HostString& value) {
  auto property = Property(name, "String", true);
  if (!property) return property.error();
  const REALproperty& p = **property;
  if (IsStandard(p.setter)) {
    REALstring* field = Field<REALstring>(*this, p);
    HostLockString(value.get());
    HostUnlockString(*field);
    *field = value.get();
  } else {
    reinterpret_cast<void (*)(REALobject, intptr_t, REALstring)>(p.setter)(object_, p.param,
                                                                           value.get());
  }
  return Ok();
}

}  // namespace zembra
