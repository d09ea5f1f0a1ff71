// What a song description may hold is what the sheet holds: each limit is
// taken whole and refused one past it, in the core, without the window.
#include <gtest/gtest.h>

#include <string>

#include "songfile/song_description.h"

namespace zembra {
namespace {

// A description with `count` entries of `item` in the list `key`.
std::string WithList(const std::string& key, const std::string& item, std::size_t count) {
  std::string text = R"({"tempo": 120, ")" + key + R"(": [)";
  for (std::size_t i = 0; i < count; ++i) text += (i ? ", " : "") + item;
  return text + "]}";
}

std::string Refusal(const std::string& text) {
  Result<SongJob> job = ParseSongJson(text, "/songs/song.json");
  return job.ok() ? "" : job.error().message;
}

TEST(SongDescriptionLimits, EachListIsTakenWholeAndRefusedOnePastIt) {
  const std::string track = R"({"name": "T", "samples": ["a.vag"]})";
  Result<SongJob> tracks = ParseSongJson(WithList("tracks", track, kTrackCount), "song.json");
  ASSERT_TRUE(tracks.ok()) << tracks.error().message;
  EXPECT_EQ(tracks->sheet.Track(kTrackCount - 1).TrackName, "T");
  EXPECT_EQ(tracks->sheet.Track(kTrackCount - 1).SampleNames.size(), 1u);
  EXPECT_NE(Refusal(WithList("tracks", track, kTrackCount + 1)).find("lists 17 tracks"),
            std::string::npos);

  Result<SongJob> pages = ParseSongJson(WithList("pages", R"("P")", kPageCount), "song.json");
  ASSERT_TRUE(pages.ok()) << pages.error().message;
  EXPECT_EQ(pages->sheet.Page(kPageCount - 1).PageName, "P");
  EXPECT_NE(Refusal(WithList("pages", R"("P")", kPageCount + 1)).find("lists 5 pages"),
            std::string::npos);

  const std::string four = R"({"tempo": 120, "tracks": [{"samples": ["a", "b", "c", "d"]}]})";
  Result<SongJob> samples = ParseSongJson(four, "song.json");
  ASSERT_TRUE(samples.ok()) << samples.error().message;
  EXPECT_EQ(samples->sheet.Track(0).SampleNames.size(), MaxSamplesPerTrack);
  const std::string five = R"({"tempo": 120, "tracks": [{"samples": ["a", "b", "c", "d", "e"]}]})";
  EXPECT_NE(Refusal(five).find("lists 5 samples"), std::string::npos) << Refusal(five);
  EXPECT_NE(Refusal(five).find("/songs/song.json"), std::string::npos) << Refusal(five);
}

}  // namespace
}  // namespace zembra
