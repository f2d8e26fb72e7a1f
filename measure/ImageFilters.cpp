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

namespace {

// The kernel's weights in thousandths are whole numbers (so is its divisor):
// the weighted sum of a neighbourhood is an exact integer S, and the byte is
// S / D rounded. The floating-point sum of the weights as written lies within
// 1e-12 of S / D, while S / D lies at least 1 / (2 D) from any half unless it
// is exactly a half: only those bytes need the floating-point sum itself.
struct IntegerKernel {
  int radius = 0;
  int divisor = 1;          // D
  int weights[3][3] = {};   // [|dy|][|dx|]
};

IntegerKernel IntegerKernelFor(const SmoothingKernel& k) {
  IntegerKernel ik;
  ik.radius = k.Radius;
  ik.divisor = static_cast<int>(std::lround(k.Divisor * 1000));
  for (int dy = 0; dy <= k.Radius; ++dy)
    for (int dx = 0; dx <= k.Radius; ++dx)
      ik.weights[dy][dx] = static_cast<int>(
          std::lround(k.Weights[static_cast<size_t>(dy + k.Radius)][static_cast<size_t>(dx + k.Radius)] * 1000));
  return ik;
}

// The floating-point value of one byte, summed in the order dy, then dx.
uint8_t GaussianByteAsWritten(const SmoothingKernel& kernel, const uint8_t* const* rows, int w, int i) {
  double acc = 0;
  const int r = kernel.Radius;
  for (int dy = -r; dy <= r; ++dy) {
    if (!rows[dy + r]) continue;
    for (int dx = -r; dx <= r; ++dx) {
      const int j = i + dx * 3;
      if (j < 0 || j >= w * 3) continue;
      acc += kernel.Weights[static_cast<size_t>(dy + r)][static_cast<size_t>(dx + r)] * rows[dy + r][j];
    }
  }
  return RoundEvenToByte(acc / kernel.Divisor);
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define TESSARY_FILTER_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define TESSARY_FILTER_KERNEL
#endif

// Column sums c_dx[i] = sum over dy of weight(|dy|, dx) x row(y + dy)[i]
// for dx = 0, 1, 2, from the middle row m and the row pairs a1/b1 (dy = -1,
// +1) and a2/b2 (dy = -2, +2); rows outside the image are zero rows here.
// `w` holds the weights by [|dy|][dx].
TESSARY_FILTER_KERNEL
void WeighColumns(const uint8_t* __restrict m, const uint8_t* __restrict a1, const uint8_t* __restrict b1,
                  const uint8_t* __restrict a2, const uint8_t* __restrict b2, int n, const int (&w)[3][3],
                  int32_t* __restrict c0, int32_t* __restrict c1, int32_t* __restrict c2) {
  const int32_t w00 = w[0][0], w10 = w[1][0], w20 = w[2][0];
  const int32_t w01 = w[0][1], w11 = w[1][1], w21 = w[2][1];
  const int32_t w02 = w[0][2], w12 = w[1][2], w22 = w[2][2];
  for (int i = 0; i < n; ++i) {
    const int32_t p0 = m[i], p1 = int32_t(a1[i]) + int32_t(b1[i]), p2 = int32_t(a2[i]) + int32_t(b2[i]);
    c0[i] = w00 * p0 + w10 * p1 + w20 * p2;
    c1[i] = w01 * p0 + w11 * p1 + w21 * p2;
    c2[i] = w02 * p0 + w12 * p1 + w22 * p2;
  }
}

// S = c0[i] + c1[i - 3] + c1[i + 3] + c2[i - 6] + c2[i + 6] (the column
// arrays carry zeros beyond the row), then the rounded quotient; a byte whose
// S / D is exactly a half is marked in `half` for the caller. True when any is.
TESSARY_FILTER_KERNEL
bool SumAndDivide(const int32_t* __restrict c0, const int32_t* __restrict c1, const int32_t* __restrict c2, int n,
                  int divisor, uint8_t* __restrict out, uint8_t* __restrict half) {
  const int32_t two_d = 2 * divisor;
  const float inv = 1.0f / float(two_d);
  uint8_t any = 0;
  for (int i = 0; i < n; ++i) {
    const int32_t s = c0[i] + c1[i - 3] + c1[i + 3] + c2[i - 6] + c2[i + 6];
    // floor((2S + D) / 2D): rounds halves up; the float quotient is off by at
    // most one, and the remainder puts it right.
    const int32_t num = 2 * s + divisor;
    int32_t q = int32_t(float(num) * inv);
    int32_t r = num - q * two_d;
    q += r >= two_d ? 1 : 0;
    r -= r >= two_d ? two_d : 0;
    q -= r < 0 ? 1 : 0;
    r += r < 0 ? two_d : 0;
    out[i] = uint8_t(q);
    half[i] = r == 0;
    any |= half[i];
  }
  return any != 0;
}

template <int R>
void GaussianRows(Bitmap24& bmp) {
  static const IntegerKernel ik = IntegerKernelFor(SmoothingKernelFor(R));
  const SmoothingKernel& kernel = SmoothingKernelFor(R);
  const int w = bmp.Width(), h = bmp.Height(), n = w * 3;
  if (w == 0 || h == 0) return;
  // Input rows above the one being written are kept in a ring: no frame copy.
  const size_t row_bytes = static_cast<size_t>(n);
  std::vector<uint8_t> ring(row_bytes * (R + 1)), zeros(row_bytes, 0), half(row_bytes);
  auto saved = [&](int yy) { return ring.data() + static_cast<size_t>(yy % (R + 1)) * row_bytes; };
  // Column arrays padded with zero columns on each side; the 3 x 3 kernel's
  // weights of |dx| = 2 and |dy| = 2 are zero.
  const int pad = 8;
  std::vector<int32_t> cols(3 * (row_bytes + 2 * pad), 0);
  int32_t* col[3] = {};
  for (int d = 0; d < 3; ++d) col[d] = cols.data() + static_cast<size_t>(d) * (row_bytes + 2 * pad) + pad;
  for (int y = 0; y < h; ++y) {
    std::copy(bmp.Row(y), bmp.Row(y) + n, saved(y));
    const uint8_t* rows[5] = {};
    const uint8_t* near[5] = {zeros.data(), zeros.data(), zeros.data(), zeros.data(), zeros.data()};
    for (int dy = -R; dy <= R; ++dy) {
      const int yy = y + dy;
      if (yy < 0 || yy > h - 1) continue;
      rows[dy + R] = yy <= y ? saved(yy) : bmp.Row(yy);
      near[dy + 2] = rows[dy + R];
    }
    WeighColumns(near[2], near[1], near[3], near[0], near[4], n, ik.weights, col[0], col[1], col[2]);
    uint8_t* out = bmp.Row(y);
    if (!SumAndDivide(col[0], col[1], col[2], n, ik.divisor, out, half.data())) continue;
    for (int i = 0; i < n; ++i)
      if (half[static_cast<size_t>(i)]) out[i] = GaussianByteAsWritten(kernel, rows, w, i);
  }
}

}  // namespace

void GaussianFilter(Bitmap24& bmp, int radius) {
  if (radius == 1) GaussianRows<1>(bmp);
  if (radius == 2) GaussianRows<2>(bmp);
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
