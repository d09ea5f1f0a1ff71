#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace zembra {

inline constexpr std::size_t kBarHeaderSize = 36;

// The two fields of a BULK.BAR header that differ between archives.
struct BarHeader {
  std::uint32_t unpacked_size = 0;
  std::uint32_t packed_size = 0;
};

// Inflates a zlib stream expected to hold `size` bytes; an empty result
// means the data could not be inflated.
using DecompressFunction = std::function<std::string(std::string_view packed, std::int32_t size)>;

// Checks the fixed header of an archive read whole from `file` (the magic,
// the constants, a packed size that matches what follows) and returns its
// sizes. `file` only names the archive in messages.
Result<BarHeader> ParseBarHeader(std::span<const std::uint8_t> archive,
                                 const std::filesystem::path& file);

// The same for an archive of `length` bytes of which only the header (its
// first 36 bytes) has been read, so a large file is judged before it is read.
Result<BarHeader> CheckBarHeader(std::span<const std::uint8_t> header, std::uint64_t length,
                                 const std::filesystem::path& file);

// The song packed in the archive: the header checked, the data inflated and
// its length checked against the header's unpacked size.
Result<std::string> UnpackBar(std::span<const std::uint8_t> archive,
                              const std::filesystem::path& file,
                              const DecompressFunction& decompress);

}  // namespace zembra
