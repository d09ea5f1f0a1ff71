#include "archive/bar_writer.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::Bytes;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Pack(std::string_view bytes, int level) {
  uLongf size = compressBound(bytes.size());
  std::string packed(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                reinterpret_cast<const Bytef*>(bytes.data()), bytes.size(), level) != Z_OK) {
    return {};
  }
  packed.resize(size);
  return packed;
}

Bytes Unpack(const Bytes& packed, std::size_t size) {
  Bytes bytes(size);
  uLongf got = size;
  EXPECT_EQ(uncompress(bytes.data(), &got, packed.data(), packed.size()), Z_OK);
  bytes.resize(got);
  return bytes;
}

std::uint32_t Little32(const Bytes& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

Bytes Noise(std::size_t size) {
  std::mt19937 random(7);
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

// Only the two size fields differ from archive to archive.
const Bytes kFixedHeader = {0xE1, 0x17, 0xEF, 0xAD, 0, 0, 0,    1,    0,    0, 0, 0, 0, 0,
                            0,    0,    1,    0,    0, 0, 0x4D, 0x5C, 0x5D, 0, 0, 0, 0, 0};

// Checks the archive beside `song` against the song's bytes and returns it.
Bytes CheckArchive(const std::filesystem::path& song) {
  const Bytes archive = ReadFile(song.parent_path() / "JAM_0002" / "BULK.BAR");
  const Bytes bytes = ReadFile(song);
  EXPECT_GE(archive.size(), 36u);
  if (archive.size() < 36) return archive;
  EXPECT_EQ(Bytes(archive.begin(), archive.begin() + 28), kFixedHeader);
  EXPECT_EQ(Little32(archive, 28), bytes.size());
  EXPECT_EQ(archive.size(), 36u + Little32(archive, 32));
  EXPECT_EQ(Unpack(Bytes(archive.begin() + 36, archive.end()), bytes.size()), bytes);
  return archive;
}

TEST(GenerateBAR, WritesTheFixedHeaderAndTheSongPackedAtLevelNine) {
  TempDir dir;
  Bytes song(100);
  for (std::size_t i = 0; i < song.size(); ++i) song[i] = static_cast<std::uint8_t>(i % 10);
  WriteFile(dir / "song.bjs", song);
  int level = -1;
  Status made = GenerateBAR(dir / "song.bjs", [&](std::string_view bytes, int l) {
    level = l;
    return Pack(bytes, l);
  });
  ASSERT_TRUE(made.ok()) << made.error().message;
  EXPECT_EQ(level, 9);
  const Bytes archive = CheckArchive(dir / "song.bjs");
  EXPECT_EQ(Bytes(archive.begin() + 28, archive.begin() + 32), (Bytes{0x64, 0, 0, 0}));
  EXPECT_EQ(ReadFile(dir / "song.bjs"), song) << "the song file is only read";
}

TEST(GenerateBAR, AnEmptySongGivesTheFortyFourByteArchive) {
  TempDir dir;
  WriteFile(dir / "empty.bjs", Bytes{});
  ASSERT_TRUE(GenerateBAR(dir / "empty.bjs", Pack).ok());
  Bytes expected = kFixedHeader;
  const Bytes tail = {0, 0, 0, 0, 8, 0, 0, 0, 0x78, 0xDA, 0x03, 0, 0, 0, 0, 0x01};
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_EQ(ReadFile(dir / "JAM_0002" / "BULK.BAR"), expected);
}

TEST(GenerateBAR, ASecondSongReplacesTheArchiveWhollyAndEachFolderHasItsOwn) {
  TempDir dir;
  std::filesystem::create_directory(dir / "other");
  WriteFile(dir / "big.bjs", Noise(200000));
  WriteFile(dir / "small.bjs", std::string_view("a small song"));
  WriteFile(dir / "other" / "third.bjs", Noise(1000));
  ASSERT_TRUE(GenerateBAR(dir / "big.bjs", Pack).ok());
  CheckArchive(dir / "big.bjs");
  ASSERT_TRUE(GenerateBAR(dir / "small.bjs", Pack).ok());
  CheckArchive(dir / "small.bjs");
  ASSERT_TRUE(GenerateBAR(dir / "other" / "third.bjs", Pack).ok());
  CheckArchive(dir / "other" / "third.bjs");
  CheckArchive(dir / "small.bjs");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "JAM_0002"),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary file is left behind";
}

// Each failure keeps the earlier archive and the song byte for byte, leaves
// no temporary file, and names the file and the reason.
class GenerateBARFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "old.bjs", std::string_view("the earlier song"));
    ASSERT_TRUE(GenerateBAR(dir_ / "old.bjs", Pack).ok());
    old_archive_ = ReadFile(archive_);
    song_ = Noise(100000);
    WriteFile(dir_ / "song.bjs", song_);
  }

  void ExpectNothingChanged(const Status& status, const std::string& named,
                            const std::string& reason) {
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().message.find("\"" + named + "\""), std::string::npos)
        << status.error().message;
    EXPECT_NE(status.error().message.find(reason), std::string::npos) << status.error().message;
    EXPECT_EQ(ReadFile(archive_), old_archive_);
    EXPECT_EQ(ReadFile(dir_ / "song.bjs"), song_);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "JAM_0002"),
                            std::filesystem::directory_iterator()),
              1);
  }

  TempDir dir_;
  std::filesystem::path archive_ = dir_ / "JAM_0002" / "BULK.BAR";
  Bytes old_archive_;
  Bytes song_;
};

TEST_F(GenerateBARFailure, AnEmptyCompressorResultWritesNothing) {
  const Status status =
      GenerateBAR(dir_ / "song.bjs", [](std::string_view, int) { return std::string(); });
  ExpectNothingChanged(status, archive_.string(), "packing the song failed");

  // Nor is a missing JAM_0002 made for it.
  TempDir fresh;
  WriteFile(fresh / "song.bjs", song_);
  EXPECT_FALSE(
      GenerateBAR(fresh / "song.bjs", [](std::string_view, int) { return std::string(); }).ok());
  EXPECT_FALSE(std::filesystem::exists(fresh / "JAM_0002"));
}

TEST_F(GenerateBARFailure, AFullDiskKeepsTheEarlierArchive) {
  Status status = [&] {
    test::FileSizeLimit limit(1000);
    return GenerateBAR(dir_ / "song.bjs", Pack);
  }();
  ExpectNothingChanged(status, archive_.string(), "File too large");
}

TEST_F(GenerateBARFailure, AMissingSongIsAnErrorNamingIt) {
  ExpectNothingChanged(GenerateBAR(dir_ / "gone.bjs", Pack), (dir_ / "gone.bjs").string(),
                       "No such file");
}

TEST(GenerateBAR, TheCompressorGetsTheWholeSongAndItsResultIsWrittenAsItIs) {
  TempDir dir;
  const Bytes song = Noise(300000);
  WriteFile(dir / "song.bjs", song);
  std::string seen;
  ASSERT_TRUE(GenerateBAR(dir / "song.bjs", [&](std::string_view bytes, int level) {
                seen.assign(bytes);
                // A result owned by somebody else, as the plug-in's is.
                auto owner = std::make_shared<const std::string>(Pack(bytes, level));
                return SharedBytes(*owner, owner);
              }).ok());
  EXPECT_EQ(seen, std::string(song.begin(), song.end()));
  CheckArchive(dir / "song.bjs");
}

TEST(GenerateBAR, ASongThatIsNoRegularFileIsAnErrorNamingIt) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder.bjs");
  ASSERT_EQ(::mkfifo((dir / "fifo.bjs").c_str(), 0600), 0);
  for (const char* name : {"folder.bjs", "fifo.bjs"}) {
    const Status status = GenerateBAR(dir / name, Pack);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().message.find("\"" + (dir / name).string() + "\""), std::string::npos)
        << status.error().message;
    EXPECT_NE(status.error().message.find("not a regular file"), std::string::npos)
        << status.error().message;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "JAM_0002"));
}

TEST(GenerateBAR, APlainFileNamedJAM0002IsAnErrorNamingIt) {
  TempDir dir;
  WriteFile(dir / "song.bjs", std::string_view("song"));
  WriteFile(dir / "JAM_0002", std::string_view("in the way"));
  const Status status = GenerateBAR(dir / "song.bjs", Pack);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("\"" + (dir / "JAM_0002").string() + "\""),
            std::string::npos)
      << status.error().message;
  EXPECT_EQ(ReadFile(dir / "JAM_0002"), test::BytesOf("in the way"));
  EXPECT_EQ(ReadFile(dir / "song.bjs"), test::BytesOf("song"));
}

TEST(GenerateBAR, ASongOfFourGiBIsRefusedUnread) {
  TempDir dir;
  WriteFile(dir / "huge.bjs", Bytes{});
  ASSERT_EQ(::truncate((dir / "huge.bjs").c_str(), 4LL << 30), 0);  // sparse, takes no space
  bool called = false;
  const Status status = GenerateBAR(dir / "huge.bjs", [&](std::string_view, int) {
    called = true;
    return std::string("x");
  });
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("4 GiB"), std::string::npos) << status.error().message;
  EXPECT_FALSE(called);
  EXPECT_FALSE(std::filesystem::exists(dir / "JAM_0002"));
}

}  // namespace
}  // namespace zembra
