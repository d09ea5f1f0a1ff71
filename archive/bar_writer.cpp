#include "archive/bar_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/binary_stream.h"
#include "platform/os_error.h"

namespace zembra {

namespace {

constexpr std::uint64_t kBarMagic = 0xE117EFAD00000001;
constexpr std::uint32_t kFirstConstant = 1;
constexpr std::uint32_t kSecondConstant = 6118477;
constexpr std::uint32_t kThirdConstant = 0;
constexpr int kPackLevel = 9;
// Both sizes in the header are 32-bit.
constexpr std::uint64_t kMaxSize = std::numeric_limits<std::uint32_t>::max();

// A song read whole, straight into memory of its own size: no zero-filling
// and no copy beyond the one read.
struct SongBytes {
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
  std::span<const std::uint8_t> span() const {
    return {reinterpret_cast<const std::uint8_t*>(bytes.get()), size};
  }
};

// Closes a descriptor on every way out.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

Result<SongBytes> ReadSong(const std::filesystem::path& song_file) {
  // O_NONBLOCK keeps a FIFO in the song's place from hanging the open.
  const Descriptor in{::open(song_file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (in.fd < 0) return FileError("open", song_file, errno);
  struct stat info {};
  if (::fstat(in.fd, &info) != 0) return FileError("open", song_file, errno);
  if (!S_ISREG(info.st_mode)) return FileError("open", song_file, "it is not a regular file");
  const auto length = static_cast<std::uint64_t>(info.st_size);
  if (length > kMaxSize) {
    return FileError("pack", song_file, "songs of 4 GiB or more do not fit in BULK.BAR");
  }
  SongBytes song;
  song.size = static_cast<std::size_t>(length);
  song.bytes.reset(new (std::nothrow) char[song.size == 0 ? 1 : song.size]);
  if (!song.bytes) return FileError("read", song_file, ENOMEM);
  std::size_t got = 0;
  char extra = 0;
  while (true) {
    // One byte past the end as well, to notice a song that grew meanwhile.
    char* at = got < song.size ? song.bytes.get() + got : &extra;
    const std::size_t want = got < song.size ? song.size - got : 1;
    const ssize_t n = ::read(in.fd, at, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileError("read", song_file, errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
    if (got > song.size) break;
  }
  if (got != song.size) return FileError("read", song_file, "it changed while it was read");
  return song;
}

// Makes `folder`, or uses it as it is when it already exists.
Status MakeFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), 0777) == 0) return Ok();
  const int err = errno;
  std::error_code ec;
  if (err == EEXIST && std::filesystem::is_directory(folder, ec)) return Ok();
  if (err == EEXIST) return FileError("create folder", folder, "a file of that name is in the way");
  return FileError("create folder", folder, err);
}

}  // namespace

std::filesystem::path ArchivePathFor(const std::filesystem::path& song_file) {
  return song_file.parent_path() / "JAM_0002" / "BULK.BAR";
}

Result<AtomicFile> PrepareBAR(std::span<const std::uint8_t> song,
                              const std::filesystem::path& song_file,
                              const CompressFunction& compress) {
  const std::filesystem::path archive_path = ArchivePathFor(song_file);
  if (song.size() > kMaxSize) {
    return FileError("pack", song_file, "songs of 4 GiB or more do not fit in BULK.BAR");
  }
  const SharedBytes packed =
      compress ? compress(std::string_view(reinterpret_cast<const char*>(song.data()), song.size()),
                          kPackLevel)
               : SharedBytes();
  // An empty result is the compressor's way of saying it failed.
  if (packed.empty()) return FileError("create", archive_path, "packing the song failed");
  if (packed.size() > kMaxSize) {
    return FileError("create", archive_path, "the packed song is 4 GiB or more");
  }

  if (Status made = MakeFolder(archive_path.parent_path()); !made) return made.error();
  Result<AtomicFile> archive = AtomicFile::Create(archive_path);
  if (!archive) return archive.error();
  BinaryStream& out = archive->stream();
  out.WriteInt64(kBarMagic);
  out.SetLittleEndian(true);
  out.WriteInt64(0);
  out.WriteInt32(kFirstConstant);
  out.WriteInt32(kSecondConstant);
  out.WriteInt32(kThirdConstant);
  out.WriteInt32(static_cast<std::uint32_t>(song.size()));
  out.WriteInt32(static_cast<std::uint32_t>(packed.size()));
  out.Write(packed.view());
  if (Status written = out.status(); !written) return written.error();
  return archive;
}

Status GenerateBAR(const std::filesystem::path& song_file, const CompressFunction& compress) {
  // Everything that can fail before writing is done first, so a failure
  // leaves the folder as it was.
  Result<SongBytes> song = ReadSong(song_file);
  if (!song) return song.error();
  Result<AtomicFile> archive = PrepareBAR(song->span(), song_file, compress);
  if (!archive) return archive.error();
  song->bytes.reset();  // packed and written; the commit needs no song
  return archive->Commit();
}

}  // namespace zembra
