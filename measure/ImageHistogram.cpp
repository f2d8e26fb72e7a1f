#include "measure/ImageHistogram.h"

#include <algorithm>

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
  // g x bin x 250 / m in integers: a floating quotient can miss an exact
  // half by a hair and round it the wrong way.
  for (size_t i = 0; i < bins.size(); ++i) {
    const int64_t num = int64_t{gain} * bins[i] * 250;
    int64_t q = num / m;
    const int64_t twice_rest = 2 * (num % m);
    if (twice_rest > m || (twice_rest == m && q % 2 != 0)) ++q;
    h[i] = static_cast<int>(q);
  }
  return h;
}
