#include "StampRender.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <sstream>
#include <string>

namespace {

// The cell grid as text: cell | variant 0 dx, row, run | variant 1 | variant 2.
constexpr const char* kCellText = R"(
| 0 | -9, 0, 4 | -9, 0, 4 | -10, 0, 4 |
| 1 | -10, 1, 4 | -9, 1, 4 | -10, 1, 4 |
| 2 | -12, 2, 4 | -9, 2, 4 | -10, 2, 4 |
| 3 | -14, 3, 4 | -9, 3, 4 | -10, 3, 4 |
| 4 | -15, 4, 4 | -9, 4, 4 | -10, 4, 4 |
| 5 | -17, 5, 4 | -9, 5, 4 | -10, 5, 4 |
| 6 | -19, 6, 4 | -9, 6, 4 | -10, 6, 4 |
| 7 | 6, 0, 4 | 5, 0, 4 | 7, 0, 4 |
| 8 | 4, 1, 4 | 5, 1, 4 | 7, 1, 4 |
| 9 | 2, 2, 4 | 5, 2, 4 | 7, 2, 4 |
| 10 | 0, 3, 4 | 5, 3, 4 | 7, 3, 4 |
| 11 | -2, 4, 4 | 5, 4, 4 | 7, 4, 4 |
| 12 | -4, 5, 4 | 5, 5, 4 | 7, 5, 4 |
| 13 | -5, 6, 4 | 5, 6, 4 | 7, 6, 4 |
| 14 | -5, 0, 10 | -5, 0, 10 | -6, 0, 13 |
| 15 | -6, 1, 10 | -5, 1, 10 | -6, 1, 13 |
| 16 | -8, 2, 10 | -5, 2, 10 | -6, 2, 13 |
| 17 | -10, 3, 10 | -5, 3, 10 | -6, 3, 13 |
| 18 | -11, 4, 10 | -5, 4, 10 | -6, 4, 13 |
| 19 | -13, 5, 10 | -5, 5, 10 | -6, 5, 13 |
| 20 | -15, 6, 10 | -5, 6, 10 | -6, 6, 13 |
| 21 | -2, 0, 5 | -1, 0, 5 | -2, 0, 4 |
| 22 | -7, 1, 9 | -4, 1, 7 | -8, 1, 10 |
| 23 | -5, 2, 4 | -1, 2, 4 | -2, 2, 4 |
| 24 | -7, 3, 4 | -1, 3, 4 | -2, 3, 4 |
| 25 | -9, 4, 5 | -1, 4, 4 | -2, 4, 4 |
| 26 | -11, 5, 5 | -1, 5, 4 | -2, 5, 4 |
| 27 | 2, 2, 5 | 5, 2, 5 | 7, 2, 4 |
| 28 | -4, 3, 5 | 1, 3, 5 | 4, 3, 4 |
| 29 | -9, 4, 4 | -2, 4, 4 | -1, 4, 4 |
| 30 | -14, 5, 4 | -5, 5, 4 | -6, 5, 4 |
| 31 | -7, 3, 8 | -3, 3, 8 | -2, 3, 10 |
| 32 | 2, 0, 3 | 3, 0, 4 | 4, 0, 4 |
| 33 | -3, 1, 7 | -1, 1, 7 | 0, 1, 7 |
| 34 | -9, 2, 4 | -5, 2, 4 | -5, 2, 5 |
| 35 | -2, 2, 4 | 3, 2, 4 | 4, 2, 4 |
| 36 | -14, 3, 4 | -7, 3, 4 | -10, 3, 4 |
| 37 | -4, 3, 4 | 2, 3, 5 | 4, 3, 4 |
| 38 | -7, 5, 4 | 2, 5, 5 | 4, 5, 4 |
| 39 | -9, 6, 4 | 2, 6, 5 | 4, 6, 4 |
| 40 | -3, 3, 4 | 2, 3, 4 | 3, 2, 4 |
| 41 | -5, 4, 4 | 2, 4, 4 | -2, 4, 4 |
| 42 | -11, 5, 4 | -2, 5, 4 | -2, 5, 4 |
| 43 | -12, 6, 4 | -2, 6, 4 | -2, 6, 4 |
| 44 | -9, 2, 4 | -4, 2, 4 | -4, 2, 3 |
| 45 | -9, 4, 3 | 2, 4, 3 | 2, 4, 3 |)";

struct Cell {
  int dx, row, run;
};

const std::array<std::array<Cell, 3>, 46>& Cells() {
  static const std::array<std::array<Cell, 3>, 46> table = [] {
    std::array<std::array<Cell, 3>, 46> t{};
    std::string text(kCellText);
    for (char& c : text)
      if (c == '|' || c == ',') c = ' ';
    std::istringstream in(text);
    int index;
    while (in >> index) {
      for (int v = 0; v < 3; ++v) in >> t[index][v].dx >> t[index][v].row >> t[index][v].run;
    }
    return t;
  }();
  return table;
}

std::vector<int> Parse(const char* list) {
  std::vector<int> cells;
  std::istringstream in(list);
  int c;
  while (in >> c) cells.push_back(c);
  return cells;
}

}  // namespace

std::vector<int> StampGlyphLitCells(StampFont font, char ch) {
  switch (ch) {
    case '0': return Parse("1 2 3 4 5 8 9 10 11 12 14 20");
    case '1': return Parse("20 21 22 23 24 25 26");
    case '2': return Parse("1 6 8 13 14 20 27 28 29 30");
    case '3': return Parse("1 5 8 9 10 11 12 14 20 31");
    case '4': return Parse("4 18 32 33 34 35 36 37 38 39");
    case '5': return Parse("0 1 2 5 7 10 11 12 14 16 17");
    case '6':
      if (font == StampFont::Kiwi) return Parse("1 2 3 4 5 11 12 14 17 20");
      return Parse("1 2 3 4 5 8 11 12 14 17 20");
    case '7': return Parse("0 7 8 9 14 40 41 42 43");
    case '8': return Parse("1 2 4 5 8 9 11 12 14 17 20");
    case '9': return Parse("1 2 5 8 9 10 11 12 14 17 20");
    default: break;
  }
  if (font == StampFont::Kiwi) return {};
  switch (ch) {
    case 'E': return Parse("0 1 2 3 4 5 6 7 13 14 17 20");
    case 'N': return Parse("0 1 2 3 4 5 6 7 8 9 10 11 12 13 44 45");
    case 'W': return Parse("0 1 2 3 4 5 7 8 9 10 11 12 24 25");
    case 'S': return Parse("1 2 5 8 11 12 14 17 20");
    case 'U':
      if (font == StampFont::Ghs) return Parse("0 1 2 3 4 5 7 8 9 10 11 12 20");
      return {};
    default: return {};
  }
}

void DrawStampChar(Bitmap24& frame, char ch, int x, int y, const StampGlyphStyle& style) {
  const Bgr stroke{style.level, style.level, style.level};
  const double scale = style.variant == 2 ? style.pitch / 21.5 : 1.0;
  const std::vector<int> lit = StampGlyphLitCells(style.font, ch);
  auto dxOf = [&](int c) { return static_cast<int>(std::nearbyint(Cells()[c][style.variant].dx * scale)); };
  auto runOf = [&](int c) { return static_cast<int>(std::nearbyint(Cells()[c][style.variant].run * scale)); };
  int left = 1 << 20, right = -(1 << 20);
  for (int c : lit) {
    left = std::min(left, dxOf(c));
    right = std::max(right, dxOf(c) + runOf(c));
  }
  for (int c : lit) {
    const int dx = dxOf(c), run = runOf(c);
    for (int j = 0; j < style.linesPerRow; ++j) {
      const int line = y + Cells()[c][style.variant].row * style.rowStep + j * style.lineSpacing;
      for (int i = 0; i <= run; ++i) {
        const int px = dx + i;
        if (px < left + style.trimOuter || px > right - style.trimOuter) continue;
        frame.Set(x + px, line, stroke);
      }
    }
  }
}

void DrawStampText(Bitmap24& frame, std::string_view text, const std::vector<int>& xs, int y,
                   const StampGlyphStyle& style) {
  for (size_t i = 0; i < text.size() && i < xs.size(); ++i)
    if (text[i] != ' ') DrawStampChar(frame, text[i], xs[i], y, style);
}

void FillFrame(Bitmap24& frame, uint8_t level) {
  for (int y = 0; y < frame.Height(); ++y)
    std::fill(frame.Row(y), frame.Row(y) + frame.Width() * 3, level);
}

void AddFrameNoise(Bitmap24& frame, int amplitude, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < frame.Height(); ++y) {
    uint8_t* row = frame.Row(y);
    for (int i = 0; i < frame.Width() * 3; ++i) {
      const int n = static_cast<int>(rng() % static_cast<uint32_t>(2 * amplitude + 1)) - amplitude;
      row[i] = static_cast<uint8_t>(std::clamp(row[i] + n, 0, 255));
    }
  }
}

void DrawIotaFields(Bitmap24& frame, std::string_view field1, std::string_view field2, const std::vector<int>& xs,
                    int top1, double pitch) {
  const StampGlyphStyle s{StampFont::Iota, 2, pitch, 4, 2, 2, kStampStroke};
  DrawStampText(frame, field1, xs, top1, s);
  DrawStampText(frame, field2, xs, top1 - 1, s);
}

void DrawKiwiFields(Bitmap24& frame, std::string_view field1, std::string_view field2, int row) {
  static const std::vector<int> xs = {85, 109, 156, 180, 227, 251, 322, 345, 369, 440, 463, 487};
  const StampGlyphStyle s{StampFont::Kiwi, 0, 21.5, 4, 2, 1, kStampStroke};
  DrawStampText(frame, field1, xs, row, s);
  DrawStampText(frame, field2, xs, row + 1, s);
}

std::vector<int> StampCellXs(double x0, double pitch, const int* cells, size_t count) {
  std::vector<int> xs;
  for (size_t i = 0; i < count; ++i) xs.push_back(static_cast<int>(std::floor(x0 + pitch * cells[i] + 0.5)));
  return xs;
}

std::vector<int> IotaCellXs(double x0, double pitch) {
  return StampCellXs(x0, pitch, kIotaStampCells.data(), kIotaStampCells.size());
}

std::vector<int> GhsCellXs(double x0, double pitch) {
  return StampCellXs(x0, pitch, kGhsStampCells.data(), kGhsStampCells.size());
}

Bitmap24 NoisyFrame(int width, int height, uint32_t seed, uint8_t level, int amplitude) {
  Bitmap24 frame(width, height);
  FillFrame(frame, level);
  AddFrameNoise(frame, amplitude, seed);
  return frame;
}

void WriteTickCount(Bitmap24& frame, int row, int64_t ticks) {
  const uint64_t u = static_cast<uint64_t>(ticks);
  for (int x = 0; x < 8; ++x) {
    Bgr p = frame.Get(x, row);
    p.r = static_cast<uint8_t>(u >> (8 * x));
    frame.Set(x, row, p);
  }
}

int64_t TicksOf(int year, int month, int day, int hour, int minute, int64_t restTicks) {
  // Days from civil (H. Hinnant), shifted from 1970-01-01 to 0001-01-01.
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days = static_cast<int64_t>(era) * 146097 + doe - 719468 + 719162;
  return ((days * 24 + hour) * 60 + minute) * 600000000LL + restTicks;
}

namespace {

void FillRect(Bitmap24& f, int left, int top, int right, int bottom, uint8_t level) {
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) f.Set(x, y, {level, level, level});
}

// The sampling points (template units) lit by each digit of the inserter's font.
std::vector<int> SegmentPointsOn(char ch) {
  switch (ch) {
    case '0': return {2, 3, 4, 5, 6, 7, 9};
    case '1': return {6};
    case '2': return {2, 6, 9};
    case '3': return {2, 3, 5, 6, 8, 9};
    case '4': return {4, 6};
    case '5': return {5, 6};
    case '6': return {4, 5, 6, 9};
    case '7': return {2, 3, 8};
    case '8': return {2, 3, 4, 5, 6, 7, 8, 9};
    case '9': return {2, 3, 5, 6, 7, 8};
    default: return {};
  }
}

}  // namespace

void DrawSegmentDigits(Bitmap24& frame, const std::string& two, int cx, int cy, int spacing, int height,
                       uint8_t level) {
  static const int tx[9] = {100, 100, 100, -90, 100, 50, -70, 0, -85};
  static const int ty[9] = {-125, -75, -25, 25, 90, 125, -25, 0, 125};
  // Bars two pixels wide, clear of the sampling squares and of the next digit.
  const int left = -static_cast<int>(std::lround(0.4375 * spacing)), right = -left - 1;
  for (size_t d = 0; d < two.size() && d < 2; ++d) {
    const int x = cx + static_cast<int>(d) * spacing;
    const int top = cy - height / 2, bottom = cy + height / 2 - 1;
    FillRect(frame, x + left, top, x + left + 1, bottom, level);  // left bar
    FillRect(frame, x + left, top, x + right, top + 2, level);    // top bar
    for (int i : SegmentPointsOn(two[d])) {
      const int px = x + static_cast<int>(std::lround(tx[i - 1] * spacing / 275.0));
      const int py = cy + static_cast<int>(std::lround(ty[i - 1] * height / 300.0));
      FillRect(frame, px - 2, py - 2, px + 2, py + 2, level);
    }
  }
}
