#include "runtime/host_string.h"

#include <gtest/gtest.h>

namespace zembra {
namespace {

TEST(HostString, CountsReferencesThroughCopiesMovesAndAdoption) {
  HostString a("abc");
  EXPECT_EQ(a.refCount(), 1u);
  EXPECT_EQ(a.encoding(), kREALEncodingRaw);
  {
    HostString b = a;
    EXPECT_EQ(a.refCount(), 2u);
    HostString c = std::move(b);
    EXPECT_TRUE(b.absent());
    EXPECT_EQ(c.get(), a.get());
    EXPECT_EQ(a.refCount(), 2u);
  }
  EXPECT_EQ(a.refCount(), 1u);
  HostString shared = HostString::Share(a.get());
  EXPECT_EQ(a.refCount(), 2u);
  HostLockString(a.get());
  HostString adopted = HostString::Adopt(a.get());
  EXPECT_EQ(a.refCount(), 3u);
  shared = HostString();
  adopted = std::move(shared);
  EXPECT_EQ(a.refCount(), 1u);
  EXPECT_EQ(a.bytes(), "abc");
}

TEST(HostString, EmptyIsPresentAndAbsentReadsAsEmpty) {
  HostString empty("");
  EXPECT_FALSE(empty.absent());
  EXPECT_EQ(empty.bytes().size(), 0u);
  HostString absent;
  EXPECT_TRUE(absent.absent());
  EXPECT_EQ(absent.bytes(), "");
  size_t length = 99;
  EXPECT_STREQ(REALGetStringContents(nullptr, &length), "");
  EXPECT_EQ(length, 0u);
}

TEST(HostString, KeepsEmbeddedNulsAndEncoding) {
  HostString s(std::string_view("a\0b", 3), kREALEncodingASCII);
  EXPECT_EQ(s.bytes(), std::string_view("a\0b", 3));
  EXPECT_EQ(s.encoding(), kREALEncodingASCII);
  EXPECT_EQ(HostBuildString(nullptr, 3), nullptr);
}

}  // namespace
}  // namespace zembra
