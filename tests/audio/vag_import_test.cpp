#include <gtest/gtest.h>

#include "audio/audio_file.h"
#include "audio/vag_file.h"
#include "audio/vag_import.h"
#include "samples/folder_scan.h"
#include "tests/support/files.h"
#include "tests/support/signals.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(VagImport, AudioFileBecomesAGameFormSampleTheScanTakes) {
  TempDir dir;
  const Pcm voice = FormantVoice(32000, 0.3);
  ASSERT_TRUE(WriteAudioFile(dir / "voice.flac", voice, 32000));
  std::filesystem::create_directory(dir / "pool");

  Result<VagImportReport> report =
      ImportAudioAsVag(dir / "voice.flac", dir / "pool" / "Vöice 1.vag");
  ASSERT_TRUE(report) << report.error().message;
  EXPECT_EQ(report->sample_rate, 32000u);
  EXPECT_EQ(report->samples, voice.size());
  EXPECT_EQ(report->blocks, (voice.size() + 27) / 28);
  EXPECT_EQ(report->name, "V_ice 1");

  EXPECT_EQ(ScanUsableSamples(dir / "pool").value(), std::vector<std::string>{"Vöice 1.vag"});
  Result<VagFile> vag = ReadVagFile(dir / "pool" / "Vöice 1.vag");
  ASSERT_TRUE(vag) << vag.error().message;
  EXPECT_EQ(vag->form, VagForm::kGame);
  EXPECT_EQ(vag->name, "V_ice 1");
  EXPECT_EQ(vag->end_block, report->blocks - 1);
  EXPECT_FALSE(vag->loops);
  EXPECT_TRUE(vag->warning.empty());
  EXPECT_GT(SnrDb(voice, vag->pcm), 30);
}

TEST(VagImport, ResamplesAndWritesTheOrdinaryFormOnRequest) {
  TempDir dir;
  ASSERT_TRUE(WriteAudioFile(dir / "sweep.wav", SineSweep(44100, 0.2), 44100));
  VagImportOptions options;
  options.sample_rate = 11025;
  options.form = VagForm::kOrdinary;
  Result<VagImportReport> report = ImportAudioAsVag(dir / "sweep.wav", dir / "sweep.vag", options);
  ASSERT_TRUE(report) << report.error().message;
  EXPECT_EQ(report->sample_rate, 11025u);
  EXPECT_NEAR(static_cast<double>(report->samples), 44100 * 0.2 / 4, 2);
  Result<VagFile> vag = ReadVagFile(dir / "sweep.vag");
  ASSERT_TRUE(vag);
  EXPECT_EQ(vag->form, VagForm::kOrdinary);
  EXPECT_EQ(vag->sample_rate, 11025u);
  EXPECT_EQ(ListFilesNeedingPatch(dir.path()).value().size(), 1u);
}

TEST(VagImport, RefusesBadInputAndWritesNothing) {
  TempDir dir;
  ASSERT_TRUE(WriteAudioFile(dir / "in.wav", Pcm(500, 100), 8000));
  ASSERT_TRUE(WriteAudioFile(dir / "fast.wav", Pcm(500, 100), 384000));
  WriteFile(dir / "text.wav", "no sound here");
  WriteFile(dir / "out.vag", "keep me");
  const Bytes in = ReadFile(dir / "in.wav");

  auto refused = [&](const std::filesystem::path& input, const std::filesystem::path& output,
                     VagImportOptions options, const std::string& reason) {
    Result<VagImportReport> report = ImportAudioAsVag(input, output, options);
    ASSERT_FALSE(report) << reason;
    EXPECT_TRUE(Contains(report.error().message, reason)) << report.error().message;
  };
  VagImportOptions zero, high;
  zero.sample_rate = 0;
  high.sample_rate = 192001;
  refused(dir / "in.wav", dir / "out.vag", zero, "0 Hz");
  refused(dir / "in.wav", dir / "out.vag", high, "192001 Hz");
  refused(dir / "fast.wav", dir / "out.vag", {}, "384000 Hz");
  refused(dir / "text.wav", dir / "out.vag", {}, (dir / "text.wav").string());
  refused(dir / "in.wav", dir / "in.wav", {}, "input");
  refused(dir / "in.wav", dir / "." / "in.wav", {}, "input");
  refused(dir / "in.wav", dir / "missing" / "out.vag", {}, (dir / "missing" / "out.vag").string());

  EXPECT_EQ(ReadFile(dir / "out.vag"), BytesOf("keep me"));
  EXPECT_EQ(ReadFile(dir / "in.wav"), in);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
}

}  // namespace
}  // namespace zembra::test
