#pragma once

#include <QApplication>

#include <functional>
#include <memory>
#include <string>

#include "archive/bar_writer.h"
#include "gui/dialog_service.h"

namespace zembra {

// The one application object. It holds the working folder (the folder of
// samples chosen last), the dialog service every window asks through, and the
// function that packs songs into archives.
class ZembraApp : public QApplication {
  Q_OBJECT

 public:
  ZembraApp(int& argc, char** argv);
  ~ZembraApp() override;

  // The POSIX path of the folder chosen last; empty until one is chosen.
  const std::string& workingdir() const { return workingdir_; }
  void set_workingdir(std::string folder) { workingdir_ = std::move(folder); }

  DialogService& dialogs() { return *dialogs_; }
  void SetDialogService(std::unique_ptr<DialogService> dialogs);

  const CompressFunction& compressor() const { return compressor_; }
  void SetCompressor(CompressFunction compress) { compressor_ = std::move(compress); }

  // Ends the event loop; the process then exits with `code`.
  void Quit(int code);
  // Replaces what Quit does (tests record the request instead of leaving).
  void SetQuitHandler(std::function<void(int)> handler) { quit_handler_ = std::move(handler); }

 private:
  std::string workingdir_;
  std::unique_ptr<DialogService> dialogs_;
  CompressFunction compressor_;
  std::function<void(int)> quit_handler_;
};

// The application object; only valid while a ZembraApp exists.
ZembraApp& App();

}  // namespace zembra
