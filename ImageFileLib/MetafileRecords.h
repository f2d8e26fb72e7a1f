#pragma once
// Windows metafile (WMF, placeable or not) and enhanced metafile (EMF) records
// turned into a list of shapes to draw: outlines as paths (lines, polygons,
// rectangles, ellipses, arcs, Béziers) with the pen and brush that were
// selected, texts with their font, and bitmaps. Palettes resolve palette
// colours. Records outside that set are passed over. The list is plain data:
// a painter elsewhere draws it (the core has no drawing library).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ImageFileLib/LinearBitmap.h"

namespace ImageFile {

struct MetaColour {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const MetaColour&) const = default;
};

// Logical coordinates to picture pixels: X = m11 x + m21 y + dx,
// Y = m12 x + m22 y + dy.
struct MetaTransform {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
  double MapX(double x, double y) const { return m11 * x + m21 * y + dx; }
  double MapY(double x, double y) const { return m12 * x + m22 * y + dy; }
  // `this` applied after `first`.
  MetaTransform After(const MetaTransform& first) const;
  double Determinant() const { return m11 * m22 - m12 * m21; }
};

struct MetaPen {
  int style = 0;        // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none
  double width = 0;     // logical units; 0 draws one pixel wide
  MetaColour colour;
  bool Visible() const { return style != 5; }
};

struct MetaBrush {
  bool none = false;
  int hatch = -1;  // -1 solid; 0-5 the hatch patterns, lines in `colour` on the background
  MetaColour colour{255, 255, 255};
};

struct MetaFont {
  double height = 16;   // logical units; negative: character height, positive: cell height
  double angle = 0;     // tenths of a degree, counter-clockwise
  int weight = 400;
  bool italic = false, underline = false, strike_out = false;
  std::string face;     // UTF-8
};

struct MetaPathStep {
  enum Kind : uint8_t { Move, Line, Cubic, Close };  // Cubic: this and the next two steps' points
  Kind kind;
  double x, y;
};

struct MetaShape {
  enum Kind { Path, Text, Image, Pixel };
  Kind kind = Path;
  MetaTransform transform;
  // Path: drawn with the pen when `stroke`, filled with the brush when `fill`.
  std::vector<MetaPathStep> path;
  bool stroke = false, fill = false, winding = false;
  MetaPen pen;
  MetaBrush brush;
  MetaColour background{255, 255, 255};
  bool opaque_background = true;  // hatches and dashes show the background colour
  // Text at (x, y) with the text alignment flags (TA_*).
  double x = 0, y = 0;
  std::string text;  // UTF-8
  MetaFont font;
  MetaColour text_colour;
  uint32_t align = 0;
  // Image: the source rectangle (top-down rows) into the destination
  // rectangle (x, y, width, height), both before the transform.
  std::shared_ptr<TLinearBitmap> image;  // 24-bit
  int32_t src_x = 0, src_y = 0, src_w = 0, src_h = 0;
  double width = 0, height = 0;
  // Pixel at (x, y) in `text_colour`.
};

struct MetaDrawing {
  int32_t width = 0, height = 0;  // the picture in pixels
  std::vector<MetaShape> shapes;
};

// Reads either kind (the contents decide). Throws "Unsupported file format"
// for what is no metafile or is broken, "Invalid bitmap size" for a picture
// size beyond max_map_bytes.
MetaDrawing ReadMetafile(const std::vector<uint8_t>& data, int64_t max_map_bytes);

// Draws the path and text shapes of `shapes` onto a 24-bit picture. Installed
// by the program; without one, drawings with such shapes are refused.
using MetafilePainter = void (*)(const std::vector<const MetaShape*>& shapes, TLinearBitmap& picture);
void SetMetafilePainter(MetafilePainter painter);
MetafilePainter InstalledMetafilePainter();

}  // namespace ImageFile
