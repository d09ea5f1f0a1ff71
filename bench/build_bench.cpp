// Builds a maximal song (16 tracks of 4 samples, 64 distinct samples of
// 256 KiB to 1 MiB) with `zembra-cli build`, and sets its cost against a
// lower bound measured in the same run: reading the same samples and
// compressing the same song bytes with zlib level 9 in one process. Runs of
// the two alternate, so that both meet the same load on a shared machine;
// the best of each counts. Then the folder scan's figures (scan_bench.cpp).
//
//   zembra-bench [path/to/zembra-cli] [runs]
//   zembra-bench scan [path/to/zembra-cli] [runs]   the folder scan alone
//   zembra-bench sound [runs]      the sound codec's figures (sound_bench.cpp)
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/child_run.h"
#include "bench/scan_bench.h"
#include "bench/sound_bench.h"

namespace {

using zembra::bench::ChildRun;
using zembra::bench::Run;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSamples = 64;
constexpr std::size_t kMinSample = 256 * 1024;
constexpr std::size_t kMaxSample = 1024 * 1024;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// A whole file in one read into a buffer of its size, as the least a
// program must do to have the bytes.
std::vector<char> Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<char> bytes(static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg())));
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
  return bytes;
}

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
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

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "sound") {
    return zembra::bench::RunSoundBench(argc > 2 ? std::max(1, std::atoi(argv[2])) : 3);
  }
  if (argc > 1 && std::string(argv[1]) == "scan") {
    return zembra::bench::RunScanBench(argc > 2 ? argv[2] : ZEMBRA_CLI_PATH,
                                       argc > 3 ? std::max(1, std::atoi(argv[3])) : 5);
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

  // Best of `runs` each, alternating; the first build also warms the page
  // cache for both sides.
  double build = 1e30, build_processor = 1e30, bound = 1e30, bound_processor = 1e30;
  std::vector<Bytef> packed;
  std::size_t song_size = 0;
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
    build_processor = std::min(build_processor, run.processor);

    const std::vector<char> song = Slurp(dir / "Bench.bjs");
    song_size = song.size();
    packed.resize(compressBound(song.size()));
    const Clock::time_point start = Clock::now();
    const double start_processor = ThreadSeconds();
    std::uint64_t read = 0;
    for (int i = 0; i < kSamples; ++i) {
      read += Slurp(dir / "samples" / ("s" + std::to_string(i) + ".vag")).size();
    }
    uLongf packed_size = packed.size();
    compress2(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(song.data()), song.size(),
              9);
    bound = std::min(bound, Seconds(Clock::now() - start));
    bound_processor = std::min(bound_processor, ThreadSeconds() - start_processor);
    if (read != sample_bytes) return 1;
  }
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  const double peak_bytes = static_cast<double>(children.ru_maxrss) * 1024.0;
  const double song_mib = song_size / 1048576.0;

  std::printf("maximal song: %d samples, %.1f MiB of samples, song %.1f MiB\n", kSamples,
              sample_bytes / 1048576.0, song_mib);
  std::printf(
      "build time      %.3f s   lower bound (read + zlib 9) %.3f s   ratio %.2f"
      "   (at most 1.10)\n",
      build, bound, build / bound);
  std::printf("  processor     %.3f s   lower bound %.3f s   ratio %.2f\n", build_processor,
              bound_processor, build_processor / bound_processor);
  std::printf(
      "peak memory     %.1f MiB   song size %.1f MiB   ratio %.2f"
      "   (at most 3.3 x song + 40 MiB = %.1f MiB)\n",
      peak_bytes / 1048576.0, song_mib, peak_bytes / song_size, 3.3 * song_mib + 40);
  fs::remove_all(dir);
  return zembra::bench::RunScanBench(cli, std::max(runs, 5));
}
