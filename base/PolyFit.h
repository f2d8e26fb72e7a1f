#pragma once
// Polynomial least squares: y = c0 + c1 x + ... + c(T-1) x^(T-1) through N
// points. The normal equations are built and solved in long double on a fixed
// 27 x 27 augmented matrix, so at most 26 coefficients.
//
// The solver exchanges rows for every column before it eliminates, and a zero
// pivot is taken as 1 instead of failing: a singular system still gives
// coefficients, without a message. With fewer distinct x than terms the fit
// is the polynomial through them (through the means of repeated x), its higher
// coefficients 0. The mutual-event fit and the LED time correction both rely
// on that.
#include <array>
#include <cstdint>
#include <span>

inline constexpr int PolyFitMatrixOrder = 27;
using PolyFitMatrix = std::array<std::array<long double, PolyFitMatrixOrder>, PolyFitMatrixOrder>;

// What the caller sets before each fit.
struct PolyFitSettings {
  int32_t PolyFitTermCount = 0;   // T: degree + 1, 1..26
  int32_t PolyFitSolveSize = 0;   // S: order of the system solved; callers set S = T
  int32_t PolyFitPointCount = 0;  // N
};

// x^k by repeated multiplication; x^0 = 1 also for x = 0.
long double PolyFitPower(long double x, int k);

// Reads X[0..N-1], Y[0..N-1], builds the augmented normal equations for T
// terms and solves them into Coef (entries 0..S, at least S + 1 of them).
// Throws std::invalid_argument when T or S lie outside 1..26, the point arrays
// are shorter than N or Coef shorter than S + 1.
void BuildPolyNormalEquations(std::span<const long double> X, std::span<const long double> Y,
                              const PolyFitSettings& settings, std::span<long double> Coef);

// The points' x mapped onto -1..1: u = (x - Centre) / Half.
struct PolyFitScale {
  long double Centre = 0;
  long double Half = 1;
};

// The same fit, with Scaled getting the coefficients in powers of u. The sums
// of x^(i+j) of points far from 0 (times of day, a long run of line numbers)
// span more digits than long double holds; those of u do not.
PolyFitScale FitPolyScaled(std::span<const long double> X, std::span<const long double> Y,
                           const PolyFitSettings& settings, std::span<long double> Scaled);

// Coef[0..terms-1] := the polynomial in powers of x whose value at x is that
// of Scaled[0..terms-1] in powers of u.
void ExpandScaledPoly(std::span<const long double> Scaled, int terms, PolyFitScale scale, std::span<long double> Coef);

// Solves the S x S system in columns 0..S-1 with right-hand side column S, on
// its own copy of M. Coef[0..S-1] get the unknowns, Coef[S] is 0.
void SolvePolyNormalEquations(PolyFitMatrix M, int32_t solve_size, std::span<long double> Coef);
