#include "GaussianStarField.h"

#include <algorithm>
#include <cmath>
#include <random>

double GaussianStarValue(const GaussianStar& star, double px, double py) {
  const double dx = px - star.X, dy = py - star.Y;
  return star.Amplitude / std::exp(2 * (dx * dx + dy * dy) / (star.Width * star.Width));
}

Bitmap24 RenderGaussianStars(int width, int height, double background, const std::vector<GaussianStar>& stars,
                             const StarFieldNoise& noise) {
  Bitmap24 bmp(width, height);
  std::mt19937 rng(noise.Seed);
  std::normal_distribution<double> gauss(0.0, 1.0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double v = background;
      for (const auto& s : stars) {
        // Beyond 8 widths a star adds less than 1e-50 of its amplitude.
        if (std::fabs(x - s.X) > 8 * s.Width || std::fabs(y - s.Y) > 8 * s.Width) continue;
        v += GaussianStarValue(s, x, y);
      }
      if (noise.Sigma > 0) v += noise.Sigma * gauss(rng);
      const auto byte = static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
      bmp.Set(x, y, {byte, byte, byte});
    }
  return bmp;
}

ShakeTable MakeShakeTable(int count, int shake, uint32_t seed) {
  ShakeTable t;
  std::mt19937 rng(seed);
  for (int i = 0; i < count; ++i) {
    // Modulo of a 32-bit draw: deterministic on every platform.
    t.Dx.push_back(static_cast<int>(rng() % static_cast<uint32_t>(2 * shake + 1)) - shake);
    t.Dy.push_back(static_cast<int>(rng() % static_cast<uint32_t>(2 * shake + 1)) - shake);
  }
  return t;
}
