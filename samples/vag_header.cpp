#include "samples/vag_header.h"

#include <algorithm>

namespace zembra {

namespace {

bool HasMagic(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= kVagMagic.size() &&
         std::equal(kVagMagic.begin(), kVagMagic.end(), bytes.begin());
}

bool HasGameVersion(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= kVagTestSize &&
         std::equal(kVagGameVersion.begin(), kVagGameVersion.end(), bytes.begin() + 4);
}

std::uint32_t Number(std::span<const std::uint8_t> bytes, std::size_t at, bool little) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t shift = little ? 8 * i : 8 * (3 - i);
    value |= static_cast<std::uint32_t>(bytes[at + i]) << shift;
  }
  return value;
}

}  // namespace

bool IsGameFormVag(std::span<const std::uint8_t> leading) {
  return HasMagic(leading) && HasGameVersion(leading);
}

bool NeedsVagPatch(std::span<const std::uint8_t> leading) {
  return HasMagic(leading) && leading.size() >= kVagTestSize && !HasGameVersion(leading);
}

std::optional<VagHeader> ParseVagHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kVagHeaderSize || !HasMagic(bytes)) return std::nullopt;
  VagHeader header;
  header.form = HasGameVersion(bytes) ? VagForm::kGame : VagForm::kOrdinary;
  const bool little = header.form == VagForm::kGame;
  header.version = Number(bytes, 4, little);
  header.data_size = Number(bytes, 12, little);
  header.sample_rate = Number(bytes, 16, little);
  return header;
}

std::array<std::uint8_t, kVagHeaderSize> ToGameForm(
    std::span<const std::uint8_t, kVagHeaderSize> bytes) {
  std::array<std::uint8_t, kVagHeaderSize> out;
  std::copy(bytes.begin(), bytes.end(), out.begin());
  std::copy(kVagGameVersion.begin(), kVagGameVersion.end(), out.begin() + 4);
  std::reverse(out.begin() + 12, out.begin() + 16);
  std::reverse(out.begin() + 16, out.begin() + 20);
  return out;
}

}  // namespace zembra
