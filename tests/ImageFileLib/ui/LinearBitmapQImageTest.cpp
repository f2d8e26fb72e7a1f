// QImage <-> TLinearBitmap copies: padded Qt rows against packed rows.
#include <gtest/gtest.h>

#include "ImageFileLib/ui/LinearBitmapQImage.h"

using namespace ImageFile;

TEST(LinearBitmapQImage, TwentyFourBitOddWidthKeepsPackedRowsTopDown) {
  QImage image(5, 3, QImage::Format_RGB888);  // 15 bytes per row, padded to 16
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgb(x * 40, y * 70, 200));
  TLinearBitmap b;
  AssignFromQImage(b, image);
  ASSERT_EQ(b.PixelFormat, pf24Bit);
  EXPECT_EQ(b.BytesPerLine, 15);
  const uint8_t* p = b.ScanLine(2) + 3 * 4;
  EXPECT_EQ(p[0], 200);  // blue
  EXPECT_EQ(p[1], 140);  // green
  EXPECT_EQ(p[2], 160);  // red
  const QImage back = LinearBitmapToQImage(b);
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB888), image);
}

TEST(LinearBitmapQImage, IndexedImagesKeepTheirTableAndShortTablesPadBlack) {
  QImage image(3, 2, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < 16; ++i) table.push_back(qRgb(i * 16, 255 - i, 7));
  image.setColorTable(table);
  image.fill(9);
  TLinearBitmap b;
  AssignFromQImage(b, image);
  ASSERT_EQ(b.PixelFormat, pf8Bit);
  EXPECT_EQ(b.Map[0], 9);
  EXPECT_EQ(b.Palette[3 * 9 + 2], 144);
  EXPECT_EQ(b.Palette[3 * 16], 0);
  EXPECT_EQ(b.Palette[3 * 255 + 1], 0);
  EXPECT_EQ(LinearBitmapToQImage(b).pixel(1, 1), qRgb(144, 246, 7));
}

TEST(LinearBitmapQImage, ThirtyTwoBitAndGreyAndEmpty) {
  QImage image(2, 2, QImage::Format_ARGB32);
  image.fill(qRgba(1, 2, 3, 255));
  TLinearBitmap b;
  AssignFromQImage(b, image);
  EXPECT_EQ(b.PixelFormat, pf32Bit);
  EXPECT_EQ(b.Map[0], 3);
  TLinearBitmap grey;
  grey.New(2, 1, pf16Grey);
  grey.Map[1] = 0x80;
  grey.Map[3] = 0x10;
  const QImage g = LinearBitmapToQImage(grey);
  EXPECT_EQ(g.format(), QImage::Format_Indexed8);
  EXPECT_EQ(g.pixel(0, 0), qRgb(0x80, 0x80, 0x80));
  AssignFromQImage(b, QImage());
  EXPECT_FALSE(b.Present);
  EXPECT_TRUE(LinearBitmapToQImage(b).isNull());
}
