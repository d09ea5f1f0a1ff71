// Zembra's start-up: bind the compression plug-in, create the application
// object with its menu bar, open the main window and run until it closes.

#include <QMetaObject>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "runtime/plugin_binding.h"

#ifndef ZEMBRA_VERSION
#define ZEMBRA_VERSION "unknown"
#endif

namespace {

constexpr const char* kHelp =
    "Usage: zembra [OPTION]... [SONG]\n"
    "Build songs for a handheld music game out of VAG samples, in a window.\n"
    "SONG, a .bjs song or a .json song description, is opened at start.\n"
    "\n"
    "Choose a folder of VAG samples, drag them onto sixteen tracks (four pages of\n"
    "four tracks), name the tracks, the pages, the song and its artist, type a tempo\n"
    "and press Create BJS: Zembra writes the .bjs song and JAM_0002/BULK.BAR beside it.\n"
    "Tools > Patch VAG Files converts samples whose header is still big-endian.\n"
    "\n"
    "Options:\n"
    "  -h, --help     display this help and exit\n"
    "      --version  output version information and exit\n"
    "\n"
    "Qt's standard options, such as -platform and -style, are accepted too.\n";

// Help and version are answered before anything needs a display, so they
// work in any terminal (the manual page is made from them at build time).
std::optional<int> AnswerInformationOptions(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("zembra %s\n", ZEMBRA_VERSION);
      return 0;
    }
  }
  return std::nullopt;
}

// The first argument that is not an option, made absolute so that the sheet
// remembers where it came from whatever the folder later.
std::optional<std::filesystem::path> SongArgument(int argc, char** argv) {
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_end && arg == "--") {
      options_end = true;
    } else if (options_end || arg.empty() || arg.front() != '-') {
      const std::filesystem::path song(argv[i]);
      std::error_code ec;
      const std::filesystem::path absolute = std::filesystem::absolute(song, ec);
      return ec ? song : absolute;
    }
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> answered = AnswerInformationOptions(argc, argv)) return *answered;

  // The plug-in is bound before the application object and any window exist;
  // without it no song could ever be packed, so Zembra does not start.
  const zembra::Status bound = zembra::_InitPluginEntrypoints();

  zembra::ZembraApp app(argc, argv);
  if (!bound) {
    std::fprintf(stderr, "zembra: %s\n", bound.error().message.c_str());
    app.dialogs().ShowMessage(nullptr, QString::fromStdString(bound.error().message));
    return 1;
  }
  app.SetCompressor(&zembra::CompressBytes);
  // Closing the main window ends the program, even with the patcher still open.
  app.setQuitOnLastWindowClosed(false);

  zembra::WindowZembra* window = zembra::WindowZembra::Instance();
  // A song named on the command line (a file manager opens songs this way)
  // is opened once the window is up, so a failure is shown over it. Qt has
  // taken its own options out of argv by now.
  if (const std::optional<std::filesystem::path> song = SongArgument(argc, argv)) {
    QMetaObject::invokeMethod(
        window, [window, song] { window->OpenSong(*song); }, Qt::QueuedConnection);
  }
  return app.exec();
}
