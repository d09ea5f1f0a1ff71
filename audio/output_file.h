#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/result.h"

namespace zembra {

// Fails when `output` names the same file as `input`, also through links or
// another spelling of the path, so a conversion never overwrites its source.
Status RefuseSameFile(const std::filesystem::path& input, const std::filesystem::path& output);

// Writes `bytes` to `path` atomically: a complete file or none, and an
// existing file of that name untouched on failure.
Status WriteOutputFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace zembra
