// Hearing, seeing and importing samples in the main window: the pool and
// track rows play and show their waveform, File > Import Audio and files
// dropped on the pool become samples of the working folder.

#include <QAction>
#include <QDir>
#include <QItemSelectionModel>
#include <QStringList>

#include <algorithm>
#include <set>
#include <system_error>

#include "gui/background_task.h"
#include "gui/dialog_service.h"
#include "gui/import_audio.h"
#include "gui/menu_bar.h"
#include "gui/pool_list.h"
#include "gui/sample_preview.h"
#include "gui/track_list.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "samples/folder_scan.h"

namespace zembra {
namespace {

const QString kAudioFilter = QStringLiteral(
    "Audio files (*.wav *.WAV *.aif *.aiff *.aifc *.flac *.ogg *.oga *.mp3 *.au *.snd *.caf "
    "*.w64 *.rf64);;All files (*)");

}  // namespace

void WindowZembra::AttachSampleTools() {
  preview_ = new SamplePreview(
      [this](const QListWidget* list, int row) { return SampleFileOf(list, row); }, this);
  preview_->Watch(lstFiles_);
  for (TrackList* list : lstTrack_) {
    preview_->Watch(list);
  }
  lstFiles_->drop_files = [this](const std::vector<std::filesystem::path>& paths) {
    lstFiles_DropFiles(paths);
  };
  connect(MenuBar1::Instance()->Item(QStringLiteral("FileImportAudio")), &QAction::triggered, this,
          [this] { _FileImportAudio_Action(); });
}

std::filesystem::path WindowZembra::SampleFileOf(const QListWidget* list, int row) const {
  const std::string& workingdir = App().workingdir();
  if (row < 0 || workingdir.empty()) {
    return {};
  }
  const auto at = static_cast<std::size_t>(row);
  if (list == lstFiles_) {
    return at < sheet_.Pool().size() ? std::filesystem::path(workingdir) / sheet_.Pool()[at]
                                     : std::filesystem::path();
  }
  for (std::size_t track = 0; track < kTrackCount; ++track) {
    if (list == lstTrack_[track]) {
      const auto& names = sheet_.Track(track).SampleNames;
      return at < names.size() ? std::filesystem::path(workingdir) / names[at]
                               : std::filesystem::path();
    }
  }
  return {};
}

bool WindowZembra::_FileImportAudio_Action() {
  if (BackgroundTaskRunning()) {
    return true;
  }
  OpenRequest request;
  const std::string& workingdir = App().workingdir();
  request.initial_directory =
      workingdir.empty() ? PathFromQString(QDir::homePath()) : std::filesystem::path(workingdir);
  request.filter = kAudioFilter;
  const std::vector<std::filesystem::path> files = App().dialogs().OpenFiles(this, request);
  if (!files.empty()) {
    ImportAudioFiles(files);
  }
  return true;
}

void WindowZembra::lstFiles_DropFiles(const std::vector<std::filesystem::path>& paths) {
  std::error_code error;
  if (paths.size() == 1 && std::filesystem::is_directory(paths.front(), error)) {
    LoadFolder(paths.front());
    return;
  }
  ImportAudioFiles(paths);
}

void WindowZembra::ImportAudioFiles(const std::vector<std::filesystem::path>& files) {
  if (BackgroundTaskRunning()) {
    return;
  }
  DialogService& dialogs = App().dialogs();
  if (App().workingdir().empty()) {
    // New samples need a home: the folder chosen becomes the working folder.
    const std::optional<std::filesystem::path> folder = dialogs.SelectFolder(this);
    if (!folder) {
      return;
    }
    App().set_workingdir(folder->string());
  }
  const std::filesystem::path folder = App().workingdir();
  ImportOutcome outcome;
  QPointer<WindowZembra> alive(this);
  RunInBackground(this, tr("Import Audio"), [&](TaskProgress& progress) {
    outcome = ::zembra::ImportAudioFiles(files, folder, progress);
  });
  if (alive.isNull()) {
    return;
  }

  Result<std::vector<std::string>> names = ScanUsableSamples(folder);
  if (names) {
    sheet_.ReplacePool(std::move(names.value()));
    lstFiles_->ShowNames(sheet_.Pool());
    const std::set<std::string> fresh(outcome.imported.begin(), outcome.imported.end());
    lstFiles_->clearSelection();
    bool first = true;
    for (std::size_t row = 0; row < sheet_.Pool().size(); ++row) {
      if (fresh.count(sheet_.Pool()[row]) == 0) {
        continue;
      }
      QListWidgetItem* item = lstFiles_->item(static_cast<int>(row));
      item->setSelected(true);
      if (first) {
        lstFiles_->setCurrentItem(item, QItemSelectionModel::Current);
        lstFiles_->scrollToItem(item);
        first = false;
      }
    }
    // The new rows are ready for the keys that play and place them.
    if (!first) {
      lstFiles_->setFocus(Qt::OtherFocusReason);
    }
  } else {
    outcome.failures.push_back(names.error().message);
  }
  if (!outcome.failures.empty()) {
    QStringList lines;
    lines << (outcome.failures.size() == 1 ? tr("This file was not imported:")
                                           : tr("These files were not imported:"));
    for (const std::string& failure : outcome.failures) {
      lines << QString::fromStdString(failure);
    }
    dialogs.ShowMessage(this, lines.join(QLatin1Char('\n')));
  }
}

}  // namespace zembra
