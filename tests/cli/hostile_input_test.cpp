// Files from strangers: whatever they hold, the tools refuse them cheaply,
// naming the file, and never multiply them into memory or onto the disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <zlib.h>

#include <filesystem>

#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

// A file of `size` zero bytes that takes no room on the disk.
void MakeSparse(const fs::path& path, off_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
}

constexpr long kQuarterGiB = 256L << 20;

TEST(HostileInput, ALargeFileThatIsNoSongIsRefusedBeforeItIsRead) {
  TempDir dir;
  const fs::path zeros = dir / "zeros.bjs";
  MakeSparse(zeros, kQuarterGiB);
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"inspect", zeros.string()},
        {"extract", zeros.string(), "-d", (dir / "out").string()}}) {
    CliRun run = RunCli(command);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find(zeros.string()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("larger than any song's index"), std::string::npos) << run.err;
    // Far less than the file, let alone the entries it would make.
    EXPECT_LT(run.max_rss_kib * 1024, kQuarterGiB / 2) << command[0];
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(HostileInput, ADescriptionCannotPullAnyFileIntoASong) {
  TempDir dir;
  WriteFile(dir / "notes.txt", "private notes, not a sample");
  WriteFile(dir / "steal.json",
            R"({"tempo": 1, "samples_dir": "/etc", "tracks": [{"samples": ["passwd"]}]})");
  WriteFile(dir / "notes.json", R"({"tempo": 1, "tracks": [{"samples": ["notes.txt"]}]})");
  for (const char* json : {"steal.json", "notes.json"}) {
    const CliRun run = RunCli({"build", (dir / json).string(), "-o", (dir / "s.bjs").string()});
    EXPECT_EQ(run.status, 2) << json;
    EXPECT_NE(run.err.find("it is not a VAG sample in the game's form"), std::string::npos)
        << run.err;
  }
  EXPECT_NE(RunCli({"build", (dir / "steal.json").string(), "-o", (dir / "s.bjs").string()})
                .err.find("/etc/passwd"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "s.bjs"));
}

TEST(HostileInput, JsonNumbersForTheTempo) {
  TempDir dir;
  for (const char* tempo : {"120.0", "1e2", "120"}) {
    WriteFile(dir / "t.json", std::string(R"({"tempo": )") + tempo + "}");
    const CliRun run = RunCli({"build", (dir / "t.json").string(), "-o", (dir / "t.bjs").string()});
    EXPECT_EQ(run.status, 0) << tempo << ": " << run.err;
  }
  for (const char* tempo : {"1e400", "-1e400", "120.5", "1e300"}) {
    WriteFile(dir / "t.json", std::string(R"({"tempo": )") + tempo + "}");
    const CliRun run = RunCli({"build", (dir / "t.json").string(), "-o", (dir / "u.bjs").string()});
    EXPECT_EQ(run.status, 2) << tempo;
    EXPECT_NE(run.err.find((dir / "t.json").string()), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(dir / "u.bjs"));
}

// A BULK.BAR header announcing `unpacked` bytes, `packed` following.
Bytes BarHeader(std::uint32_t unpacked, std::uint32_t packed) {
  Bytes header = {0xE1, 0x17, 0xEF, 0xAD, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
  for (std::uint32_t value : {6118477u, 0u, unpacked, packed}) {
    for (int i = 0; i < 4; ++i) header.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  return header;
}

TEST(HostileInput, UnbarJudgesTheHeaderBeforeReadingTheFile) {
  TempDir dir;
  const fs::path big = dir / "BULK.BAR";
  WriteFile(big, BarHeader(1000, 1000));  // announces less than follows
  fs::resize_file(big, std::uintmax_t{3} << 30);
  const CliRun run = RunCli({"unbar", big.string(), "-o", (dir / "s.bjs").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(big.string()), std::string::npos) << run.err;
  EXPECT_LT(run.max_rss_kib * 1024, kQuarterGiB / 2);
  EXPECT_FALSE(fs::exists(dir / "s.bjs"));
}

TEST(HostileInput, UnbarInflatesABombInBoundedMemoryAndKeepsNothing) {
  TempDir dir;
  // 256 MiB of zeros packed into some 250 KiB.
  const std::uint32_t unpacked = 256u << 20;
  const std::vector<std::uint8_t> zeros(1 << 20, 0);
  z_stream zs{};
  ASSERT_EQ(deflateInit(&zs, 9), Z_OK);
  Bytes packed(1 << 20);
  zs.next_out = packed.data();
  zs.avail_out = static_cast<uInt>(packed.size());
  for (std::uint32_t done = 0; done < unpacked; done += zeros.size()) {
    zs.next_in = const_cast<Bytef*>(zeros.data());
    zs.avail_in = static_cast<uInt>(zeros.size());
    ASSERT_EQ(deflate(&zs, done + zeros.size() == unpacked ? Z_FINISH : Z_NO_FLUSH),
              done + zeros.size() == unpacked ? Z_STREAM_END : Z_OK);
  }
  packed.resize(zs.total_out);
  deflateEnd(&zs);
  Bytes archive = BarHeader(unpacked, static_cast<std::uint32_t>(packed.size()));
  archive.insert(archive.end(), packed.begin(), packed.end());
  fs::create_directory(dir / "out");
  WriteFile(dir / "BULK.BAR", archive);

  const CliRun run =
      RunCli({"unbar", (dir / "BULK.BAR").string(), "-o", (dir / "out" / "s.bjs").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("not a song"), std::string::npos) << run.err;
  EXPECT_LT(run.max_rss_kib * 1024, kQuarterGiB / 2);
  EXPECT_TRUE(fs::is_empty(dir / "out")) << "nothing is left on the disk";
}

}  // namespace
}  // namespace zembra::test
