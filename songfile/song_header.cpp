#include "songfile/song_header.h"

#include <string>

#include "songfile/tempo.h"

namespace zembra {

namespace {
constexpr std::uint32_t kFormatVersion = 3;
constexpr std::uint32_t kSongId = 5004;
constexpr std::int32_t kBeatsPerBar = 4;
constexpr std::uint32_t kHeaderEntries = 6;
}  // namespace

void WriteSongHeader(SongFileWriter& writer, const SongSheet& sheet) {
  const Result<std::int32_t> tempo = ParseTempo(sheet.TempoText());
  if (!tempo) {
    writer.Fail(tempo.error());
    return;
  }
  writer.AddGroup("SONG", 12 * kHeaderEntries);
  writer.AddEntry("SDFV", 4);
  writer.WriteUInt32(kFormatVersion);
  writer.AddEntry("SID0", 4);
  writer.WriteUInt32(kSongId);
  writer.AddEntry("NAME", SongFileWriter::TextFieldSize(sheet.Title()));
  writer.WriteTextField(sheet.Title());
  writer.AddEntry("AUTH", SongFileWriter::TextFieldSize(sheet.Artist()));
  writer.WriteTextField(sheet.Artist());
  writer.AddEntry("BPM0", 4);
  writer.WriteInt32(tempo.value());
  writer.AddEntry("BPB0", 4);
  writer.WriteInt32(kBeatsPerBar);
}

}  // namespace zembra
