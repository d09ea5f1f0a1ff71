// The archive header's two sizes, at their limits.
#include "archive/bar_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.h"

namespace zembra {
namespace {

using test::Bytes;

void PutLe32(Bytes& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// An archive of `packed` whose header announces the two sizes given.
Bytes Archive(std::string_view packed, std::uint32_t unpacked_size, std::uint32_t packed_size) {
  Bytes bytes = {0xE1, 0x17, 0xEF, 0xAD, 0x00, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0};
  for (std::uint32_t value : {1u, 6118477u, 0u, unpacked_size, packed_size}) {
    PutLe32(bytes, value);
  }
  bytes.insert(bytes.end(), packed.begin(), packed.end());
  return bytes;
}

TEST(BarReader, ThePackedSizeMustBeWhatFollowsTheHeader) {
  Result<BarHeader> exact = ParseBarHeader(Archive("0123456789", 50, 10), "BULK.BAR");
  ASSERT_TRUE(exact.ok()) << exact.error().message;
  EXPECT_EQ(exact->unpacked_size, 50u);
  EXPECT_EQ(exact->packed_size, 10u);
  for (std::uint32_t announced : {9u, 11u}) {
    Result<BarHeader> header = ParseBarHeader(Archive("0123456789", 50, announced), "BULK.BAR");
    ASSERT_FALSE(header.ok()) << announced;
    EXPECT_NE(header.error().message.find("announces " + std::to_string(announced) +
                                          " packed bytes but 10 follow"),
              std::string::npos)
        << header.error().message;
  }
}

TEST(BarReader, ASizeNoPackedDataCanReachIsRefusedBeforeInflating) {
  int calls = 0;
  const DecompressFunction inflate = [&](std::string_view, std::int32_t size) {
    ++calls;
    return std::string(static_cast<std::size_t>(size), 's');
  };
  // Deflate packs at most 1032 bytes into one, plus a little.
  const std::uint32_t most = 1032 * 10 + 64;
  Result<std::string> song = UnpackBar(Archive("0123456789", most, 10), "BULK.BAR", inflate);
  ASSERT_TRUE(song.ok()) << song.error().message;
  EXPECT_EQ(song->size(), most);
  EXPECT_EQ(calls, 1);

  song = UnpackBar(Archive("0123456789", most + 1, 10), "BULK.BAR", inflate);
  ASSERT_FALSE(song.ok());
  EXPECT_NE(song.error().message.find("more than 10 packed bytes can hold"), std::string::npos)
      << song.error().message;
  EXPECT_EQ(calls, 1) << "a buffer for the claimed size was asked for";
}

}  // namespace
}  // namespace zembra
