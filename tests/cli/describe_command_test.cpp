// zembra-cli describe: a song's description and samples build the very same
// song again; samples are matched by their bytes; nothing is replaced unasked.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

class DescribeCommand : public testing::Test {
 protected:
  void SetUp() override {
    fs::copy(ExamplesDir() / "samples", samples_);
    CliRun run = RunCli({"build", (ExamplesDir() / "demo.json").string(), "-o", song_.string()});
    ASSERT_EQ(run.status, 0) << run.err;
  }

  // Builds the description `json` and compares the result with the song.
  void ExpectBuildsTheSong(const fs::path& json) {
    CliRun run = RunCli({"build", json.string(), "-o", (dir_ / "again.bjs").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir_ / "again.bjs"), ReadFile(song_));
  }

  TempDir dir_;
  fs::path samples_ = dir_ / "samples";
  fs::path song_ = dir_ / "demo.bjs";
};

TEST_F(DescribeCommand, DescriptionAndExtractedSamplesBuildTheSameSong) {
  CliRun run = RunCli({"describe", song_.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  // The song holds six sample rows, of four different sounds.
  const fs::path folder = dir_ / "demo";
  EXPECT_EQ(Lines(run.out),
            (std::vector<std::string>{
                (dir_ / "demo.json").string(), (folder / "sample00.vag").string(),
                (folder / "sample01.vag").string(), (folder / "sample02.vag").string(),
                (folder / "sample03.vag").string()}));
  EXPECT_EQ(ReadFile(folder / "sample01.vag"), ReadFile(samples_ / "snare.vag"));
  const nlohmann::json doc = nlohmann::json::parse(ReadFile(dir_ / "demo.json"));
  EXPECT_EQ(doc["samples_dir"], "demo");
  EXPECT_EQ(doc["tempo"], 120);
  EXPECT_EQ(doc["tracks"][4]["samples"], nlohmann::json::array({"sample01.vag", "sample01.vag"}));
  EXPECT_EQ(doc["pages"], nlohmann::json::array({"Groove", "Break", "", ""}));
  ExpectBuildsTheSong(dir_ / "demo.json");

  // The description is the user's file: described again, it is kept unless
  // named with -o; the samples already there are taken, not written again.
  WriteFile(dir_ / "demo.json", "edited by hand");
  run = RunCli({"describe", song_.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("already exists"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(dir_ / "demo.json"), BytesOf("edited by hand"));
  run = RunCli({"describe", song_.string(), "-o", (dir_ / "demo.json").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Lines(run.out), (std::vector<std::string>{(dir_ / "demo.json").string()}));
  ExpectBuildsTheSong(dir_ / "demo.json");
}

TEST_F(DescribeCommand, MatchTakesTheNamesOfEqualFiles) {
  WriteFile(samples_ / "bass.vag", "changed since the song was made");
  const fs::path json = dir_ / "d.json";
  CliRun run = RunCli({"describe", song_.string(), "-o", json.string(), "--match",
                       samples_.string(), "--samples-dir", (dir_ / "." / "samples").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Lines(run.out),
            (std::vector<std::string>{json.string(), (samples_ / "sample03.vag").string()}));
  const nlohmann::json doc = nlohmann::json::parse(ReadFile(json));
  EXPECT_EQ(doc["samples_dir"], "samples");
  EXPECT_EQ(doc["tracks"][0]["samples"],
            nlohmann::json::array({"kick.vag", "snare.vag", "hat.vag"}));
  EXPECT_EQ(doc["tracks"][1]["samples"], nlohmann::json::array({"sample03.vag"}));
  ExpectBuildsTheSong(json);
}

TEST_F(DescribeCommand, RefusalsWriteNothing) {
  CliRun run = RunCli({"describe", song_.string(), "--match", samples_.string(), "--samples-dir",
                       (dir_ / "elsewhere").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("different folders"), std::string::npos) << run.err;

  Bytes damaged = ReadFile(song_);
  damaged.resize(damaged.size() - 5);
  WriteFile(dir_ / "cut.bjs", damaged);
  run = RunCli({"describe", (dir_ / "cut.bjs").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find((dir_ / "cut.bjs").string() + "\" is not a song file"), std::string::npos)
      << run.err;

  WriteFile(dir_ / "demo", "a file where the samples folder would go");
  run = RunCli({"describe", song_.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("Cannot create the folder \"" + (dir_ / "demo").string()),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(dir_ / "demo.json"));
  EXPECT_FALSE(fs::exists(dir_ / "cut.json"));
}

}  // namespace
}  // namespace zembra::test
