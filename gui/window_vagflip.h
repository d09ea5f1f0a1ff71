#pragma once

#include <QDialog>

#include <filesystem>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace zembra {

// "VAG Flipper": lists the VAG files of a folder whose header is still in the
// ordinary form and patches them in place to the game's form.
class Windowvagflip : public QDialog {
  Q_OBJECT

 public:
  // The open patcher, or a fresh one (shown) when none is open.
  static Windowvagflip* Instance(QWidget* parent = nullptr);
  // The open patcher, or null.
  static Windowvagflip* Existing();

  QLabel* StaticText1() const { return StaticText1_; }
  QListWidget* lstFiles() const { return lstFiles_; }
  QPushButton* btnCancel() const { return btnCancel_; }
  QPushButton* btnLoad() const { return btnLoad_; }
  QPushButton* btnPatch() const { return btnPatch_; }
  const std::vector<std::filesystem::path>& files() const { return files_; }

  void btnLoad_Action();
  void btnPatch_Action();
  void btnCancel_Action();

 protected:
  // Escape is the Cancel button: the window closes and goes.
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  explicit Windowvagflip(QWidget* parent);

  QLabel* StaticText1_ = nullptr;
  QListWidget* lstFiles_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
  QPushButton* btnLoad_ = nullptr;
  QPushButton* btnPatch_ = nullptr;
  std::vector<std::filesystem::path> files_;  // the listed files, exactly as found
};

}  // namespace zembra
