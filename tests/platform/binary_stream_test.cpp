#include "platform/binary_stream.h"

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using test::Bytes;
using test::ReadFile;
using test::TempDir;

TEST(BinaryStream, NumbersAreBigEndianUntilSwitched) {
  TempDir dir;
  auto stream = BinaryStream::Create(dir / "f");
  ASSERT_TRUE(stream.ok()) << stream.error().message;
  stream->WriteInt32(1);
  stream->SetLittleEndian(true);
  stream->WriteInt32(1);
  stream->WriteInt16(0x0102);
  stream->WriteInt64(0x0102030405060708ull);
  stream->WriteByte(0xAB);
  ASSERT_TRUE(stream->Close().ok());
  EXPECT_EQ(ReadFile(dir / "f"),
            (Bytes{0, 0, 0, 1, 1, 0, 0, 0, 2, 1, 8, 7, 6, 5, 4, 3, 2, 1, 0xAB}));
}

TEST(BinaryStream, PositionLengthAndReadBack) {
  TempDir dir;
  auto stream = BinaryStream::Create(dir / "f");
  ASSERT_TRUE(stream.ok());
  stream->Write(std::string_view("abcdefgh"));
  EXPECT_EQ(stream->Position(), 8u);
  EXPECT_EQ(stream->Length(), 8u);
  stream->SetPosition(4);
  EXPECT_EQ(stream->ReadInt32(), 0x65666768u);  // "efgh", big-endian
  EXPECT_FALSE(stream->ReadInt32().has_value()) << "no number past the end";
  stream->SetPosition(2);
  stream->Write(std::string_view("XY"));  // a write right after a read
  stream->SetPosition(0);
  EXPECT_EQ(stream->Read(100), test::BytesOf("abXYefgh"));
  ASSERT_TRUE(stream->Close().ok());
}

TEST(BinaryStream, OpenFailuresNameTheFileAndReason) {
  TempDir dir;
  auto missing = BinaryStream::Open(dir / "missing.vag", BinaryStream::Access::kRead);
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.error().message.find("missing.vag"), std::string::npos);
  EXPECT_NE(missing.error().message.find("No such file"), std::string::npos);

  auto folder = BinaryStream::Open(dir.path(), BinaryStream::Access::kRead);
  ASSERT_FALSE(folder.ok());
  EXPECT_NE(folder.error().message.find("Is a directory"), std::string::npos);
}

TEST(BinaryStream, WriteErrorsAreStickyAndReportedOnClose) {
  auto full = BinaryStream::Open("/dev/full", BinaryStream::Access::kReadWrite);
  ASSERT_TRUE(full.ok()) << full.error().message;
  for (int i = 0; i < 100000; ++i) full->WriteInt32(7);  // more than the buffer holds
  const Status closed = full->Close();
  ASSERT_FALSE(closed.ok());
  EXPECT_NE(closed.error().message.find("/dev/full"), std::string::npos);
  EXPECT_NE(closed.error().message.find("No space left"), std::string::npos);
}

}  // namespace
}  // namespace zembra
