#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/result.h"

namespace zembra {

// Converts one VAG file's header in place to the game's form. The file is
// checked again first; one that no longer needs patching, is too short, or
// cannot be opened for writing is left alone and the error says why.
Status PatchVagFile(const std::filesystem::path& file);

struct PatchFailure {
  std::filesystem::path file;
  std::string reason;  // the whole message, naming the file
};

// Patches every file in turn and returns those it did not patch.
std::vector<PatchFailure> PatchVagFiles(const std::vector<std::filesystem::path>& files);

}  // namespace zembra
