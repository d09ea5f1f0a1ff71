#include "tests/cli/cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace zembra::test {
namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const std::filesystem::path& cwd) {
  // Output goes to files rather than pipes, so a chatty run can never block.
  TempDir capture;
  const std::string out_path = (capture / "out").string();
  const std::string err_path = (capture / "err").string();

  std::vector<std::string> argv_text{ZEMBRA_CLI_PATH};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + argv_text[0]);

  int wait_status = 0;
  rusage usage{};
  while (wait4(pid, &wait_status, 0, &usage) < 0) {
    if (errno != EINTR) throw std::runtime_error("cannot wait for zembra-cli");
  }
  CliRun run;
  if (WIFEXITED(wait_status)) run.status = WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) run.status = 128 + WTERMSIG(wait_status);
  run.max_rss_kib = usage.ru_maxrss;
  run.out = Slurp(out_path);
  run.err = Slurp(err_path);
  return run;
}

std::filesystem::path ExamplesDir() {
  return std::filesystem::path(ZEMBRA_SOURCE_DIR) / "examples";
}

}  // namespace zembra::test
