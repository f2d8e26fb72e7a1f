// Tick counts written into lossless AVI files come back exact through both
// frame sources, and the frame rate derived from them matches the file.
#include <gtest/gtest.h>

#include <string>

#include "support/AviWriter.h"
#include "support/StampRender.h"
#include "support/VideoFixtures.h"
#include "timestamp/TickStamp.h"
#include "video/VideoOpening.h"

namespace {

constexpr int64_t kFrameTicks = 333667;  // 29.97 frames per second

int64_t FrameTicks(int n) { return TicksOf(2026, 12, 31, 23, 59, 599000000) + n * kFrameTicks; }

// Tick bytes in all three colours so that grey formats carry them too.
Bitmap24 TickFrame(int w, int h, int row, int n) {
  Bitmap24 f = NumberedFrame(w, h, n, 8);
  const uint64_t u = static_cast<uint64_t>(FrameTicks(n));
  for (int x = 0; x < 8; ++x) {
    const uint8_t v = static_cast<uint8_t>(u >> (8 * x));
    f.Set(x, row, {v, v, v});
  }
  return f;
}

}  // namespace

TEST(TickVideoRoundTrip, BothFrameSourcesReturnTheExactTicks) {
  struct Row {
    const char* name;
    AviPixelFormat format;
    int row;
    uint8_t directShow;
  };
  const Row rows[] = {
      {"bgr24 row 0 AVIFile", AviPixelFormat::Bgr24, 0, 0},
      {"bgr24 row 1 DirectShow", AviPixelFormat::Bgr24, 1, 1},
      {"bgr24 row 1 AVIFile", AviPixelFormat::Bgr24, 1, 0},
      {"top-down row 0 DirectShow", AviPixelFormat::Bgr24TopDown, 0, 1},
      {"grey row 1 AVIFile", AviPixelFormat::Y800, 1, 0},
      {"grey row 0 DirectShow", AviPixelFormat::Y800, 0, 1},
  };
  constexpr int kFrames = 12;
  int file = 0;
  for (const Row& r : rows) {
    const std::string path = FixturePath("ticks" + std::to_string(file++) + ".avi");
    AviWriterOptions o;
    o.format = r.format;
    o.rate = 30000;
    o.scale = 1001;
    {
      AviWriter w(path, 96, 16, o);
      for (int n = 0; n < kFrames; ++n) w.AddFrame(TickFrame(96, 16, r.row, n));
      ASSERT_TRUE(w.Finish()) << r.name;
    }
    VideoState st;
    st.UseDirectShow = r.directShow;
    VideoSources src;
    BeginOpenVideoFile(st, path);
    const OpenStreamResult open = OpenVideoStream(st, src, {});
    ASSERT_TRUE(open.Ok) << r.name << ": " << open.ErrorMessage;
    FinishOpenVideoFile(st, src, 3);

    Bitmap24 first, second, frame;
    std::string status;
    ASSERT_TRUE(GrabVideoFrame(st, src, 0, first, status)) << r.name << " " << status;
    ASSERT_TRUE(GrabVideoFrame(st, src, 1, second, status)) << r.name << " " << status;
    EXPECT_EQ(DetectEmbeddedTicksRow(first, second), r.row) << r.name;
    for (int n = 0; n < kFrames; ++n) {
      ASSERT_TRUE(GrabVideoFrame(st, src, n, frame, status)) << r.name << " " << n;
      EXPECT_EQ(ReadTickCount(frame, r.row), FrameTicks(n)) << r.name << " frame " << n;
    }
    // Frame 1 (23:59:59.9333667 + ...) and the last frame (the next day).
    StampTexts t;
    EmbeddedStampOptions eo;
    eo.ticksRow = r.row;
    eo.frameInterval = 1001 / 30000.0L;
    ASSERT_TRUE(GrabVideoFrame(st, src, kFrames - 1, frame, status));
    EXPECT_EQ(ReadEmbeddedTimeStamp(frame, eo, t), 2027) << r.name;
    EXPECT_EQ(t.StampDate1 + t.StampDate2 + t.StampDate3, "270101") << r.name;
    EXPECT_EQ(t.StampS2Full, "00.2670337") << r.name;  // 59.9 s + 11 x 0.0333667 s - 60 s

    TickRateInputs in;
    in.firstTicks = ReadTickCount(first, r.row);
    in.lastTicks = FrameTicks(kFrames - 1);
    in.lastFrame = kFrames - 1;
    const TickRateResult rate = DeriveFrameRateFromTicks(in);
    ASSERT_TRUE(rate.spanSet) << r.name;
    EXPECT_NEAR(static_cast<double>(rate.videoFrameRate), 1e7 / kFrameTicks, 1e-9) << r.name;
  }
}
