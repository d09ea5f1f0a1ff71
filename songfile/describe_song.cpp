#include "songfile/describe_song.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/binary_stream.h"
#include "platform/os_error.h"
#include "songfile/utf8_text.h"

namespace zembra {
namespace {

using Bytes = std::span<const std::uint8_t>;

// How far "-1", "-2", … go looking for a free name.
constexpr int kMaxNumber = 999;

// Why a text of the song cannot stand in a sheet, or nothing.
std::optional<std::string> TextProblem(const std::string& text, const std::string& what) {
  if (text.find('\0') != std::string::npos) return what + " holds a zero byte";
  if (!Utf8Length(text)) return what + " is not UTF-8 text";
  return std::nullopt;
}

// Whether the file at `path` holds exactly `bytes`, compared a piece at a
// time so that a large file is never read whole.
bool FileHolds(const std::filesystem::path& path, Bytes bytes) {
  Result<BinaryStream> in = BinaryStream::OpenRegular(path, BinaryStream::Access::kRead);
  if (!in || in->Length() != bytes.size()) return false;
  constexpr std::size_t kPiece = 1 << 16;
  for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
    const std::size_t n = std::min(kPiece, bytes.size() - at);
    const std::vector<std::uint8_t> piece = in->Read(n);
    if (piece.size() != n || !std::equal(piece.begin(), piece.end(), bytes.begin() + at)) {
      return false;
    }
  }
  return true;
}

// `name` with "-n" before its extension: "sample03.vag" gives "sample03-1.vag".
std::string WithNumber(const std::string& name, int number) {
  const std::size_t dot = name.rfind('.');
  const std::size_t at = (dot == std::string::npos || dot == 0) ? name.size() : dot;
  return name.substr(0, at) + "-" + std::to_string(number) + name.substr(at);
}

// Makes the sample file `path`, which must not exist yet: O_EXCL keeps an
// existing file from ever being replaced. Nothing of it stays on failure.
// Returns false (with no error) when a file of that name is already there.
Result<bool> WriteNewFile(const std::filesystem::path& path, Bytes bytes) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return false;
    return FileError("create", path, errno);
  }
  Result<BinaryStream> out = BinaryStream::FromDescriptor(fd, path);
  if (!out) {
    ::unlink(path.c_str());
    return out.error();
  }
  out->Write(bytes);
  Status synced = out->Sync();
  Status closed = out->Close();
  if (!synced || !closed) {
    ::unlink(path.c_str());
    return synced ? closed.error() : synced.error();
  }
  return true;
}

// The regular files of a folder by size, names in order, for matching.
std::multimap<std::uintmax_t, std::string> FilesBySize(const std::filesystem::path& folder) {
  std::multimap<std::uintmax_t, std::string> files;
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code ignored;
    std::string name = it->path().filename().string();
    // A name that is not UTF-8 could not stand in a song description.
    if (it->is_regular_file(ignored) && Utf8Length(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  for (std::string& name : names) {
    std::error_code ignored;
    const std::uintmax_t size = std::filesystem::file_size(folder / name, ignored);
    if (!ignored) files.emplace(size, std::move(name));
  }
  return files;
}

}  // namespace

Result<SongLayout> LayoutOfSong(const SongSummary& summary) {
  const auto refuse = [](std::string reason) { return Error{std::move(reason)}; };
  SongLayout layout;
  SongSheet& sheet = layout.sheet;
  if (auto problem = TextProblem(summary.title, "its title")) return refuse(*problem);
  if (auto problem = TextProblem(summary.artist, "its artist")) return refuse(*problem);
  sheet.SetTitle(summary.title);
  sheet.SetArtist(summary.artist);
  sheet.SetTempoText(std::to_string(summary.tempo));

  const std::size_t track_count = summary.tracks.size();
  if (track_count > kTrackCount) {
    return refuse("it holds " + std::to_string(track_count) + " tracks; a sheet has " +
                  std::to_string(kTrackCount));
  }
  if (summary.pages.size() > kPageCount) {
    return refuse("it lays out " + std::to_string(summary.pages.size()) + " pages; a sheet has " +
                  std::to_string(kPageCount));
  }

  // The tracks go onto the pages in order: each laid-out page takes as many
  // as its record lists, the pages after them take the rest, four a page.
  const std::size_t laid_out = summary.pages.size();
  std::vector<std::size_t> places;  // sheet track of each song track
  std::size_t empty_names = 0;
  for (std::size_t page = 0; page < laid_out; ++page) {
    const SongPageInfo& info = summary.pages[page];
    const std::string what = "the name of page " + std::to_string(page);
    if (auto problem = TextProblem(info.name, what)) return refuse(*problem);
    if (info.tracks.size() > kTracksPerPage) {
      return refuse("page " + std::to_string(page) + " lists " +
                    std::to_string(info.tracks.size()) + " tracks; a page has " +
                    std::to_string(kTracksPerPage));
    }
    for (std::size_t k = 0; k < info.tracks.size(); ++k) {
      places.push_back(page * kTracksPerPage + k);
    }
    sheet.SetPageName(page, info.name);
    if (info.name.empty()) ++empty_names;
  }
  if (places.size() > track_count) {
    return refuse("its pages list " + std::to_string(places.size()) + " tracks but it holds " +
                  std::to_string(track_count));
  }
  for (std::size_t track = laid_out * kTracksPerPage; places.size() < track_count; ++track) {
    if (track >= kTrackCount) {
      return refuse("its tracks do not fit on the pages after the " + std::to_string(laid_out) +
                    " it lays out");
    }
    places.push_back(track);
  }
  // The song lays out as many pages as the sheet has named ones; a page laid
  // out with an empty name stands for a named page further on, which the
  // song does not show.
  if (empty_names > kPageCount - laid_out) {
    return refuse("it lays out " + std::to_string(laid_out) + " pages of which " +
                  std::to_string(empty_names) + " have no name, which no sheet gives");
  }
  for (std::size_t page = laid_out; page < kPageCount; ++page) {
    sheet.SetPageName(page, page - laid_out < empty_names ? "Page" + std::to_string(page) : "");
  }

  for (std::size_t t = 0; t < track_count; ++t) {
    const SongTrackInfo& track = summary.tracks[t];
    const std::string what = "track " + std::to_string(t);
    if (auto problem = TextProblem(track.name, "the name of " + what)) return refuse(*problem);
    if (track.slots.empty()) return refuse(what + " holds no samples");
    if (track.slots.size() > MaxSamplesPerTrack) {
      return refuse(what + " holds " + std::to_string(track.slots.size()) +
                    " samples; a track holds at most " + std::to_string(MaxSamplesPerTrack));
    }
    std::vector<std::size_t>& rows = layout.samples[places[t]];
    for (const SongSlot& slot : track.slots) {
      if (slot.sample < 0 || static_cast<std::size_t>(slot.sample) >= summary.samples.size()) {
        return refuse(what + " plays sample " + std::to_string(slot.sample) +
                      ", which the song does not hold");
      }
      rows.push_back(static_cast<std::size_t>(slot.sample));
    }
    sheet.SetTrackName(places[t], track.name);
  }
  return layout;
}

std::string NumberedSampleName(std::size_t index, std::size_t count) {
  std::string digits = std::to_string(index);
  const std::size_t width = std::max<std::size_t>(2, std::to_string(count - 1).size());
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return "sample" + digits + ".vag";
}

Result<std::vector<std::string>> PlaceSamples(const SongFile& song, const SampleFolder& folder,
                                              std::vector<std::filesystem::path>* written) {
  std::vector<std::filesystem::path> made;
  bool made_folder = false;
  const auto undo = [&](Error error) -> Result<std::vector<std::string>> {
    std::error_code ignored;
    for (const std::filesystem::path& path : made) std::filesystem::remove(path, ignored);
    if (made_folder) std::filesystem::remove(folder.path, ignored);
    return error;
  };

  const std::size_t count = song.summary().samples.size();
  std::vector<std::string> names;
  if (count == 0) return names;
  std::error_code ec;
  made_folder = std::filesystem::create_directories(folder.path, ec);
  if (ec) return FileError("create the folder", folder.path, ec.value());
  const std::multimap<std::uintmax_t, std::string> existing =
      folder.match ? FilesBySize(folder.path) : std::multimap<std::uintmax_t, std::string>{};

  for (std::size_t i = 0; i < count; ++i) {
    const Bytes bytes = song.SampleBytes(i);
    std::optional<std::string> name;
    for (std::size_t j = 0; j < i && !name; ++j) {
      if (std::ranges::equal(song.SampleBytes(j), bytes)) name = names[j];
    }
    const auto [first, last] = existing.equal_range(bytes.size());
    for (auto it = first; it != last && !name; ++it) {
      if (FileHolds(folder.path / it->second, bytes)) name = it->second;
    }
    for (int number = 0; !name; ++number) {
      if (number > kMaxNumber) {
        return undo(FileError("extract a sample into", folder.path,
                              "every numbered name for it is taken by another file"));
      }
      const std::string base = NumberedSampleName(i, count);
      const std::string candidate = number == 0 ? base : WithNumber(base, number);
      const std::filesystem::path path = folder.path / candidate;
      Result<bool> created = WriteNewFile(path, bytes);
      if (!created) return undo(created.error());
      if (*created) {
        made.push_back(path);
        name = candidate;
      } else if (FileHolds(path, bytes)) {
        name = candidate;  // already there from an earlier run
      }
    }
    names.push_back(std::move(*name));
  }
  if (written != nullptr) *written = std::move(made);
  return names;
}

Result<DescribedSong> DescribeSong(const SongFile& song, const std::filesystem::path& song_path,
                                   const SampleFolder& folder) {
  Result<SongLayout> layout = LayoutOfSong(song.summary());
  if (!layout) return FileError("describe", song_path, layout.error().message);
  DescribedSong described;
  Result<std::vector<std::string>> names = PlaceSamples(song, folder, &described.written);
  if (!names) return names.error();
  described.sheet = std::move(layout->sheet);
  for (std::size_t track = 0; track < kTrackCount; ++track) {
    std::vector<std::string> row_names;
    for (std::size_t sample : layout->samples[track]) row_names.push_back((*names)[sample]);
    described.sheet.DropTexts(track, row_names);
  }
  described.samples_dir = folder.path;
  return described;
}

std::filesystem::path DefaultSampleFolder(const std::filesystem::path& song_path) {
  std::filesystem::path folder = song_path;
  folder.replace_extension();
  // A song without an extension would give its own name.
  if (folder == song_path) folder += " samples";
  return folder;
}

}  // namespace zembra
