// The VAG Flipper window through its states: empty, loaded, patched and
// closed, cancelled, and the files it could not patch.

#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "gui/pool_list.h"
#include "gui/window_vagflip.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

QString Shown(const fs::path& path) {
  return QString::fromStdString(path.string());
}

}  // namespace

class PatcherTest : public QObject {
  Q_OBJECT

 private:
  Windowvagflip* patcher_ = nullptr;
  std::unique_ptr<TempDir> folder_;
  Bytes ordinary_;

  // Two ordinary files (natural order puts a2 before a10), one in the game's
  // form, one that is no VAG file, and a subfolder holding an ordinary one.
  void MakeFolder() {
    folder_ = std::make_unique<TempDir>();
    ordinary_ = MakeVag(48, false, 0x1000, 44100);
    WriteFile(*folder_ / "a10.vag", ordinary_);
    WriteFile(*folder_ / "a2.vag", ordinary_);
    WriteFile(*folder_ / "game.vag", MakeVag(48, true));
    WriteFile(*folder_ / "other.vag", "pGAV and more bytes than twenty");
    fs::create_directory(*folder_ / "sub");
    WriteFile(*folder_ / "sub" / "inner.vag", ordinary_);
  }

  void Load(const fs::path& folder) {
    Dialogs().folder_answers.push_back(folder);
    patcher_->btnLoad()->click();
  }

 private Q_SLOTS:
  void init() {
    Dialogs().Reset();
    App().set_workingdir("");
    patcher_ = Windowvagflip::Instance(WindowZembra::Instance());
    MakeFolder();
  }

  void cleanup() {
    QCOMPARE(Dialogs().unanswered, 0);
    delete Windowvagflip::Existing();
    delete WindowZembra::Existing();
  }

  void LoadListsFullPathsAndEnablesPatch() {
    QVERIFY(!patcher_->btnPatch()->isEnabled());
    Dialogs().folder_answers.push_back(std::nullopt);
    patcher_->btnLoad()->click();
    QCOMPARE(patcher_->lstFiles()->count(), 0);
    QVERIFY(!patcher_->btnPatch()->isEnabled());

    Load(folder_->path());
    QCOMPARE(RowsOf(patcher_->lstFiles()),
             QStringList({Shown(*folder_ / "a2.vag"), Shown(*folder_ / "a10.vag")}));
    QVERIFY(patcher_->btnPatch()->isEnabled());
    // A folder with nothing to patch empties the list; Patch then only closes.
    TempDir nothing;
    Load(nothing.path());
    QCOMPARE(patcher_->lstFiles()->count(), 0);
    QVERIFY(Dialogs().messages.isEmpty());
    // Return presses the default button, Load Folder.
    Dialogs().folder_answers.push_back(std::nullopt);
    QTest::keyClick(patcher_, Qt::Key_Return);
    QCOMPARE(Dialogs().folder_questions, 4);
  }

  void PatchRewritesTheHeadersAndCloses() {
    Load(folder_->path());
    patcher_->btnPatch()->click();
    QVERIFY(Dialogs().messages.isEmpty());
    QTRY_VERIFY(Windowvagflip::Existing() == nullptr);

    for (const char* name : {"a2.vag", "a10.vag"}) {
      const Bytes patched = ReadFile(*folder_ / name);
      QCOMPARE(patched.size(), ordinary_.size());
      const Bytes expected_header = {'V', 'A', 'G', 'p', 1, 0, 0, 0};
      QVERIFY(std::equal(expected_header.begin(), expected_header.end(), patched.begin()));
      const Bytes sizes = {0x00, 0x10, 0x00, 0x00, 0x44, 0xAC, 0x00, 0x00};
      QVERIFY(std::equal(sizes.begin(), sizes.end(), patched.begin() + 12));
      QVERIFY(std::equal(patched.begin() + 8, patched.begin() + 12, ordinary_.begin() + 8));
      QVERIFY(std::equal(patched.begin() + 20, patched.end(), ordinary_.begin() + 20));
    }
    QVERIFY(ReadFile(*folder_ / "sub" / "inner.vag") == ordinary_);

    // The main window's scan now takes them.
    Dialogs().folder_answers.push_back(folder_->path());
    WindowZembra::Instance()->GetGoodVAGs();
    QCOMPARE(RowsOf(WindowZembra::Instance()->lstFiles()),
             QStringList({"a2.vag", "a10.vag", "game.vag"}));
  }

  void FilesNotPatchedAreListedInOneMessage() {
    Load(folder_->path());
    fs::remove(*folder_ / "a2.vag");
    WriteFile(*folder_ / "a10.vag", MakeVag(48, true));  // patched meanwhile elsewhere
    patcher_->btnPatch()->click();
    QCOMPARE(Dialogs().messages.size(), 1);
    const QString message = Dialogs().messages[0];
    QVERIFY2(message.contains(Shown(*folder_ / "a2.vag")), qPrintable(message));
    QVERIFY2(message.contains(Shown(*folder_ / "a10.vag")), qPrintable(message));
    QTRY_VERIFY(Windowvagflip::Existing() == nullptr);
    QVERIFY(ReadFile(*folder_ / "a10.vag") == MakeVag(48, true));
  }

  void CancelEscapeAndCloseTouchNothing() {
    for (int way = 0; way < 3; ++way) {
      Load(folder_->path());
      if (way == 0) patcher_->btnCancel()->click();
      if (way == 1) QTest::keyClick(patcher_, Qt::Key_Escape);
      if (way == 2) patcher_->close();
      QTRY_VERIFY(Windowvagflip::Existing() == nullptr);
      QVERIFY(ReadFile(*folder_ / "a2.vag") == ordinary_);
      patcher_ = Windowvagflip::Instance(WindowZembra::Instance());
      QCOMPARE(patcher_->lstFiles()->count(), 0);
      QVERIFY(!patcher_->btnPatch()->isEnabled());
    }
    QVERIFY(Dialogs().messages.isEmpty());
  }
};

ZEMBRA_GUI_TEST(PatcherTest)

}  // namespace zembra::test

#include "patcher_test.moc"
