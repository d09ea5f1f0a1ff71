// A song and archive write stopped on request, at each point it is asked
// whether to go on, leaves the earlier pair byte for byte and no stray file.

#include <zlib.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "archive/song_and_archive.h"
#include "song/song_sheet.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::ReadFile;
using test::TempDir;

std::string Pack(std::string_view bytes, int level) {
  uLongf size = compressBound(bytes.size());
  std::string packed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
            reinterpret_cast<const Bytef*>(bytes.data()), bytes.size(), level);
  packed.resize(size);
  return packed;
}

std::set<std::string> FilesUnder(const std::filesystem::path& folder) {
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    files.insert(std::filesystem::relative(entry.path(), folder).string());
  }
  return files;
}

TEST(SongPairCancel, EveryStopKeepsTheEarlierPair) {
  TempDir samples;
  test::WriteFile(samples / "kick.vag", test::MakeVag(256, true));
  TempDir out;
  const auto song = out / "song.bjs";
  SongSheet sheet;
  sheet.SetTempoText("120");
  sheet.DropTexts(0, {"kick.vag"});
  ASSERT_TRUE(WriteSongAndArchive(sheet, samples.path(), song, &Pack).ok());
  const auto song_bytes = ReadFile(song);
  const auto archive_bytes = ReadFile(ArchivePathFor(song));
  const auto files = FilesUnder(out.path());

  sheet.SetTitle("Changed");
  int asked = 0;
  for (int stop_at = 1;; ++stop_at) {
    int count = 0;
    const SongPairResult result =
        WriteSongAndArchive(sheet, samples.path(), song, &Pack, [&] { return ++count < stop_at; });
    if (result.ok()) {
      // Asked once more than it was told to stop: every stop point was tried.
      asked = stop_at - 1;
      break;
    }
    SCOPED_TRACE(stop_at);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.song_written);
    EXPECT_FALSE(result.archive_written);
    EXPECT_EQ(ReadFile(song), song_bytes);
    EXPECT_EQ(ReadFile(ArchivePathFor(song)), archive_bytes);
    EXPECT_EQ(FilesUnder(out.path()), files);
  }
  EXPECT_GE(asked, 3);
  EXPECT_NE(ReadFile(song), song_bytes);
}

}  // namespace
}  // namespace zembra
