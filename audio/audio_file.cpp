#include "audio/audio_file.h"

#include <fcntl.h>
#include <sndfile.h>
#include <soxr.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "audio/output_file.h"
#include "platform/os_error.h"

namespace zembra {

namespace {

constexpr sf_count_t kChunkFrames = 8192;

// A sound file open for reading, with the descriptor we opened it on.
class OpenSound {
 public:
  explicit OpenSound(int fd) : fd_(fd) {}
  OpenSound(OpenSound&& other) noexcept
      : file_(std::exchange(other.file_, nullptr)), fd_(std::exchange(other.fd_, -1)) {}
  OpenSound& operator=(OpenSound&&) = delete;
  ~OpenSound() {
    if (file_ != nullptr) sf_close(file_);
    if (fd_ >= 0) ::close(fd_);
  }
  SNDFILE* get() const { return file_; }
  void Attach(SNDFILE* file) { file_ = file; }

 private:
  SNDFILE* file_ = nullptr;
  int fd_;
};

// libsndfile's sentences end with a full stop; FileError adds its own.
std::string Reason(SNDFILE* file) {
  std::string reason = sf_strerror(file);
  while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n')) reason.pop_back();
  return reason.empty() ? "the audio library gave no reason" : reason;
}

// Opens only regular files, without waiting on a FIFO or a device.
Result<OpenSound> OpenForReading(const std::filesystem::path& path, SF_INFO& info) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FileError("open", path, errno);
  OpenSound sound(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return FileError("read", path, errno);
  if (S_ISDIR(st.st_mode)) return FileError("read", path, "it is a folder");
  if (!S_ISREG(st.st_mode)) return FileError("read", path, "it is not a regular file");
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  info = SF_INFO{};
  sound.Attach(sf_open_fd(fd, SFM_READ, &info, SF_FALSE));
  if (sound.get() == nullptr) return FileError("read", path, Reason(nullptr));
  return sound;
}

std::int16_t ToInt16(float sample) {
  if (std::isnan(sample)) return 0;  // a float file may hold anything
  const float scaled = std::nearbyint(sample * 32768.0f);
  return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

Result<std::vector<float>> Resample(const std::vector<float>& in, double from, double to,
                                    const std::filesystem::path& path) {
  std::vector<float> out(static_cast<std::size_t>(std::ceil(in.size() * to / from)) + 16);
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
  std::size_t done = 0;
  const soxr_error_t error = soxr_oneshot(from, to, 1, in.data(), in.size(), nullptr, out.data(),
                                          out.size(), &done, &io, &quality, nullptr);
  if (error != nullptr) return FileError("resample", path, error);
  out.resize(done);
  return out;
}

// An in-memory file for libsndfile to write into, so the result can go to
// disk atomically.
struct MemoryFile {
  std::vector<std::uint8_t> bytes;
  sf_count_t position = 0;
};

MemoryFile& Memory(void* data) {
  return *static_cast<MemoryFile*>(data);
}

SF_VIRTUAL_IO MemoryIo() {
  SF_VIRTUAL_IO io{};
  io.get_filelen = [](void* data) -> sf_count_t {
    return static_cast<sf_count_t>(Memory(data).bytes.size());
  };
  io.seek = [](sf_count_t offset, int whence, void* data) -> sf_count_t {
    MemoryFile& m = Memory(data);
    const sf_count_t base = whence == SEEK_CUR   ? m.position
                            : whence == SEEK_END ? static_cast<sf_count_t>(m.bytes.size())
                                                 : 0;
    m.position = std::max<sf_count_t>(0, base + offset);
    return m.position;
  };
  io.read = [](void* ptr, sf_count_t count, void* data) -> sf_count_t {
    MemoryFile& m = Memory(data);
    const sf_count_t size = static_cast<sf_count_t>(m.bytes.size());
    const sf_count_t n = std::clamp<sf_count_t>(size - m.position, 0, count);
    std::memcpy(ptr, m.bytes.data() + m.position, static_cast<std::size_t>(n));
    m.position += n;
    return n;
  };
  io.write = [](const void* ptr, sf_count_t count, void* data) -> sf_count_t {
    MemoryFile& m = Memory(data);
    const auto end = static_cast<std::size_t>(m.position + count);
    if (end > m.bytes.size()) m.bytes.resize(end);
    std::memcpy(m.bytes.data() + m.position, ptr, static_cast<std::size_t>(count));
    m.position += count;
    return count;
  };
  io.tell = [](void* data) -> sf_count_t { return Memory(data).position; };
  return io;
}

int FormatFor(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".aif" || extension == ".aiff") return SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
  if (extension == ".flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  if (extension == ".ogg") return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

}  // namespace

Result<MonoAudio> ReadAudioFile(const std::filesystem::path& path,
                                std::optional<std::uint32_t> rate) {
  SF_INFO info;
  Result<OpenSound> file = OpenForReading(path, info);
  if (!file) return file.error();
  if (info.channels < 1 || info.samplerate < 1) {
    return FileError("read", path, "it declares no channels or no sample rate");
  }
  // Floats from integer files come scaled to [-1, 1); float files may go
  // beyond, which ToInt16 clamps.
  std::vector<float> mono;
  // A header's frame count is only a hint, and may be hostile.
  mono.reserve(static_cast<std::size_t>(std::clamp<sf_count_t>(info.frames, 0, 1 << 24)));
  const auto channels = static_cast<std::size_t>(info.channels);
  std::vector<float> chunk(static_cast<std::size_t>(kChunkFrames) * channels);
  for (;;) {
    const sf_count_t got = sf_readf_float(file->get(), chunk.data(), kChunkFrames);
    if (got <= 0) break;
    for (std::size_t f = 0; f < static_cast<std::size_t>(got); ++f) {
      float sum = 0;
      for (std::size_t c = 0; c < channels; ++c) sum += chunk[f * channels + c];
      mono.push_back(sum / static_cast<float>(channels));
    }
  }
  if (sf_error(file->get()) != SF_ERR_NO_ERROR) return FileError("read", path, Reason(file->get()));
  if (mono.empty()) return FileError("read", path, "it holds no sound (no frames)");

  MonoAudio audio;
  audio.source_rate = static_cast<std::uint32_t>(info.samplerate);
  audio.source_channels = info.channels;
  audio.sample_rate = rate.value_or(audio.source_rate);
  if (audio.sample_rate == 0) return FileError("resample", path, "a rate of 0 Hz was asked for");
  if (audio.sample_rate != audio.source_rate) {
    Result<std::vector<float>> resampled =
        Resample(mono, audio.source_rate, audio.sample_rate, path);
    if (!resampled) return resampled.error();
    mono = std::move(resampled).value();
  }
  audio.pcm.resize(mono.size());
  std::transform(mono.begin(), mono.end(), audio.pcm.begin(), ToInt16);
  return audio;
}

Status WriteAudioFile(const std::filesystem::path& path, std::span<const std::int16_t> pcm,
                      std::uint32_t sample_rate) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(sample_rate);
  info.channels = 1;
  info.format = FormatFor(path);
  MemoryFile memory;
  SF_VIRTUAL_IO io = MemoryIo();
  SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
  if (file == nullptr) return FileError("write", path, Reason(nullptr));
  const sf_count_t written = sf_writef_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size()));
  const bool short_write = written != static_cast<sf_count_t>(pcm.size());
  const std::string reason = Reason(file);
  if (sf_close(file) != 0 || short_write) return FileError("write", path, reason);
  return WriteOutputFile(path, memory.bytes);
}

}  // namespace zembra
