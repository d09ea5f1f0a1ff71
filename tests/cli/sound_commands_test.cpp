#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "audio/adpcm_encoder.h"
#include "audio/audio_file.h"
#include "audio/vag_file.h"
#include "songfile/song_file_reader.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/files.h"
#include "tests/support/signals.h"
#include "tests/support/temp_dir.h"

namespace zembra::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// What the system's ffmpeg plays from `path`, as 16-bit samples.
Pcm PeerDecode(const fs::path& path) {
  const std::string command = "ffmpeg -v error -nostdin -i '" + path.string() + "' -f s16le -";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  Pcm pcm;
  std::int16_t sample = 0;
  while (std::fread(&sample, sizeof sample, 1, pipe) == 1) pcm.push_back(sample);
  EXPECT_EQ(::pclose(pipe), 0) << "ffmpeg could not decode " << path;
  return pcm;
}

Pcm DecodeWithCli(const fs::path& vag, const fs::path& wav, const std::string& rounding) {
  CliRun run = RunCli({"decode", vag.string(), "-o", wav.string(), "--rounding", rounding});
  EXPECT_EQ(run.status, 0) << run.err;
  Result<MonoAudio> audio = ReadAudioFile(wav);
  EXPECT_TRUE(audio) << audio.error().message;
  return audio ? audio->pcm : Pcm{};
}

TEST(SoundCommands, TruncatedDecodingMatchesThePeerDecoderSampleForSample) {
  TempDir dir;
  std::vector<NamedSignal> signals = AllSignals(22050, 0.3);
  // Full scale clips, where the peer keeps unclamped history.
  Pcm square(22050 / 10);
  for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 40) % 2 ? 32767 : -32768;
  signals.push_back({"square", square});
  for (const NamedSignal& signal : signals) {
    SCOPED_TRACE(signal.name);
    const fs::path vag = dir / "peer.vag";
    WriteFile(vag, MakeVagFile(EncodeAdpcm(signal.pcm), 22050, "peer", VagForm::kOrdinary));
    const Pcm ours = DecodeWithCli(vag, dir / "peer.wav", "truncate");
    const Pcm peer = PeerDecode(vag);
    ASSERT_EQ(ours.size(), peer.size());
    EXPECT_TRUE(ours == peer);
    // The console's rounding is near, but not the same.
    const Pcm console = DecodeWithCli(vag, dir / "console.wav", "console");
    EXPECT_GT(SnrDb(console, peer), 40);
  }
}

TEST(SoundCommands, ImportWritesASampleTheScanTakesAndInfoDescribes) {
  TempDir dir;
  ASSERT_TRUE(WriteAudioFile(dir / "voice.wav", FormantVoice(44100, 0.2), 44100));
  fs::create_directory(dir / "pool");
  CliRun import = RunCli({"import", (dir / "voice.wav").string(), "-o",
                          (dir / "pool" / "voice.vag").string(), "--rate", "22050"});
  ASSERT_EQ(import.status, 0) << import.err;
  EXPECT_EQ(import.out, (dir / "pool" / "voice.vag").string() + "\n");
  EXPECT_EQ(RunCli({"scan", (dir / "pool").string()}).out, "voice.vag\n");

  CliRun info = RunCli({"info", (dir / "pool" / "voice.vag").string(), "--json"});
  ASSERT_EQ(info.status, 0) << info.err;
  const nlohmann::json json = nlohmann::json::parse(info.out);
  EXPECT_EQ(json["form"], "game");
  EXPECT_EQ(json["name"], "voice");
  EXPECT_EQ(json["sample_rate"], 22050);
  EXPECT_EQ(json["blocks"], (4410 + 27) / 28);
  EXPECT_EQ(json["data_size"], 16 * json["blocks"].get<int>());
  EXPECT_EQ(json["end_block"], json["blocks"].get<int>() - 1);
  EXPECT_FALSE(json["loops"].get<bool>());
  EXPECT_TRUE(json["warning"].is_null());
  EXPECT_NEAR(json["duration_seconds"].get<double>(), 0.2, 0.002);

  CliRun text = RunCli({"info", (dir / "pool" / "voice.vag").string()});
  EXPECT_TRUE(Contains(text.out, "form         game")) << text.out;
  EXPECT_TRUE(Contains(text.out, "sample rate  22050 Hz")) << text.out;

  // Without -o the sample goes beside the audio file; the ordinary form on request.
  CliRun beside = RunCli({"import", (dir / "voice.wav").string(), "--form", "ordinary"});
  ASSERT_EQ(beside.status, 0) << beside.err;
  EXPECT_EQ(RunCli({"scan", "--patchable", dir.path().string()}).out, "voice.vag\n");
  // ... but only a name given with -o replaces a file.
  const Bytes first = ReadFile(dir / "voice.vag");
  CliRun again = RunCli({"import", (dir / "voice.wav").string()});
  EXPECT_EQ(again.status, 2);
  EXPECT_TRUE(Contains(again.err, "-o")) << again.err;
  EXPECT_EQ(ReadFile(dir / "voice.vag"), first);
  fs::copy_file(dir / "voice.vag", dir / "copy.vag");
  EXPECT_EQ(RunCli({"decode", (dir / "copy.vag").string()}).status, 0);  // copy.wav
  EXPECT_EQ(RunCli({"decode", (dir / "copy.vag").string()}).status, 2);
  EXPECT_EQ(RunCli({"decode", (dir / "voice.vag").string()}).status, 2);  // voice.wav is there
  EXPECT_EQ(
      RunCli({"import", (dir / "voice.wav").string(), "-o", (dir / "voice.vag").string()}).status,
      0);
}

TEST(SoundCommands, ASongBuiltFromImportedSamplesHoldsThemWhole) {
  TempDir dir;
  fs::create_directory(dir / "samples");
  ASSERT_TRUE(WriteAudioFile(dir / "pluck.flac", PluckedChord(22050, 0.2), 22050));
  ASSERT_TRUE(WriteAudioFile(dir / "hit.wav", NoiseBursts(22050, 0.1), 22050));
  for (const char* name : {"pluck", "hit"}) {
    const fs::path input = dir / (std::string(name) + (name[0] == 'p' ? ".flac" : ".wav"));
    ASSERT_EQ(RunCli({"import", input.string(), "-o",
                      (dir / "samples" / (std::string(name) + ".vag")).string()})
                  .status,
              0);
  }
  WriteFile(dir / "song.json", R"({"title": "Imported", "tempo": 100, "samples_dir": "samples",
      "tracks": [{"name": "Both", "samples": ["pluck.vag", "hit.vag"]}], "pages": ["One"]})");
  CliRun build = RunCli({"build", (dir / "song.json").string()});
  ASSERT_EQ(build.status, 0) << build.err;
  Result<SongFile> song = SongFile::Read(dir / "Imported.bjs");
  ASSERT_TRUE(song) << song.error().message;
  ASSERT_EQ(song->summary().samples.size(), 2u);
  const auto pluck = song->SampleBytes(0);
  EXPECT_EQ(Bytes(pluck.begin(), pluck.end()), ReadFile(dir / "samples" / "pluck.vag"));
  EXPECT_EQ(RunCli({"inspect", (dir / "Imported.bjs").string()}).status, 0);
}

TEST(SoundCommands, DataSizeThatDisagreesDecodesWhatIsWholeWithAWarning) {
  TempDir dir;
  Bytes bytes = MakeVagFile(EncodeAdpcm(SineSweep(8000, 0.05)), 8000, "cut");
  bytes.resize(bytes.size() - 20);  // the last block and a bit
  WriteFile(dir / "cut.vag", bytes);
  CliRun run = RunCli({"decode", (dir / "cut.vag").string(), "-o", (dir / "cut.wav").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, (dir / "cut.vag").string())) << run.err;
  EXPECT_TRUE(Contains(run.err, "whole blocks")) << run.err;
  Result<MonoAudio> audio = ReadAudioFile(dir / "cut.wav");
  ASSERT_TRUE(audio);
  EXPECT_EQ(audio->pcm.size(), (bytes.size() - 48) / 16 * 28);
}

TEST(SoundCommands, BadInputFailsNamingTheFileAndWritesNothing) {
  TempDir dir;
  WriteFile(dir / "text.vag", "just some text, long enough to be a header of sorts....");
  Bytes no_rate = MakeVagFile({}, 8000, "x");
  no_rate[16] = no_rate[17] = 0;
  WriteFile(dir / "rate0.vag", no_rate);
  Bytes fast = MakeVagFile({}, 8000, "x");
  fast[16] = 0x01, fast[17] = 0xEE, fast[18] = 0x02;  // 192001 Hz
  WriteFile(dir / "fast.vag", fast);
  WriteFile(dir / "noise.wav", "RIFF but not really");
  ASSERT_TRUE(WriteAudioFile(dir / "empty.wav", {}, 8000));
  ASSERT_TRUE(WriteAudioFile(dir / "ok.wav", Pcm(100, 7), 8000));
  const std::set<std::string> before = [&] {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }();

  auto refused = [&](std::vector<std::string> args, const fs::path& named,
                     const std::string& reason) {
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 2) << args[0] << " " << args[1];
    EXPECT_TRUE(Contains(run.err, named.string())) << run.err;
    EXPECT_TRUE(Contains(run.err, reason)) << run.err;
  };
  const std::string out_wav = (dir / "out.wav").string(), out_vag = (dir / "out.vag").string();
  refused({"decode", (dir / "text.vag").string(), "-o", out_wav}, dir / "text.vag", "not a VAG");
  refused({"info", (dir / "text.vag").string()}, dir / "text.vag", "not a VAG");
  refused({"decode", (dir / "rate0.vag").string(), "-o", out_wav}, dir / "rate0.vag", "0 Hz");
  refused({"info", (dir / "fast.vag").string()}, dir / "fast.vag", "192001 Hz");
  refused({"import", (dir / "noise.wav").string(), "-o", out_vag}, dir / "noise.wav",
          "not recognised");
  refused({"import", (dir / "empty.wav").string(), "-o", out_vag}, dir / "empty.wav", "no frames");
  refused({"import", (dir / "ok.wav").string(), "-o", out_vag, "--rate", "0"}, dir / "out.vag",
          "0 Hz");
  refused({"import", (dir / "ok.wav").string(), "-o", out_vag, "--rate", "200000"}, dir / "out.vag",
          "200000 Hz");
  refused({"import", (dir / "ok.wav").string(), "-o", (dir / "ok.wav").string()}, dir / "ok.wav",
          "input");
  refused({"decode", (dir / "text.vag").string(), "-o", (dir / "text.vag").string()},
          dir / "text.vag", "input");

  std::set<std::string> after;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    after.insert(entry.path().filename().string());
  }
  EXPECT_EQ(after, before);
  EXPECT_EQ(ReadFile(dir / "text.vag"),
            BytesOf("just some text, long enough to be a header of sorts...."));
}

TEST(SoundCommands, MistypedOptionsAreUsageErrors) {
  EXPECT_EQ(RunCli({"decode", "a.vag", "--rounding", "nearest"}).status, 1);
  EXPECT_EQ(RunCli({"import", "a.wav", "--form", "other"}).status, 1);
  EXPECT_EQ(RunCli({"import", "a.wav", "--rate", "fast"}).status, 1);
  EXPECT_EQ(RunCli({"info"}).status, 1);
}

}  // namespace
}  // namespace zembra::test
