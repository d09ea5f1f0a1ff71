#pragma once

#include <QString>

#include "archive/song_and_archive.h"

namespace zembra {

// What Create BJS tells the user when it failed: the reason, then which of
// the song and its archive were written and which files already there were
// left as they were, so the message always matches the disk.
QString CreateBjsFailureMessage(const SongPairResult& result);

}  // namespace zembra
