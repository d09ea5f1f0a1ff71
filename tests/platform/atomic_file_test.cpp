#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::ReadFile;
using test::TempDir;

std::size_t EntriesIn(const std::filesystem::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(AtomicFile, ReplacesTheTargetOnlyOnCommit) {
  TempDir dir;
  test::WriteFile(dir / "song.bjs", "old contents");
  auto file = AtomicFile::Create(dir / "song.bjs");
  ASSERT_TRUE(file.ok()) << file.error().message;
  file->stream().Write(std::string_view("new"));
  EXPECT_EQ(ReadFile(dir / "song.bjs"), test::BytesOf("old contents"));
  ASSERT_TRUE(file->Commit().ok());
  EXPECT_EQ(ReadFile(dir / "song.bjs"), test::BytesOf("new"));
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file remains";
}

TEST(AtomicFile, AbandonedWriteLeavesNothingBehind) {
  TempDir dir;
  test::WriteFile(dir / "song.bjs", "old");
  {
    auto file = AtomicFile::Create(dir / "song.bjs");
    ASSERT_TRUE(file.ok());
    file->stream().Write(std::string_view("partial"));
  }
  EXPECT_EQ(ReadFile(dir / "song.bjs"), test::BytesOf("old"));
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileAndRemovesTheTemporary) {
  TempDir dir;
  test::WriteFile(dir / "song.bjs", "old");
  auto file = AtomicFile::Create(dir / "song.bjs");
  ASSERT_TRUE(file.ok());
  Status committed = Ok();
  {
    test::FileSizeLimit limit(1000);
    for (int i = 0; i < 1000; ++i) file->stream().WriteInt32(1);
    committed = file->Commit();
  }
  ASSERT_FALSE(committed.ok());
  EXPECT_NE(committed.error().message.find("song.bjs"), std::string::npos);
  EXPECT_NE(committed.error().message.find("too large"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "song.bjs"), test::BytesOf("old"));
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, CannotCreateInAFolderThatIsAPlainFile) {
  TempDir dir;
  test::WriteFile(dir / "notafolder", "x");
  auto file = AtomicFile::Create(dir / "notafolder" / "song.bjs");
  ASSERT_FALSE(file.ok());
  EXPECT_NE(file.error().message.find("notafolder/song.bjs"), std::string::npos);
  EXPECT_NE(file.error().message.find("Not a directory"), std::string::npos);
}

TEST(AtomicFile, KeepsModeAndOwnerOfTheFileItReplaces) {
  TempDir dir;
  test::WriteFile(dir / "song.bjs", "old");
  std::filesystem::permissions(
      dir / "song.bjs", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  // Another owner can only be given by root; elsewhere the mode alone is checked.
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown((dir / "song.bjs").c_str(), 1234, 5678), 0);
  }
  auto file = AtomicFile::Create(dir / "song.bjs");
  ASSERT_TRUE(file.ok());
  file->stream().Write(std::string_view("new"));
  ASSERT_TRUE(file->Commit().ok());
  struct stat info {};
  ASSERT_EQ(::stat((dir / "song.bjs").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  if (root) {
    EXPECT_EQ(info.st_uid, 1234u);
    EXPECT_EQ(info.st_gid, 5678u);
  }
}

TEST(AtomicFile, WritesThroughASymbolicLinkInTheTargetsOwnFolder) {
  TempDir dir;
  std::filesystem::create_directory(dir / "real");
  test::WriteFile(dir / "real" / "song.bjs", "old");
  std::filesystem::create_symlink("real/song.bjs", dir / "link.bjs");
  std::filesystem::create_symlink(dir / "link.bjs", dir / "chain.bjs");
  auto file = AtomicFile::Create(dir / "chain.bjs");
  ASSERT_TRUE(file.ok()) << file.error().message;
  EXPECT_EQ(file->destination(), dir / "real" / "song.bjs");
  file->stream().Write(std::string_view("new"));
  ASSERT_TRUE(file->Commit().ok());
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.bjs"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "chain.bjs"));
  EXPECT_EQ(ReadFile(dir / "real" / "song.bjs"), test::BytesOf("new"));
  EXPECT_EQ(EntriesIn(dir.path()), 3u);
  EXPECT_EQ(EntriesIn(dir / "real"), 1u);
}

TEST(AtomicFile, TheLongestLegalNameCanBeWritten) {
  TempDir dir;
  const std::string name(255, 'n');
  auto file = AtomicFile::Create(dir / name);
  ASSERT_TRUE(file.ok()) << file.error().message;
  file->stream().Write(std::string_view("x"));
  ASSERT_TRUE(file->Commit().ok());
  EXPECT_EQ(ReadFile(dir / name), test::BytesOf("x"));
}

TEST(AtomicFile, RestorePutsBackWhatPublishReplaced) {
  TempDir dir;
  test::WriteFile(dir / "old.bjs", "old");
  for (const char* name : {"old.bjs", "new.bjs"}) {
    auto file = AtomicFile::Create(dir / name);
    ASSERT_TRUE(file.ok());
    file->stream().Write(std::string_view("replacement"));
    ASSERT_TRUE(file->Publish().ok());
    EXPECT_EQ(ReadFile(dir / name), test::BytesOf("replacement"));
    ASSERT_TRUE(file->Restore().ok());
  }
  EXPECT_EQ(ReadFile(dir / "old.bjs"), test::BytesOf("old"));
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "the file that was not there is gone again";
}

TEST(AtomicFile, RemovesWhatAKilledWriterLeftButNotALiveOnes) {
  TempDir dir;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = ".zembra-" + std::to_string(child) + "-7";
  const std::string live = ".zembra-" + std::to_string(::getpid()) + "-ffff";
  for (const std::string& name : {dead, live, std::string(".zembra-notes")}) {
    test::WriteFile(dir / name, "left");
  }
  auto file = AtomicFile::Create(dir / "song.bjs");
  ASSERT_TRUE(file.ok());
  EXPECT_FALSE(std::filesystem::exists(dir / dead));
  EXPECT_TRUE(std::filesystem::exists(dir / live));
  EXPECT_TRUE(std::filesystem::exists(dir / ".zembra-notes"));
}

}  // namespace
}  // namespace zembra
