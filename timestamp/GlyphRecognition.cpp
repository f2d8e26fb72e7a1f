#include "timestamp/GlyphRecognition.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "base/NumberText.h"

// One row per cell, in the order the scores index the measures (m[0] first).
// clang-format off
const std::array<std::array<GlyphCell, 3>, kGlyphCellCount> kGlyphCellTable = {{
    {{{-9, 0, 4}, {-9, 0, 4}, {-10, 0, 4}}},
    {{{-10, 1, 4}, {-9, 1, 4}, {-10, 1, 4}}},
    {{{-12, 2, 4}, {-9, 2, 4}, {-10, 2, 4}}},
    {{{-14, 3, 4}, {-9, 3, 4}, {-10, 3, 4}}},
    {{{-15, 4, 4}, {-9, 4, 4}, {-10, 4, 4}}},
    {{{-17, 5, 4}, {-9, 5, 4}, {-10, 5, 4}}},
    {{{-19, 6, 4}, {-9, 6, 4}, {-10, 6, 4}}},
    {{{6, 0, 4}, {5, 0, 4}, {7, 0, 4}}},
    {{{4, 1, 4}, {5, 1, 4}, {7, 1, 4}}},
    {{{2, 2, 4}, {5, 2, 4}, {7, 2, 4}}},
    {{{0, 3, 4}, {5, 3, 4}, {7, 3, 4}}},
    {{{-2, 4, 4}, {5, 4, 4}, {7, 4, 4}}},
    {{{-4, 5, 4}, {5, 5, 4}, {7, 5, 4}}},
    {{{-5, 6, 4}, {5, 6, 4}, {7, 6, 4}}},
    {{{-5, 0, 10}, {-5, 0, 10}, {-6, 0, 13}}},
    {{{-6, 1, 10}, {-5, 1, 10}, {-6, 1, 13}}},
    {{{-8, 2, 10}, {-5, 2, 10}, {-6, 2, 13}}},
    {{{-10, 3, 10}, {-5, 3, 10}, {-6, 3, 13}}},
    {{{-11, 4, 10}, {-5, 4, 10}, {-6, 4, 13}}},
    {{{-13, 5, 10}, {-5, 5, 10}, {-6, 5, 13}}},
    {{{-15, 6, 10}, {-5, 6, 10}, {-6, 6, 13}}},
    {{{-2, 0, 5}, {-1, 0, 5}, {-2, 0, 4}}},
    {{{-7, 1, 9}, {-4, 1, 7}, {-8, 1, 10}}},
    {{{-5, 2, 4}, {-1, 2, 4}, {-2, 2, 4}}},
    {{{-7, 3, 4}, {-1, 3, 4}, {-2, 3, 4}}},
    {{{-9, 4, 5}, {-1, 4, 4}, {-2, 4, 4}}},
    {{{-11, 5, 5}, {-1, 5, 4}, {-2, 5, 4}}},
    {{{2, 2, 5}, {5, 2, 5}, {7, 2, 4}}},
    {{{-4, 3, 5}, {1, 3, 5}, {4, 3, 4}}},
    {{{-9, 4, 4}, {-2, 4, 4}, {-1, 4, 4}}},
    {{{-14, 5, 4}, {-5, 5, 4}, {-6, 5, 4}}},
    {{{-7, 3, 8}, {-3, 3, 8}, {-2, 3, 10}}},
    {{{2, 0, 3}, {3, 0, 4}, {4, 0, 4}}},
    {{{-3, 1, 7}, {-1, 1, 7}, {0, 1, 7}}},
    {{{-9, 2, 4}, {-5, 2, 4}, {-5, 2, 5}}},
    {{{-2, 2, 4}, {3, 2, 4}, {4, 2, 4}}},
    {{{-14, 3, 4}, {-7, 3, 4}, {-10, 3, 4}}},
    {{{-4, 3, 4}, {2, 3, 5}, {4, 3, 4}}},
    {{{-7, 5, 4}, {2, 5, 5}, {4, 5, 4}}},
    {{{-9, 6, 4}, {2, 6, 5}, {4, 6, 4}}},
    {{{-3, 3, 4}, {2, 3, 4}, {3, 2, 4}}},
    {{{-5, 4, 4}, {2, 4, 4}, {-2, 4, 4}}},
    {{{-11, 5, 4}, {-2, 5, 4}, {-2, 5, 4}}},
    {{{-12, 6, 4}, {-2, 6, 4}, {-2, 6, 4}}},
    {{{-9, 2, 4}, {-4, 2, 4}, {-4, 2, 3}}},
    {{{-9, 4, 3}, {2, 4, 3}, {2, 4, 3}}},
}};
// clang-format on

namespace {

// Calls f(s) with s = R + G + B for each pixel x..x+run of row y. Pixels
// outside the bitmap read as black, so they are passed as 0.
template <typename F>
inline void ForEachRunPixel(const Bitmap24& bitmap, int x, int y, int run, F&& f) {
  if (run < 0) return;
  const int last = x + run;
  if (y < 0 || y >= bitmap.Height()) {
    for (int i = x; i <= last; ++i) f(0);
    return;
  }
  const uint8_t* row = bitmap.Row(y);
  const int w = bitmap.Width();
  if (x >= 0 && last < w) {  // the usual case: the whole run inside the row
    const uint8_t* p = row + static_cast<ptrdiff_t>(x) * 3;
    for (int i = 0; i <= run; ++i, p += 3) f(static_cast<int32_t>(p[0]) + p[1] + p[2]);
    return;
  }
  for (int i = x; i <= last; ++i) {
    if (i < 0 || i >= w) {
      f(0);
      continue;
    }
    const uint8_t* p = row + static_cast<ptrdiff_t>(i) * 3;
    f(static_cast<int32_t>(p[0]) + p[1] + p[2]);
  }
}

inline int32_t RunSum(const Bitmap24& bitmap, int x, int y, int run) {
  int32_t sum = 0;
  ForEachRunPixel(bitmap, x, y, run, [&](int32_t s) { sum += s; });
  return sum;
}

// One template score: on-cells give the stroke level mu, every off group adds
// its distance from that level. A cell listed twice counts twice.
class Tpl {
 public:
  Tpl(const GlyphCellMeasures& c, std::initializer_list<int> on, bool floorWeight = false) : c_(c) {
    double m = 0, w = 0;
    for (int k : on) {
      m += c.m[k];
      w += c.w[k];
    }
    if (w == 0) {
      if (!floorWeight) {
        valid_ = false;  // runs scaled to nothing: no evidence either way
        return;
      }
      w = 1;
    }
    mu_ = m / w;
    num_ = m;
    den_ = w;
  }
  Tpl& Off(std::initializer_list<int> cells) {
    double s = 0, n = 0;
    for (int k : cells) {
      s += c_.m[k];
      n += c_.w[k];
    }
    return OffSums(s, n);
  }
  Tpl& OffSums(double s, double n) {
    num_ += std::fabs(s - n * mu_);
    den_ += n;
    return *this;
  }
  double Mu() const { return mu_; }
  Tpl& AddNumerator(double v) {
    num_ += v;
    return *this;
  }
  Tpl& AddDivisor(double v) {
    den_ += v;
    return *this;
  }
  double Score(double factor = 1.0) const {
    if (!valid_ || den_ == 0) return 0.0;
    return num_ / den_ * factor;
  }

 private:
  const GlyphCellMeasures& c_;
  bool valid_ = true;
  double mu_ = 0, num_ = 0, den_ = 0;
};

// The digits every set shares (0, 1, 2, 4) and those shared by two sets.
double Digit0(const GlyphCellMeasures& c) {
  return Tpl(c, {1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 14, 20}).Off({0, 6, 7, 13, 16, 17, 18, 22, 26}).Score();
}
double Digit1(const GlyphCellMeasures& c) {
  return Tpl(c, {20, 21, 22, 23, 24, 25, 26}).Off({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}).Score();
}
double Digit2(const GlyphCellMeasures& c) {
  return Tpl(c, {1, 6, 8, 13, 14, 20, 27, 28, 29, 30})
      .Off({0, 2, 3, 4, 7, 10, 11, 12, 15, 16, 26, 31})
      .Score();
}
double Digit4(const GlyphCellMeasures& c) {
  return Tpl(c, {4, 18, 18, 32, 33, 34, 35, 36, 37, 38, 39})
      .Off({26})
      .Off({17})
      .Off({1, 5, 8, 9, 10, 12, 20})
      .Score();
}
double Digit8(const GlyphCellMeasures& c) {
  return Tpl(c, {1, 2, 4, 5, 8, 9, 11, 12, 14, 17, 20}).Off({0, 3, 6, 7, 10, 13, 16, 18, 22, 26}).Score();
}
double Digit9(const GlyphCellMeasures& c) {
  return Tpl(c, {1, 2, 5, 8, 9, 10, 11, 12, 14, 17, 20}).Off({0, 3, 4, 6, 7, 13, 16, 18, 22, 26}).Score();
}
// The IOTA "3"; GHS counts some of its off cells twice.
double Digit3Iota(const GlyphCellMeasures& c, std::initializer_list<int> off) {
  return Tpl(c, {1, 5, 8, 9, 10, 11, 12, 14, 20, 31}).Off({3, 4}).Off(off).Score();
}
double Digit5Iota(const GlyphCellMeasures& c) {
  return Tpl(c, {0, 1, 2, 5, 7, 10, 11, 12, 14, 16, 17}).Off({3, 4, 8, 8, 9}).Off({3, 4, 8, 9, 17}).Score();
}
double Digit7Iota(const GlyphCellMeasures& c) {
  return Tpl(c, {0, 7, 8, 9, 14, 40, 41, 42, 43}).Off({6, 13}).Off({2, 3, 5, 20}).Score();
}
double LetterE(const GlyphCellMeasures& c) {
  return Tpl(c, {0, 1, 2, 3, 4, 5, 6, 7, 13, 14, 17, 20}, true).Off({8, 11, 12, 22, 23}).Score(0.8);
}
double LetterS(const GlyphCellMeasures& c) {
  return Tpl(c, {1, 2, 5, 8, 11, 12, 14, 17, 20}).Off({0, 3, 4, 6, 7, 9, 10, 13, 16, 18, 22, 26}).Score();
}

}  // namespace

int32_t CellEdgeMeasure(const Bitmap24& bitmap, int x, int y, int run, int rowDistance) {
  return RunSum(bitmap, x, y, run) - RunSum(bitmap, x, y + rowDistance, run);
}

BrightMeasureParams BrightMeasureParams::From(const GlyphContext& ctx) {
  BrightMeasureParams p;
  p.mode = ctx.mode;
  p.digitThreshold = ctx.digitThreshold;
  p.enhanceContrast = ctx.enhanceContrast;
  p.iotaThreshold = RoundHalfAway(ctx.stampBackgroundLevel) - 100 + ctx.digitThreshold;
  p.ghsThreshold = (ctx.glyphThreshold - 100.0 + ctx.stampBackgroundLevel) * 3.0;
  return p;
}

int32_t CellBrightMeasure(const Bitmap24& bitmap, int x, int y, int run, const GlyphContext& ctx) {
  return CellBrightMeasure(bitmap, x, y, run, BrightMeasureParams::From(ctx));
}

int32_t CellBrightMeasure(const Bitmap24& bitmap, int x, int y, int run, const BrightMeasureParams& p) {
  if (bitmap.Height() <= y) return 0;
  int32_t sum = 0;
  switch (p.mode) {
    case TimeStampMode::Iota: {
      const int64_t t = p.iotaThreshold;
      ForEachRunPixel(bitmap, x, y, run, [&](int32_t s) { sum += s >= t ? s : 0; });
      return sum;
    }
    case TimeStampMode::Kiwi:
    case TimeStampMode::Sharp: {
      sum = RunSum(bitmap, x, y, run) - 3 * p.digitThreshold;
      return sum < 0 ? 0 : sum;
    }
    case TimeStampMode::Ghs:
      if (p.enhanceContrast) {
        ForEachRunPixel(bitmap, x, y, run, [&](int32_t s) {
          double v = s / 3.0;
          v = p.digitThreshold * ((v - 127.0) * 4.0) / 100.0 + 127.0;
          v = std::clamp(v, 0.0, 255.0);
          sum += static_cast<int32_t>(RoundHalfAway(3.0L * v));
        });
      } else {
        const double t = p.ghsThreshold;
        ForEachRunPixel(bitmap, x, y, run, [&](int32_t s) {
          if (s >= t) sum += 750;
        });
      }
      return sum;
  }
  return 0;
}

using CandidateScorer = double (*)(const GlyphCellMeasures&, int);

// Digits 0, 1, 2 and 4 score alike on every display; the rest by the display's own templates.
template <CandidateScorer Own>
static double ScoreCandidate(const GlyphCellMeasures& c, int i) {
  switch (i) {
    case 0: return Digit0(c);
    case 1: return Digit1(c);
    case 2: return Digit2(c);
    case 4: return Digit4(c);
    default: return Own(c, i);
  }
}

template <CandidateScorer Own>
static void ScoreAllCandidates(const GlyphCellMeasures& c, GlyphScores& sc) {
  for (int i = 0; i < kGlyphCandidateCount; ++i) sc[i] = ScoreCandidate<Own>(c, i);
}

// The candidates the KIWI display scores by its own templates.
static double KiwiOwnCandidate(const GlyphCellMeasures& c, int i) {
  switch (i) {
    case 3:
      return Tpl(c, {1, 5, 8, 9, 10, 11, 12, 14, 20, 31}).Off({0, 2, 3, 4, 6, 7, 13, 16, 22, 24, 26}).Score();
    case 5: return Tpl(c, {0, 1, 2, 5, 7, 10, 11, 12, 14, 16, 17}).Off({3, 4, 8, 9, 17}).Score();
    case 6: {
      // Cells 8 and 9 (the open upper right of a "6") weigh heavily in the sum.
      Tpl t(c, {1, 2, 3, 4, 5, 11, 12, 14, 17, 20});
      double s = 0, n = 0;
      for (int k : {0, 6, 7, 10, 13, 15, 16, 18, 26}) {
        s += c.m[k];
        n += c.w[k];
      }
      s += 5.0 * c.m[8] + 5.0 * c.m[9];
      n += 2.0 * c.w[8] + 2.0 * c.w[9];
      return t.OffSums(s, n).Score();
    }
    case 7: return Tpl(c, {0, 7, 8, 9, 14, 40, 41, 42, 43}).Off({2, 3, 5, 20}).Score();
    case 8: return Digit8(c);
    case 9: return Digit9(c);
    default: return 0.0;  // no template: letters outside the set, index 13
  }
}

void ScoreGlyphsKiwi(const GlyphCellMeasures& c, GlyphScores& sc) { ScoreAllCandidates<KiwiOwnCandidate>(c, sc); }

// The candidates the IOTA display scores by its own templates.
static double IotaOwnCandidate(const GlyphCellMeasures& c, int i) {
  switch (i) {
    case 3: return Digit3Iota(c, {0, 2, 3, 4, 6, 7, 13, 16, 22, 24, 26});
    case 5: return Digit5Iota(c);
    case 6: {
      Tpl t(c, {1, 2, 3, 4, 5, 8, 11, 12, 14, 17, 20});
      t.Off({0, 6, 7, 9, 10, 13, 15, 16, 18, 26});
      t.AddNumerator(-std::fabs(c.m[9] - c.w[9] * t.Mu())).AddDivisor(c.w[9]);
      return t.Score();
    }
    case 7: return Digit7Iota(c);
    case 8: return Digit8(c);
    case 9: return Digit9(c);
    case 10: return LetterE(c);
    case 11:
      return Tpl(c, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 44, 45}, true).Off({14, 20}).Score();
    case 12: return Tpl(c, {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 24, 25}, true).Off({14}).Score();
    case 14: return LetterS(c);
    default: return 0.0;  // no template: letters outside the set, index 13
  }
}

void ScoreGlyphsIota(const GlyphCellMeasures& c, GlyphScores& sc) { ScoreAllCandidates<IotaOwnCandidate>(c, sc); }

// The candidates the GHS display scores by its own templates.
static double GhsOwnCandidate(const GlyphCellMeasures& c, int i) {
  switch (i) {
    case 3: return Digit3Iota(c, {0, 2, 2, 3, 4, 4, 6, 7, 13, 16, 22, 24, 26});
    case 5: return Digit5Iota(c);
    case 6:
      return Tpl(c, {1, 2, 3, 4, 4, 5, 8, 11, 12, 14, 17, 17, 17, 20})
          .Off({0, 6, 7, 9, 9, 10, 13, 15, 16, 18, 26})
          .Score();
    case 7: return Digit7Iota(c);
    case 8: {
      Tpl t(c, {1, 2, 2, 4, 4, 5, 8, 9, 9, 11, 12, 14, 17, 17, 17, 20});
      t.Off({0, 3, 6, 7, 10, 13, 16, 18, 22, 26});
      t.AddNumerator(std::fabs(c.m[4] + c.w[4] * t.Mu()));
      return t.Score();
    }
    case 9:
      return Tpl(c, {1, 2, 5, 8, 9, 10, 11, 12, 14, 17, 17, 17, 20})
          .Off({4, 4})
          .Off({0, 3, 4, 4, 4, 6, 7, 13, 16, 18, 22, 26})
          .Score();
    case 10: return LetterE(c);
    case 11: {
      Tpl t(c, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 44, 45}, true);
      t.OffSums(static_cast<double>(c.m[14]) + c.m[20] + c.m[24] + c.m[25],
                static_cast<double>(c.w[14]) + c.w[20]);
      t.AddDivisor(static_cast<double>(c.w[24]) + c.w[25]);
      return t.Score();
    }
    case 12: return Tpl(c, {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 24, 25}, true).Off({6, 13, 14}).Score();
    case 14: return LetterS(c);
    case 15:
      return Tpl(c, {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 20}).Off({6, 13, 14, 16, 17, 18, 22, 26}).Score();
    default: return 0.0;  // no template: letters outside the set, index 13
  }
}

void ScoreGlyphsGhs(const GlyphCellMeasures& c, GlyphScores& sc) { ScoreAllCandidates<GhsOwnCandidate>(c, sc); }

char GlyphCandidateChar(int index) {
  if (index >= 0 && index <= 9) return static_cast<char>('0' + index);
  switch (index) {
    case 10: return 'E';
    case 11: return 'N';
    case 12: return 'W';
    case 14: return 'S';
    case 15: return 'U';
    default: return 0;
  }
}

GlyphReader::GlyphReader(const GlyphContext& ctx) : ctx_(ctx), bright_(BrightMeasureParams::From(ctx)) {
  const bool kiwiLike = ctx.mode == TimeStampMode::Kiwi || ctx.mode == TimeStampMode::Sharp;
  int variant = 2;
  if (!ctx.stampLocated && kiwiLike) variant = ctx.frameRateRounded > 25 ? 0 : 1;
  const int rowStep = ctx.showField ? 2 : 4;
  cellCount_ = ctx.searchMode == GlyphSearchMode::GpsLine ? 46 : 44;
  edgeMeasure_ = kiwiLike && !ctx.stampLocated;
  edgeDistance_ = (ctx.stampLocated || ctx.showField) ? 1 : 2;
  const bool iotaLine = ctx.mode == TimeStampMode::Iota && ctx.searchMode == GlyphSearchMode::TimeLine;
  const long double pitch = ctx.searchMode == GlyphSearchMode::GpsLine ? ctx.gpsCharPitch
                            : iotaLine && ctx.stampCellPitch > 0 ? ctx.stampCellPitch
                                                                 : ctx.stampCharPitch;
  for (int k = 0; k < kGlyphCellCount; ++k) {
    GlyphCell cell = kGlyphCellTable[k][variant];
    if (!edgeMeasure_) {
      cell.run = static_cast<int32_t>(RoundHalfEven(cell.run * pitch / 21.5L));
      cell.dx = static_cast<int32_t>(RoundHalfEven(cell.dx * pitch / 21.5L));
    }
    cells_[k] = cell;
  }
  // Grid row r samples line r h / 7 of the glyph's h lines in one field (two
  // frame rows each in the frame view, so a row never falls into the other
  // field), a little lower near the top where the real fonts' strokes curl.
  // The nominal 28 rows give the fixed grid.
  const bool scaledRows = !edgeMeasure_ && iotaLine && ctx.stampCharHeight > 0;
  const long double lines = ctx.stampCharHeight / 2;
  for (int r = 0; r < 7; ++r)
    rowOffset_[r] = scaledRows ? rowStep / 2 * static_cast<int>(RoundHalfEven(r * lines / 7 + (5 - r) / 25.0L))
                               : r * rowStep;
  strokeCheck_ = scaledRows && ctx.stampLocated;
  gridBottom_ = 0;
  for (int k = 0; k < cellCount_; ++k)
    gridBottom_ = std::max(gridBottom_, rowOffset_[cells_[k].row] + (edgeMeasure_ ? edgeDistance_ : 0));
  lineCount_ = std::max(2, static_cast<int>(RoundHalfEven(lines)));
  if (ctx.mode == TimeStampMode::Iota)
    scorer_ = Scorer::Iota;
  else if (ctx.mode == TimeStampMode::Ghs)
    scorer_ = Scorer::Ghs;
  else
    scorer_ = ctx.stampLocated ? Scorer::Iota : Scorer::Kiwi;
  firstCandidate_ = 0;
  lastCandidate_ = 9;
  if (ctx.searchMode == GlyphSearchMode::GpsLine) {
    if (ctx.lettersOnly) {
      firstCandidate_ = 10;
      lastCandidate_ = 14;
    }
  } else if (ctx.searchMode == GlyphSearchMode::SearchU) {
    lastCandidate_ = 15;
  } else if (ctx.lettersOnly) {
    lastCandidate_ = 14;
  }
}

void GlyphReader::Measure(const Bitmap24& bitmap, int x, int y, GlyphCellMeasures& c) const {
  c.m.fill(0);
  c.w.fill(0);
  for (int k = 0; k < cellCount_; ++k) {
    const GlyphCell& cell = cells_[k];
    const int cy = y + rowOffset_[cell.row];
    c.m[k] = edgeMeasure_ ? CellEdgeMeasure(bitmap, x + cell.dx, cy, cell.run, edgeDistance_)
                          : CellBrightMeasure(bitmap, x + cell.dx, cy, cell.run, bright_);
    c.w[k] = cell.run;
  }
}

char GlyphReader::Read(const Bitmap24& bitmap, int x, int y, double* score) const {
  // A glyph cut by the frame's top or bottom reads as the glyph with that
  // part dark (a "2" without its base bar is a "7"): it is not read at all.
  if (!FitsRows(bitmap, y)) {
    if (score) *score = 0.0;
    return 0;
  }
  GlyphCellMeasures cells;
  Measure(bitmap, x, y, cells);
  GlyphScores sc{};  // only the candidates of the range are scored
  for (int i = firstCandidate_; i <= lastCandidate_; ++i) {
    switch (scorer_) {
      case Scorer::Kiwi: sc[i] = ScoreCandidate<KiwiOwnCandidate>(cells, i); break;
      case Scorer::Iota: sc[i] = ScoreCandidate<IotaOwnCandidate>(cells, i); break;
      case Scorer::Ghs: sc[i] = ScoreCandidate<GhsOwnCandidate>(cells, i); break;
    }
  }
  GlyphDecision d = DecideGlyph(sc, firstCandidate_, lastCandidate_, ctx_.mode, ctx_.digitThreshold);
  if (strokeCheck_ && d.ch >= '0' && d.ch <= '9')
    d.ch = static_cast<char>('0' + SettleNearTie(bitmap, x, y, sc, d.ch - '0'));
  if (score) *score = d.score;
  return d.ch;
}

namespace {

using Stroke = GlyphReader::Stroke;

// Strokes of the digits that differ from another digit by one stroke, as on
// a seven-segment display, indexed by the digit; 1, 2, 4 and 7 have shapes of
// their own (0).
constexpr uint8_t StrokeBit(Stroke s) { return static_cast<uint8_t>(1u << static_cast<int>(s)); }
constexpr uint8_t kAllStrokes = 0x7f;
constexpr std::array<uint8_t, 10> kDigitStrokes = {
    kAllStrokes & ~StrokeBit(Stroke::Middle),
    0,
    0,
    kAllStrokes & ~(StrokeBit(Stroke::UpperLeft) | StrokeBit(Stroke::LowerLeft)),
    0,
    kAllStrokes & ~(StrokeBit(Stroke::UpperRight) | StrokeBit(Stroke::LowerLeft)),
    kAllStrokes & ~StrokeBit(Stroke::UpperRight),
    0,
    kAllStrokes,
    kAllStrokes & ~StrokeBit(Stroke::LowerLeft),
};

// Scores within this share of the best count as a near tie: the
// templates sample a stroke or two with single runs, which narrow or blurred
// glyphs can light for both digits of a pair.
constexpr double kNearTie = 0.05;
// Below this spread of R+G+B inside the box there is no stroke to look at.
constexpr int kMinStrokeContrast = 90;

}  // namespace

double GlyphReader::StrokeInk(const Bitmap24& bitmap, int x, int y, Stroke stroke) const {
  // Columns: the side strokes where the template's side cells sample them,
  // the bars between those; the box spans both side cells.
  const GlyphCell& leftCell = cells_[1];
  const GlyphCell& rightCell = cells_[8];
  const int boxFrom = x + cells_[0].dx, boxTo = x + cells_[7].dx + cells_[7].run;
  int c0 = x + leftCell.dx + leftCell.run + 1, c1 = x + rightCell.dx - 1;
  const int lines = lineCount_;
  const int lineStep = ctx_.showField ? 1 : 2;
  double v0 = 0, v1 = 1;
  bool vertical = true;
  bool leftSide = false;
  switch (stroke) {
    case Stroke::Top: vertical = false, v1 = 0.15; break;
    case Stroke::Middle: vertical = false, v0 = 0.38, v1 = 0.62; break;
    case Stroke::Bottom: vertical = false, v0 = 0.85; break;
    case Stroke::UpperLeft: leftSide = true, v0 = 0.2, v1 = 0.42; break;
    case Stroke::UpperRight: v0 = 0.2, v1 = 0.42; break;
    case Stroke::LowerLeft: leftSide = true, v0 = 0.55, v1 = 0.8; break;
    case Stroke::LowerRight: v0 = 0.55, v1 = 0.8; break;
  }
  // A side band reaches half a cell further in than the side cell, so that
  // a glyph a pixel or two off its cells still shows its stroke.
  const GlyphCell& side = leftSide ? leftCell : rightCell;
  const int reach = (side.run + 1) / 2;
  if (vertical) {
    c0 = x + side.dx - (leftSide ? 0 : reach);
    c1 = x + side.dx + side.run + (leftSide ? reach : 0);
  }
  const int l0 = static_cast<int>(std::ceil(v0 * (lines - 1)));
  const int l1 = static_cast<int>(std::floor(v1 * (lines - 1)));
  auto Level = [&](int cx, int line) {
    const int cy = y + line * lineStep;
    if (cx < 0 || cx >= bitmap.Width() || cy < 0 || cy >= bitmap.Height()) return 0;
    const uint8_t* p = bitmap.Row(cy) + static_cast<ptrdiff_t>(cx) * 3;
    return static_cast<int>(p[0]) + p[1] + p[2];
  };
  // Ink is anything above the middle between the darkest and the brightest
  // pixel of the character box, so blur and the stamp's own levels don't matter.
  int darkest = 765, brightest = 0;
  for (int line = 0; line < lines; ++line)
    for (int cx = boxFrom; cx <= boxTo; ++cx) {
      const int v = Level(cx, line);
      darkest = std::min(darkest, v);
      brightest = std::max(brightest, v);
    }
  if (brightest - darkest < kMinStrokeContrast) return -1.0;
  const int threshold = (darkest + brightest + 1) / 2;
  auto Ink = [&](int cx, int line) { return Level(cx, line) >= threshold; };
  // A vertical stroke: the share of its lines whose ink fills at least half
  // the side cell's pixels (a neighbour's edge or a curl only grazes it); a
  // horizontal one: the share of its columns with ink in its line band.
  const int minWidth = vertical ? std::max(2, (side.run + 2) / 2) : 1;
  int hit = 0, total = 0;
  const int outerFrom = vertical ? l0 : c0, outerTo = vertical ? l1 : c1;
  const int innerFrom = vertical ? c0 : l0, innerTo = vertical ? c1 : l1;
  for (int o = outerFrom; o <= outerTo; ++o) {
    int count = 0;
    for (int i = innerFrom; i <= innerTo; ++i) count += vertical ? Ink(i, o) : Ink(o, i);
    hit += count >= minWidth;
    ++total;
  }
  return total > 0 ? static_cast<double>(hit) / total : 0.0;
}

int GlyphReader::SettleNearTie(const Bitmap24& bitmap, int x, int y, const GlyphScores& sc, int best) const {
  if (kDigitStrokes[best] == 0) return best;
  std::array<int, 10> near{};
  int nearCount = 0;
  for (int i = 0; i <= 9; ++i)
    if (kDigitStrokes[i] != 0 && sc[i] >= sc[best] * (1.0 - kNearTie)) near[nearCount++] = i;
  if (nearCount < 2) return best;
  // Only the strokes in which the tied digits differ are looked at.
  uint8_t differ = 0;
  for (int n = 0; n < nearCount; ++n) differ |= kDigitStrokes[near[n]] ^ kDigitStrokes[best];
  uint8_t seen = 0;
  for (int k = 0; k < 7; ++k) {
    if (!(differ & (1u << k))) continue;
    const double ink = StrokeInk(bitmap, x, y, static_cast<Stroke>(k));
    if (ink < 0) return best;
    // A stroke counts only when it runs unbroken through its span: the hooks
    // and curls of the neighbouring strokes reach into a span, but leave a gap.
    if (ink >= 1.0) seen |= static_cast<uint8_t>(1u << k);
  }
  int match = -1;
  for (int n = 0; n < nearCount; ++n) {
    if ((kDigitStrokes[near[n]] & differ) != seen) continue;
    if (match >= 0) return best;  // the strokes don't settle it
    match = near[n];
  }
  return match >= 0 ? match : best;
}

GlyphDecision DecideGlyph(const GlyphScores& sc, int first, int last, TimeStampMode mode,
                          int digitThreshold) {
  double best = -10000.0;
  int bestIndex = -1;
  for (int i = std::max(first, 0); i <= last && i < kGlyphCandidateCount; ++i) {
    if (sc[i] > best) {  // a later candidate must be strictly better
      best = sc[i];
      bestIndex = i;
    }
  }
  if (bestIndex < 0) return {};
  if (mode == TimeStampMode::Kiwi || mode == TimeStampMode::Sharp) {
    if (best >= digitThreshold) return {static_cast<char>('0' + bestIndex), best};
    return {};
  }
  if (best >= 100.0) return {GlyphCandidateChar(bestIndex), best};
  return {};
}

char RecognizeCharacter(const Bitmap24& bitmap, int x, int y, const GlyphContext& ctx, double* score) {
  return GlyphReader(ctx).Read(bitmap, x, y, score);
}

char RecognizeCharacterBest(const Bitmap24& bitmap, int x, int y, const GlyphContext& ctx) {
  return RecognizeCharacter(bitmap, x, y, ctx, nullptr);
}
