#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/plugin_interface.h"

namespace zembra {

// The host's string services, as the resolver hands them to plug-ins.
REALstring HostBuildString(const char* bytes, size_t length);
void HostSetStringEncoding(REALstring str, uint32_t encoding);
void HostLockString(REALstring str);
void HostUnlockString(REALstring str);

// How many host strings live: built and not yet released by their last holder.
size_t HostLiveStrings();

// A host string that shows bytes the caller owns, without copying them, for
// the length of one call into a plug-in. The bytes must stay unchanged while
// this object lives; a reference a plug-in keeps beyond it sees a copy made
// then. get() is null when there was no memory for the string.
class BorrowedHostString {
 public:
  explicit BorrowedHostString(std::string_view bytes);
  ~BorrowedHostString();
  BorrowedHostString(const BorrowedHostString&) = delete;
  BorrowedHostString& operator=(const BorrowedHostString&) = delete;

  REALstring get() const { return str_; }

 private:
  REALstring str_ = nullptr;
};

// One reference on a host string; empty when the string is absent (nil).
class HostString {
 public:
  HostString() = default;
  // A new present string of `bytes` (possibly zero-length).
  explicit HostString(std::string_view bytes, uint32_t encoding = kREALEncodingRaw);
  // Takes over the reference a plug-in returned to its caller.
  static HostString Adopt(REALstring str);
  // Takes a reference of its own on a string someone else holds.
  static HostString Share(REALstring str);

  HostString(const HostString& other);
  HostString& operator=(const HostString& other);
  HostString(HostString&& other) noexcept;
  HostString& operator=(HostString&& other) noexcept;
  ~HostString();

  REALstring get() const { return str_; }
  bool absent() const { return str_ == nullptr; }
  std::string_view bytes() const;
  std::string str() const { return std::string(bytes()); }
  uint32_t encoding() const;
  uint32_t refCount() const;

 private:
  REALstring str_ = nullptr;
};

}  // namespace zembra
