#pragma once

#include <cstdint>
#include <string_view>

#include "platform/result.h"

namespace zembra {

inline constexpr std::string_view kTempoMessage = "Tempo needs to be a positive integer";

// The tempo of a song from the text the user typed: a whole decimal number
// from 1 to 2147483647, blanks around it allowed. Anything else is refused
// with kTempoMessage.
Result<std::int32_t> ParseTempo(std::string_view text);

}  // namespace zembra
