#pragma once
// Synthetic frames for measuring tests: Gaussian stars of known flux on a
// known flat background, optional Gaussian noise from a fixed seed, and an
// occultation step (the target's flux drops from a given frame on).
//
// Each star adds flux x (the pixel's share of a circular Gaussian of the
// given sigma), integrated over the pixel square, so the sum over pixels of
// (value - background) equals the flux up to the byte rounding and the part
// outside the summed area. All three colour bytes get the same value.
#include <cstdint>
#include <vector>

#include "base/Bitmap24.h"

struct SyntheticStar {
  double X = 0, Y = 0;  // centre in pixel coordinates (pixel i covers i-0.5..i+0.5)
  double Flux = 0;      // total counts above the background, per colour byte
  double Sigma = 1.5;   // Gaussian sigma in pixels
};

struct SyntheticFrame {
  int Width = 720;
  int Height = 480;
  double Background = 20;
  double NoiseSigma = 0;  // Gaussian noise per pixel (same for all three bytes)
  uint32_t Seed = 1;
  std::vector<SyntheticStar> Stars;
};

// The exact (unrounded) value of pixel (x, y) before noise.
double SyntheticPixelValue(const SyntheticFrame& spec, int x, int y);

// Values rounded half away from zero and clipped to 0..255.
Bitmap24 MakeStarFrame(const SyntheticFrame& spec);

// Three stars of 2500, 1500 and 2000 counts (sigma 1.5) at (100, 100),
// (300, 200) and (500, 350) of a 720 x 480 frame, background 20, noise 2.
SyntheticFrame ThreeStarFrame(uint32_t seed);

// Frame n of an occultation: star 0 keeps its flux before event_frame and
// keeps remaining_fraction of it from event_frame on. The noise seed
// changes with n so frames differ.
SyntheticFrame OccultationFrame(const SyntheticFrame& base, int n, int event_frame, double remaining_fraction);
