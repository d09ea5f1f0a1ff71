#include "samples/vag_patch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "samples/folder_scan.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::Bytes;
using test::MakeVag;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(VagPatch, FlipsTheHeaderAndNothingElse) {
  TempDir dir;
  const Bytes before = MakeVag(100, /*game_form=*/false, 0x1000, 44100);
  ASSERT_EQ(Bytes(before.begin() + 4, before.begin() + 8), (Bytes{0, 0, 0, 0x20}));
  ASSERT_EQ(Bytes(before.begin() + 12, before.begin() + 20),
            (Bytes{0, 0, 0x10, 0, 0, 0, 0xAC, 0x44}));
  WriteFile(dir / "a.vag", before);

  Status patched = PatchVagFile(dir / "a.vag");
  ASSERT_TRUE(patched.ok()) << patched.error().message;
  Bytes expected = before;
  const Bytes version = {1, 0, 0, 0};
  const Bytes sizes = {0, 0x10, 0, 0, 0x44, 0xAC, 0, 0};
  std::copy(version.begin(), version.end(), expected.begin() + 4);
  std::copy(sizes.begin(), sizes.end(), expected.begin() + 12);
  EXPECT_EQ(ReadFile(dir / "a.vag"), expected);

  auto names = ScanUsableSamples(dir.path());
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::string>{"a.vag"});

  // A second patch is refused and changes nothing.
  Status again = PatchVagFile(dir / "a.vag");
  ASSERT_FALSE(again.ok());
  EXPECT_TRUE(Contains(again.error().message, "already in the game's form"));
  EXPECT_EQ(ReadFile(dir / "a.vag"), expected);
}

TEST(VagPatch, PatchingAFolderTwiceChangesNothingTheSecondTime) {
  TempDir dir;
  WriteFile(dir / "one.vag", MakeVag(64, false));
  WriteFile(dir / "two.vag", MakeVag(20, false, 7, 22050));
  WriteFile(dir / "three.vag", MakeVag(64, true));
  auto first = ListFilesNeedingPatch(dir.path());
  ASSERT_TRUE(first.ok());
  ASSERT_EQ(first->size(), 2u);
  EXPECT_TRUE(PatchVagFiles(*first).empty());
  const Bytes one = ReadFile(dir / "one.vag");
  const Bytes two = ReadFile(dir / "two.vag");
  EXPECT_EQ(one, MakeVag(64, true));
  EXPECT_EQ(two, MakeVag(20, true, 7, 22050));

  auto second = ListFilesNeedingPatch(dir.path());
  ASSERT_TRUE(second.ok());
  EXPECT_TRUE(second->empty());
  EXPECT_TRUE(PatchVagFiles(*second).empty());
  EXPECT_EQ(ReadFile(dir / "one.vag"), one);
  EXPECT_EQ(ReadFile(dir / "two.vag"), two);
}

TEST(VagPatch, FilesThatChangedSinceListingAreSkippedAndReported) {
  ::alarm(20);  // a patch that waited on the FIFO would end the run, not hang it
  TempDir dir;
  const Bytes game = MakeVag(64, true);
  const Bytes other = test::BytesOf("RIFF0000WAVEfmt of some other kind of file");
  const Bytes short_one = {0x56, 0x41, 0x47, 0x70, 0, 0, 0, 0x20, 0, 0, 0, 0};
  WriteFile(dir / "game.vag", game);
  WriteFile(dir / "other.vag", other);
  WriteFile(dir / "short.vag", short_one);
  WriteFile(dir / "good.vag", MakeVag(64, false));
  ASSERT_EQ(::mkfifo((dir / "pipe.vag").c_str(), 0644), 0);

  const std::vector<std::filesystem::path> listed = {
      dir / "game.vag", dir / "other.vag", dir / "short.vag", dir / "gone.vag",
      dir / "pipe.vag", dir / "good.vag",  dir.path()};
  const std::vector<PatchFailure> failures = PatchVagFiles(listed);

  const std::vector<std::pair<std::filesystem::path, std::string>> expected = {
      {dir / "game.vag", "already in the game's form"}, {dir / "other.vag", "not a VAG file"},
      {dir / "short.vag", "12 bytes long, too short"},  {dir / "gone.vag", "No such file"},
      {dir / "pipe.vag", "not a regular file"},         {dir.path(), "Is a directory"},
  };
  ASSERT_EQ(failures.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(failures[i].file, expected[i].first);
    EXPECT_TRUE(Contains(failures[i].reason, "\"" + expected[i].first.string() + "\""))
        << failures[i].reason;
    EXPECT_TRUE(Contains(failures[i].reason, expected[i].second)) << failures[i].reason;
  }
  EXPECT_EQ(ReadFile(dir / "game.vag"), game);
  EXPECT_EQ(ReadFile(dir / "other.vag"), other);
  EXPECT_EQ(ReadFile(dir / "short.vag"), short_one);
  EXPECT_EQ(ReadFile(dir / "good.vag"), MakeVag(64, true)) << "the others do not stop the rest";
  ::alarm(0);
}

TEST(VagPatch, AWriteErrorIsReportedAndLeavesTheFileAsItWas) {
  TempDir dir;
  const Bytes before = MakeVag(64, false);
  WriteFile(dir / "a.vag", before);
  Status patched = [&] {
    test::FileSizeLimit limit(4);  // no byte may be written at offset 4 or later
    return PatchVagFile(dir / "a.vag");
  }();
  ASSERT_FALSE(patched.ok());
  EXPECT_TRUE(Contains(patched.error().message, "Cannot write \"" + (dir / "a.vag").string()))
      << patched.error().message;
  EXPECT_EQ(ReadFile(dir / "a.vag"), before);
}

}  // namespace
}  // namespace zembra
