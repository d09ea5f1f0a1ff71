// The reader on damaged songs: every malformation is refused with a reason,
// and nothing is read out of bounds (the suite runs under ASan and UBSan).
#include "songfile/song_file_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
