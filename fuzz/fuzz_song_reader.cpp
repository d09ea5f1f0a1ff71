// Any bytes given to the song reader give a song or an error, never a read
// outside them; every payload and sample it hands back lies inside the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "songfile/song_file_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const zembra::Result<zembra::SongFile> song =
      zembra::SongFile::Parse(std::span<const std::uint8_t>(data, size), "fuzz");
  if (!song) {
    if (song.error().message.empty()) std::abort();
    return 0;
  }
  // Touching every byte lets the sanitizer catch a span outside the file.
  unsigned sum = 0;
  for (const zembra::SongIndexEntry& entry : song->entries()) {
    for (std::uint8_t b : song->Payload(entry)) sum += b;
  }
  for (std::size_t i = 0; i < song->summary().samples.size(); ++i) {
    const std::span<const std::uint8_t> sample = song->SampleBytes(i);
    if (sample.size() != song->summary().samples[i].size) std::abort();
    for (std::uint8_t b : sample) sum += b;
  }
  return static_cast<int>(sum & 0);
}
