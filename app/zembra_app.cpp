#include "app/zembra_app.h"

#include <QWidget>

namespace zembra {

ZembraApp::ZembraApp(int& argc, char** argv)
    : QApplication(argc, argv), dialogs_(std::make_unique<QtDialogService>()) {
  setApplicationName(QStringLiteral("Zembra"));
  setApplicationDisplayName(QStringLiteral("Zembra"));
  setDesktopFileName(QStringLiteral("zembra"));
}

ZembraApp::~ZembraApp() {
  // The windows go before the application object they depend on.
  const QWidgetList windows = topLevelWidgets();
  for (QWidget* window : windows) {
    if (window->parent() == nullptr) {
      delete window;
    }
  }
}

void ZembraApp::SetDialogService(std::unique_ptr<DialogService> dialogs) {
  dialogs_ = std::move(dialogs);
}

void ZembraApp::Quit(int code) {
  if (quit_handler_) {
    quit_handler_(code);
  } else {
    exit(code);
  }
}

ZembraApp& App() {
  return *static_cast<ZembraApp*>(QCoreApplication::instance());
}

}  // namespace zembra
