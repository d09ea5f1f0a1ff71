// GZipFileKRO, driven as a host program drives it, and checked against the
// system's gzip.

#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/host_objects.h"
#include "tests/plugin/failing_allocations.h"
#include "tests/plugin/plugin_fixture.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

const REALstring kAbsent = nullptr;

class GZipFile : public PluginTest {
 protected:
  static bool Open(const HostInstance& g, const std::filesystem::path& path,
                   std::optional<std::string_view> mode) {
    HostFolderItem file(path);
    HostString modeText = mode ? HostString(*mode) : HostString();
    return Call<RBBoolean>(g, "Open(file as folderitem, mode as string) as boolean", file.get(),
                           modeText.get());
  }
  static void Close(const HostInstance& g) { Call<void>(g, "Close"); }
  static void Write(const HostInstance& g, std::string_view bytes) {
    HostString data(bytes);
    Call<void>(g, "Write(data as string)", data.get());
  }
  static HostString Read(const HostInstance& g, RBInteger count) {
    return CallString(g, "Read(data as integer) as string", count);
  }
  static RBInteger ReadByte(const HostInstance& g) {
    return Call<RBInteger>(g, "ReadByte as integer");
  }
  static RBInteger Lasterror(const HostInstance& g) { return Int(g, "Lasterror"); }
  static void ClearLasterror(HostInstance& g) { ASSERT_TRUE(g.SetInteger("Lasterror", 0).ok()); }

  static std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TempDir dir_;
};

TEST_F(GZipFile, NewInstanceHasNoFileAndQueriesMarkFailure) {
  HostInstance g = New("GZipFileKRO");
  EXPECT_EQ(Int(g, "Handle"), 0);
  EXPECT_EQ(Lasterror(g), 0);
  EXPECT_EQ(Int(g, "Position"), -1);
  EXPECT_EQ(Lasterror(g), 0);  // Position leaves it alone
  EXPECT_TRUE(Bool(g, "EOF"));
  EXPECT_EQ(Lasterror(g), -1);
  ClearLasterror(g);
  EXPECT_EQ(Int(g, "ErrorCode"), -1);
  EXPECT_EQ(Lasterror(g), -1);
  ClearLasterror(g);
  EXPECT_TRUE(Str(g, "ErrorMessage").absent());
  EXPECT_EQ(Lasterror(g), -1);
}

TEST_F(GZipFile, OperationsWithoutAFileReportFailure) {
  HostInstance g = New("GZipFileKRO");
  Write(g, "abc");
  EXPECT_EQ(Lasterror(g), -1);
  Close(g);
  EXPECT_EQ(Lasterror(g), 0);
  EXPECT_TRUE(Read(g, 10).absent());
  EXPECT_EQ(Lasterror(g), -1);
  for (const char* method : {"Rewind", "Close"}) {
    Call<void>(g, method);
  }
  EXPECT_EQ(Lasterror(g), 0);
  Call<void>(g, "WriteByte(data as integer)", 65);
  EXPECT_EQ(Lasterror(g), -1);
  Close(g);
  Call<void>(g, "SetParameter(level as integer, strategy as integer)", 9, 0);
  EXPECT_EQ(Lasterror(g), -1);
  Close(g);
  Call<void>(g, "Flush(flush as integer)", 2);
  EXPECT_EQ(Lasterror(g), -1);
  EXPECT_EQ(ReadByte(g), -1);
  ASSERT_TRUE(g.SetInteger("Position", 5).ok());
  EXPECT_EQ(Int(g, "Position"), -1);
}

TEST_F(GZipFile, WritesAndReadsBack) {
  const auto path = dir_ / "abc.gz";
  HostInstance g = New("GZipFileKRO");
  ASSERT_TRUE(Open(g, path, "wb"));
  EXPECT_EQ(Lasterror(g), 0);
  EXPECT_NE(Int(g, "Handle"), 0);
  Write(g, "abc");
  EXPECT_EQ(Lasterror(g), 0);
  EXPECT_EQ(Int(g, "Position"), 3);
  Close(g);
  EXPECT_EQ(Lasterror(g), 0);
  EXPECT_EQ(Int(g, "Handle"), 0);

  ASSERT_TRUE(Open(g, path, "rb"));
  HostString first = Read(g, 100);
  EXPECT_EQ(first.bytes(), "abc");
  EXPECT_EQ(first.encoding(), kREALEncodingRaw);
  EXPECT_EQ(Lasterror(g), 0);
  EXPECT_TRUE(Read(g, 100).absent());
  EXPECT_EQ(Lasterror(g), 0);
  EXPECT_TRUE(Bool(g, "EOF"));
  EXPECT_EQ(ReadByte(g), -1);
  Call<void>(g, "Rewind");
  EXPECT_EQ(Lasterror(g), 0);
  EXPECT_EQ(Int(g, "Position"), 0);
  EXPECT_FALSE(Bool(g, "EOF"));
  EXPECT_EQ(ReadByte(g), 'a');
  EXPECT_EQ(Lasterror(g), -1);  // even on success
  ASSERT_TRUE(g.SetInteger("Position", 2).ok());
  EXPECT_EQ(ReadByte(g), 'c');
  EXPECT_TRUE(Read(g, 0).absent());
  EXPECT_EQ(Lasterror(g), -1);
  EXPECT_TRUE(Read(g, -5).absent());
  EXPECT_EQ(Int(g, "ErrorCode"), 0);
  Close(g);

  // An absent mode reads.
  ASSERT_TRUE(Open(g, path, std::nullopt));
  EXPECT_EQ(Read(g, 2).bytes(), "ab");
}

TEST_F(GZipFile, WritingToAFileOpenForReadingFails) {
  const auto path = dir_ / "abc.gz";
  HostInstance g = New("GZipFileKRO");
  ASSERT_TRUE(Open(g, path, "wb"));
  Write(g, "abc");
  Close(g);
  ASSERT_TRUE(Open(g, path, "rb"));
  ASSERT_EQ(Lasterror(g), 0);
  Write(g, "more");
  EXPECT_EQ(Lasterror(g), -1);
  Call<void>(g, "WriteByte(data as integer)", 65);
  EXPECT_EQ(Lasterror(g), -1);
  EXPECT_EQ(Read(g, 100).bytes(), "abc");
  Close(g);
  EXPECT_EQ(Lasterror(g), 0);
}

TEST_F(GZipFile, AFailedOpenBlocksTheNextUntilClose) {
  const auto existing = dir_ / "there.gz";
  WriteFile(existing, "plain bytes");
  HostInstance g = New("GZipFileKRO");
  EXPECT_FALSE(Open(g, dir_ / "missing.gz", "rb"));
  EXPECT_EQ(Lasterror(g), -1);
  EXPECT_FALSE(Open(g, existing, "rb"));
  EXPECT_EQ(Int(g, "Handle"), 0);
  Close(g);
  ASSERT_TRUE(Open(g, existing, "rb"));
  EXPECT_EQ(Read(g, 100).bytes(), "plain bytes");  // not gzip: read as it is

  // With a file open, Open closes it first and opens the other.
  ASSERT_TRUE(Open(g, dir_ / "new.gz", "wb"));
  Write(g, "x");
  Close(g);

  // A query with no file open blocks Open too.
  EXPECT_TRUE(Bool(g, "EOF"));
  EXPECT_FALSE(Open(g, existing, "rb"));
  ClearLasterror(g);
  EXPECT_TRUE(Open(g, existing, "rb"));

  EXPECT_FALSE(Call<RBBoolean>(g, "Open(file as folderitem, mode as string) as boolean",
                               static_cast<REALfolderItem>(nullptr), kAbsent));
  EXPECT_EQ(Int(g, "Handle"), 0);
}

TEST_F(GZipFile, ACloseErrorWhileReopeningIsReported) {
  HostInstance g = New("GZipFileKRO");
  ASSERT_TRUE(Open(g, "/dev/full", "wb"));
  Write(g, "data that cannot reach the disk");
  EXPECT_EQ(Lasterror(g), 0);
  EXPECT_FALSE(Open(g, dir_ / "other.gz", "wb"));
  EXPECT_EQ(Lasterror(g), Z_ERRNO);
  EXPECT_EQ(Int(g, "Handle"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "other.gz"));
}

TEST_F(GZipFile, NamesAndModesWithNulsDoNotOpen) {
  HostInstance g = New("GZipFileKRO");
  std::string name = (dir_ / "a.gz").string();
  name += std::string_view("\0b", 2);
  EXPECT_FALSE(Open(g, name, "wb"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "a.gz"));
  ClearLasterror(g);
  EXPECT_FALSE(Open(g, dir_ / "b.gz", std::string_view("r\0", 2)));
  EXPECT_EQ(Int(g, "Handle"), 0);
}

// Open copies the mode and the path for zlib. Each of those copies, refused
// in turn, makes Open fail without throwing into the host and without
// keeping the host's path string.
TEST_F(GZipFile, OpenWithoutMemoryFailsAndReleasesThePath) {
  const auto open = New("GZipFileKRO")
                        .Method<RBBoolean(REALfolderItem, REALstring)>(
                            "Open(file as folderitem, mode as string) as boolean");
  ASSERT_NE(open, nullptr);
  HostFolderItem file(dir_ / "a name longer than the shortest strings.gz");
  HostString write("wb");
  for (REALstring mode : {write.get(), kAbsent}) {
    const size_t strings = HostLiveStrings();
    HostInstance g = New("GZipFileKRO");
    for (int skip = 0;; ++skip) {
      bool opened = false, threw = false;
      int refused = 0;
      {
        OutOfMemory noMemory(skip);
        try {
          opened = open(g.get(), file.get(), mode);
        } catch (...) {
          threw = true;
        }
        refused = RefusedAllocations();
      }
      SCOPED_TRACE("skipping " + std::to_string(skip) + (mode ? " with a mode" : " without"));
      EXPECT_FALSE(threw);
      EXPECT_EQ(HostLiveStrings(), strings);
      if (refused == 0) {
        EXPECT_TRUE(opened);
        Close(g);
        break;
      }
      EXPECT_FALSE(opened);
      EXPECT_EQ(Lasterror(g), -1);
      EXPECT_EQ(Int(g, "Handle"), 0);
      ClearLasterror(g);
      ASSERT_LT(skip, 10);
    }
  }
}

TEST_F(GZipFile, HandleCannotBePointedElsewhere) {
  HostInstance g = New("GZipFileKRO");
  ASSERT_TRUE(g.SetInteger("Handle", 0x1234).ok());
  EXPECT_EQ(Int(g, "Handle"), 0);
  Write(g, "abc");
  EXPECT_EQ(Lasterror(g), -1);

  Close(g);
  ASSERT_TRUE(Open(g, dir_ / "h.gz", "wb"));
  const RBInteger handle = Int(g, "Handle");
  ASSERT_TRUE(g.SetInteger("Handle", 0).ok());
  EXPECT_EQ(Int(g, "Handle"), handle);
  Write(g, "abc");
  EXPECT_EQ(Lasterror(g), 0);
}

TEST_F(GZipFile, SystemGzipReadsWhatWeWrite) {
  const std::string data = PatternBytes(300000) + NoiseBytes(70000);
  const auto path = dir_ / "ours.gz";
  {
    HostInstance g = New("GZipFileKRO");
    ASSERT_TRUE(Open(g, path, "wb9"));
    Write(g, std::string_view(data).substr(0, 200000));
    Call<void>(g, "Flush(flush as integer)", 2);
    EXPECT_EQ(Lasterror(g), 0);
    Call<void>(g, "SetParameter(level as integer, strategy as integer)", 1, 0);
    EXPECT_EQ(Lasterror(g), 0);
    Write(g, std::string_view(data).substr(200000, data.size() - 200001));
    Call<void>(g, "WriteByte(data as integer)", 0x100 | static_cast<unsigned char>(data.back()));
    EXPECT_EQ(Lasterror(g), 0);
    // The instance goes with the file open: the destructor closes it.
  }
  const auto out = dir_ / "out";
  ASSERT_EQ(std::system(("gzip -dc '" + path.string() + "' > '" + out.string() + "'").c_str()), 0);
  EXPECT_TRUE(Slurp(out) == data);
}

TEST_F(GZipFile, WeReadWhatSystemGzipWrites) {
  const std::string data = NoiseBytes(100000) + PatternBytes(200000);
  const auto plain = dir_ / "plain";
  WriteFile(plain, data);
  ASSERT_EQ(std::system(("gzip -k -9 '" + plain.string() + "'").c_str()), 0);
  HostInstance g = New("GZipFileKRO");
  ASSERT_TRUE(Open(g, dir_ / "plain.gz", "rb"));
  std::string read;
  while (!Bool(g, "EOF")) {
    HostString piece = Read(g, 65000);
    ASSERT_EQ(Lasterror(g), 0);
    read += piece.bytes();
  }
  EXPECT_TRUE(read == data);
  EXPECT_EQ(Int(g, "Position"), static_cast<RBInteger>(data.size()));
}

}  // namespace
}  // namespace zembra::test
