#include <gtest/gtest.h>

#include "audio/adpcm_encoder.h"
#include "audio/vag_file.h"
#include "samples/vag_header.h"
#include "tests/audio/adpcm_test_support.h"
#include "tests/support/files.h"
#include "tests/support/signals.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(VagFile, MakesAndReadsBothFormsWithNameRateAndFlags) {
  const std::vector<std::uint8_t> adpcm =
      Join({AdpcmBlock(0, 12, kAdpcmFlagLoopStart | kAdpcmFlagLoop, {3}), AdpcmBlock(1, 12, 0),
            AdpcmBlock(0, 12, kAdpcmFlagEnd | kAdpcmFlagLoop, {-2})});
  const Bytes game = MakeVagFile(adpcm, 22050, "kick");
  ASSERT_EQ(game.size(), 48u + 48);
  // What the scan and the patcher read: the game's magic and version, and
  // little-endian sizes; the name at 32.
  EXPECT_TRUE(IsGameFormVag(game));
  EXPECT_EQ(Bytes(game.begin() + 12, game.begin() + 20), (Bytes{48, 0, 0, 0, 0x22, 0x56, 0, 0}));
  EXPECT_EQ(std::string(game.begin() + 32, game.begin() + 37), std::string("kick\0", 5));

  const Bytes ordinary = MakeVagFile(adpcm, 22050, "kick", VagForm::kOrdinary);
  EXPECT_TRUE(NeedsVagPatch(ordinary));
  EXPECT_EQ(Bytes(ordinary.begin() + 4, ordinary.begin() + 20),
            (Bytes{0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0, 0, 48, 0, 0, 0x56, 0x22}));

  for (const Bytes& bytes : {game, ordinary}) {
    Result<VagFile> vag = ParseVagFile(bytes, "kick.vag");
    ASSERT_TRUE(vag) << vag.error().message;
    EXPECT_EQ(vag->sample_rate, 22050u);
    EXPECT_EQ(vag->declared_data_size, 48u);
    EXPECT_EQ(vag->name, "kick");
    ASSERT_EQ(vag->blocks.size(), 3u);
    EXPECT_EQ(vag->blocks[1].filter, 1);
    EXPECT_EQ(vag->pcm.size(), 84u);
    EXPECT_EQ(vag->pcm[0], 3);
    EXPECT_EQ(vag->pcm[56], -2);
    EXPECT_EQ(vag->loop_start_block, 0u);
    EXPECT_EQ(vag->end_block, 2u);
    EXPECT_TRUE(vag->loops);
    EXPECT_TRUE(vag->warning.empty()) << vag->warning;
    EXPECT_DOUBLE_EQ(vag->duration_seconds(), 84.0 / 22050);
  }
  EXPECT_EQ(ParseVagFile(game, "g")->form, VagForm::kGame);
  EXPECT_EQ(ParseVagFile(ordinary, "o")->form, VagForm::kOrdinary);
}

TEST(VagFile, DataSizeThatDisagreesDecodesWhatIsWholeAndSaysSo) {
  const Bytes adpcm = Join({AdpcmBlock(0, 12, 0, {1}), AdpcmBlock(0, 12, 0, {2}),
                            AdpcmBlock(0, 12, kAdpcmFlagEnd, {3})});
  Bytes bytes = MakeVagFile(adpcm, 8000, "x");

  // Declares more than there is (the file was cut): the whole blocks there are.
  Bytes cut(bytes.begin(), bytes.end() - 8);
  Result<VagFile> short_file = ParseVagFile(cut, "cut.vag");
  ASSERT_TRUE(short_file);
  EXPECT_EQ(short_file->pcm.size(), 56u);
  EXPECT_TRUE(Contains(short_file->warning, "\"cut.vag\"")) << short_file->warning;
  EXPECT_TRUE(Contains(short_file->warning, "48 bytes")) << short_file->warning;
  EXPECT_TRUE(Contains(short_file->warning, "40")) << short_file->warning;

  // Declares less than there is: the declared blocks only.
  bytes[12] = 32;
  Result<VagFile> long_file = ParseVagFile(bytes, "long.vag");
  ASSERT_TRUE(long_file);
  EXPECT_EQ(long_file->pcm.size(), 56u);
  EXPECT_FALSE(long_file->end_block.has_value());
  EXPECT_FALSE(long_file->warning.empty());

  // Not a whole number of blocks.
  bytes[12] = 40;
  Result<VagFile> ragged = ParseVagFile(bytes, "ragged.vag");
  ASSERT_TRUE(ragged);
  EXPECT_EQ(ragged->pcm.size(), 56u);
  EXPECT_TRUE(Contains(ragged->warning, "whole number")) << ragged->warning;

  // A header with no data at all is a sample of no length, not an error.
  Result<VagFile> empty = ParseVagFile(MakeVagFile({}, 8000, ""), "empty.vag");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->pcm.empty());
  EXPECT_TRUE(empty->warning.empty());
}

TEST(VagFile, RefusesWhatIsNotAUsableVagNamingTheFileAndReason) {
  const Bytes good = MakeVagFile(AdpcmBlock(0, 12, kAdpcmFlagEnd), 44100, "x");
  auto refused = [](const Bytes& bytes, const std::string& reason) {
    Result<VagFile> vag = ParseVagFile(bytes, "bad.vag");
    ASSERT_FALSE(vag) << reason;
    EXPECT_TRUE(Contains(vag.error().message, "\"bad.vag\"")) << vag.error().message;
    EXPECT_TRUE(Contains(vag.error().message, reason)) << vag.error().message;
  };
  refused(BytesOf("RIFF....WAVEfmt "), "not a VAG file");
  refused({}, "not a VAG file");
  refused(Bytes(good.begin(), good.begin() + 30), "cut short");
  refused(Bytes(good.begin(), good.begin() + 10), "cut short");
  Bytes rate = good;
  rate[16] = rate[17] = rate[18] = rate[19] = 0;
  refused(rate, "sample rate of 0 Hz");
  // 192001 Hz, little-endian.
  rate[16] = 0x01, rate[17] = 0xEE, rate[18] = 0x02;
  refused(rate, "192001");
  rate[16] = 0x00;  // 192000 Hz is the most there may be
  EXPECT_TRUE(ParseVagFile(rate, "max.vag"));
}

TEST(VagFile, ReadsFilesAndReportsThoseItCannotRead) {
  TempDir dir;
  const Bytes bytes = MakeVagFile(EncodeAdpcm(SineSweep(22050, 0.05)), 22050, "sweep");
  WriteFile(dir / "sweep.vag", bytes);
  Result<VagFile> vag = ReadVagFile(dir / "sweep.vag");
  ASSERT_TRUE(vag) << vag.error().message;
  EXPECT_EQ(vag->pcm, ParseVagFile(bytes, "x")->pcm);

  Result<VagFile> missing = ReadVagFile(dir / "missing.vag");
  ASSERT_FALSE(missing);
  EXPECT_TRUE(Contains(missing.error().message, (dir / "missing.vag").string()));
  EXPECT_FALSE(ReadVagFile(dir.path()));
}

TEST(VagFile, NameIsTheStemInPrintableAsciiCutToSixteenBytes) {
  EXPECT_EQ(VagNameFor("kick"), "kick");
  EXPECT_EQ(VagNameFor("a very long sample name"), "a very long samp");
  EXPECT_EQ(VagNameFor("Tëst\tß"), "T_st__");
  EXPECT_EQ(VagNameFor(""), "");
  // Sixteen bytes fill the field: no terminator, and it reads back whole.
  const Bytes bytes = MakeVagFile({}, 8000, VagNameFor("sixteen-letters!"));
  EXPECT_EQ(ParseVagFile(bytes, "x")->name, "sixteen-letters!");
}

}  // namespace
}  // namespace zembra::test
