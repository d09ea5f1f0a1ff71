#include "songfile/tempo.h"

#include <gtest/gtest.h>

#include <string>

namespace zembra {
namespace {

TEST(ParseTempo, AcceptsWholePositiveNumbersWithBlanksAround) {
  const std::pair<std::string, std::int32_t> cases[] = {
      {"120", 120},          {"1", 1},  {" 120 ", 120}, {"\t90\n", 90},
      {"0120", 120},         {"+5", 5}, {"  +60", 60},  {"2147483647", 2147483647},
      {"00000000000007", 7},
  };
  for (const auto& [text, value] : cases) {
    const Result<std::int32_t> tempo = ParseTempo(text);
    ASSERT_TRUE(tempo.ok()) << "\"" << text << "\"";
    EXPECT_EQ(tempo.value(), value) << "\"" << text << "\"";
  }
}

TEST(ParseTempo, RefusesAnythingElseWithTheTempoMessage) {
  const std::string cases[] = {
      "0",
      "",
      "   ",
      "BPM",
      "-120",
      "120.5",
      "120abc",
      "abc120",
      "1 2",
      "+",
      "++5",
      "+-5",
      "0x10",
      "1e3",
      "00",
      "2147483648",
      "99999999999",
      "184467440737095516170",
      std::string("12\0"
                  "0",
                  4),
      "\xEF\xBC\x91\xEF\xBC\x92",
  };
  for (const std::string& text : cases) {
    const Result<std::int32_t> tempo = ParseTempo(text);
    ASSERT_FALSE(tempo.ok()) << "\"" << text << "\"";
    EXPECT_EQ(tempo.error().message, kTempoMessage);
  }
}

}  // namespace
}  // namespace zembra
