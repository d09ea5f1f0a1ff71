#include "samples/folder_scan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::Bytes;
using test::MakeVag;
using test::TempDir;
using test::WriteFile;

// Ends the test run with SIGALRM instead of hanging if a scan waits on a FIFO.
class HangGuard {
 public:
  HangGuard() { ::alarm(20); }
  ~HangGuard() { ::alarm(0); }
};

// A folder holding every kind of entry the scans must tell apart.
void FillMixedFolder(const TempDir& dir) {
  WriteFile(dir / "game.vag", MakeVag(64, true));
  WriteFile(dir / "kick10.vag", MakeVag(48, true));
  WriteFile(dir / "Kick2.vag", MakeVag(20, true));
  WriteFile(dir / "sample.raw", MakeVag(32, true));
  WriteFile(dir / "ordinary.vag", MakeVag(64, false));
  WriteFile(dir / "eight_bytes", Bytes{0x56, 0x41, 0x47, 0x70, 0, 0, 0, 0x20});
  WriteFile(dir / "seven_bytes.vag", Bytes{0x56, 0x41, 0x47, 0x70, 0x01, 0, 0});
  WriteFile(dir / "empty.vag", Bytes{});
  WriteFile(dir / "reversed.vag", Bytes{0x70, 0x47, 0x41, 0x56, 0x01, 0, 0, 0, 0, 0});
  std::filesystem::create_directory(dir / "sub");
  WriteFile(dir / "sub" / "inner.vag", MakeVag(64, true));
  WriteFile(dir / "sub" / "inner_ordinary.vag", MakeVag(64, false));
  std::filesystem::create_directory(dir / "folder.vag");
  std::filesystem::create_symlink(dir / "sub" / "inner.vag", dir / "link.vag");
  std::filesystem::create_symlink(dir / "sub", dir / "folder_link");
  std::filesystem::create_symlink(dir / "gone.vag", dir / "dangling.vag");
  ASSERT_EQ(::mkfifo((dir / "pipe.vag").c_str(), 0644), 0);
}

TEST(FolderScan, TakesGameFormFilesOnlyInNaturalOrder) {
  HangGuard guard;
  TempDir dir;
  FillMixedFolder(dir);
  auto names = ScanUsableSamples(dir.path());
  ASSERT_TRUE(names.ok()) << names.error().message;
  EXPECT_EQ(*names, (std::vector<std::string>{"game.vag", "Kick2.vag", "kick10.vag", "link.vag",
                                              "sample.raw"}));
}

TEST(FolderScan, ListsOrdinaryFormFilesByFullPath) {
  HangGuard guard;
  TempDir dir;
  FillMixedFolder(dir);
  auto files = ListFilesNeedingPatch(dir.path());
  ASSERT_TRUE(files.ok()) << files.error().message;
  EXPECT_EQ(*files,
            (std::vector<std::filesystem::path>{dir / "eight_bytes", dir / "ordinary.vag"}));
}

TEST(FolderScan, AFolderThatCannotBeListedIsAnErrorNamingIt) {
  TempDir dir;
  WriteFile(dir / "plain", MakeVag(64, true));
  for (const auto& folder : {dir / "plain", dir / "missing"}) {
    auto names = ScanUsableSamples(folder);
    ASSERT_FALSE(names.ok());
    EXPECT_NE(names.error().message.find(folder.string()), std::string::npos)
        << names.error().message;
    EXPECT_FALSE(ListFilesNeedingPatch(folder).ok());
  }
}

}  // namespace
}  // namespace zembra
