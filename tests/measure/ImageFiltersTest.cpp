#include "measure/ImageFilters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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

TEST(GammaTable, ZeroOrNegativeGammaIsIgnored) {
  GammaTable t{};
  ASSERT_TRUE(BuildGammaTable(2.0, t));
  const GammaTable before = t;
  EXPECT_FALSE(BuildGammaTable(0.0, t));
  EXPECT_FALSE(BuildGammaTable(-1.5, t));
  EXPECT_EQ(t, before);
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

TEST(ApplyGain, ZeroBlackensRowsTwoAndBelowOnly) {
  Bitmap24 b = Uniform(4, 5, 90);
  ApplyGain(b, 0);
  EXPECT_EQ(Blue(b, 3, 0), 90);
  EXPECT_EQ(Blue(b, 3, 1), 90);
  for (int y = 2; y < 5; ++y) EXPECT_EQ(Blue(b, 2, y), 0);
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

// The Gaussian filter as first written: a floating-point sum per byte over
// the neighbours inside the image, in the order dy, then dx.
Bitmap24 GaussianAsWritten(const Bitmap24& in, int radius) {
  const SmoothingKernel& k = SmoothingKernelFor(radius);
  Bitmap24 out = in;
  for (int y = 0; y < in.Height(); ++y)
    for (int i = 0; i < in.Width() * 3; ++i) {
      double acc = 0;
      for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
          const int yy = y + dy, j = i + 3 * dx;
          if (yy < 0 || yy >= in.Height() || j < 0 || j >= in.Width() * 3) continue;
          acc += k.Weights[size_t(dy + radius)][size_t(dx + radius)] * in.Row(yy)[j];
        }
      out.Row(y)[i] = static_cast<uint8_t>(std::clamp<int64_t>(RoundHalfEven(acc / k.Divisor), 0, 255));
    }
  return out;
}

}  // namespace

// The integer sums must give every byte the floating-point sum gives, also
// the bytes that land exactly on a half (about one in ten thousand of the
// 5 x 5 kernel's), on odd sizes and one-pixel frames.
TEST(GaussianFilter, SameBytesAsTheFloatingPointSum) {
  std::mt19937 rng(9);
  const struct { int w, h; } sizes[] = {{1, 1}, {2, 3}, {5, 2}, {7, 9}, {64, 5}, {203, 157}};
  for (int radius : {1, 2})
    for (auto s : sizes) {
      Bitmap24 in(s.w, s.h);
      for (int y = 0; y < s.h; ++y)
        for (int i = 0; i < s.w * 3; ++i) in.Row(y)[i] = uint8_t(rng() % (y % 3 == 0 ? 256 : 8) + (y % 3 == 1 ? 120 : 0));
      Bitmap24 fast = in;
      GaussianFilter(fast, radius);
      EXPECT_TRUE(fast == GaussianAsWritten(in, radius)) << s.w << "x" << s.h << " radius " << radius;
    }
}
