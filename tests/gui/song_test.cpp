// Open Song and Save Sheet: a song opened in the window is created again byte
// for byte; its samples are matched in the working folder or written beside
// it; the sheet saved as a description opens again as it was; a file that is
// no song is refused with one message and the sheet left alone.

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

#include "gui/dialog_service.h"
#include "gui/menu_bar.h"
#include "gui/pool_list.h"
#include "gui/track_list.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "song/sheet_history.h"
#include "songfile/song_description.h"
#include "songfile/write_song.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

void Trigger(const char* item) {
  MenuBar1::Instance()->Item(QString::fromLatin1(item))->trigger();
}

std::string PackNothing(std::string_view bytes, int /*level*/) {
  return std::string(bytes);
}

}  // namespace

class SongTest : public QObject {
  Q_OBJECT

 private:
  WindowZembra* window_ = nullptr;
  std::unique_ptr<TempDir> samples_;
  std::unique_ptr<TempDir> out_;
  fs::path song_;

  // A song written by the core from a sheet the window never saw.
  void MakeSong() {
    samples_ = std::make_unique<TempDir>();
    WriteFile(*samples_ / "kick.vag", MakeVag(64, true));
    WriteFile(*samples_ / "\u00e9cho.vag", MakeVag(90, true, 0x60));
    SongSheet sheet;
    sheet.SetTitle("Caf\u00e9");
    sheet.SetArtist("Zembra");
    sheet.SetTempoText("96");
    sheet.DropTexts(0, {"kick.vag", "\u00e9cho.vag", "kick.vag"});
    sheet.SetTrackName(0, "Beat");
    sheet.DropTexts(9, {"\u00e9cho.vag"});
    sheet.SetTrackName(9, "");
    sheet.SetPageName(1, "Zwei");
    out_ = std::make_unique<TempDir>();
    song_ = *out_ / "song.bjs";
    QVERIFY(WriteSongFile(sheet, samples_->path(), song_).ok());
  }

  void Open(const fs::path& file) {
    Dialogs().open_answers.push_back(file);
    Trigger("FileOpenSong");
  }

  // Create BJS into `to`; true when the song there equals the opened one.
  bool CreatesTheSameSong(const fs::path& to) {
    Dialogs().save_answers.push_back(to);
    window_->btnSave()->click();
    return Dialogs().messages.isEmpty() && ReadFile(to) == ReadFile(song_);
  }

 private Q_SLOTS:
  void init() {
    Dialogs().Reset();
    App().set_workingdir("");
    App().SetCompressor(&PackNothing);
    window_ = WindowZembra::Instance();
    MakeSong();
  }

  void cleanup() {
    QCOMPARE(Dialogs().unanswered, 0);
    delete WindowZembra::Existing();
  }

  void OpenedSongIsCreatedAgainByteForByte() {
    Open(song_);
    QCOMPARE(Dialogs().open_requests.size(), std::size_t(1));
    QVERIFY(Dialogs().open_requests[0].filter.contains(QStringLiteral("*.bjs")));
    QVERIFY(Dialogs().open_requests[0].filter.contains(QStringLiteral("*.json")));
    QVERIFY(Dialogs().messages.isEmpty());
    // No folder was chosen: the samples go to one named after the song.
    const fs::path folder = *out_ / "song";
    QCOMPARE(App().workingdir(), folder.string());
    QCOMPARE(RowsOf(window_->lstFiles()), QStringList({"sample00.vag", "sample01.vag"}));
    QCOMPARE(RowsOf(window_->lstTrack(0)),
             QStringList({"sample00.vag", "sample01.vag", "sample00.vag"}));
    // Track 9 stood on page 2, which the song does not lay out: it comes back first there.
    QCOMPARE(RowsOf(window_->lstTrack(8)), QStringList({"sample01.vag"}));
    QCOMPARE(window_->txtTrack(0)->text(), QStringLiteral("Beat"));
    QCOMPARE(window_->txtNAME()->text(), QStringLiteral("Caf\u00e9"));
    QCOMPARE(window_->txtBPM()->text(), QStringLiteral("96"));
    QCOMPARE(window_->tabPages()->tabText(1), QStringLiteral("Zwei"));
    QCOMPARE(window_->sheet_file(), *out_ / "song.json");
    QVERIFY(CreatesTheSameSong(*out_ / "again.bjs"));
  }

  void OpenMatchesTheWorkingFolderWritingNothingThere() {
    Dialogs().folder_answers.push_back(samples_->path());
    window_->GetGoodVAGs();
    window_->txtNAME()->setText(QStringLiteral("Other"));
    Open(song_);
    QVERIFY(Dialogs().messages.isEmpty());
    QCOMPARE(App().workingdir(), samples_->path().string());
    QCOMPARE(RowsOf(window_->lstTrack(0)), QStringList({"kick.vag", "\u00e9cho.vag", "kick.vag"}));
    QCOMPARE(std::distance(fs::directory_iterator(samples_->path()), fs::directory_iterator()), 2);
    QVERIFY(CreatesTheSameSong(*out_ / "again.bjs"));
  }

  void SavedSheetOpensAgainAsItWas() {
    Open(song_);
    window_->txtTrack(7)->setText(QStringLiteral("Only in the sheet"));
    window_->txtBPM()->setText(QStringLiteral("BPM"));  // not a tempo, kept as typed
    Dialogs().save_answers.push_back(*out_ / "mine.json");
    Trigger("FileSaveSheet");
    QCOMPARE(Dialogs().save_requests.size(), std::size_t(1));
    QCOMPARE(Dialogs().save_requests[0].initial_directory, out_->path());
    QCOMPARE(Dialogs().save_requests[0].suggested_name, QStringLiteral("song.json"));
    QCOMPARE(Dialogs().save_requests[0].filter, QStringLiteral("*.json"));
    QVERIFY(Dialogs().messages.isEmpty());
    const SheetContent saved = SheetContent::Of(window_->sheet());

    // It remembers where it saved.
    Dialogs().save_answers.push_back(std::nullopt);
    Trigger("FileSaveSheet");
    QCOMPARE(Dialogs().save_requests[1].suggested_name, QStringLiteral("mine.json"));

    delete WindowZembra::Existing();
    App().set_workingdir("");
    window_ = WindowZembra::Instance();
    Open(*out_ / "mine.json");
    QVERIFY(Dialogs().messages.isEmpty());
    QVERIFY(SheetContent::Of(window_->sheet()) == saved);
    QCOMPARE(window_->txtTrack(7)->text(), QStringLiteral("Only in the sheet"));
    QCOMPARE(App().workingdir(), (*out_ / "song").string());
    QCOMPARE(RowsOf(window_->lstFiles()), QStringList({"sample00.vag", "sample01.vag"}));
    window_->txtBPM()->setText(QStringLiteral("96"));
    window_->txtTrack(7)->setText(QString());
    QVERIFY(CreatesTheSameSong(*out_ / "again.bjs"));
  }

  void FilesThatAreNoSongLeaveTheSheetAlone() {
    Dialogs().folder_answers.push_back(samples_->path());
    window_->GetGoodVAGs();
    window_->txtNAME()->setText(QStringLiteral("Keep me"));
    window_->txtPage(2)->setText(QStringLiteral("Mine"));
    const SheetContent kept = SheetContent::Of(window_->sheet());

    Bytes cut = ReadFile(song_);
    cut.resize(cut.size() / 2);
    WriteFile(*out_ / "cut.bjs", cut);
    WriteFile(*out_ / "text.bjs", "not a song");
    WriteFile(*out_ / "bad.json", "{\"titel\": \"x\"}");
    const fs::path no_folder = *out_ / "samples-here.bjs";
    fs::copy_file(song_, no_folder);
    const std::vector<fs::path> bad = {*out_ / "cut.bjs", *out_ / "text.bjs", *out_ / "bad.json",
                                       *out_ / "missing.bjs", no_folder};
    for (const fs::path& file : bad) {
      Dialogs().messages.clear();
      // With no working folder the song's samples would go to a folder in
      // the place of a plain file.
      App().set_workingdir(file == no_folder ? "" : samples_->path().string());
      WriteFile(*out_ / "samples-here", "a file, not a folder");
      Open(file);
      QCOMPARE(Dialogs().messages.size(), 1);
      const fs::path named = file == no_folder ? *out_ / "samples-here" : file;
      QVERIFY2(Dialogs().messages[0].contains(QString::fromStdString("\"" + named.string() + "\"")),
               qPrintable(Dialogs().messages[0]));
      QVERIFY(SheetContent::Of(window_->sheet()) == kept);
      QCOMPARE(window_->txtNAME()->text(), QStringLiteral("Keep me"));
      QCOMPARE(RowsOf(window_->lstFiles()), QStringList({"kick.vag", "\u00e9cho.vag"}));
    }
  }
};

ZEMBRA_GUI_TEST(SongTest)

}  // namespace zembra::test

#include "song_test.moc"
