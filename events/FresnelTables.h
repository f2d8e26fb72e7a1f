#pragma once
// The Fresnel integrals C(x) and S(x) as running sums over x = i / 10000,
// i = 0..2,400,000, built once at start-up, and the straight-edge intensity
// of every table entry on both sides of the edge, so that the model's inner
// loop is one look-up.
//
// The sums include both end terms: C[i] exceeds the integral of
// cos(pi t^2 / 2) from 0 to x by about 0.5e-4 (1 + cos(pi x^2 / 2)), S[i]
// the sine integral by about 0.5e-4 sin(pi x^2 / 2).
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int64_t kFresnelTableLast = 2400000;
constexpr int64_t kFresnelEdgeCentre = kFresnelTableLast + 1;

struct FresnelTables {
  std::vector<long double> C, S;  // FresnelTableC, FresnelTableS
  // ((C + 0.5)^2 + (S + 0.5)^2) / 2 at every signed index n (C and S negated
  // for n < 0), computed in extended precision and kept as doubles: the fit's
  // look-ups are bound by memory traffic. Entry n + kFresnelEdgeCentre; one
  // more entry at each end holds the value beyond the table (0 deep in the
  // shadow, 1 far on the bright side), so a clamped index needs no branch.
  std::vector<double> Edge;
};

// A fresh set of tables (what the first call below builds).
FresnelTables BuildFresnelTables();
// Builds the tables on the first call (on all cores; the sums stay serial)
// and returns them; later calls return the same tables.
const FresnelTables& MakeFresnelTables();
