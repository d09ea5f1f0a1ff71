#include "platform/terminal_text.h"

#include <cstddef>

namespace zembra {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8Length(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

void AppendHex(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

}  // namespace

std::string EscapeControlBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\\') {
      out += "\\\\";
      ++i;
    } else if (byte < 0x20 || byte == 0x7F) {
      AppendHex(out, byte);
      ++i;
    } else if (byte < 0x80) {
      out += text[i++];
    } else if (const std::size_t length = Utf8Length(text.substr(i)); length > 0) {
      // U+0080 to U+009F are C2 80 to C2 9F.
      const bool c1 = byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
      for (std::size_t k = 0; k < length; ++k) {
        if (c1) {
          AppendHex(out, static_cast<unsigned char>(text[i + k]));
        } else {
          out += text[i + k];
        }
      }
      i += length;
    } else {
      if (byte <= 0x9F) {
        AppendHex(out, byte);
      } else {
        out += text[i];
      }
      ++i;
    }
  }
  return out;
}

}  // namespace zembra
