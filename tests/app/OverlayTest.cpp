#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <string>
#include <vector>

#include "app/Overlay.h"

namespace {

const Bgr kBlack{};
const Bgr kRed = OverlayRgb(255, 0, 0);
const Bgr kGreen = OverlayRgb(0, 255, 0);
const Bgr kCyan = OverlayRgb(0, 255, 255);
const Bgr kBlue = OverlayRgb(0, 0, 255);
const Bgr kMagenta = OverlayRgb(255, 0, 255);

struct BgrLess {
  bool operator()(const Bgr& a, const Bgr& b) const { return std::tie(a.b, a.g, a.r) < std::tie(b.b, b.g, b.r); }
};
using Legend = std::map<Bgr, char, BgrLess>;

// The bitmap as text rows: '.' black, the legend's letter for its colours,
// '?' for any other colour.
std::string Render(const Bitmap24& bmp, const Legend& legend) {
  std::string s;
  for (int y = 0; y < bmp.Height(); ++y) {
    for (int x = 0; x < bmp.Width(); ++x) {
      Bgr c = bmp.Get(x, y);
      auto it = legend.find(c);
      s += c == kBlack ? '.' : it != legend.end() ? it->second : '?';
    }
    s += '\n';
  }
  return s;
}

std::string Rows(std::initializer_list<const char*> rows) {
  std::string s;
  for (const char* r : rows) s += std::string(r) + "\n";
  return s;
}

int CountColour(const Bitmap24& bmp, Bgr c) {
  int n = 0;
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) n += bmp.Get(x, y) == c;
  return n;
}

// Aperture: the 3 x 3 square; background: the square ring 2..3 around it.
OutlineClassMap SquareRings() {
  OutlineClassMap m;
  for (int dy = -3; dy <= 3; ++dy)
    for (int dx = -3; dx <= 3; ++dx) m.Set(dx, dy, std::max(std::abs(dx), std::abs(dy)) <= 1 ? 1 : 2);
  return m;
}

// A frame whose every pixel tells where it is.
Bitmap24 PatternFrame(int w, int h) {
  Bitmap24 f(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      f.Set(x, y, Bgr{static_cast<uint8_t>(x % 251), static_cast<uint8_t>(y % 241), static_cast<uint8_t>(1 + (x / 251) + 3 * (y / 241))});
  return f;
}

TEST(OverlayColours, NumbersAreBlueGreenRed) {
  Bgr c = BgrFromColorNumber(0x00FF8040u);
  EXPECT_EQ(c.b, 0xFF);
  EXPECT_EQ(c.g, 0x80);
  EXPECT_EQ(c.r, 0x40);
  EXPECT_EQ(OverlayRgb(1, 2, 3), (Bgr{3, 2, 1}));
  EXPECT_EQ(BgrFromColorNumber(0x00FFFF00u), OverlayRgb(0, 255, 255));
}

TEST(ApertureOutlines, OnlyBorderCellsAreDrawn) {
  Bitmap24 b(9, 9);
  ApertureOutlineStyle s;
  s.Object = 1;
  s.Selected = true;
  DrawApertureOutlines(SquareRings(), s, 4, 4, b);
  EXPECT_EQ(Render(b, {{kRed, 'A'}, {kCyan, 'B'}}), Rows({
                                                         ".........",
                                                         ".BBBBBBB.",
                                                         ".B.BBB.B.",
                                                         ".BBAAABB.",
                                                         ".BBA.ABB.",
                                                         ".BBAAABB.",
                                                         ".B.BBB.B.",
                                                         ".BBBBBBB.",
                                                         ".........",
                                                     }));
}

TEST(ApertureOutlines, ColoursPerObjectModeAndSelection) {
  using M = OutlineDisplayMode;
  struct Case {
    const char* name;
    int object;
    bool selected;
    M mode;
    int form;
    bool direction_setting;
    Bgr aperture, background;
  } cases[] = {
      {"A selected", 1, true, M::Hilight, 0, false, OverlayRgb(255, 0, 0), OverlayRgb(0, 255, 255)},
      {"A selected faint", 1, true, M::Faint, 0, false, OverlayRgb(68, 68, 68), OverlayRgb(0, 0, 51)},
      {"A other", 1, false, M::Hilight, 2, false, OverlayRgb(128, 0, 0), OverlayRgb(0, 0, 128)},
      {"A other faint", 1, false, M::Faint, 1, false, OverlayRgb(68, 68, 68), OverlayRgb(0, 0, 128)},
      {"B selected", 2, true, M::Hilight, 0, false, OverlayRgb(255, 0, 0), OverlayRgb(255, 255, 0)},
      {"B selected faint", 2, true, M::Faint, 0, false, OverlayRgb(68, 68, 68), OverlayRgb(51, 51, 0)},
      {"B other", 2, false, M::Hilight, 0, false, OverlayRgb(128, 0, 0), OverlayRgb(136, 136, 0)},
      {"C selected", 3, true, M::Hilight, 0, false, OverlayRgb(255, 0, 0), OverlayRgb(255, 0, 255)},
      {"C selected faint", 3, true, M::Faint, 0, false, OverlayRgb(68, 68, 68), OverlayRgb(51, 0, 51)},
      {"C other", 3, false, M::Faint, 0, false, OverlayRgb(68, 68, 68), OverlayRgb(128, 0, 128)},
      {"rectangle selected", 1, true, M::Hilight, 3, false, OverlayRgb(204, 204, 204), OverlayRgb(0, 255, 255)},
      {"rectangle other", 2, false, M::Hilight, 3, false, OverlayRgb(136, 136, 136), OverlayRgb(136, 136, 0)},
      {"rectangle faint", 2, true, M::Faint, 3, false, OverlayRgb(68, 68, 68), OverlayRgb(51, 51, 0)},
      {"direction setting", 3, false, M::Faint, 0, true, OverlayRgb(68, 68, 68), OverlayRgb(0, 255, 0)},
  };
  for (const auto& c : cases) {
    ApertureOutlineStyle s{c.object, c.selected, c.mode, static_cast<uint8_t>(c.form), c.direction_setting};
    EXPECT_EQ(ApertureOutlineColour(s), c.aperture) << c.name;
    EXPECT_EQ(BackgroundOutlineColour(s), c.background) << c.name;
  }
}

TEST(ApertureOutlines, HideDrawsNothingAndRectangleHasNoBackgroundOutline) {
  Bitmap24 b(9, 9);
  ApertureOutlineStyle s;
  s.Selected = true;
  s.Mode = OutlineDisplayMode::Hide;
  DrawApertureOutlines(SquareRings(), s, 4, 4, b);
  EXPECT_TRUE(b == Bitmap24(9, 9));

  s.Mode = OutlineDisplayMode::Hilight;
  s.BackgroundForm = 3;
  DrawApertureOutlines(SquareRings(), s, 4, 4, b);
  const Bgr light = OverlayRgb(204, 204, 204);
  EXPECT_EQ(Render(b, {{light, 'A'}}), Rows({
                                           ".........",
                                           ".........",
                                           ".........",
                                           "...AAA...",
                                           "...A.A...",
                                           "...AAA...",
                                           ".........",
                                           ".........",
                                           ".........",
                                       }));
}

// Direction lines, offsets from the centre (50, 50) worked out by hand.
TEST(BkgDirectionLine, PixelsOfEachDirection) {
  struct Case {
    const char* name;
    int dx, dy;
    std::vector<std::pair<int, int>> pixels;  // offsets from the centre
  } cases[] = {
      {"right", 500, 0, {}},
      {"left", -500, 0, {}},
      {"down (dx 0)", 0, 500, {}},
      {"up (dx 0)", 0, -500, {}},
      {"diagonal", 500, 500, {}},
      // Steeper than 45 degrees: one pixel per row (from Python).
      {"60 degrees", 250, 433,
       {{13, 23}, {14, 24}, {14, 25}, {15, 26}, {15, 27}, {16, 28}, {17, 29}, {17, 30}, {18, 31}, {18, 32}, {19, 33},
        {20, 34}, {20, 35}, {21, 36}, {21, 37}, {22, 38}, {23, 39}, {23, 40}, {24, 41}, {24, 42}, {25, 43}}},
  };
  for (int i = 26; i <= 50; ++i) {
    cases[0].pixels.push_back({i, 0});
    cases[1].pixels.push_back({-i, 0});
    cases[2].pixels.push_back({0, i});
    cases[3].pixels.push_back({0, -i});
  }
  for (int i = 18; i <= 35; ++i) cases[4].pixels.push_back({i, i});  // 26/sqrt2 = 18.4, 50/sqrt2 = 35.4
  for (const auto& c : cases) {
    Bitmap24 got(kMagnifierSize, kMagnifierSize);
    DrawBkgDirectionLine(got, c.dx, c.dy);
    Bitmap24 want(kMagnifierSize, kMagnifierSize);
    for (auto [x, y] : c.pixels) want.Set(50 + x, 50 + y, kGreen);
    EXPECT_EQ(Render(got, {{kGreen, 'G'}}), Render(want, {{kGreen, 'G'}})) << c.name;
  }
}

// Whatever the direction, the line is an unbroken run of pixels on the ray
// from the centre towards (dx, dy), from about 26 to about 50 pixels out.
// Near-vertical directions (the mouse a pixel or two off the centre's
// column) once drew a stray pixel or nothing.
TEST(BkgDirectionLine, UnbrokenAlongTheRayInEveryDirection) {
  const std::pair<int, int> directions[] = {{1, -40},  {-1, 40},   {5, -500}, {20, 500}, {-3, 200},
                                            {40, 1},   {-500, 17}, {250, 433}, {433, -250}, {7, 7},
                                            {-9, -23}, {2, -1},    {1, 1000}, {-1000, -1}, {13, 60}};
  for (auto [dx, dy] : directions) {
    Bitmap24 got(kMagnifierSize, kMagnifierSize);
    DrawBkgDirectionLine(got, dx, dy);
    const double len = std::hypot(dx, dy);
    std::vector<std::pair<double, std::pair<int, int>>> along;  // distance along the ray, pixel
    for (int y = 0; y < kMagnifierSize; ++y)
      for (int x = 0; x < kMagnifierSize; ++x) {
        if (got.Get(x, y) != kGreen) continue;
        const double px = x - 50, py = y - 50;
        EXPECT_LE(std::abs(px * dy - py * dx) / len, 1.0) << dx << "," << dy << " pixel off the ray " << px << "," << py;
        along.push_back({(px * dx + py * dy) / len, {x, y}});
      }
    std::sort(along.begin(), along.end());
    ASSERT_GE(along.size(), 18u) << dx << "," << dy;
    EXPECT_NEAR(along.front().first, 26, 1.0) << dx << "," << dy;
    EXPECT_NEAR(along.back().first, 50, 1.0) << dx << "," << dy;
    for (size_t i = 1; i < along.size(); ++i) {
      const auto [x0, y0] = along[i - 1].second;
      const auto [x1, y1] = along[i].second;
      EXPECT_LE(std::max(std::abs(x1 - x0), std::abs(y1 - y0)), 1) << dx << "," << dy << " gap after " << x0 << "," << y0;
    }
  }
}

TEST(Magnifier, CopiesTheNeighbourhoodBlackOutside) {
  Bitmap24 frame = PatternFrame(200, 150);
  Bitmap24 n = CopyNeighbourhood(frame, 10, 140);
  ASSERT_EQ(n.Width(), 101);
  ASSERT_EQ(n.Height(), 101);
  for (int j = 0; j < 101; ++j)
    for (int i = 0; i < 101; ++i) {
      int x = 10 - 50 + i, y = 140 - 50 + j;
      Bgr want = x >= 0 && y < 150 ? frame.Get(x, y) : kBlack;
      ASSERT_EQ(n.Get(i, j), want) << i << "," << j;
    }
}

TEST(Magnifier, DrawsPatchLineAndOutlinesOnTheCanvas) {
  const Bitmap24 frame = PatternFrame(300, 200);
  Bitmap24 canvas = frame;
  OutlineClassMap m;
  m.Set(0, 0, 1);   // a lone aperture cell
  m.Set(30, 0, 2);  // off the map: ignored
  m.Set(-3, 0, 2);  // a lone background cell, left of the centre
  const int x = 120, y = 90;
  DrawMagnifier(canvas, frame, m, {x, y, 500, 0, false});
  for (int yy = 0; yy < 200; ++yy)
    for (int xx = 0; xx < 300; ++xx) {
      Bgr want = frame.Get(xx, yy);
      if (xx == x && yy == y) want = kRed;
      if (xx == x - 3 && yy == y) want = kCyan;
      if (yy == y && xx >= x + 26 && xx <= x + 50) want = kGreen;
      ASSERT_EQ(canvas.Get(xx, yy), want) << xx << "," << yy;
    }

  // In direction-setting mode the background outline turns green; the line is
  // drawn first, so an outline cell on the diagonal line keeps its colour.
  canvas = frame;
  m.Set(20, 20, 1);
  DrawMagnifier(canvas, frame, m, {x, y, 500, 500, true});
  EXPECT_EQ(canvas.Get(x - 3, y), kGreen);
  EXPECT_EQ(canvas.Get(x + 20, y + 20), kRed);
  EXPECT_EQ(canvas.Get(x + 19, y + 19), kGreen);
  EXPECT_EQ(canvas.Get(x + 21, y + 21), kGreen);
  EXPECT_EQ(canvas.Get(x + 17, y + 17), frame.Get(x + 17, y + 17));
}

TEST(Markers, RectangleCoversLeftToRightLessOne) {
  const std::string want = Rows({
      ".......",
      ".XXXX..",
      ".X..X..",
      ".XXXX..",
      ".......",
      ".......",
  });
  Bitmap24 b(7, 6);
  DrawRectangleOutline(b, 1, 1, 5, 4, kRed);
  EXPECT_EQ(Render(b, {{kRed, 'X'}}), want);
  Bitmap24 swapped(7, 6);
  DrawRectangleOutline(swapped, 5, 4, 1, 1, kRed);
  EXPECT_EQ(Render(swapped, {{kRed, 'X'}}), want);
  Bitmap24 empty(7, 6);
  DrawRectangleOutline(empty, 2, 2, 2, 5, kRed);
  DrawRectangleOutline(empty, -1000000, -1000000, 1000000, 1000000, kRed);
  EXPECT_EQ(CountColour(empty, kRed), 0);
}

}  // namespace
