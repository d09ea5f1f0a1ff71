#pragma once

#include <filesystem>
#include <string_view>

#include "platform/result.h"

namespace zembra {

// "Cannot <action> "<path>": <reason from errno>." — the one wording for
// failures the operating system reports, so every message names file and cause.
Error FileError(std::string_view action, const std::filesystem::path& path, int err);

// The same, with a reason of our own instead of errno's.
Error FileError(std::string_view action, const std::filesystem::path& path,
                std::string_view reason);

}  // namespace zembra
