#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zembra {

// The sample tools read and write only the first 20 bytes of a VAG file:
// magic "VAGp" at 0, version at 4, reserved at 8, data size at 12 and sample
// rate at 16. In the game's form the version bytes are 01 00 00 00 and the
// sizes little-endian; in the ordinary form the numbers are big-endian.
inline constexpr std::size_t kVagHeaderSize = 20;
// The two tests below look at this many leading bytes.
inline constexpr std::size_t kVagTestSize = 8;
inline constexpr std::array<std::uint8_t, 4> kVagMagic = {'V', 'A', 'G', 'p'};
inline constexpr std::array<std::uint8_t, 4> kVagGameVersion = {0x01, 0x00, 0x00, 0x00};

enum class VagForm { kGame, kOrdinary };

struct VagHeader {
  VagForm form = VagForm::kGame;
  // The numbers as read in the byte order of `form`.
  std::uint32_t version = 0;
  std::uint32_t data_size = 0;
  std::uint32_t sample_rate = 0;
};

// True when the leading bytes are "VAGp" 01 00 00 00: the file is usable by
// the game as it is. Fewer than 8 bytes never match.
bool IsGameFormVag(std::span<const std::uint8_t> leading);

// True when the leading bytes are "VAGp" followed by any version other than
// 01 00 00 00: an ordinary-form file the patcher converts.
bool NeedsVagPatch(std::span<const std::uint8_t> leading);

// The header of a VAG file in either form, or nothing when the bytes do not
// begin with "VAGp" or are shorter than a whole header.
std::optional<VagHeader> ParseVagHeader(std::span<const std::uint8_t> bytes);

// The game-form header for `bytes`, an ordinary-form header: version 01 00
// 00 00 and both sizes with their four bytes reversed. Bytes 0-3 and 8-11
// are kept.
std::array<std::uint8_t, kVagHeaderSize> ToGameForm(
    std::span<const std::uint8_t, kVagHeaderSize> bytes);

}  // namespace zembra
