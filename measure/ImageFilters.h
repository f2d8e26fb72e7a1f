#pragma once
// Image filters applied to a frame before it is tracked and measured, and the
// pixel readers every measuring routine uses.
//
// All filters work in place on a Bitmap24 and treat the three colour bytes
// alike. The driver applies them in the order gamma, Gaussian, moving
// average, gain, rotation (ApplyFrameFilters).
#include <array>
#include <cstdint>

#include "base/Bitmap24.h"

using GammaTable = std::array<uint8_t, 256>;

enum class GammaModeKind : uint8_t { Off = 0, Measure = 1, Field = 2 };

// The filter controls of the main window, read once per frame.
struct FilterSettings {
  GammaModeKind GammaMode = GammaModeKind::Off;
  int GaussianIndex = 0;       // RadioGroup5: 0 off, 1 for 3 x 3, 2 for 5 x 5
  int MovingAverageIndex = 0;  // RadioGroup4: 0 off, 1 for 3 x 3, 2 for 5 x 5
  int GainTenths = 10;         // UpDown17: 0..50, 10 = x1.0
  int FieldRotation = 0;       // UpDown19: -8..8, 0 = off
};

// The identity table (the table of gamma 1.0).
GammaTable IdentityGammaTable();

// table[i] := round(255 x (i / 255)^(1 / gamma)), halves to even. A gamma of 0
// or below (or not a number) is ignored: the table is left unchanged and the
// result is false.
bool BuildGammaTable(double gamma, GammaTable& table);

void ApplyGammaTable(Bitmap24& bmp, const GammaTable& table);

// The fixed Gaussian kernels: index 1 is 3 x 3 (divisor 0.677), index 2 is
// 5 x 5 (divisor 10.692). The frame filter and the profile windows share them.
struct SmoothingKernel {
  int Radius = 0;
  double Divisor = 1;
  std::array<std::array<double, 5>, 5> Weights{};  // [dy + Radius][dx + Radius]
};
// Index 1 or 2; anything else gives radius 0 (no smoothing).
const SmoothingKernel& SmoothingKernelFor(int index);

// Weighted smoothing, radius 1 (3 x 3) or 2 (5 x 5); other radii do nothing.
// Only neighbours inside the image contribute but the divisor stays the
// kernel's full weight, so a border of width r comes out darker.
void GaussianFilter(Bitmap24& bmp, int radius);

// Box mean over the neighbours inside the image, radius 1 or 2.
void MovingAverageFilter(Bitmap24& bmp, int radius);

// Multiplies rows 2 and below by gain_tenths / 10 (halves to even, capped at
// 255). Rows 0 and 1 carry time codes and stay as they are.
void ApplyGain(Bitmap24& bmp, int gain_tenths);

// Rotates row y (y >= 1) cyclically by |shift| x y pixels: to the right for
// shift > 0, to the left (pixel 0 moves to the right end) for shift < 0.
void RotateFieldRows(Bitmap24& bmp, int shift);

// All filters whose condition holds, in the driver's order.
void ApplyFrameFilters(Bitmap24& bmp, const FilterSettings& settings, const GammaTable& gamma);

// The three bytes of pixel (x, y); black outside the bitmap.
inline Bgr BitmapPixelRGB(const Bitmap24& bmp, int x, int y) { return bmp.Get(x, y); }

// The same, but black unless x < frame_width and y < frame_height too.
inline Bgr GetPixelRGB(const Bitmap24& bmp, int x, int y, int frame_width, int frame_height) {
  if (x >= frame_width || y >= frame_height) return {};
  return bmp.Get(x, y);
}

// 'Contour line': paints yellow every pixel whose red byte is a multiple of 10.
void DrawContourLines(Bitmap24& bmp);
