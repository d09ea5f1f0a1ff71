#include "platform/binary_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/file_sync.h"
#include "platform/os_error.h"

namespace zembra {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}  // namespace

BinaryStream::BinaryStream(std::FILE* file, std::filesystem::path path)
    : file_(file), path_(std::move(path)) {
  std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
}

BinaryStream::BinaryStream(BinaryStream&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      path_(std::move(other.path_)),
      little_endian_(other.little_endian_),
      last_was_write_(other.last_was_write_),
      error_(std::move(other.error_)) {}

BinaryStream& BinaryStream::operator=(BinaryStream&& other) noexcept {
  if (this != &other) {
    if (file_) std::fclose(file_);
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
    little_endian_ = other.little_endian_;
    last_was_write_ = other.last_was_write_;
    error_ = std::move(other.error_);
  }
  return *this;
}

BinaryStream::~BinaryStream() {
  if (file_) std::fclose(file_);
}

Result<BinaryStream> BinaryStream::Adopt(int fd, const std::filesystem::path& path,
                                         const char* mode, std::string_view action) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int err = errno;
    ::close(fd);
    return FileError(action, path, err);
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(fd);
    return FileError(action, path, EISDIR);
  }
  std::FILE* file = ::fdopen(fd, mode);
  if (!file) {
    const int err = errno;
    ::close(fd);
    return FileError(action, path, err);
  }
  return BinaryStream(file, path);
}

Result<BinaryStream> BinaryStream::Create(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return FileError("create", path, errno);
  return Adopt(fd, path, "w+b", "create");
}

Result<BinaryStream> BinaryStream::Open(const std::filesystem::path& path, Access access) {
  const bool write = access == Access::kReadWrite;
  const int fd = ::open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  const char* action = write ? "open for writing" : "open";
  if (fd < 0) return FileError(action, path, errno);
  return Adopt(fd, path, write ? "r+b" : "rb", action);
}

Result<BinaryStream> BinaryStream::OpenRegular(const std::filesystem::path& path, Access access) {
  const bool write = access == Access::kReadWrite;
  const char* action = write ? "open for writing" : "open";
  // O_NONBLOCK keeps open() from waiting for a FIFO's other end.
  const int fd = ::open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FileError(action, path, errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int err = errno;
    ::close(fd);
    return FileError(action, path, err);
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return FileError(action, path, "it is not a regular file");
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int err = errno;
    ::close(fd);
    return FileError(action, path, err);
  }
  return Adopt(fd, path, write ? "r+b" : "rb", action);
}

Result<BinaryStream> BinaryStream::FromDescriptor(int fd, const std::filesystem::path& path) {
  return Adopt(fd, path, "w+b", "create");
}

void BinaryStream::Fail(std::string_view action, int err) {
  if (!error_) error_ = FileError(action, path_, err == 0 ? EIO : err);
}

// C streams need a seek between a read and a following write (and back).
void BinaryStream::PrepareFor(bool writing) {
  if (writing != last_was_write_) {
    std::fseek(file_, 0, SEEK_CUR);
    last_was_write_ = writing;
  }
}

void BinaryStream::Write(std::span<const std::uint8_t> bytes) {
  if (!file_ || error_ || bytes.empty()) return;
  PrepareFor(true);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail("write", errno);
}

void BinaryStream::Write(std::string_view bytes) {
  Write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void BinaryStream::WriteNumber(std::uint64_t value, int width) {
  std::uint8_t bytes[8];
  for (int i = 0; i < width; ++i) {
    const int shift = little_endian_ ? 8 * i : 8 * (width - 1 - i);
    bytes[i] = static_cast<std::uint8_t>(value >> shift);
  }
  Write(std::span(bytes, static_cast<std::size_t>(width)));
}

void BinaryStream::WriteByte(std::uint8_t value) {
  WriteNumber(value, 1);
}
void BinaryStream::WriteInt16(std::uint16_t value) {
  WriteNumber(value, 2);
}
void BinaryStream::WriteInt32(std::uint32_t value) {
  WriteNumber(value, 4);
}
void BinaryStream::WriteInt64(std::uint64_t value) {
  WriteNumber(value, 8);
}

std::vector<std::uint8_t> BinaryStream::Read(std::size_t n) {
  std::vector<std::uint8_t> bytes;
  if (!file_ || error_ || n == 0) return bytes;
  PrepareFor(false);
  bytes.resize(n);
  const std::size_t got = std::fread(bytes.data(), 1, n, file_);
  if (got < n && std::ferror(file_)) Fail("read", errno);
  bytes.resize(got);
  return bytes;
}

std::optional<std::uint32_t> BinaryStream::ReadInt32() {
  const std::vector<std::uint8_t> bytes = Read(4);
  if (bytes.size() != 4) return std::nullopt;
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const int shift = little_endian_ ? 8 * i : 8 * (3 - i);
    value |= static_cast<std::uint32_t>(bytes[i]) << shift;
  }
  return value;
}

std::uint64_t BinaryStream::Position() {
  if (!file_) return 0;
  const off_t offset = ::ftello(file_);
  if (offset < 0) {
    Fail("seek in", errno);
    return 0;
  }
  return static_cast<std::uint64_t>(offset);
}

void BinaryStream::SetPosition(std::uint64_t offset) {
  if (!file_ || error_) return;
  if (::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) Fail("seek in", errno);
}

std::uint64_t BinaryStream::Length() {
  if (!file_) return 0;
  if (std::fflush(file_) != 0) Fail("write", errno);
  struct stat info {};
  if (::fstat(::fileno(file_), &info) != 0) {
    Fail("read", errno);
    return 0;
  }
  return static_cast<std::uint64_t>(info.st_size);
}

Status BinaryStream::status() const {
  if (error_) return *error_;
  return Ok();
}

Status BinaryStream::Sync() {
  if (file_ && !error_) {
    if (std::fflush(file_) != 0) {
      Fail("write", errno);
    } else if (SyncFile(::fileno(file_)) != 0 && errno != EINVAL && errno != EROFS) {
      Fail("write", errno);
    }
  }
  return status();
}

Status BinaryStream::Close() {
  if (file_) {
    errno = 0;
    if (std::fclose(std::exchange(file_, nullptr)) != 0) Fail("write", errno);
  }
  return status();
}

}  // namespace zembra
