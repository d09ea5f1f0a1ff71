// The main window's commands from their buttons and menu items: loading a
// folder, Create BJS end to end into a temporary folder, and every way they
// end early without writing anything.

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <zlib.h>

#include <memory>

#include "archive/bar_writer.h"
#include "gui/create_bjs_message.h"
#include "gui/dialog_service.h"
#include "gui/menu_bar.h"
#include "gui/pool_list.h"
#include "gui/sample_drag.h"
#include "gui/track_list.h"
#include "gui/window_vagflip.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "runtime/plugin_binding.h"
#include "songfile/song_file_reader.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

std::string Zlib(std::string_view bytes, int level) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::string packed(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()),
                level) != Z_OK) {
    return {};
  }
  packed.resize(size);
  return packed;
}

Bytes Unzlib(const std::uint8_t* data, std::size_t size, std::size_t expected) {
  Bytes out(expected);
  uLongf out_size = static_cast<uLongf>(expected);
  if (uncompress(out.data(), &out_size, data, static_cast<uLong>(size)) != Z_OK) return {};
  out.resize(out_size);
  return out;
}

std::uint32_t Le32(const Bytes& bytes, std::size_t at) {
  return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
         std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

// The files under a folder, as paths relative to it.
std::set<std::string> FilesUnder(const fs::path& folder) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    files.insert(fs::relative(entry.path(), folder).string());
  }
  return files;
}

void Trigger(const char* item) {
  MenuBar1::Instance()->Item(QString::fromLatin1(item))->trigger();
}

}  // namespace

class CommandTest : public QObject {
  Q_OBJECT

 private:
  WindowZembra* window_ = nullptr;
  std::unique_ptr<TempDir> samples_;
  std::unique_ptr<TempDir> out_;

  // A folder with two usable samples, one ordinary VAG file and another file.
  void MakeSamples() {
    samples_ = std::make_unique<TempDir>();
    WriteFile(*samples_ / "kick.vag", MakeVag(64, true));
    WriteFile(*samples_ / "snare.raw", MakeVag(100, true, 0x50, 22050));
    WriteFile(*samples_ / "plain.vag", MakeVag(64, false));
    WriteFile(*samples_ / "notes.txt", "hello");
    fs::create_directory(*samples_ / "sub");
    WriteFile(*samples_ / "sub" / "deep.vag", MakeVag(64, true));
  }

  void LoadSamples() {
    Dialogs().folder_answers.push_back(samples_->path());
    window_->btnLoad()->click();
    QCOMPARE(RowsOf(window_->lstFiles()), QStringList({"kick.vag", "snare.raw"}));
  }

  void DropPool(std::size_t track, std::vector<std::string> names) {
    SampleDrag drag;
    drag.origin = SampleDrag::kFromPool;
    drag.texts = std::move(names);
    std::unique_ptr<QMimeData> data(MakeSampleMimeData(drag));
    QVERIFY(DropOn(window_->lstTrack(track), *data));
  }

 private Q_SLOTS:
  void init() {
    Dialogs().Reset();
    App().set_workingdir("");
    App().SetCompressor(&Zlib);
    window_ = WindowZembra::Instance();
    MakeSamples();
    out_ = std::make_unique<TempDir>();
  }

  void cleanup() {
    QCOMPARE(Dialogs().unanswered, 0);
    delete Windowvagflip::Existing();
    delete WindowZembra::Existing();
  }

  void LoadFolderFillsThePoolAndSetsTheWorkingFolder() {
    LoadSamples();
    QCOMPARE(App().workingdir(), samples_->path().string());
    QVERIFY(Dialogs().messages.isEmpty());
    // A cancelled chooser leaves pool and working folder alone.
    Dialogs().folder_answers.push_back(std::nullopt);
    Trigger("FileSelectVAGFolder");
    QCOMPARE(Dialogs().folder_questions, 2);
    QCOMPARE(window_->lstFiles()->count(), 2);
    QCOMPARE(App().workingdir(), samples_->path().string());
  }

  void MenuAndButtonLoadTheSame() {
    Dialogs().folder_answers.push_back(samples_->path());
    Trigger("FileSelectVAGFolder");
    const QStringList from_menu = RowsOf(window_->lstFiles());
    LoadSamples();
    QCOMPARE(RowsOf(window_->lstFiles()), from_menu);
  }

  void FolderWithoutUsableSamplesSaysSo() {
    TempDir empty;
    fs::create_directory(empty / "only_a_folder");
    WriteFile(empty / "only_a_folder" / "a.vag", MakeVag(64, true));
    WriteFile(empty / "ordinary.vag", MakeVag(64, false));
    LoadSamples();
    Dialogs().folder_answers.push_back(empty.path());
    window_->GetGoodVAGs();
    QCOMPARE(window_->lstFiles()->count(), 0);
    QCOMPARE(App().workingdir(), empty.path().string());
    QCOMPARE(Dialogs().messages,
             QStringList({"No useable VAG files found. Perhaps you need to patch them?"}));
  }

  void UnlistableFolderIsReported() {
    LoadSamples();
    const fs::path not_a_folder = *samples_ / "kick.vag";
    Dialogs().folder_answers.push_back(not_a_folder);
    window_->GetGoodVAGs();
    QCOMPARE(window_->lstFiles()->count(), 0);
    QCOMPARE(Dialogs().messages.size(), 1);
    QVERIFY2(Dialogs().messages[0].contains(QString::fromStdString(not_a_folder.string())),
             qPrintable(Dialogs().messages[0]));
  }

  void TempoIsCheckedBeforeAnyDialog() {
    for (const char* tempo : {"BPM", "0", "", "-120", "120.5"}) {
      Dialogs().Reset();
      window_->txtBPM()->setText(QString::fromLatin1(tempo));
      window_->btnSave()->click();
      QCOMPARE(Dialogs().messages, QStringList({"Tempo needs to be a positive integer"}));
      QVERIFY(Dialogs().save_requests.empty());
    }
    Dialogs().Reset();
    Trigger("FileCreateBJS");  // the menu item runs the same check
    QCOMPARE(Dialogs().messages, QStringList({"Tempo needs to be a positive integer"}));
  }

  void SaveDialogOpensInTheWorkingFolderOrHome() {
    window_->txtBPM()->setText(QStringLiteral("120"));
    Dialogs().save_answers.push_back(std::nullopt);
    window_->btnSave()->click();
    QCOMPARE(Dialogs().save_requests.size(), std::size_t(1));
    QCOMPARE(QStringFromPath(Dialogs().save_requests[0].initial_directory), QDir::homePath());
    QCOMPARE(Dialogs().save_requests[0].suggested_name, QStringLiteral("Name.bjs"));
    QCOMPARE(Dialogs().save_requests[0].filter, QStringLiteral("*.bjs"));

    LoadSamples();
    window_->txtNAME()->setText(QStringLiteral("AC/DC"));
    Dialogs().save_answers.push_back(std::nullopt);
    Trigger("FileCreateBJS");
    QCOMPARE(Dialogs().save_requests.size(), std::size_t(2));
    QCOMPARE(Dialogs().save_requests[1].initial_directory, samples_->path());
    QCOMPARE(Dialogs().save_requests[1].suggested_name, QStringLiteral("AC_DC.bjs"));
    // Cancelling writes nothing anywhere and says nothing.
    QVERIFY(Dialogs().messages.isEmpty());
    QVERIFY(FilesUnder(out_->path()).empty());
    QCOMPARE(FilesUnder(samples_->path()).size(), std::size_t(6));
  }

  void CreateBjsWritesSongAndArchive() {
    LoadSamples();
    DropPool(0, {"kick.vag", "snare.raw"});
    DropPool(7, {"snare.raw"});
    window_->txtNAME()->setText(QStringLiteral("My Song"));
    window_->txtAUTH()->setText(QStringLiteral("Me"));
    window_->txtBPM()->setText(QStringLiteral(" 128 "));
    window_->txtTrack(7)->setText(QStringLiteral("Lead"));
    window_->txtPage(1)->setText(QStringLiteral("Verse"));

    const fs::path song = *out_ / "song.bjs";
    for (int round = 0; round < 2; ++round) {  // a second save replaces both files
      Dialogs().save_answers.push_back(song);
      window_->btnSave()->click();
      QCOMPARE(Dialogs().messages, QStringList());
      QCOMPARE(FilesUnder(out_->path()),
               (std::set<std::string>{"song.bjs", "JAM_0002", "JAM_0002/BULK.BAR"}));
    }

    const Result<SongFile> read = SongFile::Read(song);
    QVERIFY2(read.ok(), read.ok() ? "" : read.error().message.c_str());
    const SongSummary& summary = read->summary();
    QCOMPARE(summary.title, std::string("My Song"));
    QCOMPARE(summary.artist, std::string("Me"));
    QCOMPARE(summary.tempo, 128);
    QCOMPARE(summary.samples.size(), std::size_t(3));
    const Bytes kick = ReadFile(*samples_ / "kick.vag");
    const Bytes snare = ReadFile(*samples_ / "snare.raw");
    const auto sample0 = read->SampleBytes(0);
    const auto sample2 = read->SampleBytes(2);
    QVERIFY(Bytes(sample0.begin(), sample0.end()) == kick);
    QVERIFY(Bytes(sample2.begin(), sample2.end()) == snare);
    QCOMPARE(summary.tracks.size(), std::size_t(2));
    QCOMPARE(summary.tracks[1].name, std::string("Lead"));
    QCOMPARE(summary.pages.at(1).name, std::string("Verse"));

    // The archive: fixed header, the sizes, and the song packed whole.
    const Bytes song_bytes = ReadFile(song);
    const Bytes bar = ReadFile(*out_ / "JAM_0002" / "BULK.BAR");
    const Bytes header = {0xE1, 0x17, 0xEF, 0xAD, 0, 0, 0,    1,    0,    0, 0, 0, 0, 0,
                          0,    0,    1,    0,    0, 0, 0x4D, 0x5C, 0x5D, 0, 0, 0, 0, 0};
    QVERIFY(std::equal(header.begin(), header.end(), bar.begin()));
    QCOMPARE(Le32(bar, 28), static_cast<std::uint32_t>(song_bytes.size()));
    QCOMPARE(static_cast<std::size_t>(Le32(bar, 32)) + 36, bar.size());
    QVERIFY(Unzlib(bar.data() + 36, bar.size() - 36, song_bytes.size()) == song_bytes);

    // Menu and button write the same song.
    const fs::path again = *out_ / "again.bjs";
    Dialogs().save_answers.push_back(again);
    Trigger("FileCreateBJS");
    QVERIFY(ReadFile(again) == song_bytes);
  }

  // The same road with the real plug-in bound as at start-up.
  void ArchiveIsPackedByThePlugin() {
    const Status bound = _InitPluginEntrypoints(ZEMBRA_TEST_PLUGIN);
    QVERIFY2(bound.ok(), bound.ok() ? "" : bound.error().message.c_str());
    App().SetCompressor(&CompressBytes);
    LoadSamples();
    DropPool(4, {"snare.raw", "kick.vag"});
    window_->txtBPM()->setText(QStringLiteral("90"));
    const fs::path song = *out_ / "plugin.bjs";
    Dialogs().save_answers.push_back(song);
    window_->btnSave()->click();
    QCOMPARE(Dialogs().messages, QStringList());
    const Bytes song_bytes = ReadFile(song);
    const Bytes bar = ReadFile(*out_ / "JAM_0002" / "BULK.BAR");
    QCOMPARE(Le32(bar, 28), static_cast<std::uint32_t>(song_bytes.size()));
    QCOMPARE(static_cast<std::size_t>(Le32(bar, 32)) + 36, bar.size());
    QVERIFY(Unzlib(bar.data() + 36, bar.size() - 36, song_bytes.size()) == song_bytes);
  }

  void FailuresAreShownNamingFileAndReason() {
    LoadSamples();
    DropPool(0, {"kick.vag", "gone.vag"});
    window_->txtBPM()->setText(QStringLiteral("100"));
    const fs::path song = *out_ / "song.bjs";
    Dialogs().save_answers.push_back(song);
    window_->btnSave()->click();
    QCOMPARE(Dialogs().messages.size(), 1);
    QVERIFY2(Dialogs().messages[0].contains(QStringLiteral("gone.vag")),
             qPrintable(Dialogs().messages[0]));
    QVERIFY(FilesUnder(out_->path()).empty());

    // A plain file where the song's folder must be.
    window_->lstTrack(0)->clearSelection();
    window_->lstTrack(0)->item(1)->setSelected(true);
    QTest::keyClick(window_->lstTrack(0), Qt::Key_Delete);
    WriteFile(*out_ / "blocker", "x");
    Dialogs().Reset();
    Dialogs().save_answers.push_back(*out_ / "blocker" / "song.bjs");
    window_->btnSave()->click();
    QCOMPARE(Dialogs().messages.size(), 1);
    QVERIFY2(Dialogs().messages[0].contains(QStringLiteral("blocker")),
             qPrintable(Dialogs().messages[0]));

    // The archive cannot be packed: the song and its archive change
    // together, so neither is written, and the failure is shown.
    App().SetCompressor([](std::string_view, int) { return std::string(); });
    Dialogs().Reset();
    Dialogs().save_answers.push_back(song);
    window_->btnSave()->click();
    QCOMPARE(Dialogs().messages.size(), 1);
    QVERIFY(!fs::exists(song));
    QVERIFY(!fs::exists(*out_ / "JAM_0002" / "BULK.BAR"));

    // No plug-in bound at all: the same, never a silent success.
    App().SetCompressor(nullptr);
    Dialogs().Reset();
    Dialogs().save_answers.push_back(song);
    window_->btnSave()->click();
    QCOMPARE(Dialogs().messages.size(), 1);
    QVERIFY(Dialogs().messages[0].contains(QStringLiteral("plug-in")));
  }

  // A failure at the archive step: the message says what is on disk, and an
  // earlier song and archive stay as they were.
  void FailedArchiveStepSaysWhatWasWritten() {
    LoadSamples();
    DropPool(0, {"kick.vag"});
    window_->txtBPM()->setText(QStringLiteral("100"));
    const fs::path song = *out_ / "song.bjs";
    const fs::path archive = *out_ / "JAM_0002" / "BULK.BAR";
    const QString nothing =
        QStringLiteral("Nothing was written: neither the song nor its archive.");

    WriteFile(*out_ / "JAM_0002", "x");
    Dialogs().save_answers.push_back(song);
    window_->btnSave()->click();
    QCOMPARE(Dialogs().messages.size(), 1);
    QStringList lines = Dialogs().messages[0].split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], nothing);
    QVERIFY2(lines[1].contains(QStringLiteral("JAM_0002")) && lines[1].contains("in the way"),
             qPrintable(lines[1]));
    QVERIFY(!fs::exists(song));

    fs::remove(*out_ / "JAM_0002");
    Dialogs().Reset();
    Dialogs().save_answers.push_back(song);
    window_->btnSave()->click();
    QCOMPARE(Dialogs().messages, QStringList());
    const Bytes earlier_song = ReadFile(song);
    const Bytes earlier_archive = ReadFile(archive);
    window_->txtNAME()->setText(QStringLiteral("Changed"));
    App().SetCompressor([](std::string_view, int) { return std::string(); });
    Dialogs().Reset();
    Dialogs().save_answers.push_back(song);
    window_->btnSave()->click();
    QCOMPARE(Dialogs().messages.size(), 1);
    lines = Dialogs().messages[0].split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], nothing);
    QVERIFY2(lines[1].contains(QStringLiteral("BULK.BAR")), qPrintable(lines[1]));
    QCOMPARE(lines[2], QStringLiteral("Left as it was: \"%1\"").arg(QStringFromPath(song)));
    QCOMPARE(lines[3], QStringLiteral("Left as it was: \"%1\"").arg(QStringFromPath(archive)));
    QVERIFY(ReadFile(song) == earlier_song);
    QVERIFY(ReadFile(archive) == earlier_archive);
  }

  // The rarer outcomes, where only one of the pair was replaced.
  void FailureMessageFollowsWhatWasWritten() {
    SongPairResult result;
    result.error = Error{"Cannot rename \"x\": No space left on device."};
    result.song = *out_ / "song.bjs";
    result.archive = *out_ / "JAM_0002" / "BULK.BAR";
    result.song_written = true;
    WriteFile(result.song, "new");
    const QString written = QStringLiteral("Written: \"%1\"").arg(QStringFromPath(result.song));
    QCOMPARE(CreateBjsFailureMessage(result).split(QLatin1Char('\n')),
             QStringList({"The song was written, but its archive was not.",
                          "Cannot rename \"x\": No space left on device.", written}));
    fs::create_directory(*out_ / "JAM_0002");
    WriteFile(result.archive, "earlier");
    QCOMPARE(
        CreateBjsFailureMessage(result).split(QLatin1Char('\n')).mid(2),
        QStringList({written,
                     QStringLiteral("Left as it was: \"%1\"").arg(QStringFromPath(result.archive)),
                     "The archive there still holds an earlier song."}));
    result.song_written = false;
    result.archive_written = true;
    QVERIFY(CreateBjsFailureMessage(result).startsWith(
        QStringLiteral("The archive was written, but the song was not.\n")));
    QVERIFY(CreateBjsFailureMessage(result).endsWith(
        QStringLiteral("The song there is an earlier one; the archive does not hold it.")));
  }

  void PatchCommandOpensOneFreshPatcher() {
    QVERIFY(Windowvagflip::Existing() == nullptr);
    Trigger("ToolsPatchVAGFiles");
    Windowvagflip* patcher = Windowvagflip::Existing();
    QVERIFY(patcher != nullptr);
    QVERIFY(patcher->isVisible());
    patcher->lstFiles()->addItem(QStringLiteral("kept"));
    Trigger("ToolsPatchVAGFiles");
    QCOMPARE(Windowvagflip::Existing(), patcher);
    QCOMPARE(patcher->lstFiles()->count(), 1);
    patcher->btnCancel()->click();
    QTRY_VERIFY(Windowvagflip::Existing() == nullptr);
    Trigger("ToolsPatchVAGFiles");
    QVERIFY(Windowvagflip::Existing() != nullptr);
    QCOMPARE(Windowvagflip::Existing()->lstFiles()->count(), 0);
    QVERIFY(!Windowvagflip::Existing()->btnPatch()->isEnabled());
  }
};

ZEMBRA_GUI_TEST(CommandTest)

}  // namespace zembra::test

#include "command_test.moc"
