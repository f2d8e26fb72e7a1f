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

  // Twiddle tables once per call; the butterflies evaluate no trigonometry.
  std::vector<long double> cos_table(half), sin_table(half);
  for (size_t k = 0; k < half; ++k) {
    const long double angle = kTwoPi * static_cast<long double>(k) / static_cast<long double>(n);
    cos_table[k] = std::cos(angle);
    sin_table[k] = -std::sin(angle);
  }
  std::vector<size_t> bitrev(n);
  for (size_t i = 0; i < n; ++i) {
    size_t r = 0, v = i;
    for (int b = 0; b < levels; ++b) {
      r = 2 * r + (v & 1);
      v >>= 1;
    }
    bitrev[i] = r;
  }
  const long double sign = direction == FftDirection::Forward ? 1.0L : -1.0L;
  long double* re = block.InputRe.data();
  long double* im = block.InputIm.data();

  size_t m = 1, h = n;
  for (int level = 0; level < levels; ++level) {
    m *= 2;
    h /= 2;
    size_t j = 0;
    while (j < n - 1) {
      for (size_t c = 0; c < h; ++c) {
        const size_t idx = (bitrev[j] % m) * h;
        const long double wr = cos_table[idx];
        const long double wi = sign * sin_table[idx];
        const size_t k = j + h;
        const long double tr = re[k] * wr - im[k] * wi;
        const long double ti = re[k] * wi + im[k] * wr;
        re[k] = re[j] - tr;
        im[k] = im[j] - ti;
        re[j] = re[j] + tr;
        im[j] = im[j] + ti;
        ++j;
      }
      j += h;
    }
  }
  const long double scale = static_cast<long double>(n);
  for (size_t j = 0; j < n; ++j) {
    const size_t r = bitrev[j];
    if (direction == FftDirection::Forward) {
      block.OutputRe[r] = re[j] / scale;
      block.OutputIm[r] = im[j] / scale;
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
