#include "platform/atomic_file.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zembra
