#include "gui/create_bjs_message.h"

#include <QCoreApplication>
#include <QStringList>

#include <system_error>

#include "gui/dialog_service.h"

namespace zembra {
namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("CreateBjs", text);
}

QString Quoted(const std::filesystem::path& file) {
  return QLatin1Char('"') + QStringFromPath(file) + QLatin1Char('"');
}

bool Exists(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::exists(file, ec);
}

}  // namespace

QString CreateBjsFailureMessage(const SongPairResult& result) {
  QStringList lines;
  if (!result.song_written && !result.archive_written) {
    lines << Tr("Nothing was written: neither the song nor its archive.");
  } else if (!result.archive_written) {
    lines << Tr("The song was written, but its archive was not.");
  } else if (!result.song_written) {
    lines << Tr("The archive was written, but the song was not.");
  } else {
    lines << Tr("The song and its archive were written, but:");
  }
  if (result.error) {
    lines << QString::fromStdString(result.error->message);
  }
  for (const auto& [file, written] : {std::pair{&result.song, result.song_written},
                                      std::pair{&result.archive, result.archive_written}}) {
    if (written) {
      lines << Tr("Written: %1").arg(Quoted(*file));
    } else if (Exists(*file)) {
      lines << Tr("Left as it was: %1").arg(Quoted(*file));
    }
  }
  // One of the pair replaced and the other not: they no longer match.
  if (result.song_written != result.archive_written &&
      Exists(result.song_written ? result.archive : result.song)) {
    lines << (result.song_written ? Tr("The archive there still holds an earlier song.")
                                  : Tr("The song there is an earlier one; the archive does not "
                                       "hold it."));
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace zembra
