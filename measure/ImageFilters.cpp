#include "measure/ImageFilters.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "base/NumberText.h"

GammaTable IdentityGammaTable() {
  GammaTable t{};
  for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  return t;
}

bool BuildGammaTable(double gamma, GammaTable& table) {
  if (!(gamma > 0) || !std::isfinite(gamma)) return false;
  const long double inv = 1.0L / static_cast<long double>(gamma);
  for (int i = 0; i < 256; ++i) {
    long double v = 255.0L * std::pow(static_cast<long double>(i) / 255.0L, inv);
    int64_t r = RoundHalfEven(v);
    table[static_cast<size_t>(i)] = static_cast<uint8_t>(std::clamp<int64_t>(r, 0, 255));
  }
  return true;
}

void ApplyGammaTable(Bitmap24& bmp, const GammaTable& table) {
  const int bytes = bmp.Width() * 3;
  for (int y = 0; y < bmp.Height(); ++y) {
    uint8_t* row = bmp.Row(y);
    for (int i = 0; i < bytes; ++i) row[i] = table[row[i]];
  }
}

namespace {

SmoothingKernel MakeKernel(int radius, double divisor, std::initializer_list<double> weights) {
  SmoothingKernel k;
  k.Radius = radius;
  k.Divisor = divisor;
  const int side = 2 * radius + 1;
  int i = 0;
  for (double v : weights) {
    k.Weights[static_cast<size_t>(i / side)][static_cast<size_t>(i % side)] = v;
    ++i;
  }
  return k;
}

uint8_t ClampByte(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }

// Nearest with halves to even for a value in byte range: the default
// floating-point rounding mode does exactly that, without the cost of the
// general routine per byte.
uint8_t RoundEvenToByte(double v) {
  const double r = std::nearbyint(v);
  return static_cast<uint8_t>(r <= 0 ? 0 : (r >= 255 ? 255 : r));
}

}  // namespace

const SmoothingKernel& SmoothingKernelFor(int index) {
  static const SmoothingKernel none{};
  static const SmoothingKernel k3 = MakeKernel(1, 0.677, {0.03, 0.083, 0.03,  //
                                                          0.083, 0.225, 0.083,  //
                                                          0.03, 0.083, 0.03});
  static const SmoothingKernel k5 = MakeKernel(2, 10.692, {0.13, 0.279, 0.36, 0.279, 0.13,    //
                                                           0.279, 0.6, 0.775, 0.6, 0.279,     //
                                                           0.36, 0.775, 1.0, 0.775, 0.36,     //
                                                           0.279, 0.6, 0.775, 0.6, 0.279,     //
                                                           0.13, 0.279, 0.36, 0.279, 0.13});
  if (index == 1) return k3;
  if (index == 2) return k5;
  return none;
}

void GaussianFilter(Bitmap24& bmp, int radius) {
  if (radius != 1 && radius != 2) return;
  const SmoothingKernel& kernel = SmoothingKernelFor(radius);
  const Bitmap24 scratch = bmp;
  const int w = bmp.Width(), h = bmp.Height();
  const double divisor = kernel.Divisor;
  std::vector<double> acc(static_cast<size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0);
    // Each output byte sums its neighbours in the order dy, then dx; a
    // neighbour outside the image adds nothing. Whole rows at a time.
    for (int dy = -radius; dy <= radius; ++dy) {
      const int yy = y + dy;
      if (yy < 0 || yy > h - 1) continue;
      const uint8_t* in = scratch.Row(yy);
      for (int dx = -radius; dx <= radius; ++dx) {
        const double wgt = kernel.Weights[static_cast<size_t>(dy + radius)][static_cast<size_t>(dx + radius)];
        const int lo = std::max(0, -dx) * 3, hi = std::min(w, w - dx) * 3;
        const int shift = dx * 3;
        for (int i = lo; i < hi; ++i) acc[static_cast<size_t>(i)] += wgt * in[i + shift];
      }
    }
    uint8_t* out = bmp.Row(y);
    for (int i = 0; i < w * 3; ++i) out[i] = RoundEvenToByte(acc[static_cast<size_t>(i)] / divisor);
  }
}

void MovingAverageFilter(Bitmap24& bmp, int radius) {
  if (radius != 1 && radius != 2) return;
  const int w = bmp.Width(), h = bmp.Height();
  if (w == 0 || h == 0) return;
  // Summed-area table per byte (exact integers), so each box costs four reads.
  const size_t tw = static_cast<size_t>(w) * 3 + 3;
  std::vector<int64_t> table((static_cast<size_t>(h) + 1) * tw, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = bmp.Row(y);
    int64_t* above = table.data() + static_cast<size_t>(y) * tw;
    int64_t* row = above + tw;
    int64_t run[3] = {0, 0, 0};
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        run[c] += in[x * 3 + c];
        const size_t i = static_cast<size_t>(x + 1) * 3 + static_cast<size_t>(c);
        row[i] = above[i] + run[c];
      }
  }
  for (int y = 0; y < h; ++y) {
    const int y0 = std::max(y - radius, 0), y1 = std::min(y + radius, h - 1);
    const int64_t* top = table.data() + static_cast<size_t>(y0) * tw;
    const int64_t* bottom = table.data() + static_cast<size_t>(y1 + 1) * tw;
    uint8_t* out = bmp.Row(y);
    for (int x = 0; x < w; ++x) {
      const int x0 = std::max(x - radius, 0), x1 = std::min(x + radius, w - 1);
      // sum / count is never within 1/50 of a half unless it is one, so the
      // double quotient rounds exactly.
      const double count = static_cast<double>((y1 - y0 + 1) * (x1 - x0 + 1));
      for (int c = 0; c < 3; ++c) {
        const size_t l = static_cast<size_t>(x0) * 3 + static_cast<size_t>(c);
        const size_t r = static_cast<size_t>(x1 + 1) * 3 + static_cast<size_t>(c);
        const int64_t sum = bottom[r] - bottom[l] - top[r] + top[l];
        out[x * 3 + c] = RoundEvenToByte(static_cast<double>(sum) / count);
      }
    }
  }
}

void ApplyGain(Bitmap24& bmp, int gain_tenths) {
  // byte x (tenths / 10) in integers, so ties are exact halves.
  std::array<uint8_t, 256> lut{};
  for (int i = 0; i < 256; ++i) {
    const int64_t r = RoundHalfEven(static_cast<long double>(i * gain_tenths) / 10.0L);
    lut[static_cast<size_t>(i)] = ClampByte(std::min<int64_t>(255, r));
  }
  const int bytes = bmp.Width() * 3;
  for (int y = 2; y < bmp.Height(); ++y) {
    uint8_t* row = bmp.Row(y);
    for (int i = 0; i < bytes; ++i) row[i] = lut[row[i]];
  }
}

void RotateFieldRows(Bitmap24& bmp, int shift) {
  const int w = bmp.Width();
  if (shift == 0 || w == 0) return;
  const int step = shift < 0 ? -shift : shift;
  for (int y = 1; y < bmp.Height(); ++y) {
    const int k = static_cast<int>((static_cast<int64_t>(step) * y) % w);
    if (k == 0) continue;
    uint8_t* row = bmp.Row(y);
    // Right rotation by k pixels = left rotation by w - k.
    const int left = shift < 0 ? k : w - k;
    std::rotate(row, row + left * 3, row + w * 3);
  }
}

void ApplyFrameFilters(Bitmap24& bmp, const FilterSettings& s, const GammaTable& gamma) {
  if (s.GammaMode == GammaModeKind::Field) ApplyGammaTable(bmp, gamma);
  if (s.GaussianIndex > 0) GaussianFilter(bmp, s.GaussianIndex);
  if (s.MovingAverageIndex > 0) MovingAverageFilter(bmp, s.MovingAverageIndex);
  if (s.GainTenths != 10) ApplyGain(bmp, s.GainTenths);
  if (s.FieldRotation != 0) RotateFieldRows(bmp, s.FieldRotation);
}

void DrawContourLines(Bitmap24& bmp) {
  for (int y = 0; y < bmp.Height(); ++y) {
    uint8_t* row = bmp.Row(y);
    for (int x = 0; x < bmp.Width(); ++x) {
      uint8_t* p = row + x * 3;
      if (p[2] % 10 == 0) {
        p[0] = 0;
        p[1] = 255;
        p[2] = 255;
      }
    }
  }
}
