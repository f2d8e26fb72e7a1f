#include "support/SyntheticStars.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

double GaussCdf(double t, double sigma) { return 0.5 * std::erfc(-t / (sigma * std::sqrt(2.0))); }

// Share of a 1-D Gaussian centred at c falling in [i - 0.5, i + 0.5].
double PixelShare(int i, double c, double sigma) {
  return GaussCdf(i + 0.5 - c, sigma) - GaussCdf(i - 0.5 - c, sigma);
}

}  // namespace

double SyntheticPixelValue(const SyntheticFrame& spec, int x, int y) {
  double v = spec.Background;
  for (const SyntheticStar& s : spec.Stars) {
    if (std::fabs(x - s.X) > 10 * s.Sigma + 1 || std::fabs(y - s.Y) > 10 * s.Sigma + 1) continue;
    v += s.Flux * PixelShare(x, s.X, s.Sigma) * PixelShare(y, s.Y, s.Sigma);
  }
  return v;
}

Bitmap24 MakeStarFrame(const SyntheticFrame& spec) {
  Bitmap24 bmp(spec.Width, spec.Height);
  std::mt19937 rng(spec.Seed);
  const double two_pi = 6.283185307179586;
  for (int y = 0; y < spec.Height; ++y)
    for (int x = 0; x < spec.Width; ++x) {
      double v = SyntheticPixelValue(spec, x, y);
      if (spec.NoiseSigma > 0) {
        // Box-Muller on the generator's raw output, so the noise does not
        // depend on the standard library's distributions.
        const double u1 = (static_cast<double>(rng()) + 1.0) / 4294967297.0;
        const double u2 = static_cast<double>(rng()) / 4294967296.0;
        v += spec.NoiseSigma * std::sqrt(-2 * std::log(u1)) * std::cos(two_pi * u2);
      }
      const double r = v >= 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
      const auto byte = static_cast<uint8_t>(std::clamp(r, 0.0, 255.0));
      bmp.Set(x, y, {byte, byte, byte});
    }
  return bmp;
}

SyntheticFrame ThreeStarFrame(uint32_t seed) {
  SyntheticFrame f;
  f.Width = 720;
  f.Height = 480;
  f.Background = 20;
  f.NoiseSigma = 2;
  f.Seed = seed;
  f.Stars = {{100, 100, 2500, 1.5}, {300, 200, 1500, 1.5}, {500, 350, 2000, 1.5}};
  return f;
}

SyntheticFrame OccultationFrame(const SyntheticFrame& base, int n, int event_frame, double remaining_fraction) {
  SyntheticFrame f = base;
  f.Seed = base.Seed + static_cast<uint32_t>(n) * 7919u;
  if (!f.Stars.empty() && n >= event_frame) f.Stars[0].Flux *= remaining_fraction;
  return f;
}
