#pragma once
// Synthetic frames of Gaussian stars of known position, amplitude and width on
// a flat background, for the tracking and profile-fit tests and benchmarks.
//
// A star adds A / exp(2 (d / s)^2) at distance d from its centre (the profile
// the fit uses), sampled at pixel centres; the sum is rounded to the nearest
// integer (halves to even) and capped at 0..255, the same in all three bytes.
#include <cstdint>
#include <vector>

#include "base/Bitmap24.h"

struct GaussianStar {
  double X = 0, Y = 0;     // centre, frame pixels (column, row)
  double Amplitude = 0;    // A
  double Width = 2;        // s = 2 sigma; FWHM = 1.17741 s
};

struct StarFieldNoise {
  double Sigma = 0;        // Gaussian noise per pixel, grey levels
  uint32_t Seed = 1;
};

Bitmap24 RenderGaussianStars(int width, int height, double background, const std::vector<GaussianStar>& stars,
                             const StarFieldNoise& noise = {});

// The star's exact value at pixel (px, py) before rounding, without background.
double GaussianStarValue(const GaussianStar& star, double px, double py);

// Integer shakes of up to `shake` pixels per axis for frames 0..count-1.
struct ShakeTable {
  std::vector<int> Dx, Dy;
};
ShakeTable MakeShakeTable(int count, int shake, uint32_t seed);

// Stars that drift at a common rate and shake together by whole pixels, one
// frame per call; object k of the tests is star k - 1.
struct DriftingStarField {
  std::vector<GaussianStar> Start;
  double RateX = 0.3, RateY = 0.2;  // pixels per frame
  ShakeTable Shake;
  int Width = 400, Height = 300;
  double Background = 25;
  double NoiseSigma = 2.0;

  double X(int k, int n) const;
  double Y(int k, int n) const;
  Bitmap24 Frame(int n) const;
};

// Three stars over 500 frames of 400 x 300: drift 0.3 / 0.2 px per frame and a
// shake of up to 3 px.
DriftingStarField ThreeDriftingStars();
