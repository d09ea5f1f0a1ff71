#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "platform/terminal_text.h"
#include "songfile/song_file_reader.h"

namespace zembra::cli {
namespace {

using nlohmann::json;

json IndexAsJson(const SongFile& song) {
  json index = json::array();
  for (const SongIndexEntry& entry : song.entries()) {
    index.push_back({{"position", entry.position},
                     {"tag", entry.tag},
                     {"kind", entry.IsGroup() ? "group" : "payload"},
                     {"offset", entry.IsGroup() ? json(nullptr) : json(entry.offset)},
                     {"size", entry.size}});
  }
  return index;
}

json SummaryAsJson(const SongSummary& summary) {
  json samples = json::array();
  for (std::size_t i = 0; i < summary.samples.size(); ++i) {
    samples.push_back(
        {{"number", i}, {"offset", summary.samples[i].offset}, {"size", summary.samples[i].size}});
  }
  json tracks = json::array();
  for (std::size_t i = 0; i < summary.tracks.size(); ++i) {
    json slots = json::array();
    for (const SongSlot& slot : summary.tracks[i].slots) {
      slots.push_back({{"sample", slot.sample}, {"row", slot.row}});
    }
    tracks.push_back({{"number", i}, {"name", summary.tracks[i].name}, {"slots", slots}});
  }
  json pages = json::array();
  for (const SongPageInfo& page : summary.pages) {
    json members = json::array();
    for (const SongPageTrack& t : page.tracks) {
      members.push_back({{"position", t.position}, {"track", t.track}});
    }
    pages.push_back({{"name", page.name}, {"tracks", members}});
  }
  return {{"title", summary.title}, {"artist", summary.artist},
          {"tempo", summary.tempo}, {"sample_count", summary.sample_count},
          {"samples", samples},     {"tracks", tracks},
          {"pages", pages}};
}

void PrintText(const std::filesystem::path& path, const SongFile& song) {
  const SongSummary& s = song.summary();
  std::cout << "Song " << EscapeControlBytes(path.string()) << ": " << song.bytes().size()
            << " bytes, data area " << song.data_length() << " bytes, " << song.entries().size()
            << " index entries\n\n";

  std::cout << "Index:\n  position  tag   kind        offset        size\n";
  for (const SongIndexEntry& e : song.entries()) {
    std::cout << "  " << std::setw(8) << e.position << "  " << std::left << std::setw(4)
              << EscapeControlBytes(e.tag) << "  " << std::setw(7)
              << (e.IsGroup() ? "group" : "payload") << std::right << " " << std::setw(10);
    if (e.IsGroup()) {
      std::cout << "-";
    } else {
      std::cout << e.offset;
    }
    std::cout << "  " << std::setw(10) << e.size << '\n';
  }

  std::cout << "\nTitle:  " << EscapeControlBytes(s.title)
            << "\nArtist: " << EscapeControlBytes(s.artist) << "\nTempo:  " << s.tempo << '\n';
  std::cout << "Samples: " << s.samples.size();
  if (static_cast<std::int64_t>(s.samples.size()) != s.sample_count) {
    std::cout << " (the song declares " << s.sample_count << ")";
  }
  std::cout << '\n';
  for (std::size_t i = 0; i < s.samples.size(); ++i) {
    std::cout << "  " << std::setw(2) << i << "  " << s.samples[i].size << " bytes at offset "
              << s.samples[i].offset << '\n';
  }
  std::cout << "Tracks: " << s.tracks.size() << '\n';
  for (std::size_t i = 0; i < s.tracks.size(); ++i) {
    std::cout << "  " << std::setw(2) << i << "  \"" << EscapeControlBytes(s.tracks[i].name)
              << "\"  slots (sample, row):";
    for (const SongSlot& slot : s.tracks[i].slots) {
      std::cout << " (" << slot.sample << ", " << slot.row << ')';
    }
    std::cout << '\n';
  }
  std::cout << "Pages: " << s.pages.size() << '\n';
  for (std::size_t k = 0; k < s.pages.size(); ++k) {
    std::cout << "  " << std::setw(2) << k << "  \"" << EscapeControlBytes(s.pages[k].name)
              << "\"  tracks";
    for (const SongPageTrack& t : s.pages[k].tracks) std::cout << ' ' << t.track;
    std::cout << '\n';
  }
}

}  // namespace

int RunInspect(const std::filesystem::path& path, bool as_json) {
  Result<SongFile> song = SongFile::Read(path);
  if (!song) return Fail(song.error());
  if (!as_json) {
    PrintText(path, *song);
    return kExitOk;
  }
  const json out = {{"file", path.string()},
                    {"length", song->bytes().size()},
                    {"data_length", song->data_length()},
                    {"index", IndexAsJson(*song)},
                    {"summary", SummaryAsJson(song->summary())}};
  // Names in a song are bytes, not always UTF-8; replace what is not valid
  // UTF-8 rather than fail halfway through the output.
  std::cout << out.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
  return kExitOk;
}

}  // namespace zembra::cli
