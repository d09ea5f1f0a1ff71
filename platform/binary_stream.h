#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace zembra {

// A file opened for fixed-width binary reads and writes at a movable
// position. Numbers are big-endian until SetLittleEndian(true).
//
// Errors are sticky: the first failed operation is remembered, later writes
// do nothing, and status()/Close() report it naming the file and the OS
// reason. Writers therefore write straight through and check once at the end.
class BinaryStream {
 public:
  enum class Access { kRead, kReadWrite };

  // A new, empty file (replacing one of that name), open for reading and writing.
  static Result<BinaryStream> Create(const std::filesystem::path& path);
  // An existing regular file, at offset 0.
  static Result<BinaryStream> Open(const std::filesystem::path& path, Access access);
  // Like Open, but refuses anything that is not a regular file (a folder, a
  // FIFO, a device) without waiting on it, so a FIFO never hangs the caller.
  // Symbolic links are followed.
  static Result<BinaryStream> OpenRegular(const std::filesystem::path& path, Access access);
  // Takes ownership of an open descriptor (for example from mkstemp).
  static Result<BinaryStream> FromDescriptor(int fd, const std::filesystem::path& path);

  BinaryStream(BinaryStream&& other) noexcept;
  BinaryStream& operator=(BinaryStream&& other) noexcept;
  BinaryStream(const BinaryStream&) = delete;
  BinaryStream& operator=(const BinaryStream&) = delete;
  ~BinaryStream();

  bool LittleEndian() const { return little_endian_; }
  void SetLittleEndian(bool little) { little_endian_ = little; }

  void WriteByte(std::uint8_t value);
  void WriteInt16(std::uint16_t value);
  void WriteInt32(std::uint32_t value);
  void WriteInt64(std::uint64_t value);
  void Write(std::span<const std::uint8_t> bytes);
  void Write(std::string_view bytes);

  // The next four bytes as a number, or nothing at the end of the file.
  std::optional<std::uint32_t> ReadInt32();
  // Up to n bytes; fewer at the end of the file.
  std::vector<std::uint8_t> Read(std::size_t n);

  std::uint64_t Position();
  void SetPosition(std::uint64_t offset);
  std::uint64_t Length();

  const std::filesystem::path& path() const { return path_; }
  Status status() const;

  // Flushes to the file and asks the OS to store it durably.
  Status Sync();
  // Flushes and releases the file; reports the first error of the stream's life.
  Status Close();
  bool is_open() const { return file_ != nullptr; }

 private:
  BinaryStream(std::FILE* file, std::filesystem::path path);
  static Result<BinaryStream> Adopt(int fd, const std::filesystem::path& path, const char* mode,
                                    std::string_view action);
  void Fail(std::string_view action, int err);
  void WriteNumber(std::uint64_t value, int width);
  void PrepareFor(bool writing);

  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
  bool little_endian_ = false;
  bool last_was_write_ = false;
  std::optional<Error> error_;
};

}  // namespace zembra
