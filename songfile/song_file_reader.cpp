#include "songfile/song_file_reader.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/binary_stream.h"
#include "platform/os_error.h"
#include "songfile/utf8_text.h"

namespace zembra {

namespace {

constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kPointerSize = 4;
// The data area ends below 4 GiB (offsets are 32-bit). A song's index has a
// few hundred entries; one beyond 1 MiB (some 87,000 entries) is no song's,
// and refusing it first keeps a stranger's file from costing memory.
constexpr std::uint64_t kMaxIndexLength = std::uint64_t{1} << 20;
constexpr std::uint64_t kMaxFileLength = (std::uint64_t{1} << 32) + kMaxIndexLength;

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::int16_t Le16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8));
}

// A tag as it can be shown in a message, whatever bytes it holds.
std::string Printable(std::string_view tag) {
  std::string shown;
  for (char c : tag) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
  return shown;
}

// Walks the index in the order songs are written, decoding as it goes. Every
// failure becomes the reason of the "not a song file" error.
class SummaryReader {
 public:
  SummaryReader(const std::vector<SongIndexEntry>& entries, std::span<const std::uint8_t> bytes,
                std::uint32_t data_length)
      : entries_(entries), bytes_(bytes), data_length_(data_length) {}

  std::optional<std::string> Read(SongSummary& summary);

 private:
  std::string Describe(const SongIndexEntry& entry) const {
    const std::uint64_t number = (entry.position - entries_.front().position) / kEntrySize + 1;
    return "index entry " + std::to_string(number) + " (\"" + Printable(entry.tag) + "\")";
  }
  bool AtTag(std::string_view tag) const {
    return next_ < entries_.size() && entries_[next_].tag == tag;
  }
  // The next entry, which must be `tag` of the given kind.
  const SongIndexEntry* Take(std::string_view tag, bool group);
  bool Group(std::string_view tag, std::uint64_t size);
  // A payload entry of exactly `size` bytes.
  const SongIndexEntry* Payload(std::string_view tag, std::uint32_t size);
  std::optional<std::int32_t> Number(std::string_view tag);
  // A count entry, which must not be negative.
  std::optional<std::int32_t> Count(std::string_view tag);
  // A group whose size counts the entry `count_tag` and `count_tag`'s value
  // more; returns that value.
  std::optional<std::int32_t> CountedGroup(std::string_view group, std::string_view count_tag,
                                           std::string_view what);
  std::optional<std::string> Text(std::string_view tag);
  // The name at `at` within an entry's payload, up to its terminator.
  std::optional<std::string> TextAt(const SongIndexEntry& entry, std::size_t at);
  std::span<const std::uint8_t> BytesOf(const SongIndexEntry& entry) const {
    return bytes_.subspan(entry.offset, entry.size);
  }
  bool Fail(std::string reason) {
    if (!problem_) problem_ = std::move(reason);
    return false;
  }

  const std::vector<SongIndexEntry>& entries_;
  std::span<const std::uint8_t> bytes_;
  std::uint32_t data_length_;
  std::size_t next_ = 1;  // the root entry is checked with the container
  std::optional<std::string> problem_;
};

const SongIndexEntry* SummaryReader::Take(std::string_view tag, bool group) {
  if (problem_) return nullptr;
  if (next_ >= entries_.size()) {
    Fail("the index ends where \"" + std::string(tag) + "\" should follow");
    return nullptr;
  }
  const SongIndexEntry& entry = entries_[next_];
  if (entry.tag != tag) {
    Fail(Describe(entry) + " stands where \"" + std::string(tag) + "\" should");
    return nullptr;
  }
  if (entry.IsGroup() != group) {
    Fail(Describe(entry) + (group ? " should be a group" : " should have a payload"));
    return nullptr;
  }
  ++next_;
  return &entry;
}

bool SummaryReader::Group(std::string_view tag, std::uint64_t size) {
  const SongIndexEntry* entry = Take(tag, true);
  if (!entry) return false;
  if (entry->size != size) {
    return Fail(Describe(*entry) + " counts " + std::to_string(entry->size) +
                " bytes of entries instead of " + std::to_string(size));
  }
  return true;
}

const SongIndexEntry* SummaryReader::Payload(std::string_view tag, std::uint32_t size) {
  const SongIndexEntry* entry = Take(tag, false);
  if (entry && entry->size != size) {
    Fail(Describe(*entry) + " has size " + std::to_string(entry->size) + " instead of " +
         std::to_string(size));
    return nullptr;
  }
  return entry;
}

std::optional<std::int32_t> SummaryReader::Number(std::string_view tag) {
  const SongIndexEntry* entry = Payload(tag, 4);
  if (!entry) return std::nullopt;
  return static_cast<std::int32_t>(Le32(BytesOf(*entry), 0));
}

std::optional<std::int32_t> SummaryReader::Count(std::string_view tag) {
  std::optional<std::int32_t> count = Number(tag);
  if (count && *count < 0) {
    Fail(Describe(entries_[next_ - 1]) + " gives a negative count, " + std::to_string(*count));
    return std::nullopt;
  }
  return count;
}

std::optional<std::int32_t> SummaryReader::CountedGroup(std::string_view group,
                                                        std::string_view count_tag,
                                                        std::string_view what) {
  const SongIndexEntry* entry = Take(group, true);
  if (!entry) return std::nullopt;
  std::optional<std::int32_t> count = Count(count_tag);
  if (count && entry->size != 12 * (static_cast<std::uint64_t>(*count) + 1)) {
    Fail(Describe(*entry) + " counts " + std::to_string(entry->size) + " bytes of entries but \"" +
         std::string(count_tag) + "\" declares " + std::to_string(*count) + " " +
         std::string(what));
    return std::nullopt;
  }
  return count;
}

std::optional<std::string> SummaryReader::TextAt(const SongIndexEntry& entry, std::size_t at) {
  const std::span<const std::uint8_t> payload = BytesOf(entry);
  if (at < payload.size() && payload.back() == 0) {
    return std::string(payload.begin() + static_cast<std::ptrdiff_t>(at), payload.end() - 1);
  }
  // Some tools record a text's size in characters, so a non-ASCII text runs
  // past the size on to its terminator. Taken only when the bytes up to the
  // terminator are UTF-8 of exactly that many characters.
  if (at < payload.size()) {
    const std::size_t start = entry.offset + at;
    const std::span<const std::uint8_t> rest = bytes_.subspan(start, data_length_ - start);
    const auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    const std::span<const std::uint8_t> text(rest.begin(), end);
    if (end != rest.end() && Utf8Length(std::string_view(reinterpret_cast<const char*>(text.data()),
                                                         text.size())) == payload.size() - at - 1) {
      return std::string(text.begin(), text.end());
    }
  }
  Fail(Describe(entry) + " does not end in a zero-terminated text");
  return std::nullopt;
}

std::optional<std::string> SummaryReader::Text(std::string_view tag) {
  const SongIndexEntry* entry = Take(tag, false);
  if (!entry) return std::nullopt;
  return TextAt(*entry, 0);
}

std::optional<std::string> SummaryReader::Read(SongSummary& summary) {
  // Header.
  Group("SONG", 72);
  Payload("SDFV", 4);
  Payload("SID0", 4);
  if (auto title = Text("NAME")) summary.title = std::move(*title);
  if (auto artist = Text("AUTH")) summary.artist = std::move(*artist);
  if (auto tempo = Number("BPM0")) summary.tempo = *tempo;
  Payload("BPB0", 4);

  // Samples. The group counts one entry per declared sample; a song written
  // elsewhere may hold fewer copies than it declares, never more.
  if (auto count = CountedGroup("VAGS", "NVAG", "samples")) summary.sample_count = *count;
  std::uint64_t samples_end = 0;
  while (!problem_ && AtTag("VAGF") &&
         summary.samples.size() < static_cast<std::size_t>(summary.sample_count)) {
    const SongIndexEntry* sample = Take("VAGF", false);
    if (!sample) break;
    // Copies lie one after another; overlapping ones would let a small
    // file unpack into any number of bytes.
    if (sample->offset < samples_end) {
      Fail(Describe(*sample) + " overlaps or precedes the sample before it");
      break;
    }
    samples_end = std::uint64_t{sample->offset} + sample->size;
    summary.samples.push_back({sample->offset, sample->size});
    Payload("VNBD", 4);
    Payload("VBDT", 0);
    Payload("LPNB", 4);
  }
  Group("SMPS", 12);
  Payload("NSMP", 4);

  // Tracks.
  Payload("VERS", 4);
  Payload("NBRS", 4);
  Payload("CNTI", 4);
  const std::optional<std::int32_t> track_count = CountedGroup("TRKS", "NTRK", "tracks");
  // Each track takes an entry, so the loop ends with the index whatever the count says.
  for (std::int32_t t = 0; !problem_ && track_count && t < *track_count; ++t) {
    const SongIndexEntry* entry = Take("TRAK", false);
    if (!entry) break;
    const std::span<const std::uint8_t> payload = BytesOf(*entry);
    if (payload.size() < 16) {
      Fail(Describe(*entry) + " is too short for a track");
      break;
    }
    const std::uint32_t slots = Le32(payload, 8);
    if (slots > (payload.size() - 16) / 12) {
      Fail(Describe(*entry) + " declares " + std::to_string(static_cast<std::int32_t>(slots)) +
           " slots, more than it holds");
      break;
    }
    SongTrackInfo track;
    for (std::size_t i = 0; i < slots; ++i) {
      track.slots.push_back({Le16(payload, 12 + 12 * i), Le16(payload, 14 + 12 * i)});
    }
    std::optional<std::string> name = TextAt(*entry, 16 + 12 * std::size_t{slots});
    if (!name) break;
    track.name = std::move(*name);
    summary.tracks.push_back(std::move(track));
  }
  Group("STKS", 12);
  Payload("NSTK", 4);
  Payload("SSEV", 0);
  Payload("NSSE", 4);
  Payload("SSE0", 0);
  Payload("SSET", 0);
  Payload("NSST", 4);

  // Pages.
  Payload("UINT", 0);
  Payload("UIS0", 65);
  const std::optional<std::int32_t> page_count = Count("NUIM");
  for (std::int32_t p = 0; !problem_ && page_count && p < *page_count; ++p) {
    const SongIndexEntry* entry = Take("UIM0", false);
    if (!entry) break;
    const std::span<const std::uint8_t> payload = BytesOf(*entry);
    const std::uint32_t records = payload.size() < 4 ? 0xFFFFFFFFu : Le32(payload, 0);
    if (payload.size() < 4 || records > (payload.size() - 4) / 12) {
      Fail(Describe(*entry) + " declares more track records than it holds");
      break;
    }
    SongPageInfo page;
    for (std::size_t i = 0; i < records; ++i) {
      page.tracks.push_back({static_cast<std::int32_t>(Le32(payload, 4 + 12 * i)),
                             static_cast<std::int32_t>(Le32(payload, 12 + 12 * i))});
    }
    std::optional<std::string> name = TextAt(*entry, 4 + 12 * std::size_t{records});
    if (!name) break;
    page.name = std::move(*name);
    summary.pages.push_back(std::move(page));
  }
  Group("STG0", 12);
  Payload("NSTG", 4);
  Payload("VERE", 4);
  if (!problem_ && next_ < entries_.size()) {
    Fail(Describe(entries_[next_]) + " follows \"VERE\", the last entry of a song");
  }
  return problem_;
}

// What is wrong with an index at `index_start` in a file of `length` bytes
// (at least one entry and the pointer long), before any of it is read.
std::optional<std::string> IndexProblem(std::uint64_t length, std::uint32_t index_start) {
  if (index_start > length - kPointerSize - kEntrySize) {
    return "its index pointer (" + std::to_string(index_start) +
           ") lies past the end of the file (" + std::to_string(length) + " bytes)";
  }
  const std::uint64_t index_length = length - kPointerSize - index_start;
  if (index_length % kEntrySize != 0) {
    return "its index of " + std::to_string(index_length) +
           " bytes is not a whole number of 12-byte entries";
  }
  if (index_length > kMaxIndexLength) {
    return "its index of " + std::to_string(index_length) +
           " bytes is larger than any song's index can be";
  }
  return std::nullopt;
}

}  // namespace

Result<SongFile> SongFile::Parse(std::span<const std::uint8_t> bytes, std::string_view name) {
  return ParseOwned(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), name);
}

Result<SongFile> SongFile::ParseOwned(std::vector<std::uint8_t> bytes, std::string_view name) {
  const auto refuse = [&](std::string reason) {
    return Error{"\"" + std::string(name) + "\" is not a song file: " + std::move(reason) + "."};
  };
  const std::uint64_t length = bytes.size();
  if (length > kMaxFileLength) return refuse("it is larger than any song file can be");
  if (length < kEntrySize + kPointerSize) {
    return refuse("it is " + std::to_string(length) + " bytes long, too short for an index");
  }
  const std::uint32_t index_start = Le32(bytes, length - kPointerSize);
  if (std::optional<std::string> problem = IndexProblem(length, index_start)) {
    return refuse(std::move(*problem));
  }
  const std::uint64_t index_length = length - kPointerSize - index_start;
  SongFile song;
  song.data_length_ = index_start;
  const std::size_t count = index_length / kEntrySize;
  song.entries_.reserve(count);  // bounded by kMaxIndexLength
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = index_start + i * kEntrySize;
    SongIndexEntry entry;
    entry.tag.assign(reinterpret_cast<const char*>(bytes.data() + at), 4);
    entry.offset = Le32(bytes, at + 4);
    entry.size = Le32(bytes, at + 8);
    entry.position = at;
    if (!entry.IsGroup() &&
        std::uint64_t{entry.offset} + std::uint64_t{entry.size} > std::uint64_t{index_start}) {
      return refuse("index entry " + std::to_string(i + 1) + " (\"" + Printable(entry.tag) +
                    "\") has " + std::to_string(entry.size) + " bytes at offset " +
                    std::to_string(entry.offset) + ", past the end of the data area (" +
                    std::to_string(index_start) + " bytes)");
    }
    song.entries_.push_back(std::move(entry));
  }
  const SongIndexEntry& root = song.entries_.front();
  if (root.tag != "BIFF" || !root.IsGroup()) {
    return refuse("its index does not start with the group \"BIFF\"");
  }
  if (root.size != index_length - kEntrySize) {
    return refuse("its root entry counts " + std::to_string(root.size) + " bytes of entries, but " +
                  std::to_string(index_length - kEntrySize) + " follow it");
  }

  song.bytes_ = std::move(bytes);
  if (std::optional<std::string> problem =
          SummaryReader(song.entries_, song.bytes_, song.data_length_).Read(song.summary_)) {
    return refuse(std::move(*problem));
  }
  return song;
}

Result<SongFile> SongFile::Read(const std::filesystem::path& path) {
  // Only a regular file: a pipe or a device could block or never end.
  Result<BinaryStream> stream = BinaryStream::OpenRegular(path, BinaryStream::Access::kRead);
  if (!stream) return stream.error();
  return ReadFrom(*stream, path);
}

Result<SongFile> SongFile::ReadFrom(BinaryStream& stream, const std::filesystem::path& path) {
  const std::uint64_t length = stream.Length();
  const auto refuse = [&](const std::string& reason) {
    return Error{"\"" + path.string() + "\" is not a song file: " + reason + "."};
  };
  if (length > kMaxFileLength) return refuse("it is larger than any song file can be");
  // The pointer and the index's size are checked before the file is read,
  // so a large file that is no song costs nothing.
  if (length >= kEntrySize + kPointerSize) {
    stream.SetPosition(length - kPointerSize);
    const std::vector<std::uint8_t> pointer = stream.Read(kPointerSize);
    if (Status s = stream.status(); !s) return s.error();
    if (pointer.size() != kPointerSize) {
      return FileError("read", path, "it became shorter while being read");
    }
    if (std::optional<std::string> problem = IndexProblem(length, Le32(pointer, 0))) {
      return refuse(*problem);
    }
    stream.SetPosition(0);
  }
  std::vector<std::uint8_t> bytes = stream.Read(static_cast<std::size_t>(length));
  if (Status s = stream.status(); !s) return s.error();
  if (bytes.size() != length) return FileError("read", path, "it became shorter while being read");
  return ParseOwned(std::move(bytes), path.string());
}

std::span<const std::uint8_t> SongFile::Payload(const SongIndexEntry& entry) const {
  if (entry.IsGroup() || std::uint64_t{entry.offset} + entry.size > data_length_) return {};
  return std::span(bytes_).subspan(entry.offset, entry.size);
}

std::span<const std::uint8_t> SongFile::SampleBytes(std::size_t index) const {
  if (index >= summary_.samples.size()) return {};
  const SongSampleInfo& sample = summary_.samples[index];
  return std::span(bytes_).subspan(sample.offset, sample.size);
}

}  // namespace zembra
