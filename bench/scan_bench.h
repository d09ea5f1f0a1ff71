#pragma once

#include <string>

namespace zembra::bench {

// Prints the folder scan's figures for a folder of 10,000 files; 0 unless
// something failed.
int RunScanBench(const std::string& cli, int runs);

}  // namespace zembra::bench
