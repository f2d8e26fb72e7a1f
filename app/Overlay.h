#pragma once
// What is drawn over a measured frame: each object's aperture and background
// outlines, the 101 x 101 magnifier around the selected object with its
// background direction line, the LED signal boxes and the time-inserter digit
// boxes. Everything draws on Bitmap24; rectangles (l, t, r, b) cover columns
// l..r-1 and rows t..b-1; writes outside a bitmap are dropped.
#include <array>
#include <cstdint>
#include <vector>

#include "base/Bitmap24.h"

// A colour given as red, green, blue.
constexpr Bgr OverlayRgb(uint8_t r, uint8_t g, uint8_t b) { return Bgr{b, g, r}; }
// A colour given as the number $00BBGGRR (blue in the high byte).
constexpr Bgr BgrFromColorNumber(uint32_t bbggrr) {
  return Bgr{static_cast<uint8_t>(bbggrr >> 16), static_cast<uint8_t>(bbggrr >> 8), static_cast<uint8_t>(bbggrr)};
}

// Writes the colour when (x, y) lies in the bitmap.
void PutPixelColor(Bitmap24& bitmap, int x, int y, Bgr colour);

// One object's pixel classes at offsets -25..25 around its centre:
// 1 aperture, 2 background, 0 none. Offsets outside read as 0.
struct OutlineClassMap {
  static constexpr int kHalf = 25;
  static constexpr int kSize = 2 * kHalf + 1;
  std::array<int32_t, kSize * kSize> Cells{};

  int32_t At(int dx, int dy) const {
    if (dx < -kHalf || dx > kHalf || dy < -kHalf || dy > kHalf) return 0;
    return Cells[static_cast<size_t>((dy + kHalf) * kSize + dx + kHalf)];
  }
  void Set(int dx, int dy, int32_t c) {
    if (dx < -kHalf || dx > kHalf || dy < -kHalf || dy > kHalf) return;
    Cells[static_cast<size_t>((dy + kHalf) * kSize + dx + kHalf)] = c;
  }
};

// The outline map of any class grid with At(dx, dy) covering -25..25 (the
// measuring code's per-object class maps).
template <class ClassGrid>
OutlineClassMap OutlineMapFrom(const ClassGrid& grid) {
  OutlineClassMap m;
  for (int dy = -OutlineClassMap::kHalf; dy <= OutlineClassMap::kHalf; ++dy)
    for (int dx = -OutlineClassMap::kHalf; dx <= OutlineClassMap::kHalf; ++dx) m.Set(dx, dy, grid.At(dx, dy));
  return m;
}

struct OutlinePixel {
  int Dx = 0, Dy = 0;
  int32_t Class = 0;  // 1 or 2
};
// The cells of class 1 or 2 on the map's rim or next (left, right, above,
// below) to a cell of another class, in row order.
std::vector<OutlinePixel> OutlinePixels(const OutlineClassMap& map);

enum class OutlineDisplayMode : uint8_t { Hilight = 0, Faint = 1, Hide = 2 };

struct ApertureOutlineStyle {
  int Object = 1;  // 1 A, 2 B, 3 C
  bool Selected = false;
  OutlineDisplayMode Mode = OutlineDisplayMode::Hilight;
  uint8_t BackgroundForm = 0;  // 3: rectangle aperture, no background outline
  bool DirectionSettingMode = false;
};
// The colours of an object's outlines; Faint and Hilight per selection.
Bgr ApertureOutlineColour(const ApertureOutlineStyle& style);
Bgr BackgroundOutlineColour(const ApertureOutlineStyle& style);

// The outlines of one object centred on (x, y); nothing in mode Hide.
void DrawApertureOutlines(const OutlineClassMap& map, const ApertureOutlineStyle& style, int x, int y,
                          Bitmap24& bitmap);

inline constexpr int kMagnifierSize = 101;

// The 101 x 101 pixels from (x - 50, y - 50); outside the frame black.
Bitmap24 CopyNeighbourhood(const Bitmap24& frame, int x, int y);

// The background direction (dx, dy) as a line from 26 to 50 pixels off the
// centre (50, 50) of a magnifier bitmap, one pixel per column, or per row
// where the line is steeper than 45 degrees; (0, 0) draws nothing.
void DrawBkgDirectionLine(Bitmap24& magnifier, int direction_x, int direction_y);

struct MagnifierParams {
  int X = 0, Y = 0;                        // the object's position in the frame
  int DirectionX = 0, DirectionY = 0;      // its background direction
  bool DirectionSettingMode = false;
};
struct MagnifierPatch {
  Bitmap24 Bitmap;  // cut at the frame's right and bottom edges
  int Left = 0, Top = 0;
};
// The patch of the selected object: its neighbourhood, direction line and
// outlines (always drawn, whatever the display mode).
MagnifierPatch BuildMagnifier(const Bitmap24& frame, const OutlineClassMap& map, const MagnifierParams& p);
// Copies a bitmap onto a canvas with its top-left corner at (left, top).
void DrawBitmapAt(Bitmap24& canvas, const Bitmap24& source, int left, int top);
// BuildMagnifier, then drawn on the canvas (which may be the frame itself).
void DrawMagnifier(Bitmap24& canvas, const Bitmap24& frame, const OutlineClassMap& map, const MagnifierParams& p);

// The outline of the rectangle (l, t, r, b); swapped corners are put in order.
void DrawRectangleOutline(Bitmap24& bitmap, int left, int top, int right, int bottom, Bgr pen);

struct Signal1Marker {
  bool SignalMarkersOn = false;
  int X = 0, Y = 0;          // Signal1X, Signal1Y
  int HalfX = 2, HalfY = 2;  // the half box
  int ScrollX = 0, ScrollY = 0;
};
void DrawSignal1Marker(Bitmap24& canvas, const Signal1Marker& m);

struct Signal2Marker {
  bool SignalMarkersOn = false;
  int X = 0, Y = 0;  // Signal2X, Signal2Y
};
void DrawSignal2Marker(Bitmap24& canvas, const Signal2Marker& m);

struct TiviBoxMarkers {
  int TimeStampMode = 0;  // drawn only for 2 (GHS)
  // In tenths of a pixel: digit-1 centre x, y, digit-2 centre x, y, unused, digit height.
  std::array<int32_t, 6> TiviBox{};
  // Nine sample points per digit, digit 1 then digit 2 (image pixels).
  std::array<std::array<std::array<int32_t, 2>, 9>, 2> SamplePoints{};
};
void DrawTiviBoxMarkers(Bitmap24& canvas, const TiviBoxMarkers& m);

struct LocatedStampMarkers {
  int TimeStampMode = 0;  // drawn only for 2 (GHS)
  std::array<double, 9> DigitCentres{};
  int32_t LocatedStampRow = 0;
  double StampCharPitch = 0;
  double StampCharHeight = 0;
};
void DrawLocatedStampMarkers(Bitmap24& canvas, const LocatedStampMarkers& m);
