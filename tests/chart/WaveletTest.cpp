// Four-tap wavelet: filters, one level by hand, perfect reconstruction.
#include "chart/Wavelet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

TEST(Wavelet, FiltersAreTheFourTapDaubechiesPair) {
  const WaveletFilter f = InitWaveletCoefficients();
  EXPECT_EQ(f.Taps, 4);
  EXPECT_EQ(f.BlockLength, 1024);
  const long double s3 = std::sqrt(3.0L), d = 4 * std::sqrt(2.0L);
  const long double exact[4] = {(1 + s3) / d, (3 + s3) / d, (3 - s3) / d, (1 - s3) / d};
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(static_cast<double>(f.LowPass[k]), static_cast<double>(exact[k]), 1e-12);
  EXPECT_EQ(f.HighPass[0], -0.129409522551L);
  EXPECT_EQ(f.HighPass[1], -0.224143868042L);
  EXPECT_EQ(f.HighPass[2], 0.836516303738L);
  EXPECT_EQ(f.HighPass[3], -0.482962913145L);
}

TEST(Wavelet, AnalysisOfTwoSamplesWraps) {
  const WaveletFilter f = InitWaveletCoefficients();
  const std::vector<long double> x = {3.0L, -5.0L};
  std::vector<long double> a, d;
  WaveletAnalysis(x, 2, f, a, d);
  ASSERT_EQ(a.size(), 1u);
  const auto& h = f.LowPass;
  const auto& g = f.HighPass;
  EXPECT_NEAR(static_cast<double>(a[0]), static_cast<double>((h[0] + h[2]) * 3.0L + (h[1] + h[3]) * -5.0L), 1e-15);
  EXPECT_NEAR(static_cast<double>(d[0]), static_cast<double>((g[0] + g[2]) * 3.0L + (g[1] + g[3]) * -5.0L), 1e-15);
}

TEST(Wavelet, AnalysisOfEightSamplesByHand) {
  const WaveletFilter f = InitWaveletCoefficients();
  std::vector<long double> x(8);
  for (int i = 0; i < 8; ++i) x[i] = i * i - 3;
  std::vector<long double> a, d;
  WaveletAnalysis(x, 8, f, a, d);
  ASSERT_EQ(a.size(), 4u);
  // i = 3 reaches samples 6, 7, 0, 1.
  const long double expect_a3 = f.LowPass[0] * x[6] + f.LowPass[1] * x[7] + f.LowPass[2] * x[0] + f.LowPass[3] * x[1];
  EXPECT_NEAR(static_cast<double>(a[3]), static_cast<double>(expect_a3), 1e-12);
  // A constant has no detail.
  std::vector<long double> c(16, 7.0L);
  WaveletAnalysis(c, 16, f, a, d);
  for (auto v : d) EXPECT_NEAR(static_cast<double>(v), 0.0, 1e-11);
  for (auto v : a) EXPECT_NEAR(static_cast<double>(v), static_cast<double>(7.0L * std::sqrt(2.0L)), 1e-10);
}

TEST(Wavelet, TenLevelPyramidRoundTrips) {
  const WaveletFilter f = InitWaveletCoefficients();
  std::mt19937 rng(3);
  std::normal_distribution<double> noise(1000.0, 250.0);
  std::vector<long double> x(1024);
  for (auto& v : x) v = noise(rng);
  std::vector<long double> work = x;
  WaveletDecompose(work, 10, f);
  // Energy is kept (orthogonal transform, to the filters' 12 digits).
  long double e0 = 0, e1 = 0;
  for (size_t i = 0; i < 1024; ++i) {
    e0 += x[i] * x[i];
    e1 += work[i] * work[i];
  }
  EXPECT_NEAR(static_cast<double>(e1 / e0), 1.0, 1e-10);
  WaveletRebuild(work, 10, f);
  for (size_t i = 0; i < 1024; ++i)
    ASSERT_NEAR(static_cast<double>(work[i]), static_cast<double>(x[i]), 1e-8 * std::fabs(static_cast<double>(x[i])) + 1e-9) << i;
}
