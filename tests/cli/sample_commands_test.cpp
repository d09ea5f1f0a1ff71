#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

TEST(ScanCommand, ListsUsableSamplesInNaturalOrderAndPatchableFilesApart) {
  TempDir dir;
  WriteFile(dir / "kick10.vag", MakeVag(64, true));
  WriteFile(dir / "kick2.vag", MakeVag(64, true));
  WriteFile(dir / "pad.vag", MakeVag(64, false));
  WriteFile(dir / "notes.txt", "not a sample");
  std::filesystem::create_directory(dir / "sub");
  WriteFile(dir / "sub" / "hidden.vag", MakeVag(64, true));

  CliRun usable = RunCli({"scan", dir.path().string()});
  EXPECT_EQ(usable.status, 0) << usable.err;
  EXPECT_EQ(usable.out, "kick2.vag\nkick10.vag\n");

  CliRun patchable = RunCli({"scan", "--patchable", dir.path().string()});
  EXPECT_EQ(patchable.status, 0) << patchable.err;
  EXPECT_EQ(patchable.out, "pad.vag\n");
}

TEST(ScanCommand, EmptyFolderIsAnAnswerAndAMissingFolderAFailure) {
  TempDir dir;
  CliRun empty = RunCli({"scan", dir.path().string()});
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");
  EXPECT_NE(empty.err.find("No useable VAG files found. Perhaps you need to patch them?"),
            std::string::npos);

  const std::string missing = (dir / "nowhere").string();
  CliRun gone = RunCli({"scan", missing});
  EXPECT_EQ(gone.status, 2);
  EXPECT_NE(gone.err.find(missing), std::string::npos) << gone.err;
}

TEST(PatchCommand, PatchesOrdinaryFilesSoTheScanTakesThem) {
  TempDir dir;
  WriteFile(dir / "a.vag", MakeVag(100, false));
  WriteFile(dir / "b.vag", MakeVag(40, false));
  WriteFile(dir / "c.vag", MakeVag(40, true));

  CliRun patch = RunCli({"patch", dir.path().string()});
  EXPECT_EQ(patch.status, 0) << patch.err;
  EXPECT_EQ(patch.out, "patched a.vag\npatched b.vag\n");
  EXPECT_EQ(ReadFile(dir / "a.vag"), MakeVag(100, true));

  EXPECT_EQ(RunCli({"scan", dir.path().string()}).out, "a.vag\nb.vag\nc.vag\n");
  // Nothing is left to do the second time.
  CliRun again = RunCli({"patch", dir.path().string()});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, "");
}

TEST(PatchCommand, ReportsAFileItSkipsWithTheReasonAndFails) {
  TempDir dir;
  WriteFile(dir / "good.vag", MakeVag(64, false));
  // An ordinary-form magic and version, but too short to hold the sizes.
  Bytes stub = MakeVag(20, false);
  stub.resize(12);
  WriteFile(dir / "stub.vag", stub);

  CliRun patch = RunCli({"patch", dir.path().string()});
  EXPECT_EQ(patch.status, 2);
  EXPECT_EQ(patch.out, "patched good.vag\nskipped stub.vag\n");
  EXPECT_NE(patch.err.find((dir / "stub.vag").string()), std::string::npos) << patch.err;
  EXPECT_NE(patch.err.find("too short"), std::string::npos) << patch.err;
  EXPECT_EQ(ReadFile(dir / "stub.vag"), stub);
}

}  // namespace
}  // namespace zembra::test
