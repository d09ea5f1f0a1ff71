#include "songfile/write_song.h"

#include <string>
#include <system_error>

#include "platform/os_error.h"
#include "songfile/page_layout.h"
#include "songfile/sample_files.h"
#include "songfile/sample_table.h"
#include "songfile/song_file_writer.h"
#include "songfile/song_header.h"
#include "songfile/tempo.h"
#include "songfile/track_table.h"

namespace zembra {

namespace {

// An upper bound on the data area besides the samples: the fixed payloads,
// slots and page records (under 2.5 KiB for a full sheet) and the texts.
std::uint64_t DataBesidesSamples(const SongSheet& sheet) {
  std::uint64_t total = 1024 + sheet.Title().size() + sheet.Artist().size() + 2 * 4;
  for (const SheetTrack& track : sheet.Tracks()) total += track.TrackName.size() + 4 + 64;
  for (const SheetPage& page : sheet.Pages()) total += page.PageName.size() + 4 + 64;
  return total;
}

}  // namespace

Status WriteSongFile(const SongSheet& sheet, const std::filesystem::path& workingdir,
                     const std::filesystem::path& song_path) {
  if (Result<std::int32_t> tempo = ParseTempo(sheet.TempoText()); !tempo) return tempo.error();
  Result<std::uint64_t> sample_bytes = CheckSamples(sheet, workingdir);
  if (!sample_bytes) return sample_bytes.error();
  if (*sample_bytes + DataBesidesSamples(sheet) > kMaxSongDataLength) {
    return FileError("write", song_path,
                     "its samples together are larger than 4 GiB, the most a song file can hold");
  }

  // The index file replaces any file of its name; never let that be a sample.
  const std::filesystem::path index_path = SongFileWriter::IndexPathFor(song_path);
  for (const SheetTrack& track : sheet.Tracks()) {
    for (const std::string& name : track.SampleNames) {
      std::error_code ignored;
      if (std::filesystem::equivalent(SamplePath(workingdir, name), index_path, ignored)) {
        return FileError("write", song_path,
                         "its temporary index file would replace the sample \"" + name + "\"");
      }
    }
  }

  Result<SongFileWriter> opened = SongFileWriter::OpenSongFile(song_path);
  if (!opened) return opened.error();
  SongFileWriter& writer = *opened;
  WriteSongHeader(writer, sheet);
  WriteSampleTable(writer, sheet, workingdir);
  WriteTrackTable(writer, sheet);
  WritePageLayout(writer, sheet);
  return writer.FinishSongFile();
}

}  // namespace zembra
