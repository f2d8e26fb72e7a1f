// The sound track lines up with frame 0 as the frame source shows it. A
// transport stream cut in the middle of a group of pictures starts with
// pictures that cannot be decoded: frame 0 is the first key picture, and the
// sound before it is not part of the track.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/WavFromVideo.h"

namespace {

constexpr int kWidth = 64, kHeight = 48, kBlock = 4, kRate = 25, kSampleRate = 48000;
constexpr double kToneStart = 3.0;  // seconds from the start of the recording

TEST(WavAlignment, TrackOfACutTransportStreamStartsAtFrameZero) {
  // Numbered pictures, silence and then a tone from kToneStart on.
  const std::string pictures = FixturePath("align_pictures.avi");
  {
    AviWriterOptions o;
    o.rate = kRate, o.scale = 1;
    AviWriter w(pictures, kWidth, kHeight, o);
    for (int n = 0; n < 5 * kRate; ++n) w.AddFrame(NumberedFrame(kWidth, kHeight, n, kBlock));
    ASSERT_TRUE(w.Finish());
  }
  const std::string source = FixturePath("align_source.ts");
  ASSERT_TRUE(RunFfmpeg("-i '" + pictures + "' -f lavfi -i \"aevalsrc=if(gte(t\\," + std::to_string(kToneStart) +
                        ")\\,0.5*sin(2*PI*500*t)\\,0):s=" + std::to_string(kSampleRate) +
                        "\" -t 5 -c:v mpeg2video -q:v 2 -g 25 -bf 0 -c:a mp2 -ac 1 '" + source + "'"));
  // Cut the head off at a packet boundary in the middle of the first group.
  std::ifstream in(source, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_GT(bytes.size(), 188u * 100);
  const size_t cut = bytes.size() / 188 / 12 * 188;
  const std::string path = FixturePath("align_cut.ts");
  std::ofstream(path, std::ios::binary).write(bytes.data() + cut, std::streamsize(bytes.size() - cut));

  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  Bitmap24 frame;
  std::string status;
  ds.DSGrabFrame(0, frame, status, rate, 1.0L);
  ASSERT_EQ(status, "S_OK");
  const int first_picture = ReadFrameNumber(frame, kBlock);
  ASSERT_GT(first_picture, 0);
  ASSERT_LT(first_picture, int(kToneStart * kRate));

  const std::string wav = FixturePath("align.wav");
  std::string message;
  ASSERT_TRUE(MakeWavFromVideo(path, wav, &message)) << message;
  std::ifstream w(wav, std::ios::binary);
  std::vector<char> track{std::istreambuf_iterator<char>(w), {}};
  ASSERT_GT(track.size(), size_t(kWavDataOffset));
  int onset = -1;
  for (size_t i = kWavDataOffset; i + 1 < track.size(); i += 2) {
    const int16_t s = int16_t(uint16_t(uint8_t(track[i])) | uint16_t(uint8_t(track[i + 1])) << 8);
    if (std::abs(s) > 2000) {
      onset = int((i - kWavDataOffset) / 2);
      break;
    }
  }
  // The tone starts kToneStart - first_picture / kRate seconds after frame 0.
  const double expected = (kToneStart - double(first_picture) / kRate) * kSampleRate;
  EXPECT_NEAR(onset, expected, 0.002 * kSampleRate) << "picture " << first_picture << " is frame 0";
}

}  // namespace
