// Zembra's start-up: bind the compression plug-in, create the application
// object with its menu bar, open the main window and run until it closes.

#include <QString>

#include <cstdio>

#include "gui/window_zembra.h"
#include "gui/zembra_app.h"
#include "runtime/plugin_binding.h"

int main(int argc, char** argv) {
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
