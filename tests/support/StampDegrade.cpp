#include "StampDegrade.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "StampRender.h"

void DegradeStampFrame(Bitmap24& f, const StampDegradation& d, uint32_t seed) {
  const int w = f.Width(), h = f.Height();
  if (d.shiftX != 0 || d.shiftY != 0) {
    Bitmap24 g(w, h);
    FillFrame(g, kStampDark);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int sx = x - d.shiftX, sy = y - d.shiftY;
        if (sx >= 0 && sx < w && sy >= 0 && sy < h) g.Set(x, y, f.Get(sx, sy));
      }
    f = g;
  }
  if (d.blur) {
    for (int y = 0; y < h; ++y) {
      const std::vector<uint8_t> row(f.Row(y), f.Row(y) + w * 3);
      for (int x = 1; x + 1 < w; ++x)
        for (int c = 0; c < 3; ++c)
          f.Row(y)[x * 3 + c] =
              static_cast<uint8_t>((row[(x - 1) * 3 + c] + 2 * row[x * 3 + c] + row[(x + 1) * 3 + c] + 2) / 4);
    }
  }
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, d.noiseSigma > 0 ? d.noiseSigma : 1.0);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = f.Row(y);
    for (int x = 0; x < w; ++x) {
      const double n = d.noiseSigma > 0 ? noise(rng) : 0.0;
      const long v = std::clamp(std::lround(p[x * 3] * d.gain + d.offset + n), 0L, 255L);
      p[x * 3] = p[x * 3 + 1] = p[x * 3 + 2] = static_cast<uint8_t>(v);
    }
  }
}
