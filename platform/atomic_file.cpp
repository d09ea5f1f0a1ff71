#include "platform/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

#include "platform/atomic_file_names.h"
#include "platform/interrupt_cleanup.h"
#include "platform/os_error.h"

namespace zembra {

namespace {

using interrupt::Undo;

std::atomic<bool> unnamed_allowed{true};

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

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  std::filesystem::path folder = file.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// Gives the new file what the user set on the one it replaces: its
// permissions, and its owner as far as this process may.
void TakeOverAttributes(int fd, const std::filesystem::path& destination) {
  struct stat old {};
  if (::stat(destination.c_str(), &old) != 0) {
    ::fchmod(fd, NewFileMode());
    return;
  }
  // Not permitted to give the file away: keep at least the group; failing
  // that too, the file stays ours, as any file this user writes would.
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    [[maybe_unused]] const int group_kept = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
  // After fchown, which may clear the set-id bits.
  ::fchmod(fd, old.st_mode & 07777);
}

// An unnamed file in `folder` where the file system offers one (nothing is
// left if the process dies), otherwise a short hidden name. Either way the
// file is locked while this process lives.
int MakeTemporary(const std::filesystem::path& folder, std::filesystem::path& named, int& err) {
  int fd = -1;
  errno = EOPNOTSUPP;
  if (unnamed_allowed) fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    for (int tries = 0; tries < 100 && fd < 0; ++tries) {
      named = TemporaryName(folder);
      fd = ::open(named.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0 && errno != EEXIST) break;
    }
  }
  if (fd < 0) {
    err = errno;
    named.clear();
    return -1;
  }
  ::flock(fd, LOCK_EX | LOCK_NB);
  return fd;
}

}  // namespace

AtomicFile::AtomicFile(BinaryStream stream, int fd, std::filesystem::path target,
                       std::filesystem::path destination, std::filesystem::path temporary, int slot)
    : stream_(std::move(stream)),
      fd_(fd),
      target_(std::move(target)),
      destination_(std::move(destination)),
      temporary_(std::move(temporary)),
      slot_(slot) {}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : stream_(std::move(other.stream_)),
      fd_(std::exchange(other.fd_, -1)),
      target_(std::move(other.target_)),
      destination_(std::move(other.destination_)),
      temporary_(std::move(other.temporary_)),
      slot_(std::exchange(other.slot_, -1)),
      phase_(std::exchange(other.phase_, Phase::kDone)),
      replaced_(other.replaced_) {}

AtomicFile::~AtomicFile() {
  if (phase_ == Phase::kPublished) Settle();
  Discard();
}

bool AtomicFile::SetUnnamedTemporaries(bool allowed) {
  return unnamed_allowed.exchange(allowed);
}

Result<AtomicFile> AtomicFile::Create(const std::filesystem::path& target) {
  interrupt::InstallHandlers();
  Result<std::filesystem::path> destination = ResolveWriteTarget(target);
  if (!destination) return destination.error();
  const std::filesystem::path folder = FolderOf(*destination);
  RemoveLeftoverTemporaries(folder);

  std::filesystem::path named;
  int err = 0;
  const int fd = MakeTemporary(folder, named, err);
  if (fd < 0) return FileError("create", target, err);
  const int stream_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  Result<BinaryStream> stream = stream_fd < 0
                                    ? Result<BinaryStream>(FileError("create", target, errno))
                                    : BinaryStream::FromDescriptor(stream_fd, target);
  if (!stream) {
    if (!named.empty()) ::unlink(named.c_str());
    ::close(fd);
    return stream.error();
  }
  const int slot = interrupt::Claim();
  if (!named.empty()) interrupt::Set(slot, Undo::kRemove, named.c_str(), "");
  return AtomicFile(std::move(stream).value(), fd, target, std::move(destination).value(), named,
                    slot);
}

Status AtomicFile::StageFile() {
  Status synced = stream_.Sync();
  Status closed = stream_.Close();
  if (!synced) return synced;
  if (!closed) return closed;
  TakeOverAttributes(fd_, destination_);
  if (temporary_.empty()) {
    // Name the unnamed file beside its destination.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int tries = 0; tries < 100; ++tries) {
      const std::filesystem::path name = TemporaryName(FolderOf(destination_));
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        temporary_ = name;
        interrupt::Set(slot_, Undo::kRemove, temporary_.c_str(), "");
        return Ok();
      }
      if (errno != EEXIST) return FileError("write", target_, errno);
    }
    return FileError("write", target_, EEXIST);
  }
  return Ok();
}

Status AtomicFile::Stage() {
  if (phase_ != Phase::kWriting) return FileError("write", target_, "it was already completed");
  if (Status staged = StageFile(); !staged) {
    Discard();
    return staged;
  }
  phase_ = Phase::kStaged;
  return Ok();
}

Status AtomicFile::Publish() {
  if (phase_ == Phase::kWriting) {
    if (Status staged = Stage(); !staged) return staged;
  }
  if (phase_ != Phase::kStaged) return FileError("write", target_, "it was already completed");
  // Swapping keeps the earlier file under the temporary name until Settle().
  if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, destination_.c_str(), RENAME_EXCHANGE) ==
      0) {
    replaced_ = true;
    interrupt::Set(slot_, Undo::kSwapBack, temporary_.c_str(), destination_.c_str());
  } else if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, destination_.c_str(),
                         RENAME_NOREPLACE) == 0) {
    replaced_ = false;
    interrupt::Set(slot_, Undo::kRemoveDestination, temporary_.c_str(), destination_.c_str());
  } else if (::rename(temporary_.c_str(), destination_.c_str()) == 0) {
    // A file system that can neither swap nor refuse to replace: the earlier
    // file is gone and cannot be restored.
    replaced_ = false;
    interrupt::Set(slot_, Undo::kNothing, "", "");
    temporary_.clear();
  } else {
    const int err = errno;
    Discard();
    return FileError("replace", target_, err);
  }
  phase_ = Phase::kPublished;
  SyncFolder(FolderOf(destination_));
  return Ok();
}

void AtomicFile::Settle() {
  if (phase_ != Phase::kPublished) return;
  interrupt::Set(slot_, Undo::kNothing, "", "");
  if (replaced_) ::unlink(temporary_.c_str());
  temporary_.clear();
  phase_ = Phase::kDone;
  Release();
}

Status AtomicFile::Restore() {
  if (phase_ != Phase::kPublished) return FileError("restore", target_, "it was not replaced");
  interrupt::Set(slot_, Undo::kNothing, "", "");
  int failed = 0;
  if (temporary_.empty()) {
    failed = ENOTSUP;  // replaced by a plain rename: the earlier file is gone
  } else if (replaced_) {
    if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, destination_.c_str(),
                    RENAME_EXCHANGE) != 0) {
      failed = errno;
    }
    ::unlink(temporary_.c_str());
  } else if (::unlink(destination_.c_str()) != 0) {
    failed = errno;
  }
  temporary_.clear();
  phase_ = Phase::kDone;
  Release();
  if (failed != 0) return FileError("restore", target_, failed);
  SyncFolder(FolderOf(destination_));
  return Ok();
}

Status AtomicFile::Commit() {
  Status published = Publish();
  if (!published) return published;
  Settle();
  return Ok();
}

void AtomicFile::Discard() {
  if (phase_ == Phase::kWriting || phase_ == Phase::kStaged) {
    interrupt::Set(slot_, Undo::kNothing, "", "");
    (void)stream_.Close();
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    phase_ = Phase::kDone;
  }
  Release();
}

void AtomicFile::Release() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  interrupt::Release(std::exchange(slot_, -1));
}

}  // namespace zembra
