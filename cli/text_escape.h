#pragma once

#include <string>
#include <string_view>

namespace zembra::cli {

// `text` safe to print on a terminal: control bytes (which a song from a
// stranger may carry in its names) become \xHH, so a name can never move
// the cursor or change the terminal's state. Other bytes pass unchanged.
std::string EscapeForTerminal(std::string_view text);

}  // namespace zembra::cli
