#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <vector>

#include "audio/audio_file.h"
#include "tests/support/files.h"
#include "tests/support/signals.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A file in any format libsndfile writes, interleaved frames as floats.
void WriteSound(const std::filesystem::path& path, int format, int channels, int rate,
                const std::vector<float>& frames) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  // Keep floats beyond full scale as they are.
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_FALSE);
  sf_writef_float(file, frames.data(), static_cast<sf_count_t>(frames.size()) / channels);
  sf_close(file);
}

TEST(AudioFile, SixteenBitSoundRoundTripsExactlyInEveryLosslessFormat) {
  TempDir dir;
  const Pcm pcm = PluckedChord(22050, 0.2);
  for (const char* name : {"a.wav", "a.aiff", "a.flac"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(WriteAudioFile(dir / name, pcm, 22050));
    Result<MonoAudio> audio = ReadAudioFile(dir / name);
    ASSERT_TRUE(audio) << audio.error().message;
    EXPECT_EQ(audio->pcm, pcm);
    EXPECT_EQ(audio->sample_rate, 22050u);
    EXPECT_EQ(audio->source_channels, 1);
  }
  // Lossy, but the same sound.
  ASSERT_TRUE(WriteAudioFile(dir / "a.ogg", pcm, 22050));
  Result<MonoAudio> vorbis = ReadAudioFile(dir / "a.ogg");
  ASSERT_TRUE(vorbis) << vorbis.error().message;
  EXPECT_GT(SnrDb(pcm, vorbis->pcm), 10);
}

TEST(AudioFile, ReadsMp3WhereTheLibraryHasIt) {
  SF_INFO info{};
  info.samplerate = 22050;
  info.channels = 1;
  info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  if (!sf_format_check(&info)) GTEST_SKIP() << "this libsndfile has no MP3";
  TempDir dir;
  std::vector<float> frames(22050 / 4);
  for (std::size_t i = 0; i < frames.size(); ++i) frames[i] = 0.5f * std::sin(0.1f * i);
  WriteSound(dir / "tone.mp3", info.format, 1, 22050, frames);
  Result<MonoAudio> audio = ReadAudioFile(dir / "tone.mp3");
  ASSERT_TRUE(audio) << audio.error().message;
  EXPECT_EQ(audio->sample_rate, 22050u);
  EXPECT_GE(audio->pcm.size(), frames.size());
}

TEST(AudioFile, MixesChannelsToTheirMeanAndClampsFloatBeyondFullScale) {
  TempDir dir;
  // Left and right: 0.5 and 0.25 -> 0.375; 1.0 and -1.0 -> 0; then 1.5 and
  // 1.5, and -3 and -3, beyond full scale; infinity, and not a number.
  WriteSound(dir / "stereo.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 8000,
             {0.5f, 0.25f, 1.0f, -1.0f, 1.5f, 1.5f, -3.0f, -3.0f, INFINITY, 0.0f, NAN, 0.0f});
  Result<MonoAudio> audio = ReadAudioFile(dir / "stereo.wav");
  ASSERT_TRUE(audio) << audio.error().message;
  EXPECT_EQ(audio->pcm, (Pcm{12288, 0, 32767, -32768, 32767, 0}));
  EXPECT_EQ(audio->source_channels, 2);

  // 24-bit integers: full scale is the most an integer source can be.
  WriteSound(dir / "deep.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1, 48000,
             {-1.0f, 0.25f, 0.99999f});
  Result<MonoAudio> deep = ReadAudioFile(dir / "deep.flac");
  ASSERT_TRUE(deep) << deep.error().message;
  EXPECT_EQ(deep->pcm, (Pcm{-32768, 8192, 32767}));
}

TEST(AudioFile, ResamplesOnlyWhenARateIsAsked) {
  TempDir dir;
  const Pcm pcm = SineSweep(44100, 0.5);
  ASSERT_TRUE(WriteAudioFile(dir / "sweep.wav", pcm, 44100));
  Result<MonoAudio> half = ReadAudioFile(dir / "sweep.wav", 22050);
  ASSERT_TRUE(half) << half.error().message;
  EXPECT_EQ(half->sample_rate, 22050u);
  EXPECT_EQ(half->source_rate, 44100u);
  EXPECT_NEAR(static_cast<double>(half->pcm.size()), pcm.size() / 2.0, 2);
  Result<MonoAudio> same = ReadAudioFile(dir / "sweep.wav", 44100);
  ASSERT_TRUE(same);
  EXPECT_EQ(same->pcm, pcm);
}

TEST(AudioFile, ReportsFilesItCannotReadWithTheLibrarysReason) {
  TempDir dir;
  WriteFile(dir / "notes.wav", "these are not sounds");
  Result<MonoAudio> text = ReadAudioFile(dir / "notes.wav");
  ASSERT_FALSE(text);
  EXPECT_TRUE(Contains(text.error().message, (dir / "notes.wav").string()));
  EXPECT_TRUE(Contains(text.error().message, "not recognised")) << text.error().message;

  WriteSound(dir / "empty.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, {});
  Result<MonoAudio> empty = ReadAudioFile(dir / "empty.wav");
  ASSERT_FALSE(empty);
  EXPECT_TRUE(Contains(empty.error().message, "no frames")) << empty.error().message;

  Result<MonoAudio> folder = ReadAudioFile(dir.path());
  ASSERT_FALSE(folder);
  EXPECT_TRUE(Contains(folder.error().message, "folder")) << folder.error().message;
  EXPECT_FALSE(ReadAudioFile(dir / "missing.wav"));
}

TEST(AudioFile, WriteFailureLeavesNothingBehind) {
  TempDir dir;
  WriteFile(dir / "keep.wav", "old");
  {
    FileSizeLimit limit(100);
    EXPECT_FALSE(WriteAudioFile(dir / "keep.wav", Pcm(1000, 5), 8000));
  }
  EXPECT_EQ(ReadFile(dir / "keep.wav"), BytesOf("old"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_FALSE(WriteAudioFile(dir / "no" / "such.wav", Pcm(10, 0), 8000));
}

}  // namespace
}  // namespace zembra::test
