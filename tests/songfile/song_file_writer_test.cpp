#include "songfile/song_file_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/songfile/song_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::Bytes;
using test::Le32At;
using test::ReadFile;
using test::TempDir;

SongFileWriter OpenOrDie(const std::filesystem::path& path) {
  Result<SongFileWriter> writer = SongFileWriter::OpenSongFile(path);
  if (!writer) throw std::runtime_error(writer.error().message);
  return std::move(writer).value();
}

// An entry of the index of a finished song, by its number (0 is the root).
struct RawEntry {
  std::string tag;
  std::uint32_t offset;
  std::uint32_t size;
};
RawEntry IndexEntry(const Bytes& file, std::size_t number) {
  const std::size_t at = Le32At(file, file.size() - 4) + 12 * number;
  return {std::string(file.begin() + static_cast<std::ptrdiff_t>(at),
                      file.begin() + static_cast<std::ptrdiff_t>(at + 4)),
          Le32At(file, at + 4), Le32At(file, at + 8)};
}

TEST(SongFileWriter, TextPayloadsCountBytesAndAlwaysPad) {
  TempDir dir;
  const auto path = dir / "texts.bjs";
  SongFileWriter writer = OpenOrDie(path);
  // "é" is two bytes in UTF-8: its size and padding count both.
  for (const char* text : {"abc", "abcd", "", "\xC3\xA9t\xC3\xA9", "ab"}) {
    writer.AddEntry("NAME", SongFileWriter::TextFieldSize(text));
    writer.WriteTextField(text);
  }
  ASSERT_TRUE(writer.FinishSongFile().ok());

  const Bytes file = ReadFile(path);
  const Bytes expected_data = {
      'a',  'b',  'c', 0,    0,    0, 0, 0,  // abc: size 4, four padding bytes
      'a',  'b',  'c', 'd',  0,    0, 0, 0,  // abcd: size 5
      0,    0,    0,   0,                    // empty: size 1
      0xC3, 0xA9, 't', 0xC3, 0xA9, 0, 0, 0,  // five bytes: size 6
      'a',  'b',  0,   0,                    // ab: size 3, one padding byte
  };
  ASSERT_EQ(Le32At(file, file.size() - 4), expected_data.size());
  EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(expected_data.size())),
            expected_data);
  const std::pair<std::uint32_t, std::uint32_t> offsets_and_sizes[] = {
      {0, 4}, {8, 5}, {16, 1}, {20, 6}, {28, 3}};
  for (std::size_t i = 0; i < 5; ++i) {
    const RawEntry entry = IndexEntry(file, i + 1);
    EXPECT_EQ(entry.tag, "NAME");
    EXPECT_EQ(entry.offset, offsets_and_sizes[i].first) << i;
    EXPECT_EQ(entry.size, offsets_and_sizes[i].second) << i;
  }
}

TEST(SongFileWriter, LaysOutRootGroupsEmptyEntriesAndPointer) {
  TempDir dir;
  const auto path = dir / "layout.bjs";
  SongFileWriter writer = OpenOrDie(path);
  writer.AddGroup("SONG", 36);
  writer.AddEntry("AAAA", 4);
  writer.WriteUInt32(0x01020304);
  writer.AddEntry("EMPT", 0);  // carries the offset of the payload after it
  writer.AddEntry("BBBB", 3);
  writer.WriteBytes(Bytes{9, 8, 7});
  writer.AddEntry("CCCC", 2);
  writer.WriteInt16(-2);
  writer.AddEntry("FLT0", 4);
  writer.WriteFloat(0.5f);
  EXPECT_EQ(writer.DataLength(), 13u);
  ASSERT_TRUE(writer.FinishSongFile().ok());

  const Bytes file = ReadFile(path);
  const Bytes data = {4, 3, 2, 1, 9, 8, 7, 0xFE, 0xFF, 0, 0, 0, 0x3F};
  ASSERT_EQ(file.size(), data.size() + 12 * 7 + 4);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 13), data);
  const Bytes root(file.begin() + 13, file.begin() + 25);
  EXPECT_EQ(root, (Bytes{'B', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 72, 0, 0, 0}));
  EXPECT_EQ(IndexEntry(file, 1).offset, 0xFFFFFFFFu);
  EXPECT_EQ(IndexEntry(file, 1).size, 36u);
  EXPECT_EQ(IndexEntry(file, 3).tag, "EMPT");
  EXPECT_EQ(IndexEntry(file, 3).offset, 4u);
  EXPECT_EQ(IndexEntry(file, 4).offset, 4u);
  EXPECT_EQ(Le32At(file, file.size() - 4), 13u);
  EXPECT_EQ(test::FolderListing(dir.path()), std::set<std::string>{"layout.bjs"});
}

TEST(SongFileWriter, AbandonedSongLeavesNothing) {
  TempDir dir;
  const auto path = dir / "song.bjs";
  {
    SongFileWriter writer = OpenOrDie(path);
    EXPECT_EQ(test::FolderListing(dir.path()), std::set<std::string>{});
    writer.AddEntry("AAAA", 4);
    writer.WriteUInt32(1);
    // Abandoned without finishing: nothing may stay behind.
  }
  EXPECT_EQ(test::FolderListing(dir.path()), std::set<std::string>{});
}

TEST(SongFileWriter, NeverTouchesAFileNamedLikeTheOldIndexFile) {
  TempDir dir;
  const auto path = dir / "song.bjs";
  test::WriteFile(path, std::string(5000, 'x'));
  test::WriteFile(dir / "song.bjs.biff", "my notes");
  test::WriteFile(dir / "precious", "keep me");
  std::filesystem::create_symlink(dir / "precious", dir / "other.bjs.biff");

  for (const char* name : {"song.bjs", "other.bjs"}) {
    SongFileWriter writer = OpenOrDie(dir / name);
    writer.AddEntry("AAAA", 4);
    writer.WriteUInt32(7);
    ASSERT_TRUE(writer.FinishSongFile().ok());
    EXPECT_EQ(ReadFile(dir / name).size(), 4u + 24 + 4);  // nothing of an old file survives
  }
  EXPECT_EQ(ReadFile(dir / "song.bjs.biff"), test::BytesOf("my notes"));
  EXPECT_EQ(ReadFile(dir / "precious"), test::BytesOf("keep me"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "other.bjs.biff"));
  EXPECT_EQ(test::FolderListing(dir.path()),
            (std::set<std::string>{"precious", "song.bjs", "song.bjs.biff", "other.bjs",
                                   "other.bjs.biff"}));
}

TEST(SongFileWriter, FailureIsStickyAndKeepsTheOldSong) {
  TempDir dir;
  const auto path = dir / "song.bjs";
  test::WriteFile(path, "old song");
  SongFileWriter writer = OpenOrDie(path);
  writer.AddEntry("AAAA", 4);
  writer.WriteUInt32(1);
  writer.Fail(Error{"first"});
  writer.Fail(Error{"second"});
  writer.AddEntry("BBBB", 4);
  writer.WriteUInt32(2);
  EXPECT_EQ(writer.DataLength(), 4u);
  const Status finished = writer.FinishSongFile();
  ASSERT_FALSE(finished.ok());
  EXPECT_EQ(finished.error().message, "first");
  EXPECT_FALSE(writer.FinishSongFile().ok());  // a writer completes once
  EXPECT_EQ(ReadFile(path), test::BytesOf("old song"));
  EXPECT_EQ(test::FolderListing(dir.path()), std::set<std::string>{"song.bjs"});
}

TEST(SongFileWriter, CopyFailsWhenTheSourceEndsEarly) {
  TempDir dir;
  test::WriteFile(dir / "short.vag", std::string(10, 's'));
  Result<BinaryStream> source = BinaryStream::Open(dir / "short.vag", BinaryStream::Access::kRead);
  ASSERT_TRUE(source.ok());
  SongFileWriter writer = OpenOrDie(dir / "song.bjs");
  writer.AddEntry("VAGF", 20);
  writer.CopyFrom(*source, 20);
  const Status finished = writer.FinishSongFile();
  ASSERT_FALSE(finished.ok());
  EXPECT_EQ(finished.error().message, "Cannot read \"" + (dir / "short.vag").string() +
                                          "\": the file became shorter while it was copied.");
  EXPECT_EQ(test::FolderListing(dir.path()), std::set<std::string>{"short.vag"});
}

}  // namespace
}  // namespace zembra
