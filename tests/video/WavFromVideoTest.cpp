#include "video/WavFromVideo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/DiskFull.h"
#include "support/FileBytes.h"
#include "support/VideoFixtures.h"

extern "C" {
#include <libavutil/error.h>
}

namespace {

uint32_t U32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
         uint32_t(uint8_t(s[at + 3])) << 24;
}
uint32_t U16(const std::string& s, size_t at) { return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8; }

// A second's test picture with a 1 kHz tone, the WAV made from it, and the
// same track decoded to raw 16-bit samples by the ffmpeg tool.
TEST(WavFromVideo, ToneTrackEqualsTheFfmpegDecodeWithTheStatedHeader) {
  struct Case {
    const char* name;
    const char* audio;  // ffmpeg output options for the sound
    int channels, rate;
  };
  const Case cases[] = {
      {"mono pcm", "-ac 1 -ar 8000 -c:a pcm_s16le", 1, 8000},
      {"stereo pcm", "-ac 2 -ar 11025 -c:a pcm_s16le", 2, 11025},
      {"stereo 8-bit", "-ac 2 -ar 8000 -c:a pcm_u8", 2, 8000},
  };
  for (const Case& c : cases) {
    const std::string folder = FixturePath(std::string("wav_") + std::to_string(c.rate) + "_" + std::to_string(c.channels) +
                                           (std::string(c.audio).find("u8") != std::string::npos ? "u8" : ""));
    std::filesystem::create_directories(folder);
    const std::string video = folder + "/tone.avi";
    ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i "
                          "sine=frequency=1000:sample_rate=" + std::to_string(c.rate) + ":duration=1 -c:v mjpeg " +
                          c.audio + " -shortest '" + video + "'"))
        << c.name;
    const std::string ref = folder + "/ref.raw";
    ASSERT_TRUE(RunFfmpeg("-i '" + video + "' -map 0:a -f s16le -c:a pcm_s16le -ac " + std::to_string(c.channels) +
                          " '" + ref + "'"));
    const std::string wav = WavFileNameFor(video);
    EXPECT_EQ(std::filesystem::path(wav).filename(), "tsy.wav");
    std::string message;
    WavTrackInfo info;
    ASSERT_TRUE(MakeWavFromVideo(video, wav, &message, &info)) << c.name << ": " << message;
    const std::string file = ReadFileBytes(wav), samples = ReadFileBytes(ref);
    ASSERT_GT(samples.size(), 1000u);
    ASSERT_EQ(file.size(), 48 + samples.size()) << c.name;
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(file, 4), file.size() - 8);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(file, 16), 20u);
    EXPECT_EQ(U16(file, 20), 1u);
    EXPECT_EQ(U16(file, 22), uint32_t(c.channels));
    EXPECT_EQ(U32(file, 24), uint32_t(c.rate));
    EXPECT_EQ(U32(file, 28), uint32_t(c.rate * 2 * c.channels));
    EXPECT_EQ(U16(file, 32), uint32_t(2 * c.channels));
    EXPECT_EQ(U16(file, 34), 16u);
    EXPECT_EQ(file.substr(40, 4), "data");
    EXPECT_EQ(U32(file, 44), samples.size());
    EXPECT_TRUE(file.substr(48) == samples) << c.name << ": samples differ from ffmpeg's decode";
    EXPECT_EQ(info.SampleFrames, int64_t(samples.size()) / (2 * c.channels));
    EXPECT_FALSE(std::filesystem::exists(wav + ".part"));
  }
}

TEST(WavFromVideo, NoSoundOrNoVideoLeavesNoFile) {
  const std::string folder = FixturePath("wav_silent");
  std::filesystem::create_directories(folder);
  const std::string mute = folder + "/mute.avi";
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -c:v mjpeg '" + mute + "'"));
  const std::string broken = folder + "/broken.avi";
  std::ofstream(broken, std::ios::binary) << "RIFF1234AVI not really";
  struct Case {
    std::string video, expect;
  } cases[] = {
      {mute, "The video has no sound track."},
      {broken, "The video has no sound track."},  // a RIFF header with nothing in it
      {folder + "/missing.avi", "The video file cannot be opened. (AVERROR(ENOENT))"},
  };
  for (const Case& c : cases) {
    const std::string wav = folder + "/tsy.wav";
    std::string message;
    EXPECT_FALSE(MakeWavFromVideo(c.video, wav, &message)) << c.video;
    EXPECT_EQ(message, c.expect) << c.video;
    EXPECT_FALSE(std::filesystem::exists(wav)) << c.video;
    EXPECT_FALSE(std::filesystem::exists(wav + ".part")) << c.video;
  }
}

// Two recordings joined end to end (transport streams can be) whose sound
// differs in layout or rate: the track comes out whole, one second of tone
// from each half, at the header's rate.
TEST(WavFromVideo, ATrackThatChangesItsFormatPartWay) {
  struct Case {
    const char* name;
    const char* first;  // ffmpeg sound options of each half
    const char* second;
  };
  const Case cases[] = {
      {"stereo then 5.1", "-c:a ac3 -ac 2 -ar 48000", "-c:a ac3 -ac 6 -ar 48000"},
      {"5.1 then stereo", "-c:a ac3 -ac 6 -ar 48000", "-c:a ac3 -ac 2 -ar 48000"},
      {"48 kHz stereo then 32 kHz mono", "-c:a mp2 -ac 2 -ar 48000", "-c:a mp2 -ac 1 -ar 32000"},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::string folder = FixturePath("wav_joined_" + std::to_string(index++));
    std::filesystem::create_directories(folder);
    const std::string halves[2] = {folder + "/a.ts", folder + "/b.ts"};
    for (int h = 0; h < 2; ++h)
      ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i "
                            "sine=frequency=500:sample_rate=48000:duration=1 -c:v mpeg2video " +
                            std::string(h ? c.second : c.first) + (h ? " -output_ts_offset 1" : "") + " '" +
                            halves[h] + "'"))
          << c.name;
    const std::string video = folder + "/joined.ts";
    std::ofstream(video, std::ios::binary) << ReadFileBytes(halves[0]) << ReadFileBytes(halves[1]);
    const std::string wav = WavFileNameFor(video);
    std::string message;
    WavTrackInfo info;
    ASSERT_TRUE(MakeWavFromVideo(video, wav, &message, &info)) << c.name << ": " << message;
    const std::string file = ReadFileBytes(wav);
    ASSERT_GT(file.size(), 48u) << c.name;
    const int channels = int(U16(file, 22));
    const uint32_t rate = U32(file, 24);
    ASSERT_TRUE(channels == 1 || channels == 2) << c.name;
    EXPECT_EQ(U32(file, 4), file.size() - 8) << c.name;
    EXPECT_EQ(U32(file, 44), file.size() - 48) << c.name;
    const int64_t frames = int64_t(file.size() - 48) / (2 * channels);
    EXPECT_EQ(frames, info.SampleFrames) << c.name;
    // Two seconds of sound; the codecs' own priming and padding aside.
    EXPECT_NEAR(double(frames) / rate, 2.0, 0.1) << c.name;
    // The tone is in both halves: rms about 2900 at full level, lower after a
    // 5.1 downmix, near 0 for silence or lost sound.
    for (double at : {0.3, 1.5}) {
      double sum = 0;
      const int64_t from = int64_t(at * rate), count = rate / 5;
      for (int64_t i = from; i < from + count; ++i) {
        const int16_t v = int16_t(U16(file, size_t(48 + i * 2 * channels)));
        sum += double(v) * v;
      }
      EXPECT_GT(std::sqrt(sum / double(count)), 300.0) << c.name << " at " << at << " s";
    }
  }
}

TEST(WavFromVideo, ResultNamesFollowTheFrameSourcesTable) {
  EXPECT_EQ(HResultToName(0), "S_OK");
  EXPECT_EQ(HResultToName(AVERROR_EOF), "AVERROR_EOF");
  EXPECT_EQ(HResultToName(AVERROR(ENOENT)), "AVERROR(ENOENT)");
  EXPECT_EQ(HResultToName(-123456), "");
}

}  // namespace

// A disk that fills up while the track is written: a message, and the sound
// track made before stays as it was.
TEST(WavFromVideo, AFullDiskKeepsTheEarlierTrack) {
  const std::string folder = FixturePath("wav_full");
  std::filesystem::create_directories(folder);
  const std::string video = folder + "/tone.avi";
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i "
                        "sine=frequency=1000:sample_rate=8000:duration=1 -c:v mjpeg -c:a pcm_s16le -shortest '" +
                        video + "'"));
  const std::string wav = WavFileNameFor(video);
  std::ofstream(wav, std::ios::binary) << "the earlier track";
  std::string message;
  {
    ScopedDiskFull full(4096);
    EXPECT_FALSE(MakeWavFromVideo(video, wav, &message));
  }
  EXPECT_EQ(message, "The WAV file cannot be written in the video's folder.");
  EXPECT_EQ(ReadFileBytes(wav), "the earlier track");
  EXPECT_FALSE(std::filesystem::exists(wav + ".part"));
}
