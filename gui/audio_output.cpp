#include "gui/audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

namespace zembra {

QtAudioOutput::QtAudioOutput() = default;

QtAudioOutput::~QtAudioOutput() {
  Stop();
}

bool QtAudioOutput::HasDevice() {
  return !QMediaDevices::defaultAudioOutput().isNull();
}

QString QtAudioOutput::Start(std::vector<std::int16_t> pcm, std::uint32_t sample_rate) {
  Stop();
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull()) {
    return QStringLiteral("no sound output was found");
  }
  QAudioFormat format;
  format.setSampleRate(static_cast<int>(sample_rate));
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  if (!device.isFormatSupported(format)) {
    return QStringLiteral("the sound output \u201C%1\u201D cannot play 16-bit mono at %2 Hz")
        .arg(device.description())
        .arg(sample_rate);
  }
  buffer_ = std::make_unique<QBuffer>();
  buffer_->setData(reinterpret_cast<const char*>(pcm.data()),
                   static_cast<qsizetype>(pcm.size() * sizeof(std::int16_t)));
  buffer_->open(QIODevice::ReadOnly);
  sink_ = std::make_unique<QAudioSink>(device, format);
  QObject::connect(sink_.get(), &QAudioSink::stateChanged, sink_.get(), [this](QAudio::State s) {
    // Idle: every byte has been handed to the device.
    if (s == QAudio::IdleState && buffer_ != nullptr && buffer_->atEnd()) {
      // Told once the signal has returned: the listener may stop and delete
      // this sink, and a stopped sink drops the call.
      QMetaObject::invokeMethod(
          sink_.get(),
          [this] {
            if (finished) {
              finished();
            }
          },
          Qt::QueuedConnection);
    }
  });
  sink_->start(buffer_.get());
  if (sink_->error() != QAudio::NoError) {
    sink_.reset();
    buffer_.reset();
    return QStringLiteral("the sound output \u201C%1\u201D could not be opened")
        .arg(device.description());
  }
  return {};
}

void QtAudioOutput::Stop() {
  if (sink_ != nullptr) {
    sink_->disconnect();
    sink_->stop();
  }
  sink_.reset();
  buffer_.reset();
}

}  // namespace zembra
