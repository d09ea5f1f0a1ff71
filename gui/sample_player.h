#pragma once

#include <QObject>

#include <filesystem>
#include <memory>

#include "gui/audio_output.h"

class QWidget;

namespace zembra {

// Plays one sample at a time, decoded by the core at its header's rate.
// Failures (a damaged file, no sound output) go through the dialog service;
// the absence of any output is told once only, not on every key press.
class SamplePlayer : public QObject {
  Q_OBJECT

 public:
  explicit SamplePlayer(std::unique_ptr<AudioOutput> output, QObject* parent = nullptr);
  ~SamplePlayer() override;

  // Plays `file`, stopping whatever plays now.
  void Play(QWidget* parent, const std::filesystem::path& file);
  void Stop();
  // Stops `file` if it is playing, otherwise plays it.
  void Toggle(QWidget* parent, const std::filesystem::path& file);

  bool playing() const { return !playing_.empty(); }
  const std::filesystem::path& playing_file() const { return playing_; }

  void SetOutput(std::unique_ptr<AudioOutput> output);

 Q_SIGNALS:
  void StateChanged();

 private:
  std::unique_ptr<AudioOutput> output_;
  std::filesystem::path playing_;
  bool told_no_device_ = false;
};

// The application's player, made on first use with the system's output.
SamplePlayer& Player();

}  // namespace zembra
