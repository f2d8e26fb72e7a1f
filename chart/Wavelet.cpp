#include "chart/Wavelet.h"

#include <algorithm>

WaveletFilter InitWaveletCoefficients() {
  WaveletFilter f;
  f.LowPass = {0.482962913145L, 0.836516303738L, 0.224143868042L, -0.129409522551L};
  f.Taps = 4;
  for (int k = 0; k < f.Taps; ++k) {
    const long double s = (k % 2 == 0) ? 1.0L : -1.0L;
    f.HighPass[static_cast<size_t>(k)] = s * f.LowPass[static_cast<size_t>(f.Taps - 1 - k)];
  }
  f.BlockLength = 1024;
  return f;
}

void WaveletAnalysis(std::span<const long double> x, int n, const WaveletFilter& f,
                     std::vector<long double>& a, std::vector<long double>& d) {
  n = std::min<int>(n, static_cast<int>(x.size()));
  const int half = n / 2;
  a.assign(static_cast<size_t>(std::max(half, 0)), 0.0L);
  d.assign(a.size(), 0.0L);
  for (int i = 0; i < half; ++i) {
    long double sa = 0.0L, sd = 0.0L;
    for (int j = 0; j < f.Taps; ++j) {
      const long double v = x[static_cast<size_t>((2 * i + j) % n)];
      sa += f.LowPass[static_cast<size_t>(j)] * v;
      sd += f.HighPass[static_cast<size_t>(j)] * v;
    }
    a[static_cast<size_t>(i)] = sa;
    d[static_cast<size_t>(i)] = sd;
  }
}

void WaveletSynthesis(std::span<const long double> s, std::span<const long double> e, int n,
                      const WaveletFilter& f, std::vector<long double>& out) {
  n = std::min<int>({n, static_cast<int>(s.size()), static_cast<int>(e.size())});
  out.assign(static_cast<size_t>(std::max(2 * n, 0)), 0.0L);
  for (int i = 0; i < n; ++i) {
    long double even = 0.0L, odd = 0.0L;
    for (int j = 0; j < f.Taps / 2; ++j) {
      const size_t t = static_cast<size_t>(((i - j) % n + n) % n);
      even += f.LowPass[static_cast<size_t>(2 * j)] * s[t] + f.HighPass[static_cast<size_t>(2 * j)] * e[t];
      odd += f.LowPass[static_cast<size_t>(2 * j + 1)] * s[t] + f.HighPass[static_cast<size_t>(2 * j + 1)] * e[t];
    }
    out[static_cast<size_t>(2 * i)] = even;
    out[static_cast<size_t>(2 * i + 1)] = odd;
  }
}

void WaveletDecompose(std::vector<long double>& work, int levels, const WaveletFilter& f) {
  int length = 1 << levels;
  if (static_cast<int>(work.size()) < length) work.resize(static_cast<size_t>(length), 0.0L);
  std::vector<long double> a, d;
  for (int level = 0; level < levels; ++level) {
    WaveletAnalysis(work, length, f, a, d);
    length /= 2;
    std::copy(a.begin(), a.end(), work.begin());
    std::copy(d.begin(), d.end(), work.begin() + length);
  }
}

void WaveletRebuild(std::vector<long double>& work, int levels, const WaveletFilter& f) {
  int length = 1;
  if (static_cast<int>(work.size()) < (1 << levels)) work.resize(static_cast<size_t>(1 << levels), 0.0L);
  std::vector<long double> out;
  for (int level = 0; level < levels; ++level) {
    const std::vector<long double> approx(work.begin(), work.begin() + length);
    const std::span<const long double> detail(work.data() + length, static_cast<size_t>(length));
    WaveletSynthesis(approx, detail, length, f, out);
    length *= 2;
    std::copy(out.begin(), out.end(), work.begin());
  }
}
