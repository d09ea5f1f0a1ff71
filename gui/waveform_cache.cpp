#include "gui/waveform_cache.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <system_error>

#include "audio/vag_file.h"
#include "gui/dialog_service.h"

namespace zembra {
namespace {

// About 60 KiB each.
constexpr std::size_t kMaxSketches = 4000;

SampleSketch Sketch(const std::filesystem::path& file, std::uintmax_t size) {
  SampleSketch sketch;
  sketch.file_size = size;
  Result<VagFile> vag = ReadVagFile(file);
  if (!vag) {
    sketch.error = QString::fromStdString(vag.error().message);
    return sketch;
  }
  sketch.sample_rate = vag->sample_rate;
  sketch.seconds = vag->duration_seconds();
  sketch.waveform = DrawWaveform(vag->pcm, WaveformCache::kWaveformSize);
  return sketch;
}

}  // namespace

QImage DrawWaveform(std::span<const std::int16_t> pcm, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(0xf4, 0xf6, 0xf8));
  QPainter painter(&image);
  const int width = size.width();
  const double middle = (size.height() - 1) / 2.0;
  const double scale = middle / 32768.0;
  painter.setPen(QColor(0xc8, 0xcd, 0xd4));
  painter.drawLine(0, static_cast<int>(middle), width - 1, static_cast<int>(middle));
  painter.setPen(QColor(0x1f, 0x5f, 0xa8));
  if (pcm.empty()) {
    return image;
  }
  for (int x = 0; x < width; ++x) {
    const std::size_t begin = pcm.size() * static_cast<std::size_t>(x) / width;
    std::size_t end = pcm.size() * static_cast<std::size_t>(x + 1) / width;
    end = std::max(end, begin + 1);
    const auto [low, high] = std::minmax_element(pcm.begin() + begin, pcm.begin() + end);
    const int top = static_cast<int>(middle - *high * scale);
    const int bottom = static_cast<int>(middle - *low * scale);
    painter.drawLine(x, top, x, bottom);
  }
  return image;
}

WaveformCache::WaveformCache(QObject* parent) : QObject(parent) {
  pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
}

WaveformCache::~WaveformCache() {
  pool_.clear();
  pool_.waitForDone();
}

const SampleSketch* WaveformCache::Find(const std::filesystem::path& file) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  const auto modified = std::filesystem::last_write_time(file, error);
  // A file that cannot be looked at is still sketched: the sketch says why.
  const Key key{file.native(), error ? 0 : size,
                error ? 0 : static_cast<std::int64_t>(modified.time_since_epoch().count())};
  if (auto found = sketches_.find(key); found != sketches_.end()) {
    return &found->second;
  }
  if (pending_.insert(key).second) {
    const std::uintmax_t known_size = error ? 0 : size;
    pool_.start([this, file, key, known_size] {
      SampleSketch sketch = Sketch(file, known_size);
      QMetaObject::invokeMethod(
          this,
          [this, key, sketch = std::move(sketch)]() mutable {
            pending_.erase(key);
            // Sketches of files long gone or changed are dropped wholesale
            // now and then rather than tracked one by one.
            if (sketches_.size() >= kMaxSketches) {
              sketches_.clear();
            }
            sketches_[key] = std::move(sketch);
            Q_EMIT Ready(QStringFromPath(std::get<0>(key)));
          },
          Qt::QueuedConnection);
    });
  }
  return nullptr;
}

void WaveformCache::WaitForWork() {
  pool_.waitForDone();
  QCoreApplication::sendPostedEvents(this);
}

WaveformCache& Waveforms() {
  static QPointer<WaveformCache> cache;
  if (cache.isNull()) {
    cache = new WaveformCache(qApp);
  }
  return *cache;
}

}  // namespace zembra
