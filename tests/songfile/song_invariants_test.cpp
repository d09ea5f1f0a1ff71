// Structural properties every written song must have, checked on many
// generated sheets and on a full one.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "audio/audio_file.h"
#include "audio/vag_import.h"
#include "songfile/song_file_reader.h"
#include "tests/songfile/song_test_support.h"
#include "tests/support/files.h"
#include "tests/support/signals.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::Bytes;
using test::Le32At;
using test::TempDir;

// The tags a sheet's song must list, in order.
std::vector<std::string> ExpectedTags(const SongSheet& sheet) {
  std::vector<std::string> tags = {"BIFF", "SONG", "SDFV", "SID0", "NAME",
                                   "AUTH", "BPM0", "BPB0", "VAGS", "NVAG"};
  for (const SheetTrack& track : sheet.Tracks()) {
    for (std::size_t i = 0; i < track.SampleNames.size(); ++i) {
      tags.insert(tags.end(), {"VAGF", "VNBD", "VBDT", "LPNB"});
    }
  }
  tags.insert(tags.end(), {"SMPS", "NSMP", "VERS", "NBRS", "CNTI", "TRKS", "NTRK"});
  for (const SheetTrack& track : sheet.Tracks()) {
    if (!track.SampleNames.empty()) tags.push_back("TRAK");
  }
  tags.insert(tags.end(),
              {"STKS", "NSTK", "SSEV", "NSSE", "SSE0", "SSET", "NSST", "UINT", "UIS0", "NUIM"});
  for (const SheetPage& page : sheet.Pages()) {
    if (!page.PageName.empty()) tags.push_back("UIM0");
  }
  tags.insert(tags.end(), {"STG0", "NSTG", "VERE"});
  return tags;
}

// Bytes a payload takes in the data area: texts (alone or closing a record)
// are padded to a multiple of four, never by zero bytes; "UIS0" has three
// uncounted bytes.
std::uint64_t StoredLength(const SongIndexEntry& entry) {
  const std::string& tag = entry.tag;
  if (tag == "NAME" || tag == "AUTH" || tag == "TRAK" || tag == "UIM0") {
    return entry.size + (4 - entry.size % 4);
  }
  if (tag == "UIS0") return entry.size + 3;
  return entry.size;
}

void CheckSong(const SongSheet& sheet, const std::filesystem::path& workingdir,
               const SongFile& song) {
  const std::span<const std::uint8_t> bytes = song.bytes();
  const std::uint32_t data = song.data_length();
  // The pointer names where "BIFF" stands; the root counts the rest of the index.
  ASSERT_EQ(Le32At(bytes, bytes.size() - 4), data);
  ASSERT_EQ(std::string(bytes.begin() + data, bytes.begin() + data + 4), "BIFF");
  EXPECT_EQ(Le32At(bytes, data + 8), bytes.size() - data - 16);

  std::vector<std::string> tags;
  for (const SongIndexEntry& entry : song.entries()) tags.push_back(entry.tag);
  ASSERT_EQ(tags, ExpectedTags(sheet));

  std::size_t rows = 0, used_tracks = 0, named_pages = 0;
  for (const SheetTrack& track : sheet.Tracks()) {
    rows += track.SampleNames.size();
    used_tracks += track.SampleNames.empty() ? 0 : 1;
  }
  for (const SheetPage& page : sheet.Pages()) named_pages += page.PageName.empty() ? 0 : 1;
  EXPECT_EQ(song.entries().size(), 30 + 4 * rows + used_tracks + named_pages);

  // Payloads lie back to back in entry order and fill the data area exactly.
  std::uint64_t next = 0;
  for (const SongIndexEntry& entry : song.entries()) {
    if (entry.IsGroup()) continue;
    EXPECT_EQ(entry.offset, next) << entry.tag << " at " << entry.position;
    next = entry.offset + StoredLength(entry);
  }
  EXPECT_EQ(next, data);

  // The decoded song says what the sheet said.
  const SongSummary& summary = song.summary();
  EXPECT_EQ(summary.title, sheet.Title());
  EXPECT_EQ(summary.artist, sheet.Artist());
  EXPECT_EQ(std::to_string(summary.tempo), sheet.TempoText());
  EXPECT_EQ(summary.sample_count, static_cast<std::int32_t>(rows));
  ASSERT_EQ(summary.samples.size(), rows);
  std::size_t sample = 0, track_number = 0;
  for (const SheetTrack& track : sheet.Tracks()) {
    if (track.SampleNames.empty()) continue;
    ASSERT_LT(track_number, summary.tracks.size());
    const SongTrackInfo& written = summary.tracks[track_number++];
    EXPECT_EQ(written.name, track.TrackName);
    ASSERT_EQ(written.slots.size(), track.SampleNames.size());
    for (std::size_t row = 0; row < track.SampleNames.size(); ++row, ++sample) {
      EXPECT_EQ(written.slots[row].sample, static_cast<std::int16_t>(sample));
      EXPECT_EQ(written.slots[row].row, static_cast<std::int16_t>(row));
      const auto copy = song.SampleBytes(sample);
      EXPECT_EQ(Bytes(copy.begin(), copy.end()),
                test::ReadFile(workingdir / track.SampleNames[row]));
    }
  }
  ASSERT_EQ(summary.pages.size(), named_pages);
  std::int32_t listed = 0;
  for (std::size_t p = 0; p < named_pages; ++p) {
    EXPECT_EQ(summary.pages[p].name, sheet.Page(p).PageName);
    std::size_t used_on_page = 0;
    for (std::size_t t = 0; t < kTracksPerPage; ++t) {
      used_on_page += sheet.Track(p * kTracksPerPage + t).SampleNames.empty() ? 0 : 1;
    }
    ASSERT_EQ(summary.pages[p].tracks.size(), used_on_page);
    for (std::size_t i = 0; i < used_on_page; ++i) {
      EXPECT_EQ(summary.pages[p].tracks[i].position, static_cast<std::int32_t>(i));
      EXPECT_EQ(summary.pages[p].tracks[i].track, listed++);
    }
  }
}

std::string RandomText(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {"a", "B",  "7", " ", "\xC3\xA9", "\xE2\x99\xAA",
                                                  "-", "xyz"};
  std::string text;
  const int length = std::uniform_int_distribution<int>(0, 9)(rng);
  for (int i = 0; i < length; ++i) {
    text += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(rng)];
  }
  return text;
}

TEST(SongInvariants, HoldOnGeneratedSheets) {
  TempDir dir;
  std::mt19937 rng(20261207);
  std::vector<std::string> pool;
  for (int i = 0; i < 6; ++i) {
    pool.push_back("s" + std::to_string(i) + (i == 5 ? "\xC3\xBC.vag" : ".vag"));
    const auto size = std::uniform_int_distribution<std::uint32_t>(20, 300)(rng);
    test::WriteFile(dir / pool.back(), test::MakeVag(size, true));
  }
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SongSheet sheet;
    sheet.SetTitle(RandomText(rng));
    sheet.SetArtist(RandomText(rng));
    sheet.SetTempoText(std::to_string(std::uniform_int_distribution<int>(1, 300)(rng)));
    for (std::size_t t = 0; t < kTrackCount; ++t) {
      sheet.SetTrackName(t, RandomText(rng));
      const int count = std::uniform_int_distribution<int>(-3, 4)(rng);  // often empty
      for (int i = 0; i < count; ++i) {
        sheet.DropTexts(t, {pool[std::uniform_int_distribution<std::size_t>(0, 5)(rng)]});
      }
    }
    for (std::size_t p = 0; p < kPageCount; ++p) {
      sheet.SetPageName(p, rng() % 3 == 0 ? "" : RandomText(rng));
    }
    CheckSong(sheet, dir.path(), test::WriteAndRead(sheet, dir.path(), dir / "song.bjs"));
  }
}

TEST(SongInvariants, HoldOnAFullSheet) {
  TempDir dir;
  test::WriteFile(dir / "x.vag", test::MakeVag(33, true));
  SongSheet sheet = test::WritableSheet();
  for (std::size_t t = 0; t < kTrackCount; ++t) {
    sheet.DropTexts(t, {"x.vag", "x.vag", "x.vag", "x.vag"});
  }
  for (std::size_t p = 0; p < kPageCount; ++p) sheet.SetPageName(p, "Page" + std::to_string(p));
  const SongFile song = test::WriteAndRead(sheet, dir.path(), dir / "full.bjs");
  CheckSong(sheet, dir.path(), song);
  EXPECT_EQ(test::EntryOf(song, "TRKS").size, 204u);
  EXPECT_EQ(test::EntryOf(song, "VAGS").size, 12u * 65);
  EXPECT_EQ(song.summary().tracks.back().slots.back().sample, 63);
  EXPECT_EQ(song.summary().pages.back().tracks.back().track, 15);
}

TEST(SongInvariants, HoldWithImportedSamples) {
  TempDir dir;
  ASSERT_TRUE(WriteAudioFile(dir / "voice.wav", test::FormantVoice(22050, 0.1), 22050));
  ASSERT_TRUE(ImportAudioAsVag(dir / "voice.wav", dir / "voice.vag"));
  VagImportOptions low_rate;
  low_rate.sample_rate = 11025;
  ASSERT_TRUE(ImportAudioAsVag(dir / "voice.wav", dir / "low voice.vag", low_rate));
  SongSheet sheet = test::WritableSheet();
  sheet.DropTexts(0, {"voice.vag", "low voice.vag"});
  sheet.DropTexts(5, {"low voice.vag"});
  CheckSong(sheet, dir.path(), test::WriteAndRead(sheet, dir.path(), dir / "imported.bjs"));
}

}  // namespace
}  // namespace zembra
