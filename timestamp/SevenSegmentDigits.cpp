#include "timestamp/SevenSegmentDigits.h"

#include "base/NumberText.h"

namespace {

int Rnd(long double v) { return static_cast<int>(RoundHalfEven(v)); }

int BlockMean(const Bitmap24& frame, int x, int y) {
  const Rgb3x3Sum s = Sum3x3RGB(frame, x, y);
  return (s.r + s.g + s.b) / 27;
}

}  // namespace

TiviSampleTemplate DefaultTiviSampleTemplate() {
  return {{{100, -125}, {100, -75}, {100, -25}, {-90, 25}, {100, 90}, {50, 125}, {-70, -25}, {0, 0}, {-85, 125}}};
}

Rgb3x3Sum Sum3x3RGB(const Bitmap24& frame, int x, int y) {
  Rgb3x3Sum s;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const Bgr p = frame.Get(x + dx, y + dy);
      s.r += p.r;
      s.g += p.g;
      s.b += p.b;
    }
  return s;
}

GlyphExtent ScanGlyphExtent(const Bitmap24& frame, int x0, int y0, int digitThreshold) {
  const int t = Rnd(1.28L * digitThreshold);
  GlyphExtent e;
  e.left = x0 + 1000;
  e.leftRow = y0 + 1000;
  e.right = 0;
  e.rightRow = 0;
  e.top = y0 + 100;
  e.bottom = 0;
  bool topFound = false;
  for (int j = 0; j <= 40; ++j) {
    const int y = y0 + j;
    bool open = false, closed = false;
    for (int k = 0; k <= 45; ++k) {
      const int x = x0 + k;
      const bool lit = BlockMean(frame, x, y) >= t;
      if (!open && lit) {
        open = true;
        if (x < e.left) {
          e.left = x;
          e.leftRow = y;
        }
      } else if (open && !lit) {
        closed = true;
        if (x > e.right) {
          e.right = x - 1;
          e.rightRow = y;
        }
        break;
      }
    }
    if (!topFound) {
      if (closed) {
        e.top = y;
        topFound = true;
      }
    } else if (!closed) {
      e.bottom = y;
      break;
    }
  }
  return e;
}

bool LocateTiviBox(const Bitmap24& frame, int x, int y, int digitThreshold, TiviBox& box) {
  const GlyphExtent a = ScanGlyphExtent(frame, x, y, digitThreshold);
  const GlyphExtent b = ScanGlyphExtent(frame, a.right + 2, y, digitThreshold);
  box[0] = Rnd((a.left + a.right) * 10.0L / 2);
  box[5] = Rnd(((a.bottom - a.top) + (b.bottom - b.top)) * 10.0L / 2);
  if (box[5] < 0) {
    box[2] = 500;
    box[1] = box[3] = 4750;
    box[5] = 50;
    return false;
  }
  box[2] = Rnd((b.left + b.right) * 10.0L / 2);
  box[1] = box[3] = Rnd((a.top + a.bottom + b.top + b.bottom) * 10.0L / 4);
  return true;
}

TiviSamplePoints PlaceDigitSamplePoints(const TiviBox& box, const TiviSampleTemplate& tpl) {
  // Scales 1/275 and 1/300 applied to whole numerators: a scale rounded to
  // binary first puts exact halves a hair off and sends them the wrong way.
  const int64_t dx = static_cast<int64_t>(box[0]) - box[2];
  auto px = [&](int32_t centre, int32_t tx) {
    return Rnd(static_cast<long double>(275 * static_cast<int64_t>(centre) - tx * dx) / 2750);
  };
  auto py = [&](int32_t centre, int32_t ty) {
    return Rnd(static_cast<long double>(static_cast<int64_t>(ty) * box[5] + 300 * static_cast<int64_t>(centre)) / 3000);
  };
  TiviSamplePoints p;
  for (int i = 0; i < 9; ++i) {
    p[0][i] = {px(box[0], tpl[i].x), py(box[1], tpl[i].y)};
    p[1][i] = {px(box[2], tpl[i].x), py(box[3], tpl[i].y)};
  }
  return p;
}

char DecodeSegmentFlags(const std::array<bool, 9>& f) {
  auto on = [&](int i) { return f[i - 1]; };
  auto off = [&](int i) { return !f[i - 1]; };
  if (off(2) && off(3) && off(4) && off(5) && on(6)) return '1';
  if (on(2) && off(4) && off(5) && on(6) && on(9)) return '2';
  if (on(4) && on(6) && off(9)) return '4';
  if (off(2) && off(4) && on(5) && on(6)) return '5';
  if (off(3) && on(4) && on(5) && on(6)) return '6';
  if (off(4) && off(5) && on(8) && off(9)) return '7';
  if (on(2) && off(4) && on(5) && on(6) && off(7)) return '3';
  if (on(2) && off(4) && on(5) && on(6) && on(7)) return '9';
  if (on(2) && on(4) && on(5) && on(6) && on(8)) return '8';
  if (on(2) && on(4) && on(5) && on(6) && off(8)) return '0';
  return 'E';
}

std::string ReadTwoDigits(const Bitmap24& frame, const TiviSamplePoints& points, int digitThreshold) {
  std::string text;
  for (int d = 0; d < 2; ++d) {
    std::array<bool, 9> flags{};
    for (int i = 0; i < 9; ++i) {
      int v = BlockMean(frame, points[d][i].x, points[d][i].y);
      if (i == 2) v = Rnd(0.9L * v);
      v = Rnd(1.17L * v);
      flags[i] = v >= digitThreshold;
    }
    text += DecodeSegmentFlags(flags);
  }
  return text;
}

InserterDigitsDisplay ShowInserterDigits(const Bitmap24& frame, const TiviSamplePoints& points, int digitThreshold) {
  InserterDigitsDisplay d;
  d.Edit26 = ReadTwoDigits(frame, points, digitThreshold);
  d.TiviDigitsValid = d.Edit26 != "EE";
  return d;
}

bool LocateDigitPositions(const Bitmap24& frame, int x, int y, int digitThreshold, GlyphContext& ctx,
                          TimeStampState& state, long double& stampCharHeight) {
  const GlyphExtent a = ScanGlyphExtent(frame, x, y, digitThreshold);
  const GlyphExtent b = ScanGlyphExtent(frame, a.right + 2, y, digitThreshold);
  const long double c0 = (a.left + a.right) / 2.0L;
  const long double c1 = (b.left + b.right) / 2.0L;
  const int h = Rnd(((a.bottom - a.top) + (b.bottom - b.top)) * 10.0L / 2);
  if (h <= 0) {
    ctx.stampLocated = false;
    return false;
  }
  state.LocatedStampRow = Rnd((a.top + b.top) / 2.0L);
  ctx.stampCharHeight = 28.0L;  // the reader keeps its nominal grid on this layout
  ctx.stampCellPitch = 0;
  const long double pitch = c1 - c0;
  ctx.stampCharPitch = pitch;
  stampCharHeight = ((a.bottom + b.bottom) - a.top - b.top) / 2.0L;
  const GlyphExtent c = ScanGlyphExtent(frame, Rnd(pitch * 79 / 27) + a.left - 2, y, digitThreshold);
  const GlyphExtent d = ScanGlyphExtent(frame, c.right + 2, y, digitThreshold);
  const long double c2 = (c.left + c.right) / 2.0L;
  const long double c3 = (d.left + d.right) / 2.0L;
  const long double step = ((c2 - c0) + (c3 - c1)) / 2;
  const long double c4 = 2 * step + c0, c5 = c4 + pitch, c6 = 3 * step + c0, c7 = c6 + pitch;
  const long double cs[8] = {c0, c1, c2, c3, c4, c5, c6, c7};
  for (int i = 0; i < 8; ++i) state.DigitX[kLocatedLayout][7 + i] = Rnd(cs[i]);
  ctx.stampLocated = true;
  state.LocatedFieldTop = LocatedFieldRows(frame, state.LocatedStampRow, ctx, state.DigitX[kLocatedLayout]);
  return true;
}
