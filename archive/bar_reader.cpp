#include "archive/bar_reader.h"

#include <algorithm>
#include <array>
#include <limits>

#include "platform/os_error.h"

namespace zembra {
namespace {

constexpr std::uint32_t kMaxDeflateRatio = 1032;
constexpr std::array<std::uint8_t, 8> kMagic = {0xE1, 0x17, 0xEF, 0xAD, 0x00, 0x00, 0x00, 0x01};

std::uint32_t Little32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

Error Refuse(const std::filesystem::path& file, const std::string& reason) {
  return FileError("unpack", file, reason);
}

}  // namespace

Result<BarHeader> ParseBarHeader(std::span<const std::uint8_t> archive,
                                 const std::filesystem::path& file) {
  return CheckBarHeader(archive.first(std::min(archive.size(), kBarHeaderSize)), archive.size(),
                        file);
}

Result<BarHeader> CheckBarHeader(std::span<const std::uint8_t> archive, std::uint64_t length,
                                 const std::filesystem::path& file) {
  if (length < kBarHeaderSize || archive.size() < kBarHeaderSize) {
    return Refuse(file, "it is " + std::to_string(length) +
                            " bytes long, shorter than the 36-byte archive header");
  }
  for (std::size_t i = 0; i < kMagic.size(); ++i) {
    if (archive[i] != kMagic[i]) return Refuse(file, "it does not begin like a BULK.BAR archive");
  }
  struct Fixed {
    std::size_t offset;
    std::uint32_t value;
  };
  // Bytes 8-15 are a 64-bit zero, then three constants every archive carries.
  for (const Fixed& f :
       {Fixed{8, 0}, Fixed{12, 0}, Fixed{16, 1}, Fixed{20, 6118477}, Fixed{24, 0}}) {
    if (Little32(archive, f.offset) != f.value) {
      return Refuse(file, "its header holds " + std::to_string(Little32(archive, f.offset)) +
                              " at offset " + std::to_string(f.offset) + " where " +
                              std::to_string(f.value) + " belongs");
    }
  }
  BarHeader header;
  header.unpacked_size = Little32(archive, 28);
  header.packed_size = Little32(archive, 32);
  const std::uint64_t follows = length - kBarHeaderSize;
  if (header.packed_size != follows) {
    return Refuse(file, "its header announces " + std::to_string(header.packed_size) +
                            " packed bytes but " + std::to_string(follows) + " follow");
  }
  // A song file is never empty (its index alone has 31 entries), and an
  // empty inflate result is how a failure is reported, so an unpacked size
  // of 0 could not be told apart from corrupt data.
  if (header.unpacked_size == 0) return Refuse(file, "its header says the song is empty");
  // Deflate packs at most 1032 bytes into one, so a larger claim is false;
  // refusing it here keeps a tiny file from asking for a 2 GiB buffer.
  if (header.unpacked_size > std::uint64_t{kMaxDeflateRatio} * header.packed_size + 64) {
    return Refuse(file, "its header announces a song of " + std::to_string(header.unpacked_size) +
                            " bytes, more than " + std::to_string(header.packed_size) +
                            " packed bytes can hold");
  }
  return header;
}

Result<std::string> UnpackBar(std::span<const std::uint8_t> archive,
                              const std::filesystem::path& file,
                              const DecompressFunction& decompress) {
  Result<BarHeader> header = ParseBarHeader(archive, file);
  if (!header) return header.error();
  if (header->unpacked_size >
      static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
    return Refuse(file, "its header announces a song of " + std::to_string(header->unpacked_size) +
                            " bytes, more than can be unpacked");
  }
  const std::span<const std::uint8_t> packed = archive.subspan(kBarHeaderSize);
  std::string song =
      decompress(std::string_view(reinterpret_cast<const char*>(packed.data()), packed.size()),
                 static_cast<std::int32_t>(header->unpacked_size));
  if (song.empty()) return Refuse(file, "its packed data is corrupt or cut short");
  if (song.size() != header->unpacked_size) {
    return Refuse(file, "its packed data inflates to " + std::to_string(song.size()) +
                            " bytes but the header announces " +
                            std::to_string(header->unpacked_size));
  }
  return song;
}

}  // namespace zembra
