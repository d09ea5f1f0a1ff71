// Builds a maximal song (16 tracks of 4 samples, 64 distinct samples of
// 256 KiB to 1 MiB) with `zembra-cli build`, and sets its cost against a
// lower bound measured in the same run: reading the same samples and
// compressing the same song bytes with zlib level 9 in one process.
//
//   zembra-bench [path/to/zembra-cli] [runs]
//   zembra-bench sound [runs]      the sound codec's figures (sound_bench.cpp)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench/sound_bench.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSamples = 64;
constexpr std::size_t kMinSample = 256 * 1024;
constexpr std::size_t kMaxSample = 1024 * 1024;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

std::vector<char> Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put32(std::vector<char>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// A game-form VAG of `size` bytes: a 48-byte header, then 16-byte ADPCM
// blocks whose nibbles follow a random walk, so the data compresses about as
// poorly as real samples do.
std::vector<char> MakeSample(std::size_t size, std::mt19937& random) {
  std::vector<char> bytes(size, 0);
  std::copy_n("VAGp", 4, bytes.begin());
  Put32(bytes, 4, 1);
  Put32(bytes, 12, static_cast<std::uint32_t>(size - 48));
  Put32(bytes, 16, 22050);
  int level = 8;
  for (std::size_t at = 48; at + 16 <= size; at += 16) {
    bytes[at] = static_cast<char>(random() % 13 | (random() % 5) << 4);
    for (std::size_t i = at + 2; i < at + 16; ++i) {
      int nibbles[2];
      for (int& n : nibbles) {
        level = std::clamp(level + static_cast<int>(random() % 5) - 2, 0, 15);
        n = level;
      }
      bytes[i] = static_cast<char>(nibbles[0] | nibbles[1] << 4);
    }
  }
  return bytes;
}

struct ChildRun {
  int status = -1;
  double seconds = 0;
};

ChildRun Run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const Clock::time_point start = Clock::now();
  // The paths it prints would only clutter the figures; errors still show.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {};
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Seconds(Clock::now() - start)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "sound") {
    return zembra::bench::RunSoundBench(argc > 2 ? std::max(1, std::atoi(argv[2])) : 3);
  }
  const std::string cli = argc > 1 ? argv[1] : ZEMBRA_CLI_PATH;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

  const fs::path dir = fs::temp_directory_path() / ("zembra-bench-" + std::to_string(getpid()));
  fs::create_directories(dir / "samples");
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::size_t> sizes(kMinSample / 16, kMaxSample / 16);
  std::uint64_t sample_bytes = 0;
  std::string tracks;
  for (int i = 0; i < kSamples; ++i) {
    const std::vector<char> sample = MakeSample(sizes(random) * 16, random);
    sample_bytes += sample.size();
    std::ofstream(dir / "samples" / ("s" + std::to_string(i) + ".vag"), std::ios::binary)
        .write(sample.data(), static_cast<std::streamsize>(sample.size()));
    if (i % 4 == 0)
      tracks += std::string(i ? "," : "") + R"({"name": "T)" + std::to_string(i / 4) +
                R"(", "samples": [)";
    tracks += "\"s" + std::to_string(i) + ".vag\"" + (i % 4 == 3 ? "]}" : ",");
  }
  std::ofstream(dir / "song.json")
      << R"({"title": "Bench", "tempo": 120, "samples_dir": "samples",)"
      << R"("pages": ["A", "B", "C", "D"], "tracks": [)" << tracks << "]}";

  // Best of `runs`, the first one also warming the page cache for both sides.
  double build = 1e30;
  for (int r = 0; r < runs; ++r) {
    ChildRun run =
        Run({cli, "build", (dir / "song.json").string(), "-o", (dir / "Bench.bjs").string()});
    if (run.status != 0) {
      std::fprintf(stderr, "zembra-bench: %s build failed with status %d\n", cli.c_str(),
                   run.status);
      fs::remove_all(dir);
      return 1;
    }
    build = std::min(build, run.seconds);
  }
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  const double peak_bytes = static_cast<double>(children.ru_maxrss) * 1024.0;

  const std::vector<char> song = Slurp(dir / "Bench.bjs");
  double bound = 1e30;
  std::vector<Bytef> packed(compressBound(song.size()));
  for (int r = 0; r < runs; ++r) {
    const Clock::time_point start = Clock::now();
    std::uint64_t read = 0;
    for (int i = 0; i < kSamples; ++i) {
      read += Slurp(dir / "samples" / ("s" + std::to_string(i) + ".vag")).size();
    }
    uLongf packed_size = packed.size();
    compress2(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(song.data()), song.size(),
              9);
    bound = std::min(bound, Seconds(Clock::now() - start));
    if (read != sample_bytes) return 1;
  }

  std::printf("maximal song: %d samples, %.1f MiB of samples, song %.1f MiB\n", kSamples,
              sample_bytes / 1048576.0, song.size() / 1048576.0);
  std::printf("build time      %.3f s   lower bound (read + zlib 9) %.3f s   ratio %.2f\n", build,
              bound, build / bound);
  std::printf("peak memory     %.1f MiB   song size %.1f MiB   ratio %.2f\n",
              peak_bytes / 1048576.0, song.size() / 1048576.0, peak_bytes / song.size());
  fs::remove_all(dir);
  return 0;
}
