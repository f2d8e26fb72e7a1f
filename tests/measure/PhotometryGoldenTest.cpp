// Aperture photometry against figures computed outside this program: the
// Python script tests/tools/golden_figures.py that builds the class masks and the sums straight from the
// written rules (digital disks, cut lines, field rows, rounding) on the frame
// below. The frame is asymmetric in every plane, so a mirrored cut, a swapped
// field or a plane added twice changes the figures.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdint>

#include "measure/ApertureMasks.h"
#include "measure/AperturePhotometry.h"

namespace {

// 64 x 48; star of 6000 div (d^2 + 25) at (30, 21) on a patterned background.
Bitmap24 PatternFrame() {
  Bitmap24 f(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const int d2 = (x - 30) * (x - 30) + (y - 21) * (y - 21);
      const int star = 6000 / (d2 + 25);
      const int b = std::min(255, 20 + (3 * x + 5 * y) % 7 + star);
      const int g = std::min(255, 10 + (x + 2 * y) % 5 + star / 2);
      const int r = 15 + (x * y) % 4;
      f.Set(x, y, {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)});
    }
  return f;
}

struct BlockFigures {
  int ApertureCount, BackgroundCount;
  double Value;
  int32_t ApertureSum, BackgroundSum;
  double Peak;
};

struct Case {
  const char* name;
  MaskSettings mask;
  int dir_x, dir_y;
  int x, y;
  bool accurate, subtract_background;
  BlockFigures blocks[3];
  double hfd;
  int class1, class2;
  // Class-2 fingerprint: sums of u, v, u*v, 31u^2 + 7v^2 + 3u.
  int64_t su, sv, suv, sq;
};

MaskSettings Mask(int ap, int inner, int outer, uint8_t form, int gap = 0, int width = 0, bool upper = false,
                  bool lower = false) {
  MaskSettings s;
  s.ApertureRadius = ap;
  s.BackgroundInner = inner;
  s.BackgroundOuter = outer;
  s.BackgroundForm = form;
  s.Gap = gap;
  s.Width = width;
  s.CutBkgUpperSide = upper;
  s.CutBkgLowerSide = lower;
  return s;
}

const Case kCases[] = {
    {"sunlit face, dx < 0, upper side cut",
     Mask(6, 8, 25, 1, 3, 10, true, false), -300, 400, 30, 21, false, false,
     {{137, 744, 7909.5909498207875, 11800, 21126, 255},
      {71, 372, 4022.8091397849457, 6058, 10665, 255},
      {66, 372, 3885.4086021505373, 5741, 10461, 255}},
     7.692162303220485, 137, 744, 3594, 9276, 23782, 3955012},
    {"sunlit face, dx > 0, both side cuts, accurate, peak less background",
     Mask(5, 7, 18, 1, 2, 6, true, true), 433, -250, 30, 21, true, true,
     {{101, 153, 5809.660130718954, 9479, 5558, 218.67320261437908},
      {51, 75, 2895.0296732026145, 4781, 2731, 218.5822222222222},
      {50, 78, 2914.5578632478637, 4698, 2827, 218.76068376068378}},
     6.690515644400237, 101, 153, -912, -1576, 9518, 356016},
    {"lunar limb, dx < 0, accurate",
     Mask(5, 9, 20, 2, 4, 12), -433, 250, 30, 21, true, false,
     {{101, 638, 6385.291013584117, 9479, 19540, 255},
      {51, 320, 3186.039430147059, 4781, 9810, 255},
      {50, 318, 3199.364507337527, 4698, 9731, 255}},
     6.767926559121051, 101, 638, 0, 0, 36002, 2297358},
    {"lunar limb, vertical upwards, peak less background",
     Mask(4, 6, 22, 2, 3, 9), 0, -500, 30, 20, false, true,
     {{69, 658, 4640.732522796352, 7004, 22537, 220.7497467071935},
      {32, 332, 2194.240963855422, 3305, 11521, 220.2991967871486},
      {37, 326, 2449.0511247443765, 3699, 11016, 221.2085889570552}},
     5.755093485529605, 69, 658, 0, 0, -3726, 4099202},
    {"ring at the frame corner, accurate, peak less background",
     Mask(6, 8, 25, 0), 0, 0, 3, 2, true, true,
     {{81, 581, -477.202524383247, 1592, 14840, 7.458405048766494},
      {37, 286, -244.8613211113212, 731, 7377, 7.206293706293707},
      {44, 295, -232.02422958397534, 861, 7463, 7.702824858757062}},
     7.549118467529369, 137, 1892, 0, 0, 0, 12940748},
};

}  // namespace

TEST(PhotometryGolden, MasksAndBlockFiguresMatchAnIndependentComputation) {
  const Bitmap24 frame = PatternFrame();
  for (const Case& c : kCases) {
    ApertureClasses map{};
    BkgLineGeometry geom;
    geom.DirectionX = c.dir_x;
    geom.DirectionY = c.dir_y;
    BuildObjectMasks(map, geom, c.mask);
    EXPECT_EQ(CountClassCells(map, 1), c.class1) << c.name;
    EXPECT_EQ(CountClassCells(map, 2), c.class2) << c.name;
    int64_t su = 0, sv = 0, suv = 0, sq = 0;
    for (int u = -25; u <= 25; ++u)
      for (int v = -25; v <= 25; ++v)
        if (map.At(u, v) == 2) {
          su += u;
          sv += v;
          suv += u * v;
          sq += 31 * u * u + 7 * v * v + 3 * u;
        }
    EXPECT_EQ(su, c.su) << c.name;
    EXPECT_EQ(sv, c.sv) << c.name;
    EXPECT_EQ(suv, c.suv) << c.name;
    EXPECT_EQ(sq, c.sq) << c.name;

    ApertureOptions options;
    options.Accurate = c.accurate;
    options.SubtractBackground = c.subtract_background;
    ApertureMeasureContext ctx{&map, c.mask.BackgroundForm, c.mask.BackgroundOuter, nullptr, nullptr};
    DataLineBlocks lines{};
    const ApertureSums sums = StoreApertureResult(frame, 2, lines, c.x, c.y, ctx, options);
    for (size_t j = 0; j < 3; ++j) {
      const ObjectResult& o = lines[j].Objects[1];
      const BlockFigures& e = c.blocks[j];
      EXPECT_EQ(o.AperturePixelCount, e.ApertureCount) << c.name << " block " << j;
      EXPECT_EQ(o.BackgroundPixelCount, e.BackgroundCount) << c.name << " block " << j;
      EXPECT_NEAR(o.Value, e.Value, 1e-9) << c.name << " block " << j;
      EXPECT_EQ(o.ApertureSum, e.ApertureSum) << c.name << " block " << j;
      EXPECT_EQ(o.BackgroundSum, e.BackgroundSum) << c.name << " block " << j;
      EXPECT_NEAR(o.Peak, e.Peak, 1e-9) << c.name << " block " << j;
      // Other objects' columns stay untouched.
      EXPECT_EQ(lines[j].Objects[0].AperturePixelCount, 0) << c.name;
      EXPECT_EQ(lines[j].Objects[2].AperturePixelCount, 0) << c.name;
    }
    EXPECT_NEAR(lines[0].Objects[1].FwhmHfd, c.hfd, 1e-9) << c.name;
    EXPECT_NEAR(sums[0].Hfd, c.hfd, 1e-9) << c.name;
  }
}

TEST(PhotometryGolden, RectangleFiguresRelativeToTheReferenceFrame) {
  // 7 x 4 rectangle at (30, 21): columns 27..33, rows 20..23 (even height puts
  // the extra row below). The second frame adds up to 3 in blue (stopping at
  // 255) and 1 in red to every pixel; each block's value is the mean added per
  // pixel times its pixel count, counted here pixel by pixel.
  const Bitmap24 first = PatternFrame();
  Bitmap24 second = PatternFrame();
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      Bgr p = second.Get(x, y);
      p.b = static_cast<uint8_t>(std::min(255, p.b + 3));
      p.r = static_cast<uint8_t>(p.r + 1);
      second.Set(x, y, p);
    }
  ApertureClasses map{};
  BkgLineGeometry geom;
  MaskSettings s = Mask(6, 8, 25, 3);
  s.RectangleWidth = 7;
  s.RectangleHeight = 4;
  BuildObjectMasks(map, geom, s);
  RectangleReference ref;
  ref.Pending = true;
  ApertureMeasureContext ctx{&map, 3, 25, &ref, nullptr};
  DataLineBlocks lines{};
  StoreApertureResult(first, 1, lines, 30, 21, ctx, {});
  for (size_t j = 0; j < 3; ++j) {
    EXPECT_EQ(lines[j].Objects[0].Value, 0.0) << j;
    EXPECT_EQ(lines[j].Objects[0].ApertureSum, 0) << j;
  }
  // Rows 21 and 23 are odd (field 1), rows 20 and 22 even (field 2).
  EXPECT_EQ(lines[0].Objects[0].AperturePixelCount, 28);
  EXPECT_EQ(lines[1].Objects[0].AperturePixelCount, 14);
  EXPECT_EQ(lines[2].Objects[0].AperturePixelCount, 14);
  EXPECT_EQ(lines[0].Objects[0].BackgroundPixelCount, 2);
  EXPECT_EQ(lines[1].Objects[0].BackgroundPixelCount, 1);
  EXPECT_EQ(lines[2].Objects[0].BackgroundPixelCount, 1);

  int added[3] = {0, 0, 0};
  for (int y = 20; y <= 23; ++y)
    for (int x = 27; x <= 33; ++x) {
      const int d = (second.Get(x, y).b - first.Get(x, y).b) + 1;
      added[0] += d;
      added[(y % 2 == 1) ? 1 : 2] += d;
    }
  lines = {};
  StoreApertureResult(second, 1, lines, 30, 21, ctx, {});
  for (size_t j = 0; j < 3; ++j) {
    EXPECT_NEAR(lines[j].Objects[0].Value, added[j] / 3.0, 1e-9) << j;
    EXPECT_EQ(lines[j].Objects[0].ApertureSum, std::lround(added[j] / 3.0)) << j;
    EXPECT_EQ(lines[j].Objects[0].BackgroundSum, 0) << j;
  }
}
