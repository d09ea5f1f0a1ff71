#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/result.h"
#include "runtime/host_string.h"
#include "runtime/plugin_host.h"
#include "runtime/plugin_interface.h"

namespace zembra {

// Where an instance's record lies inside the host object: past the object's
// header, aligned for any type.
inline constexpr uintptr_t kHostInstanceDataOffset = alignof(std::max_align_t);

// The address type of a class method with signature `Sig` (without the
// instance, which every method takes first).
template <typename Sig>
struct ClassMethodOf;
template <typename R, typename... Args>
struct ClassMethodOf<R(Args...)> {
  using type = R (*)(REALobject, Args...);
};

// How many HostInstance objects live.
size_t LiveHostInstances();

// One instance of a registered class, created as the host creates them: the
// record zero-filled inside the object, then the class constructor. The
// class destructor runs when the instance goes.
class HostInstance {
 public:
  static Result<HostInstance> Create(std::string_view className);

  HostInstance(HostInstance&& other) noexcept;
  HostInstance& operator=(HostInstance&& other) noexcept;
  HostInstance(const HostInstance&) = delete;
  HostInstance& operator=(const HostInstance&) = delete;
  ~HostInstance();

  REALobject get() const { return object_; }
  const HostClass& hostClass() const { return *class_; }
  // The instance record, as the plug-in sees it.
  void* data() const;

  // The method registered under exactly `declaration`, or null.
  template <typename Sig>
  typename ClassMethodOf<Sig>::type Method(std::string_view declaration) const {
    return reinterpret_cast<typename ClassMethodOf<Sig>::type>(
        FindClassMethod(*class_, declaration));
  }

  // Properties, through the standard accessors or the class's own.
  Result<RBInteger> GetInteger(std::string_view name) const;
  Result<RBBoolean> GetBoolean(std::string_view name) const;
  Result<HostString> GetString(std::string_view name) const;
  Status SetInteger(std::string_view name, RBInteger value);
  Status SetBoolean(std::string_view name, RBBoolean value);
  Status SetString(std::string_view name, const HostString& value);

 private:
  HostInstance(const HostClass* hostClass, REALobject object)
      : class_(hostClass), object_(object) {}
  void Destroy();
  Result<const REALproperty*> Property(std::string_view name, std::string_view type,
                                       bool forWriting) const;

  const HostClass* class_ = nullptr;
  REALobject object_ = nullptr;
};

}  // namespace zembra
