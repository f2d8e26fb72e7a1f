#include "measure/RadialProfile.h"

#include <cmath>
#include <cstdint>

#include "measure/ProfileWindows.h"

std::vector<RadialPoint> RadialProfile(const Bitmap24& frame, int x, int y, int radius, const GammaTable* gamma,
                                       const RadialCentre& centre) {
  std::vector<RadialPoint> out;
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx) {
      const int64_t px = int64_t{x} + dx, py = int64_t{y} + dy;
      if (dx * dx + dy * dy > radius * radius || !IsReadablePixel(px, py, frame.Width(), frame.Height())) continue;
      const Bgr c = frame.Get(static_cast<int>(px), static_cast<int>(py));
      const int sum = gamma ? (*gamma)[c.b] + (*gamma)[c.g] + (*gamma)[c.r] : c.b + c.g + c.r;
      const double d = std::hypot(dx - centre.Dx, centre.RowScale * (dy - centre.Dy));
      out.push_back({d, sum / 3.0});
    }
  return out;
}

double PsfProfileValue(double d, double amplitude, double width, double background) {
  return amplitude / std::exp(2 * (d / width) * (d / width)) + background;
}
