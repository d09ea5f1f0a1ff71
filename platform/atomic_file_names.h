#pragma once

#include <filesystem>
#include <string>

#include "platform/result.h"

namespace zembra {

// The file a write to `target` replaces: `target` with symbolic links
// followed (it need not exist). A folder, or a name that stands for one
// ("." or ".."), is refused.
Result<std::filesystem::path> ResolveWriteTarget(const std::filesystem::path& target);

// A short hidden name for a temporary of this process in `folder`:
// ".zembra-<pid>-<n>", whatever the length of the name it will replace.
std::filesystem::path TemporaryName(const std::filesystem::path& folder);

// Removes temporaries that a process killed before it could clean up left
// in `folder`: names of TemporaryName()'s form whose process is gone and
// whose file nobody holds locked. Best effort; errors are ignored.
void RemoveLeftoverTemporaries(const std::filesystem::path& folder);

}  // namespace zembra
