#include "measure/ImageHistogram.h"

#include <algorithm>

#include "base/NumberText.h"

HistogramBins CountHistogram(const Bitmap24& shown) {
  HistogramBins bins{};
  for (int y = 0; y < shown.Height(); ++y) {
    const uint8_t* row = shown.Row(y);
    for (int x = 0; x < shown.Width(); ++x) ++bins[row[3 * x + 2]];
  }
  return bins;
}

std::array<int, 256> HistogramBarHeights(const HistogramBins& bins, int gain) {
  std::array<int, 256> h{};
  const int32_t m = *std::max_element(bins.begin(), bins.end());
  if (m <= 0) return h;
  for (size_t i = 0; i < bins.size(); ++i)
    h[i] = static_cast<int>(RoundHalfEven(static_cast<long double>(gain) * bins[i] / m / 2 * 500));
  return h;
}
