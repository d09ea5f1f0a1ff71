#include "songfile/utf8_text.h"

#include <cstdint>

namespace zembra {

std::optional<std::size_t> Utf8Length(std::string_view text) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++characters) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    // C0, C1 and F5 to FF never start a character.
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || length > text.size() - i) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<std::uint8_t>(text[i + k]) & 0xC0) != 0x80) return std::nullopt;
    }
    i += length;
  }
  return characters;
}

}  // namespace zembra
