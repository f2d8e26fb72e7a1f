#include "base/PolyFit.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

void CheckOrder(int32_t n, const char* what) {
  if (n < 1 || n >= PolyFitMatrixOrder) throw std::invalid_argument(std::string(what) + " must lie in 1..26");
}

}  // namespace

long double PolyFitPower(long double x, int k) {
  long double p = 1;
  for (int i = 0; i < k; ++i) p *= x;
  return p;
}

void BuildPolyNormalEquations(std::span<const long double> X, std::span<const long double> Y,
                              const PolyFitSettings& settings, std::span<long double> Coef) {
  const PolyFitScale scale = FitPolyScaled(X, Y, settings, Coef);
  const std::vector<long double> scaled(Coef.begin(), Coef.end());
  ExpandScaledPoly(scaled, settings.PolyFitSolveSize, scale, Coef);
}

PolyFitScale FitPolyScaled(std::span<const long double> X, std::span<const long double> Y,
                           const PolyFitSettings& settings, std::span<long double> Scaled) {
  const int n = settings.PolyFitPointCount;
  CheckOrder(settings.PolyFitTermCount, "PolyFitTermCount");
  CheckOrder(settings.PolyFitSolveSize, "PolyFitSolveSize");
  if (n < 0 || X.size() < static_cast<size_t>(n) || Y.size() < static_cast<size_t>(n))
    throw std::invalid_argument("PolyFitPointCount exceeds the points given");

  const size_t solve_size = static_cast<size_t>(settings.PolyFitSolveSize);
  if (Scaled.size() < solve_size + 1) throw std::invalid_argument("coefficient array shorter than PolyFitSolveSize + 1");

  PolyFitScale scale;
  std::vector<long double> u(static_cast<size_t>(n));
  if (n > 0) {
    const auto [lo, hi] = std::minmax_element(X.begin(), X.begin() + n);
    scale.Centre = (*lo + *hi) / 2;
    if (*hi > *lo) scale.Half = (*hi - *lo) / 2;
  }
  for (int k = 0; k < n; ++k) u[static_cast<size_t>(k)] = (X[static_cast<size_t>(k)] - scale.Centre) / scale.Half;
  // Fewer distinct x than terms: the polynomial through them is a least-squares
  // fit, with the higher terms 0 as a zero pivot leaves them. Rounding leaves
  // tiny pivots instead of zero ones, whose quotients would swamp the fit.
  // Not a number (from x beyond long double's range) sorts nowhere.
  std::vector<long double> distinct;
  for (long double v : u)
    if (!std::isnan(v)) distinct.push_back(v);
  std::sort(distinct.begin(), distinct.end());
  const int distinct_count = static_cast<int>(std::unique(distinct.begin(), distinct.end()) - distinct.begin());
  for (size_t i = 0; i <= solve_size; ++i) Scaled[i] = 0;
  if (distinct_count == 0) return scale;
  const int t = std::min(settings.PolyFitTermCount, distinct_count);
  const int solve = std::min(settings.PolyFitSolveSize, distinct_count);

  PolyFitMatrix m{};
  // Every entry is a sum over the points in point order. The powers of one
  // point are shared by the entries that need them; each is the previous one
  // times u, the same products PolyFitPower forms, so every sum is unchanged.
  std::array<long double, 2 * PolyFitMatrixOrder> power{};
  for (int k = 0; k < n; ++k) {
    power[0] = 1;
    for (int e = 1; e <= 2 * (t - 1); ++e)
      power[static_cast<size_t>(e)] = power[static_cast<size_t>(e - 1)] * u[static_cast<size_t>(k)];
    for (int i = 0; i < t; ++i) {
      auto& row = m[static_cast<size_t>(i)];
      for (int j = 0; j < t; ++j) row[static_cast<size_t>(j)] += power[static_cast<size_t>(i + j)];
      row[static_cast<size_t>(t)] += Y[static_cast<size_t>(k)] * power[static_cast<size_t>(i)];
    }
  }
  SolvePolyNormalEquations(m, solve, Scaled);
  return scale;
}

void ExpandScaledPoly(std::span<const long double> Scaled, int terms, PolyFitScale scale, std::span<long double> Coef) {
  if (terms < 0 || Scaled.size() < static_cast<size_t>(terms) || Coef.size() < static_cast<size_t>(terms))
    throw std::invalid_argument("coefficient arrays shorter than the terms");
  // c_k = sum over j >= k of a_j C(j, k) (-centre)^(j-k) / half^j.
  for (int k = 0; k < terms; ++k) Coef[static_cast<size_t>(k)] = 0;
  for (int j = 0; j < terms; ++j) {
    const long double aj = Scaled[static_cast<size_t>(j)] / PolyFitPower(scale.Half, j);
    long double binomial = 1;  // C(j, k), from k = j down
    for (int k = j; k >= 0; --k) {
      Coef[static_cast<size_t>(k)] += aj * binomial * PolyFitPower(-scale.Centre, j - k);
      binomial = binomial * k / (j - k + 1);
    }
  }
}

void SolvePolyNormalEquations(PolyFitMatrix M, int32_t solve_size, std::span<long double> Coef) {
  CheckOrder(solve_size, "PolyFitSolveSize");
  const size_t s = static_cast<size_t>(solve_size);
  if (Coef.size() < s + 1) throw std::invalid_argument("coefficient array shorter than PolyFitSolveSize + 1");

  // Row exchanges for all columns first; ties keep the earliest row.
  for (size_t c = 0; c < s; ++c) {
    size_t best = c;
    long double largest = 0;
    for (size_t r = 0; r < s; ++r) {
      const long double v = std::fabs(M[r][c]);
      if (v > largest) {
        largest = v;
        best = r;
      }
    }
    if (best != c)
      for (size_t j = 0; j <= s; ++j) std::swap(M[best][j], M[c][j]);
  }

  for (size_t c = 0; c < s; ++c) {
    long double p = M[c][c];
    if (p == 0) p = 1;
    M[c][c] = 1;
    for (size_t j = c + 1; j <= s; ++j) M[c][j] /= p;
    for (size_t r = c + 1; r < s; ++r) {
      const long double f = M[r][c];
      for (size_t j = c + 1; j <= s; ++j) M[r][j] -= M[c][j] * f;
      M[r][c] = 0;
    }
  }

  for (size_t i = 0; i <= s; ++i) Coef[i] = 0;
  for (size_t i = s; i-- > 0;) {
    long double v = M[i][s];
    for (size_t j = s - 1; j > i; --j) v -= Coef[j] * M[i][j];
    Coef[i] = v;
  }
}
