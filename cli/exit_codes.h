#pragma once

namespace zembra::cli {

// What zembra-cli tells the shell: scripts tell a mistyped command line (1)
// from input the tools refused or a file that could not be read or written (2).
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailed = 2;

}  // namespace zembra::cli
