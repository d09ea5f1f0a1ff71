#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "songfile/song_file_reader.h"
#include "songfile/tempo.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

// A folder with a song description and the samples it names.
class BuildCommand : public testing::Test {
 protected:
  BuildCommand() {
    fs::create_directory(dir_ / "vags");
    WriteFile(dir_ / "vags" / "kick.vag", MakeVag(64, true));
    WriteFile(dir_ / "vags" / "snare.vag", MakeVag(77, true));
  }

  fs::path Json(std::string_view text, const std::string& name = "song.json") {
    WriteFile(dir_ / name, text);
    return dir_ / name;
  }

  // Runs build on `text` and expects a refusal: status 2, the JSON file and
  // `reason` named on stderr, and nothing written.
  void ExpectRefused(std::string_view text, std::string_view reason) {
    const fs::path json = Json(text);
    CliRun run = RunCli({"build", json.string(), "-o", (dir_ / "out.bjs").string()});
    EXPECT_EQ(run.status, 2) << text;
    EXPECT_NE(run.err.find(json.string()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(reason), std::string::npos) << text << "\n" << run.err;
    EXPECT_FALSE(fs::exists(dir_ / "out.bjs")) << text;
  }

  TempDir dir_;
};

TEST_F(BuildCommand, WritesSongAndArchiveBesideTheJsonUnderTheTitle) {
  const fs::path json = Json(R"({"title": "Beat", "tempo": 96, "samples_dir": "vags",
      "tracks": [{"samples": ["kick.vag", "snare.vag"]}]})");
  // From another folder, so relative paths must be taken from the JSON's.
  CliRun run = RunCli({"build", json.string()}, "/");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_regular_file(dir_ / "Beat.bjs"));
  EXPECT_TRUE(fs::is_regular_file(dir_ / "JAM_0002" / "BULK.BAR"));
  EXPECT_NE(run.out.find((dir_ / "Beat.bjs").string()), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "");
  // The samples are inside the song.
  // The empty song, both samples with their entries, one track and its page record.
  EXPECT_EQ(fs::file_size(dir_ / "Beat.bjs"), 536u + 64 + 77 + 2 * 56 + 60 + 12);
}

TEST_F(BuildCommand, SamplesOptionOverridesTheJsonFolder) {
  fs::create_directory(dir_ / "other");
  WriteFile(dir_ / "other" / "kick.vag", MakeVag(300, true));
  const fs::path json =
      Json(R"({"tempo": "120", "samples_dir": "vags", "tracks": [{"samples": ["kick.vag"]}]})");
  const fs::path out = dir_ / "s.bjs";
  CliRun run =
      RunCli({"build", json.string(), "-o", out.string(), "--samples", (dir_ / "other").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const Bytes song = ReadFile(out);
  const Bytes sample = MakeVag(300, true);
  EXPECT_NE(std::search(song.begin(), song.end(), sample.begin(), sample.end()), song.end());
}

TEST_F(BuildCommand, TempoRuleOfTheWindowAppliesWithItsText) {
  const std::string message(kTempoMessage);
  for (std::string_view tempo : {R"("BPM")", "0", "-120", "120.5", R"(" ")", "2147483648"}) {
    ExpectRefused(R"({"tempo": )" + std::string(tempo) + "}", message);
  }
  // A fresh sheet's tempo text is "BPM", so a song without a tempo is refused too.
  ExpectRefused("{}", message);
}

TEST_F(BuildCommand, RefusesWhatTheSheetCannotHoldInsteadOfDroppingIt) {
  ExpectRefused(R"({"tempo": 120, "title": )", "invalid JSON");
  ExpectRefused(R"([1, 2])", "must be a JSON object");
  ExpectRefused(R"({"tempo": 120, "titel": "x"})", "unknown key \"titel\"");
  ExpectRefused(R"({"tempo": 120, "title": 7})", "\"title\" must be a string");
  ExpectRefused(R"({"tempo": true})", "\"tempo\" must be a string or an integer");
  ExpectRefused(R"({"tempo": 120, "title": "a\u0000b"})", "NUL");
  ExpectRefused(R"({"tempo": 120, "tracks": [{}, {"name": "x", "samples": ["kick.vag",
      "kick.vag", "kick.vag", "kick.vag", "kick.vag"]}]})",
                "tracks[1].samples lists 5 samples; a track holds at most 4");
  ExpectRefused(R"({"tempo": 120, "tracks": [{"samples": [3]}]})",
                "tracks[0].samples[0] must be a string");
  ExpectRefused(R"({"tempo": 120, "tracks": [{"sample": []}]})", "unknown key \"sample\"");
  std::string seventeen = R"({"tempo": 120, "tracks": [{})";
  for (int i = 1; i < 17; ++i) seventeen += ", {}";
  ExpectRefused(seventeen + "]}", "lists 17 tracks; a song has at most 16");
  ExpectRefused(R"({"tempo": 120, "pages": ["a", "b", "c", "d", "e"]})",
                "lists 5 pages; a song has at most 4");
}

TEST_F(BuildCommand, TakesTheFullSheetSixteenTracksFourPagesFourSamples) {
  std::string tracks = R"({"name": "First", "samples": ["kick.vag"]})";
  for (int i = 1; i < 15; ++i) tracks += ", {}";
  tracks += R"(, {"name": "Last", "samples": ["kick.vag", "snare.vag", "kick.vag", "snare.vag"]})";
  const fs::path json = Json(R"({"tempo": 120, "samples_dir": "vags", "tracks": [)" + tracks +
                             R"(], "pages": ["p0", "p1", "p2", "p3"]})");
  const CliRun run = RunCli({"build", json.string(), "-o", (dir_ / "full.bjs").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  Result<SongFile> song = SongFile::Read(dir_ / "full.bjs");
  ASSERT_TRUE(song.ok()) << song.error().message;
  const SongSummary& summary = song->summary();
  ASSERT_EQ(summary.tracks.size(), 2u);
  EXPECT_EQ(summary.tracks[1].name, "Last");
  EXPECT_EQ(summary.tracks[1].slots.size(), 4u);
  ASSERT_EQ(summary.pages.size(), 4u);
  EXPECT_EQ(summary.pages[3].name, "p3");
  EXPECT_EQ(summary.pages[3].tracks.size(), 1u) << "the last track is on the last page";
}

TEST_F(BuildCommand, RefusesAnEmptySamplesFolderWhenSamplesAreNamed) {
  // The JSON's own folder holds a kick.vag too: an empty samples_dir must not
  // quietly mean "beside the JSON".
  WriteFile(dir_ / "kick.vag", MakeVag(64, true));
  ExpectRefused(R"({"tempo": 120, "samples_dir": "", "tracks": [{"samples": ["kick.vag"]}]})",
                "\"samples_dir\" is empty");
}

TEST_F(BuildCommand, NewSongAndArchiveGetTheUsualModeUnderTheUmask) {
  const fs::path json = Json(R"({"tempo": 120, "samples_dir": "vags",
      "tracks": [{"samples": ["kick.vag"]}]})");
  const mode_t saved = ::umask(022);
  const CliRun run = RunCli({"build", json.string(), "-o", (dir_ / "new.bjs").string()});
  ::umask(saved);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto mode_of = [](const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
  };
  EXPECT_EQ(mode_of(dir_ / "new.bjs"), 0644u);
  EXPECT_EQ(mode_of(dir_ / "JAM_0002" / "BULK.BAR"), 0644u);
  EXPECT_EQ(mode_of(dir_ / "JAM_0002"), 0755u);
}

TEST_F(BuildCommand, RefusesMissingAndUnsafeSamplesWritingNothing) {
  const fs::path out = dir_ / "keep.bjs";
  WriteFile(out, "an older song");
  for (std::string_view name : {"missing.vag", "../vags/kick.vag", "sub/kick.vag", ""}) {
    const fs::path json = Json(R"({"tempo": 120, "samples_dir": "vags", "tracks": [{"samples":
        ["kick.vag", ")" + std::string(name) +
                               R"("]}]})");
    CliRun run = RunCli({"build", json.string(), "-o", out.string()});
    EXPECT_EQ(run.status, 2) << name;
    if (!name.empty()) {
      EXPECT_NE(run.err.find(std::string(name)), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadFile(out), BytesOf("an older song")) << name;
    EXPECT_FALSE(fs::exists(dir_ / "JAM_0002")) << name;
  }
}

TEST_F(BuildCommand, ReportsAnOutputFolderThatCannotBeWritten) {
  const fs::path json = Json(R"({"tempo": 120})");
  WriteFile(dir_ / "plain", "a file where a folder must be");
  const fs::path out = dir_ / "plain" / "song.bjs";
  CliRun run = RunCli({"build", json.string(), "-o", out.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(out.string()), std::string::npos) << run.err;

  // JAM_0002 is blocked by a plain file: the song and its archive change
  // together, so neither is written.
  WriteFile(dir_ / "JAM_0002", "in the way");
  run = RunCli({"build", json.string(), "-o", (dir_ / "ok.bjs").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("JAM_0002"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir_ / "ok.bjs"));
}

TEST_F(BuildCommand, NamesTheSongAfterTheTitleAndReportsAnUnreadableJson) {
  CliRun run = RunCli({"build", (dir_ / "absent.json").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find((dir_ / "absent.json").string()), std::string::npos) << run.err;

  // A "/" in the title becomes "_", as in the name the window suggests.
  fs::path json = Json(R"({"tempo": 120, "title": "AC/DC"})");
  run = RunCli({"build", json.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_regular_file(dir_ / "AC_DC.bjs"));

  json = Json(R"({"tempo": 120, "title": ""})");
  run = RunCli({"build", json.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("-o"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace zembra::test
