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

Status RefuseSampleAsOutput(const SongSheet& sheet, const std::filesystem::path& workingdir,
                            const std::filesystem::path& output) {
  for (const SheetTrack& track : sheet.Tracks()) {
    for (const std::string& name : track.SampleNames) {
      std::error_code ignored;
      if (std::filesystem::equivalent(SamplePath(workingdir, name), output, ignored)) {
        return FileError("write", output, "it is the sample \"" + name + "\" of this song");
      }
    }
  }
  return Ok();
}

Result<AtomicFile> PrepareSongFile(const SongSheet& sheet, const std::filesystem::path& workingdir,
                                   const std::filesystem::path& song_path) {
  if (Result<std::int32_t> tempo = ParseTempo(sheet.TempoText()); !tempo) return tempo.error();
  Result<std::uint64_t> sample_bytes = CheckSamples(sheet, workingdir);
  if (!sample_bytes) return sample_bytes.error();
  if (*sample_bytes + DataBesidesSamples(sheet) > kMaxSongDataLength) {
    return FileError("write", song_path,
                     "its samples together come to 4 GiB or more, more than a song file can hold");
  }
  if (Status own = RefuseSampleAsOutput(sheet, workingdir, song_path); !own) return own.error();

  Result<SongFileWriter> opened = SongFileWriter::OpenSongFile(song_path);
  if (!opened) return opened.error();
  SongFileWriter& writer = *opened;
  WriteSongHeader(writer, sheet);
  WriteSampleTable(writer, sheet, workingdir);
  WriteTrackTable(writer, sheet);
  WritePageLayout(writer, sheet);
  return writer.FinishUnpublished();
}

Status WriteSongFile(const SongSheet& sheet, const std::filesystem::path& workingdir,
                     const std::filesystem::path& song_path) {
  Result<AtomicFile> song = PrepareSongFile(sheet, workingdir, song_path);
  if (!song) return song.error();
  return song->Commit();
}

}  // namespace zembra
