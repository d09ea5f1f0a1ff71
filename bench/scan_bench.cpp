// `zembra-bench scan`: the folder scan of a folder of 10,000 files against a
// minimal loop written apart from it, which lists the folder, reads each
// file's first 8 bytes and sorts the names of those in the game's form.
// Both run in this process, alternating, best of `runs`; the whole
// `zembra-cli scan` (process start and printing included) is shown beside.
#include "bench/scan_bench.h"

#include <dirent.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/child_run.h"
#include "samples/folder_scan.h"

namespace zembra::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 10000;
constexpr unsigned char kGameForm[8] = {'V', 'A', 'G', 'p', 1, 0, 0, 0};
constexpr unsigned char kOrdinaryForm[8] = {'V', 'A', 'G', 'p', 0, 0, 0, 0x20};

struct Timing {
  double seconds = 1e30;    // wall clock
  double processor = 1e30;  // this thread's processor time
};

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Work>
void Time(Timing& best, Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  const double start_processor = ThreadSeconds();
  work();
  best.processor = std::min(best.processor, ThreadSeconds() - start_processor);
  best.seconds =
      std::min(best.seconds,
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

// Names as people give them, in no order: six in ten in the game's form, two
// in the ordinary form, two not samples at all.
void MakeFolder(const fs::path& dir) {
  fs::create_directories(dir);
  const char* stems[] = {"Kick ", "snare_", "HiHat", "pad", "Bass-", "vox take "};
  std::mt19937 random(14);
  std::vector<int> order(kFiles);
  for (int i = 0; i < kFiles; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  for (int i : order) {
    std::string bytes(64, '\0');
    const int kind = i % 10;
    if (kind < 6) {
      std::memcpy(bytes.data(), kGameForm, 8);
    } else if (kind < 8) {
      std::memcpy(bytes.data(), kOrdinaryForm, 8);
    } else {
      bytes.replace(0, 11, "not a VAG\n\n");
    }
    const std::string name = stems[i % 6] + std::to_string(i / 6) + (kind < 8 ? ".vag" : ".txt");
    std::ofstream(dir / name, std::ios::binary).write(bytes.data(), 64);
  }
}

// The least the scan's job takes.
std::vector<std::string> MinimalLoop(const fs::path& dir) {
  std::vector<std::string> names;
  DIR* listing = opendir(dir.c_str());
  if (listing == nullptr) return names;
  const int fd = dirfd(listing);
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_name[0] == '.') continue;
    const int file = openat(fd, entry->d_name, O_RDONLY | O_CLOEXEC);
    if (file < 0) continue;
    unsigned char leading[8];
    if (read(file, leading, 8) == 8 && std::memcmp(leading, kGameForm, 8) == 0) {
      names.emplace_back(entry->d_name);
    }
    close(file);
  }
  closedir(listing);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

int RunScanBench(const std::string& cli, int runs) {
  const fs::path dir =
      fs::temp_directory_path() / ("zembra-bench-scan-" + std::to_string(getpid()));
  MakeFolder(dir);
  Timing scan, loop;
  std::size_t scanned = 0, looped = 0;
  for (int r = 0; r < runs; ++r) {
    Time(scan, [&] { scanned = ScanUsableSamples(dir).value().size(); });
    Time(loop, [&] { looped = MinimalLoop(dir).size(); });
  }
  double cli_seconds = 1e30;
  for (int r = 0; r < runs; ++r) {
    const ChildRun run = Run({cli, "scan", dir.string()});
    if (run.status != 0) {
      std::fprintf(stderr, "zembra-bench: %s scan failed with status %d\n", cli.c_str(),
                   run.status);
      fs::remove_all(dir);
      return 1;
    }
    cli_seconds = std::min(cli_seconds, run.seconds);
  }
  fs::remove_all(dir);
  if (scanned != looped) {
    std::fprintf(stderr, "zembra-bench: the scan found %zu samples, the loop %zu\n", scanned,
                 looped);
    return 1;
  }
  std::printf("folder of %d files, %zu usable\n", kFiles, scanned);
  std::printf("scan time       %.1f ms   minimal loop %.1f ms   ratio %.2f   (at most 1.30)\n",
              scan.seconds * 1e3, loop.seconds * 1e3, scan.seconds / loop.seconds);
  std::printf("  processor     %.1f ms   minimal loop %.1f ms   ratio %.2f\n", scan.processor * 1e3,
              loop.processor * 1e3, scan.processor / loop.processor);
  std::printf("zembra-cli scan %.1f ms   ratio %.2f (process start and printing included)\n",
              cli_seconds * 1e3, cli_seconds / loop.seconds);
  return 0;
}

}  // namespace zembra::bench
