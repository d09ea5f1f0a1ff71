#pragma once

#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace zembra {

// What a save dialog opens with.
struct SaveRequest {
  std::filesystem::path initial_directory;
  QString suggested_name;
  QString filter;  // a name filter such as "*.bjs"
};

// What an open dialog opens with.
struct OpenRequest {
  std::filesystem::path initial_directory;
  QString filter;  // name filters such as "Songs (*.bjs *.json)", ";;" between them
};

// Every modal question and message of the application goes through this one
// service, so the windows never open a dialog themselves and tests can answer
// them without blocking.
class DialogService {
 public:
  virtual ~DialogService() = default;

  // The chosen folder, or nothing when the user cancels.
  virtual std::optional<std::filesystem::path> SelectFolder(QWidget* parent) = 0;
  // The chosen existing file, or nothing when the user cancels.
  virtual std::optional<std::filesystem::path> OpenFile(QWidget* parent,
                                                        const OpenRequest& request) = 0;
  // The chosen file, or nothing when the user cancels.
  virtual std::optional<std::filesystem::path> SaveAs(QWidget* parent,
                                                      const SaveRequest& request) = 0;
  // Shows the text and returns once the user has dismissed it.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // The chosen existing files; empty when the user cancels (as a service
  // that cannot ask always does).
  virtual std::vector<std::filesystem::path> OpenFiles(QWidget* /*parent*/,
                                                       const OpenRequest& /*request*/) {
    return {};
  }
  // Shows the folder holding `file` in the desktop's file manager.
  virtual void ShowInFolder(QWidget* /*parent*/, const std::filesystem::path& /*file*/) {}
};

// The real dialogs of the toolkit.
class QtDialogService : public DialogService {
 public:
  std::optional<std::filesystem::path> SelectFolder(QWidget* parent) override;
  std::optional<std::filesystem::path> OpenFile(QWidget* parent,
                                                const OpenRequest& request) override;
  std::optional<std::filesystem::path> SaveAs(QWidget* parent, const SaveRequest& request) override;
  void ShowMessage(QWidget* parent, const QString& text) override;
  std::vector<std::filesystem::path> OpenFiles(QWidget* parent,
                                               const OpenRequest& request) override;
  void ShowInFolder(QWidget* parent, const std::filesystem::path& file) override;
};

// File names travel between the toolkit and the file system as the bytes the
// file system holds, so names that are not valid text survive the round trip.
std::filesystem::path PathFromQString(const QString& text);
QString QStringFromPath(const std::filesystem::path& path);

}  // namespace zembra
