#include "measure/ProfileWindows.h"

#include <gtest/gtest.h>

namespace {

TEST(FillMeanWindow, MeansTheThreeBytesAndLeavesUnreadPixelsAtZero) {
  Bitmap24 bmp(20, 10);
  bmp.Set(5, 4, {10, 20, 40});
  bmp.Set(0, 0, {255, 255, 255});  // row 0: never read
  SquareWindow<27> w;
  w.Cells.fill(-1);
  FillMeanWindow(w, bmp, 5, 4, nullptr);
  EXPECT_NEAR(w.At(0, 0), 70.0 / 3, 1e-12);
  EXPECT_EQ(w.At(-5, -4), 0.0);   // (0, 0)
  EXPECT_EQ(w.At(-6, 0), 0.0);    // x = -1
  EXPECT_EQ(w.At(15, 0), 0.0);    // x = width
  EXPECT_EQ(w.At(0, 6), 0.0);     // y = height
}

TEST(FillMeanWindow, ReadsThroughTheGammaTableWhenGiven) {
  Bitmap24 bmp(20, 10);
  bmp.Set(5, 4, {10, 20, 40});
  GammaTable g = IdentityGammaTable();
  g[10] = 100;
  g[20] = 110;
  g[40] = 120;
  SquareWindow<27> w;
  FillMeanWindow(w, bmp, 5, 4, &g);
  EXPECT_DOUBLE_EQ(w.At(0, 0), 110.0);
}

TEST(SmoothWindow, KeepsAFlatAreaAndTheRimAndRoundsWhenAsked) {
  for (int index : {1, 2}) {
    SquareWindow<27> w;
    w.Cells.fill(90);
    SmoothWindow(w, 23, index, SmoothRounding::NearestEven);
    EXPECT_EQ(w.At(0, 0), 90.0) << index;  // kernel sum equals its divisor (to 3 digits)
    EXPECT_EQ(w.At(23, -23), 90.0) << index;
  }
  // A single bright cell spreads by the kernel weights over the fixed divisor.
  SquareWindow<27> w;
  w.At(0, 0) = 677;
  SmoothWindow(w, 23, 1, SmoothRounding::None);
  EXPECT_NEAR(w.At(0, 0), 225.0, 1e-9);
  EXPECT_NEAR(w.At(1, 0), 83.0, 1e-9);
  EXPECT_NEAR(w.At(1, 1), 30.0, 1e-9);
  // The rim beyond the smoothed reach keeps its raw value.
  SquareWindow<27> rim;
  rim.At(25, 0) = 50;
  rim.At(24, 0) = 10;
  SmoothWindow(rim, 23, 1, SmoothRounding::NearestEven);
  EXPECT_EQ(rim.At(25, 0), 50.0);
  EXPECT_EQ(rim.At(24, 0), 10.0);
  EXPECT_EQ(rim.At(23, 0), 1.0);  // 10 x 0.083 / 0.677 = 1.226 -> 1
  // Index 0 smooths nothing.
  SquareWindow<27> off;
  off.At(0, 0) = 5;
  SmoothWindow(off, 23, 0, SmoothRounding::NearestEven);
  EXPECT_EQ(off.At(0, 0), 5.0);
  EXPECT_EQ(off.At(1, 0), 0.0);
}

}  // namespace
