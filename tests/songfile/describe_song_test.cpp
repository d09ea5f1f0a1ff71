// Describing songs: the sheet and sample files it gives write the song again
// byte for byte, directly and through a song description; samples are named
// without ever replacing a file; what no sheet can hold is refused.
#include "songfile/describe_song.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "songfile/song_description.h"
#include "songfile/write_song.h"
#include "tests/songfile/song_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::TempDir;

// Writes `sheet` from `samples`, describes the song into a fresh folder and
// checks that the description writes the very same bytes, as a sheet and
// through its JSON.
void ExpectRoundTrip(const SongSheet& sheet, const fs::path& samples, const std::string& what) {
  TempDir out;
  const SongFile song = test::WriteAndRead(sheet, samples, out / "song.bjs");
  const Bytes original = test::ReadFile(out / "song.bjs");

  Result<DescribedSong> described = DescribeSong(song, out / "song.bjs", {out / "song", false});
  ASSERT_TRUE(described.ok()) << what << ": " << described.error().message;
  ASSERT_TRUE(WriteSongFile(described->sheet, described->samples_dir, out / "again.bjs").ok());
  EXPECT_EQ(test::ReadFile(out / "again.bjs"), original) << what;

  ASSERT_TRUE(WriteSongJson(out / "song.json", described->sheet, described->samples_dir).ok());
  Result<SongJob> job = ReadSongJson(out / "song.json");
  ASSERT_TRUE(job.ok()) << what << ": " << job.error().message;
  EXPECT_EQ(job->samples_dir, out / "song");
  ASSERT_TRUE(WriteSongFile(job->sheet, job->samples_dir, out / "json.bjs").ok());
  EXPECT_EQ(test::ReadFile(out / "json.bjs"), original) << what;
}

class DescribeSongTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::uint32_t i = 0; i < 64; ++i) {
      names_.push_back("s" + std::to_string(i) + (i % 5 == 0 ? "\u00e9.vag" : ".vag"));
      test::WriteFile(samples_ / names_.back(), test::MakeVag(20 + 3 * i, true, i));
    }
  }
  TempDir samples_;
  std::vector<std::string> names_;
};

TEST_F(DescribeSongTest, GeneratedSongsAreWrittenAgainByteForByte) {
  // No samples at all, at the sheet's defaults.
  ExpectRoundTrip(test::WritableSheet(), samples_.path(), "empty");

  // Sixty-four different samples on all sixteen tracks, every text non-ASCII.
  SongSheet full = test::WritableSheet();
  full.SetTitle("T\u00edtulo \u6771\u4eac");
  full.SetArtist("");
  for (std::size_t t = 0; t < kTrackCount; ++t) {
    full.DropTexts(t, {names_[4 * t], names_[4 * t + 1], names_[4 * t + 2], names_[4 * t + 3]});
    full.SetTrackName(t, "Spur \u00fc" + std::to_string(t));
  }
  for (std::size_t p = 0; p < kPageCount; ++p)
    full.SetPageName(p, "S\u00e9ite" + std::to_string(p));
  ExpectRoundTrip(full, samples_.path(), "full");

  // Only page 2 named: the song lays out page 0, nameless, and tracks sit
  // on pages the song does not lay out.
  SongSheet gaps = test::WritableSheet();
  gaps.SetPageName(0, "");
  gaps.SetPageName(2, "Middle");
  gaps.DropTexts(1, {names_[0], names_[0]});
  gaps.DropTexts(6, {names_[1]});
  gaps.DropTexts(15, {names_[2], names_[0]});
  ExpectRoundTrip(gaps, samples_.path(), "gaps");

  // Random sheets: repeats, empty names and pages, tracks anywhere.
  std::mt19937 rng(12);
  const std::vector<std::string> texts = {
      "", "a", "abc", "abcd", "Caf\u00e9", "\U0001F3B5 x", "Bass & Drums"};
  for (int round = 0; round < 40; ++round) {
    SongSheet sheet = test::WritableSheet();
    sheet.SetTempoText(std::to_string(1 + rng() % 400));
    sheet.SetTitle(texts[rng() % texts.size()]);
    sheet.SetArtist(texts[rng() % texts.size()]);
    for (std::size_t t = 0; t < kTrackCount; ++t) {
      std::vector<std::string> rows(rng() % 2 == 0 ? rng() % 5 : 0);
      for (std::string& row : rows) row = names_[rng() % 8];
      sheet.DropTexts(t, rows);
      sheet.SetTrackName(t, texts[rng() % texts.size()]);
    }
    for (std::size_t p = 0; p < kPageCount; ++p) sheet.SetPageName(p, texts[rng() % texts.size()]);
    ExpectRoundTrip(sheet, samples_.path(), "round " + std::to_string(round));
  }
}

TEST_F(DescribeSongTest, SamplesTakeMatchingNamesAndNeverReplaceAFile) {
  SongSheet sheet = test::WritableSheet();
  sheet.DropTexts(0, {names_[1], names_[2], names_[1], names_[3]});
  TempDir out;
  const SongFile song = test::WriteAndRead(sheet, samples_.path(), out / "song.bjs");

  TempDir folder;
  test::WriteFile(folder / "kick.vag", test::MakeVag(23, true, 1));     // sample 0's bytes
  test::WriteFile(folder / "a-other.vag", test::MakeVag(23, true, 7));  // same size only
  test::WriteFile(folder / "sample01.vag", "someone else's file");
  std::vector<fs::path> written;
  Result<std::vector<std::string>> names = PlaceSamples(song, {folder.path(), true}, &written);
  ASSERT_TRUE(names.ok()) << names.error().message;
  EXPECT_EQ(*names,
            (std::vector<std::string>{"kick.vag", "sample01-1.vag", "kick.vag", "sample03.vag"}));
  EXPECT_EQ(written, (std::vector<fs::path>{folder / "sample01-1.vag", folder / "sample03.vag"}));
  EXPECT_EQ(test::ReadFile(folder / "sample01.vag"), test::BytesOf("someone else's file"));
  EXPECT_EQ(test::ReadFile(folder / "sample03.vag"), test::MakeVag(29, true, 3));

  // Without matching only the sample's own names count; what an earlier run
  // extracted is taken again, nothing is written twice.
  names = PlaceSamples(song, {folder.path(), false}, &written);
  ASSERT_TRUE(names.ok()) << names.error().message;
  EXPECT_EQ(*names, (std::vector<std::string>{"sample00.vag", "sample01-1.vag", "sample00.vag",
                                              "sample03.vag"}));
  EXPECT_EQ(written, (std::vector<fs::path>{folder / "sample00.vag"}));
  EXPECT_EQ(NumberedSampleName(7, 101), "sample007.vag");
  EXPECT_EQ(DefaultSampleFolder("/x/song.bjs"), fs::path("/x/song"));
  EXPECT_EQ(DefaultSampleFolder("/x/song"), fs::path("/x/song samples"));
}

TEST_F(DescribeSongTest, AFolderThatCannotBeMadeOrWrittenLeavesNothing) {
  SongSheet sheet = test::WritableSheet();
  sheet.DropTexts(0, {names_[0], names_[63]});
  TempDir out;
  const SongFile song = test::WriteAndRead(sheet, samples_.path(), out / "song.bjs");

  test::WriteFile(out / "plain", "not a folder");
  Result<DescribedSong> described = DescribeSong(song, out / "song.bjs", {out / "plain", false});
  ASSERT_FALSE(described.ok());
  EXPECT_EQ(described.error().message.rfind(
                "Cannot create the folder \"" + (out / "plain").string() + "\": ", 0),
            0u)
      << described.error().message;

  {
    // Room for the first sample only: the second fails, the first goes again.
    test::FileSizeLimit limit(100);
    described = DescribeSong(song, out / "song.bjs", {out / "new", false});
  }
  ASSERT_FALSE(described.ok());
  EXPECT_NE(described.error().message.find("sample01.vag"), std::string::npos)
      << described.error().message;
  EXPECT_FALSE(fs::exists(out / "new"));
}

TEST(LayoutOfSong, RefusesWhatNoSheetHolds) {
  const auto reason = [](const std::function<void(SongSummary&)>& change) {
    SongSummary summary;
    summary.samples.resize(2);
    summary.tracks = {{"a", {{0, 0}}}, {"b", {{1, 0}}}};
    summary.pages = {{"P", {{0, 0}}}};
    change(summary);
    Result<SongLayout> layout = LayoutOfSong(summary);
    return layout.ok() ? std::string() : layout.error().message;
  };
  EXPECT_EQ(reason([](SongSummary&) {}), "");
  EXPECT_EQ(reason([](SongSummary& s) { s.tracks.resize(17, s.tracks[0]); }),
            "it holds 17 tracks; a sheet has 16");
  EXPECT_EQ(reason([](SongSummary& s) { s.tracks[1].slots.resize(5); }),
            "track 1 holds 5 samples; a track holds at most 4");
  EXPECT_EQ(reason([](SongSummary& s) { s.tracks[0].slots.clear(); }), "track 0 holds no samples");
  EXPECT_EQ(reason([](SongSummary& s) { s.tracks[1].slots[0].sample = 2; }),
            "track 1 plays sample 2, which the song does not hold");
  EXPECT_EQ(reason([](SongSummary& s) { s.pages.resize(5); }),
            "it lays out 5 pages; a sheet has 4");
  EXPECT_EQ(reason([](SongSummary& s) { s.pages[0].tracks.resize(5); }),
            "page 0 lists 5 tracks; a page has 4");
  EXPECT_EQ(reason([](SongSummary& s) { s.pages[0].tracks.resize(3); }),
            "its pages list 3 tracks but it holds 2");
  EXPECT_EQ(reason([](SongSummary& s) {
              s.pages.assign(3, {"x", {}});
              s.tracks.resize(6, s.tracks[0]);
            }),
            "its tracks do not fit on the pages after the 3 it lays out");
  EXPECT_EQ(reason([](SongSummary& s) {
              s.pages.assign(4, {"", {}});
              s.tracks.clear();
            }),
            "it lays out 4 pages of which 4 have no name, which no sheet gives");
  EXPECT_EQ(reason([](SongSummary& s) { s.title = "\xff"; }), "its title is not UTF-8 text");
  EXPECT_EQ(reason([](SongSummary& s) { s.tracks[0].name = std::string("a\0b", 3); }),
            "the name of track 0 holds a zero byte");

  // A page laid out without a name stands for a named page the song leaves out.
  SongSummary summary;
  summary.tempo = 90;
  summary.pages = {{"", {}}};
  Result<SongLayout> layout = LayoutOfSong(summary);
  ASSERT_TRUE(layout.ok());
  EXPECT_EQ(layout->sheet.Page(0).PageName, "");
  EXPECT_EQ(layout->sheet.Page(1).PageName, "Page1");
  EXPECT_EQ(layout->sheet.Page(2).PageName, "");
  EXPECT_EQ(layout->sheet.TempoText(), "90");
}

}  // namespace
}  // namespace zembra
