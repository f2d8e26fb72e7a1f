#include "app/Overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "base/NumberText.h"

namespace {

// Drawing positions round to the nearest integer, halves to even.
int Nearest(long double v) {
  if (!std::isfinite(v)) return 0;
  if (v > 1e9L) v = 1e9L;
  if (v < -1e9L) v = -1e9L;
  return static_cast<int>(RoundHalfEven(v));
}

}  // namespace

void PutPixelColor(Bitmap24& bitmap, int x, int y, Bgr colour) { bitmap.Set(x, y, colour); }

std::vector<OutlinePixel> OutlinePixels(const OutlineClassMap& map) {
  constexpr int h = OutlineClassMap::kHalf;
  std::vector<OutlinePixel> out;
  for (int dy = -h; dy <= h; ++dy)
    for (int dx = -h; dx <= h; ++dx) {
      const int32_t c = map.At(dx, dy);
      if (c != 1 && c != 2) continue;
      const bool rim = dx == -h || dx == h || dy == -h || dy == h;
      if (rim || map.At(dx - 1, dy) != c || map.At(dx + 1, dy) != c || map.At(dx, dy - 1) != c ||
          map.At(dx, dy + 1) != c)
        out.push_back({dx, dy, c});
    }
  return out;
}

Bgr ApertureOutlineColour(const ApertureOutlineStyle& s) {
  if (s.Mode == OutlineDisplayMode::Faint) return OverlayRgb(68, 68, 68);
  if (s.BackgroundForm == 3) return s.Selected ? OverlayRgb(204, 204, 204) : OverlayRgb(136, 136, 136);
  return s.Selected ? OverlayRgb(255, 0, 0) : OverlayRgb(128, 0, 0);
}

Bgr BackgroundOutlineColour(const ApertureOutlineStyle& s) {
  if (s.DirectionSettingMode) return OverlayRgb(0, 255, 0);
  const bool faint = s.Mode == OutlineDisplayMode::Faint;
  switch (s.Object) {
    case 2:
      return !s.Selected ? OverlayRgb(136, 136, 0) : faint ? OverlayRgb(51, 51, 0) : OverlayRgb(255, 255, 0);
    case 3:
      return !s.Selected ? OverlayRgb(128, 0, 128) : faint ? OverlayRgb(51, 0, 51) : OverlayRgb(255, 0, 255);
    default:
      return !s.Selected ? OverlayRgb(0, 0, 128) : faint ? OverlayRgb(0, 0, 51) : OverlayRgb(0, 255, 255);
  }
}

void DrawApertureOutlines(const OutlineClassMap& map, const ApertureOutlineStyle& style, int x, int y,
                          Bitmap24& bitmap) {
  if (style.Mode == OutlineDisplayMode::Hide) return;
  const Bgr aperture = ApertureOutlineColour(style);
  const Bgr background = BackgroundOutlineColour(style);
  for (const OutlinePixel& p : OutlinePixels(map)) {
    if (p.Class == 2 && style.BackgroundForm == 3) continue;
    PutPixelColor(bitmap, x + p.Dx, y + p.Dy, p.Class == 1 ? aperture : background);
  }
}

Bitmap24 CopyNeighbourhood(const Bitmap24& frame, int x, int y) {
  constexpr int half = kMagnifierSize / 2;
  Bitmap24 patch(kMagnifierSize, kMagnifierSize);
  for (int j = 0; j < kMagnifierSize; ++j)
    for (int i = 0; i < kMagnifierSize; ++i) patch.Set(i, j, frame.Get(x - half + i, y - half + j));
  return patch;
}

void DrawBkgDirectionLine(Bitmap24& magnifier, int direction_x, int direction_y) {
  constexpr int c = kMagnifierSize / 2;
  const Bgr green = OverlayRgb(0, 255, 0);
  if (direction_x == 0 && direction_y == 0) return;
  // The line is walked along its longer axis. Walked by columns, a steep line
  // is a few scattered dots, and its rows taken from the rounded column miss
  // the ends: a near-vertical direction drew one stray pixel or none.
  const bool steep = std::abs(direction_y) > std::abs(direction_x);
  const int along = steep ? direction_y : direction_x;
  const int across = steep ? direction_x : direction_y;
  const long double s = static_cast<long double>(across) / along;
  const long double d = std::sqrt(s * s + 1);
  int a1 = Nearest(26 / d), a2 = Nearest(50 / d);
  if (along < 0) a1 = -a1, a2 = -a2;
  const int b1 = Nearest(s * a1), b2 = Nearest(s * a2);
  const int from = std::min(a1, a2), to = std::max(a1, a2);
  for (int a = from; a <= to; ++a) {
    const int b = Nearest(b1 + static_cast<long double>(a - a1) * (b2 - b1) / (a2 - a1));
    if (steep)
      PutPixelColor(magnifier, c + b, c + a, green);
    else
      PutPixelColor(magnifier, c + a, c + b, green);
  }
}

MagnifierPatch BuildMagnifier(const Bitmap24& frame, const OutlineClassMap& map, const MagnifierParams& p) {
  constexpr int half = kMagnifierSize / 2;
  Bitmap24 full = CopyNeighbourhood(frame, p.X, p.Y);
  DrawBkgDirectionLine(full, p.DirectionX, p.DirectionY);
  const Bgr aperture = OverlayRgb(255, 0, 0);
  const Bgr background = p.DirectionSettingMode ? OverlayRgb(0, 255, 0) : OverlayRgb(0, 255, 255);
  for (const OutlinePixel& o : OutlinePixels(map))
    PutPixelColor(full, half + o.Dx, half + o.Dy, o.Class == 1 ? aperture : background);

  // Cut at the frame's right and bottom edges.
  int width = kMagnifierSize, height = kMagnifierSize;
  if (p.X >= frame.Width() - half) width = frame.Width() - half - 1 - p.X + kMagnifierSize;
  if (p.Y >= frame.Height() - half) height = frame.Height() - half - 1 - p.Y + kMagnifierSize;
  width = std::max(width, 0);
  height = std::max(height, 0);

  MagnifierPatch patch;
  patch.Left = p.X - half;
  patch.Top = p.Y - half;
  if (width == kMagnifierSize && height == kMagnifierSize) {
    patch.Bitmap = std::move(full);
    return patch;
  }
  patch.Bitmap.Resize(width, height);
  for (int j = 0; j < height; ++j)
    for (int i = 0; i < width; ++i) patch.Bitmap.Set(i, j, full.Get(i, j));
  return patch;
}

void DrawBitmapAt(Bitmap24& canvas, const Bitmap24& source, int left, int top) {
  for (int j = 0; j < source.Height(); ++j)
    for (int i = 0; i < source.Width(); ++i) canvas.Set(left + i, top + j, source.Get(i, j));
}

void DrawMagnifier(Bitmap24& canvas, const Bitmap24& frame, const OutlineClassMap& map, const MagnifierParams& p) {
  MagnifierPatch patch = BuildMagnifier(frame, map, p);
  DrawBitmapAt(canvas, patch.Bitmap, patch.Left, patch.Top);
}

void DrawRectangleOutline(Bitmap24& bitmap, int left, int top, int right, int bottom, Bgr pen) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  if (right == left || bottom == top) return;
  // Clip to the bitmap first so a far-off rectangle costs nothing.
  const int x0 = std::max(left, -1), x1 = std::min(right - 1, bitmap.Width());
  const int y0 = std::max(top, -1), y1 = std::min(bottom - 1, bitmap.Height());
  for (int x = x0; x <= x1; ++x) {
    PutPixelColor(bitmap, x, top, pen);
    PutPixelColor(bitmap, x, bottom - 1, pen);
  }
  for (int y = y0; y <= y1; ++y) {
    PutPixelColor(bitmap, left, y, pen);
    PutPixelColor(bitmap, right - 1, y, pen);
  }
}

void DrawSignal1Marker(Bitmap24& canvas, const Signal1Marker& m) {
  if (!m.SignalMarkersOn) return;
  const int x = m.X - m.ScrollX, y = m.Y - m.ScrollY;
  DrawRectangleOutline(canvas, x - m.HalfX, y - m.HalfY, x + m.HalfX, y + m.HalfY, OverlayRgb(255, 0, 255));
}

void DrawSignal2Marker(Bitmap24& canvas, const Signal2Marker& m) {
  if (!m.SignalMarkersOn) return;
  DrawRectangleOutline(canvas, m.X - 2, m.Y - 2, m.X + 2, m.Y + 2, OverlayRgb(0, 255, 0));
}

void DrawTiviBoxMarkers(Bitmap24& canvas, const TiviBoxMarkers& m) {
  if (m.TimeStampMode != 2) return;
  const Bgr blue = OverlayRgb(0, 0, 255);
  const long double w = 125.0L * (static_cast<long double>(m.TiviBox[0]) - m.TiviBox[2]) / 275;
  const long double h = static_cast<long double>(m.TiviBox[5]) / 2;
  for (int digit = 0; digit < 2; ++digit) {
    const long double cx = m.TiviBox[static_cast<size_t>(2 * digit)];
    const long double cy = m.TiviBox[static_cast<size_t>(2 * digit + 1)];
    DrawRectangleOutline(canvas, Nearest((cx - w) / 10), Nearest((cy - h) / 10), Nearest((cx + w) / 10),
                         Nearest((cy + h) / 10), blue);
  }
  for (const auto& digit : m.SamplePoints)
    for (int i = 0; i < 8; ++i) {
      const auto& pt = digit[static_cast<size_t>(i)];
      DrawRectangleOutline(canvas, pt[0] - 2, pt[1] - 2, pt[0] + 2, pt[1] + 2, blue);
    }
}

void DrawLocatedStampMarkers(Bitmap24& canvas, const LocatedStampMarkers& m) {
  if (m.TimeStampMode != 2) return;
  const Bgr blue = OverlayRgb(0, 0, 255);
  int top = m.LocatedStampRow;
  if (top < 578) top -= 2;
  const int bottom = Nearest(static_cast<long double>(m.LocatedStampRow) + m.StampCharHeight);
  for (double centre : m.DigitCentres)
    DrawRectangleOutline(canvas, Nearest(centre - m.StampCharPitch / 2), top, Nearest(centre + m.StampCharPitch / 2),
                         bottom, blue);
}
