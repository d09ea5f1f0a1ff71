#include "plugin/one_shot.h"

#include <zlib.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "plugin/host_callbacks.h"

namespace zembra::plugin {
namespace {

// Scratch buffers are zero-filled and freed on every path.
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
using Scratch = std::unique_ptr<Bytef, FreeDeleter>;

Scratch AllocateScratch(size_t size) {
  return Scratch(static_cast<Bytef*>(std::calloc(size == 0 ? 1 : size, 1)));
}

// Never null: zlib takes a null buffer as a request for a checksum's initial
// value, while an empty string (which some hosts give no bytes at all) must
// leave a running checksum as it is.
const Bytef* BytesOf(REALstring str, size_t* length) {
  static const Bytef kNoBytes[1] = {0};
  const auto* bytes = reinterpret_cast<const Bytef*>(REALGetStringContents(str, length));
  return bytes != nullptr ? bytes : kNoBytes;
}

RBInteger AsHostInteger(uLong checksum) {
  return static_cast<RBInteger>(static_cast<uint32_t>(checksum));
}

uLong FromHostInteger(RBInteger value) {
  return static_cast<uint32_t>(value);
}

REALstring CompressZLibKRO(REALstring buf, RBInteger level) {
  if (buf == nullptr) return nullptr;
  size_t n = 0;
  const Bytef* bytes = BytesOf(buf, &n);
  // Room for n + n/8 + 12 bytes, which holds any stream zlib makes of n bytes.
  if (n > (SIZE_MAX - 12) / 9 * 8 || n > ULONG_MAX / 2) return nullptr;
  const size_t capacity = n + n / 8 + 12;
  Scratch scratch = AllocateScratch(capacity);
  if (!scratch) return nullptr;
  uLongf packed = capacity;
  if (compress2(scratch.get(), &packed, bytes, n, level) != Z_OK) return nullptr;
  return REALBuildUnicodeString(scratch.get(), packed, kREALEncodingRaw);
}

REALstring DecompressZLibKRO(REALstring buf, RBInteger size) {
  if (buf == nullptr) return nullptr;
  // `size` is the expected length; up to 1,024 bytes more are accepted. A
  // negative size, or one whose capacity passes the host integer range,
  // cannot describe any result.
  if (size < 0 || size > INT32_MAX - 1024) return nullptr;
  const size_t capacity = static_cast<size_t>(size) + 1024;
  Scratch scratch = AllocateScratch(capacity);
  if (!scratch) return nullptr;
  size_t n = 0;
  const Bytef* bytes = BytesOf(buf, &n);
  uLongf unpacked = capacity;
  if (uncompress(scratch.get(), &unpacked, bytes, n) != Z_OK) return nullptr;
  return REALBuildUnicodeString(scratch.get(), unpacked, kREALEncodingRaw);
}

RBInteger CRC32StringKRO(RBInteger crc, REALstring buf) {
  if (buf == nullptr) return AsHostInteger(crc32(0, Z_NULL, 0));
  size_t n = 0;
  const Bytef* bytes = BytesOf(buf, &n);
  return AsHostInteger(crc32_z(FromHostInteger(crc), bytes, n));
}

RBInteger Adler32StringKRO(RBInteger adler, REALstring buf) {
  if (buf == nullptr) return AsHostInteger(adler32(0, Z_NULL, 0));
  size_t n = 0;
  const Bytef* bytes = BytesOf(buf, &n);
  return AsHostInteger(adler32_z(FromHostInteger(adler), bytes, n));
}

// The `length` bytes at `offset` in `block`, or null when the block is absent
// or the range does not lie inside it. A host that cannot tell the block's
// size leaves the range to the caller, who must keep it inside the block.
const Bytef* BlockRange(REALmemoryBlock block, RBInteger offset, RBInteger length) {
  if (block == nullptr || offset < 0 || length < 0) return nullptr;
  size_t size = 0;
  if (REALMemoryBlockGetSize(block, &size) &&
      (static_cast<size_t>(offset) > size || static_cast<size_t>(length) > size - offset)) {
    return nullptr;
  }
  const auto* base = static_cast<const Bytef*>(REALMemoryBlockGetPtr(block));
  return base != nullptr ? base + offset : nullptr;
}

RBInteger CRC32MemoryKRO(RBInteger crc, REALmemoryBlock buf, RBInteger offset, RBInteger length) {
  const Bytef* range = BlockRange(buf, offset, length);
  if (range == nullptr) return AsHostInteger(crc32(0, Z_NULL, 0));
  return AsHostInteger(crc32_z(FromHostInteger(crc), range, static_cast<size_t>(length)));
}

RBInteger Adler32MemoryKRO(RBInteger adler, REALmemoryBlock buf, RBInteger offset,
                           RBInteger length) {
  const Bytef* range = BlockRange(buf, offset, length);
  if (range == nullptr) return AsHostInteger(adler32(0, Z_NULL, 0));
  return AsHostInteger(adler32_z(FromHostInteger(adler), range, static_cast<size_t>(length)));
}

}  // namespace

RBInteger strAdler32(REALobject, RBInteger start, REALstring data) {
  size_t n = 0;
  const Bytef* bytes = BytesOf(data, &n);
  return AsHostInteger(adler32_z(FromHostInteger(start), bytes, n));
}

RBInteger strCRC32(REALobject, RBInteger start, REALstring data) {
  size_t n = 0;
  const Bytef* bytes = BytesOf(data, &n);
  return AsHostInteger(crc32_z(FromHostInteger(start), bytes, n));
}

REALstring GetZlibVersionRB(REALobject, intptr_t) {
  const char* version = zlibVersion();
  if (version == nullptr) return nullptr;
  return REALBuildUnicodeString(version, std::char_traits<char>::length(version),
                                kREALEncodingASCII);
}

REALmethodDefinition globalMethods[] = {
    {Proc(&CompressZLibKRO), nullptr, "CompressZLibKRO(buf as string,level as integer) as string",
     kREALMethodFlags},
    {Proc(&DecompressZLibKRO), nullptr,
     "DecompressZLibKRO(buf as string,size as integer) as string", kREALMethodFlags},
    {Proc(&CRC32StringKRO), nullptr, "CRC32StringKRO(crc as integer, buf as string) as integer",
     kREALMethodFlags},
    {Proc(&Adler32StringKRO), nullptr,
     "Adler32StringKRO(adler as integer, buf as string) as integer", kREALMethodFlags},
    {Proc(&CRC32MemoryKRO), nullptr,
     "CRC32MemoryKRO(crc as integer, buf as memoryblock, offset as integer, length as integer) "
     "as integer",
     kREALMethodFlags},
    {Proc(&Adler32MemoryKRO), nullptr,
     "Adler32MemoryKRO(adler as integer, buf as memoryblock, offset as integer, length as "
     "integer) as integer",
     kREALMethodFlags},
};
const size_t kGlobalMethodCount = sizeof(globalMethods) / sizeof(globalMethods[0]);

}  // namespace zembra::plugin
