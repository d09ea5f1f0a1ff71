// The reader on damaged songs: every malformation is refused with a reason,
// and nothing is read out of bounds (the suite runs under ASan and UBSan).
#include "songfile/song_file_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <random>

#include "tests/songfile/song_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::Bytes;
using test::PutLe32;
using test::TempDir;

class DamagedSong : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(dir_ / "a.vag", test::MakeVag(40, true));
    SongSheet sheet = test::WritableSheet();
    sheet.DropTexts(0, {"a.vag", "a.vag"});
    sheet.DropTexts(5, {"a.vag"});
    sheet.SetPageName(1, "Second");
    good_ = std::make_unique<SongFile>(test::WriteAndRead(sheet, dir_.path(), dir_ / "s.bjs"));
    bytes_ = test::ReadFile(dir_ / "s.bjs");
  }
  const SongIndexEntry& Entry(std::string_view tag, int nth = 0) {
    return test::EntryOf(*good_, tag, nth);
  }
  // The reason the damaged bytes are refused, or "" if they were accepted.
  static std::string Refusal(const Bytes& bytes) {
    Result<SongFile> song = SongFile::Parse(bytes, "s.bjs");
    if (song.ok()) return "";
    const std::string prefix = "\"s.bjs\" is not a song file: ";
    EXPECT_EQ(song.error().message.rfind(prefix, 0), 0u) << song.error().message;
    return song.error().message;
  }

  TempDir dir_;
  std::unique_ptr<SongFile> good_;
  Bytes bytes_;
};

TEST_F(DamagedSong, EveryTruncationIsRefused) {
  ASSERT_EQ(Refusal(bytes_), "");
  for (std::size_t length = 0; length < bytes_.size(); ++length) {
    const Bytes cut(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_NE(Refusal(cut), "") << length;
  }
  EXPECT_NE(Refusal({}).find("0 bytes long, too short for an index"), std::string::npos);
}

TEST_F(DamagedSong, EachDamageIsNamed) {
  const std::uint32_t data = good_->data_length();
  const std::size_t end = bytes_.size();
  const auto size_of = [&](const SongIndexEntry& e) { return e.position + 8; };
  const auto offset_of = [&](const SongIndexEntry& e) { return e.position + 4; };
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    const char* reason;
  };
  const Case cases[] = {
      {"pointer past the end",
       [&](Bytes& b) { PutLe32(b, end - 4, static_cast<std::uint32_t>(end)); }, "index pointer"},
      {"pointer huge", [&](Bytes& b) { PutLe32(b, end - 4, 0xFFFFFFF0u); }, "index pointer"},
      {"pointer off the entry grid", [&](Bytes& b) { PutLe32(b, end - 4, data + 1); },
       "not a whole number of 12-byte entries"},
      {"root renamed", [&](Bytes& b) { b[data + 3] = 'X'; }, "does not start with the group"},
      {"root size wrong", [&](Bytes& b) { PutLe32(b, data + 8, 12); }, "root entry counts 12"},
      {"size past the end", [&](Bytes& b) { PutLe32(b, size_of(Entry("NAME")), 0xFFFFFFFFu); },
       "past the end of the data area"},
      {"offset past the end", [&](Bytes& b) { PutLe32(b, offset_of(Entry("VAGF")), data - 2); },
       "(\"VAGF\") has 40 bytes at offset"},
      {"group made payload", [&](Bytes& b) { PutLe32(b, offset_of(Entry("SONG")), 0); },
       "(\"SONG\") should be a group"},
      {"payload made group", [&](Bytes& b) { PutLe32(b, offset_of(Entry("BPM0")), 0xFFFFFFFFu); },
       "(\"BPM0\") should have a payload"},
      {"entries swapped",
       [&](Bytes& b) { std::swap_ranges(&b[data + 24], &b[data + 36], &b[data + 36]); },
       "stands where \"SDFV\" should"},
      {"text without terminator", [&](Bytes& b) { b[Entry("NAME").offset + 4] = 'x'; },
       "(\"NAME\") does not end in a zero-terminated text"},
      {"negative sample count", [&](Bytes& b) { PutLe32(b, Entry("NVAG").offset, 0xFFFFFFFFu); },
       "negative count"},
      {"absurd sample count", [&](Bytes& b) { PutLe32(b, Entry("NVAG").offset, 0x7FFFFFFF); },
       "declares 2147483647 samples"},
      {"absurd track count",
       [&](Bytes& b) {
         PutLe32(b, Entry("NTRK").offset, 1000000);
         PutLe32(b, size_of(Entry("TRKS")), 12 * 1000001);
       },
       "stands where \"TRAK\" should"},
      {"absurd slot count", [&](Bytes& b) { PutLe32(b, Entry("TRAK").offset + 8, 0x7FFFFFFF); },
       "declares 2147483647 slots"},
      {"negative slot count",
       [&](Bytes& b) { PutLe32(b, Entry("TRAK", 1).offset + 8, 0xFFFFFFFFu); },
       "declares -1 slots"},
      {"absurd page count", [&](Bytes& b) { PutLe32(b, Entry("NUIM").offset, 5000); },
       "stands where \"UIM0\" should"},
      {"absurd record count", [&](Bytes& b) { PutLe32(b, Entry("UIM0").offset, 0xFFFFFFFFu); },
       "declares more track records"},
      {"fixed size changed", [&](Bytes& b) { PutLe32(b, size_of(Entry("UIS0")), 68); },
       "has size 68 instead of 65"},
      {"samples overlap",
       [&](Bytes& b) { PutLe32(b, offset_of(Entry("VAGF", 1)), Entry("VAGF").offset + 8); },
       "(\"VAGF\") overlaps or precedes the sample before it"},
      {"samples out of order",
       [&](Bytes& b) {
         PutLe32(b, offset_of(Entry("VAGF", 1)), Entry("VAGF").offset);
         PutLe32(b, offset_of(Entry("VAGF")), Entry("VAGF", 1).offset);
       },
       "overlaps or precedes"},
      {"index larger than any song's",
       [&](Bytes& b) {
         b.insert(b.begin() + data, std::size_t{12} << 17, 0);
         PutLe32(b, b.size() - 4, data);
       },
       "larger than any song's index"},
      {"entry after the last",
       [&](Bytes& b) {
         const Bytes extra = {'X', 'T', 'R', 'A', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
         b.insert(b.end() - 4, extra.begin(), extra.end());
         PutLe32(b, data + 8, static_cast<std::uint32_t>(b.size() - data - 16));
       },
       "(\"XTRA\") follows \"VERE\""},
  };
  for (const Case& c : cases) {
    Bytes damaged = bytes_;
    c.damage(damaged);
    EXPECT_NE(Refusal(damaged).find(c.reason), std::string::npos)
        << c.what << ": " << Refusal(damaged);
  }
}

TEST_F(DamagedSong, FewerSampleCopiesThanDeclaredAreTolerated) {
  // Songs from elsewhere may declare samples whose copies were left out.
  Bytes bytes = bytes_;
  PutLe32(bytes, Entry("NVAG").offset, 5);
  PutLe32(bytes, Entry("VAGS").position + 8, 12 * 6);
  Result<SongFile> song = SongFile::Parse(bytes, "s.bjs");
  ASSERT_TRUE(song.ok()) << song.error().message;
  EXPECT_EQ(song->summary().sample_count, 5);
  EXPECT_EQ(song->summary().samples.size(), 3u);
  EXPECT_TRUE(song->SampleBytes(3).empty());
}

TEST_F(DamagedSong, RandomDamageNeverCrashes) {
  std::mt19937 rng(7);
  const std::uint32_t data = good_->data_length();
  for (int round = 0; round < 4000; ++round) {
    Bytes damaged = bytes_;
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < changes; ++i) {
      // Mostly the index, where a byte decides what is read where.
      const std::size_t at =
          (rng() % 4 != 0) ? data + rng() % (damaged.size() - data) : rng() % damaged.size();
      damaged[at] = static_cast<std::uint8_t>(rng() % 3 == 0 ? 0xFF : rng());
    }
    if (rng() % 8 == 0) damaged.resize(rng() % damaged.size());
    Result<SongFile> song = SongFile::Parse(damaged, "s.bjs");
    if (song.ok()) {
      for (const SongIndexEntry& entry : song->entries()) (void)song->Payload(entry);
    }
  }
}

// The song as a tool that counts a text's size in characters writes it: the
// sizes and alignment of texts follow their characters, and every payload
// after a text moves to suit.
Bytes CharacterCounted(const SongFile& song) {
  const std::span<const std::uint8_t> bytes = song.bytes();
  const std::vector<SongIndexEntry>& entries = song.entries();
  Bytes data, index;
  const auto put = [](Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const SongIndexEntry& entry = entries[i];
    index.insert(index.end(), entry.tag.begin(), entry.tag.end());
    if (entry.IsGroup()) {
      put(index, kGroupEntryOffset);
      put(index, entry.size);
      continue;
    }
    // The payload with whatever follows it up to the next payload.
    std::uint32_t end = song.data_length();
    for (std::size_t j = i + 1; j < entries.size(); ++j) {
      if (!entries[j].IsGroup()) {
        end = entries[j].offset;
        break;
      }
    }
    Bytes payload(bytes.begin() + entry.offset, bytes.begin() + end);
    std::uint32_t size = entry.size;
    std::size_t text_at = std::string::npos;
    if (entry.tag == "NAME" || entry.tag == "AUTH") text_at = 0;
    if (entry.tag == "TRAK") text_at = 16 + 12 * test::Le32At(payload, 8);
    if (entry.tag == "UIM0") text_at = 4 + 12 * test::Le32At(payload, 0);
    if (text_at != std::string::npos) {
      const auto text_end = std::find(payload.begin() + static_cast<std::ptrdiff_t>(text_at),
                                      payload.end(), std::uint8_t{0});
      const auto characters = static_cast<std::uint32_t>(
          std::count_if(payload.begin() + static_cast<std::ptrdiff_t>(text_at), text_end,
                        [](std::uint8_t b) { return (b & 0xC0) != 0x80; }));
      payload.erase(text_end, payload.end());
      payload.insert(payload.end(), 1 + 4 - (characters + 1) % 4, 0);
      size = static_cast<std::uint32_t>(text_at) + characters + 1;
    }
    put(index, static_cast<std::uint32_t>(data.size()));
    put(index, size);
    data.insert(data.end(), payload.begin(), payload.end());
  }
  put(index, static_cast<std::uint32_t>(data.size()));
  data.insert(data.end(), index.begin(), index.end());
  return data;
}

TEST(SongFileRead, TextsCountedInCharactersAreReadWhole) {
  TempDir dir;
  test::WriteFile(dir / "a.vag", test::MakeVag(41, true));
  SongSheet sheet = test::WritableSheet();
  sheet.SetTitle("Caf\u00e9 \u00fcber Stra\u00dfe");
  sheet.SetArtist("\u00c5sa \u6771\u4eac \U0001F3B5");
  sheet.DropTexts(0, {"a.vag"});
  sheet.SetTrackName(0, "B\u00e4ss");
  sheet.DropTexts(5, {"a.vag"});
  sheet.SetTrackName(5, "abc");
  sheet.SetPageName(0, "\u00dcber");
  sheet.SetPageName(1, "Zw\u00f6lf");
  const SongFile ours = test::WriteAndRead(sheet, dir.path(), dir / "s.bjs");
  const Bytes counted = CharacterCounted(ours);
  ASSERT_NE(counted, test::ReadFile(dir / "s.bjs"));

  Result<SongFile> song = SongFile::Parse(counted, "s.bjs");
  ASSERT_TRUE(song.ok()) << song.error().message;
  EXPECT_EQ(test::EntryOf(*song, "NAME").size, 17u);  // 16 characters, 19 bytes
  const SongSummary& got = song->summary();
  const SongSummary& want = ours.summary();
  EXPECT_EQ(got.title, sheet.Title());
  EXPECT_EQ(got.artist, sheet.Artist());
  EXPECT_EQ(got.tempo, want.tempo);
  ASSERT_EQ(got.tracks.size(), 2u);
  EXPECT_EQ(got.tracks[0].name, "B\u00e4ss");
  EXPECT_EQ(got.tracks[1].name, "abc");
  EXPECT_EQ(got.tracks[1].slots.size(), 1u);
  ASSERT_EQ(got.pages.size(), 2u);
  EXPECT_EQ(got.pages[0].name, "\u00dcber");
  EXPECT_EQ(got.pages[1].name, "Zw\u00f6lf");
  EXPECT_EQ(got.pages[1].tracks.size(), 1u);
  ASSERT_EQ(got.samples.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_TRUE(std::ranges::equal(song->SampleBytes(i), ours.SampleBytes(i)));
  }

  // A size that fits neither the bytes nor the characters is still damage.
  Bytes damaged = counted;
  PutLe32(damaged, test::EntryOf(*song, "NAME").position + 8, 16);
  EXPECT_FALSE(SongFile::Parse(damaged, "s.bjs").ok());
  damaged = counted;
  damaged[test::EntryOf(*song, "AUTH").offset + 1] = 0xFF;  // inside "\u00c5": no longer UTF-8
  EXPECT_FALSE(SongFile::Parse(damaged, "s.bjs").ok());
}

TEST_F(DamagedSong, AnIndexNeedsRoomForOneEntry) {
  // No room at all, then room for less than an entry: refused by the pointer
  // check, before any entry is read.
  for (std::size_t room : {0u, 8u}) {
    Bytes bytes = bytes_;
    PutLe32(bytes, bytes.size() - 4, static_cast<std::uint32_t>(bytes.size() - 4 - room));
    EXPECT_NE(Refusal(bytes).find("index pointer"), std::string::npos) << room << Refusal(bytes);
  }
  // Room for entries and a third of one more.
  Bytes shifted = bytes_;
  PutLe32(shifted, shifted.size() - 4, good_->data_length() + 4);
  EXPECT_NE(Refusal(shifted).find("not a whole number of 12-byte entries"), std::string::npos)
      << Refusal(shifted);
  // Exactly one entry: the pointer is fine, the index is too short for a song.
  const Bytes root_only = {'B', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_NE(Refusal(root_only).find("the index ends where \"SONG\" should follow"),
            std::string::npos)
      << Refusal(root_only);
}

TEST_F(DamagedSong, ATrackDeclaringOneSlotMoreThanItHoldsIsRefused) {
  for (int nth : {0, 1}) {
    const SongIndexEntry& track = Entry("TRAK", nth);
    const std::size_t slots = good_->summary().tracks[static_cast<std::size_t>(nth)].slots.size();
    // The name is shorter than a slot, so one slot more does not fit.
    ASSERT_LT(track.size - 16 - 12 * slots, 12u);
    Bytes bytes = bytes_;
    PutLe32(bytes, track.offset + 8, static_cast<std::uint32_t>(slots + 1));
    EXPECT_NE(Refusal(bytes).find("declares " + std::to_string(slots + 1) + " slots, more than"),
              std::string::npos)
        << Refusal(bytes);
  }
}

TEST(SongFileRead, RefusesWhatIsNotARegularFile) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder.bjs");
  ASSERT_EQ(::mkfifo((dir / "pipe.bjs").c_str(), 0600), 0);
  for (const std::filesystem::path& path :
       {dir / "folder.bjs", dir / "pipe.bjs", std::filesystem::path("/dev/full")}) {
    Result<SongFile> song = SongFile::Read(path);
    ASSERT_FALSE(song.ok());
    EXPECT_EQ(song.error().message,
              "Cannot open \"" + path.string() + "\": it is not a regular file.");
  }
  Result<SongFile> missing = SongFile::Read(dir / "missing.bjs");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message,
            "Cannot open \"" + (dir / "missing.bjs").string() + "\": No such file or directory.");
  test::WriteFile(dir / "text.bjs", "just some text, not a song at all");
  Result<SongFile> text = SongFile::Read(dir / "text.bjs");
  ASSERT_FALSE(text.ok());
  EXPECT_EQ(
      text.error().message.rfind("\"" + (dir / "text.bjs").string() + "\" is not a song file: ", 0),
      0u);
}

}  // namespace
}  // namespace zembra
