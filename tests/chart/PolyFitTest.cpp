// Polynomial least squares against exact polynomials, an independent
// least-squares fit (numpy.polyfit, numbers typed in) and hand-solved systems.
#include "base/PolyFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

std::vector<long double> Fit(const std::vector<long double>& x, const std::vector<long double>& y, int terms) {
  std::vector<long double> c(static_cast<size_t>(terms) + 1, -99);
  PolyFitSettings s;
  s.PolyFitTermCount = s.PolyFitSolveSize = terms;
  s.PolyFitPointCount = static_cast<int>(x.size());
  BuildPolyNormalEquations(x, y, s, c);
  return c;
}

long double Eval(const std::vector<long double>& c, long double x) {
  long double p = 0;
  for (size_t k = c.size(); k-- > 0;) p = p * x + c[k];
  return p;
}

TEST(PolyFit, ExactPolynomialsComeBack) {
  struct Case {
    const char* name;
    std::vector<long double> coef;
    long double x0, dx;
    int points;
  } cases[] = {
      {"parabola", {1002.5L, -401.1984L, 39.92004L}, 0, 0.5L, 23},
      {"parabola, negative x", {-3, 0.25L, -7.5L}, -6, 0.37L, 30},
      {"cubic", {12, -3.5L, 0.75L, -0.0625L}, 0, 0.534L, 40},
      {"cubic over a minute", {2000, 4, -0.8L, 0.01L}, 0, 1.6L, 38},
      {"quartic", {1, 2, -1, 0.5L, -0.05L}, -3, 0.25L, 25},
  };
  for (const Case& c : cases) {
    std::vector<long double> x, y;
    for (int k = 0; k < c.points; ++k) {
      x.push_back(c.x0 + k * c.dx);
      y.push_back(Eval(c.coef, x.back()));
    }
    const int terms = static_cast<int>(c.coef.size());
    const std::vector<long double> got = Fit(x, y, terms);
    for (int k = 0; k < terms; ++k)
      EXPECT_NEAR(static_cast<double>(got[static_cast<size_t>(k)]), static_cast<double>(c.coef[static_cast<size_t>(k)]),
                  1e-9)
          << c.name << " c" << k;
    EXPECT_EQ(got[static_cast<size_t>(terms)], 0) << c.name;
  }
}

TEST(PolyFit, AgreesWithAnIndependentLeastSquaresFit) {
  // numpy.polyfit over the same points, ascending coefficients.
  const std::vector<long double> x = {-2.0L, -1.3L, -0.6L, 0.1L, 0.8L, 1.5L, 2.2L, 2.9L, 3.6L, 4.3L, 5.0L, 5.7L};
  const std::vector<long double> y = {3.1L, 1.7L, 0.4L, -0.2L, 0.9L, 1.3L, 0.8L, 2.6L, 3.9L, 5.2L, 4.4L, 7.0L};
  const std::vector<std::vector<double>> expected = {
      {1.4282550782550774, 0.62887112887112939},
      {0.84230616322452956, -0.26823686517564105, 0.24246162001264057},
      {0.29792905507191242, -0.26213280294912833, 0.47609986385496544, -0.042096980872490926},
      {0.22237086690439675, -0.10192933416330079, 0.50860122425355636, -0.083069735037664905,
       0.0055368586709694471},
  };
  for (const auto& e : expected) {
    const std::vector<long double> got = Fit(x, y, static_cast<int>(e.size()));
    for (size_t k = 0; k < e.size(); ++k)
      EXPECT_NEAR(static_cast<double>(got[k]), e[k], 1e-12) << "degree " << e.size() - 1 << " c" << k;
  }
}

// Points far from x = 0 (seconds of the day, Julian-day seconds, a long run
// of line numbers) or a high degree: the fitted values are those of
// numpy's Chebyshev least-squares fit over the same points (x taken from
// the first point), a basis that never forms the power sums.
TEST(PolyFit, PointsFarFromZeroKeepTheirFit) {
  struct Case {
    const char* name;
    long double x0, dx;
    int points, degree;
    std::vector<std::pair<int, double>> expected;  // point index, fitted value
  } cases[] = {
      {"degree 14 over 30 s", 0, 0.5L, 60, 14,
       {{0, 999.3272239859677}, {20, 890.1791445135242}, {30, 700.2132338580766}, {59, 1000.1038530417827}}},
      {"degree 2 at the day's end", 86000, 0.5L, 60, 2,
       {{0, 1091.776515892458}, {20, 848.4380905928487}, {30, 819.0817306367783}, {59, 1081.9677414195528}}},
      {"degree 3 at the day's end", 86000, 0.5L, 60, 3,
       {{0, 1082.7007670932842}, {20, 852.4110513471334}, {30, 818.8307509643655}, {59, 1091.0434902187276}}},
      {"line through Julian-day seconds", 212544000000.0L, 0.5L, 60, 1,
       {{0, 916.2795259380365}, {20, 912.9545176421364}, {30, 911.2920134941863}, {59, 906.4707514651312}}},
      {"degree 20 over 2000 line numbers", 0, 1, 2000, 20,
       {{0, 100.2411275504019}, {666, 114.48907708192075}, {1000, 92.98284993794111}, {1999, 112.68111495168165}}},
  };
  for (const Case& c : cases) {
    std::vector<long double> x, y;
    for (int k = 0; k < c.points; ++k) {
      x.push_back(c.x0 + c.dx * k);
      const long double t = c.dx * k;
      y.push_back(c.points == 2000 ? 100 + 20 * std::sin(7.0L * k / 2000) + 3 * std::sin(1.7L * k)
                                   : 1000 - 300 * std::exp(-std::pow((t - 15) / 5, 2)) + 5 * std::sin(1.7L * t));
    }
    const std::vector<long double> got = Fit(x, y, c.degree + 1);
    for (const auto& [k, value] : c.expected)
      EXPECT_NEAR(static_cast<double>(Eval(got, x[static_cast<size_t>(k)])), value, 1e-6) << c.name << " point " << k;
  }
}

TEST(PolyFit, DegenerateInputsStillGiveCoefficients) {
  struct Case {
    const char* name;
    std::vector<long double> x, y;
    int terms;
    std::vector<long double> expected;  // hand-solved, Coef[S] included
  } cases[] = {
      // Two points, three terms: the zero pivot leaves the line through them.
      {"fewer points than terms", {0, 1}, {1, 3}, 3, {1, 2, 0, 0}},
      {"all x zero", {0, 0, 0}, {2, 4, 9}, 3, {5, 0, 0, 0}},
      {"no points", {}, {}, 4, {0, 0, 0, 0, 0}},
      {"one term is the mean", {3, 8, -1}, {1, 2, 6}, 1, {3, 0}},
  };
  for (const Case& c : cases) {
    const std::vector<long double> got = Fit(c.x, c.y, c.terms);
    ASSERT_EQ(got.size(), c.expected.size()) << c.name;
    for (size_t k = 0; k < got.size(); ++k) EXPECT_EQ(got[k], c.expected[k]) << c.name << " c" << k;
  }
}

// Fewer distinct x than terms: the polynomial through the points (through
// the means of repeated x), its higher coefficients 0, as numpy.polyfit's
// fit of that lower degree gives; rounding must not leave tiny pivots that
// blow the coefficients up.
TEST(PolyFit, FewerDistinctPointsThanTermsGiveThePolynomialThroughThem) {
  // Units 1..4 of 16 frames at 29.97 per second, on 1000 + 40 (x - 5.27)^2.
  auto unit_time = [](int u) { return ((u - 1) * 16 + 7) / 29.97L; };
  auto parabola = [](long double x) { return 1000 + 40 * (x - 5.27L) * (x - 5.27L); };
  struct Case {
    const char* name;
    std::vector<long double> x, y;
    int terms;
    std::vector<double> expected;  // the lower coefficients; the rest are 0
  } cases[] = {
      {"three units, nine terms",
       {unit_time(1), unit_time(2), unit_time(3)},
       {parabola(unit_time(1)), parabola(unit_time(2)), parabola(unit_time(3))},
       9,
       {2110.916, -421.6, 40}},
      {"four units, fifteen terms",
       {unit_time(1), unit_time(2), unit_time(3), unit_time(4)},
       {parabola(unit_time(1)), parabola(unit_time(2)), parabola(unit_time(3)), parabola(unit_time(4))},
       15,
       {2110.916, -421.6, 40, 0}},
      // numpy.polyfit of degree 1 through (1, 1.5) and (2.2, 4).
      {"two x repeated, five terms", {1, 1, 2.2L, 2.2L}, {1, 2, 3, 5}, 5, {-0.5833333333333333, 2.0833333333333335}},
  };
  for (const Case& c : cases) {
    const std::vector<long double> got = Fit(c.x, c.y, c.terms);
    for (size_t k = 0; k < got.size(); ++k) {
      const double want = k < c.expected.size() ? c.expected[k] : 0;
      EXPECT_NEAR(static_cast<double>(got[k]), want, 1e-9 * std::max(1.0, std::fabs(want))) << c.name << " c" << k;
    }
  }
}

TEST(PolyFit, SolverExchangesRowsBeforeEliminating) {
  struct Case {
    const char* name;
    int size;
    std::vector<std::vector<long double>> rows;  // augmented
    std::vector<long double> expected;
  } cases[] = {
      // A zero first pivot: without the exchanges row 0 would be taken as is.
      {"zero leading pivot", 3, {{0, 2, 1, 5}, {1, 0, 0, 1}, {3, 1, 0, 4}}, {1, 1, 3, 0}},
      {"permuted identity", 3, {{1, 0, 0, 1}, {0, 0, 1, 2}, {0, 1, 0, 3}}, {1, 3, 2, 0}},
      // Rank one: the second pivot is 0 and counts as 1.
      {"singular", 2, {{1, 1, 2}, {1, 1, 2}}, {2, 0, 0}},
      {"all zero", 2, {{0, 0, 0}, {0, 0, 0}}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    PolyFitMatrix m{};
    for (size_t r = 0; r < c.rows.size(); ++r)
      for (size_t j = 0; j < c.rows[r].size(); ++j) m[r][j] = c.rows[r][j];
    std::vector<long double> coef(c.expected.size(), -99);
    SolvePolyNormalEquations(m, c.size, coef);
    for (size_t k = 0; k < coef.size(); ++k) EXPECT_NEAR(static_cast<double>(coef[k]), static_cast<double>(c.expected[k]), 1e-15) << c.name << " c" << k;
  }
}

}  // namespace
