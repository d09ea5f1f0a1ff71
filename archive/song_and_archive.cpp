#include "archive/song_and_archive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/os_error.h"
#include "songfile/write_song.h"

namespace zembra {
namespace {

// Holds an exclusive lock on a folder while it lives; every writer of a
// song in that folder takes it, so their pairs never interleave. The lock
// goes with the process, so a killed writer never blocks the next one.
class FolderLock {
 public:
  static Result<FolderLock> Take(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return FileError("write into", folder, errno);
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      return FileError("lock", folder, err);
    }
    return FolderLock(fd);
  }
  FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FolderLock& operator=(FolderLock&&) = delete;
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }

 private:
  explicit FolderLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

Result<std::vector<std::uint8_t>> ReadBack(AtomicFile& song) {
  BinaryStream& stream = song.stream();
  const std::uint64_t length = stream.Length();
  stream.SetPosition(0);
  std::vector<std::uint8_t> bytes = stream.Read(static_cast<std::size_t>(length));
  if (Status s = stream.status(); !s) return s.error();
  if (bytes.size() != length) return FileError("read", song.target(), "it is shorter than written");
  return bytes;
}

}  // namespace

SongPairResult WriteSongAndArchive(const SongSheet& sheet, const std::filesystem::path& workingdir,
                                   const std::filesystem::path& song_path,
                                   const CompressFunction& compress,
                                   const std::function<bool()>& keep_going) {
  SongPairResult result;
  result.song = song_path;
  result.archive = ArchivePathFor(song_path);
  const auto fail = [&](Error error) {
    result.error = std::move(error);
    return result;
  };
  const auto stopped = [&] {
    if (!keep_going || keep_going()) return false;
    result.cancelled = true;
    return true;
  };
  const auto stop = [&] { return fail(FileError("write", song_path, "stopped on request")); };
  if (!compress) return fail(FileError("pack", song_path, "the compression plug-in is not loaded"));
  if (Status own = RefuseSampleAsOutput(sheet, workingdir, result.archive); !own) {
    return fail(own.error());
  }
  if (stopped()) return stop();
  Result<AtomicFile> song = PrepareSongFile(sheet, workingdir, song_path);
  if (!song) return fail(song.error());
  if (stopped()) return stop();
  Result<std::vector<std::uint8_t>> bytes = ReadBack(*song);
  if (!bytes) return fail(bytes.error());
  Result<AtomicFile> archive = PrepareBAR(*bytes, song_path, compress);
  if (!archive) return fail(archive.error());
  if (stopped()) return stop();
  bytes->clear();
  bytes->shrink_to_fit();

  // Both durable under temporary names, then both put in place; if the
  // second cannot be, the first is put back. Writers take turns here only:
  // whichever publishes last leaves a whole pair of its own.
  std::filesystem::path folder = song_path.parent_path();
  Result<FolderLock> lock = FolderLock::Take(folder.empty() ? "." : folder);
  if (!lock) return fail(lock.error());
  // The last moment to stop: from here on the pair is put in place.
  if (stopped()) return stop();
  if (Status s = song->Stage(); !s) return fail(s.error());
  if (Status s = archive->Stage(); !s) return fail(s.error());
  if (Status s = song->Publish(); !s) return fail(s.error());
  if (Status s = archive->Publish(); !s) {
    result.song_written = !song->Restore().ok();
    return fail(s.error());
  }
  song->Settle();
  archive->Settle();
  result.song_written = true;
  result.archive_written = true;
  return result;
}

}  // namespace zembra
