// The user's own files: no command replaces one it was not asked to write,
// takes one for another, or reports success when its answer was lost.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

class UserFiles : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir_ / "vags");
    WriteFile(dir_ / "vags" / "kick.vag", MakeVag(64, true));
    WriteFile(dir_ / "vags" / "snare.vag", MakeVag(80, true));
    WriteFile(json_, R"({"tempo": 120, "samples_dir": "vags",
                         "tracks": [{"samples": ["kick.vag", "snare.vag"]}]})");
  }

  TempDir dir_;
  fs::path json_ = dir_ / "song.json";
};

TEST_F(UserFiles, BuildRefusesToWriteOverOneOfItsOwnSamples) {
  fs::create_hard_link(dir_ / "vags" / "kick.vag", dir_ / "twin.bjs");
  for (const fs::path& out : {dir_ / "vags" / "kick.vag", dir_ / "twin.bjs"}) {
    const CliRun run = RunCli({"build", json_.string(), "-o", out.string()});
    EXPECT_EQ(run.status, 2) << out;
    EXPECT_NE(run.err.find("it is the sample \"kick.vag\" of this song"), std::string::npos)
        << run.err;
  }
  EXPECT_EQ(ReadFile(dir_ / "vags" / "kick.vag"), MakeVag(64, true));
  EXPECT_FALSE(fs::exists(dir_ / "JAM_0002"));
  EXPECT_FALSE(fs::exists(dir_ / "vags" / "JAM_0002"));
}

TEST_F(UserFiles, BuildNamesAFolderGivenAsTheSong) {
  for (const std::string& out : {(dir_ / "vags" / ".").string(), (dir_ / "vags").string()}) {
    const CliRun run = RunCli({"build", json_.string(), "-o", out});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("\"" + out + "\": it "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("folder"), std::string::npos) << run.err;
  }
}

TEST_F(UserFiles, BuildKeepsTheModeAndTheLinkOfAnEarlierSong) {
  fs::create_directory(dir_ / "real");
  WriteFile(dir_ / "real" / "song.bjs", "an earlier song");
  fs::permissions(dir_ / "real" / "song.bjs", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(dir_ / "real" / "song.bjs", dir_ / "song.bjs");
  const CliRun run = RunCli({"build", json_.string(), "-o", (dir_ / "song.bjs").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(dir_ / "song.bjs"));
  EXPECT_NE(ReadFile(dir_ / "real" / "song.bjs"), BytesOf("an earlier song"));
  EXPECT_EQ(fs::status(dir_ / "real" / "song.bjs").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(UserFiles, ExtractNeverReplacesFilesInTheFolder) {
  const fs::path song = dir_ / "s.bjs";
  ASSERT_EQ(RunCli({"build", json_.string(), "-o", song.string()}).status, 0);
  const fs::path out = dir_ / "out";
  fs::create_directory(out);
  WriteFile(out / "sample01.vag", "the user's own file");
  const CliRun run = RunCli({"extract", song.string(), "-d", out.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find((out / "sample01.vag").string()), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(out / "sample01.vag"), BytesOf("the user's own file"));
  EXPECT_FALSE(fs::exists(out / "sample00.vag")) << "nothing is written when one name is taken";
}

TEST(PatchTwins, AHardLinkedTwinIsPatchedOnceAndNotReportedAsAFailure) {
  TempDir dir;
  WriteFile(dir / "a.vag", MakeVag(100, false));
  fs::create_hard_link(dir / "a.vag", dir / "b.vag");
  const CliRun run = RunCli({"patch", dir.path().string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "patched a.vag\n");
  EXPECT_EQ(ReadFile(dir / "b.vag"), MakeVag(100, true));
}

TEST(StandardOutput, AFailedWriteToStandardOutputIsAFailure) {
  TempDir dir;
  WriteFile(dir / "a.vag", MakeVag(64, true));
  const std::string cli = ZEMBRA_CLI_PATH;
  const std::string command = "'" + cli + "' scan '" + dir.path().string() + "' >/dev/full 2>'" +
                              (dir / "err").string() + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  const Bytes err = ReadFile(dir / "err");
  EXPECT_NE(std::string(err.begin(), err.end()).find("standard output"), std::string::npos);
}

TEST(TerminalOutput, NamesNeverReachTheTerminalRaw) {
  TempDir dir;
  // ESC, a newline that would split the list, and C1's CSI as a lone byte
  // and as UTF-8.
  const std::string names[] = {"a\x1b[2Jb.vag", "two\nlines.vag",
                               "c\x9b"
                               "31m.vag",
                               "d\xc2\x9b"
                               "31m.vag"};
  for (const std::string& name : names) WriteFile(dir / name, MakeVag(64, true));
  WriteFile(dir / "\xc3\xa9t\xc3\xa9.vag", MakeVag(64, true));  // letters pass as they are
  const CliRun run = RunCli({"scan", dir.path().string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "a\\x1b[2Jb.vag\nc\\x9b31m.vag\nd\\xc2\\x9b31m.vag\n"
            "two\\x0alines.vag\n\xc3\xa9t\xc3\xa9.vag\n");

  fs::create_directory(dir / "p");
  for (const std::string& name : names) WriteFile(dir / "p" / name, MakeVag(64, false));
  const CliRun patch = RunCli({"patch", (dir / "p").string()});
  EXPECT_EQ(patch.out.find('\x1b'), std::string::npos) << patch.out;
  EXPECT_EQ(patch.out.find('\x9b'), std::string::npos) << patch.out;
  EXPECT_EQ(std::count(patch.out.begin(), patch.out.end(), '\n'), 4) << patch.out;

  // Build and extract print the paths they wrote.
  WriteFile(dir / "s.json", R"({"tempo": 1, "tracks": [{"samples": ["a\u001b[2Jb.vag"]}]})");
  const fs::path song = dir / "p" / "x\x1b]0;title\x07.bjs";
  const CliRun build = RunCli(
      {"build", (dir / "s.json").string(), "-o", song.string(), "--samples", dir.path().string()});
  ASSERT_EQ(build.status, 0) << build.err;
  EXPECT_EQ(build.out.find('\x1b'), std::string::npos) << build.out;
  const CliRun extract = RunCli({"extract", song.string(), "-d", (dir / "p" / "\x1b").string()});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(extract.out.find('\x1b'), std::string::npos) << extract.out;
  // Errors name files too.
  const CliRun missing = RunCli({"inspect", (dir / "gone\x1b[2J").string()});
  EXPECT_EQ(missing.err.find('\x1b'), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace zembra::test
