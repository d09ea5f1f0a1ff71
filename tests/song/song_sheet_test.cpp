#include "song/song_sheet.h"

#include <gtest/gtest.h>

namespace zembra {
namespace {

using Names = std::vector<std::string>;

TEST(SongSheet, FreshSheetHoldsTheDefaults) {
  SongSheet sheet;
  EXPECT_TRUE(sheet.Pool().empty());
  for (std::size_t i = 0; i < kTrackCount; ++i) {
    EXPECT_EQ(sheet.Track(i).TrackName, i < 4 ? "Track" + std::to_string(i) : "");
    EXPECT_TRUE(sheet.Track(i).SampleNames.empty());
  }
  EXPECT_EQ(sheet.Page(0).PageName, "Page0");
  for (std::size_t k = 1; k < kPageCount; ++k) EXPECT_EQ(sheet.Page(k).PageName, "");
  EXPECT_EQ(sheet.Title(), "Name");
  EXPECT_EQ(sheet.Artist(), "Artist");
  EXPECT_EQ(sheet.TempoText(), "BPM");
}

TEST(SongSheet, DropAppendsUpToFourAndDiscardsTheRest) {
  SongSheet sheet;
  sheet.DropTexts(3, {"bass", "pad"});
  EXPECT_EQ(sheet.DropTexts(3, {"kick", "snare", "hat"}), 2u);
  EXPECT_EQ(sheet.Track(3).SampleNames, (Names{"bass", "pad", "kick", "snare"}));
  EXPECT_EQ(sheet.DropTexts(3, {"clap"}), 0u);
  EXPECT_EQ(sheet.Track(3).SampleNames.size(), 4u);

  sheet.DropTexts(5, {"kick", "kick"});
  sheet.DropTexts(0, {"kick"});
  EXPECT_EQ(sheet.Track(5).SampleNames, (Names{"kick", "kick"}));
  EXPECT_EQ(sheet.Track(0).SampleNames, (Names{"kick"}));
}

TEST(SongSheet, RemoveTakesExactlyTheSelectedRows) {
  SongSheet sheet;
  sheet.DropTexts(1, {"kick", "snare", "hat", "clap"});
  sheet.RemoveSamples(1, {});
  EXPECT_EQ(sheet.Track(1).SampleNames.size(), 4u);
  sheet.RemoveSamples(1, {0, 2, 9});
  EXPECT_EQ(sheet.Track(1).SampleNames, (Names{"snare", "clap"}));
}

TEST(SongSheet, PoolTextsComeInPoolOrderAndPoolReplacementKeepsTracks) {
  SongSheet sheet;
  sheet.ReplacePool({"a", "b", "c", "d"});
  EXPECT_EQ(sheet.PoolDragTexts({3, 1}), (Names{"b", "d"}));
  sheet.DropTexts(0, sheet.PoolDragTexts({0}));
  sheet.ReplacePool({"x"});
  EXPECT_EQ(sheet.Pool(), (Names{"x"}));
  EXPECT_EQ(sheet.Track(0).SampleNames, (Names{"a"}));
}

TEST(SongSheet, MoveReordersWithinATrack) {
  SongSheet sheet;
  sheet.DropTexts(4, {"a", "b", "c", "d"});
  sheet.MoveSamples(4, {3}, 0);
  EXPECT_EQ(sheet.Track(4).SampleNames, (Names{"d", "a", "b", "c"}));
  sheet.MoveSamples(4, {0, 1}, 4);
  EXPECT_EQ(sheet.Track(4).SampleNames, (Names{"b", "c", "d", "a"}));
  sheet.MoveSamples(4, {2}, 1);
  EXPECT_EQ(sheet.Track(4).SampleNames, (Names{"b", "d", "c", "a"}));
}

TEST(SongSheet, PagesGroupFourTracks) {
  EXPECT_EQ(SongSheet::PageOfTrack(7), 1u);
  EXPECT_EQ(SongSheet::PageOfTrack(12), 3u);
  EXPECT_EQ(SongSheet::PageOfTrack(15), 3u);
  EXPECT_TRUE(SongSheet::TrackAllowsReorder(0));
  EXPECT_FALSE(SongSheet::TrackAllowsReorder(2));
  EXPECT_TRUE(SongSheet::TrackAllowsReorder(5));
}

}  // namespace
}  // namespace zembra
