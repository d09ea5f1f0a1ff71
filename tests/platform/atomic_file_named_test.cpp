// AtomicFile where the file system offers no unnamed files: the temporary
// has a short hidden name, and it still never outlives the write, not even
// when a signal ends the process in the middle of it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>

#include "platform/atomic_file.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::ReadFile;
using test::TempDir;

class NamedTemporaries : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = AtomicFile::SetUnnamedTemporaries(false); }
  void TearDown() override { AtomicFile::SetUnnamedTemporaries(previous_); }

  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      names.insert(e.path().filename().string());
    }
    return names;
  }

  TempDir dir_;
  bool previous_ = true;
};

TEST_F(NamedTemporaries, AreShortHiddenAndGoneAfterCommitOrAbandon) {
  test::WriteFile(dir_ / "song.bjs", "old");
  const std::string long_name(255, 'n');
  for (const std::string& name : {std::string("song.bjs"), long_name}) {
    auto file = AtomicFile::Create(dir_ / name);
    ASSERT_TRUE(file.ok()) << file.error().message;
    const std::string own = ".zembra-" + std::to_string(::getpid()) + "-";
    bool seen = false;
    for (const std::string& entry : Listing()) {
      if (entry.rfind(own, 0) == 0) seen = entry.size() < 32;
    }
    EXPECT_TRUE(seen) << "a short name of this process";
    file->stream().Write(std::string_view("new"));
    ASSERT_TRUE(file->Commit().ok());
  }
  {
    auto abandoned = AtomicFile::Create(dir_ / "song.bjs");
    ASSERT_TRUE(abandoned.ok());
    abandoned->stream().Write(std::string_view("partial"));
  }
  EXPECT_EQ(ReadFile(dir_ / "song.bjs"), test::BytesOf("new"));
  EXPECT_EQ(Listing(), (std::set<std::string>{"song.bjs", long_name}));
}

TEST_F(NamedTemporaries, ASignalMidWriteRemovesTheTemporaryAndEndsTheProcess) {
  test::WriteFile(dir_ / "song.bjs", "old");
  for (int signal : {SIGINT, SIGTERM}) {
    const pid_t child = ::fork();
    if (child == 0) {
      auto file = AtomicFile::Create(dir_ / "song.bjs");
      if (!file.ok()) ::_exit(3);
      file->stream().Write(std::string_view("half a song"));
      (void)file->stream().Sync();
      ::raise(signal);
      ::_exit(4);  // not reached: the signal ends the process
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(Listing(), std::set<std::string>{"song.bjs"});
    EXPECT_EQ(ReadFile(dir_ / "song.bjs"), test::BytesOf("old"));
  }
}

TEST_F(NamedTemporaries, ASignalBetweenPublishAndSettlePutsTheEarlierFileBack) {
  test::WriteFile(dir_ / "song.bjs", "old");
  const pid_t child = ::fork();
  if (child == 0) {
    auto file = AtomicFile::Create(dir_ / "song.bjs");
    if (!file.ok()) ::_exit(3);
    file->stream().Write(std::string_view("new"));
    if (!file->Publish().ok()) ::_exit(5);
    ::raise(SIGTERM);
    ::_exit(4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_EQ(ReadFile(dir_ / "song.bjs"), test::BytesOf("old"));
  EXPECT_EQ(Listing(), std::set<std::string>{"song.bjs"});
}

}  // namespace
}  // namespace zembra
