#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/result.h"

namespace zembra {

// Leaf names of the files in `folder` (not its subfolders) whose header is in
// the game's form, in natural order (see NaturalCompare: case-insensitive,
// digit runs by value). Only regular files count; a symbolic link counts as
// the regular file it points to. Files that cannot be opened or read, and
// FIFOs, devices and dangling links, are passed over. Fails only when the
// folder itself cannot be listed.
Result<std::vector<std::string>> ScanUsableSamples(const std::filesystem::path& folder);

// Full paths of the files in `folder` that are VAG files in the ordinary
// form and need patching, chosen and ordered the same way.
Result<std::vector<std::filesystem::path>> ListFilesNeedingPatch(
    const std::filesystem::path& folder);

}  // namespace zembra
