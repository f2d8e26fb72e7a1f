// Frames (padded rows) to and from the library bitmap (packed rows).
#include <gtest/gtest.h>

#include "ImageFileLib/Bitmap24Copy.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

TEST(Bitmap24Copy, OddWidthFramesSurviveTheRoundTrip) {
  Bitmap24 frame(5, 3);  // 15 bytes per row, stride 16
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) frame.Set(x, y, Bgr{static_cast<uint8_t>(x * 50), static_cast<uint8_t>(y * 80), 7});
  TLinearBitmap b;
  AssignFromBitmap24(b, frame);
  EXPECT_EQ(b.BytesPerLine, 15);
  EXPECT_EQ(b.ScanLine(2)[3 * 4], 200);
  EXPECT_EQ(b.ScanLine(2)[3 * 4 + 1], 160);
  EXPECT_EQ(LinearBitmapToBitmap24(b), frame);
  AssignFromBitmap24(b, Bitmap24());
  EXPECT_FALSE(b.Present);
}

TEST(Bitmap24Copy, OtherFormatsBecomeColourFrames) {
  TLinearBitmap pal = MakeTestBitmap(4, 2, pf8Bit);
  const Bitmap24 frame = LinearBitmapToBitmap24(pal);
  const uint8_t index = pal.ScanLine(1)[3];
  EXPECT_EQ(frame.Get(3, 1), (Bgr{pal.Palette[3 * index], pal.Palette[3 * index + 1], pal.Palette[3 * index + 2]}));
  TLinearBitmap grey;
  grey.New(1, 1, pf16Grey);
  grey.Map[0] = 0x11;
  grey.Map[1] = 0x99;
  EXPECT_EQ(LinearBitmapToBitmap24(grey).Get(0, 0), (Bgr{0x99, 0x99, 0x99}));
  EXPECT_TRUE(LinearBitmapToBitmap24(TLinearBitmap()).Empty());
}
