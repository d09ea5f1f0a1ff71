#include "songfile/page_layout.h"

namespace zembra {

namespace {

// The fixed "UIS0" record is 68 bytes, but songs give its size as 65: up to
// and including the first byte of its last field. The other three are written
// all the same, so the next payload starts where songs expect it.
constexpr std::uint32_t kFixedRecordCounted = 65;
constexpr std::int32_t kFixedRecordRows = 5;

void WriteFixedRecord(SongFileWriter& writer) {
  writer.WriteInt32(kFixedRecordRows);
  for (std::int32_t i = 0; i < kFixedRecordRows; ++i) {
    writer.WriteInt32(i);
    writer.WriteInt32(0);
    writer.WriteInt32(i);
  }
  writer.WriteInt32(0);
}

}  // namespace

void WritePageLayout(SongFileWriter& writer, const SongSheet& sheet) {
  writer.AddEntry("UINT", 0);
  writer.AddEntry("UIS0", kFixedRecordCounted);
  WriteFixedRecord(writer);

  // Every named page counts, but the records written are those of the first
  // pages in order, whichever pages carry the names.
  std::size_t pages_in_use = 0;
  for (const SheetPage& page : sheet.Pages()) {
    if (!page.PageName.empty()) ++pages_in_use;
  }
  writer.AddEntry("NUIM", 4);
  writer.WriteInt32(static_cast<std::int32_t>(pages_in_use));

  std::int32_t track_number = 0;
  for (std::size_t page = 0; page < pages_in_use; ++page) {
    std::int32_t used = 0;
    for (std::size_t i = 0; i < kTracksPerPage; ++i) {
      if (!sheet.Track(page * kTracksPerPage + i).SampleNames.empty()) ++used;
    }
    const std::string& name = sheet.Page(page).PageName;
    writer.AddEntry(
        "UIM0", static_cast<std::uint32_t>(4 + 12 * used) + SongFileWriter::TextFieldSize(name));
    writer.WriteInt32(used);
    for (std::int32_t position = 0; position < used; ++position) {
      writer.WriteInt32(position);
      writer.WriteInt32(1);
      writer.WriteInt32(track_number++);
    }
    writer.WriteTextField(name);
  }

  writer.AddGroup("STG0", 12);
  writer.AddEntry("NSTG", 4);
  writer.WriteInt32(0);
  writer.AddEntry("VERE", 4);
  writer.WriteInt32(4);
}

}  // namespace zembra
