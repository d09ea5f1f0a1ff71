// The commands of the main window: load a folder of samples, create the song
// and its archive. Each reports every failure in one message that names the
// file and the reason; success and a cancelled dialog stay silent.

#include <QDir>
#include <QPointer>
#include <QString>

#include "archive/song_and_archive.h"
#include "gui/background_task.h"
#include "gui/create_bjs_message.h"
#include "gui/dialog_service.h"
#include "gui/pool_list.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "platform/os_error.h"
#include "samples/folder_scan.h"
#include "songfile/tempo.h"

namespace zembra {
namespace {

constexpr char kNoUsableSamples[] = "No useable VAG files found. Perhaps you need to patch them?";

QString MessageOf(const Error& error) {
  return QString::fromStdString(error.message);
}

// The file name the save dialog suggests: the title and ".bjs". A "/" would
// make the suggestion a path into another folder, so it stands as "_" there.
QString SuggestedSongName(const std::string& title) {
  QString name = QString::fromStdString(title);
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  return name + QStringLiteral(".bjs");
}

// The packer, telling the progress dialog what it packs. Once a cancel is
// asked for, the rest is skipped: its result is thrown away anyway.
CompressFunction PackingWithProgress(const CompressFunction& compress, TaskProgress& progress,
                                     const std::filesystem::path& song) {
  if (!compress) {
    return compress;
  }
  progress.Report(
      QCoreApplication::translate("zembra", "Writing %1").arg(QStringFromPath(song.filename())), 0,
      0);
  return [compress, &progress, song, packed = 0](std::string_view bytes,
                                                 int level) mutable -> SharedBytes {
    if (progress.Cancelled()) {
      return SharedBytes();
    }
    progress.Report(QCoreApplication::translate("zembra", "Packing %1 into its archive (part %2)")
                        .arg(QStringFromPath(song.filename()))
                        .arg(++packed),
                    0, 0);
    return compress(bytes, level);
  };
}

}  // namespace

void WindowZembra::GetGoodVAGs() {
  DialogService& dialogs = App().dialogs();
  const std::optional<std::filesystem::path> folder = dialogs.SelectFolder(this);
  if (!folder) {
    return;
  }
  LoadFolder(*folder);
}

void WindowZembra::LoadFolder(const std::filesystem::path& folder) {
  DialogService& dialogs = App().dialogs();
  // The folder becomes the working folder whatever the scan finds in it.
  App().set_workingdir(folder.string());
  Result<std::vector<std::string>> names = ScanUsableSamples(folder);
  if (!names) {
    sheet_.ReplacePool({});
    lstFiles_->ShowNames(sheet_.Pool());
    dialogs.ShowMessage(this, MessageOf(names.error()));
    return;
  }
  sheet_.ReplacePool(std::move(names.value()));
  lstFiles_->ShowNames(sheet_.Pool());
  if (sheet_.Pool().empty()) {
    dialogs.ShowMessage(this, QString::fromLatin1(kNoUsableSamples));
  }
}

void WindowZembra::WriteBJS() {
  if (BackgroundTaskRunning()) {
    return;
  }
  DialogService& dialogs = App().dialogs();
  const Result<std::int32_t> tempo = ParseTempo(sheet_.TempoText());
  if (!tempo) {
    dialogs.ShowMessage(this, QString::fromUtf8(kTempoMessage.data(),
                                                static_cast<qsizetype>(kTempoMessage.size())));
    return;
  }

  const std::string& workingdir = App().workingdir();
  SaveRequest request;
  request.initial_directory =
      workingdir.empty() ? PathFromQString(QDir::homePath()) : std::filesystem::path(workingdir);
  request.suggested_name = SuggestedSongName(sheet_.Title());
  request.filter = QStringLiteral("*.bjs");
  const std::optional<std::filesystem::path> song = dialogs.SaveAs(this, request);
  if (!song) {
    return;
  }

  // The song and its archive change together: on failure neither does, and
  // the message says what is on disk either way.
  // Packing runs off the UI thread, on a copy of the sheet taken now; a
  // cancel keeps whatever song and archive were there.
  SongPairResult written;
  bool cancelled = false;
  QPointer<WindowZembra> alive(this);
  RunInBackground(
      this, tr("Create BJS"), [&, sheet = sheet_, folder = workingdir](TaskProgress& progress) {
        written = WriteSongAndArchive(sheet, folder, *song,
                                      PackingWithProgress(App().compressor(), progress, *song),
                                      [&progress] { return !progress.Cancelled(); });
        cancelled = progress.Cancelled();
      });
  // A cancel may have cut the packing short, which fails the write: that is
  // no failure to report.
  if (!alive.isNull() && !written.ok() && !written.cancelled && !cancelled) {
    dialogs.ShowMessage(this, CreateBjsFailureMessage(written));
  }
}

}  // namespace zembra
