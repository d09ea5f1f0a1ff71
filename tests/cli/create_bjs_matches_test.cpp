// The window's Create BJS and `zembra-cli build` write the same bytes for the
// same sheet and working folder: both the song and JAM_0002/BULK.BAR.

#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <optional>

#include "gui/dialog_service.h"
#include "gui/sample_drag.h"
#include "gui/track_list.h"
#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "runtime/plugin_binding.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

// Answers the window's two dialogs with fixed paths and keeps its messages.
class FixedDialogs : public DialogService {
 public:
  fs::path folder;
  fs::path song;
  QStringList messages;

  std::optional<fs::path> SelectFolder(QWidget*) override { return folder; }
  std::optional<fs::path> OpenFile(QWidget*, const OpenRequest&) override { return std::nullopt; }
  std::optional<fs::path> SaveAs(QWidget*, const SaveRequest&) override { return song; }
  void ShowMessage(QWidget*, const QString& text) override { messages << text; }
};

FixedDialogs* dialogs = nullptr;

// Drops sample names from the pool onto a track the way a drag delivers them.
void DropFromPool(WindowZembra& window, std::size_t track, std::vector<std::string> names) {
  SampleDrag drag;
  drag.origin = SampleDrag::kFromPool;
  for (std::size_t i = 0; i < names.size(); ++i) drag.rows.push_back(i);
  drag.texts = std::move(names);
  std::unique_ptr<QMimeData> data(MakeSampleMimeData(drag));
  QWidget* target = window.lstTrack(track)->viewport();
  const QPoint pos(5, 5);
  QDragEnterEvent enter(pos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDragMoveEvent move(pos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &move);
  QDropEvent drop(QPointF(pos), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
}

}  // namespace

class CreateBjsMatchesCli : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanupTestCase() { delete WindowZembra::Existing(); }

  void SameSheetSameBytes() {
    TempDir dir;
    fs::create_directories(dir / "samples");
    WriteFile(dir / "samples" / "kick.vag", MakeVag(301, true));
    WriteFile(dir / "samples" / "snare.vag", MakeVag(64, true, 0x20, 22050));
    WriteFile(dir / "samples" / "hat.vag", MakeVag(1000, true));
    fs::create_directories(dir / "window");
    fs::create_directories(dir / "cli");

    WindowZembra& window = *WindowZembra::Instance();
    dialogs->folder = dir / "samples";
    window.GetGoodVAGs();
    window.txtNAME()->setText(QString::fromUtf8("Smörgås"));
    window.txtAUTH()->setText("Band");
    window.txtBPM()->setText(" 133 ");
    window.txtTrack(0)->setText("Beat");
    window.txtTrack(6)->setText("Hats");
    window.txtPage(1)->setText("Second");
    DropFromPool(window, 0, {"kick.vag", "snare.vag", "kick.vag"});
    DropFromPool(window, 6, {"hat.vag"});
    DropFromPool(window, 15, {"snare.vag", "hat.vag"});
    QCOMPARE(window.sheet().Track(0).SampleNames.size(), std::size_t{3});

    dialogs->song = dir / "window" / "song.bjs";
    window.WriteBJS();
    QVERIFY2(dialogs->messages.isEmpty(), qPrintable(dialogs->messages.join('\n')));

    WriteFile(dir / "song.json", R"({"title": "Smörgås", "artist": "Band", "tempo": " 133 ",
        "samples_dir": "samples", "pages": ["Page0", "Second"],
        "tracks": [{"name": "Beat", "samples": ["kick.vag", "snare.vag", "kick.vag"]},
                   {}, {}, {}, {}, {}, {"name": "Hats", "samples": ["hat.vag"]},
                   {}, {}, {}, {}, {}, {}, {}, {}, {"samples": ["snare.vag", "hat.vag"]}]})");
    const CliRun run =
        RunCli({"build", (dir / "song.json").string(), "-o", (dir / "cli" / "song.bjs").string()});
    QVERIFY2(run.status == 0, run.err.c_str());

    const Bytes song = ReadFile(dir / "window" / "song.bjs");
    QVERIFY(song.size() > 536 + 301 + 64 + 1000);
    QVERIFY(song == ReadFile(dir / "cli" / "song.bjs"));
    QVERIFY(ReadFile(dir / "window" / "JAM_0002" / "BULK.BAR") ==
            ReadFile(dir / "cli" / "JAM_0002" / "BULK.BAR"));
  }
};

}  // namespace zembra::test

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Bound before the application object, as the program does at start-up.
  const zembra::Status bound = zembra::_InitPluginEntrypoints();
  if (!bound) {
    std::fprintf(stderr, "%s\n", bound.error().message.c_str());
    return EXIT_FAILURE;
  }
  zembra::ZembraApp app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  app.SetCompressor(&zembra::CompressBytes);
  auto scripted = std::make_unique<zembra::test::FixedDialogs>();
  zembra::test::dialogs = scripted.get();
  app.SetDialogService(std::move(scripted));
  zembra::test::CreateBjsMatchesCli test;
  return QTest::qExec(&test, argc, argv);
}

#include "create_bjs_matches_test.moc"
