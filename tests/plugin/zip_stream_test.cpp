// ZLibCompressKRO and ZLibDecompressKRO, driven as a host program drives them.

#include <string>

#include "tests/plugin/plugin_fixture.h"

namespace zembra::test {
namespace {

constexpr RBInteger kOutputSize = 131072;
constexpr size_t kPiece = 65536;
const REALstring kAbsent = nullptr;

class ZipStream : public PluginTest {
 protected:
  static void InitCompress(const HostInstance& z, RBInteger level) {
    Call<void>(z, "InitZip(level as integer)", level);
  }
  static void InitDecompress(const HostInstance& z) { Call<void>(z, "InitZip"); }
  static bool SetInput(const HostInstance& z, std::string_view bytes) {
    HostString data(bytes);
    return Call<RBBoolean>(z, "SetInput(data as string) as boolean", data.get());
  }
  static void Process(const HostInstance& z) { Call<void>(z, "ProcessZip"); }
  static void End(const HostInstance& z) { Call<void>(z, "EndZip"); }
  static void Close(const HostInstance& z) { Call<void>(z, "Close"); }
  static std::string Output(const HostInstance& z) {
    return CallString(z, "GetOutput as string").str();
  }
  static RBInteger InputAvail(const HostInstance& z) {
    return Call<RBInteger>(z, "InputAvail as integer");
  }
  static RBInteger OutputSize(const HostInstance& z) {
    return Call<RBInteger>(z, "OutputSize as integer");
  }

  // Feeds one piece and steps until zlib has taken it all and the output
  // buffer is not left full, collecting the output; stops early on an error.
  static void Feed(const HostInstance& z, std::string_view piece, std::string* out) {
    ASSERT_TRUE(SetInput(z, piece));
    bool full = false;
    do {
      Process(z);
      full = OutputSize(z) == kOutputSize;
      *out += Output(z);
      const RBInteger error = Int(z, "Error");
      if (error == 1 || (error < 0 && error != -5)) return;
    } while (InputAvail(z) > 0 || full);
  }

  static std::string CompressInPieces(std::string_view data, RBInteger level) {
    HostInstance z = New("ZLibCompressKRO");
    InitCompress(z, level);
    std::string out;
    for (size_t at = 0; at < data.size(); at += kPiece) Feed(z, data.substr(at, kPiece), &out);
    out += Output(z);
    End(z);
    out += Output(z);
    EXPECT_EQ(Int(z, "Error"), 0);
    return out;
  }

  static std::string DecompressInPieces(std::string_view stream, size_t piece = kPiece) {
    HostInstance z = New("ZLibDecompressKRO");
    InitDecompress(z);
    std::string out;
    for (size_t at = 0; at < stream.size() && Int(z, "Error") == 0; at += piece) {
      Feed(z, stream.substr(at, piece), &out);
    }
    EXPECT_EQ(Int(z, "Error"), 1);
    EXPECT_EQ(static_cast<size_t>(Int(z, "TotalOutput")), out.size());
    End(z);
    EXPECT_EQ(Int(z, "Error"), 0);
    return out;
  }

  static HostString DecompressOneShot(std::string_view stream, size_t size) {
    HostString in(stream);
    return CallGlobalString(kDecompress, in.get(), static_cast<RBInteger>(size));
  }
};

TEST_F(ZipStream, NewInstancesHaveNothingWaiting) {
  for (const char* name : {"ZLibCompressKRO", "ZLibDecompressKRO"}) {
    SCOPED_TRACE(name);
    HostInstance z = New(name);
    EXPECT_EQ(Int(z, "Error"), 0);
    EXPECT_EQ(Int(z, "TotalInput"), 0);
    EXPECT_EQ(Int(z, "TotalOutput"), 0);
    EXPECT_TRUE(Str(z, "ErrorMessage").absent());
    EXPECT_EQ(Output(z), "");
    EXPECT_EQ(OutputSize(z), 0);
    EXPECT_EQ(InputAvail(z), 0);
  }
  EXPECT_EQ(Int(New("ZLibCompressKRO"), "CRC"), 0);
}

TEST_F(ZipStream, SetInputTakesOneToSixtyFourKibibytes) {
  HostInstance z = New("ZLibCompressKRO");
  InitCompress(z, 6);
  EXPECT_TRUE(SetInput(z, std::string(65536, 'x')));
  EXPECT_EQ(InputAvail(z), 65536);
  EXPECT_FALSE(SetInput(z, std::string(65537, 'x')));
  EXPECT_FALSE(SetInput(z, ""));
  EXPECT_FALSE(Call<RBBoolean>(z, "SetInput(data as string) as boolean", kAbsent));
  EXPECT_EQ(InputAvail(z), 65536);
  EXPECT_TRUE(SetInput(z, "abc"));  // drops what was not taken yet
  EXPECT_EQ(InputAvail(z), 3);
}

TEST_F(ZipStream, CompressesAbcInOneStep) {
  HostInstance z = New("ZLibCompressKRO");
  InitCompress(z, 9);
  EXPECT_EQ(Int(z, "Error"), 0);
  EXPECT_EQ(Int(z, "CRC"), 1);
  EXPECT_EQ(Output(z), "");
  ASSERT_TRUE(SetInput(z, "abc"));
  Process(z);
  EXPECT_EQ(Int(z, "Error"), 0);
  End(z);
  EXPECT_EQ(Int(z, "Error"), 0);
  const std::string stream = Output(z);
  EXPECT_EQ(stream, std::string_view("\x78\xDA\x4B\x4C\x4A\x06\x00\x02\x4D\x01\x27", 11));
  EXPECT_EQ(Output(z), "");
  EXPECT_EQ(OutputSize(z), 0);
  EXPECT_EQ(DecompressOneShot(stream, 3).bytes(), "abc");
  EXPECT_EQ(Int(z, "CRC"), 0x024D0127);
  EXPECT_EQ(Int(z, "TotalInput"), 3);
  EXPECT_EQ(Int(z, "TotalOutput"), 11);
}

TEST_F(ZipStream, CallsWithoutAStreamGiveStreamError) {
  HostInstance c = New("ZLibCompressKRO");
  Process(c);
  EXPECT_EQ(Int(c, "Error"), -2);
  End(c);
  EXPECT_EQ(Int(c, "Error"), -2);
  InitCompress(c, 10);
  EXPECT_EQ(Int(c, "Error"), -2);
  InitCompress(c, 1);
  End(c);
  EXPECT_EQ(Int(c, "Error"), 0);
  Process(c);
  EXPECT_EQ(Int(c, "Error"), -2);

  HostInstance d = New("ZLibDecompressKRO");
  Process(d);
  EXPECT_EQ(Int(d, "Error"), -2);
  End(d);
  EXPECT_EQ(Int(d, "Error"), -2);
}

TEST_F(ZipStream, EndZipOnAFullOutputBufferWaitsForGetOutput) {
  HostInstance z = New("ZLibCompressKRO");
  InitCompress(z, 0);
  std::string given;
  for (uint32_t seed = 1; OutputSize(z) < kOutputSize; ++seed) {
    ASSERT_LT(seed, 10u);
    const std::string piece = NoiseBytes(kPiece, seed);
    ASSERT_TRUE(SetInput(z, piece));
    given += piece;
    while (InputAvail(z) > 0 && OutputSize(z) < kOutputSize) Process(z);
  }
  End(z);
  EXPECT_EQ(Int(z, "Error"), -5);
  EXPECT_EQ(Str(z, "ErrorMessage").bytes(), "buffer error");
  std::string stream = Output(z);
  EXPECT_EQ(stream.size(), static_cast<size_t>(kOutputSize));
  End(z);
  EXPECT_EQ(Int(z, "Error"), 0);
  stream += Output(z);
  EXPECT_TRUE(DecompressOneShot(stream, given.size()).bytes() == given);
}

TEST_F(ZipStream, EndZipWithoutRoomForTheRestReportsACutStream) {
  HostInstance z = New("ZLibCompressKRO");
  InitCompress(z, 0);
  ASSERT_TRUE(SetInput(z, NoiseBytes(kPiece, 1)));
  Process(z);
  // Less room is left than the next piece needs.
  ASSERT_GT(OutputSize(z), kOutputSize - static_cast<RBInteger>(kPiece));
  ASSERT_TRUE(SetInput(z, NoiseBytes(kPiece, 2)));
  End(z);
  EXPECT_EQ(Int(z, "Error"), -3);
}

TEST_F(ZipStream, SeveralMebibytesInPiecesRoundTrip) {
  const std::string data = PatternBytes(2 << 20) + NoiseBytes(1 << 20) + PatternBytes(12345);
  for (RBInteger level : {1, 9}) {
    SCOPED_TRACE(level);
    const std::string stream = CompressInPieces(data, level);
    EXPECT_TRUE(DecompressOneShot(stream, data.size()).bytes() == data);
    EXPECT_TRUE(DecompressInPieces(stream) == data);
  }
  // A stream made in one call, fed in odd-sized pieces.
  HostString in(data);
  HostString packed = CallGlobalString(kCompress, in.get(), 6);
  EXPECT_TRUE(DecompressInPieces(packed.bytes(), 777) == data);
  const std::string small = PatternBytes(5000) + NoiseBytes(3000);
  HostString smallIn(small);
  EXPECT_TRUE(DecompressInPieces(CallGlobalString(kCompress, smallIn.get(), 9).bytes(), 1) ==
              small);
}

TEST_F(ZipStream, CorruptInputStopsTheDecompressorWithAMessage) {
  HostInstance z = New("ZLibDecompressKRO");
  InitDecompress(z);
  ASSERT_TRUE(SetInput(z, "this is not a zlib stream"));
  Process(z);
  EXPECT_EQ(Int(z, "Error"), -3);
  EXPECT_FALSE(Str(z, "ErrorMessage").bytes().empty());
  End(z);
  EXPECT_EQ(Int(z, "Error"), 0);

  // A stream with a damaged check value fails at its very end.
  HostString abc("abcabcabc");
  std::string stream(CallGlobalString(kCompress, abc.get(), 9).bytes());
  stream.back() ^= 0x40;
  InitDecompress(z);
  ASSERT_TRUE(SetInput(z, stream));
  Process(z);
  EXPECT_EQ(Int(z, "Error"), -3);
  EXPECT_EQ(Str(z, "ErrorMessage").bytes(), "incorrect data check");
}

TEST_F(ZipStream, AfterCloseEverythingRefusesAndCountersStay) {
  for (const char* name : {"ZLibCompressKRO", "ZLibDecompressKRO"}) {
    SCOPED_TRACE(name);
    HostInstance z = New(name);
    std::string stream;
    if (name[4] == 'C') {
      InitCompress(z, 9);
      ASSERT_TRUE(SetInput(z, "abcabc"));
    } else {
      InitDecompress(z);
      HostString abc("abcabc");
      ASSERT_TRUE(SetInput(z, CallGlobalString(kCompress, abc.get(), 9).bytes()));
    }
    Process(z);  // leaves a stream open, with output waiting
    const RBInteger in = Int(z, "TotalInput"), out = Int(z, "TotalOutput"), error = Int(z, "Error");
    Close(z);
    EXPECT_EQ(Output(z), "");
    EXPECT_EQ(OutputSize(z), 0);
    EXPECT_EQ(Int(z, "TotalInput"), in);
    EXPECT_EQ(Int(z, "TotalOutput"), out);
    EXPECT_EQ(Int(z, "Error"), error);
    EXPECT_FALSE(SetInput(z, "abc"));
    Process(z);
    EXPECT_EQ(Int(z, "Error"), -2);
    End(z);
    EXPECT_EQ(Int(z, "Error"), -2);
    if (name[4] == 'C')
      InitCompress(z, 9);
    else
      InitDecompress(z);
    EXPECT_EQ(Int(z, "Error"), -4);
    Close(z);  // twice is harmless
  }
}

TEST_F(ZipStream, InstancesGoCleanlyInAnyState) {
  // Leak checking watches these: zlib's state must go with each instance.
  HostInstance c = New("ZLibCompressKRO");
  InitCompress(c, 9);
  InitCompress(c, 9);  // a second start ends the first stream
  ASSERT_TRUE(SetInput(c, NoiseBytes(kPiece)));
  Process(c);
  HostInstance d = New("ZLibDecompressKRO");
  InitDecompress(d);
  HostString abc(PatternBytes(100000));
  ASSERT_TRUE(SetInput(d, CallGlobalString(kCompress, abc.get(), 9).bytes().substr(0, 1000)));
  Process(d);
  HostInstance never = New("ZLibCompressKRO");
}

TEST_F(ZipStream, HostAssignmentsReplaceTheFields) {
  HostInstance z = New("ZLibCompressKRO");
  InitCompress(z, 9);
  ASSERT_TRUE(z.SetInteger("Error", 42).ok());
  ASSERT_TRUE(z.SetInteger("TotalInput", -7).ok());
  EXPECT_EQ(Int(z, "Error"), 42);
  EXPECT_EQ(Int(z, "TotalInput"), -7);
  ASSERT_TRUE(SetInput(z, "abc"));
  Process(z);
  EXPECT_EQ(Int(z, "Error"), 0);
  EXPECT_FALSE(z.SetInteger("CRC", 1).ok());  // read-only
  End(z);
  EXPECT_EQ(DecompressOneShot(Output(z), 3).bytes(), "abc");
}

}  // namespace
}  // namespace zembra::test
