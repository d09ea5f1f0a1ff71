#include "runtime/host_string.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace zembra {

REALstring HostBuildString(const char* bytes, size_t length) {
  if (bytes == nullptr && length != 0) return nullptr;
  // Record and bytes in one block, with a NUL after the bytes for the host's
  // own convenience; plug-ins must not count on it.
  if (length > SIZE_MAX - sizeof(REALstringRecord) - 1) return nullptr;
  void* block = std::malloc(sizeof(REALstringRecord) + length + 1);
  if (block == nullptr) return nullptr;
  auto* str = new (block) REALstringRecord{};
  char* copy = static_cast<char*>(block) + sizeof(REALstringRecord);
  if (length != 0) std::memcpy(copy, bytes, length);
  copy[length] = '\0';
  str->refCount = 1;
  str->encoding = kREALEncodingRaw;
  str->length = length;
  str->bytes = copy;
  return str;
}

void HostSetStringEncoding(REALstring str, uint32_t encoding) {
  if (str != nullptr) str->encoding = encoding;
}

void HostLockString(REALstring str) {
  if (str != nullptr) ++str->refCount;
}

void HostUnlockString(REALstring str) {
  if (str == nullptr) return;
  if (--str->refCount == 0) {
    str->~REALstringRecord();
    std::free(str);
  }
}

HostString::HostString(std::string_view bytes, uint32_t encoding)
    : str_(HostBuildString(bytes.data() != nullptr ? bytes.data() : "", bytes.size())) {
  if (str_ == nullptr) throw std::bad_alloc();
  HostSetStringEncoding(str_, encoding);
}

HostString HostString::Adopt(REALstring str) {
  HostString held;
  held.str_ = str;
  return held;
}

HostString HostString::Share(REALstring str) {
  HostLockString(str);
  return Adopt(str);
}

HostString::HostString(const HostString& other) : str_(other.str_) {
  HostLockString(str_);
}

HostString& HostString::operator=(const HostString& other) {
  HostString copy(other);
  std::swap(str_, copy.str_);
  return *this;
}

HostString::HostString(HostString&& other) noexcept : str_(std::exchange(other.str_, nullptr)) {}

HostString& HostString::operator=(HostString&& other) noexcept {
  if (this != &other) {
    HostUnlockString(str_);
    str_ = std::exchange(other.str_, nullptr);
  }
  return *this;
}

HostString::~HostString() {
  HostUnlockString(str_);
}

std::string_view HostString::bytes() const {
  size_t length = 0;
  const char* data = REALGetStringContents(str_, &length);
  return std::string_view(data, length);
}

uint32_t HostString::encoding() const {
  return str_ != nullptr ? str_->encoding : 0;
}

uint32_t HostString::refCount() const {
  return str_ != nullptr ? str_->refCount : 0;
}

}  // namespace zembra
