// Playback through the "DirectShow" source: between DSPlay and DSPause the
// caller asks for frame after frame (the main window's timer, with its frame
// step); each is decoded forward from the one before, not sought frame by
// frame.
#include <gtest/gtest.h>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"

namespace {

constexpr int kW = 192, kH = 64, kCount = 48, kBlock = 8;

std::string H264WithBFrames() {
  static std::string path = [] {
    std::string raw = FixturePath("play_source.avi");
    AviWriterOptions o;
    o.rate = 30000, o.scale = 1001;
    AviWriter w(raw, kW, kH, o);
    for (int n = 0; n < kCount; ++n) w.AddFrame(NumberedFrame(kW, kH, n, kBlock));
    EXPECT_TRUE(w.Finish());
    std::string out = FixturePath("play.mkv");
    EXPECT_TRUE(RunFfmpeg("-i '" + raw + "' -c:v libx264 -preset ultrafast -crf 12 -bf 3 -g 16 '" + out + "'"));
    return out;
  }();
  return path;
}

struct StepCase {
  const char* name;
  int step;
};

class Playback : public ::testing::TestWithParam<StepCase> {};

TEST_P(Playback, EveryStepDecodesForwardWithoutSeeking) {
  const int step = GetParam().step;
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(H264WithBFrames()), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), kCount);
  // A jump first (the user moved the scroll bar), then play from there.
  const int start = 5;
  Bitmap24 b;
  std::string status;
  ds.DSGrabFrame(start, b, status, rate, 1.0L);
  ASSERT_EQ(status, "S_OK");
  ASSERT_EQ(ReadFrameNumber(b, kBlock), start);
  const int seeks = ds.Source().SeekCount();
  EXPECT_EQ(ds.DSPlay(), 0);
  for (int n = start + step; n < kCount; n += step) {
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << n;
    EXPECT_EQ(ReadFrameNumber(b, kBlock), n);
  }
  // Steps of one or two frames never seek. A longer step may seek to a key
  // frame ahead when that spares decoding the pictures up to it: at most once
  // per group of pictures (-g 16), never once per frame.
  if (step <= 2) {
    EXPECT_EQ(ds.Source().SeekCount(), seeks) << "step " << step;
  } else {
    EXPECT_LE(ds.Source().SeekCount() - seeks, (kCount - start) / 16 + 1) << "step " << step;
  }
  EXPECT_EQ(ds.DSPause(), 0);
  // Paused, a step back to a picture played through is one of the pictures
  // kept: no seek, nothing decoded again.
  const int before_back = ds.Source().SeekCount();
  const int64_t decoded = ds.Source().DecodedCount();
  ds.DSGrabFrame(kCount - 2 - step, b, status, rate, 1.0L);
  ASSERT_EQ(status, "S_OK");
  EXPECT_EQ(ReadFrameNumber(b, kBlock), kCount - 2 - step);
  if (step <= 2) {
    EXPECT_EQ(ds.Source().SeekCount(), before_back);
    EXPECT_EQ(ds.Source().DecodedCount(), decoded);
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, Playback,
                         ::testing::Values(StepCase{"one", 1}, StepCase{"two", 2}, StepCase{"five", 5}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(DirectShowPlayback, StepsBackToDecodedPicturesNeedNoSeek) {
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(H264WithBFrames()), "");
  const long double rate = ds.DSFrameRate();
  Bitmap24 b;
  std::string status;
  for (int n : {0, 1, 0, 1, 2, 3}) {
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK");
    EXPECT_EQ(ReadFrameNumber(b, kBlock), n);
  }
  EXPECT_EQ(ds.Source().SeekCount(), 0);
  const int64_t decoded = ds.Source().DecodedCount();
  ds.DSGrabFrame(1, b, status, rate, 1.0L);
  ASSERT_EQ(status, "S_OK");
  EXPECT_EQ(ReadFrameNumber(b, kBlock), 1);
  EXPECT_EQ(ds.Source().SeekCount(), 0);
  EXPECT_EQ(ds.Source().DecodedCount(), decoded);
  // A picture not decoded yet is decoded.
  ds.DSGrabFrame(40, b, status, rate, 1.0L);
  ASSERT_EQ(status, "S_OK");
  EXPECT_EQ(ReadFrameNumber(b, kBlock), 40);
  EXPECT_GT(ds.Source().DecodedCount(), decoded);
}
