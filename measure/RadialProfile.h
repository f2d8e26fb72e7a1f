#pragma once
// The radial profile of a star for the operation guide's plot: every pixel
// around (x, y) as (distance, mean of its three colour bytes), and the fitted
// profile A / exp(2 (d / s)^2) + B of the point-spread-function fit.
#include <vector>

#include "base/Bitmap24.h"
#include "measure/ImageFilters.h"

struct RadialPoint {
  double Distance = 0;
  double Value = 0;
};

// Where the distances count from: the fit's centre, an offset from (x, y) in
// pixels, with rows counting RowScale times as far as columns as in the fit.
struct RadialCentre {
  double Dx = 0, Dy = 0;
  double RowScale = 1;
};

// Pixels within `radius` of (x, y) that the profile fit reads (in the frame,
// not on row 0), in row order, each through `gamma` when one is given, as
// the fit reads them in the gamma mode 'Measure'; each at its distance from
// `centre`.
std::vector<RadialPoint> RadialProfile(const Bitmap24& frame, int x, int y, int radius,
                                       const GammaTable* gamma = nullptr, const RadialCentre& centre = {});

// The fitted profile at distance d (width s > 0).
double PsfProfileValue(double d, double amplitude, double width, double background);
