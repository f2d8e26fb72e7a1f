#include "chart/Fourier.h"

#include <cmath>

namespace {

constexpr long double kTwoPi = 6.283185307179586476925286766559L;

int Log2(size_t n) {
  int l = 0;
  while ((size_t{1} << (l + 1)) <= n) ++l;
  return l;
}

}  // namespace

void FftBlock::Resize(size_t n) {
  InputRe.assign(n, 0.0L);
  InputIm.assign(n, 0.0L);
  OutputRe.assign(n, 0.0L);
  OutputIm.assign(n, 0.0L);
}

bool IsFftLength(size_t n) { return n >= 2 && (n & (n - 1)) == 0; }

void FastFourierTransform(FftBlock& block, FftDirection direction) {
  const size_t n = block.InputRe.size();
  block.InputIm.resize(n, 0.0L);
  block.OutputRe.assign(n, 0.0L);
  block.OutputIm.assign(n, 0.0L);
  if (!IsFftLength(n)) return;
  const int levels = Log2(n);
  const size_t half = n / 2;

  // Twiddle and bit-reversal tables, kept for the last length used on this
  // thread: long-double sine and cosine dominate the cost of a single call.
  struct Tables {
    size_t n = 0;
    std::vector<long double> cos_table, sin_table;
    std::vector<size_t> bitrev;
  };
  thread_local Tables tables;
  if (tables.n != n) {
    tables.cos_table.resize(half);
    tables.sin_table.resize(half);
    for (size_t k = 0; k < half; ++k) {
      const long double angle = kTwoPi * static_cast<long double>(k) / static_cast<long double>(n);
      tables.cos_table[k] = std::cos(angle);
      tables.sin_table[k] = -std::sin(angle);
    }
    tables.bitrev.resize(n);
    for (size_t i = 0; i < n; ++i) {
      size_t r = 0, v = i;
      for (int b = 0; b < levels; ++b) {
        r = 2 * r + (v & 1);
        v >>= 1;
      }
      tables.bitrev[i] = r;
    }
    tables.n = n;
  }
  const std::vector<long double>& cos_table = tables.cos_table;
  const std::vector<long double>& sin_table = tables.sin_table;
  const std::vector<size_t>& bitrev = tables.bitrev;
  const long double sign = direction == FftDirection::Forward ? 1.0L : -1.0L;
  long double* re = block.InputRe.data();
  long double* im = block.InputIm.data();

  // Within one group of h butterflies the twiddle index is the same (the
  // group's top bits do not change), so it is taken once per group.
  size_t m = 1, h = n;
  for (int level = 0; level < levels; ++level) {
    m *= 2;
    h /= 2;
    for (size_t j0 = 0; j0 < n - 1; j0 += 2 * h) {
      const size_t idx = (bitrev[j0] & (m - 1)) * h;
      const long double wr = cos_table[idx];
      const long double wi = sign * sin_table[idx];
      for (size_t j = j0; j < j0 + h; ++j) {
        const size_t k = j + h;
        // Loaded once: the stores below could otherwise force reloads.
        const long double xr = re[k], xi = im[k], yr = re[j], yi = im[j];
        const long double tr = xr * wr - xi * wi;
        const long double ti = xr * wi + xi * wr;
        re[k] = yr - tr;
        im[k] = yi - ti;
        re[j] = yr + tr;
        im[j] = yi + ti;
      }
    }
  }
  // 1/N is a power of two: multiplying by it is exact, like dividing by N.
  const long double inv = 1.0L / static_cast<long double>(n);
  for (size_t j = 0; j < n; ++j) {
    const size_t r = bitrev[j];
    if (direction == FftDirection::Forward) {
      block.OutputRe[r] = re[j] * inv;
      block.OutputIm[r] = im[j] * inv;
    } else {
      block.OutputRe[r] = re[j];
      block.OutputIm[r] = im[j];
    }
  }
}
void DiscreteFourierTransform(FftBlock& block) {
  const size_t n = block.InputRe.size();
  const std::vector<long double> re = block.InputRe;
  std::vector<long double> im = block.InputIm;
  im.resize(n, 0.0L);
  block.OutputRe.assign(n, 0.0L);
  block.OutputIm.assign(n, 0.0L);
  for (size_t k = 0; k < n; ++k) {
    long double sr = 0.0L, si = 0.0L;
    for (size_t t = 0; t < n; ++t) {
      const long double theta =
          kTwoPi * static_cast<long double>(k) * static_cast<long double>(t) / static_cast<long double>(n);
      const long double c = std::cos(theta), s = std::sin(theta);
      sr += re[t] * c + im[t] * s;
      si += im[t] * c - re[t] * s;
    }
    block.OutputRe[k] = sr;
    block.OutputIm[k] = si;
  }
}
