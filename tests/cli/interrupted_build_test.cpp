// `build` interrupted as a user or the system interrupts it: by signals, by a
// file size limit, by kill -9, by a second build of the same song. The song
// and its archive always stand as a pair, and nothing else is left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

// Starts zembra-cli without waiting, its output discarded, with a file size
// limit and SIGXFSZ at its default as a shell's `ulimit -f` leaves it.
pid_t StartCli(const std::vector<std::string>& args, rlim_t size_limit = RLIM_INFINITY) {
  std::vector<std::string> text{ZEMBRA_CLI_PATH};
  text.insert(text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : text) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    const rlimit limit{size_limit, size_limit};
    if (size_limit != RLIM_INFINITY) ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, SIG_DFL);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

// The exit status, or 128 + the signal that ended it.
int Wait(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// Waits until process `pid` has a file open in `folder`: it is writing there.
bool WaitUntilWritingIn(pid_t pid, const fs::path& folder) {
  const std::string prefix = folder.string() + "/";
  for (int tries = 0; tries < 20000; ++tries) {
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
      const std::string target = fs::read_symlink(fd.path(), ec).string();
      if (target.rfind(prefix, 0) == 0 && target.find(".json") == std::string::npos) return true;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return false;
}

// A process id that is certainly not running: a child that has ended.
pid_t DeadPid() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  Wait(pid);
  return pid;
}

class InterruptedBuild : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir_ / "vags");
    // A large sample that takes no room: a game header, then zeros.
    WriteFile(dir_ / "vags" / "big.vag", MakeVag(64, true));
    fs::resize_file(dir_ / "vags" / "big.vag", 48u << 20);
    WriteFile(dir_ / "vags" / "small.vag", MakeVag(300, true));
    WriteFile(dir_ / "big.json",
              R"({"tempo": 90, "samples_dir": "vags", "tracks": [{"samples": ["big.vag"]}]})");
    WriteFile(dir_ / "small.json",
              R"({"tempo": 120, "samples_dir": "vags", "tracks": [{"samples": ["small.vag"]}]})");
    ASSERT_EQ(RunCli(Build("small")).status, 0);
    old_song_ = ReadFile(song_);
    old_archive_ = ReadFile(archive_);
  }

  std::vector<std::string> Build(const std::string& which) {
    return {"build", (dir_ / (which + ".json")).string(), "-o", song_.string()};
  }

  std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  // The earlier pair stands unchanged, and nothing was added beside it.
  void ExpectOldPairAlone(const std::string& what) {
    EXPECT_EQ(Listing(dir_.path()), kListing) << what;
    EXPECT_EQ(Listing(dir_ / "JAM_0002"), std::set<std::string>{"BULK.BAR"}) << what;
    EXPECT_EQ(ReadFile(song_), old_song_) << what;
    EXPECT_EQ(ReadFile(archive_), old_archive_) << what;
  }

  // The archive holds exactly the song beside it.
  void ExpectMatchingPair() {
    const fs::path back = dir_ / "vags" / "back.bjs";
    const CliRun run = RunCli({"unbar", archive_.string(), "-o", back.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(back), ReadFile(song_));
    fs::remove(back);
  }

  const std::set<std::string> kListing{"vags", "big.json", "small.json", "song.bjs", "JAM_0002"};
  TempDir dir_;
  fs::path song_ = dir_ / "song.bjs";
  fs::path archive_ = dir_ / "JAM_0002" / "BULK.BAR";
  Bytes old_song_, old_archive_;
};

TEST_F(InterruptedBuild, AFileSizeLimitIsAWriteErrorThatKeepsTheEarlierPair) {
  const fs::path err = dir_ / "vags" / "err";
  // Through a shell, as a user sets the limit.
  const std::string command = "ulimit -f 1024; exec '" + std::string(ZEMBRA_CLI_PATH) +
                              "' build '" + (dir_ / "big.json").string() + "' -o '" +
                              song_.string() + "' 2>'" + err.string() + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
  EXPECT_EQ(WEXITSTATUS(status), 2);
  const std::string message(reinterpret_cast<const char*>(ReadFile(err).data()),
                            ReadFile(err).size());
  fs::remove(err);
  EXPECT_NE(message.find(song_.string()), std::string::npos) << message;
  EXPECT_NE(message.find("File too large"), std::string::npos) << message;
  ExpectOldPairAlone("ulimit -f");
  EXPECT_EQ(Wait(StartCli(Build("big"), 4u << 20)), 2);
  ExpectOldPairAlone("RLIMIT_FSIZE");
}

TEST_F(InterruptedBuild, HandledSignalsLeaveTheEarlierPairAndNothingElse) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t pid = StartCli(Build("big"));
    ASSERT_TRUE(WaitUntilWritingIn(pid, dir_.path()));
    ::kill(pid, signal);
    EXPECT_EQ(Wait(pid), 128 + signal) << "ends as the signal would end it";
    ExpectOldPairAlone(strsignal(signal));
  }
}

TEST_F(InterruptedBuild, WhatKillLeavesTheNextBuildRemoves) {
  // Left as a killed writer leaves its temporaries, in both folders.
  const std::string leftover = ".zembra-" + std::to_string(DeadPid()) + "-1";
  WriteFile(dir_ / leftover, std::string(1000, 'x'));
  WriteFile(dir_ / "JAM_0002" / leftover, std::string(1000, 'x'));
  for (int round = 0; round < 3; ++round) {
    const pid_t pid = StartCli(Build("big"));
    ASSERT_TRUE(WaitUntilWritingIn(pid, dir_.path()));
    std::this_thread::sleep_for(std::chrono::milliseconds(100 * round));
    ::kill(pid, SIGKILL);
    Wait(pid);
  }
  ASSERT_EQ(RunCli(Build("small")).status, 0);
  ExpectOldPairAlone("after kill -9 and one more build");
}

TEST_F(InterruptedBuild, BuildsOfOneSongAtOnceLeaveAMatchingPair) {
  for (int round = 0; round < 2; ++round) {
    const pid_t big = StartCli(Build("big"));
    // The second build starts as soon as the large song stands, while the
    // first may still be packing its archive.
    for (int tries = 0; tries < 20000 && fs::file_size(song_) < (1u << 20); ++tries) {
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const pid_t small = StartCli(Build("small"));
    const pid_t small_again = StartCli(Build("small"));
    EXPECT_EQ(Wait(small), 0);
    EXPECT_EQ(Wait(small_again), 0);
    EXPECT_EQ(Wait(big), 0);
    ExpectMatchingPair();
    EXPECT_EQ(Listing(dir_.path()), kListing);
    // Back to the small pair for the next round.
    ASSERT_EQ(RunCli(Build("small")).status, 0);
  }
}

}  // namespace
}  // namespace zembra::test
