// Byte-exact checks of the four sections of a song, written through
// WriteSongFile and read back.
#include <gtest/gtest.h>

#include "songfile/song_file_reader.h"
#include "tests/songfile/song_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::Bytes;
using test::BytesAt;
using test::EntryOf;
using test::Le32At;
using test::TempDir;
using test::WritableSheet;
using test::WriteAndRead;

Bytes Le32s(std::initializer_list<std::uint32_t> values) {
  Bytes bytes;
  for (std::uint32_t v : values) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(SongHeader, EmptySongHasTheKnownLayout) {
  TempDir dir;
  const SongFile song = WriteAndRead(WritableSheet(), "", dir / "empty.bjs");
  const std::span<const std::uint8_t> bytes = song.bytes();
  ASSERT_EQ(bytes.size(), 536u);
  EXPECT_EQ(song.data_length(), 160u);
  EXPECT_EQ(song.entries().size(), 31u);
  EXPECT_EQ(BytesAt(song, 532, 4), (Bytes{0xA0, 0, 0, 0}));
  // The first 48 index bytes and 8 data bytes of every song.
  EXPECT_EQ(BytesAt(song, 160, 48),
            Concat({test::BytesOf("BIFF"), Le32s({0xFFFFFFFF, 360}), test::BytesOf("SONG"),
                    Le32s({0xFFFFFFFF, 72}), test::BytesOf("SDFV"), Le32s({0, 4}),
                    test::BytesOf("SID0"), Le32s({4, 4})}));
  EXPECT_EQ(BytesAt(song, 0, 8), (Bytes{3, 0, 0, 0, 0x8C, 0x13, 0, 0}));

  // Title "Name" and artist "Artist" with their padding, then tempo and beats.
  EXPECT_EQ(EntryOf(song, "NAME").offset, 8u);
  EXPECT_EQ(EntryOf(song, "NAME").size, 5u);
  EXPECT_EQ(BytesAt(song, 8, 8), (Bytes{'N', 'a', 'm', 'e', 0, 0, 0, 0}));
  EXPECT_EQ(EntryOf(song, "AUTH").offset, 16u);
  EXPECT_EQ(EntryOf(song, "AUTH").size, 7u);
  EXPECT_EQ(BytesAt(song, 16, 8), (Bytes{'A', 'r', 't', 'i', 's', 't', 0, 0}));
  EXPECT_EQ(EntryOf(song, "BPM0").offset, 24u);
  EXPECT_EQ(BytesAt(song, 24, 8), (Bytes{0x78, 0, 0, 0, 4, 0, 0, 0}));
  EXPECT_EQ(EntryOf(song, "BPB0").offset, 28u);

  // No samples, no tracks: the counts are zero and the groups count one entry.
  EXPECT_EQ(EntryOf(song, "VAGS").size, 12u);
  EXPECT_EQ(Le32At(bytes, EntryOf(song, "NVAG").offset), 0u);
  EXPECT_EQ(EntryOf(song, "TRKS").size, 12u);
  EXPECT_EQ(Le32At(bytes, EntryOf(song, "NTRK").offset), 0u);
  EXPECT_EQ(song.summary().title, "Name");
  EXPECT_EQ(song.summary().tempo, 120);
}

TEST(SongHeader, TextLengthsMoveTheFollowingOffsets) {
  TempDir dir;
  SongSheet sheet = WritableSheet();
  sheet.SetTitle("");
  SongFile song = WriteAndRead(sheet, "", dir / "a.bjs");
  EXPECT_EQ(EntryOf(song, "NAME").size, 1u);
  EXPECT_EQ(BytesAt(song, 8, 4), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(EntryOf(song, "AUTH").offset, 12u);

  sheet.SetTitle("abc");
  song = WriteAndRead(sheet, "", dir / "b.bjs");
  EXPECT_EQ(EntryOf(song, "NAME").size, 4u);
  EXPECT_EQ(BytesAt(song, 8, 8), (Bytes{'a', 'b', 'c', 0, 0, 0, 0, 0}));
  EXPECT_EQ(EntryOf(song, "AUTH").offset, 16u);

  // Non-ASCII: "Ärger" is six bytes, so size 7 and one alignment byte.
  sheet.SetTitle("\xC3\x84rger");
  sheet.SetArtist("\xE6\x9D\xB1");  // three bytes, one character
  song = WriteAndRead(sheet, "", dir / "c.bjs");
  EXPECT_EQ(EntryOf(song, "NAME").size, 7u);
  EXPECT_EQ(BytesAt(song, 8, 8), (Bytes{0xC3, 0x84, 'r', 'g', 'e', 'r', 0, 0}));
  EXPECT_EQ(EntryOf(song, "AUTH").offset, 16u);
  EXPECT_EQ(EntryOf(song, "AUTH").size, 4u);
  EXPECT_EQ(EntryOf(song, "BPM0").offset, 24u);
  EXPECT_EQ(song.summary().title, "\xC3\x84rger");
  EXPECT_EQ(song.summary().artist, "\xE6\x9D\xB1");
}

// Two samples in track 0 ("Track0"), one in track 5 (no name); pages 0 and 1
// named. Covers the sample, track and page sections together.
class ThreeSampleSong : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(dir_ / "kick.vag", test::MakeVag(64, true));
    test::WriteFile(dir_ / "snare.vag", test::MakeVag(37, true));  // leaves offsets unaligned
    sheet_ = WritableSheet();
    sheet_.DropTexts(0, {"kick.vag", "snare.vag"});
    sheet_.DropTexts(5, {"kick.vag"});
    sheet_.SetPageName(1, "P1");
    song_ = std::make_unique<SongFile>(WriteAndRead(sheet_, dir_.path(), dir_ / "song.bjs"));
  }
  TempDir dir_;
  SongSheet sheet_;
  std::unique_ptr<SongFile> song_;
};

TEST_F(ThreeSampleSong, SamplesAreCopiedWholeAtTheKnownOffsets) {
  const SongFile& song = *song_;
  EXPECT_EQ(EntryOf(song, "VAGS").size, 48u);
  EXPECT_EQ(EntryOf(song, "NVAG").offset, 32u);
  EXPECT_EQ(Le32At(song.bytes(), 32), 3u);
  EXPECT_EQ(EntryOf(song, "VAGF", 0).offset, 36u);
  EXPECT_EQ(EntryOf(song, "VAGF", 0).size, 64u);
  EXPECT_EQ(EntryOf(song, "VNBD", 0).offset, 100u);
  EXPECT_EQ(EntryOf(song, "VBDT", 0).offset, 104u);
  EXPECT_EQ(EntryOf(song, "VBDT", 0).size, 0u);
  EXPECT_EQ(EntryOf(song, "LPNB", 0).offset, 104u);
  EXPECT_EQ(EntryOf(song, "LPNB", 0).size, 4u);
  EXPECT_EQ(BytesAt(song, 100, 8), (Bytes{0, 0, 0, 0, 4, 0, 0, 0}));
  EXPECT_EQ(EntryOf(song, "VAGF", 1).offset, 108u);
  EXPECT_EQ(EntryOf(song, "VAGF", 1).size, 37u);
  EXPECT_EQ(EntryOf(song, "VNBD", 1).offset, 145u);  // no alignment after a sample
  EXPECT_EQ(EntryOf(song, "VAGF", 2).offset, 145u + 8);

  // The same file in two rows: two copies, identical, at different offsets.
  const Bytes kick = test::MakeVag(64, true);
  ASSERT_EQ(song.summary().samples.size(), 3u);
  const auto first = song.SampleBytes(0);
  const auto third = song.SampleBytes(2);
  EXPECT_EQ(Bytes(first.begin(), first.end()), kick);
  EXPECT_EQ(Bytes(third.begin(), third.end()), kick);
  EXPECT_EQ(song.SampleBytes(1).size(), 37u);
  EXPECT_EQ(EntryOf(song, "SMPS").size, 12u);
  EXPECT_EQ(Le32At(song.bytes(), EntryOf(song, "NSMP").offset), 0u);
}

TEST_F(ThreeSampleSong, TracksNumberTheirSlotsInSampleOrder) {
  const SongFile& song = *song_;
  EXPECT_EQ(EntryOf(song, "TRKS").size, 36u);
  EXPECT_EQ(Le32At(song.bytes(), EntryOf(song, "NTRK").offset), 2u);
  const Bytes zeros8(8, 0);
  const SongIndexEntry& first = EntryOf(song, "TRAK", 0);
  EXPECT_EQ(first.size, 47u);
  EXPECT_EQ(
      BytesAt(song, first.offset, 48),
      Concat({Bytes{0, 0, 0x80, 0x3F, 0, 0, 0, 0x3F, 2, 0, 0, 0}, Bytes{0, 0, 0, 0}, zeros8,
              Bytes{1, 0, 1, 0}, zeros8, Bytes{0, 0, 0, 0}, test::BytesOf("Track0"), Bytes{0, 0}}));
  const SongIndexEntry& second = EntryOf(song, "TRAK", 1);
  EXPECT_EQ(second.size, 29u);
  EXPECT_EQ(BytesAt(song, second.offset, 32),
            Concat({Bytes{0, 0, 0x80, 0x3F, 0, 0, 0, 0x3F, 1, 0, 0, 0}, Bytes{2, 0, 0, 0}, zeros8,
                    Bytes{0, 0, 0, 0}, Bytes{0, 0, 0, 0}}));
  // Tracks 1 to 4 hold nothing, so the two "TRAK" entries are adjacent.
  EXPECT_EQ(second.position, first.position + 12);
  EXPECT_EQ(EntryOf(song, "STKS").size, 12u);
  ASSERT_EQ(song.summary().tracks.size(), 2u);
  EXPECT_EQ(song.summary().tracks[1].slots[0].sample, 2);
}

TEST_F(ThreeSampleSong, PagesListTheirTracksByTrackNumber) {
  const SongFile& song = *song_;
  EXPECT_EQ(Le32At(song.bytes(), EntryOf(song, "NUIM").offset), 2u);
  const SongIndexEntry& page0 = EntryOf(song, "UIM0", 0);
  EXPECT_EQ(page0.size, 22u);
  EXPECT_EQ(BytesAt(song, page0.offset, 24),
            Concat({Le32s({1, 0, 1, 0}), test::BytesOf("Page0"), Bytes{0, 0, 0}}));
  const SongIndexEntry& page1 = EntryOf(song, "UIM0", 1);
  EXPECT_EQ(page1.size, 19u);
  EXPECT_EQ(BytesAt(song, page1.offset, 20),
            Concat({Le32s({1, 0, 1, 1}), test::BytesOf("P1"), Bytes{0, 0}}));
}

TEST(PageLayout, DefaultsGiveOneRecordAndTheFixedRecord) {
  TempDir dir;
  const SongFile song = WriteAndRead(WritableSheet(), "", dir / "song.bjs");
  const SongIndexEntry& fixed = EntryOf(song, "UIS0");
  EXPECT_EQ(fixed.size, 65u);
  EXPECT_EQ(BytesAt(song, fixed.offset, 68),
            Le32s({5, 0, 0, 0, 1, 0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 0}));
  EXPECT_EQ(EntryOf(song, "NUIM").offset, fixed.offset + 68);
  EXPECT_EQ(Le32At(song.bytes(), EntryOf(song, "NUIM").offset), 1u);
  const SongIndexEntry& page = EntryOf(song, "UIM0");
  EXPECT_EQ(page.size, 10u);
  EXPECT_EQ(BytesAt(song, page.offset, 12),
            Concat({Le32s({0}), test::BytesOf("Page0"), Bytes{0, 0, 0}}));
  // The index ends with the closing entries and the pointer.
  const auto& entries = song.entries();
  const std::size_t n = entries.size();
  EXPECT_EQ(entries[n - 3].tag, "STG0");
  EXPECT_EQ(entries[n - 3].size, 12u);
  EXPECT_EQ(entries[n - 2].tag, "NSTG");
  EXPECT_EQ(entries[n - 1].tag, "VERE");
  EXPECT_EQ(Le32At(song.bytes(), entries[n - 1].offset), 4u);
}

TEST(PageLayout, RecordsFollowPagePositionNotWhichPageIsNamed) {
  TempDir dir;
  test::WriteFile(dir / "a.vag", test::MakeVag(20, true));
  SongSheet sheet = WritableSheet();
  sheet.SetPageName(0, "");
  sheet.SetPageName(2, "Third");
  sheet.DropTexts(1, {"a.vag"});
  sheet.DropTexts(9, {"a.vag"});  // on page 2, which gets no record
  SongFile song = WriteAndRead(sheet, dir.path(), dir / "song.bjs");
  EXPECT_EQ(Le32At(song.bytes(), EntryOf(song, "NUIM").offset), 1u);
  const SongIndexEntry& page = EntryOf(song, "UIM0");
  EXPECT_EQ(page.size, 4u + 12 + 1);  // page 0's track and page 0's empty name
  EXPECT_EQ(BytesAt(song, page.offset, 20), Concat({Le32s({1, 0, 1, 0}), Bytes{0, 0, 0, 0}}));
  EXPECT_EQ(song.summary().tracks.size(), 2u);

  sheet.SetPageName(2, "");
  song = WriteAndRead(sheet, dir.path(), dir / "song.bjs");
  EXPECT_EQ(Le32At(song.bytes(), EntryOf(song, "NUIM").offset), 0u);
  const auto& entries = song.entries();
  EXPECT_EQ(entries[entries.size() - 4].tag, "NUIM");
  EXPECT_EQ(entries[entries.size() - 3].tag, "STG0");
  EXPECT_TRUE(song.summary().pages.empty());
}

}  // namespace
}  // namespace zembra
