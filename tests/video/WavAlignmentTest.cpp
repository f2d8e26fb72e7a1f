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
#include "support/FileBytes.h"
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

// A variable bit rate MP3 track in an AVI whose sound header says a constant
// rate (as some muxers write it): the demuxer's stamps, counted from the
// bytes, run ahead of the sound, but every packet decodes, so the samples are
// those the ffmpeg tool decodes, in order, with no silence between them.
TEST(WavAlignment, VariableBitRateMp3InAnAviKeepsItsSamplesInOrder) {
  const std::string path = FixturePath("vbr.avi");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=4 -f lavfi -i \"aevalsrc="
                        "0.5*sin(2*PI*700*t)*lt(mod(t\\,1)\\,0.5)+0.3*random(0)*gte(mod(t\\,1)\\,0.5):s=44100:d=4\" "
                        "-c:v mjpeg -c:a libmp3lame -q:a 2 '" + path + "'"));
  ASSERT_TRUE(MarkSoundAsConstantBitRate(path, 4));

  const std::string ref = FixturePath("vbr.raw");
  ASSERT_TRUE(RunFfmpeg("-i '" + path + "' -map 0:a -f s16le -c:a pcm_s16le -ac 1 '" + ref + "'"));
  std::string expected = ReadFileBytes(ref);
  ASSERT_GT(expected.size(), size_t(4 * 44100) * 2);
  expected.resize(size_t(4 * 44100) * 2);
  const std::string wav = FixturePath("vbr.wav");
  std::string message;
  ASSERT_TRUE(MakeWavFromVideo(path, wav, &message, nullptr, 4.0)) << message;
  const std::string track = ReadFileBytes(wav);
  ASSERT_EQ(track.size(), size_t(kWavDataOffset) + expected.size());
  size_t same = 0;
  while (same < expected.size() && track[kWavDataOffset + same] == expected[same]) ++same;
  EXPECT_EQ(same, expected.size()) << "the track departs from ffmpeg's decode at sample " << same / 2;
}

}  // namespace
