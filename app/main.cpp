// Zembra's start-up: bind the compression plug-in, create the application
// object with its menu bar, open the main window and run until it closes.

#include <QString>

#include <cstdio>
#include <optional>
#include <string_view>

#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "runtime/plugin_binding.h"

#ifndef ZEMBRA_VERSION
#define ZEMBRA_VERSION "unknown"
#endif

namespace {

constexpr const char* kHelp =
    "Usage: zembra [OPTION]...\n"
    "Build songs for a handheld music game out of VAG samples, in a window.\n"
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

  zembra::WindowZembra::Instance();
  return app.exec();
}
