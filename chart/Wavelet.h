#pragma once
// One-level periodic four-tap (Daubechies) wavelet analysis and synthesis,
// and the ten-level pyramid the noise reduction thresholds.
#include <array>
#include <span>
#include <vector>

struct WaveletFilter {
  std::array<long double, 4> LowPass{};   // scaling filter h
  std::array<long double, 4> HighPass{};  // wavelet filter g[k] = (-1)^k h[M-1-k]
  int Taps = 4;
  int BlockLength = 1024;
};

// The four-tap Daubechies filters with twelve decimals.
WaveletFilter InitWaveletCoefficients();

// a[i] = sum_j h[j] x[(2i+j) mod n], d[i] = sum_j g[j] x[(2i+j) mod n],
// i = 0..n/2-1 (n even, at most x.size()). a and d are resized to n/2.
void WaveletAnalysis(std::span<const long double> x, int n, const WaveletFilter& f,
                     std::vector<long double>& a, std::vector<long double>& d);

// Rebuilds 2n samples from the approximation s[0..n-1] and detail e[0..n-1]:
// out[2i] = sum_j h[2j] s[t] + g[2j] e[t], out[2i+1] likewise with the odd
// taps, t = (i - j) mod n. out is resized to 2n.
void WaveletSynthesis(std::span<const long double> s, std::span<const long double> e, int n,
                      const WaveletFilter& f, std::vector<long double>& out);

// In-place pyramid on a block of 2^levels samples: after it the block holds
// one approximation value followed by the details of the coarsest to the
// finest level. WaveletRebuild undoes it.
void WaveletDecompose(std::vector<long double>& work, int levels, const WaveletFilter& f);
void WaveletRebuild(std::vector<long double>& work, int levels, const WaveletFilter& f);
