#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zembra {

class TaskProgress;

// A name for a new sample made from `source` in `folder`: the source's stem
// and ".vag", or, where a file of that name exists, the stem with the first
// free number ("_2", "_3", ...), so nothing is ever replaced.
std::filesystem::path FreeSampleName(const std::filesystem::path& folder,
                                     const std::filesystem::path& source);

struct ImportOutcome {
  std::vector<std::string> imported;  // leaf names of the new samples
  std::vector<std::string> failures;  // one message for each file not imported
  bool cancelled = false;
};

// Turns each audio file into a game-form sample in `folder`, one after
// another. A file that fails is reported and the others go on. Cancelling
// stops before the next file: every sample written is whole, and the one in
// hand when the request came is finished or not written at all.
ImportOutcome ImportAudioFiles(const std::vector<std::filesystem::path>& sources,
                               const std::filesystem::path& folder, TaskProgress& progress);

}  // namespace zembra
