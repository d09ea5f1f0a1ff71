#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

// Where the first index entry tagged `tag` stands in a song file.
std::size_t EntryPosition(const Bytes& song, std::string_view tag) {
  const std::size_t n = song.size();
  std::size_t at = song[n - 4] | song[n - 3] << 8 | song[n - 2] << 16 | song[n - 1] << 24;
  for (; at + 12 <= n - 4; at += 12) {
    if (std::equal(tag.begin(), tag.end(), song.begin() + static_cast<long>(at))) return at;
  }
  throw std::runtime_error("no entry " + std::string(tag));
}

// A song built from the examples' demo, with its archive, in a fresh folder.
class SongTools : public testing::Test {
 protected:
  void SetUp() override {
    CliRun run = RunCli({"build", (ExamplesDir() / "demo.json").string(), "-o", song_.string()});
    ASSERT_EQ(run.status, 0) << run.err;
  }

  // Runs a command on a damaged copy and expects a clean refusal naming it.
  void ExpectRefused(const std::vector<std::string>& command, const Bytes& bytes,
                     const std::string& what) {
    const fs::path bad = dir_ / "bad";
    WriteFile(bad, bytes);
    std::vector<std::string> args = command;
    args.insert(args.begin() + 1, bad.string());
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 2) << what << "\n" << run.err;
    EXPECT_NE(run.err.find(bad.string()), std::string::npos) << what << "\n" << run.err;
  }

  TempDir dir_;
  fs::path song_ = dir_ / "demo.bjs";
  fs::path archive_ = dir_ / "JAM_0002" / "BULK.BAR";
};

TEST_F(SongTools, InspectShowsIndexAndSummaryAsJsonAndText) {
  CliRun run = RunCli({"inspect", song_.string(), "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  // demo.json: 6 sample rows, 3 tracks with samples, 2 named pages.
  const std::size_t entries = 30 + 4 * 6 + 3 + 2;
  ASSERT_EQ(doc["index"].size(), entries);
  EXPECT_EQ(doc["index"][0]["tag"], "BIFF");
  EXPECT_EQ(doc["index"][0]["offset"], nullptr);
  EXPECT_EQ(doc["index"][0]["size"], 12 * (entries - 1));
  EXPECT_EQ(doc["index"][0]["position"], doc["data_length"]);
  EXPECT_EQ(doc["length"], fs::file_size(song_));

  const nlohmann::json& summary = doc["summary"];
  EXPECT_EQ(summary["title"], "Demo");
  EXPECT_EQ(summary["artist"], "Zembra");
  EXPECT_EQ(summary["tempo"], 120);
  const fs::path samples = ExamplesDir() / "samples";
  const std::vector<std::string> order = {"kick", "snare", "hat", "bass", "snare", "snare"};
  ASSERT_EQ(summary["samples"].size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(summary["samples"][i]["size"], fs::file_size(samples / (order[i] + ".vag"))) << i;
  }
  ASSERT_EQ(summary["tracks"].size(), 3u);
  EXPECT_EQ(summary["tracks"][2]["name"], "Fill");
  EXPECT_EQ(summary["tracks"][2]["slots"][1]["sample"], 5);
  EXPECT_EQ(summary["tracks"][2]["slots"][1]["row"], 1);
  ASSERT_EQ(summary["pages"].size(), 2u);
  EXPECT_EQ(summary["pages"][0]["name"], "Groove");
  EXPECT_EQ(summary["pages"][1]["tracks"][0]["track"], 2);

  CliRun text = RunCli({"inspect", song_.string()});
  ASSERT_EQ(text.status, 0) << text.err;
  for (const char* part : {"BIFF", "VERE", "Title:  Demo", "\"Drums\"", "(5, 1)", "\"Break\""}) {
    EXPECT_NE(text.out.find(part), std::string::npos) << part << "\n" << text.out;
  }
}

TEST_F(SongTools, InspectKeepsControlBytesOfNamesOffTheTerminal) {
  TempDir other;
  WriteFile(other / "s.json", R"({"tempo": 1, "title": "a\u001b[2Jb"})");
  ASSERT_EQ(RunCli({"build", (other / "s.json").string(), "-o", (other / "s.bjs").string()}).status,
            0);
  CliRun run = RunCli({"inspect", (other / "s.bjs").string()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
  EXPECT_NE(run.out.find("a\\x1b[2Jb"), std::string::npos) << run.out;
}

TEST_F(SongTools, MalformedSongsAreRefusedNeverCrash) {
  const Bytes good = ReadFile(song_);
  for (const auto& command : std::vector<std::vector<std::string>>{
           {"inspect"}, {"inspect", "--json"}, {"extract", "-d", (dir_ / "out").string()}}) {
    ExpectRefused(command, {}, "empty");
    ExpectRefused(command, BytesOf("not a song at all"), "text");
    for (std::size_t cut : {std::size_t{3}, good.size() / 2, good.size() - 1}) {
      ExpectRefused(command, Bytes(good.begin(), good.begin() + static_cast<long>(cut)),
                    "cut at " + std::to_string(cut));
    }
    Bytes pointer = good;
    pointer[good.size() - 1] = 0x7F;  // the index pointer far past the end
    ExpectRefused(command, pointer, "index pointer");
    // The first sample entry's size reaching past the data area.
    Bytes size = good;
    size[EntryPosition(good, "VAGF") + 11] = 0x7F;
    ExpectRefused(command, size, "an entry's size");
  }
  EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST_F(SongTools, UnbarGivesBackTheSongByteForByte) {
  const fs::path out = dir_ / "back.bjs";
  CliRun run = RunCli({"unbar", archive_.string(), "-o", out.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(out), ReadFile(song_));
  // Without -o: beside the archive, never over the original song.
  run = RunCli({"unbar", archive_.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(dir_ / "JAM_0002" / "BULK.bjs"), ReadFile(song_));
  // An archive named like a song is not replaced by what it holds.
  fs::copy_file(archive_, dir_ / "odd.bjs");
  ASSERT_EQ(RunCli({"unbar", (dir_ / "odd.bjs").string()}).status, 0);
  EXPECT_EQ(ReadFile(dir_ / "odd.bjs"), ReadFile(archive_));
  EXPECT_EQ(ReadFile(dir_ / "odd.bjs.bjs"), ReadFile(song_));
}

TEST_F(SongTools, DamagedArchivesAreRefusedWritingNothing) {
  const Bytes good = ReadFile(archive_);
  auto with = [&](std::size_t at, std::uint8_t value) {
    Bytes b = good;
    b[at] = value;
    return b;
  };
  const std::vector<std::string> unbar = {"unbar", "-o", (dir_ / "never.bjs").string()};
  ExpectRefused(unbar, Bytes(good.begin(), good.begin() + 20), "header cut short");
  ExpectRefused(unbar, Bytes(good.begin(), good.end() - 1), "packed data cut short");
  ExpectRefused(unbar, with(0, 0xE2), "magic");
  ExpectRefused(unbar, with(20, 0x4E), "a constant");
  ExpectRefused(unbar, with(32, static_cast<std::uint8_t>(good[32] + 1)), "packed size");
  ExpectRefused(unbar, with(28, static_cast<std::uint8_t>(good[28] + 1)), "unpacked size");
  ExpectRefused(unbar, with(good.size() / 2, static_cast<std::uint8_t>(~good[good.size() / 2])),
                "packed data");
  // 2 GiB announced from a few hundred packed bytes: refused before any
  // buffer of that size is asked for.
  Bytes huge = with(31, 0x7F);
  ExpectRefused(unbar, huge, "impossible unpacked size");
  EXPECT_FALSE(fs::exists(dir_ / "never.bjs"));
}

TEST_F(SongTools, ExtractWritesEverySampleInSampleOrder) {
  const fs::path out = dir_ / "new" / "folder";
  CliRun run = RunCli({"extract", song_.string(), "-d", out.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path samples = ExamplesDir() / "samples";
  const std::vector<std::string> order = {"kick", "snare", "hat", "bass", "snare", "snare"};
  for (std::size_t i = 0; i < order.size(); ++i) {
    const fs::path file = out / ("sample0" + std::to_string(i) + ".vag");
    EXPECT_EQ(ReadFile(file), ReadFile(samples / (order[i] + ".vag"))) << file;
    EXPECT_NE(run.out.find(file.string()), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(out / "sample06.vag"));

  WriteFile(dir_ / "plain", "a file where a folder must be");
  run = RunCli({"extract", song_.string(), "-d", (dir_ / "plain").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find((dir_ / "plain").string()), std::string::npos) << run.err;
}

}  // namespace
}  // namespace zembra::test
