#include "measure/ApertureMasks.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/NumberText.h"

namespace {

// Half-heights of the digital disk's columns 0..r (column 0 has r).
template <class Fn>
void ForDiskCells(int r, Fn&& put) {
  if (r < 0) return;
  for (int dy = -r; dy <= r; ++dy) put(0, dy);
  for (int i = 1; i <= r; ++i) {
    const long double rr = static_cast<long double>(r) * r - (i - 0.5L) * (i - 0.5L);
    const int h = static_cast<int>(RoundHalfEven(std::sqrt(rr)));
    for (int dy = -h; dy <= h; ++dy) {
      put(i, dy);
      put(-i, dy);
    }
  }
}

bool InReach(int dx, int dy) {
  return dx >= -kMaskReach && dx <= kMaskReach && dy >= -kMaskReach && dy <= kMaskReach;
}

}  // namespace

void ClearApertureClasses(ApertureClasses& map) {
  for (int dx = -kMaskReach; dx <= kMaskReach; ++dx)
    for (int dy = -kMaskReach; dy <= kMaskReach; ++dy) map.At(dx, dy) = 0;
}

void DrawClassDisk(ApertureClasses& map, int r, int32_t c) {
  ForDiskCells(r, [&](int dx, int dy) {
    if (InReach(dx, dy)) map.At(dx, dy) = c;
  });
}

void BuildRectangleClasses(ApertureClasses& map, int width, int height) {
  // Integer division truncates toward zero, as the layout rule is written.
  const int u_lo = -(width / 2), u_hi = (width - 1) / 2;
  const int v_lo = -((height - 1) / 2), v_hi = height / 2;
  for (int u = -kMaskReach; u <= kMaskReach; ++u)
    for (int v = -kMaskReach; v <= kMaskReach; ++v)
      map.At(u, v) = (u >= u_lo && u <= u_hi && v >= v_lo && v <= v_hi) ? 1 : 2;
}

void ComputeBkgLineGeometry(BkgLineGeometry& g, int gap, int width) {
  const double dx = g.DirectionX, dy = g.DirectionY;
  if (g.DirectionX != 0) {
    const double sg = g.DirectionX > 0 ? gap : -gap;
    g.Slope = dy / dx;
    g.GapOffset = std::sqrt(g.Slope * g.Slope + 1) * sg;
  } else {
    g.Slope = 1e6;
    g.GapOffset = g.DirectionY >= 0 ? -gap : gap;
  }
  if (g.DirectionY != 0) {
    const double w = g.DirectionX > 0 ? width : -width;
    g.PerpSlope = -1 / g.Slope;
    g.WidthOffset = std::sqrt(g.Slope * g.Slope + 1) * w * g.PerpSlope;
  } else {
    g.PerpSlope = 1e6;
    g.WidthOffset = 1.0;
  }
}

namespace {

template <class Fn>
void ForBackgroundCells(ApertureClasses& map, Fn&& remove_if) {
  for (int u = -kMaskReach; u <= kMaskReach; ++u)
    for (int v = -kMaskReach; v <= kMaskReach; ++v) {
      int32_t& cell = map.At(u, v);
      if (cell == 2 && remove_if(u, v)) cell = 0;
    }
}

std::pair<double, double> Sorted(double a, double b) {
  if (a > b) std::swap(a, b);
  return {a, b};
}

}  // namespace

void CutSunlitFace(ApertureClasses& map, const BkgLineGeometry& g, const MaskSettings& s) {
  const int gap = s.Gap, width = s.Width;
  ForBackgroundCells(map, [&](int u, int v) {
    if (g.DirectionX != 0) {
      const double line = u * g.Slope + g.GapOffset;
      return g.DirectionX > 0 ? v > line : v < line;
    }
    return (g.DirectionY < 0 && u > gap) || (g.DirectionY >= 0 && u < -gap);
  });
  ForBackgroundCells(map, [&](int u, int v) {
    if (g.DirectionY != 0) {
      auto [a, b] = Sorted(u * g.PerpSlope + g.WidthOffset, u * g.PerpSlope - g.WidthOffset);
      return (s.CutBkgUpperSide && v < a) || (s.CutBkgLowerSide && v > b);
    }
    return u < -width || u > width;
  });
}

void CutLunarLimb(ApertureClasses& map, const BkgLineGeometry& g, const MaskSettings& s) {
  if (s.BackgroundOuter < s.Gap) return;
  const int gap = s.Gap, width = s.Width;
  ForBackgroundCells(map, [&](int u, int v) {
    if (g.DirectionX != 0) {
      auto [a, b] = Sorted(u * g.Slope + g.GapOffset, u * g.Slope - g.GapOffset);
      return a < v && v < b;
    }
    return -gap < u && u < gap;
  });
  ForBackgroundCells(map, [&](int u, int v) {
    if (g.DirectionY != 0) {
      auto [a, b] = Sorted(u * g.PerpSlope + g.WidthOffset, u * g.PerpSlope - g.WidthOffset);
      return !(a <= v && v <= b);
    }
    return !(-width <= u && u <= width);
  });
}

void BuildObjectMasks(ApertureClasses& map, BkgLineGeometry& geom, const MaskSettings& s) {
  if (s.BackgroundForm == 3) {
    BuildRectangleClasses(map, s.RectangleWidth, s.RectangleHeight);
    return;
  }
  ComputeBkgLineGeometry(geom, s.Gap, s.Width);
  ClearApertureClasses(map);
  DrawClassDisk(map, s.BackgroundOuter, 2);
  DrawClassDisk(map, s.BackgroundInner - 1, 0);
  DrawClassDisk(map, s.ApertureRadius, 1);
  if (s.BackgroundForm == 1) CutSunlitFace(map, geom, s);
  if (s.BackgroundForm == 2) CutLunarLimb(map, geom, s);
}

int CountClassCells(const ApertureClasses& map, int32_t c) {
  int n = 0;
  for (int dx = -kMaskReach; dx <= kMaskReach; ++dx)
    for (int dy = -kMaskReach; dy <= kMaskReach; ++dy) n += map.At(dx, dy) == c ? 1 : 0;
  return n;
}

void ClearTrackMask(TrackDisk& mask) { mask.Cells.fill(0); }

void BuildTrackMask(TrackDisk& mask, int r, int32_t v) {
  ForDiskCells(r, [&](int dx, int dy) {
    if (InReach(dx, dy)) mask.At(dx, dy) = v;
  });
  mask.At(0, 0) = 1;
}

RadiusRanges LimitApertureRadii(int aperture, int inner, int outer) {
  RadiusRanges r{};
  r.ApertureMin = 0;
  r.ApertureMax = inner - 1;
  r.InnerMin = aperture + 1;
  r.InnerMax = outer;
  r.OuterMin = inner;
  r.OuterMax = 25;
  return r;
}
