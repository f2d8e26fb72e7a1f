#include <gtest/gtest.h>

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

TEST(OverlayPixels, WritesOutsideTheBitmapAreDropped) {
  Bitmap24 b(4, 3);
  const Bitmap24 before = b;
  for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {100000, 5}, {-100000, -7}})
    PutPixelColor(b, x, y, kRed);
  EXPECT_TRUE(b == before);
  PutPixelColor(b, 3, 2, kRed);
  EXPECT_EQ(b.Get(3, 2), kRed);
  EXPECT_EQ(b.Row(2)[9], 0);    // blue byte
  EXPECT_EQ(b.Row(2)[11], 255);  // red byte
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

TEST(ApertureOutlines, MapRimCountsAsBorder) {
  OutlineClassMap m;
  for (int dy = -25; dy <= 25; ++dy)
    for (int dx = -25; dx <= 25; ++dx) m.Set(dx, dy, 2);
  auto px = OutlinePixels(m);
  EXPECT_EQ(px.size(), 200u);
  for (const auto& p : px) EXPECT_TRUE(std::abs(p.Dx) == 25 || std::abs(p.Dy) == 25);

  // Drawn near a corner, only what falls inside appears.
  Bitmap24 b(30, 30);
  ApertureOutlineStyle s;
  s.Object = 2;
  DrawApertureOutlines(m, s, 2, 2, b);
  const Bgr b_unselected = OverlayRgb(136, 136, 0);
  EXPECT_EQ(CountColour(b, b_unselected), 2 * 28 - 1);  // row 27 and column 27, x/y in 0..27
  EXPECT_EQ(b.Get(27, 0), b_unselected);
  EXPECT_EQ(b.Get(0, 27), b_unselected);
  EXPECT_EQ(b.Get(26, 26), kBlack);
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
      {"60 degrees", 250, 433,
       {{13, 23}, {14, 25}, {15, 26}, {16, 28}, {17, 30}, {18, 31}, {19, 33}, {20, 35}, {21, 36}, {22, 38},
        {23, 40}, {24, 41}, {25, 43}}},
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

TEST(BkgDirectionLine, EndsRoundHalvesToEven) {
  // dx 2, dy 1: x1 = 23, x2 = 45; y1 = N(11.5) = 12, y2 = N(22.5) = 22.
  Bitmap24 b(kMagnifierSize, kMagnifierSize);
  DrawBkgDirectionLine(b, 2, 1);
  EXPECT_EQ(b.Get(50 + 23, 50 + 12), kGreen);
  EXPECT_EQ(b.Get(50 + 45, 50 + 22), kGreen);
  EXPECT_EQ(b.Get(50 + 45, 50 + 23), kBlack);
  EXPECT_EQ(CountColour(b, kGreen), 45 - 23 + 1);
}

TEST(BkgDirectionLine, NoDirectionDrawsNothing) {
  Bitmap24 b(kMagnifierSize, kMagnifierSize);
  DrawBkgDirectionLine(b, 0, 0);
  EXPECT_EQ(CountColour(b, kGreen), 0);
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

TEST(Magnifier, CutAtTheRightAndBottomEdges) {
  struct Case {
    int x, y, width, height;
  } cases[] = {{669, 100, 101, 101}, {670, 100, 100, 101}, {699, 100, 71, 101}, {719, 429, 51, 101},
               {360, 430, 101, 100}, {700, 479, 70, 51},   {30, 20, 101, 101}};
  Bitmap24 frame(720, 480);
  OutlineClassMap m;
  for (const auto& c : cases) {
    MagnifierPatch p = BuildMagnifier(frame, m, {c.x, c.y, 0, 0, false});
    EXPECT_EQ(p.Bitmap.Width(), c.width) << c.x;
    EXPECT_EQ(p.Bitmap.Height(), c.height) << c.y;
    EXPECT_EQ(p.Left, c.x - 50);
    EXPECT_EQ(p.Top, c.y - 50);
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

TEST(Magnifier, ShowsOutlinesWhenTheDisplayModeHidesThem) {
  Bitmap24 frame(120, 120);
  ApertureOutlineStyle s;
  s.Selected = true;
  s.Mode = OutlineDisplayMode::Hide;
  DrawApertureOutlines(SquareRings(), s, 60, 60, frame);
  EXPECT_EQ(CountColour(frame, kRed), 0);
  DrawMagnifier(frame, frame, SquareRings(), {60, 60, 0, 0, false});
  EXPECT_EQ(CountColour(frame, kRed), 8);
  EXPECT_EQ(CountColour(frame, kCyan), 36);
}

TEST(Magnifier, CutPatchCoversTheFrameExactly) {
  const Bitmap24 frame = PatternFrame(160, 120);
  Bitmap24 canvas(160, 120);
  DrawMagnifier(canvas, frame, OutlineClassMap{}, {150, 110, 0, 0, false});
  for (int yy = 0; yy < 120; ++yy)
    for (int xx = 0; xx < 160; ++xx) {
      Bgr want = xx >= 100 && yy >= 60 ? frame.Get(xx, yy) : kBlack;
      ASSERT_EQ(canvas.Get(xx, yy), want) << xx << "," << yy;
    }
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

TEST(Markers, SignalBoxes) {
  Bitmap24 b(14, 14);
  DrawSignal1Marker(b, {false, 10, 10, 2, 2, 3, 4});
  DrawSignal2Marker(b, {false, 5, 5});
  EXPECT_TRUE(b == Bitmap24(14, 14));

  DrawSignal1Marker(b, {true, 10, 10, 2, 2, 3, 4});  // (5, 4) .. (9, 8)
  DrawSignal2Marker(b, {true, 10, 10});               // (8, 8) .. (12, 12)
  EXPECT_EQ(Render(b, {{kMagenta, 'M'}, {kGreen, 'G'}}), Rows({
                                                            "..............",
                                                            "..............",
                                                            "..............",
                                                            "..............",
                                                            ".....MMMM.....",
                                                            ".....M..M.....",
                                                            ".....M..M.....",
                                                            ".....MMMM.....",
                                                            "........GGGG..",
                                                            "........G..G..",
                                                            "........G..G..",
                                                            "........GGGG..",
                                                            "..............",
                                                            "..............",
                                                        }));
}

TEST(Markers, TiviDigitBoxesAndSamplePoints) {
  TiviBoxMarkers m;
  m.TimeStampMode = 2;
  // Digit centres (100.0, 50.0) and (127.5, 50.0), height 18.0 pixels.
  m.TiviBox = {1000, 500, 1275, 500, 0, 180};
  for (int d = 0; d < 2; ++d)
    for (int i = 0; i < 9; ++i) m.SamplePoints[static_cast<size_t>(d)][static_cast<size_t>(i)] = {20 + 10 * i, 100 + 20 * d};
  Bitmap24 got(200, 150);
  DrawTiviBoxMarkers(got, m);

  // w = 125 (127.5 - 100) / 27.5 = -12.5 px, h = 9 px: digit 1 spans
  // N(112.5) = 112 and N(87.5) = 88, digit 2 N(140) and N(115); rows 41..58.
  Bitmap24 want(200, 150);
  DrawRectangleOutline(want, 88, 41, 112, 59, kBlue);
  DrawRectangleOutline(want, 115, 41, 140, 59, kBlue);
  for (int d = 0; d < 2; ++d)
    for (int i = 0; i < 8; ++i) DrawRectangleOutline(want, 18 + 10 * i, 98 + 20 * d, 22 + 10 * i, 102 + 20 * d, kBlue);
  EXPECT_TRUE(got == want);
  EXPECT_EQ(got.Get(88, 41), kBlue);
  EXPECT_EQ(got.Get(111, 58), kBlue);
  EXPECT_EQ(got.Get(112, 41), kBlack);
  EXPECT_EQ(got.Get(98, 98), kBlack);  // the ninth sample point is not drawn

  Bitmap24 other(200, 150);
  m.TimeStampMode = 0;
  DrawTiviBoxMarkers(other, m);
  EXPECT_TRUE(other == Bitmap24(200, 150));
}

TEST(Markers, LocatedStampCharacters) {
  LocatedStampMarkers m;
  m.TimeStampMode = 2;
  for (int i = 0; i < 9; ++i) m.DigitCentres[static_cast<size_t>(i)] = 30.5 + 21 * i;
  m.StampCharPitch = 20.0;
  m.StampCharHeight = 27.5;
  m.LocatedStampRow = 435;
  Bitmap24 got(240, 480);
  DrawLocatedStampMarkers(got, m);
  Bitmap24 want(240, 480);
  // Row 435 is above 578: the boxes start 2 rows higher; bottom N(462.5) = 462.
  const int lefts[9] = {20, 42, 62, 84, 104, 126, 146, 168, 188};  // N(20.5 + 21 i), halves to even
  for (int i = 0; i < 9; ++i) DrawRectangleOutline(want, lefts[i], 433, lefts[i] + 20, 462, kBlue);
  EXPECT_TRUE(got == want);

  m.LocatedStampRow = 600;
  m.StampCharHeight = 28;
  Bitmap24 low(240, 640), low_want(240, 640);
  DrawLocatedStampMarkers(low, m);
  for (int i = 0; i < 9; ++i) DrawRectangleOutline(low_want, lefts[i], 600, lefts[i] + 20, 628, kBlue);
  EXPECT_TRUE(low == low_want);

  m.TimeStampMode = 1;
  Bitmap24 none(240, 640);
  DrawLocatedStampMarkers(none, m);
  EXPECT_TRUE(none == Bitmap24(240, 640));
}

}  // namespace
