// The frame filters against checksums computed outside this program by a
// Python script tests/tools/golden_figures.py, which applies each filter pixel by pixel as written
// (kernels with their fixed divisors, border neighbours left out, halves to
// even, gain in exact tenths, rotation one pixel per pass).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "measure/ImageFilters.h"
#include "support/FrameChecksum.h"

namespace {

constexpr int kW = 23, kH = 17;

Bitmap24 Pattern() {
  Bitmap24 f(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      uint8_t c[3];
      for (int i = 0; i < 3; ++i) c[i] = static_cast<uint8_t>((x * 37 + y * 11 + i * 53 + (x * y) % 13) % 256);
      f.Set(x, y, {c[0], c[1], c[2]});
    }
  return f;
}

GammaTable Gamma(double g) {
  GammaTable t = IdentityGammaTable();
  BuildGammaTable(g, t);
  return t;
}

}  // namespace

TEST(FilterGolden, EachFilterMatchesAnIndependentComputation) {
  struct Row {
    const char* name;
    std::function<void(Bitmap24&)> apply;
    int64_t checksum;
  } rows[] = {
      {"none", [](Bitmap24&) {}, 17922386},
      {"gamma 0.7", [](Bitmap24& b) { ApplyGammaTable(b, Gamma(0.7)); }, 14765154},
      {"gamma 2.2", [](Bitmap24& b) { ApplyGammaTable(b, Gamma(2.2)); }, 24624226},
      {"Gaussian 3 x 3", [](Bitmap24& b) { GaussianFilter(b, 1); }, 17291573},
      {"Gaussian 5 x 5", [](Bitmap24& b) { GaussianFilter(b, 2); }, 16594040},
      {"moving average 3 x 3", [](Bitmap24& b) { MovingAverageFilter(b, 1); }, 17962885},
      {"moving average 5 x 5", [](Bitmap24& b) { MovingAverageFilter(b, 2); }, 17991075},
      {"gain 1.3", [](Bitmap24& b) { ApplyGain(b, 13); }, 21771456},
      {"gain 0.5", [](Bitmap24& b) { ApplyGain(b, 5); }, 9547005},
      {"rotation -2", [](Bitmap24& b) { RotateFieldRows(b, -2); }, 18151820},
      {"rotation 3", [](Bitmap24& b) { RotateFieldRows(b, 3); }, 18095240},
  };
  for (const Row& r : rows) {
    Bitmap24 b = Pattern();
    r.apply(b);
    EXPECT_EQ(FrameChecksum(b), r.checksum) << r.name;
  }
}

TEST(FilterGolden, WholeChainInItsOrder) {
  // Gamma 0.7 on the frame, Gaussian 5 x 5, moving average 3 x 3, gain 1.3, rotation -2.
  FilterSettings s;
  s.GammaMode = GammaModeKind::Field;
  s.GaussianIndex = 2;
  s.MovingAverageIndex = 1;
  s.GainTenths = 13;
  s.FieldRotation = -2;
  Bitmap24 b = Pattern();
  ApplyFrameFilters(b, s, Gamma(0.7));
  EXPECT_EQ(FrameChecksum(b), 17830869);

  // 'Measure' gamma leaves the frame alone.
  s.GammaMode = GammaModeKind::Measure;
  s.GaussianIndex = s.MovingAverageIndex = 0;
  s.GainTenths = 10;
  s.FieldRotation = 0;
  Bitmap24 m = Pattern();
  ApplyFrameFilters(m, s, Gamma(0.7));
  EXPECT_EQ(FrameChecksum(m), 17922386);
}
