// Any bytes given as a song description give a sheet the song writer can
// take or an error naming the file, never an exception or a sheet past its
// limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "songfile/song_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const zembra::Result<zembra::SongJob> job = zembra::ParseSongJson(
      std::string_view(reinterpret_cast<const char*>(data), size), "fuzz/song.json");
  if (!job) {
    if (job.error().message.find("fuzz/song.json") == std::string_view::npos) std::abort();
    return 0;
  }
  const zembra::SongSheet& sheet = job->sheet;
  for (const zembra::SheetTrack& track : sheet.Tracks()) {
    if (track.SampleNames.size() > zembra::MaxSamplesPerTrack) std::abort();
  }
  return 0;
}
