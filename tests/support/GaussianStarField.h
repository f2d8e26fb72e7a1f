#pragma once
// Synthetic frames of Gaussian stars of known position, amplitude and width on
// a flat background, for the tracking and profile-fit tests and benchmarks.
//
// A star adds A / exp(2 (d / s)^2) at distance d from its centre (the profile
// the fit uses), sampled at pixel centres; the sum is rounded to the nearest
// integer (halves to even) and capped at 0..255, the same in all three bytes.
#include <cstdint>
#include <vector>

#include "app/Bitmap24.h"

struct GaussianStar {
  double X = 0, Y = 0;     // centre, frame pixels (column, row)
  double Amplitude = 0;    // A
  double Width = 2;        // s; FWHM = 2.35482 s
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
