#include "measure/RadialProfile.h"

#include <cmath>

std::vector<RadialPoint> RadialProfile(const Bitmap24& frame, int x, int y, int radius) {
  std::vector<RadialPoint> out;
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx) {
      const double d = std::sqrt(double(dx * dx + dy * dy));
      if (d > radius || !frame.Contains(x + dx, y + dy)) continue;
      const Bgr c = frame.Get(x + dx, y + dy);
      out.push_back({d, (c.b + c.g + c.r) / 3.0});
    }
  return out;
}

double RingMean(const std::vector<RadialPoint>& points, double inner, double outer) {
  double sum = 0;
  int n = 0;
  for (const RadialPoint& p : points)
    if (p.Distance > inner && p.Distance <= outer) {
      sum += p.Value;
      ++n;
    }
  return n ? sum / n : 0;
}

double PsfProfileValue(double d, double amplitude, double width, double background) {
  return amplitude / std::exp(2 * (d / width) * (d / width)) + background;
}
