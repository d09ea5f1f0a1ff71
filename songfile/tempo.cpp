#include "songfile/tempo.h"

#include <cstdint>
#include <limits>

namespace zembra {

namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
}  // namespace

Result<std::int32_t> ParseTempo(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  // A plus sign still spells a positive whole number; a minus sign never does.
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return Error{std::string(kTempoMessage)};

  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return Error{std::string(kTempoMessage)};
    value = value * 10 + (c - '0');
    if (value > kMax) return Error{std::string(kTempoMessage)};  // also stops overflow
  }
  if (value < 1) return Error{std::string(kTempoMessage)};
  return static_cast<std::int32_t>(value);
}

}  // namespace zembra
