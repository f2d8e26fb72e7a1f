// Fast transform against the plain DFT, numpy and known transforms.
#include "chart/Fourier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "support/TemporaryFolder.h"

namespace {

constexpr long double kPi = 3.14159265358979323846264338327950288L;

FftBlock RandomBlock(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> dist(-100.0, 100.0);
  FftBlock b;
  b.Resize(n);
  for (size_t i = 0; i < n; ++i) {
    b.InputRe[i] = dist(rng);
    b.InputIm[i] = dist(rng);
  }
  return b;
}

long double MaxAbs(const FftBlock& b) {
  long double m = 0;
  for (size_t i = 0; i < b.Length(); ++i) m = std::max({m, std::fabs(b.InputRe[i]), std::fabs(b.InputIm[i])});
  return m;
}

}  // namespace

TEST(FastFourierTransform, MatchesPlainTransformScaledForEveryLength) {
  for (size_t n = 2; n <= 1024; n *= 2) {
    FftBlock fast = RandomBlock(n, static_cast<unsigned>(n));
    FftBlock plain = fast;
    DiscreteFourierTransform(plain);
    FastFourierTransform(fast, FftDirection::Forward);
    const long double tol = 1e-12L * static_cast<long double>(n) * 100.0L;
    for (size_t k = 0; k < n; ++k) {
      ASSERT_NEAR(static_cast<double>(fast.OutputRe[k] * n), static_cast<double>(plain.OutputRe[k]), tol) << "n=" << n << " k=" << k;
      ASSERT_NEAR(static_cast<double>(fast.OutputIm[k] * n), static_cast<double>(plain.OutputIm[k]), tol) << "n=" << n << " k=" << k;
    }
  }
}

TEST(FastFourierTransform, InverseOfForwardReturnsSamples) {
  for (size_t n = 2; n <= 16384; n *= 2) {
    FftBlock b = RandomBlock(n, 11);
    const FftBlock original = b;
    FastFourierTransform(b, FftDirection::Forward);
    b.InputRe = b.OutputRe;
    b.InputIm = b.OutputIm;
    FastFourierTransform(b, FftDirection::Inverse);
    const long double tol = 1e-13L * MaxAbs(original) * std::log2(static_cast<long double>(n)) * 10;
    for (size_t i = 0; i < n; ++i) {
      ASSERT_NEAR(static_cast<double>(b.OutputRe[i]), static_cast<double>(original.InputRe[i]), tol);
      ASSERT_NEAR(static_cast<double>(b.OutputIm[i]), static_cast<double>(original.InputIm[i]), tol);
    }
  }
}

TEST(FastFourierTransform, KnownTransforms) {
  const size_t n = 64;
  {
    SCOPED_TRACE("constant c gives bin 0 = c, all others 0");
    FftBlock b;
    b.Resize(n);
    for (auto& v : b.InputRe) v = 3.25L;
    FastFourierTransform(b, FftDirection::Forward);
    EXPECT_NEAR(static_cast<double>(b.OutputRe[0]), 3.25, 1e-15);
    for (size_t k = 1; k < n; ++k) {
      EXPECT_NEAR(static_cast<double>(b.OutputRe[k]), 0.0, 1e-15);
      EXPECT_NEAR(static_cast<double>(b.OutputIm[k]), 0.0, 1e-15);
    }
  }
  {
    SCOPED_TRACE("cos(2 pi 4 n / N) gives 0.5 in bins 4 and N-4; the plain transform N/2");
    FftBlock b;
    b.Resize(n);
    for (size_t i = 0; i < n; ++i) b.InputRe[i] = std::cos(2 * kPi * 4 * i / n);
    const FftBlock original = b;
    FftBlock plain = b;
    DiscreteFourierTransform(plain);
    FastFourierTransform(b, FftDirection::Forward);
    for (size_t k = 0; k < n; ++k) {
      const double expect = (k == 4 || k == n - 4) ? 0.5 : 0.0;
      EXPECT_NEAR(static_cast<double>(b.OutputRe[k]), expect, 1e-15) << k;
      EXPECT_NEAR(static_cast<double>(b.OutputIm[k]), 0.0, 1e-15) << k;
      EXPECT_NEAR(static_cast<double>(plain.OutputRe[k]), expect * n, 1e-13) << k;
    }
    b.InputRe = b.OutputRe;
    b.InputIm = b.OutputIm;
    FastFourierTransform(b, FftDirection::Inverse);
    for (size_t i = 0; i < n; ++i) EXPECT_NEAR(static_cast<double>(b.OutputRe[i]), static_cast<double>(original.InputRe[i]), 1e-15);
  }
  {
    SCOPED_TRACE("sin(2 pi 3 n / N) gives -i/2 in bin 3 and +i/2 in bin N-3");
    FftBlock b;
    b.Resize(n);
    for (size_t i = 0; i < n; ++i) b.InputRe[i] = std::sin(2 * kPi * 3 * i / n);
    FastFourierTransform(b, FftDirection::Forward);
    EXPECT_NEAR(static_cast<double>(b.OutputIm[3]), -0.5, 1e-15);
    EXPECT_NEAR(static_cast<double>(b.OutputIm[n - 3]), 0.5, 1e-15);
  }
  {
    SCOPED_TRACE("unit impulse at 1 gives e^(-2 pi i k / N) / N");
    FftBlock b;
    b.Resize(n);
    b.InputRe[1] = 1;
    FastFourierTransform(b, FftDirection::Forward);
    for (size_t k = 0; k < n; ++k) {
      EXPECT_NEAR(static_cast<double>(b.OutputRe[k]), static_cast<double>(std::cos(2 * kPi * k / n) / n), 1e-16);
      EXPECT_NEAR(static_cast<double>(b.OutputIm[k]), static_cast<double>(-std::sin(2 * kPi * k / n) / n), 1e-16);
    }
  }
}

TEST(FastFourierTransform, NonPowerOfTwoGivesZeros) {
  FftBlock b;
  b.Resize(12);
  for (auto& v : b.InputRe) v = 1;
  FastFourierTransform(b, FftDirection::Forward);
  for (auto v : b.OutputRe) EXPECT_EQ(v, 0.0L);
  EXPECT_FALSE(IsFftLength(0));
  EXPECT_FALSE(IsFftLength(1));
  EXPECT_TRUE(IsFftLength(2));
  EXPECT_FALSE(IsFftLength(1536));
}

// numpy's FFT divided by N, for N = 2 .. 16384, computed by python3.
TEST(FastFourierTransform, AgreesWithNumpy) {
  const TemporaryFolder folder("tessary_fft");
  const auto& dir = folder.Path();
  const auto in_path = dir / "in.txt", out_path = dir / "out.txt";
  std::vector<FftBlock> blocks;
  {
    std::ofstream in(in_path);
    for (size_t n = 2; n <= 16384; n *= 2) {
      blocks.push_back(RandomBlock(n, static_cast<unsigned>(n + 1)));
      char buf[64];
      for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%.17g %.17g\n", static_cast<double>(blocks.back().InputRe[i]),
                      static_cast<double>(blocks.back().InputIm[i]));
        in << buf;
      }
    }
  }
  const std::string script =
      "import numpy as np\n"
      "d=np.loadtxt('" + in_path.string() + "')\n"
      "x=d[:,0]+1j*d[:,1]\n"
      "o=open('" + out_path.string() + "','w')\n"
      "p=0\n"
      "n=2\n"
      "while n<=16384:\n"
      "  X=np.fft.fft(x[p:p+n])/n\n"
      "  for v in X: o.write('%.17g %.17g\\n'%(v.real,v.imag))\n"
      "  p+=n; n*=2\n"
      "o.close()\n";
  const auto script_path = dir / "fft.py";
  std::ofstream(script_path) << script;
  const int rc = std::system(("/usr/bin/python3 " + script_path.string()).c_str());
  ASSERT_EQ(rc, 0) << "/usr/bin/python3 with numpy (python3-numpy) is needed for this test";
  std::ifstream out(out_path);
  for (auto& b : blocks) {
    FastFourierTransform(b, FftDirection::Forward);
    for (size_t k = 0; k < b.Length(); ++k) {
      double re = 0, im = 0;
      ASSERT_TRUE(out >> re >> im);
      ASSERT_NEAR(static_cast<double>(b.OutputRe[k]), re, 1e-12) << b.Length() << " " << k;
      ASSERT_NEAR(static_cast<double>(b.OutputIm[k]), im, 1e-12) << b.Length() << " " << k;
    }
  }
}
