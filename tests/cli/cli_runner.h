#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zembra::test {

// What a run of the built zembra-cli left behind.
struct CliRun {
  int status = -1;  // exit status; 128 + signal number if it was killed
  std::string out;
  std::string err;
  long max_rss_kib = 0;  // the most memory the process held at once
};

// Runs the built zembra-cli with `args` as a separate process, in `cwd` when
// given, and waits for it.
CliRun RunCli(const std::vector<std::string>& args, const std::filesystem::path& cwd = {});

// The folder of the repository's examples.
std::filesystem::path ExamplesDir();

}  // namespace zembra::test
