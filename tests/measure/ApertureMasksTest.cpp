#include "measure/ApertureMasks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
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

// Pictures drawn by hand. Sunlit face, direction (500, 0): cut line v = Gap,
// background kept above it and within |u| <= Width. Lunar limb: the gap band
// -Gap < v < Gap removed, only |u| <= Width kept.
TEST(BuildObjectMasks, RingsByHand) {
  struct Row {
    const char* name;
    uint8_t form;
    std::vector<std::string> picture;
  } rows[] = {
      {"standard", 0, kRing134},
      {"sunlit face", 1, {"..22222..", "..22222..", "..2...2..", "...111...", "...111...", "...111...", ".........",
                          ".........", "........."}},
      {"lunar limb", 2, {"..22222..", "..22222..", "..2...2..", "...111...", "...111...", "...111...", "..2...2..",
                         "..22222..", "..22222.."}},
  };
  for (const Row& r : rows) {
    MaskSettings s = MaskOf(1, 3, 4, r.form);
    s.Gap = 1;
    s.Width = 2;
    EXPECT_EQ(Picture(ObjectMasks(s, 500, 0), 4), r.picture) << r.name;
  }
}

TEST(BuildObjectMasks, Radii6_8_25HaveGapRingOfRadius7) {
  ApertureClasses m = ObjectMasks(MaskOf(6, 8, 25));
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

TEST(BuildObjectMasks, SunlitFaceVerticalDirectionUsesColumnTests) {
  // Direction (0, 500): cells with u < -Gap go; side limits |v| <= Width
  // (both sides cut). The vertical stand-in slope 1e6 tilts the side lines by
  // 1e-6, so cells exactly on v = -Width stay for u >= 0 only and cells on
  // v = +Width for u < 0 only.
  MaskSettings s = MaskOf(1, 3, 4, 1);
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

TEST(BuildObjectMasks, DiagonalCutLineKeepsCellsWithinGapOfTheLine) {
  // Direction (300, 400): slope 4/3, the cut line lies at distance Gap from the
  // centre; every kept cell has 4u - 3v >= -5 Gap (v <= 4u/3 + 5 Gap / 3).
  MaskSettings s = MaskOf(2, 4, 10, 1);
  s.Gap = 3;
  s.Width = 25;
  ApertureClasses m = ObjectMasks(s, 300, 400);
  int kept = 0, cut = 0;
  for (int u = -10; u <= 10; ++u)
    for (int v = -10; v <= 10; ++v) {
      ApertureClasses ring = ObjectMasks(MaskOf(2, 4, 10));
      if (ring.At(u, v) != 2) continue;
      const bool keep = 3 * v <= 4 * u + 5 * s.Gap;
      EXPECT_EQ(m.At(u, v), keep ? 2 : 0) << u << "," << v;
      (keep ? kept : cut)++;
    }
  EXPECT_GT(kept, 0);
  EXPECT_GT(cut, 0);
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

// The rectangle is exactly W x H offsets: an even width gets its extra
// column on the negative side, an even height its extra row on the positive
// side; everything else in -25..25 is background.
TEST(BuildRectangleClasses, ExactSizeAndWhereTheEvenExtraGoes) {
  struct Case {
    int w, h, u_lo, u_hi, v_lo, v_hi;
  };
  for (const Case c : {Case{4, 4, -2, 1, -1, 2}, Case{1, 1, 0, 0, 0, 0}, Case{1, 4, 0, 0, -1, 2},
                       Case{5, 3, -2, 2, -1, 1}, Case{2, 5, -1, 0, -2, 2}, Case{50, 2, -25, 24, 0, 1},
                       Case{51, 51, -25, 25, -25, 25}}) {
    ApertureClasses m;
    BuildRectangleClasses(m, c.w, c.h);
    EXPECT_EQ(CountClassCells(m, 1), c.w * c.h) << c.w << " x " << c.h;
    EXPECT_EQ(CountClassCells(m, 2), 51 * 51 - c.w * c.h) << c.w << " x " << c.h;
    for (int u = -25; u <= 25; ++u)
      for (int v = -25; v <= 25; ++v) {
        const bool inside = u >= c.u_lo && u <= c.u_hi && v >= c.v_lo && v <= c.v_hi;
        ASSERT_EQ(m.At(u, v), inside ? 1 : 2) << c.w << " x " << c.h << " at " << u << "," << v;
      }
  }
}

// 'Meteor/Lunar Limb' boundaries: an outer radius below the gap keeps the
// whole ring; a gap of 0 removes no band, so the width band alone decides;
// an inner radius one above the aperture leaves no empty ring.
TEST(BuildObjectMasks, LimbBoundaries) {
  const ApertureClasses ring = RingMasks(2, 4, 6);
  const ApertureClasses whole = ObjectMasks(MaskOf(2, 4, 6, 2, 7, 1), 500, 0);
  EXPECT_EQ(whole.Cells, ring.Cells);

  const ApertureClasses no_gap = ObjectMasks(MaskOf(2, 4, 6, 2, 0, 1), 500, 0);
  int kept = 0;
  for (int u = -25; u <= 25; ++u)
    for (int v = -25; v <= 25; ++v) {
      const int expected = ring.At(u, v) == 2 ? (std::abs(u) <= 1 ? 2 : 0) : ring.At(u, v);
      EXPECT_EQ(no_gap.At(u, v), expected) << u << "," << v;
      kept += expected == 2;
    }
  EXPECT_EQ(kept, 18);  // rows 4..6 above and below the centre in columns -1, 0, 1

  const ApertureClasses touching = RingMasks(3, 4, 6);
  ApertureClasses outer;
  DrawClassDisk(outer, 6, 1);
  for (int u = -6; u <= 6; ++u)
    for (int v = -6; v <= 6; ++v)
      if (outer.At(u, v) == 1) {
        EXPECT_NE(touching.At(u, v), 0) << u << "," << v;
      }
}
