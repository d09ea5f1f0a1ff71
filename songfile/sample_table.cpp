#include "songfile/sample_table.h"

#include "songfile/sample_files.h"

namespace zembra {

void WriteSampleTable(SongFileWriter& writer, const SongSheet& sheet,
                      const std::filesystem::path& workingdir) {
  std::uint32_t rows = 0;
  for (const SheetTrack& track : sheet.Tracks()) {
    rows += static_cast<std::uint32_t>(track.SampleNames.size());
  }
  // The group counts "NVAG" and one entry per row, not the four each adds.
  writer.AddGroup("VAGS", 12 * (rows + 1));
  writer.AddEntry("NVAG", 4);
  writer.WriteInt32(static_cast<std::int32_t>(rows));

  for (const SheetTrack& track : sheet.Tracks()) {
    for (const std::string& name : track.SampleNames) {
      if (!writer.ok()) return;
      // Opened one at a time and copied in chunks: one sample file open, and
      // never a whole one in memory.
      Result<SampleFile> sample = OpenSample(workingdir, name);
      if (!sample) {
        writer.Fail(sample.error());
        return;
      }
      writer.AddEntry("VAGF", static_cast<std::uint32_t>(sample->size));
      writer.CopyFrom(sample->stream, sample->size);
      writer.AddEntry("VNBD", 4);
      writer.WriteInt32(0);
      writer.AddEntry("VBDT", 0);
      writer.AddEntry("LPNB", 4);
      writer.WriteInt32(4);
      if (Status closed = sample->stream.Close(); !closed) writer.Fail(closed.error());
    }
  }
  writer.AddGroup("SMPS", 12);
  writer.AddEntry("NSMP", 4);
  writer.WriteInt32(0);
}

}  // namespace zembra
