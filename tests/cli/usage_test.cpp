#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"

namespace zembra::test {
namespace {

TEST(Usage, HelpAndVersionSucceedOnEveryLevel) {
  CliRun help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"build", "describe", "scan", "patch", "inspect", "unbar", "extract",
                              "import", "decode", "info"}) {
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
    CliRun sub = RunCli({command, "--help"});
    EXPECT_EQ(sub.status, 0) << command;
    EXPECT_NE(sub.out.find("Usage"), std::string::npos) << command << sub.out;
  }
  CliRun version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("zembra-cli ", 0), 0u) << version.out;
}

TEST(Usage, MistypedCommandLinesExitWithOne) {
  const std::vector<std::vector<std::string>> wrong = {
      {},                                // no subcommand
      {"frobnicate"},                    // unknown subcommand
      {"build"},                         // missing the JSON file
      {"scan", "a", "b"},                // one folder too many
      {"inspect", "x.bjs", "--colour"},  // unknown option
      {"extract", "x.bjs"},              // missing -d
  };
  for (const auto& args : wrong) {
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 1) << testing::PrintToString(args);
    EXPECT_FALSE(run.err.empty()) << testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace zembra::test
