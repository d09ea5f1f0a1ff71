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

// A borrowed string shows the caller's bytes in place; a reference kept past
// the borrow sees a copy, never the lender's memory after it is gone.
TEST(BorrowedHostString, ShowsTheBytesInPlaceAndCopiesOnlyForThoseWhoKeepThem) {
  const size_t before = HostLiveStrings();
  std::string lender("song bytes");
  HostString kept;
  {
    BorrowedHostString borrowed(lender);
    ASSERT_NE(borrowed.get(), nullptr);
    EXPECT_EQ(borrowed.get()->bytes, lender.data());
    EXPECT_EQ(borrowed.get()->length, lender.size());
    EXPECT_EQ(HostLiveStrings(), before + 1);
    kept = HostString::Share(borrowed.get());
  }
  lender.assign("overwritten");
  EXPECT_EQ(kept.bytes(), "song bytes");
  EXPECT_EQ(kept.refCount(), 1u);
  kept = HostString();
  EXPECT_EQ(HostLiveStrings(), before);

  {
    BorrowedHostString borrowed(std::string_view{});
    EXPECT_EQ(HostString::Share(borrowed.get()).bytes(), "");
  }
  EXPECT_EQ(HostLiveStrings(), before);
}

}  // namespace
}  // namespace zembra
