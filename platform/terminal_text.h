#pragma once

#include <string>
#include <string_view>

namespace zembra {

// `text` safe to print on a terminal or show in a message: control
// characters (C0, DEL and C1, which a name from a stranger may carry) become
// \xHH for each of their bytes, and a backslash becomes "\\", so a name can
// never move the cursor, change the terminal's state or split a line.
// C1 counts both as the UTF-8 of U+0080 to U+009F and as a lone byte 0x80 to
// 0x9F outside any UTF-8 sequence; other text, UTF-8 letters included,
// passes unchanged.
std::string EscapeControlBytes(std::string_view text);

}  // namespace zembra
