// WriteSongFile on real files that fail: nothing partial under the song's
// name, an existing song intact, no index file left, and an error that names
// the file and the reason.
#include "songfile/write_song.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>

#include "songfile/sample_files.h"
#include "songfile/sample_table.h"
#include "songfile/song_file_reader.h"
#include "songfile/song_file_writer.h"
#include "songfile/tempo.h"
#include "tests/songfile/song_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's allocation hooks (GCC ships no header for them).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                  std::size_t),
                                              void (*free_hook)(const volatile void*));
std::size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

namespace zembra {
namespace {

using test::Bytes;
using test::FolderListing;
using test::TempDir;

const Bytes kOldSong = test::BytesOf(std::string(3000, 'o'));

class WriteSongFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(samples_ / "ok.vag", test::MakeVag(64, true));
    test::WriteFile(songs_ / "song.bjs", kOldSong);
    sheet_ = test::WritableSheet();
  }
  // The song folder holds exactly the old song, unchanged.
  void ExpectOldSongAlone() {
    EXPECT_EQ(FolderListing(songs_.path()), std::set<std::string>{"song.bjs"});
    EXPECT_EQ(test::ReadFile(songs_ / "song.bjs"), kOldSong);
  }
  std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

  TempDir samples_;
  TempDir songs_;
  SongSheet sheet_;
};

TEST_F(WriteSongFailure, FolderThatCannotBeWritten) {
  test::WriteFile(songs_ / "plain", "a file where a folder should be");
  const auto inside_file = songs_ / "plain" / "song.bjs";
  Status status = WriteSongFile(sheet_, samples_.path(), inside_file);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().message, "Cannot create " + Quoted(inside_file) + ": Not a directory.");
  EXPECT_EQ(FolderListing(songs_.path()), (std::set<std::string>{"plain", "song.bjs"}));

  status = WriteSongFile(sheet_, samples_.path(), "/proc/zembra-song.bjs");
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().message.rfind("Cannot create \"/proc/zembra-song.bjs\": ", 0), 0u)
      << status.error().message;
}

TEST_F(WriteSongFailure, AFolderWhereTheSongShouldBe) {
  std::filesystem::create_directory(songs_ / "folder.bjs");
  for (const auto& path : {songs_ / "folder.bjs", songs_ / "folder.bjs" / ".", songs_ / ".."}) {
    const Status status = WriteSongFile(sheet_, samples_.path(), path);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message.rfind("Cannot create " + Quoted(path) + ": it ", 0), 0u)
        << status.error().message;
    EXPECT_NE(status.error().message.find("folder"), std::string::npos);
  }
  std::filesystem::remove(songs_ / "folder.bjs");
  ExpectOldSongAlone();
}

TEST_F(WriteSongFailure, TempoIsCheckedBeforeAnythingIsWritten) {
  for (const char* tempo : {"BPM", "0", "", "-120", "120.5"}) {
    sheet_.SetTempoText(tempo);
    const Status status = WriteSongFile(sheet_, samples_.path(), songs_ / "song.bjs");
    ASSERT_FALSE(status.ok()) << tempo;
    EXPECT_EQ(status.error().message, kTempoMessage);
  }
  ExpectOldSongAlone();
}

TEST_F(WriteSongFailure, MissingSampleWritesNothing) {
  sheet_.DropTexts(0, {"ok.vag", "gone.vag"});
  const Status status = WriteSongFile(sheet_, samples_.path(), songs_ / "song.bjs");
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().message,
            "Cannot open " + Quoted(samples_ / "gone.vag") + ": No such file or directory.");
  ExpectOldSongAlone();
}

TEST_F(WriteSongFailure, EveryOffendingSampleIsNamedOnce) {
  std::filesystem::create_directory(samples_ / "dir.vag");
  ASSERT_EQ(::mkfifo((samples_ / "pipe.vag").c_str(), 0600), 0);        // must not block
  std::filesystem::create_symlink("/dev/full", samples_ / "full.vag");  // endless zeros
  sheet_.DropTexts(0, {"ok.vag", "a/b.vag", "", ".."});
  sheet_.DropTexts(1, {std::string("x\0y", 3), "gone.vag", "gone.vag", "dir.vag"});
  sheet_.DropTexts(2, {"pipe.vag", "full.vag", "ok.vag"});
  sheet_.DropTexts(3, {"."});
  const Status status = WriteSongFile(sheet_, samples_.path(), songs_ / "song.bjs");
  ASSERT_FALSE(status.ok());
  const std::string expected =
      "Cannot use the sample \"a/b.vag\": its name is a path, not the name of a file in the "
      "sample folder.\n"
      "Cannot use the sample \"\": its name is empty.\n"
      "Cannot use the sample \"..\": its name stands for a folder.\n"
      "Cannot use the sample \"x\\x00y\": its name contains a zero byte.\n"
      "Cannot open " +
      Quoted(samples_ / "gone.vag") +
      ": No such file or directory.\n"
      "Cannot open " +
      Quoted(samples_ / "dir.vag") +
      ": it is not a regular file.\n"
      "Cannot open " +
      Quoted(samples_ / "pipe.vag") +
      ": it is not a regular file.\n"
      "Cannot open " +
      Quoted(samples_ / "full.vag") +
      ": it is not a regular file.\n"
      "Cannot use the sample \".\": its name stands for a folder.";
  EXPECT_EQ(status.error().message, expected);
  ExpectOldSongAlone();
}

TEST_F(WriteSongFailure, SamplesNeedAChosenFolder) {
  sheet_.DropTexts(3, {"ok.vag"});
  const Status status = WriteSongFile(sheet_, "", songs_ / "song.bjs");
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().message,
            "Cannot read the samples of this song: no sample folder has been chosen.");
  ExpectOldSongAlone();
}

TEST_F(WriteSongFailure, SamplesTooLargeForASong) {
  // Sparse files: the check looks at sizes and never reads them.
  std::filesystem::resize_file(samples_ / "ok.vag", std::uint64_t{1} << 32);
  sheet_.DropTexts(0, {"ok.vag"});
  Status status = WriteSongFile(sheet_, samples_.path(), songs_ / "song.bjs");
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().message, "Cannot use " + Quoted(samples_ / "ok.vag") +
                                        ": it is 4 GiB or larger, more than a song can hold.");

  std::filesystem::resize_file(samples_ / "ok.vag", std::uint64_t{3} << 30);
  sheet_.DropTexts(0, {"ok.vag"});  // the same 3 GiB file in two rows
  status = WriteSongFile(sheet_, samples_.path(), songs_ / "song.bjs");
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().message,
            "Cannot write " + Quoted(songs_ / "song.bjs") +
                ": its samples together come to 4 GiB or more, more than a song file can hold.");
  ExpectOldSongAlone();
}

TEST_F(WriteSongFailure, DiskFullKeepsTheOldSong) {
  test::WriteFile(samples_ / "big.vag", test::MakeVag(20000, true));
  sheet_.DropTexts(0, {"big.vag"});
  Status status;
  {
    test::FileSizeLimit limit(8192);
    status = WriteSongFile(sheet_, samples_.path(), songs_ / "song.bjs");
  }
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().message,
            "Cannot write " + Quoted(songs_ / "song.bjs") + ": File too large.");
  ExpectOldSongAlone();
  // With room again the same sheet writes.
  ASSERT_TRUE(WriteSongFile(sheet_, samples_.path(), songs_ / "song.bjs").ok());
  EXPECT_EQ(FolderListing(songs_.path()), std::set<std::string>{"song.bjs"});
  EXPECT_GT(std::filesystem::file_size(songs_ / "song.bjs"), 20000u);
}

TEST_F(WriteSongFailure, SampleVanishingDuringTheWriteIsNeverSkipped) {
  sheet_.DropTexts(0, {"ok.vag", "late.vag"});
  test::WriteFile(samples_ / "late.vag", test::MakeVag(40, true));
  ASSERT_TRUE(CheckSamples(sheet_, samples_.path()).ok());
  std::filesystem::remove(samples_ / "late.vag");  // after the check, before the copy

  Result<SongFileWriter> writer = SongFileWriter::OpenSongFile(songs_ / "song.bjs");
  ASSERT_TRUE(writer.ok());
  WriteSampleTable(*writer, sheet_, samples_.path());
  const Status status = writer->FinishSongFile();
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().message,
            "Cannot open " + Quoted(samples_ / "late.vag") + ": No such file or directory.");
  ExpectOldSongAlone();
}

TEST_F(WriteSongFailure, SongNeverReplacesItsOwnSample) {
  sheet_.DropTexts(0, {"ok.vag"});
  const Bytes sample = test::ReadFile(samples_ / "ok.vag");
  std::filesystem::create_hard_link(samples_ / "ok.vag", songs_ / "twin.bjs");
  std::filesystem::create_symlink(samples_ / "ok.vag", songs_ / "link.bjs");
  for (const auto& path : {samples_ / "ok.vag", songs_ / "twin.bjs", songs_ / "link.bjs"}) {
    const Status status = WriteSongFile(sheet_, samples_.path(), path);
    ASSERT_FALSE(status.ok()) << path;
    EXPECT_EQ(status.error().message,
              "Cannot write " + Quoted(path) + ": it is the sample \"ok.vag\" of this song.");
  }
  EXPECT_EQ(test::ReadFile(samples_ / "ok.vag"), sample);
  EXPECT_EQ(FolderListing(samples_.path()), std::set<std::string>{"ok.vag"});
  EXPECT_FALSE(WriteSongFile(sheet_, samples_.path(), songs_.path() / "").ok());
}

#if defined(__SANITIZE_ADDRESS__)
std::atomic<bool> tracking{false};
std::atomic<std::size_t> largest_allocation{0};
std::atomic<std::int64_t> live_bytes{0};
std::atomic<std::int64_t> peak_live_bytes{0};

void OnMalloc(const volatile void*, std::size_t size) {
  if (!tracking) return;
  std::size_t seen = largest_allocation;
  while (size > seen && !largest_allocation.compare_exchange_weak(seen, size)) {
  }
  const std::int64_t now = live_bytes += static_cast<std::int64_t>(size);
  std::int64_t peak = peak_live_bytes;
  while (now > peak && !peak_live_bytes.compare_exchange_weak(peak, now)) {
  }
}

void OnFree(const volatile void* pointer) {
  if (!tracking || pointer == nullptr) return;
  live_bytes -= static_cast<std::int64_t>(__sanitizer_get_allocated_size(pointer));
}
#endif

// The writer copies samples through a small buffer: writing a song with two
// rows of an 8 MiB sample never allocates anything near a sample's size.
TEST_F(WriteSongFailure, SamplesAreNeverHeldInMemoryWhole) {
#if defined(__SANITIZE_ADDRESS__)
  constexpr std::uint32_t kSampleSize = 8 << 20;
  test::WriteFile(samples_ / "huge.vag", test::MakeVag(kSampleSize, true));
  sheet_.DropTexts(0, {"huge.vag", "huge.vag"});
  __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
  tracking = true;
  const Status status = WriteSongFile(sheet_, samples_.path(), songs_ / "song.bjs");
  tracking = false;
  ASSERT_TRUE(status.ok()) << status.error().message;
  EXPECT_GT(std::filesystem::file_size(songs_ / "song.bjs"), 2u * kSampleSize);
  RecordProperty("largest_allocation", std::to_string(largest_allocation.load()));
  RecordProperty("peak_live_bytes", std::to_string(peak_live_bytes.load()));
  std::printf("largest allocation %zu bytes, peak live heap %lld bytes\n",
              largest_allocation.load(), static_cast<long long>(peak_live_bytes.load()));
  EXPECT_LT(largest_allocation.load(), 256u * 1024);
  EXPECT_LT(peak_live_bytes.load(), 1 << 20);
#else
  GTEST_SKIP() << "needs the sanitizer's allocation hooks";
#endif
}

}  // namespace
}  // namespace zembra
