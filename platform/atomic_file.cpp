#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/os_error.h"

namespace zembra {

namespace {

// The permissions a newly created file would get (0666 less the umask).
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Makes a rename inside `folder` durable; best effort, as not every file
// system supports syncing a folder.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

AtomicFile::AtomicFile(BinaryStream stream, std::filesystem::path target,
                       std::filesystem::path temporary)
    : stream_(std::move(stream)), target_(std::move(target)), temporary_(std::move(temporary)) {}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : stream_(std::move(other.stream_)),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      pending_(std::exchange(other.pending_, false)) {}

AtomicFile::~AtomicFile() {
  Discard();
}

Result<AtomicFile> AtomicFile::Create(const std::filesystem::path& target) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return FileError("create", target, errno);
  const std::filesystem::path temporary(name.data());
  if (::fchmod(fd, NewFileMode()) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(temporary.c_str());
    return FileError("create", target, err);
  }
  Result<BinaryStream> stream = BinaryStream::FromDescriptor(fd, target);
  if (!stream) {
    ::unlink(temporary.c_str());
    return stream.error();
  }
  return AtomicFile(std::move(stream).value(), target, temporary);
}

Status AtomicFile::Commit() {
  if (!pending_) return FileError("write", target_, "it was already completed");
  Status synced = stream_.Sync();
  Status closed = stream_.Close();
  if (!synced || !closed) {
    Discard();
    return synced ? closed : synced;
  }
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    Discard();
    return FileError("replace", target_, err);
  }
  pending_ = false;
  std::filesystem::path folder = target_.parent_path();
  SyncFolder(folder.empty() ? std::filesystem::path(".") : folder);
  return Ok();
}

void AtomicFile::Discard() {
  if (!pending_) return;
  pending_ = false;
  (void)stream_.Close();
  ::unlink(temporary_.c_str());
}

}  // namespace zembra
