#include "songfile/song_description.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/binary_stream.h"
#include "platform/os_error.h"
#include "songfile/tempo.h"

namespace zembra {
namespace {

using nlohmann::json;

// A song description is a few hundred bytes; anything this large is not one,
// and reading it whole would only waste memory.
constexpr std::uint64_t kMaxJsonBytes = 16u << 20;

class Parser {
 public:
  explicit Parser(const std::filesystem::path& json_file) : json_file_(json_file) {}

  Error Refuse(const std::string& reason) const {
    return FileError("read song", json_file_, reason);
  }

  // Refuses keys the schema does not know: a misspelt "titel" silently
  // ignored would build a song the user did not describe.
  Status CheckKeys(const json& object, std::string_view where,
                   std::initializer_list<std::string_view> known) const {
    for (const auto& [key, value] : object.items()) {
      bool found = false;
      for (std::string_view k : known) found = found || key == k;
      if (!found) return Refuse(std::string(where) + "unknown key \"" + key + "\"");
    }
    return Ok();
  }

  // A text of the sheet. A NUL would end the text early in the song file,
  // so it is refused rather than written cut short.
  Result<std::string> Text(const json& value, const std::string& where) const {
    if (!value.is_string()) return Refuse(where + " must be a string");
    std::string text = value.get<std::string>();
    if (text.find('\0') != std::string::npos) return Refuse(where + " contains a NUL character");
    return text;
  }

  // The tempo goes into the sheet as text, so the song writer applies the
  // same tempo rule and message as the window. Integers arrive as their
  // decimal text, and so do whole numbers written otherwise (120.0, 1e2);
  // a fractional number becomes text the rule refuses.
  Result<std::string> Tempo(const json& value) const {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_float()) {
      const double number = value.get<double>();
      if (std::isfinite(number) && std::trunc(number) == number && std::fabs(number) < 1e15) {
        return std::to_string(static_cast<long long>(number));
      }
    }
    if (value.is_number()) return value.dump();
    return Refuse("\"tempo\" must be a string or an integer");
  }

  Status Tracks(const json& tracks, SongSheet& sheet) const {
    if (!tracks.is_array()) return Refuse("\"tracks\" must be a list");
    if (tracks.size() > kTrackCount) {
      return Refuse("\"tracks\" lists " + std::to_string(tracks.size()) +
                    " tracks; a song has at most " + std::to_string(kTrackCount));
    }
    for (std::size_t i = 0; i < tracks.size(); ++i) {
      const json& track = tracks[i];
      const std::string where = "tracks[" + std::to_string(i) + "]";
      if (!track.is_object()) return Refuse(where + " must be an object");
      if (Status s = CheckKeys(track, where + ": ", {"name", "samples"}); !s) return s;
      if (track.contains("name")) {
        Result<std::string> name = Text(track["name"], where + ".name");
        if (!name) return name.error();
        sheet.SetTrackName(i, std::move(name.value()));
      }
      if (!track.contains("samples")) continue;
      const json& samples = track["samples"];
      if (!samples.is_array()) return Refuse(where + ".samples must be a list");
      if (samples.size() > MaxSamplesPerTrack) {
        return Refuse(where + ".samples lists " + std::to_string(samples.size()) +
                      " samples; a track holds at most " + std::to_string(MaxSamplesPerTrack));
      }
      std::vector<std::string> names;
      for (std::size_t j = 0; j < samples.size(); ++j) {
        if (!samples[j].is_string()) {
          return Refuse(where + ".samples[" + std::to_string(j) + "] must be a string");
        }
        // Sample names are checked by the song writer, which names every
        // unusable one; here they are taken as written.
        names.push_back(samples[j].get<std::string>());
      }
      sheet.DropTexts(i, names);
    }
    return Ok();
  }

  Status Pages(const json& pages, SongSheet& sheet) const {
    if (!pages.is_array()) return Refuse("\"pages\" must be a list");
    if (pages.size() > kPageCount) {
      return Refuse("\"pages\" lists " + std::to_string(pages.size()) +
                    " pages; a song has at most " + std::to_string(kPageCount));
    }
    for (std::size_t k = 0; k < pages.size(); ++k) {
      Result<std::string> name = Text(pages[k], "pages[" + std::to_string(k) + "]");
      if (!name) return name.error();
      sheet.SetPageName(k, std::move(name.value()));
    }
    return Ok();
  }

  Result<SongJob> Parse(std::string_view text) const {
    json doc;
    try {
      doc = json::parse(text);
    } catch (const json::parse_error& e) {
      // e.what() starts with the library's own tag; keep the readable part.
      std::string what = e.what();
      const std::size_t at = what.find("parse error");
      return Refuse("invalid JSON: " + (at == std::string::npos ? what : what.substr(at)));
    } catch (const json::out_of_range&) {
      // A number such as 1e400, beyond what any value here can be.
      return Refuse("it holds a number too large to read");
    }
    if (!doc.is_object()) return Refuse("the song must be a JSON object");
    if (Status s =
            CheckKeys(doc, "", {"title", "artist", "tempo", "samples_dir", "tracks", "pages"});
        !s) {
      return s.error();
    }

    SongJob job;
    std::filesystem::path json_dir = std::filesystem::absolute(json_file_).parent_path();
    job.samples_dir = json_dir;
    if (doc.contains("title")) {
      Result<std::string> title = Text(doc["title"], "\"title\"");
      if (!title) return title.error();
      job.sheet.SetTitle(std::move(title.value()));
    }
    if (doc.contains("artist")) {
      Result<std::string> artist = Text(doc["artist"], "\"artist\"");
      if (!artist) return artist.error();
      job.sheet.SetArtist(std::move(artist.value()));
    }
    if (doc.contains("tempo")) {
      Result<std::string> tempo = Tempo(doc["tempo"]);
      if (!tempo) return tempo.error();
      job.sheet.SetTempoText(std::move(tempo.value()));
    }
    if (doc.contains("samples_dir")) {
      Result<std::string> dir = Text(doc["samples_dir"], "\"samples_dir\"");
      if (!dir) return dir.error();
      if (dir->empty()) return Refuse("\"samples_dir\" is empty");
      job.samples_dir = (json_dir / dir.value()).lexically_normal();
    }
    if (doc.contains("tracks")) {
      if (Status s = Tracks(doc["tracks"], job.sheet); !s) return s.error();
    }
    if (doc.contains("pages")) {
      if (Status s = Pages(doc["pages"], job.sheet); !s) return s.error();
    }
    return job;
  }

 private:
  std::filesystem::path json_file_;
};

}  // namespace

Result<SongJob> ParseSongJson(std::string_view text, const std::filesystem::path& json_file) {
  return Parser(json_file).Parse(text);
}

Result<SongJob> ReadSongJson(const std::filesystem::path& json_file) {
  Result<BinaryStream> in = BinaryStream::OpenRegular(json_file, BinaryStream::Access::kRead);
  if (!in) return in.error();
  const std::uint64_t length = in->Length();
  if (length > kMaxJsonBytes) {
    return FileError("read song", json_file, "it is too large to be a song description");
  }
  std::vector<std::uint8_t> bytes = in->Read(static_cast<std::size_t>(length));
  if (Status s = in->Close(); !s) return s.error();
  return ParseSongJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                       json_file);
}

namespace {

// The samples folder as the description names it, or nothing when it is the
// JSON file's own folder (the reader's default).
std::optional<std::string> SamplesDirText(const std::filesystem::path& samples_dir,
                                          const std::filesystem::path& json_file) {
  if (samples_dir.empty()) return std::nullopt;
  const std::filesystem::path dir = std::filesystem::absolute(samples_dir).lexically_normal();
  const std::filesystem::path json_dir =
      std::filesystem::absolute(json_file).parent_path().lexically_normal();
  const std::filesystem::path relative = dir.lexically_relative(json_dir);
  // Inside the JSON file's folder the pair moves together; elsewhere only a
  // full path still finds the samples.
  if (relative.empty() || *relative.begin() == "..") return dir.string();
  if (relative == ".") return std::nullopt;
  return relative.string();
}

}  // namespace

Result<std::string> SongJsonText(const SongSheet& sheet, const std::filesystem::path& samples_dir,
                                 const std::filesystem::path& json_file) {
  nlohmann::ordered_json doc;
  doc["title"] = sheet.Title();
  doc["artist"] = sheet.Artist();
  Result<std::int32_t> tempo = ParseTempo(sheet.TempoText());
  if (tempo && std::to_string(*tempo) == sheet.TempoText()) {
    doc["tempo"] = *tempo;
  } else {
    doc["tempo"] = sheet.TempoText();
  }
  if (std::optional<std::string> dir = SamplesDirText(samples_dir, json_file)) {
    doc["samples_dir"] = *dir;
  }
  doc["tracks"] = nlohmann::ordered_json::array();
  for (const SheetTrack& track : sheet.Tracks()) {
    doc["tracks"].push_back({{"name", track.TrackName}, {"samples", track.SampleNames}});
  }
  doc["pages"] = nlohmann::ordered_json::array();
  for (const SheetPage& page : sheet.Pages()) doc["pages"].push_back(page.PageName);
  try {
    return doc.dump(2) + "\n";
  } catch (const nlohmann::json::type_error&) {
    // JSON holds only Unicode text; a name in another encoding cannot be kept.
    return FileError("write", json_file, "a text of the song is not UTF-8");
  }
}

Status WriteSongJson(const std::filesystem::path& json_file, const SongSheet& sheet,
                     const std::filesystem::path& samples_dir) {
  Result<std::string> text = SongJsonText(sheet, samples_dir, json_file);
  if (!text) return text.error();
  Result<AtomicFile> file = AtomicFile::Create(json_file);
  if (!file) return file.error();
  file->stream().Write(*text);
  return file->Commit();
}

}  // namespace zembra
