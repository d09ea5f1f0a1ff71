// The main window's song commands: open a song or a song description as the
// sheet, save the sheet as a description, and undo or redo the sheet's steps.

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>

#include "gui/dialog_service.h"
#include "gui/pool_list.h"
#include "gui/track_list.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "samples/folder_scan.h"
#include "songfile/describe_song.h"
#include "songfile/song_description.h"
#include "songfile/song_file_reader.h"

namespace zembra {
namespace {

namespace fs = std::filesystem;

QString MessageOf(const Error& error) {
  return QString::fromStdString(error.message);
}

bool IsDescription(const fs::path& file) {
  return QStringFromPath(file.extension()).compare(QStringLiteral(".json"), Qt::CaseInsensitive) ==
         0;
}

// What an opened file gives: the sheet and the folder its samples are in.
struct OpenedSheet {
  SongSheet sheet;
  fs::path samples_dir;
};

// A description is taken as it stands. A song is described: its samples are
// matched against the working folder and the rest written there, or, with
// no folder chosen yet, written to a folder named after the song.
Result<OpenedSheet> ReadSheet(const fs::path& file, const std::string& workingdir) {
  if (IsDescription(file)) {
    Result<SongJob> job = ReadSongJson(file);
    if (!job) return job.error();
    return OpenedSheet{std::move(job->sheet), std::move(job->samples_dir)};
  }
  Result<SongFile> song = SongFile::Read(file);
  if (!song) return song.error();
  SampleFolder folder;
  folder.match = !workingdir.empty();
  folder.path = folder.match ? fs::path(workingdir) : DefaultSampleFolder(fs::absolute(file));
  Result<DescribedSong> described = DescribeSong(*song, file, folder);
  if (!described) return described.error();
  return OpenedSheet{std::move(described->sheet), std::move(described->samples_dir)};
}

}  // namespace

bool WindowZembra::_FileOpenSong_Action() {
  DialogService& dialogs = App().dialogs();
  OpenRequest request;
  request.initial_directory = !sheet_file_.empty()          ? sheet_file_.parent_path()
                              : !App().workingdir().empty() ? fs::path(App().workingdir())
                                                            : PathFromQString(QDir::homePath());
  request.filter = QStringLiteral("Songs (*.bjs *.json);;All files (*)");
  if (const std::optional<fs::path> file = dialogs.OpenFile(this, request)) {
    OpenSong(*file);
  }
  return true;
}

bool WindowZembra::_FileSaveSheet_Action() {
  SaveSheet();
  return true;
}

bool WindowZembra::OpenSong(const fs::path& file) {
  Result<OpenedSheet> opened = ReadSheet(file, App().workingdir());
  if (!opened) {
    App().dialogs().ShowMessage(this, MessageOf(opened.error()));
    return false;
  }
  // The sheet takes the song's content; the pool shows the folder it uses.
  SheetContent::Of(opened->sheet).ApplyTo(sheet_);
  App().set_workingdir(opened->samples_dir.string());
  Result<std::vector<std::string>> pool = ScanUsableSamples(opened->samples_dir);
  sheet_.ReplacePool(pool ? std::move(pool.value()) : std::vector<std::string>{});
  ShowSheet();
  history_.Clear();
  settled_ = SheetContent::Of(sheet_);
  sheet_file_ = file;
  if (!IsDescription(file)) sheet_file_.replace_extension(".json");
  if (!pool) App().dialogs().ShowMessage(this, MessageOf(pool.error()));
  return true;
}

void WindowZembra::SaveSheet() {
  Settle();
  DialogService& dialogs = App().dialogs();
  SaveRequest request;
  if (!sheet_file_.empty()) {
    request.initial_directory = sheet_file_.parent_path();
    request.suggested_name = QStringFromPath(sheet_file_.filename());
  } else {
    const std::string& workingdir = App().workingdir();
    request.initial_directory =
        workingdir.empty() ? PathFromQString(QDir::homePath()) : fs::path(workingdir);
    request.suggested_name =
        QString::fromStdString(sheet_.Title()).replace(QLatin1Char('/'), QLatin1Char('_')) +
        QStringLiteral(".json");
  }
  request.filter = QStringLiteral("*.json");
  const std::optional<fs::path> file = dialogs.SaveAs(this, request);
  if (!file) {
    return;
  }
  const Status saved = WriteSongJson(*file, sheet_, App().workingdir());
  if (!saved) {
    dialogs.ShowMessage(this, MessageOf(saved.error()));
    return;
  }
  sheet_file_ = *file;
}

void WindowZembra::ShowSheet() {
  lstFiles_->ShowNames(sheet_.Pool());
  for (std::size_t track = 0; track < kTrackCount; ++track) {
    ShowTrack(track);
    txtTrack_[track]->setText(QString::fromStdString(sheet_.Track(track).TrackName));
  }
  // Setting a page's field also sets its tab's caption.
  for (std::size_t page = 0; page < kPageCount; ++page) {
    txtPage_[page]->setText(QString::fromStdString(sheet_.Page(page).PageName));
  }
  txtNAME_->setText(QString::fromStdString(sheet_.Title()));
  txtAUTH_->setText(QString::fromStdString(sheet_.Artist()));
  txtBPM_->setText(QString::fromStdString(sheet_.TempoText()));
}

void WindowZembra::Settle() {
  SheetContent now = SheetContent::Of(sheet_);
  if (now != settled_) {
    history_.Record(settled_, now);
    settled_ = std::move(now);
  }
}

void WindowZembra::UndoSheet() {
  Settle();
  if (std::optional<SheetContent> content = history_.Undo()) {
    content->ApplyTo(sheet_);
    ShowSheet();
    settled_ = SheetContent::Of(sheet_);
  }
}

void WindowZembra::RedoSheet() {
  Settle();
  if (std::optional<SheetContent> content = history_.Redo()) {
    content->ApplyTo(sheet_);
    ShowSheet();
    settled_ = SheetContent::Of(sheet_);
  }
}

bool WindowZembra::_EditUndo_Action() {
  // A text field with the focus undoes its own typing (the menu bar sees to it).
  if (qobject_cast<QLineEdit*>(QApplication::focusWidget()) == nullptr) UndoSheet();
  return true;
}

bool WindowZembra::_EditRedo_Action() {
  if (qobject_cast<QLineEdit*>(QApplication::focusWidget()) == nullptr) RedoSheet();
  return true;
}

}  // namespace zembra
