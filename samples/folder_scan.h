#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/result.h"

namespace zembra {

// Leaf names of the files in `folder` (not its subfolders) whose header is in
// the game's form, in natural order (case-insensitive, digit runs by value).
// Files that cannot be opened are passed over. Fails only when the folder
// itself cannot be listed.
Result<std::vector<std::string>> ScanUsableSamples(const std::filesystem::path& folder);

// Full paths of the files in `folder` that are VAG files in the ordinary
// form and need patching, in the same natural order.
Result<std::vector<std::filesystem::path>> ListFilesNeedingPatch(
    const std::filesystem::path& folder);

}  // namespace zembra
