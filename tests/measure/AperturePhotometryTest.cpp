#include "measure/AperturePhotometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "support/ObjectMasks.h"
#include "support/SyntheticStars.h"

namespace {

ApertureClasses Ring(int ap, int inner, int outer, uint8_t form = 0, int gap = 0, int width = 25, int dir_x = 0,
                     int dir_y = 0) {
  return ObjectMasks(MaskOf(ap, inner, outer, form, gap, width), dir_x, dir_y);
}

// A second, plain computation: walks the frame's pixels row by row and asks
// the mask about each, so it shares neither loop order, window bounds nor
// field bookkeeping with the measuring code.
struct Reference {
  double ap[3] = {0, 0, 0};  // all three planes added
  double bg[3] = {0, 0, 0};
  int apn[3] = {0, 0, 0};
  int bgn[3] = {0, 0, 0};
  int peak = 0;
  double hfd = 0;
  double Value(int j) const {
    const double a = ap[j] / 3;
    const double b = bgn[j] == 0 ? 0 : bg[j] / 3;
    return a - (static_cast<double>(apn[j]) / (bgn[j] == 0 ? 10 : bgn[j])) * b;
  }
};

Reference BruteForce(const Bitmap24& f, const ApertureClasses& m, int cx, int cy, int reach) {
  Reference r;
  for (int y = 0; y < f.Height(); ++y)
    for (int x = 0; x < f.Width(); ++x) {
      const int dx = x - cx, dy = y - cy;
      if (std::abs(dx) > reach || std::abs(dy) > reach) continue;
      const Bgr p = f.Get(x, y);
      const double v = p.b + p.g + p.r;
      const int field = (y % 2 == 1) ? 1 : 2;
      if (m.At(dx, dy) == 1) {
        r.ap[0] += v;
        r.ap[field] += v;
        ++r.apn[0];
        ++r.apn[field];
        r.peak = std::max<int>(r.peak, p.b);
      } else if (m.At(dx, dy) == 2) {
        r.bg[0] += v;
        r.bg[field] += v;
        ++r.bgn[0];
        ++r.bgn[field];
      }
    }
  const double b = r.bgn[0] ? r.bg[0] / r.bgn[0] : 0;
  double s_sum = 0, t_sum = 0;
  for (int y = 0; y < f.Height(); ++y)
    for (int x = 0; x < f.Width(); ++x) {
      const int dx = x - cx, dy = y - cy;
      if (std::abs(dx) > reach || std::abs(dy) > reach || m.At(dx, dy) != 1) continue;
      const Bgr p = f.Get(x, y);
      const double s = p.b + p.g + p.r - b;
      s_sum += s;
      t_sum += s * std::hypot(dx, dy);
    }
  r.hfd = s_sum != 0 ? 2 * t_sum / s_sum : 0;
  return r;
}

void ExpectMatchesReference(const ApertureSums& sums, const DataLineBlocks& lines, const Reference& ref,
                            const char* name) {
  for (int j = 0; j < 3; ++j) {
    const ObjectResult& o = lines[static_cast<size_t>(j)].Objects[0];
    EXPECT_EQ(sums[static_cast<size_t>(j)].ApertureCount, ref.apn[j]) << name << " block " << j;
    EXPECT_EQ(sums[static_cast<size_t>(j)].BackgroundCount, ref.bgn[j]) << name << " block " << j;
    EXPECT_EQ(o.AperturePixelCount, ref.apn[j]) << name << " block " << j;
    EXPECT_NEAR(o.Value, ref.Value(j), 1e-9 * (1 + std::fabs(ref.Value(j)))) << name << " block " << j;
    EXPECT_EQ(o.ApertureSum, static_cast<int32_t>(std::nearbyint(ref.ap[j] / 3))) << name << " block " << j;
  }
  EXPECT_EQ(sums[0].Peak, ref.peak) << name;
  EXPECT_NEAR(sums[0].Hfd, ref.hfd, 1e-9 * (1 + ref.hfd)) << name;
}

SyntheticFrame OneStar(double x, double y, double flux, double sigma, double noise = 0) {
  SyntheticFrame f;
  f.Width = 200;
  f.Height = 150;
  f.Background = 20;
  f.NoiseSigma = noise;
  f.Seed = 12345;
  f.Stars.push_back({x, y, flux, sigma});
  return f;
}

}  // namespace

TEST(AperturePhotometry, GaussianStarFluxRecoveredForEachBackgroundForm) {
  // Flux 2500 with sigma 1.5 (peak below 255): the radius-6 aperture holds all
  // but ~3e-4 of it; byte rounding adds at most 0.5 per pixel. Tolerances in counts.
  struct Row {
    const char* name;
    ApertureClasses mask;
    double cx, cy;
    double noise;
    double tolerance;
  } rows[] = {
      {"ring 6/8/25", Ring(6, 8, 25), 100, 75, 0, 15},
      {"ring 6/8/25 off-centre star", Ring(6, 8, 25), 100.3, 74.6, 0, 15},
      {"ring 6/8/25 noise 3", Ring(6, 8, 25), 100, 75, 3, 60},
      {"ring 4/5/12", Ring(4, 5, 12), 100, 75, 0, 15},
      {"sunlit face", Ring(6, 8, 25, 1, 3, 10, 300, 400), 100, 75, 0, 15},
      {"lunar limb", Ring(6, 8, 25, 2, 3, 10, 500, 0), 100, 75, 0, 15},
      {"lunar limb vertical", Ring(6, 8, 25, 2, 4, 8, 0, 500), 100, 75, 0, 15},
  };
  for (Row& r : rows) {
    const Bitmap24 frame = MakeStarFrame(OneStar(r.cx, r.cy, 2500, 1.5, r.noise));
    DataLineBlocks lines{};
    ApertureMeasureContext ctx{&r.mask, 0, 25, nullptr, nullptr};
    const ApertureSums sums = StoreApertureResult(frame, 1, lines, 100, 75, ctx, {});
    // The value the unrounded, noise-free pixel model gives through the same
    // mask: the aperture's share of the flux less the star light in the background.
    const SyntheticFrame model = OneStar(r.cx, r.cy, 2500, 1.5);
    double ap = 0, bg = 0;
    int apn = 0, bgn = 0;
    for (int dx = -25; dx <= 25; ++dx)
      for (int dy = -25; dy <= 25; ++dy) {
        const double v = SyntheticPixelValue(model, 100 + dx, 75 + dy) - model.Background;
        if (r.mask.At(dx, dy) == 1) ap += v, ++apn;
        if (r.mask.At(dx, dy) == 2) bg += v, ++bgn;
      }
    const double expected = ap - static_cast<double>(apn) / bgn * bg;
    EXPECT_NEAR(lines[0].Objects[0].Value, expected, r.tolerance) << r.name;
    EXPECT_NEAR(lines[0].Objects[0].Value, 2500, r.tolerance + 2500 * 0.012) << r.name;
    ExpectMatchesReference(sums, lines, BruteForce(frame, r.mask, 100, 75, 25), r.name);
  }
}

TEST(AperturePhotometry, HalfFluxDiameterAndPeakOfAGaussian) {
  // Twice the flux-weighted mean radius of a circular Gaussian: 2 sqrt(pi/2)
  // sigma = 2.5066 sigma; pixel sampling and the aperture edge move it a little.
  for (double sigma : {1.2, 1.5, 2.0}) {
    const double flux = 1200 * sigma * sigma;  // peak about 190 above the background
    const Bitmap24 frame = MakeStarFrame(OneStar(100, 75, flux, sigma));
    const ApertureClasses m = Ring(8, 10, 25);
    DataLineBlocks lines{};
    ApertureMeasureContext ctx{&m, 0, 25, nullptr, nullptr};
    const ApertureSums sums = StoreApertureResult(frame, 1, lines, 100, 75, ctx, {});
    EXPECT_NEAR(lines[0].Objects[0].FwhmHfd, 2.5066 * sigma, 0.08 * sigma) << sigma;
    // The same quantity from the unrounded pixel model through the same mask:
    // only the byte rounding of the frame separates the two.
    const SyntheticFrame model = OneStar(100, 75, flux, sigma);
    double bg_sum = 0;
    int bg_n = 0;
    for (int dx = -25; dx <= 25; ++dx)
      for (int dy = -25; dy <= 25; ++dy)
        if (m.At(dx, dy) == 2) bg_sum += 3 * SyntheticPixelValue(model, 100 + dx, 75 + dy), ++bg_n;
    double s_sum = 0, t_sum = 0;
    for (int dx = -25; dx <= 25; ++dx)
      for (int dy = -25; dy <= 25; ++dy)
        if (m.At(dx, dy) == 1) {
          const double sv = 3 * SyntheticPixelValue(model, 100 + dx, 75 + dy) - bg_sum / bg_n;
          s_sum += sv;
          t_sum += sv * std::hypot(dx, dy);
        }
    EXPECT_NEAR(lines[0].Objects[0].FwhmHfd, 2 * t_sum / s_sum, 0.01 * 2 * t_sum / s_sum) << sigma;  // 1 %
    // Peak: the centre pixel's share of the flux plus the background.
    const double centre = SyntheticPixelValue(OneStar(100, 75, flux, sigma), 100, 75);
    EXPECT_EQ(lines[0].Objects[0].Peak, std::trunc(std::min(255.0, centre) + 0.5)) << sigma;
    ApertureOptions sub;
    sub.SubtractBackground = true;
    StoreApertureSums(sums, 1, lines, sub);
    EXPECT_NEAR(lines[0].Objects[0].Peak, std::trunc(std::min(255.0, centre) + 0.5) - 20, 1e-9) << sigma;
  }
}

TEST(AperturePhotometry, AccurateWithAnEmptyFieldGivesZero) {
  // Radius 0 aperture: one pixel, on an even row; field 1 has no aperture pixel.
  Bitmap24 f(60, 60);
  f.Set(30, 30, {90, 90, 90});
  const ApertureClasses m = Ring(0, 2, 4);
  DataLineBlocks lines{};
  ApertureOptions acc;
  acc.Accurate = true;
  ApertureMeasureContext ctx{&m, 0, 4, nullptr, nullptr};
  StoreApertureResult(f, 1, lines, 30, 30, ctx, acc);
  EXPECT_EQ(lines[1].Objects[0].AperturePixelCount, 0);
  EXPECT_EQ(lines[1].Objects[0].Value, 0.0);
  EXPECT_TRUE(std::isfinite(lines[2].Objects[0].Value));
  EXPECT_DOUBLE_EQ(lines[2].Objects[0].Value, 0.5 * 90);  // (1 / 2 / 1) x 90
}

TEST(AperturePhotometry, WindowAtAndBeyondTheFrameEdge) {
  const Bitmap24 frame = MakeStarFrame(OneStar(3, 3, 3000, 1.5));
  const ApertureClasses m = Ring(6, 8, 25);
  struct Row {
    int x, y;
  } rows[] = {{3, 3}, {0, 0}, {199, 149}, {198, 2}, {-40, 20}, {260, 200}};
  for (const Row& r : rows) {
    DataLineBlocks lines{};
    ApertureMeasureContext ctx{&m, 0, 25, nullptr, nullptr};
    const ApertureSums sums = StoreApertureResult(frame, 1, lines, r.x, r.y, ctx, {});
    ExpectMatchesReference(sums, lines, BruteForce(frame, m, r.x, r.y, 25), "edge");
  }
  // Wholly outside: counts 0, value 0.
  DataLineBlocks lines{};
  ApertureMeasureContext ctx{&m, 0, 25, nullptr, nullptr};
  StoreApertureResult(frame, 1, lines, -40, 20, ctx, {});
  EXPECT_EQ(lines[0].Objects[0].AperturePixelCount, 0);
  EXPECT_EQ(lines[0].Objects[0].BackgroundPixelCount, 0);
  EXPECT_EQ(lines[0].Objects[0].Value, 0.0);
}

TEST(AperturePhotometry, ColumnWidthAndRowHeightAreOutside) {
  // A bright column just right of a 40 x 30 frame would be counted by a test
  // that lets x == width through; a Bitmap24 of that size has no such pixels,
  // so check the counts: centre at the last column and row.
  Bitmap24 f(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) f.Set(x, y, {50, 50, 50});
  const ApertureClasses m = Ring(2, 3, 4);
  DataLineBlocks lines{};
  ApertureMeasureContext ctx{&m, 0, 4, nullptr, nullptr};
  StoreApertureResult(f, 1, lines, 39, 29, ctx, {});
  // The cells of the radius-2 disk with dx <= 0 and dy <= 0: 3 + 3 + 2.
  EXPECT_EQ(lines[0].Objects[0].AperturePixelCount, 8);
  EXPECT_EQ(lines[0].Objects[0].ApertureSum, 400);
}

TEST(AperturePhotometry, LimbProfileRunsAlongTheShorterSide) {
  Bitmap24 f(80, 80);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x) f.Set(x, y, {static_cast<uint8_t>(y), static_cast<uint8_t>(y), static_cast<uint8_t>(y)});
  ApertureOptions opt;
  opt.LimbProfileForRectangle = true;
  {
    // 9 wide, 3 high: indexed by row offset -1..1; each entry = 9 x row value.
    ApertureClasses m;
    BuildRectangleClasses(m, 9, 3);
    RectangleReference ref;
    LimbProfileValues prof{};
    prof.fill(7);  // stale values must go
    ApertureMeasureContext ctx{&m, 3, 25, &ref, &prof};
    DataLineBlocks lines{};
    StoreApertureResult(f, 1, lines, 40, 40, ctx, opt);
    EXPECT_DOUBLE_EQ(prof[24], 9 * 39.0);
    EXPECT_DOUBLE_EQ(prof[25], 9 * 40.0);
    EXPECT_DOUBLE_EQ(prof[26], 9 * 41.0);
    EXPECT_DOUBLE_EQ(prof[23], 0.0);
    EXPECT_DOUBLE_EQ(prof[27], 0.0);
  }
  {
    // 3 wide, 5 high: indexed by column offset -1..1; each = sum of rows 38..42.
    ApertureClasses m;
    BuildRectangleClasses(m, 3, 5);
    RectangleReference ref;
    LimbProfileValues prof{};
    ApertureMeasureContext ctx{&m, 3, 25, &ref, &prof};
    DataLineBlocks lines{};
    StoreApertureResult(f, 1, lines, 40, 40, ctx, opt);
    // Rows -((5 - 1) / 2) .. 5 / 2 = -2..2 around 40: 38..42.
    EXPECT_DOUBLE_EQ(prof[24], 38 + 39 + 40 + 41 + 42);
    EXPECT_DOUBLE_EQ(prof[25], 38 + 39 + 40 + 41 + 42);
    EXPECT_DOUBLE_EQ(prof[26], 38 + 39 + 40 + 41 + 42);
    EXPECT_DOUBLE_EQ(prof[27], 0.0);
  }
}

TEST(AperturePhotometry, ExtremePositionsMeasureNothing) {
  const Bitmap24 frame = MakeStarFrame(OneStar(50, 50, 1000, 1.5));
  const ApertureClasses m = Ring(6, 8, 25);
  ApertureClasses rect;
  BuildRectangleClasses(rect, 9, 9);
  for (int v : {INT32_MIN, INT32_MIN + 1, -1000000, 1000000, INT32_MAX}) {
    DataLineBlocks lines{};
    ApertureMeasureContext ctx{&m, 0, 25, nullptr, nullptr};
    StoreApertureResult(frame, 1, lines, v, 50, ctx, {});
    StoreApertureResult(frame, 2, lines, 50, v, ctx, {});
    RectangleReference ref;
    ApertureMeasureContext rctx{&rect, 3, 25, &ref, nullptr};
    StoreApertureResult(frame, 3, lines, v, v, rctx, {});
    EXPECT_EQ(lines[0].Objects[0].AperturePixelCount, 0) << v;
    EXPECT_EQ(lines[0].Objects[1].AperturePixelCount, 0) << v;
    EXPECT_EQ(lines[0].Objects[2].AperturePixelCount, 0) << v;
    EXPECT_EQ(lines[0].Objects[0].Value, 0.0) << v;
  }
  // An empty frame (a failed first read) measures nothing either.
  DataLineBlocks lines{};
  ApertureMeasureContext ctx{&m, 0, 25, nullptr, nullptr};
  StoreApertureResult(Bitmap24{}, 1, lines, 0, 0, ctx, {});
  EXPECT_EQ(lines[0].Objects[0].AperturePixelCount, 0);
}

namespace {

// A single hot pixel in an aperture a little darker than the background: the
// half-flux ratio comes out negative, which no light distribution gives.
// It is written as 0, as when no light is found at all.
TEST(AperturePhotometry, NegativeHalfFluxDiameterIsWrittenAsZero) {
  for (int ap : {2, 3, 4}) {
    const ApertureClasses mask = Ring(ap, ap + 2, ap + 8);
    Bitmap24 frame(60, 60);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x) {
        const int dx = x - 30, dy = y - 30;
        const bool in_aperture = std::abs(dx) <= 25 && std::abs(dy) <= 25 && mask.At(dx, dy) == 1;
        const uint8_t v = dx == 0 && dy == 0 ? 120 : in_aperture ? 19 : 20;
        frame.Set(x, y, Bgr{v, v, v});
      }
    const Reference ref = BruteForce(frame, mask, 30, 30, 25);
    ASSERT_LT(ref.hfd, 0) << ap;  // the plain ratio
    DataLineBlocks lines{};
    ApertureMeasureContext ctx{&mask, 0, 25, nullptr, nullptr};
    const ApertureSums sums = StoreApertureResult(frame, 1, lines, 30, 30, ctx, {});
    EXPECT_EQ(sums[0].Hfd, 0) << ap;
    EXPECT_EQ(lines[0].Objects[0].FwhmHfd, 0) << ap;
    EXPECT_NEAR(lines[0].Objects[0].Value, ref.Value(0), 1e-9 * (1 + std::fabs(ref.Value(0)))) << ap;
  }
}

// A star that vanishes (an occultation) leaves sky noise in the aperture:
// the plain ratio 2 T / S then comes out at any size, here far wider than
// the aperture. Light inside a disk of radius 3 (farthest pixel 3.6 px away)
// has a half-flux diameter of at most 7.2 px: a wider one is written as 0.
// Within the bounds the ratio is written as it comes, also from less light
// than the sky.
TEST(AperturePhotometry, HalfFluxDiameterWiderThanTheApertureIsWrittenAsZero) {
  struct Pixel {
    int dx, dy, v;
  };
  struct Case {
    const char* name;
    std::vector<Pixel> pixels;  // aperture pixels off the sky level 20
    double plain;               // 2 T / S with s = 3 (v - 20)
    double written;
  };
  const Case cases[] = {
      // S = 6, T = 36.
      {"wider than the aperture", {{0, 0, 18}, {3, 0, 22}, {-3, 0, 22}}, 12, 0},
      // S = -6, T = -36.
      {"less light than the sky, wider", {{0, 0, 22}, {3, 0, 18}, {-3, 0, 18}}, 12, 0},
      // S = -6, T = -9.
      {"less light than the sky, within", {{0, 0, 21}, {1, 0, 17}}, 3, 3},
      // S = 9, T = 6 x 1 + 3 x 3.
      {"faint star", {{0, 0, 20}, {1, 0, 22}, {0, 3, 21}}, 2.0 * 15 / 9, 2.0 * 15 / 9},
      // S = 3 at the rim (3, 2): exactly the aperture's diameter.
      {"light at the rim only", {{3, 2, 21}}, 2 * std::sqrt(13.0), 2 * std::sqrt(13.0)},
  };
  const ApertureClasses mask = Ring(3, 5, 11);
  for (const Case& c : cases) {
    Bitmap24 frame(40, 40);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) frame.Set(x, y, Bgr{20, 20, 20});
    for (const Pixel& p : c.pixels) {
      const auto v = static_cast<uint8_t>(p.v);
      frame.Set(20 + p.dx, 20 + p.dy, Bgr{v, v, v});
    }
    const Reference ref = BruteForce(frame, mask, 20, 20, 11);
    ASSERT_NEAR(ref.hfd, c.plain, 1e-12) << c.name;
    DataLineBlocks lines{};
    ApertureMeasureContext ctx{&mask, 0, 11, nullptr, nullptr};
    const ApertureSums sums = StoreApertureResult(frame, 1, lines, 20, 20, ctx, {});
    EXPECT_NEAR(sums[0].Hfd, c.written, 1e-12) << c.name;
    EXPECT_NEAR(lines[0].Objects[0].FwhmHfd, c.written, 1e-12) << c.name;
    EXPECT_NEAR(lines[0].Objects[0].Value, ref.Value(0), 1e-9) << c.name;
  }
}

}  // namespace
