// Two-digit seven-segment inserter boxes: located from a click and read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/StampContexts.h"
#include "support/StampRender.h"
#include "timestamp/SevenSegmentDigits.h"

namespace {

Bitmap24 SegmentFrame(const std::string& two, int cx, int cy, uint32_t seed) {
  Bitmap24 f = NoisyFrame(500, 360, seed);
  DrawSegmentDigits(f, two, cx, cy, 44, 36, 230);
  return f;
}

}  // namespace

TEST(SevenSegmentDigits, LocatesTheBoxAndReadsEveryDigitPair) {
  uint32_t seed = 1;
  for (int a = 0; a < 10; ++a)
    for (int b = 0; b < 10; ++b) {
      const std::string two{static_cast<char>('0' + a), static_cast<char>('0' + (b + a) % 10)};
      const int cx = 400 + (a % 3), cy = 300 + (b % 4);
      Bitmap24 f = SegmentFrame(two, cx, cy, seed++);
      TiviBox box{};
      // The click lands a little above and left of the first digit.
      ASSERT_TRUE(LocateTiviBox(f, cx - 21, cy - 20, 100, box)) << two;
      EXPECT_NEAR(box[0], cx * 10, 10) << two;
      EXPECT_NEAR(box[2], (cx + 44) * 10, 10) << two;
      EXPECT_NEAR(box[5], 360, 10) << two;
      const TiviSamplePoints pts = PlaceDigitSamplePoints(box, DefaultTiviSampleTemplate());
      EXPECT_EQ(ReadTwoDigits(f, pts, 100), two);
      const InserterDigitsDisplay d = ShowInserterDigits(f, pts, 100);
      EXPECT_EQ(d.Edit26, two);
      EXPECT_TRUE(d.TiviDigitsValid);
      EXPECT_EQ(d.Edit24, "");
    }
}

TEST(SevenSegmentDigits, EmptyBoxesAndNoGlyph) {
  // Digits without segments: "EE", not valid.
  Bitmap24 f = SegmentFrame("  ", 400, 300, 7);
  TiviBox box{};
  ASSERT_TRUE(LocateTiviBox(f, 379, 280, 100, box));
  const InserterDigitsDisplay d = ShowInserterDigits(f, PlaceDigitSamplePoints(box, DefaultTiviSampleTemplate()), 100);
  EXPECT_EQ(d.Edit26, "EE");
  EXPECT_FALSE(d.TiviDigitsValid);
  // No bright block at all: the default box, not located.
  Bitmap24 dark(720, 480);
  EXPECT_FALSE(LocateTiviBox(dark, 100, 100, 100, box));
  EXPECT_EQ(box[2], 500);
  EXPECT_EQ(box[1], 4750);
  EXPECT_EQ(box[3], 4750);
  EXPECT_EQ(box[5], 50);
  const GlyphExtent e = ScanGlyphExtent(dark, 100, 100, 100);
  EXPECT_EQ(e.left, 1100);
  EXPECT_EQ(e.top, 200);
}

TEST(SevenSegmentDigits, DecodeOrder) {
  std::array<bool, 9> f{};
  EXPECT_EQ(DecodeSegmentFlags(f), 'E');
  // 4 and 6 on with 9 off read as "4" whatever else is lit.
  f.fill(true);
  f[8] = false;
  EXPECT_EQ(DecodeSegmentFlags(f), '4');
  f.fill(false);
  f[0] = true;  // flag 1 is never consulted
  EXPECT_EQ(DecodeSegmentFlags(f), 'E');
}

TEST(SevenSegmentDigits, BlockMeanAtTheThresholdCountsAsLit) {
  Bitmap24 f(20, 20);
  // Block mean 128 = rnd(1.28 x 100): lit.
  for (int y = 5; y <= 7; ++y)
    for (int x = 5; x <= 7; ++x) f.Set(x, y, {128, 128, 128});
  GlyphExtent e = ScanGlyphExtent(f, 4, 4, 100);
  EXPECT_EQ(e.left, 6);
  EXPECT_EQ(e.top, 6);
  for (int y = 5; y <= 7; ++y)
    for (int x = 5; x <= 7; ++x) f.Set(x, y, {127, 127, 128});
  e = ScanGlyphExtent(f, 4, 4, 100);
  EXPECT_EQ(e.left, 1004);
}

TEST(SevenSegmentDigits, LocatesTheDigitsOfAFullLine) {
  Bitmap24 f(720, 480);
  FillFrame(f, 16);
  // Hours at 100 and 144, minutes at 229 and 273 (digit boxes as bright glyphs).
  DrawSegmentDigits(f, "88", 100, 300, 44, 36, 230);
  DrawSegmentDigits(f, "88", 229, 300, 44, 36, 230);
  GlyphContext ctx;
  TimeStampState state;
  long double height = 0;
  ASSERT_TRUE(LocateDigitPositions(f, 79, 280, 100, ctx, state, height));
  EXPECT_TRUE(ctx.stampLocated);
  EXPECT_NEAR(static_cast<double>(ctx.stampCharPitch), 44, 1);
  EXPECT_NEAR(static_cast<double>(height), 36, 1);
  const int expected[8] = {100, 144, 229, 273, 358, 402, 487, 531};
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(state.DigitX[5][7 + i], expected[i], 1) << i;
  Bitmap24 dark(720, 480);
  EXPECT_FALSE(LocateDigitPositions(dark, 79, 280, 100, ctx, state, height));
  EXPECT_FALSE(ctx.stampLocated);
  EXPECT_EQ(state.DigitX[5][7], 100);
}

TEST(SevenSegmentDigits, SamplePointsRoundExactHalvesToEven) {
  // Expected points from exact fractions: a box near the frame's corner puts
  // several points on exact halves, which go to the even pixel.
  struct Case {
    TiviBox box;  // digit-1 x, y, digit-2 x, y, unused, height (tenths)
    std::array<std::array<TiviPoint, 9>, 2> want;
  };
  const Case cases[] = {
      {{5, 45, 335, 45, 0, 360},
       {{{{{12, -10}, {12, -4}, {12, 2}, {-10, 8}, {12, 15}, {6, 20}, {-8, 2}, {0, 4}, {-10, 20}}},
         {{{46, -10}, {46, -4}, {46, 2}, {23, 8}, {46, 15}, {40, 20}, {25, 2}, {34, 4}, {23, 20}}}}}},
      {{5, 25, 665, 25, 0, 40},
       {{{{{24, 1}, {24, 2}, {24, 2}, {-21, 3}, {24, 4}, {12, 4}, {-16, 2}, {0, 2}, {-20, 4}}},
         {{{90, 1}, {90, 2}, {90, 2}, {45, 3}, {90, 4}, {78, 4}, {50, 2}, {66, 2}, {46, 4}}}}}},
      {{75, 30, 1230, 30, 0, 180},
       {{{{{50, -4}, {50, -2}, {50, 2}, {-30, 4}, {50, 8}, {28, 10}, {-22, 2}, {8, 3}, {-28, 10}}},
         {{{165, -4}, {165, -2}, {165, 2}, {85, 4}, {165, 8}, {144, 10}, {94, 2}, {123, 3}, {87, 10}}}}}},
      {{4005, 3005, 4445, 3005, 0, 360},
       {{{{{416, 286}, {416, 292}, {416, 298}, {386, 304}, {416, 311}, {408, 316}, {389, 298}, {400, 300}, {387, 316}}},
         {{{460, 286}, {460, 292}, {460, 298}, {430, 304}, {460, 311}, {452, 316}, {433, 298}, {444, 300}, {431, 316}}}}}},
  };
  for (const Case& c : cases) {
    const TiviSamplePoints p = PlaceDigitSamplePoints(c.box, DefaultTiviSampleTemplate());
    for (int d = 0; d < 2; ++d)
      for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(p[d][i].x, c.want[d][i].x) << "box x " << c.box[0] << " digit " << d + 1 << " point " << i + 1;
        EXPECT_EQ(p[d][i].y, c.want[d][i].y) << "box x " << c.box[0] << " digit " << d + 1 << " point " << i + 1;
      }
  }
}


// A full line located from its digits ('KIWI' ticked) may have either field's
// line on top: a picture one line lower puts the odd field above the even
// one. Both fields' lines are found, and each field is read on its own line
// instead of one field line above it (a misread such as 74:41:44.41).
TEST(SevenSegmentDigits, LocatedLineReadsEachFieldOnItsOwnLine) {
  const double pitch = 24;
  const int cells[8] = {0, 1, 3, 4, 6, 7, 9, 10};
  std::vector<int> xs;
  for (int c : cells) xs.push_back(static_cast<int>(100 + pitch * c));
  const std::string early = "08595998", late = "09000001";
  uint32_t seed = 30;
  for (const int upper : {300, 301})
    for (const bool earlyOnTop : {true, false}) {
      const std::string name = std::to_string(upper) + (earlyOnTop ? ", earlier field on top" : ", later on top");
      Bitmap24 f = NoisyFrame(720, 480, seed++);
      const StampGlyphStyle s{StampFont::Iota, 2, pitch, 4, 2, 2, 230};
      DrawStampText(f, earlyOnTop ? early : late, xs, upper, s);
      DrawStampText(f, earlyOnTop ? late : early, xs, upper + 1, s);
      GlyphContext ctx = KiwiContext(30);
      TimeStampState state;
      long double height = 0;
      ASSERT_TRUE(LocateDigitPositions(f, 86, upper - 3, 100, ctx, state, height)) << name;
      EXPECT_EQ(state.LocatedFieldTop[upper & 1], upper) << name;
      EXPECT_EQ(state.LocatedFieldTop[(upper + 1) & 1], upper + 1) << name;
      // Read at the columns drawn: the column scan is not what is looked at here.
      for (int i = 0; i < 8; ++i) state.DigitX[5][7 + i] = xs[static_cast<size_t>(i)] + 1;
      StampTexts t;
      StampReadOptions ro;
      ro.fieldMeasure = true;
      ASSERT_EQ(ReadTimeStamp(f, ctx, ro, state, t), 1) << name;
      // 'Odd first': field 1 is the odd row's.
      const bool earlyOnOdd = ((earlyOnTop ? upper : upper + 1) & 1) != 0;
      const std::string f1 = t.StampH1 + t.StampM1 + t.StampS1Full, f2 = t.StampH2 + t.StampM2 + t.StampS2Full;
      EXPECT_EQ(f1, earlyOnOdd ? "085959.98" : "090000.01") << name;
      EXPECT_EQ(f2, earlyOnOdd ? "090000.01" : "085959.98") << name;
    }
}
