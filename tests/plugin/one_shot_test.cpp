// The plug-in's global methods and shared class members, called by declaration.

#include <zlib.h>

#include <climits>
#include <string>

#include "runtime/host_objects.h"
#include "tests/plugin/plugin_fixture.h"

namespace zembra::test {
namespace {

using OneShot = PluginTest;

const REALstring kAbsent = nullptr;

HostString Compress(std::string_view bytes, RBInteger level) {
  HostString in(bytes);
  return PluginTest::CallGlobalString(kCompress, in.get(), level);
}

HostString Decompress(std::string_view bytes, RBInteger size) {
  HostString in(bytes);
  return PluginTest::CallGlobalString(kDecompress, in.get(), size);
}

TEST_F(OneShot, CompressGivesTheExactZlibStream) {
  EXPECT_TRUE(CallGlobalString(kCompress, kAbsent, 9).absent());

  HostString empty = Compress("", 9);
  EXPECT_EQ(empty.bytes(), std::string_view("\x78\xDA\x03\x00\x00\x00\x00\x01", 8));
  EXPECT_EQ(empty.encoding(), kREALEncodingRaw);
  EXPECT_EQ(empty.refCount(), 1u);

  EXPECT_EQ(Compress("abc", 9).bytes(),
            std::string_view("\x78\xDA\x4B\x4C\x4A\x06\x00\x02\x4D\x01\x27", 11));
}

TEST_F(OneShot, CompressRefusesInvalidLevels) {
  EXPECT_TRUE(Compress("abc", 10).absent());
  EXPECT_TRUE(Compress("abc", -2).absent());
  EXPECT_TRUE(Compress("abc", INT_MIN).absent());
  EXPECT_FALSE(Compress("abc", -1).absent());
}

TEST_F(OneShot, RoundTripsAreExactAtEveryLevel) {
  const std::string mixed = PatternBytes(40000) + NoiseBytes(30000) + std::string(5000, '\0');
  for (RBInteger level = -1; level <= 9; ++level) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{1000}, mixed.size()}) {
      const std::string_view x(mixed.data(), size);
      HostString packed = Compress(x, level);
      ASSERT_FALSE(packed.absent()) << "level " << level << " size " << size;
      EXPECT_EQ(Decompress(packed.bytes(), static_cast<RBInteger>(size)).bytes(), x)
          << "level " << level << " size " << size;
    }
  }
}

TEST_F(OneShot, RoundTripsOfSeveralMebibytes) {
  for (const std::string& x : {NoiseBytes(3 << 20), PatternBytes(4 << 20)}) {
    for (RBInteger level : {0, 1, 9}) {
      HostString packed = Compress(x, level);
      ASSERT_FALSE(packed.absent());
      // zlib's own inflate agrees with ours.
      std::string check(x.size(), '\0');
      uLongf n = check.size();
      ASSERT_EQ(
          uncompress(reinterpret_cast<Bytef*>(check.data()), &n,
                     reinterpret_cast<const Bytef*>(packed.bytes().data()), packed.bytes().size()),
          Z_OK);
      EXPECT_TRUE(n == x.size() && check == x);
      EXPECT_TRUE(Decompress(packed.bytes(), static_cast<RBInteger>(x.size())).bytes() == x);
    }
  }
}

TEST_F(OneShot, DecompressAcceptsUpTo1024BytesMoreThanTheSize) {
  const std::string x1024 = NoiseBytes(1024), x1025 = NoiseBytes(1025);
  EXPECT_EQ(Decompress(Compress(x1024, 9).bytes(), 0).bytes(), x1024);
  EXPECT_TRUE(Decompress(Compress(x1025, 9).bytes(), 0).absent());
  EXPECT_EQ(Decompress(Compress(x1025, 9).bytes(), 1).bytes(), x1025);
  // A stream of nothing inflates to nothing: the empty string.
  EXPECT_TRUE(Decompress(Compress("", 9).bytes(), 0).absent());
}

TEST_F(OneShot, DecompressRefusesBadStreamsAndSizes) {
  const std::string packed(Compress("abcabcabc", 9).bytes());
  EXPECT_TRUE(CallGlobalString(kDecompress, kAbsent, 100).absent());
  EXPECT_TRUE(Decompress("not a zlib stream", 100).absent());
  EXPECT_TRUE(Decompress("", 100).absent());
  EXPECT_TRUE(Decompress(packed.substr(0, packed.size() - 1), 100).absent());
  EXPECT_TRUE(Decompress(packed.substr(0, 4), 100).absent());
  std::string badCheck = packed;
  badCheck.back() ^= 1;
  EXPECT_TRUE(Decompress(badCheck, 100).absent());
  // Sizes that cannot describe any result are refused before any allocation.
  EXPECT_TRUE(Decompress(packed, -1).absent());
  EXPECT_TRUE(Decompress(packed, INT_MIN).absent());
  EXPECT_TRUE(Decompress(packed, INT_MAX).absent());
  EXPECT_TRUE(Decompress(packed, INT_MAX - 1023).absent());
  EXPECT_EQ(Decompress(packed, 9).bytes(), "abcabcabc");
}

TEST_F(OneShot, StringChecksumsMatchKnownValuesAndChain) {
  HostString digits("123456789"), abc("abc"), ab("ab"), c("c"), empty("");
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32String, 0, digits.get()), -873187034);  // 0xCBF43926
  EXPECT_EQ(CallGlobal<RBInteger>(kAdler32String, 1, abc.get()), 0x024D0127);
  const RBInteger crcAb = CallGlobal<RBInteger>(kCRC32String, 0, ab.get());
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32String, crcAb, c.get()),
            CallGlobal<RBInteger>(kCRC32String, 0, abc.get()));
  const RBInteger adlerAb = CallGlobal<RBInteger>(kAdler32String, 1, ab.get());
  EXPECT_EQ(CallGlobal<RBInteger>(kAdler32String, adlerAb, c.get()), 0x024D0127);

  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32String, 12345, kAbsent), 0);
  EXPECT_EQ(CallGlobal<RBInteger>(kAdler32String, 12345, kAbsent), 1);
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32String, 12345, empty.get()), 12345);
}

TEST_F(OneShot, MemoryChecksumsStayInsideTheBlock) {
  HostMemoryBlock block("xx123456789yy");
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 0, block.get(), 2, 9), -873187034);
  HostMemoryBlock abc("abc");
  EXPECT_EQ(CallGlobal<RBInteger>(kAdler32Memory, 1, abc.get(), 0, 3), 0x024D0127);
  // Chained over two ranges of one block.
  const RBInteger first = CallGlobal<RBInteger>(kCRC32Memory, 0, block.get(), 2, 4);
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, first, block.get(), 6, 5), -873187034);

  // Empty ranges inside the block keep the start value, up to its very end.
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 777, block.get(), 5, 0), 777);
  EXPECT_EQ(CallGlobal<RBInteger>(kAdler32Memory, 777, block.get(), 13, 0), 777);

  const REALmemoryBlock none = nullptr;
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 777, none, 0, 0), 0);
  EXPECT_EQ(CallGlobal<RBInteger>(kAdler32Memory, 777, none, 0, 3), 1);

  // Ranges reaching outside the block read nothing and give the initial value.
  struct Range {
    RBInteger offset, length;
  };
  for (Range r : {Range{0, 14}, Range{13, 1}, Range{14, 0}, Range{-1, 2}, Range{2, -1},
                  Range{INT_MAX, INT_MAX}, Range{1, INT_MAX}}) {
    EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 777, block.get(), r.offset, r.length), 0)
        << r.offset << "+" << r.length;
    EXPECT_EQ(CallGlobal<RBInteger>(kAdler32Memory, 777, block.get(), r.offset, r.length), 1)
        << r.offset << "+" << r.length;
  }
}

// Some hosts hand over an empty string with no bytes at all; zlib would take
// the null buffer for a request to start a checksum afresh.
TEST_F(OneShot, AnEmptyStringWithoutBytesLeavesARunningChecksumAlone) {
  REALstringRecord noBytes{1, kREALEncodingRaw, 0, nullptr};
  HostString ab("ab");
  const RBInteger crcAb = CallGlobal<RBInteger>(kCRC32String, 0, ab.get());
  const RBInteger adlerAb = CallGlobal<RBInteger>(kAdler32String, 1, ab.get());
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32String, crcAb, &noBytes), crcAb);
  EXPECT_EQ(CallGlobal<RBInteger>(kAdler32String, adlerAb, &noBytes), adlerAb);
  for (const char* name : {"ZLibCompressKRO", "ZLibDecompressKRO", "GZipFileKRO"}) {
    SCOPED_TRACE(name);
    HostInstance instance = New(name);
    EXPECT_EQ(Call<RBInteger>(instance, "CRC32(start as integer, data as string) as integer", crcAb,
                              &noBytes),
              crcAb);
    EXPECT_EQ(Call<RBInteger>(instance, "Adler32(start as integer, data as string) as integer",
                              adlerAb, &noBytes),
              adlerAb);
  }
  EXPECT_EQ(CallGlobalString(kCompress, &noBytes, 9).bytes(),
            std::string_view("\x78\xDA\x03\x00\x00\x00\x00\x01", 8));
  EXPECT_EQ(noBytes.refCount, 1u);
}

// A host that cannot tell a memory block's size: the caller's range is
// trusted, as the methods' contract asks the caller to keep it inside.
class HostWithoutBlockSizes : public PluginTest {
 protected:
  HostOptions Options() const override {
    return {.version = 10.0, .withheld = {"REALMemoryBlockGetSize"}};
  }
};

TEST_F(HostWithoutBlockSizes, MemoryChecksumsTrustTheCallersRange) {
  HostMemoryBlock block("xx123456789yy");
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 0, block.get(), 2, 9), -873187034);
  const RBInteger first = CallGlobal<RBInteger>(kAdler32Memory, 1, block.get(), 2, 4);
  EXPECT_EQ(CallGlobal<RBInteger>(kAdler32Memory, first, block.get(), 6, 5),
            CallGlobal<RBInteger>(kAdler32Memory, 1, block.get(), 2, 9));
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 777, block.get(), 13, 0), 777);
  // What needs no size is still refused.
  const REALmemoryBlock none = nullptr;
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 777, none, 0, 3), 0);
  EXPECT_EQ(CallGlobal<RBInteger>(kAdler32Memory, 777, block.get(), -1, 3), 1);
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 777, block.get(), 0, -1), 0);
}

TEST_F(OneShot, SharedClassMembersOnEveryClass) {
  HostString abc("abc");
  for (const char* name : {"ZLibCompressKRO", "ZLibDecompressKRO", "GZipFileKRO"}) {
    SCOPED_TRACE(name);
    HostInstance instance = New(name);
    EXPECT_EQ(Call<RBInteger>(instance, "CRC32(start as integer, data as string) as integer", 12345,
                              kAbsent),
              12345);
    EXPECT_EQ(Call<RBInteger>(instance, "Adler32(start as integer, data as string) as integer", 1,
                              abc.get()),
              0x024D0127);
    EXPECT_EQ(Call<RBInteger>(instance, "CRC32(start as integer, data as string) as integer", 0,
                              abc.get()),
              0x352441C2);
    HostString version = Str(instance, "Version");
    EXPECT_EQ(version.bytes(), zlibVersion());
    EXPECT_EQ(version.encoding(), kREALEncodingASCII);
  }
}

}  // namespace
}  // namespace zembra::test
