#include "gui/window_vagflip.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

#include "gui/background_task.h"
#include "gui/dialog_service.h"
#include "gui/zembra_app.h"
#include "samples/folder_scan.h"
#include "samples/vag_patch.h"

namespace zembra {
namespace {

QPointer<Windowvagflip>& ThePatcher() {
  static QPointer<Windowvagflip> patcher;
  return patcher;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& rect) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(rect);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

Windowvagflip* Windowvagflip::Instance(QWidget* parent) {
  if (ThePatcher().isNull()) {
    ThePatcher() = new Windowvagflip(parent);
    ThePatcher()->show();
  }
  return ThePatcher().data();
}

Windowvagflip* Windowvagflip::Existing() {
  return ThePatcher().data();
}

Windowvagflip::Windowvagflip(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Windowvagflip"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("VAG Flipper"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(400, 259);

  StaticText1_ = new QLabel(QStringLiteral("Patch VAG files for use in Zembra"), this);
  StaticText1_->setObjectName(QStringLiteral("StaticText1"));
  StaticText1_->setGeometry(20, 14, 360, 20);
  StaticText1_->setAlignment(Qt::AlignCenter);

  lstFiles_ = new QListWidget(this);
  lstFiles_->setObjectName(QStringLiteral("lstFiles"));
  lstFiles_->setGeometry(20, 46, 360, 161);
  // Display only: rows cannot be selected, but a long list still scrolls.
  lstFiles_->setSelectionMode(QAbstractItemView::NoSelection);
  lstFiles_->setFocusPolicy(Qt::NoFocus);
  lstFiles_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lstFiles_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  btnCancel_ = MakeButton(this, "btnCancel", QStringLiteral("Cancel"), QRect(20, 219, 80, 20));
  btnLoad_ = MakeButton(this, "btnLoad", QStringLiteral("Load Folder"), QRect(140, 219, 120, 20));
  btnLoad_->setDefault(true);
  btnPatch_ = MakeButton(this, "btnPatch", QStringLiteral("Patch"), QRect(300, 219, 80, 20));
  btnPatch_->setEnabled(false);

  connect(btnCancel_, &QPushButton::clicked, this, [this] { btnCancel_Action(); });
  connect(btnLoad_, &QPushButton::clicked, this, [this] { btnLoad_Action(); });
  connect(btnPatch_, &QPushButton::clicked, this, [this] { btnPatch_Action(); });
}

void Windowvagflip::btnLoad_Action() {
  DialogService& dialogs = App().dialogs();
  const std::optional<std::filesystem::path> folder = dialogs.SelectFolder(this);
  if (!folder) {
    return;
  }
  lstFiles_->clear();
  files_.clear();
  Result<std::vector<std::filesystem::path>> found = ListFilesNeedingPatch(*folder);
  if (!found) {
    dialogs.ShowMessage(this, QString::fromStdString(found.error().message));
    return;
  }
  files_ = std::move(found.value());
  for (const std::filesystem::path& file : files_) {
    lstFiles_->addItem(QStringFromPath(file));
  }
  if (!files_.empty()) {
    btnPatch_->setEnabled(true);
  }
}

void Windowvagflip::btnPatch_Action() {
  if (BackgroundTaskRunning()) {
    return;
  }
  // File by file, so a cancel leaves each file patched whole or untouched.
  std::vector<PatchFailure> failures;
  const std::vector<std::filesystem::path> files = files_;
  QPointer<Windowvagflip> alive(this);
  RunInBackground(this, tr("Patch VAG Files"), [&](TaskProgress& progress) {
    const int total = static_cast<int>(files.size());
    for (int i = 0; i < total && !progress.Cancelled(); ++i) {
      const std::filesystem::path& file = files[static_cast<std::size_t>(i)];
      progress.Report(
          tr("Patching %1 (%2 of %3)").arg(QStringFromPath(file.filename())).arg(i + 1).arg(total),
          i, total);
      if (Status patched = PatchVagFile(file); !patched) {
        failures.push_back({file, patched.error().message});
      }
    }
  });
  if (alive.isNull()) {
    return;
  }
  if (!failures.empty()) {
    QStringList lines;
    lines << QStringLiteral("These files were not patched:");
    for (const PatchFailure& failure : failures) {
      lines << QString::fromStdString(failure.reason);
    }
    App().dialogs().ShowMessage(this, lines.join(QLatin1Char('\n')));
  }
  close();
}

void Windowvagflip::btnCancel_Action() {
  close();
}

void Windowvagflip::reject() {
  close();
}

// The dialog's own close handling would route through reject() again; here a
// close simply closes, and the window is then deleted.
void Windowvagflip::closeEvent(QCloseEvent* event) {
  event->accept();
}

}  // namespace zembra
