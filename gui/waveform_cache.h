#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <tuple>

namespace zembra {

// What a sample's tooltip shows, worked out from its decoded sound.
struct SampleSketch {
  QImage waveform;  // null when the file could not be read
  double seconds = 0;
  std::uint32_t sample_rate = 0;
  std::uintmax_t file_size = 0;
  QString error;  // why the file could not be read
};

// The smallest and largest sample of each pixel column, drawn centred on a
// light background; silence draws a flat line.
QImage DrawWaveform(std::span<const std::int16_t> pcm, QSize size);

// Sketches of sample files, worked out on worker threads and kept per file
// as it is (path, size and modification time), so a folder of thousands of
// samples costs nothing until a row is hovered and nothing the second time.
class WaveformCache : public QObject {
  Q_OBJECT

 public:
  static constexpr QSize kWaveformSize{240, 64};

  explicit WaveformCache(QObject* parent = nullptr);
  ~WaveformCache() override;

  // The sketch of `file` as it is now, or null; when null, the sketch is
  // being worked out and Ready(file) follows.
  const SampleSketch* Find(const std::filesystem::path& file);

  // Waits for the sketches being worked out (tests).
  void WaitForWork();

 Q_SIGNALS:
  void Ready(const QString& file);

 private:
  using Key = std::tuple<std::string, std::uintmax_t, std::int64_t>;

  std::map<Key, SampleSketch> sketches_;
  std::set<Key> pending_;
  // Last: destroyed first, waiting for its threads before the maps go.
  QThreadPool pool_;
};

// The application's cache, made on first use.
WaveformCache& Waveforms();

}  // namespace zembra
