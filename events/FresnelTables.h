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

struct FresnelEdgeIntensity {
  long double Bright;  // ((C + 0.5)^2 + (S + 0.5)^2) / 2 at +x
  long double Shadow;  // the same at -x (C and S negated)
};

struct FresnelTables {
  std::vector<long double> C, S;               // FresnelTableC, FresnelTableS
  std::vector<FresnelEdgeIntensity> Intensity;  // from C and S, entry by entry
};

// Builds the tables on the first call (on all cores; the sums stay serial)
// and returns them; later calls return the same tables.
const FresnelTables& MakeFresnelTables();
