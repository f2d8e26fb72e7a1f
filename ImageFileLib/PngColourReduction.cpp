// Lossy colour reduction the PNG writer can run before filtering: it nudges
// pixel values towards what the chosen filter predicts, so the filtered rows
// hold more zeros and compress better.
#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "ImageFileLib/PngLoader.h"
#include "ImageFileLib/PngFormat.h"

namespace ImageFile {

namespace {

int Brightness(const uint8_t* bgr) { return 2 * bgr[2] + 3 * bgr[1] + bgr[0]; }

// Palette bitmap that is not grey: sort the palette, then replace indexes by
// their Paeth prediction where the colours are close. Returns filter type 4.
int ReducePalette(TLinearBitmap& b, int32_t t, int32_t transparent) {
  std::vector<int> order(256);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int x, int y) { return Brightness(&b.Palette[3 * x]) < Brightness(&b.Palette[3 * y]); });
  if (transparent >= 0 && transparent <= 255) {
    const auto at = std::find(order.begin(), order.end(), transparent) - order.begin();
    std::swap(order[static_cast<size_t>(at)], order[static_cast<size_t>(transparent)]);
  }
  std::vector<uint8_t> palette(768);
  uint8_t renumber[256];
  for (int k = 0; k < 256; ++k) {
    std::copy_n(&b.Palette[3 * order[k]], 3, &palette[3 * k]);
    renumber[order[k]] = static_cast<uint8_t>(k);
  }
  b.Palette = palette;
  for (int32_t i = 0; i < b.Size; ++i) b.Map[i] = renumber[b.Map[i]];
  for (int32_t y = 1; y < b.Height; ++y) {
    uint8_t* row = b.ScanLine(y);
    const uint8_t* up = b.ScanLine(y - 1);
    for (int32_t x = 1; x < b.BytesPerLine; ++x) {
      if (row[x] == transparent) continue;
      const int pred = PaethPredictor(row[x - 1], up[x], up[x - 1]);
      if (pred == transparent) continue;
      const uint8_t* p = &b.Palette[3 * row[x]];
      const uint8_t* q = &b.Palette[3 * pred];
      const int distance = std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
      if (distance < t) row[x] = static_cast<uint8_t>(pred);
    }
  }
  return 4;
}

// Grey palette (k = 1) or 24-bit (k = 3): values move to the average of left
// and upper neighbours, or to a multiple of t from it. Returns filter type 3.
int ReduceBytes(TLinearBitmap& b, int32_t t, int32_t transparent, int k) {
  // The transparent colour as the pixel's bytes B,G,R (red in its low byte).
  const auto pixel_colour = [](const uint8_t* p) { return p[2] | p[1] << 8 | p[0] << 16; };
  bool kept = false;  // the current pixel was transparent before its first byte changed
  for (int32_t y = 1; y < b.Height; ++y) {
    uint8_t* row = b.ScanLine(y);
    const uint8_t* up = b.ScanLine(y - 1);
    for (int32_t i = k; i < b.BytesPerLine; ++i) {
      uint8_t* pixel = row + (i / k) * k;
      if (transparent != -1) {
        if (k == 1 && row[i] == transparent) continue;
        // Judged on the unchanged pixel: after its first bytes moved it may
        // match by chance, and its last byte must then still be changed.
        if (k == 3 && i % 3 == 0) kept = pixel_colour(pixel) == transparent;
        if (k == 3 && kept) continue;
      }
      const int avg = (row[i - k] + up[i]) >> 1;
      const int v = row[i];
      int result;
      if (std::abs(avg - v) > t) {
        const int d = (v - avg) & 255;
        const int r = d % t;
        result = r >= (t + 1) / 2 ? std::min(v + t - r, 255) : std::max(v - r, 0);
      } else {
        result = avg;
      }
      if (k == 3) {
        row[i] = static_cast<uint8_t>(result);
        if (i % 3 == 2 && pixel_colour(pixel) == transparent) row[i] = static_cast<uint8_t>(result ^ 1);
      } else if (result != transparent) {
        row[i] = static_cast<uint8_t>(result);
      }
    }
  }
  return 3;
}

}  // namespace

int32_t ReduceColours(TLinearBitmap& bitmap, int32_t tolerance, int32_t transparent) {
  if (bitmap.PixelFormat == pf8Bit && !bitmap.IsGrayScale()) return ReducePalette(bitmap, tolerance, transparent);
  return ReduceBytes(bitmap, tolerance, transparent, bitmap.PixelFormat == pf8Bit ? 1 : 3);
}

}  // namespace ImageFile
