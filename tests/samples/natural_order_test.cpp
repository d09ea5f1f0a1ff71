#include "samples/natural_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zembra {
namespace {

TEST(NaturalOrder, DigitRunsByValueLettersWithoutCaseTiesByBytes) {
  const std::vector<std::string> expected = {
      "9",     "10",     "A1",      "a01",   "a1",        "b", "Kick2",
      "kick2", "kick10", "kick10b", "snare", "snare.vag", "x",
  };
  std::vector<std::string> names = expected;
  std::reverse(names.begin(), names.end());
  std::sort(names.begin(), names.end(), NaturalLess{});
  EXPECT_EQ(names, expected);
  std::rotate(names.begin(), names.begin() + 5, names.end());
  std::sort(names.begin(), names.end(), NaturalLess{});
  EXPECT_EQ(names, expected) << "the order does not depend on the input order";

  // Every pair compares consistently both ways.
  for (std::size_t i = 0; i < expected.size(); ++i) {
    for (std::size_t j = 0; j < expected.size(); ++j) {
      const int order = i < j ? -1 : (i > j ? 1 : 0);
      EXPECT_EQ(NaturalCompare(expected[i], expected[j]), order)
          << expected[i] << " " << expected[j];
    }
  }
}

TEST(NaturalOrder, LettersOfEitherCaseSortTogetherAmongTheSigns) {
  // In byte order every capital comes before "_" and every small letter
  // after it; folded, all letters come after it, from A to Z.
  const std::vector<std::string> expected = {"@", "[",    "_",     "Apple", "apple",
                                             "b", "Kick", "snare", "Zebra", "{"};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    for (std::size_t j = 0; j < expected.size(); ++j) {
      const int order = i < j ? -1 : (i > j ? 1 : 0);
      EXPECT_EQ(NaturalCompare(expected[i], expected[j]), order)
          << expected[i] << " " << expected[j];
    }
  }
}

TEST(NaturalOrder, DigitRunsLongerThanAnyIntegerStillCompareByValue) {
  EXPECT_LT(NaturalCompare("n99999999999999999999999", "n100000000000000000000000"), 0);
  EXPECT_GT(NaturalCompare("n100000000000000000000001", "n0100000000000000000000000"), 0);
  EXPECT_LT(NaturalCompare("", "a"), 0);
}

}  // namespace
}  // namespace zembra
