// A sound track with packets that do not decode (a damaged recording): the
// sound after them stays at its time, so a time-signal beep is still found
// at its frame. The damaged packets are found by ffprobe and overwritten.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/ShellCommand.h"
#include "support/VideoFixtures.h"
#include "video/WavFromVideo.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Overwrites the sound packets that start from `from` to `to` seconds with
// zeros, or with an AAC element that runs past the packet's end; how many.
int DamageSoundPackets(const std::string& path, double from, double to, bool overrun) {
  std::string bytes = Slurp(path);
  std::istringstream lines(CommandOutput("ffprobe -v error -select_streams a:0 -show_entries packet=pts_time,size,pos "
                                         "-of compact=p=0 '" + path + "'"));
  int damaged = 0;
  for (std::string line; std::getline(lines, line);) {
    double at = -1;
    long long size = -1, pos = -1;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '|');) {
      const auto eq = f.find('=');
      if (eq == std::string::npos) continue;
      const std::string key = f.substr(0, eq), value = f.substr(eq + 1);
      if (key == "pts_time") at = std::atof(value.c_str());
      if (key == "size") size = std::atoll(value.c_str());
      if (key == "pos") pos = std::atoll(value.c_str());
    }
    if (at < from || at > to || size <= 0 || pos < 0 || size_t(pos + size) > bytes.size()) continue;
    bytes.replace(size_t(pos), size_t(size), size_t(size), overrun ? '\xFF' : '\0');
    // A program configuration element (id 5) whose counts (all 15) need more
    // bytes than the packet holds.
    if (overrun) bytes[size_t(pos)] = '\xA0';
    ++damaged;
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return damaged;
}

// Sample frames of the first loud sample at or after `from` in a mono
// 16-bit WAV made by us, or -1.
int64_t LoudFrom(const std::string& wav, int64_t from) {
  for (size_t i = 48 + size_t(from) * 2; i + 1 < wav.size(); i += 2) {
    const int16_t v = int16_t(uint8_t(wav[i]) | uint8_t(wav[i + 1]) << 8);
    if (std::abs(v) > 3000) return int64_t(i - 48) / 2;
  }
  return -1;
}

TEST(WavDamagedPacket, BeepsAfterUndecodablePacketsKeepTheirTime) {
  struct Case {
    const char* name;
    const char* sound;  // ffmpeg options
    const char* extension;
    bool overrun = false;
  };
  const Case cases[] = {
      {"mp3_avi", "-c:a libmp3lame", ".avi"},
      {"mp2_mkv", "-c:a mp2", ".mkv"},
      {"ac3_mkv", "-c:a ac3", ".mkv"},
      // The AAC decoder refuses such a packet with AVERROR(EPERM).
      {"aac_mp4", "-c:a aac", ".mp4", true},
  };
  constexpr int kRate = 48000;
  for (const Case& c : cases) {
    const std::string folder = FixturePath(std::string("wav_damaged_") + c.name);
    std::filesystem::create_directories(folder);
    const std::string video = folder + "/beeps" + c.extension;
    // Beeps of 50 ms at 0.3 s and 1.5 s; packets between 0.7 s and 1.0 s are damaged.
    ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=2 -f lavfi -i "
                          "\"aevalsrc=if(between(t\\,0.30\\,0.35)+between(t\\,1.50\\,1.55)\\,0.8*sin(2*PI*1000*t)\\,0)"
                          ":s=48000:d=2\" -c:v mjpeg " + std::string(c.sound) + " '" + video + "'"))
        << c.name;
    ASSERT_GT(DamageSoundPackets(video, 0.7, 1.0, c.overrun), 5) << c.name;
    const std::string wav = WavFileNameFor(video);
    std::string message;
    ASSERT_TRUE(MakeWavFromVideo(video, wav, &message)) << c.name << ": " << message;
    const std::string file = Slurp(wav);
    ASSERT_EQ(file.size() % 2, 0u);
    const int64_t first = LoudFrom(file, 0);
    const int64_t second = LoudFrom(file, first + kRate / 2);
    ASSERT_GE(first, 0) << c.name;
    // The codecs' priming shifts both beeps alike; 1.2 s lie between them.
    EXPECT_NEAR(double(second - first) / kRate, 1.2, 0.002) << c.name;
    EXPECT_NEAR(double(first) / kRate, 0.3, 0.03) << c.name;
    EXPECT_NEAR(double(file.size() - 48) / 2 / kRate, 2.0, 0.05) << c.name;
  }
}

// A recording cut off in the middle of a sound chunk, an odd number of
// bytes into it (a capture that stopped): the samples up to the cut are
// those the ffmpeg tool decodes, and the track is padded to the video's end.
TEST(WavDamagedPacket, ARecordingCutInASoundChunkKeepsItsSound) {
  constexpr int kRate = 8000;
  for (const char* codec : {"pcm_s16le", "adpcm_ima_wav"}) {
    SCOPED_TRACE(codec);
    const std::string folder = FixturePath(std::string("wav_cut_") + codec);
    std::filesystem::create_directories(folder);
    const std::string video = folder + "/cut.avi", ref = folder + "/ref.raw", wav = folder + "/tsy.wav";
    ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=2 -f lavfi -i "
                          "sine=frequency=440:sample_rate=8000:duration=2 -c:v mjpeg -c:a " + std::string(codec) +
                          " '" + video + "'"));
    ASSERT_TRUE(CutInSoundPacket(video, 1.0, 101));
    ASSERT_TRUE(RunFfmpeg("-i '" + video + "' -map 0:a -f s16le -c:a pcm_s16le '" + ref + "'"));
    const std::string decoded = Slurp(ref);
    ASSERT_GT(decoded.size(), size_t(kRate) * 2);
    ASSERT_LT(decoded.size(), size_t(2 * kRate) * 2);

    std::string message;
    ASSERT_TRUE(MakeWavFromVideo(video, wav, &message)) << message;
    EXPECT_TRUE(Slurp(wav).substr(48) == decoded) << "samples differ from ffmpeg's decode";
    ASSERT_TRUE(MakeWavFromVideo(video, wav, &message, nullptr, 2.0)) << message;
    std::string padded = decoded;
    padded.resize(size_t(2 * kRate) * 2, '\0');
    const std::string file = Slurp(wav);
    EXPECT_EQ(file.substr(0, 48), WavHeader(1, kRate, uint32_t(padded.size())));
    EXPECT_TRUE(file.substr(48) == padded) << "not padded with silence to the video's end";
    EXPECT_FALSE(std::filesystem::exists(wav + ".part"));
  }
}

}  // namespace
