#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace zembra {

// The number of characters (code points) of UTF-8 text, or nothing when the
// bytes are not UTF-8.
std::optional<std::size_t> Utf8Length(std::string_view text);

}  // namespace zembra
