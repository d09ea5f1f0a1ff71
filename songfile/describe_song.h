#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"
#include "song/song_sheet.h"
#include "songfile/song_file_reader.h"

namespace zembra {

// A sheet that writes the song again, with each sample row holding the
// number of its sample in the song instead of a name.
struct SongLayout {
  SongSheet sheet;  // texts and pages set, no sample names yet
  std::array<std::vector<std::size_t>, kTrackCount> samples;
};

// Works out from a song's summary the sheet it was written from: its tracks
// on the pages the page records give (tracks beyond the named pages on the
// pages after them), texts as they stand. The song's sample names are not
// in it. Refuses, with the reason, what no sheet can hold: more than 16
// tracks or 4 samples a track, a track without samples, a slot naming a
// sample the song does not carry, a text with a zero byte or not in UTF-8.
Result<SongLayout> LayoutOfSong(const SongSummary& summary);

// Where the samples of a described song are put, and how they are named.
struct SampleFolder {
  std::filesystem::path path;  // made if missing
  // Take the name of any file in the folder that holds a sample's very
  // bytes; otherwise only a file already under the sample's own name is.
  bool match = false;
};

// "sample00.vag", "sample01.vag", …: sample `index` of `count`, with enough
// digits that the names sort in sample order.
std::string NumberedSampleName(std::size_t index, std::size_t count);

// Gives every sample a file in `folder` and returns their names in sample
// order. A sample whose bytes equal those of an earlier sample, or of a file
// found as `folder` says, takes that name; the others are written as
// NumberedSampleName, or with "-1", "-2", … added before ".vag" where a
// different file has that name. No existing file is ever replaced. On
// failure the files and folder this call made are removed again.
Result<std::vector<std::string>> PlaceSamples(const SongFile& song, const SampleFolder& folder,
                                              std::vector<std::filesystem::path>* written);

struct DescribedSong {
  SongSheet sheet;  // pool empty
  std::filesystem::path samples_dir;
  std::vector<std::filesystem::path> written;  // sample files this call made
};

// The sheet and sample files that write `song` (read from `song_path`) again
// byte for byte: LayoutOfSong, then PlaceSamples. Errors name `song_path`.
Result<DescribedSong> DescribeSong(const SongFile& song, const std::filesystem::path& song_path,
                                   const SampleFolder& folder);

// The folder a song's samples go to when none is chosen: one named after
// the song, beside it ("/x/song.bjs" gives "/x/song").
std::filesystem::path DefaultSampleFolder(const std::filesystem::path& song_path);

}  // namespace zembra
