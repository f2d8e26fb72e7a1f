#pragma once
// The 256-bin histogram of the shown frame and its bar heights.
#include <array>
#include <cstdint>

#include "base/Bitmap24.h"

using HistogramBins = std::array<int32_t, 256>;

// Counts the red component of every pixel (the grey level of grey video).
HistogramBins CountHistogram(const Bitmap24& shown);

// Bar heights in pixels for gain g: the fullest bin is 250 g high. With no
// counted pixel every bar is 0.
std::array<int, 256> HistogramBarHeights(const HistogramBins& bins, int gain);

// Bar i covers these two columns of the drawing, on the baseline.
inline constexpr int kHistogramBaseline = 530;
inline constexpr int HistogramBarX(int bin) { return 2 * bin + 30; }
