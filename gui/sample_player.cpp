#include "gui/sample_player.h"

#include <QCoreApplication>
#include <QPointer>

#include "audio/vag_file.h"
#include "gui/dialog_service.h"
#include "gui/zembra_app.h"

namespace zembra {

SamplePlayer::SamplePlayer(std::unique_ptr<AudioOutput> output, QObject* parent) : QObject(parent) {
  SetOutput(std::move(output));
}

SamplePlayer::~SamplePlayer() {
  if (output_ != nullptr) {
    output_->finished = nullptr;
    output_->Stop();
  }
}

void SamplePlayer::SetOutput(std::unique_ptr<AudioOutput> output) {
  Stop();
  output_ = std::move(output);
  told_no_device_ = false;
  output_->finished = [this] {
    if (!playing_.empty()) {
      playing_.clear();
      Q_EMIT StateChanged();
    }
  };
}

void SamplePlayer::Play(QWidget* parent, const std::filesystem::path& file) {
  Stop();
  if (!output_->HasDevice()) {
    if (!told_no_device_) {
      told_no_device_ = true;
      App().dialogs().ShowMessage(
          parent, tr("Samples cannot be played: this computer has no sound output. Zembra works "
                     "as before otherwise, and will not say this again."));
    }
    return;
  }
  Result<VagFile> vag = ReadVagFile(file);
  if (!vag) {
    App().dialogs().ShowMessage(parent, QString::fromStdString(vag.error().message));
    return;
  }
  if (vag->pcm.empty()) {
    return;
  }
  const QString failed = output_->Start(std::move(vag->pcm), vag->sample_rate);
  if (!failed.isEmpty()) {
    App().dialogs().ShowMessage(
        parent, tr("Cannot play %1: %2.").arg(QStringFromPath(file.filename()), failed));
    return;
  }
  playing_ = file;
  Q_EMIT StateChanged();
}

void SamplePlayer::Stop() {
  if (output_ != nullptr) {
    output_->Stop();
  }
  if (!playing_.empty()) {
    playing_.clear();
    Q_EMIT StateChanged();
  }
}

void SamplePlayer::Toggle(QWidget* parent, const std::filesystem::path& file) {
  if (playing_ == file) {
    Stop();
  } else {
    Play(parent, file);
  }
}

SamplePlayer& Player() {
  static QPointer<SamplePlayer> player;
  if (player.isNull()) {
    player = new SamplePlayer(std::make_unique<QtAudioOutput>(), qApp);
  }
  return *player;
}

}  // namespace zembra
