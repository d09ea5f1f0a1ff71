#include "archive/bar_writer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <system_error>
#include <utility>
#include <vector>

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

Result<std::vector<std::uint8_t>> ReadSong(const std::filesystem::path& song_file) {
  Result<BinaryStream> stream = BinaryStream::OpenRegular(song_file, BinaryStream::Access::kRead);
  if (!stream) return stream.error();
  const std::uint64_t length = stream->Length();
  if (length > kMaxSize) {
    (void)stream->Close();
    return FileError("pack", song_file, "songs of 4 GiB or more do not fit in BULK.BAR");
  }
  std::vector<std::uint8_t> song = stream->Read(static_cast<std::size_t>(length));
  if (Status closed = stream->Close(); !closed) return closed.error();
  if (song.size() != length) return FileError("read", song_file, "it changed while it was read");
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
  const std::string packed =
      compress ? compress(std::string_view(reinterpret_cast<const char*>(song.data()), song.size()),
                          kPackLevel)
               : std::string();
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
  out.Write(packed);
  if (Status written = out.status(); !written) return written.error();
  return archive;
}

Status GenerateBAR(const std::filesystem::path& song_file, const CompressFunction& compress) {
  // Everything that can fail before writing is done first, so a failure
  // leaves the folder as it was.
  Result<std::vector<std::uint8_t>> song = ReadSong(song_file);
  if (!song) return song.error();
  Result<AtomicFile> archive = PrepareBAR(*song, song_file, compress);
  if (!archive) return archive.error();
  return archive->Commit();
}

}  // namespace zembra
