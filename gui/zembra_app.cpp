#include "gui/zembra_app.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>

namespace zembra {

ZembraApp::ZembraApp(int& argc, char** argv)
    : QApplication(argc, argv), dialogs_(std::make_unique<QtDialogService>()) {
  setApplicationName(QStringLiteral("Zembra"));
  setApplicationDisplayName(QStringLiteral("Zembra"));
  setDesktopFileName(QStringLiteral("zembra"));
  // The installed icon (hicolor theme), so window lists and task bars show
  // it; from the build tree there is none and Qt's default stays.
  setWindowIcon(QIcon::fromTheme(QStringLiteral("zembra")));
}

ZembraApp::~ZembraApp() {
  // The windows go before the application object they depend on. Deleting
  // one window deletes the popups and dialogs it owns, so only windows of
  // their own are deleted, each only if still there.
  QList<QPointer<QWidget>> windows;
  for (QWidget* window : topLevelWidgets()) {
    if (window->parent() == nullptr) {
      windows.append(window);
    }
  }
  for (const QPointer<QWidget>& window : windows) {
    delete window.data();
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
