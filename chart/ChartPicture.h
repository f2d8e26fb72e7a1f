#pragma once
// What a chart drawing paints, as a list of plain drawing steps that a window
// replays with its painter (and that tests can inspect without a screen).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Colour numbers written as $00BBGGRR (blue, green, red bytes).
constexpr Rgb RgbFromBgr(uint32_t bgr) {
  return Rgb{static_cast<uint8_t>(bgr & 0xFF), static_cast<uint8_t>((bgr >> 8) & 0xFF),
             static_cast<uint8_t>((bgr >> 16) & 0xFF)};
}

namespace chart_colour {
constexpr Rgb Black{0, 0, 0};
constexpr Rgb White{255, 255, 255};
constexpr Rgb Red{255, 0, 0};
constexpr Rgb Blue{0, 0, 255};
constexpr Rgb Aqua{0, 255, 255};
constexpr Rgb Magenta{255, 0, 255};
constexpr Rgb Navy{0, 0, 128};
constexpr Rgb WindowGreen = RgbFromBgr(0x0055BB22);
}  // namespace chart_colour

enum class DrawKind : uint8_t {
  Line,      // (X1,Y1) to (X2,Y2) in Pen
  Polyline,  // Points[Index .. Index+Count) in Pen
  Ellipse,   // bounding box (X1,Y1,X2,Y2), outline Pen, filled Brush
  Text,      // Texts[Index] with its top-left at (X1,Y1) on an opaque Brush;
             // FollowPrevious: X1 is a gap after the end of the previous text
};

struct DrawOp {
  DrawKind Kind = DrawKind::Line;
  Rgb Pen, Brush = chart_colour::White;
  int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  uint32_t Index = 0, Count = 0;
  uint8_t FontSize = 0;  // 0: the picture's font size
  bool Bold = false;
  bool FollowPrevious = false;
};

struct ChartPicture {
  int Width = 0, Height = 0;
  std::vector<DrawOp> Ops;
  std::vector<std::string> Texts;
  std::vector<std::pair<int, int>> Points;

  void Clear(int width, int height) {
    Width = width;
    Height = height;
    Ops.clear();
    Texts.clear();
    Points.clear();
  }
  void AddLine(int x1, int y1, int x2, int y2, Rgb pen) {
    DrawOp op;
    op.Kind = DrawKind::Line;
    op.Pen = pen;
    op.X1 = x1, op.Y1 = y1, op.X2 = x2, op.Y2 = y2;
    Ops.push_back(op);
  }
  void AddEllipse(int x1, int y1, int x2, int y2, Rgb pen, Rgb brush) {
    DrawOp op;
    op.Kind = DrawKind::Ellipse;
    op.Pen = pen;
    op.Brush = brush;
    op.X1 = x1, op.Y1 = y1, op.X2 = x2, op.Y2 = y2;
    Ops.push_back(op);
  }
  DrawOp& AddText(int x, int y, std::string text, Rgb pen = chart_colour::Black, Rgb brush = chart_colour::White) {
    DrawOp op;
    op.Kind = DrawKind::Text;
    op.Pen = pen;
    op.Brush = brush;
    op.X1 = x, op.Y1 = y;
    op.Index = static_cast<uint32_t>(Texts.size());
    Texts.push_back(std::move(text));
    Ops.push_back(op);
    return Ops.back();
  }
};
