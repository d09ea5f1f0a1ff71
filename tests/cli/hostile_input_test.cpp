// Files from strangers: whatever they hold, the tools refuse them cheaply,
// naming the file, and never multiply them into memory or onto the disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

// A file of `size` zero bytes that takes no room on the disk.
void MakeSparse(const fs::path& path, off_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
}

constexpr long kQuarterGiB = 256L << 20;

TEST(HostileInput, ALargeFileThatIsNoSongIsRefusedBeforeItIsRead) {
  TempDir dir;
  const fs::path zeros = dir / "zeros.bjs";
  MakeSparse(zeros, kQuarterGiB);
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"inspect", zeros.string()},
        {"extract", zeros.string(), "-d", (dir / "out").string()}}) {
    CliRun run = RunCli(command);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find(zeros.string()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("larger than any song's index"), std::string::npos) << run.err;
    // Far less than the file, let alone the entries it would make.
    EXPECT_LT(run.max_rss_kib * 1024, kQuarterGiB / 2) << command[0];
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
}

}  // namespace
}  // namespace zembra::test
