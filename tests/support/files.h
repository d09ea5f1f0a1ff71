#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zembra::test {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
void WriteFile(const std::filesystem::path& path, std::string_view text);
Bytes BytesOf(std::string_view text);

// A VAG file of `total_size` bytes (at least 20): "VAGp", then the given
// version bytes, data size and sample rate written in the given byte order,
// and a recognisable filler after the header.
Bytes MakeVag(std::uint32_t total_size, bool game_form, std::uint32_t data_size = 0x1000,
              std::uint32_t sample_rate = 44100);

// Limits the size of files this process may write (RLIMIT_FSIZE) while the
// object lives, with SIGXFSZ ignored so writes fail with EFBIG instead of
// killing the process. Holds for root too, unlike permission bits.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*saved_handler_)(int) = nullptr;
};

}  // namespace zembra::test
