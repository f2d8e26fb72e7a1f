#include "measure/ImageFilters.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/NumberText.h"

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

constexpr double kGauss3[3][3] = {{0.03, 0.083, 0.03}, {0.083, 0.225, 0.083}, {0.03, 0.083, 0.03}};
constexpr double kGauss3Divisor = 0.677;
constexpr double kGauss5[5][5] = {{0.13, 0.279, 0.36, 0.279, 0.13},
                                  {0.279, 0.6, 0.775, 0.6, 0.279},
                                  {0.36, 0.775, 1.0, 0.775, 0.36},
                                  {0.279, 0.6, 0.775, 0.6, 0.279},
                                  {0.13, 0.279, 0.36, 0.279, 0.13}};
constexpr double kGauss5Divisor = 10.692;

uint8_t ClampByte(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }

}  // namespace

void GaussianFilter(Bitmap24& bmp, int radius) {
  if (radius != 1 && radius != 2) return;
  const Bitmap24 scratch = bmp;
  const int w = bmp.Width(), h = bmp.Height();
  const double divisor = radius == 1 ? kGauss3Divisor : kGauss5Divisor;
  for (int y = 0; y < h; ++y) {
    uint8_t* out = bmp.Row(y);
    for (int x = 0; x < w; ++x) {
      double sum[3] = {0, 0, 0};
      bool any = false;
      for (int dy = -radius; dy <= radius; ++dy) {
        const int yy = y + dy;
        if (yy < 0 || yy > h - 1) continue;
        const uint8_t* in = scratch.Row(yy);
        for (int dx = -radius; dx <= radius; ++dx) {
          const int xx = x + dx;
          if (xx < 0 || xx > w - 1) continue;
          const double wgt = radius == 1 ? kGauss3[dy + 1][dx + 1] : kGauss5[dy + 2][dx + 2];
          const uint8_t* p = in + xx * 3;
          sum[0] += wgt * p[0];
          sum[1] += wgt * p[1];
          sum[2] += wgt * p[2];
          any = true;
        }
      }
      if (!any) continue;
      for (int c = 0; c < 3; ++c) out[x * 3 + c] = ClampByte(RoundHalfEven(sum[c] / divisor));
    }
  }
}

void MovingAverageFilter(Bitmap24& bmp, int radius) {
  if (radius != 1 && radius != 2) return;
  const Bitmap24 scratch = bmp;
  const int w = bmp.Width(), h = bmp.Height();
  for (int y = 0; y < h; ++y) {
    uint8_t* out = bmp.Row(y);
    for (int x = 0; x < w; ++x) {
      int sum[3] = {0, 0, 0};
      int count = 0;
      for (int dy = -radius; dy <= radius; ++dy) {
        const int yy = y + dy;
        if (yy < 0 || yy > h - 1) continue;
        const uint8_t* in = scratch.Row(yy);
        for (int dx = -radius; dx <= radius; ++dx) {
          const int xx = x + dx;
          if (xx < 0 || xx > w - 1) continue;
          const uint8_t* p = in + xx * 3;
          sum[0] += p[0];
          sum[1] += p[1];
          sum[2] += p[2];
          ++count;
        }
      }
      if (count == 0) continue;
      for (int c = 0; c < 3; ++c)
        out[x * 3 + c] = ClampByte(RoundHalfEven(static_cast<long double>(sum[c]) / count));
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
