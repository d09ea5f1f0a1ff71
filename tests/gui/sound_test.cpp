// Hearing, seeing and importing samples in the main window, and long work
// off the UI thread: imports through the menu and by drops from a file
// manager, the waveform tooltip, playback into a stand-in output, and a
// cancelled Create BJS that keeps the earlier song and archive.

#include <QAction>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <zlib.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

#include "audio/adpcm_encoder.h"
#include "audio/audio_file.h"
#include "audio/vag_file.h"
#include "gui/background_task.h"
#include "gui/import_audio.h"
#include "gui/menu_bar.h"
#include "gui/pool_list.h"
#include "gui/sample_player.h"
#include "gui/sample_preview.h"
#include "gui/track_list.h"
#include "gui/waveform_cache.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

// Plays nothing; remembers what it was asked to play.
class StandInOutput : public AudioOutput {
 public:
  struct Log {
    bool has_device = true;
    std::vector<std::pair<std::size_t, std::uint32_t>> started;  // samples, rate
    int stops = 0;
  };
  explicit StandInOutput(std::shared_ptr<Log> log) : log_(std::move(log)) {}
  bool HasDevice() override { return log_->has_device; }
  QString Start(std::vector<std::int16_t> pcm, std::uint32_t rate) override {
    log_->started.emplace_back(pcm.size(), rate);
    return {};
  }
  void Stop() override { ++log_->stops; }
  void Finish() { finished(); }

 private:
  std::shared_ptr<Log> log_;
};

std::vector<std::int16_t> Tone(std::uint32_t rate, double seconds) {
  std::vector<std::int16_t> pcm(static_cast<std::size_t>(rate * seconds));
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    pcm[i] = static_cast<std::int16_t>(12000 * std::sin(i * 2 * M_PI * 440 / rate));
  }
  return pcm;
}

std::string Zlib(std::string_view bytes, int level) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::string packed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
            reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()), level);
  packed.resize(size);
  return packed;
}

std::set<std::string> FilesUnder(const fs::path& folder) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    files.insert(fs::relative(entry.path(), folder).string());
  }
  return files;
}

QStringList SelectedRows(const QListWidget* list) {
  QStringList rows;
  for (int row = 0; row < list->count(); ++row) {
    if (list->item(row)->isSelected()) rows << list->item(row)->text();
  }
  return rows;
}

std::unique_ptr<QMimeData> UriList(const std::vector<fs::path>& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const fs::path& path : paths) urls << QUrl::fromLocalFile(QStringFromPath(path));
  data->setUrls(urls);
  return data;
}

}  // namespace

class SoundTest : public QObject {
  Q_OBJECT

 private:
  WindowZembra* window_ = nullptr;
  std::unique_ptr<TempDir> pool_;
  std::unique_ptr<TempDir> sources_;
  std::shared_ptr<StandInOutput::Log> played_;
  StandInOutput* output_ = nullptr;

  // A pool holding one sample, "tone.vag", and sources to import beside it.
  void MakeFolders() {
    pool_ = std::make_unique<TempDir>();
    sources_ = std::make_unique<TempDir>();
    const auto pcm = Tone(22050, 0.5);
    QVERIFY(WriteAudioFile(*sources_ / "tone.wav", pcm, 22050).ok());
    QVERIFY(WriteAudioFile(*sources_ / "chord.flac", Tone(44100, 0.25), 44100).ok());
    WriteFile(*sources_ / "notes.txt", "not a sound");
    const auto vag = MakeVagFile(EncodeAdpcm(pcm), 22050, "tone");
    WriteFile(*pool_ / "tone.vag", Bytes(vag.begin(), vag.end()));
  }

  void LoadPool() {
    window_->LoadFolder(pool_->path());
    QCOMPARE(RowsOf(window_->lstFiles()), QStringList({"tone.vag"}));
  }

 private Q_SLOTS:
  void init() {
    Dialogs().Reset();
    App().set_workingdir("");
    App().SetCompressor(&Zlib);
    SetProgressDelayMs(500);
    played_ = std::make_shared<StandInOutput::Log>();
    auto output = std::make_unique<StandInOutput>(played_);
    output_ = output.get();
    Player().SetOutput(std::move(output));
    window_ = WindowZembra::Instance();
    MakeFolders();
  }

  void cleanup() {
    QCOMPARE(Dialogs().unanswered, 0);
    Player().Stop();
    delete WindowZembra::Existing();
  }

  void ImportThroughTheMenu() {
    LoadPool();
    const Bytes earlier = ReadFile(*pool_ / "tone.vag");
    QAction* item = MenuBar1::Instance()->Item(QStringLiteral("FileImportAudio"));
    QCOMPARE(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    Dialogs().files_answers.push_back(
        {*sources_ / "tone.wav", *sources_ / "notes.txt", *sources_ / "chord.flac"});
    item->trigger();

    QCOMPARE(Dialogs().files_requests.size(), std::size_t(1));
    QCOMPARE(Dialogs().files_requests[0].initial_directory, pool_->path());
    QVERIFY(Dialogs().files_requests[0].filter.contains(QStringLiteral("*.flac")));
    // The existing sample keeps its name and bytes; the new one is numbered.
    QCOMPARE(RowsOf(window_->lstFiles()), QStringList({"chord.vag", "tone.vag", "tone_2.vag"}));
    QCOMPARE(SelectedRows(window_->lstFiles()), QStringList({"chord.vag", "tone_2.vag"}));
    QCOMPARE(ReadFile(*pool_ / "tone.vag"), earlier);
    Result<VagFile> imported = ReadVagFile(*pool_ / "tone_2.vag");
    QVERIFY(imported.ok());
    QCOMPARE(imported->form, VagForm::kGame);
    QCOMPARE(imported->sample_rate, 22050u);
    QCOMPARE(imported->name, std::string("tone_2"));
    QVERIFY(std::abs(imported->duration_seconds() - 0.5) < 0.01);
    QCOMPARE(ReadVagFile(*pool_ / "chord.vag")->sample_rate, 44100u);
    // One message for the file that failed, naming it.
    QCOMPARE(Dialogs().messages.size(), 1);
    QVERIFY2(Dialogs().messages[0].contains(QStringLiteral("notes.txt")),
             qPrintable(Dialogs().messages[0]));
    QVERIFY(!Dialogs().messages[0].contains(QStringLiteral("tone.wav")));
  }

  void ImportAsksForAWorkingFolderFirst() {
    Dialogs().files_answers.push_back({*sources_ / "tone.wav"});
    Dialogs().folder_answers.push_back(std::nullopt);
    MenuBar1::Instance()->Item(QStringLiteral("FileImportAudio"))->trigger();
    QCOMPARE(Dialogs().folder_questions, 1);
    QCOMPARE(FilesUnder(pool_->path()), std::set<std::string>({"tone.vag"}));
    QVERIFY(App().workingdir().empty());

    Dialogs().files_answers.push_back({*sources_ / "tone.wav"});
    Dialogs().folder_answers.push_back(pool_->path());
    MenuBar1::Instance()->Item(QStringLiteral("FileImportAudio"))->trigger();
    QCOMPARE(App().workingdir(), pool_->path().string());
    QCOMPARE(RowsOf(window_->lstFiles()), QStringList({"tone.vag", "tone_2.vag"}));
    QVERIFY(Dialogs().messages.isEmpty());
  }

  void ImportByDroppingFiles() {
    LoadPool();
    auto data = UriList({*sources_ / "chord.flac", *sources_ / "notes.txt"});
    QVERIFY(DropOn(window_->lstFiles(), *data));
    QTRY_COMPARE(RowsOf(window_->lstFiles()), QStringList({"chord.vag", "tone.vag"}));
    QCOMPARE(SelectedRows(window_->lstFiles()), QStringList({"chord.vag"}));
    QTRY_COMPARE(Dialogs().messages.size(), 1);
    QVERIFY(Dialogs().messages[0].contains(QStringLiteral("notes.txt")));

    // The pool's own rows and plain text are not taken.
    QMimeData text;
    text.setText(QStringLiteral("tone.vag"));
    QVERIFY(!DropOn(window_->lstFiles(), text));
  }

  void DroppingAFolderLoadsIt() {
    auto data = UriList({pool_->path()});
    QVERIFY(DropOn(window_->lstFiles(), *data));
    QTRY_COMPARE(RowsOf(window_->lstFiles()), QStringList({"tone.vag"}));
    QCOMPARE(App().workingdir(), pool_->path().string());
  }

  void CancelledImportStopsBeforeTheNextFile() {
    TaskProgress progress;
    progress.Cancel();
    const ImportOutcome none = ImportAudioFiles({*sources_ / "tone.wav", *sources_ / "chord.flac"},
                                                pool_->path(), progress);
    QVERIFY(none.cancelled);
    QVERIFY(none.imported.empty() && none.failures.empty());
    QCOMPARE(FilesUnder(pool_->path()), std::set<std::string>({"tone.vag"}));
  }

  void TooltipShowsTheWaveform() {
    LoadPool();
    const fs::path file = *pool_ / "tone.vag";
    QListWidget* list = window_->lstFiles();
    const QPoint at = list->visualItemRect(list->item(0)).center();
    QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list->viewport(), &help);
    // Worked out off the UI thread, then shown in place of "Reading…".
    QTRY_VERIFY(Waveforms().Find(file) != nullptr);
    const SampleSketch* sketch = Waveforms().Find(file);
    QCOMPARE(sketch->sample_rate, 22050u);
    QCOMPARE(sketch->file_size, fs::file_size(file));
    QVERIFY(sketch->error.isEmpty());

    const QString tip = SamplePreview::TipText(file, sketch);
    QVERIFY2(tip.contains(QStringLiteral("tone.vag")) && tip.contains(QStringLiteral("22050 Hz")) &&
                 tip.contains(QStringLiteral("0.50 s")),
             qPrintable(tip.left(200)));
    const QRegularExpressionMatch png =
        QRegularExpression(QStringLiteral("data:image/png;base64,([A-Za-z0-9+/=]+)")).match(tip);
    QVERIFY(png.hasMatch());
    QImage image;
    QVERIFY(image.loadFromData(QByteArray::fromBase64(png.captured(1).toLatin1()), "PNG"));
    QCOMPARE(image.size(), WaveformCache::kWaveformSize);
    int drawn = 0;  // columns drawn a little above the middle line
    for (int x = 0; x < image.width(); ++x) {
      drawn += image.pixel(x, image.height() / 2 - 6) != image.pixel(0, 0);
    }
    QVERIFY2(drawn > image.width() / 2, qPrintable(QString::number(drawn)));
    if (QToolTip::isVisible()) {
      QTRY_VERIFY(QToolTip::text().contains(QStringLiteral("data:image/png")));
    }

    // A changed file is a new sketch; a damaged one says why.
    WriteFile(file, "VAGp");
    QTRY_VERIFY(Waveforms().Find(file) != nullptr);
    QVERIFY(!Waveforms().Find(file)->error.isEmpty());
    QVERIFY(Waveforms().Find(file)->waveform.isNull());
  }

  void SpacePlaysAndStops() {
    LoadPool();
    QListWidget* list = window_->lstFiles();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(Player().playing());
    QCOMPARE(Player().playing_file(), *pool_ / "tone.vag");
    QCOMPARE(played_->started.size(), std::size_t(1));
    QCOMPARE(played_->started[0],
             std::make_pair(ReadVagFile(*pool_ / "tone.vag")->pcm.size(), 22050u));
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(!Player().playing());

    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(Player().playing());
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!Player().playing());

    // A track row plays the same file; a sound that ends is no longer playing.
    std::unique_ptr<QMimeData> drag(list->model()->mimeData({list->model()->index(0, 0)}));
    QVERIFY(DropOn(window_->lstTrack(0), *drag));
    window_->lstTrack(0)->setCurrentRow(0);
    QTest::keyClick(window_->lstTrack(0), Qt::Key_Space);
    QCOMPARE(Player().playing_file(), *pool_ / "tone.vag");
    output_->Finish();
    QVERIFY(!Player().playing());
    QVERIFY(Dialogs().messages.isEmpty());
  }

  void ContextMenuOffersPlayStopAndShowInFolder() {
    LoadPool();
    QListWidget* list = window_->lstTrack(0);
    std::unique_ptr<QMimeData> drag(
        window_->lstFiles()->model()->mimeData({window_->lstFiles()->model()->index(0, 0)}));
    QVERIFY(DropOn(list, *drag));
    QMenu menu;
    window_->samplePreview()->AddItems(&menu, list, 0);
    QStringList captions;
    for (QAction* action : menu.actions()) captions << action->text();
    QCOMPARE(captions, QStringList({"Play", "Stop", "Show in Folder"}));
    menu.actions()[0]->trigger();
    QVERIFY(Player().playing());
    menu.actions()[2]->trigger();
    QCOMPARE(Dialogs().shown_in_folder, std::vector<fs::path>({*pool_ / "tone.vag"}));
  }

  void NoSoundOutputIsToldOnce() {
    LoadPool();
    played_->has_device = false;
    QListWidget* list = window_->lstFiles();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Space);
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(!Player().playing());
    QVERIFY(played_->started.empty());
    QCOMPARE(Dialogs().messages.size(), 1);
    QVERIFY(Dialogs().messages[0].contains(QStringLiteral("no sound output")));
  }

  void CancelledCreateBJSKeepsTheEarlierPair() {
    LoadPool();
    std::unique_ptr<QMimeData> drag(
        window_->lstFiles()->model()->mimeData({window_->lstFiles()->model()->index(0, 0)}));
    QVERIFY(DropOn(window_->lstTrack(0), *drag));
    window_->txtBPM()->setText(QStringLiteral("120"));
    TempDir out;
    const fs::path song = out / "song.bjs";
    Dialogs().save_answers.push_back(song);
    window_->btnSave()->click();
    QVERIFY2(Dialogs().messages.isEmpty(), qPrintable(Dialogs().messages.join('\n')));
    const Bytes song_bytes = ReadFile(song);
    const Bytes archive_bytes = ReadFile(out / "JAM_0002" / "BULK.BAR");
    const std::set<std::string> files = FilesUnder(out.path());

    // A slow packer: the progress dialog appears and its Cancel is pressed.
    App().SetCompressor([](std::string_view bytes, int level) {
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      return Zlib(bytes, level);
    });
    SetProgressDelayMs(100);
    window_->txtNAME()->setText(QStringLiteral("Another name"));
    bool dialog_seen = false;
    QTimer presser;
    connect(&presser, &QTimer::timeout, this, [&] {
      if (auto* dialog = window_->findChild<QProgressDialog*>(QStringLiteral("TaskProgress"))) {
        dialog_seen = dialog_seen || dialog->isVisible();
        if (auto* cancel = dialog->findChild<QPushButton*>()) cancel->click();
      }
    });
    presser.start(20);
    Dialogs().save_answers.push_back(song);
    window_->btnSave()->click();
    presser.stop();
    QVERIFY(dialog_seen);
    QVERIFY2(Dialogs().messages.isEmpty(), qPrintable(Dialogs().messages.join('\n')));
    QCOMPARE(ReadFile(song), song_bytes);
    QCOMPARE(ReadFile(out / "JAM_0002" / "BULK.BAR"), archive_bytes);
    QCOMPARE(FilesUnder(out.path()), files);
  }
};

ZEMBRA_GUI_TEST(SoundTest)

}  // namespace zembra::test

#include "sound_test.moc"
