#include "tests/support/files.h"

#include <csignal>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zembra::test {

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  // In one read: byte by byte takes seconds for the large files some tests make.
  Bytes bytes(static_cast<std::size_t>(std::filesystem::file_size(path)));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteFile(const std::filesystem::path& path, std::string_view text) {
  WriteFile(path, BytesOf(text));
}

Bytes BytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

namespace {
void Put32(Bytes& bytes, std::size_t at, std::uint32_t value, bool little) {
  for (int i = 0; i < 4; ++i) {
    const int shift = little ? 8 * i : 8 * (3 - i);
    bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> shift);
  }
}
}  // namespace

Bytes MakeVag(std::uint32_t total_size, bool game_form, std::uint32_t data_size,
              std::uint32_t sample_rate) {
  if (total_size < 20) throw std::invalid_argument("a VAG header needs 20 bytes");
  Bytes bytes(total_size);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  bytes[0] = 'V';
  bytes[1] = 'A';
  bytes[2] = 'G';
  bytes[3] = 'p';
  Put32(bytes, 4, game_form ? 1u : 0x20u, game_form);
  Put32(bytes, 12, data_size, game_form);
  Put32(bytes, 16, sample_rate, game_form);
  return bytes;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  ::getrlimit(RLIMIT_FSIZE, &saved_);
  saved_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = saved_;
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &saved_);
  std::signal(SIGXFSZ, saved_handler_);
}

}  // namespace zembra::test
