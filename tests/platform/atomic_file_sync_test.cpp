// When AtomicFile makes its bytes durable, seen through a double for fsync:
// the new bytes must be on the disk before the name points at them, and a
// failed flush must leave the earlier file as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/atomic_file.h"
#include "platform/file_sync.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::Bytes;
using test::BytesOf;
using test::ReadFile;
using test::TempDir;

// What the double saw at its last call, and how it answers.
struct SyncProbe {
  std::filesystem::path target;
  int calls = 0;
  Bytes target_then;
  Bytes file_then;
  int fail_with = 0;
};
SyncProbe* probe = nullptr;

int ProbeSync(int fd) {
  ++probe->calls;
  probe->target_then = ReadFile(probe->target);
  probe->file_then = ReadFile("/proc/self/fd/" + std::to_string(fd));
  if (probe->fail_with != 0) {
    errno = probe->fail_with;
    return -1;
  }
  return ::fsync(fd);
}

class AtomicFileSync : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(dir_ / "song.bjs", "old contents");
    probe_.target = dir_ / "song.bjs";
    probe = &probe_;
    previous_ = SetSyncFileFunction(&ProbeSync);
  }
  void TearDown() override {
    SetSyncFileFunction(previous_);
    probe = nullptr;
  }

  std::size_t EntriesInDir() const {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.path())) ++n;
    return n;
  }

  TempDir dir_;
  SyncProbe probe_;
  SyncFileFunction previous_ = nullptr;
};

TEST_F(AtomicFileSync, NewBytesReachTheDiskBeforeTheRename) {
  auto file = AtomicFile::Create(dir_ / "song.bjs");
  ASSERT_TRUE(file.ok()) << file.error().message;
  file->stream().Write(std::string_view("new contents, longer than the old"));
  ASSERT_TRUE(file->Commit().ok());
  ASSERT_GE(probe_.calls, 1);
  EXPECT_EQ(probe_.file_then, BytesOf("new contents, longer than the old"))
      << "the buffered bytes were not handed to the file before the flush";
  EXPECT_EQ(probe_.target_then, BytesOf("old contents")) << "renamed before the flush";
  EXPECT_EQ(ReadFile(dir_ / "song.bjs"), BytesOf("new contents, longer than the old"));
}

TEST_F(AtomicFileSync, AFailedFlushKeepsTheOldFile) {
  probe_.fail_with = EIO;
  auto file = AtomicFile::Create(dir_ / "song.bjs");
  ASSERT_TRUE(file.ok()) << file.error().message;
  file->stream().Write(std::string_view("new contents"));
  const Status committed = file->Commit();
  ASSERT_FALSE(committed.ok());
  EXPECT_EQ(probe_.calls, 1);
  EXPECT_NE(committed.error().message.find("song.bjs"), std::string::npos);
  EXPECT_NE(committed.error().message.find(std::strerror(EIO)), std::string::npos)
      << committed.error().message;
  EXPECT_EQ(ReadFile(dir_ / "song.bjs"), BytesOf("old contents"));
  EXPECT_EQ(EntriesInDir(), 1u) << "the temporary file stays behind";
}

}  // namespace
}  // namespace zembra
