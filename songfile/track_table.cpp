#include "songfile/track_table.h"

namespace zembra {

void WriteTrackTable(SongFileWriter& writer, const SongSheet& sheet) {
  writer.AddEntry("VERS", 4);
  writer.WriteInt32(4);
  writer.AddEntry("NBRS", 4);
  writer.WriteInt32(4);
  writer.AddEntry("CNTI", 4);
  writer.WriteInt32(2);

  std::uint32_t used_tracks = 0;
  for (const SheetTrack& track : sheet.Tracks()) {
    if (!track.SampleNames.empty()) ++used_tracks;
  }
  writer.AddGroup("TRKS", 12 * (used_tracks + 1));
  writer.AddEntry("NTRK", 4);
  writer.WriteInt32(static_cast<std::int32_t>(used_tracks));

  // Numbers follow the sample table's order: track by track, row by row.
  std::int16_t sample_number = 0;
  for (const SheetTrack& track : sheet.Tracks()) {
    const std::size_t slots = track.SampleNames.size();
    if (slots == 0) continue;
    writer.AddEntry("TRAK", static_cast<std::uint32_t>(12 * slots + 16) +
                                SongFileWriter::TextFieldSize(track.TrackName));
    writer.WriteFloat(1.0f);
    writer.WriteFloat(0.5f);
    writer.WriteInt32(static_cast<std::int32_t>(slots));
    for (std::size_t row = 0; row < slots; ++row) {
      writer.WriteInt16(sample_number++);
      writer.WriteInt16(static_cast<std::int16_t>(row));
      writer.WriteInt64(0);
    }
    writer.WriteInt32(0);
    writer.WriteTextField(track.TrackName);
  }

  writer.AddGroup("STKS", 12);
  writer.AddEntry("NSTK", 4);
  writer.WriteInt32(0);
  writer.AddEntry("SSEV", 0);
  writer.AddEntry("NSSE", 4);
  writer.WriteInt32(0);
  writer.AddEntry("SSE0", 0);
  writer.AddEntry("SSET", 0);
  writer.AddEntry("NSST", 4);
  writer.WriteInt32(0);
}

}  // namespace zembra
