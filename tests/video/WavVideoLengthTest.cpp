// Given the video's length, the sound track is cut or padded with silence
// to end with the last frame, as it is padded or cut to start with the
// first: the samples are those the ffmpeg tool decodes, at their own times.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/FileBytes.h"
#include "support/VideoFixtures.h"
#include "video/WavFromVideo.h"

namespace {

TEST(WavVideoLength, TrackEndsWithTheLastFrame) {
  constexpr int kRate = 8000;
  constexpr double kVideoSeconds = 2;
  const struct {
    const char* name;
    double sound_seconds, delay;
  } cases[] = {
      {"runs on", 3.0, 0},
      {"stops early", 1.6, 0},
      {"starts late", 1.0, 0.3},
      {"starts after the last frame", 1.0, 2.5},
  };
  const std::string folder = FixturePath("wav_length");
  std::filesystem::create_directories(folder);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string video = folder + "/v.mkv", ref = folder + "/ref.raw", wav = folder + "/tsy.wav";
    const std::string offset = c.delay > 0 ? "-itsoffset " + std::to_string(c.delay) + " " : "";
    ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=2 " + offset +
                          "-f lavfi -i sine=frequency=440:sample_rate=8000:duration=" + std::to_string(c.sound_seconds) +
                          " -map 0:v -map 1:a -c:v mjpeg -c:a pcm_s16le '" + video + "'"));
    ASSERT_TRUE(RunFfmpeg("-i '" + video + "' -map 0:a -f s16le -c:a pcm_s16le '" + ref + "'"));
    // The truth: silence until the sound starts, then its samples, to 2 s.
    const size_t length = size_t(kVideoSeconds * kRate) * 2;
    std::string expected = std::string(size_t(c.delay * kRate) * 2, '\0') + ReadFileBytes(ref);
    expected.resize(length, '\0');

    std::string message;
    WavTrackInfo info;
    ASSERT_TRUE(MakeWavFromVideo(video, wav, &message, &info, kVideoSeconds)) << message;
    const std::string file = ReadFileBytes(wav);
    ASSERT_EQ(file.size(), size_t(kWavDataOffset) + length);
    EXPECT_EQ(file.substr(0, kWavDataOffset), WavHeader(1, kRate, uint32_t(length)));
    EXPECT_TRUE(file.substr(kWavDataOffset) == expected) << "samples differ from ffmpeg's decode";
    EXPECT_EQ(info.SampleFrames, int64_t(length / 2));
    // Without the video's length the track keeps its own end.
    ASSERT_TRUE(MakeWavFromVideo(video, wav, &message)) << message;
    EXPECT_EQ(std::filesystem::file_size(wav), size_t(kWavDataOffset) + size_t((c.delay + c.sound_seconds) * kRate) * 2);
  }
}

}  // namespace
