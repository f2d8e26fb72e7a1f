#include "measure/ImageFilters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "base/NumberText.h"

namespace {

Bitmap24 Uniform(int w, int h, uint8_t v) {
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.Set(x, y, {v, v, v});
  return b;
}

// One byte per pixel into all three planes, rows top-down.
Bitmap24 FromRows(const std::vector<std::vector<int>>& rows) {
  Bitmap24 b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) {
      auto v = static_cast<uint8_t>(rows[y][x]);
      b.Set(static_cast<int>(x), static_cast<int>(y), {v, v, v});
    }
  return b;
}

int Blue(const Bitmap24& b, int x, int y) { return b.Get(x, y).b; }

}  // namespace

TEST(GammaTable, GammaOneIsIdentityAndTwoIsSquareRoot) {
  GammaTable t{};
  ASSERT_TRUE(BuildGammaTable(1.0, t));
  EXPECT_EQ(t, IdentityGammaTable());
  ASSERT_TRUE(BuildGammaTable(2.0, t));
  // 255 x sqrt(64 / 255) = 127.75 -> 128; 255 x sqrt(1 / 255) = 15.97 -> 16.
  EXPECT_EQ(t[64], 128);
  EXPECT_EQ(t[1], 16);
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[255], 255);
}

TEST(GammaTable, ZeroOrNegativeGammaIsIgnored) {
  GammaTable t{};
  ASSERT_TRUE(BuildGammaTable(2.0, t));
  const GammaTable before = t;
  EXPECT_FALSE(BuildGammaTable(0.0, t));
  EXPECT_FALSE(BuildGammaTable(-1.5, t));
  EXPECT_EQ(t, before);
}

TEST(GammaTable, AppliedToEveryByte) {
  Bitmap24 b(3, 2);
  b.Set(1, 1, {64, 1, 255});
  GammaTable t{};
  BuildGammaTable(2.0, t);
  ApplyGammaTable(b, t);
  EXPECT_EQ(b.Get(1, 1), (Bgr{128, 16, 255}));
  EXPECT_EQ(b.Get(0, 0), (Bgr{0, 0, 0}));
}

TEST(GaussianFilter, UniformGreyKeepsInsideAndDarkensBorder) {
  // Border weights by hand: 3 x 3 corner 0.421, edge 0.534 of 0.677;
  // 5 x 5 corner 4.558 of 10.692.
  struct Row {
    const char* name;
    int radius;
    int x, y;
    int expected;
  } rows[] = {
      {"3x3 inside", 1, 4, 4, 100}, {"3x3 corner", 1, 0, 0, 62}, {"3x3 edge", 1, 4, 0, 79},
      {"5x5 inside", 2, 4, 4, 100}, {"5x5 corner", 2, 0, 0, 43}, {"5x5 far corner", 2, 9, 9, 43},
  };
  for (const Row& r : rows) {
    Bitmap24 b = Uniform(10, 10, 100);
    GaussianFilter(b, r.radius);
    EXPECT_EQ(Blue(b, r.x, r.y), r.expected) << r.name;
    EXPECT_EQ(b.Get(r.x, r.y).r, r.expected) << r.name;
  }
}

TEST(GaussianFilter, SinglePointSpreadsByTheKernel) {
  Bitmap24 b(7, 7);
  b.Set(3, 3, {200, 200, 200});
  GaussianFilter(b, 1);
  // 200 x 0.225 / 0.677 = 66.47; 200 x 0.083 / 0.677 = 24.52; 200 x 0.03 / 0.677 = 8.86.
  EXPECT_EQ(Blue(b, 3, 3), 66);
  EXPECT_EQ(Blue(b, 4, 3), 25);
  EXPECT_EQ(Blue(b, 4, 4), 9);
  EXPECT_EQ(Blue(b, 5, 3), 0);
}

TEST(MovingAverageFilter, UniformImageUnchangedBordersIncluded) {
  for (int r : {1, 2}) {
    Bitmap24 b = Uniform(9, 6, 77);
    MovingAverageFilter(b, r);
    EXPECT_EQ(b, Uniform(9, 6, 77)) << r;
  }
}

TEST(MovingAverageFilter, HalvesGoToTheEvenNeighbour) {
  // Every pixel of a 2 x 2 image sees all four.
  struct Row {
    std::vector<std::vector<int>> px;
    int expected;
  } rows[] = {
      {{{1, 1}, {1, 3}}, 2},  // 6 / 4 = 1.5 -> 2
      {{{1, 2}, {2, 5}}, 2},  // 10 / 4 = 2.5 -> 2
      {{{1, 2}, {2, 0}}, 1},  // 5 / 4 = 1.25
      {{{3, 4}, {4, 3}}, 4},  // 14 / 4 = 3.5 -> 4
  };
  for (const Row& r : rows) {
    Bitmap24 b = FromRows(r.px);
    MovingAverageFilter(b, 1);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) EXPECT_EQ(Blue(b, x, y), r.expected);
  }
}

TEST(ApplyGain, ScalesRowsTwoAndBelowWithEvenHalves) {
  Bitmap24 b = FromRows({{5, 3, 255}, {5, 3, 255}, {5, 3, 255}, {5, 3, 100}});
  ApplyGain(b, 15);
  // Rows 0 and 1 untouched; 7.5 -> 8, 4.5 -> 4, 382.5 capped at 255, 150.
  EXPECT_EQ(Blue(b, 0, 0), 5);
  EXPECT_EQ(Blue(b, 1, 1), 3);
  EXPECT_EQ(Blue(b, 0, 2), 8);
  EXPECT_EQ(Blue(b, 1, 2), 4);
  EXPECT_EQ(Blue(b, 2, 2), 255);
  EXPECT_EQ(Blue(b, 2, 3), 150);
}

TEST(ApplyGain, ZeroBlackensRowsTwoAndBelowOnly) {
  Bitmap24 b = Uniform(4, 5, 90);
  ApplyGain(b, 0);
  EXPECT_EQ(Blue(b, 3, 0), 90);
  EXPECT_EQ(Blue(b, 3, 1), 90);
  for (int y = 2; y < 5; ++y) EXPECT_EQ(Blue(b, 2, y), 0);
}

TEST(ApplyFrameFilters, GainTenIsNoChange) {
  Bitmap24 b = FromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  const Bitmap24 before = b;
  FilterSettings s;
  ApplyFrameFilters(b, s, IdentityGammaTable());
  EXPECT_EQ(b, before);
}

TEST(RotateFieldRows, RowsShiftCyclicallyByShiftTimesRow) {
  const std::vector<std::vector<int>> src = {{1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}};
  Bitmap24 right = FromRows(src);
  RotateFieldRows(right, 1);
  EXPECT_EQ(right, FromRows({{1, 2, 3, 4}, {4, 1, 2, 3}, {3, 4, 1, 2}, {2, 3, 4, 1}}));
  Bitmap24 left = FromRows(src);
  RotateFieldRows(left, -1);
  EXPECT_EQ(left, FromRows({{1, 2, 3, 4}, {2, 3, 4, 1}, {3, 4, 1, 2}, {4, 1, 2, 3}}));
  Bitmap24 two = FromRows(src);
  RotateFieldRows(two, 3);  // row 3 moves 9 = 1 mod 4
  EXPECT_EQ(two, FromRows({{1, 2, 3, 4}, {2, 3, 4, 1}, {3, 4, 1, 2}, {4, 1, 2, 3}}));
}

TEST(PixelReaders, OutsideReadsBlack) {
  Bitmap24 b = Uniform(5, 4, 9);
  EXPECT_EQ(BitmapPixelRGB(b, -1, 0), Bgr{});
  EXPECT_EQ(BitmapPixelRGB(b, 5, 0), Bgr{});
  EXPECT_EQ(BitmapPixelRGB(b, 4, 3), (Bgr{9, 9, 9}));
  EXPECT_EQ(GetPixelRGB(b, 4, 0, 5, 4), (Bgr{9, 9, 9}));
  EXPECT_EQ(GetPixelRGB(b, 5, 0, 5, 4), Bgr{});
  EXPECT_EQ(GetPixelRGB(b, 0, 4, 5, 4), Bgr{});
  EXPECT_EQ(GetPixelRGB(b, 4, 0, 4, 4), Bgr{});  // beyond the frame width given
}

TEST(DrawContourLines, RedMultiplesOfTenTurnYellow) {
  Bitmap24 b(3, 1);
  b.Set(0, 0, {7, 7, 0});
  b.Set(1, 0, {7, 7, 20});
  b.Set(2, 0, {7, 7, 21});
  DrawContourLines(b);
  EXPECT_EQ(b.Get(0, 0), (Bgr{0, 255, 255}));
  EXPECT_EQ(b.Get(1, 0), (Bgr{0, 255, 255}));
  EXPECT_EQ(b.Get(2, 0), (Bgr{7, 7, 21}));
}

namespace {

Bitmap24 Random(int w, int h, unsigned seed) {
  Bitmap24 b(w, h);
  unsigned s = seed;
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < w * 3; ++i) {
      s = s * 1103515245u + 12345u;
      b.Row(y)[i] = static_cast<uint8_t>(s >> 23);
    }
  return b;
}

// Per pixel and byte, straight from the definition.
Bitmap24 ReferenceSmooth(const Bitmap24& src, int r, bool gaussian) {
  static const double g3[3][3] = {{0.03, 0.083, 0.03}, {0.083, 0.225, 0.083}, {0.03, 0.083, 0.03}};
  static const double g5[5][5] = {{0.13, 0.279, 0.36, 0.279, 0.13},
                                  {0.279, 0.6, 0.775, 0.6, 0.279},
                                  {0.36, 0.775, 1.0, 0.775, 0.36},
                                  {0.279, 0.6, 0.775, 0.6, 0.279},
                                  {0.13, 0.279, 0.36, 0.279, 0.13}};
  Bitmap24 out = src;
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        int n = 0;
        for (int dy = -r; dy <= r; ++dy)
          for (int dx = -r; dx <= r; ++dx) {
            if (!src.Contains(x + dx, y + dy)) continue;
            const int v = src.Row(y + dy)[(x + dx) * 3 + c];
            sum += gaussian ? (r == 1 ? g3[dy + 1][dx + 1] : g5[dy + 2][dx + 2]) * v : v;
            ++n;
          }
        const double q = gaussian ? sum / (r == 1 ? 0.677 : 10.692) : sum / n;
        out.Row(y)[x * 3 + c] = static_cast<uint8_t>(std::min<int64_t>(255, RoundHalfEven(q)));
      }
  return out;
}

}  // namespace

TEST(SmoothingFilters, MatchThePerPixelDefinitionExactly) {
  for (int r : {1, 2}) {
    for (auto [w, h] : {std::pair{23, 17}, std::pair{2, 3}, std::pair{1, 1}, std::pair{6, 1}}) {
      const Bitmap24 src = Random(w, h, static_cast<unsigned>(r * 100 + w));
      Bitmap24 g = src;
      GaussianFilter(g, r);
      EXPECT_EQ(g, ReferenceSmooth(src, r, true)) << "gaussian r=" << r << " " << w << "x" << h;
      Bitmap24 m = src;
      MovingAverageFilter(m, r);
      EXPECT_EQ(m, ReferenceSmooth(src, r, false)) << "moving r=" << r << " " << w << "x" << h;
    }
  }
}

TEST(ApplyFrameFilters, GammaComesBeforeGain) {
  // Gamma 2 then gain x2: 64 -> 128 -> 255 (capped); gain first would give 128 -> 181.
  Bitmap24 b(1, 3);
  b.Set(0, 2, {64, 64, 64});
  FilterSettings s;
  s.GammaMode = GammaModeKind::Field;
  s.GainTenths = 20;
  GammaTable t{};
  BuildGammaTable(2.0, t);
  ApplyFrameFilters(b, s, t);
  EXPECT_EQ(b.Get(0, 2).b, 255);
  // The 'Measure' gamma mode leaves the frame alone.
  Bitmap24 c(1, 3);
  c.Set(0, 2, {64, 64, 64});
  s.GammaMode = GammaModeKind::Measure;
  s.GainTenths = 10;
  ApplyFrameFilters(c, s, t);
  EXPECT_EQ(c.Get(0, 2).b, 64);
}
