#pragma once
// Square windows of pixel values around an object's position, read for the
// profile tracking and the star-profile fit, and their Gaussian smoothing.
//
// Cells are stored column by column (dx outer, dy inner) like the masks, so a
// column of a window is contiguous. Row 0 of a frame carries time codes and is
// never read: it counts as outside, like pixels beyond the frame.
#include <array>
#include <cstddef>
#include <cstdint>

#include "base/Bitmap24.h"
#include "measure/ApertureMasks.h"
#include "measure/ImageFilters.h"

template <int Reach>
using SquareWindow = OffsetGrid<Reach, double>;

// Offsets -53..53: the profile tracking's window.
using ProfileTrackWindow = SquareWindow<53>;
// Offsets -27..27: the profile fit's window.
using ProfileFitWindow = SquareWindow<27>;

// True when pixel (x, y) of a width x height frame is read (row 0 never).
inline bool IsReadablePixel(int64_t x, int64_t y, int width, int height) {
  return x >= 0 && y >= 1 && x < width && y < height;
}

// Fills the window around (x, y) with the mean of each pixel's three bytes,
// passed through `gamma` when it is given; 0 for pixels that are not read.
template <int Reach>
void FillMeanWindow(SquareWindow<Reach>& w, const Bitmap24& bmp, int x, int y, const GammaTable* gamma);

enum class SmoothRounding { None, NearestEven };

// Replaces the cells with offsets -reach..reach by their kernel-weighted sum
// over the original values divided by the kernel's fixed divisor (optionally
// rounded to the nearest integer, halves to even); the cells beyond keep their
// values. Nothing happens for a kernel index other than 1 and 2.
template <int Reach>
void SmoothWindow(SquareWindow<Reach>& w, int reach, int kernel_index, SmoothRounding rounding);

// The aperture's sum above its background: with the masks centred at (cx, cy)
// of the window, the sum of the aperture cells (class 1) less their count
// times the mean of the background cells (class 2; one when there are none).
template <int Reach>
double ApertureExcess(const SquareWindow<Reach>& w, const ApertureClasses& classes, int cx, int cy);
