#include "measure/ImageHistogram.h"

#include <gtest/gtest.h>

namespace {

// 10 x 10: 60 pixels red 0, 30 red 255, 10 red 7; green and blue differ so
// only the red byte can give these counts.
Bitmap24 ThreeLevels() {
  Bitmap24 bmp(10, 10);
  for (int i = 0; i < 100; ++i) {
    const uint8_t red = i < 60 ? 0 : i < 90 ? 255 : 7;
    bmp.Set(i % 10, i / 10, {static_cast<uint8_t>(i), 99, red});
  }
  return bmp;
}

TEST(ImageHistogram, CountsTheRedByteAndScalesToTheFullestBin) {
  const HistogramBins bins = CountHistogram(ThreeLevels());
  EXPECT_EQ(bins[0], 60);
  EXPECT_EQ(bins[255], 30);
  EXPECT_EQ(bins[7], 10);
  EXPECT_EQ(bins[99], 0);
  struct Case {
    int gain, h0, h255, h7;
  };
  // 250 g x count / 60, halves to even: 30 -> 125 g, 10 -> 41.67 g.
  for (const Case& c : {Case{1, 250, 125, 42}, Case{2, 500, 250, 83}, Case{10, 2500, 1250, 417}}) {
    const auto h = HistogramBarHeights(bins, c.gain);
    EXPECT_EQ(h[0], c.h0) << c.gain;
    EXPECT_EQ(h[255], c.h255) << c.gain;
    EXPECT_EQ(h[7], c.h7) << c.gain;
    EXPECT_EQ(h[8], 0) << c.gain;
  }
}

// Heights that are exact halves go to the even neighbour, also where the
// quotient is not exact in binary (expected values from Python's Fraction).
TEST(ImageHistogram, ExactHalvesRoundToEven) {
  HistogramBins bins{};
  bins[0] = 500;  // the fullest bin
  bins[1] = 63;   // 31.5 g
  bins[2] = 253;  // 126.5 g
  bins[3] = 167;  // 83.5 g
  bins[4] = 9;    // 4.5 g
  struct Case {
    int gain, h1, h2, h3, h4;
  };
  for (const Case& c : {Case{1, 32, 126, 84, 4}, Case{3, 94, 380, 250, 14}, Case{7, 220, 886, 584, 32}}) {
    const auto h = HistogramBarHeights(bins, c.gain);
    EXPECT_EQ(h[0], 250 * c.gain) << c.gain;
    EXPECT_EQ(h[1], c.h1) << c.gain;
    EXPECT_EQ(h[2], c.h2) << c.gain;
    EXPECT_EQ(h[3], c.h3) << c.gain;
    EXPECT_EQ(h[4], c.h4) << c.gain;
  }
}

TEST(ImageHistogram, EmptyFrameDrawsNothing) {
  const HistogramBins bins = CountHistogram(Bitmap24());
  for (int32_t b : bins) EXPECT_EQ(b, 0);
  for (int h : HistogramBarHeights(bins, 3)) EXPECT_EQ(h, 0);
}

TEST(ImageHistogram, UniformGreyIsOneBarAtItsColumns) {
  Bitmap24 bmp(33, 17);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x) bmp.Set(x, y, {100, 100, 100});
  const HistogramBins bins = CountHistogram(bmp);
  EXPECT_EQ(bins[100], 33 * 17);
  EXPECT_EQ(HistogramBarX(100), 230);
  EXPECT_EQ(HistogramBarHeights(bins, 1)[100], 250);
  EXPECT_EQ(HistogramBarHeights(bins, 2)[100], 500);
}

}  // namespace
