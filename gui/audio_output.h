#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAudioSink;
class QBuffer;

namespace zembra {

// Where decoded samples are heard. Behind this small interface so that tests
// play into a stand-in and never need a sound device.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // Whether the system has a device to play on at all.
  virtual bool HasDevice() = 0;
  // Starts playing 16-bit mono sound; empty on success, otherwise the reason.
  virtual QString Start(std::vector<std::int16_t> pcm, std::uint32_t sample_rate) = 0;
  virtual void Stop() = 0;

  // Called on the UI thread when a sound has played to its end.
  std::function<void()> finished;
};

// The system's default output through Qt Multimedia. The device is looked up
// on first use only, so a program that never plays never touches the sound
// system.
class QtAudioOutput : public AudioOutput {
 public:
  QtAudioOutput();
  ~QtAudioOutput() override;

  bool HasDevice() override;
  QString Start(std::vector<std::int16_t> pcm, std::uint32_t sample_rate) override;
  void Stop() override;

 private:
  std::unique_ptr<QAudioSink> sink_;
  std::unique_ptr<QBuffer> buffer_;
};

}  // namespace zembra
