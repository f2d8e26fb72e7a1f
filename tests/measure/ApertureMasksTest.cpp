#include "measure/ApertureMasks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/ObjectMasks.h"

namespace {

// The map over offsets -r..r as text rows (one per dy, top row dy = -r),
// '1' aperture, '2' background, '.' neither.
std::vector<std::string> Picture(const ApertureClasses& m, int r) {
  std::vector<std::string> rows;
  for (int dy = -r; dy <= r; ++dy) {
    std::string s;
    for (int dx = -r; dx <= r; ++dx) {
      const int c = m.At(dx, dy);
      s += c == 0 ? '.' : static_cast<char>('0' + c);
    }
    rows.push_back(s);
  }
  return rows;
}

MaskSettings Radii(int ap, int inner, int outer, uint8_t form = 0) {
  MaskSettings s;
  s.ApertureRadius = ap;
  s.BackgroundInner = inner;
  s.BackgroundOuter = outer;
  s.BackgroundForm = form;
  return s;
}

// Radii 1 / 3 / 4: drawn by hand from the disk rule.
const std::vector<std::string> kRing134 = {
    "..22222..",  //
    ".2222222.",  //
    "222...222",  //
    "22.111.22",  //
    "22.111.22",  //
    "22.111.22",  //
    "222...222",  //
    ".2222222.",  //
    "..22222..",  //
};

}  // namespace

TEST(DigitalDisk, SmallRadiiByHand) {
  ApertureClasses m;
  DrawClassDisk(m, 2, 1);
  EXPECT_EQ(Picture(m, 3), (std::vector<std::string>{".......", "..111..", ".11111.", ".11111.", ".11111.",
                                                      "..111..", "......."}));
  ApertureClasses one;
  DrawClassDisk(one, 0, 1);
  EXPECT_EQ(CountClassCells(one, 1), 1);
  ApertureClasses none;
  DrawClassDisk(none, -1, 1);
  EXPECT_EQ(CountClassCells(none, 1), 0);
}

TEST(DigitalDisk, CountsOfLargerRadii) {
  // Column half-heights: r = 3: 3,3,3,2; r = 6: 6,6,6,5,5,4,2.
  struct Row {
    int r, cells;
  } rows[] = {{1, 9}, {3, 45}, {4, 69}, {6, 137}};
  for (const Row& row : rows) {
    ApertureClasses m;
    DrawClassDisk(m, row.r, 1);
    EXPECT_EQ(CountClassCells(m, 1), row.cells) << row.r;
  }
}

TEST(BuildObjectMasks, StandardRingByHand) {
  EXPECT_EQ(Picture(ObjectMasks(Radii(1, 3, 4)), 4), kRing134);
}

TEST(BuildObjectMasks, Radii6_8_25HaveGapRingOfRadius7) {
  ApertureClasses m = ObjectMasks(Radii(6, 8, 25));
  EXPECT_EQ(CountClassCells(m, 1), 137);
  // The class-0 area is the radius-7 disk less the aperture.
  ApertureClasses d7, d25;
  DrawClassDisk(d7, 7, 1);
  DrawClassDisk(d25, 25, 1);
  EXPECT_EQ(CountClassCells(m, 2), CountClassCells(d25, 1) - CountClassCells(d7, 1));
  EXPECT_EQ(m.At(7, 0), 0);
  EXPECT_EQ(m.At(8, 0), 2);
  EXPECT_EQ(m.At(25, 0), 2);
  EXPECT_EQ(m.At(26, 0), 0);  // the rim stays empty
}

TEST(BuildObjectMasks, InnerNextToApertureLeavesNoGap) {
  ApertureClasses m = ObjectMasks(Radii(3, 4, 6));
  ApertureClasses d6;
  DrawClassDisk(d6, 6, 1);
  EXPECT_EQ(CountClassCells(m, 1) + CountClassCells(m, 2), CountClassCells(d6, 1));
  EXPECT_EQ(CountClassCells(m, 1), 45);
}

TEST(BuildObjectMasks, SunlitFaceHorizontalDirection) {
  // Direction (500, 0): cut line v = Gap, background kept above it and within
  // |u| <= Width.
  MaskSettings s = Radii(1, 3, 4, 1);
  s.Gap = 1;
  s.Width = 2;
  EXPECT_EQ(Picture(ObjectMasks(s, 500, 0), 4), (std::vector<std::string>{
                                               "..22222..",  //
                                               "..22222..",  //
                                               "..2...2..",  //
                                               "...111...",  //
                                               "...111...",  //
                                               "...111...",  //
                                               ".........",  //
                                               ".........",  //
                                               ".........",  //
                                           }));
}

TEST(BuildObjectMasks, SunlitFaceVerticalDirectionUsesColumnTests) {
  // Direction (0, 500): cells with u < -Gap go; side limits |v| <= Width
  // (both sides cut). The vertical stand-in slope 1e6 tilts the side lines by
  // 1e-6, so cells exactly on v = -Width stay for u >= 0 only and cells on
  // v = +Width for u < 0 only.
  MaskSettings s = Radii(1, 3, 4, 1);
  s.Gap = 2;
  s.Width = 2;
  s.CutBkgUpperSide = true;
  s.CutBkgLowerSide = true;
  EXPECT_EQ(Picture(ObjectMasks(s, 0, 500), 4), (std::vector<std::string>{
                                               ".........",  //
                                               ".........",  //
                                               "......222",  //
                                               "...111.22",  //
                                               "...111.22",  //
                                               "...111.22",  //
                                               "..2......",  //
                                               ".........",  //
                                               ".........",  //
                                           }));
  // Without the side cuts only the column test applies.
  s.CutBkgUpperSide = s.CutBkgLowerSide = false;
  EXPECT_EQ(Picture(ObjectMasks(s, 0, 500), 4)[0], "..22222..");
  EXPECT_EQ(Picture(ObjectMasks(s, 0, 500), 4)[3], "...111.22");
  // Direction (0, -500) keeps the other side.
  EXPECT_EQ(Picture(ObjectMasks(s, 0, -500), 4)[3], "22.111...");
}

TEST(BuildObjectMasks, LunarLimbHorizontalDirection) {
  // Gap band -1 < v < 1 removed, only |u| <= 2 kept.
  MaskSettings s = Radii(1, 3, 4, 2);
  s.Gap = 1;
  s.Width = 2;
  EXPECT_EQ(Picture(ObjectMasks(s, 500, 0), 4), (std::vector<std::string>{
                                               "..22222..",  //
                                               "..22222..",  //
                                               "..2...2..",  //
                                               "...111...",  //
                                               "...111...",  //
                                               "...111...",  //
                                               "..2...2..",  //
                                               "..22222..",  //
                                               "..22222..",  //
                                           }));
}

TEST(BuildObjectMasks, LunarLimbWithOuterBelowGapKeepsTheRing) {
  MaskSettings s = Radii(1, 3, 4, 2);
  s.Gap = 5;
  s.Width = 1;
  EXPECT_EQ(Picture(ObjectMasks(s, 500, 0), 4), kRing134);
}

TEST(BuildObjectMasks, DiagonalCutLineKeepsCellsWithinGapOfTheLine) {
  // Direction (300, 400): slope 4/3, the cut line lies at distance Gap from the
  // centre; every kept cell has 4u - 3v >= -5 Gap (v <= 4u/3 + 5 Gap / 3).
  MaskSettings s = Radii(2, 4, 10, 1);
  s.Gap = 3;
  s.Width = 25;
  ApertureClasses m = ObjectMasks(s, 300, 400);
  int kept = 0, cut = 0;
  for (int u = -10; u <= 10; ++u)
    for (int v = -10; v <= 10; ++v) {
      ApertureClasses ring = ObjectMasks(Radii(2, 4, 10));
      if (ring.At(u, v) != 2) continue;
      const bool keep = 3 * v <= 4 * u + 5 * s.Gap;
      EXPECT_EQ(m.At(u, v), keep ? 2 : 0) << u << "," << v;
      (keep ? kept : cut)++;
    }
  EXPECT_GT(kept, 0);
  EXPECT_GT(cut, 0);
}

TEST(BuildRectangleClasses, ExtraColumnNegativeExtraRowPositive) {
  ApertureClasses m;
  BuildRectangleClasses(m, 4, 4);
  EXPECT_EQ(Picture(m, 3), (std::vector<std::string>{
                               "2222222",  // dy -3
                               "2222222",  // dy -2
                               "2111122",  // dy -1
                               "2111122",  // dy 0
                               "2111122",  // dy 1
                               "2111122",  // dy 2
                               "2222222",  // dy 3
                           }));
  struct Row {
    int w, h, cells;
  } rows[] = {{1, 1, 1}, {3, 5, 15}, {4, 4, 16}, {51, 51, 2601}, {60, 2, 102}};
  for (const Row& r : rows) {
    BuildRectangleClasses(m, r.w, r.h);
    EXPECT_EQ(CountClassCells(m, 1), r.cells) << r.w << "x" << r.h;
    EXPECT_EQ(CountClassCells(m, 2), 2601 - r.cells) << r.w << "x" << r.h;
  }
}

TEST(BuildObjectMasks, RectangleFormIgnoresRadii) {
  MaskSettings s = Radii(6, 8, 25, 3);
  s.RectangleWidth = 4;
  s.RectangleHeight = 4;
  ApertureClasses m = ObjectMasks(s);
  EXPECT_EQ(CountClassCells(m, 1), 16);
  EXPECT_EQ(m.At(-2, -1), 1);
  EXPECT_EQ(m.At(1, 2), 1);
  EXPECT_EQ(m.At(2, 2), 2);
}

TEST(ComputeBkgLineGeometry, DistancesEqualGapAndWidth) {
  struct Row {
    int dx, dy;
  } rows[] = {{300, 400}, {-300, 400}, {500, 0}, {0, 500}, {0, -500}, {-400, -300}};
  for (const Row& r : rows) {
    BkgLineGeometry g;
    g.DirectionX = r.dx;
    g.DirectionY = r.dy;
    ComputeBkgLineGeometry(g, 3, 5);
    if (r.dx != 0) {
      EXPECT_NEAR(std::abs(g.GapOffset) / std::sqrt(g.Slope * g.Slope + 1), 3, 1e-9);
    }
    if (r.dx != 0 && r.dy != 0) {
      EXPECT_NEAR(std::abs(g.WidthOffset) / std::sqrt(g.PerpSlope * g.PerpSlope + 1), 5, 1e-9);
    }
    if (r.dx == 0) {
      EXPECT_EQ(g.Slope, 1e6);
    }
    if (r.dy == 0) {
      EXPECT_EQ(g.PerpSlope, 1e6);
      EXPECT_EQ(g.WidthOffset, 1.0);
    }
  }
}

TEST(TrackMask, DiskWithCentreSet) {
  TrackDisk t;
  BuildTrackMask(t, 2, 1);
  int n = 0;
  for (int v : t.Cells) n += v;
  EXPECT_EQ(n, 21);
  ClearTrackMask(t);
  BuildTrackMask(t, -1, 1);
  EXPECT_EQ(t.At(0, 0), 1);
  EXPECT_EQ(t.At(1, 0), 0);
}

TEST(LimitApertureRadii, RangesKeepOrder) {
  RadiusRanges r = LimitApertureRadii(6, 8, 25);
  EXPECT_EQ(r.ApertureMax, 7);
  EXPECT_EQ(r.InnerMin, 7);
  EXPECT_EQ(r.InnerMax, 25);
  EXPECT_EQ(r.OuterMin, 8);
  EXPECT_EQ(r.OuterMax, 25);
}
