#include "runtime/host_string.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace zembra {

namespace {

// Every host string is one of these; plug-ins see only the record.
struct StringBlock {
  REALstringRecord record;
  // Where the bytes are: right after the block, somebody else's (borrowed),
  // or a block of their own (a borrowed string that outlived its lender).
  enum class Bytes : uint8_t { kInline, kBorrowed, kOwned } kind;
};
static_assert(offsetof(StringBlock, record) == 0);

size_t liveStrings = 0;

StringBlock* BlockOf(REALstring str) {
  return reinterpret_cast<StringBlock*>(str);
}

REALstring NewString(size_t extra, StringBlock::Bytes kind) {
  void* memory = std::malloc(sizeof(StringBlock) + extra);
  if (memory == nullptr) return nullptr;
  auto* block = new (memory) StringBlock{REALstringRecord{}, kind};
  block->record.refCount = 1;
  block->record.encoding = kREALEncodingRaw;
  ++liveStrings;
  return &block->record;
}

}  // namespace

size_t HostLiveStrings() {
  return liveStrings;
}

REALstring HostBuildString(const char* bytes, size_t length) {
  if (bytes == nullptr && length != 0) return nullptr;
  // Record and bytes in one block, with a NUL after the bytes for the host's
  // own convenience; plug-ins must not count on it.
  if (length > SIZE_MAX - sizeof(StringBlock) - 1) return nullptr;
  REALstring str = NewString(length + 1, StringBlock::Bytes::kInline);
  if (str == nullptr) return nullptr;
  char* copy = reinterpret_cast<char*>(BlockOf(str) + 1);
  if (length != 0) std::memcpy(copy, bytes, length);
  copy[length] = '\0';
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
    StringBlock* block = BlockOf(str);
    if (block->kind == StringBlock::Bytes::kOwned) std::free(const_cast<char*>(str->bytes));
    block->~StringBlock();
    std::free(block);
    --liveStrings;
  }
}

BorrowedHostString::BorrowedHostString(std::string_view bytes)
    : str_(NewString(0, StringBlock::Bytes::kBorrowed)) {
  if (str_ == nullptr) return;
  str_->length = bytes.size();
  str_->bytes = bytes.data() != nullptr ? bytes.data() : "";
}

BorrowedHostString::~BorrowedHostString() {
  if (str_ == nullptr) return;
  if (str_->refCount > 1) {
    // Someone kept a reference: from now on it sees a copy of its own, or,
    // without memory for one, an empty string rather than freed bytes.
    char* copy = static_cast<char*>(std::malloc(str_->length == 0 ? 1 : str_->length));
    if (copy != nullptr) {
      if (str_->length != 0) std::memcpy(copy, str_->bytes, str_->length);
      str_->bytes = copy;
      BlockOf(str_)->kind = StringBlock::Bytes::kOwned;
    } else {
      str_->bytes = "";
      str_->length = 0;
      BlockOf(str_)->kind = StringBlock::Bytes::kInline;
    }
  }
  HostUnlockString(str_);
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
