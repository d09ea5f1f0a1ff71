#include "samples/vag_header.h"

#include <gtest/gtest.h>

#include "tests/support/files.h"

namespace zembra {
namespace {

using test::Bytes;

TEST(VagHeader, TheTwoTestsLookAtTheFirstEightBytesOnly) {
  struct Case {
    const char* what;
    Bytes leading;
    bool game_form;
    bool needs_patch;
  };
  const Case cases[] = {
      {"game form", {0x56, 0x41, 0x47, 0x70, 0x01, 0, 0, 0}, true, false},
      {"ordinary form", {0x56, 0x41, 0x47, 0x70, 0, 0, 0, 0x20}, false, true},
      {"version differs in its last byte", {0x56, 0x41, 0x47, 0x70, 0x01, 0, 0, 0x01}, false, true},
      {"reversed magic", {0x70, 0x47, 0x41, 0x56, 0x01, 0, 0, 0}, false, false},
      {"seven bytes", {0x56, 0x41, 0x47, 0x70, 0x01, 0, 0}, false, false},
      {"magic only", {0x56, 0x41, 0x47, 0x70}, false, false},
      {"empty", {}, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsGameFormVag(c.leading), c.game_form) << c.what;
    EXPECT_EQ(NeedsVagPatch(c.leading), c.needs_patch) << c.what;
  }
}

TEST(VagHeader, ParsesBothFormsAndConvertsTheOrdinaryOne) {
  const Bytes ordinary = test::MakeVag(64, /*game_form=*/false, 0x1000, 44100);
  const auto parsed = ParseVagHeader(ordinary);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->form, VagForm::kOrdinary);
  EXPECT_EQ(parsed->version, 0x20u);
  EXPECT_EQ(parsed->data_size, 0x1000u);
  EXPECT_EQ(parsed->sample_rate, 44100u);

  const auto converted =
      ToGameForm(std::span<const std::uint8_t, kVagHeaderSize>(ordinary.data(), kVagHeaderSize));
  const Bytes expected = {0x56, 0x41,        0x47,        0x70,         0x01,         0x00, 0x00,
                          0x00, ordinary[8], ordinary[9], ordinary[10], ordinary[11], 0x00, 0x10,
                          0x00, 0x00,        0x44,        0xAC,         0x00,         0x00};
  EXPECT_EQ(Bytes(converted.begin(), converted.end()), expected);

  const auto game = ParseVagHeader(converted);
  ASSERT_TRUE(game.has_value());
  EXPECT_EQ(game->form, VagForm::kGame);
  EXPECT_EQ(game->version, 1u);
  EXPECT_EQ(game->data_size, 0x1000u);
  EXPECT_EQ(game->sample_rate, 44100u);

  EXPECT_FALSE(ParseVagHeader(Bytes(ordinary.begin(), ordinary.begin() + 19)).has_value());
  EXPECT_FALSE(ParseVagHeader(Bytes(20, 0)).has_value());
}

}  // namespace
}  // namespace zembra
