#include "platform/terminal_text.h"

#include <gtest/gtest.h>

namespace zembra {
namespace {

TEST(EscapeControlBytes, ControlCharactersBecomeHexAndTextStays) {
  EXPECT_EQ(EscapeControlBytes("plain name.vag"), "plain name.vag");
  EXPECT_EQ(EscapeControlBytes("a\x1b[2Jb"), "a\\x1b[2Jb");
  EXPECT_EQ(EscapeControlBytes("two\nlines\t\x7f"), "two\\x0alines\\x09\\x7f");
  EXPECT_EQ(EscapeControlBytes(std::string_view("nul\0", 4)), "nul\\x00");
  EXPECT_EQ(EscapeControlBytes("back\\slash"), "back\\\\slash");
  // C1: as a lone byte and as UTF-8 (U+009B), but not inside other letters.
  EXPECT_EQ(EscapeControlBytes("\x9b"
                               "31m"),
            "\\x9b31m");
  EXPECT_EQ(EscapeControlBytes("\xc2\x9b"
                               "31m"),
            "\\xc2\\x9b31m");
  EXPECT_EQ(EscapeControlBytes("\xc4\x9b \xc2\xa0 \xe2\x9c\x93 \xf0\x9f\x8e\xb5"),
            "\xc4\x9b \xc2\xa0 \xe2\x9c\x93 \xf0\x9f\x8e\xb5");
  // Broken UTF-8 leaves its high bytes, but never a C1 byte, as they are.
  EXPECT_EQ(EscapeControlBytes("\xe2\x9c"), "\xe2\\x9c");
  EXPECT_EQ(EscapeControlBytes("\xff\xc2"), "\xff\xc2");
}

}  // namespace
}  // namespace zembra
