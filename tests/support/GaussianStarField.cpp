#include "GaussianStarField.h"

#include <algorithm>
#include <cmath>
#include <random>

double GaussianStarValue(const GaussianStar& star, double px, double py) {
  const double dx = px - star.X, dy = py - star.Y;
  return star.Amplitude / std::exp(2 * (dx * dx + dy * dy) / (star.Width * star.Width));
}

namespace {

// Standard normal draws, made once; pixels pick one by a hash of their
// position and the seed, which is far cheaper than a draw per pixel.
const std::vector<double>& NormalTable() {
  static const std::vector<double> table = [] {
    std::vector<double> t(1 << 16);
    std::mt19937 rng(12345);
    std::normal_distribution<double> gauss(0.0, 1.0);
    for (double& v : t) v = gauss(rng);
    return t;
  }();
  return table;
}

double NormalAt(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return NormalTable()[h & 0xFFFFu];
}

}  // namespace

Bitmap24 RenderGaussianStars(int width, int height, double background, const std::vector<GaussianStar>& stars,
                             const StarFieldNoise& noise) {
  Bitmap24 bmp(width, height);
  std::vector<double> acc(static_cast<size_t>(width) * static_cast<size_t>(height), background);
  if (noise.Sigma > 0)
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        acc[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] +=
            noise.Sigma * NormalAt(x, y, noise.Seed);
  for (const auto& s : stars) {
    // Beyond 8 widths a star adds less than 1e-50 of its amplitude.
    const int x0 = std::max(0, static_cast<int>(std::floor(s.X - 8 * s.Width)));
    const int x1 = std::min(width - 1, static_cast<int>(std::ceil(s.X + 8 * s.Width)));
    const int y0 = std::max(0, static_cast<int>(std::floor(s.Y - 8 * s.Width)));
    const int y1 = std::min(height - 1, static_cast<int>(std::ceil(s.Y + 8 * s.Width)));
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        acc[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] += GaussianStarValue(s, x, y);
  }
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bmp.Row(y);
    const double* a = &acc[static_cast<size_t>(y) * static_cast<size_t>(width)];
    for (int x = 0; x < width; ++x) {
      const auto byte = static_cast<uint8_t>(std::clamp(std::nearbyint(a[x]), 0.0, 255.0));
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = byte;
    }
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

double DriftingStarField::X(int k, int n) const {
  return Start[static_cast<size_t>(k - 1)].X + RateX * n + Shake.Dx[static_cast<size_t>(n)];
}

double DriftingStarField::Y(int k, int n) const {
  return Start[static_cast<size_t>(k - 1)].Y + RateY * n + Shake.Dy[static_cast<size_t>(n)];
}

Bitmap24 DriftingStarField::Frame(int n) const {
  std::vector<GaussianStar> s;
  for (int k = 1; k <= static_cast<int>(Start.size()); ++k) {
    const GaussianStar& st = Start[static_cast<size_t>(k - 1)];
    s.push_back({X(k, n), Y(k, n), st.Amplitude, st.Width});
  }
  return RenderGaussianStars(Width, Height, Background, s, {NoiseSigma, static_cast<uint32_t>(n + 11)});
}

DriftingStarField ThreeDriftingStars() {
  DriftingStarField f;
  f.Start = {{60.4, 120.2, 140, 2.2}, {100.0, 60.0, 160, 2.5}, {130.7, 180.6, 110, 2.0}};
  f.Shake = MakeShakeTable(500, 3, 2024);
  return f;
}
