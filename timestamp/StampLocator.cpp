#include "timestamp/StampLocator.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/NumberText.h"

bool AlignDigitX(const Bitmap24& frame, int& x, int y, const GlyphContext& ctx, bool wideScan) {
  const int w = (ctx.mode == TimeStampMode::Iota && wideScan) ? 14 : 7;
  const GlyphReader reader(ctx);
  std::vector<double> slot(2 * w + 1, 0.0);
  double rawBest = 0;
  char bestChar = 0;
  for (int i = -w; i <= w; ++i) {
    double score = 0;
    const char c = reader.Read(frame, x + i, y, &score);
    slot[i + w] = score;
    if (c >= '0' && c <= '9' && score > rawBest) {
      rawBest = score;
      bestChar = c;
    }
  }
  auto a = [&](int k) { return (k < -w || k > w) ? 0.0 : slot[k + w]; };
  double bestSmooth = 0;
  int bestK = 0;
  bool any = false;
  for (int k = -(w + 3); k <= w + 3; ++k) {
    const double s =
        (0.36 * a(k - 2) + 0.775 * a(k - 1) + a(k) + 0.775 * a(k + 1) + 0.36 * a(k + 2)) / 10.692;
    if (s > 0 && s > bestSmooth) {
      bestSmooth = s;
      bestK = k;
      any = true;
    }
  }
  if (any) x += bestK;
  if (ctx.mode == TimeStampMode::Iota) {
    // The IOTA-VTI font's digits sit off the template centre.
    if (bestChar == '2' || bestChar == '3' || bestChar == '7') x += 2;
    else if (bestChar == '0' || bestChar == '4' || bestChar == '8' || bestChar == '9') x += 1;
  }
  return rawBest > 200.0;
}

bool AlignDigitY(const Bitmap24& frame, int x, int& y, const GlyphContext& ctx) {
  const GlyphReader reader(ctx);
  double best = 0;
  int bestDy = 0;
  for (int dy = -4; dy <= 4; ++dy) {
    double score = 0;
    reader.Read(frame, x, y + dy, &score);
    if (score > 0 && score > best) {
      best = score;
      bestDy = dy;
    }
  }
  y += bestDy;
  return best > 0;
}

double FindUColumn(const Bitmap24& frame, int& x, int y, const GlyphContext& ctx, int first, int last) {
  const GlyphReader reader(ctx);
  for (int col = first; col <= last; ++col) {
    double score = 0;
    if (reader.Read(frame, col, y, &score) == 'U') {
      x = col;
      return score;
    }
  }
  return 0.0;
}

LineFit FitLine(const FitPoints& pts) {
  LineFit f;
  const long double n = static_cast<long double>(pts.size());
  long double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const auto& [x, y] : pts) {
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  long double d = n * sxx - sx * sx;
  if (d == 0) d = 1;
  f.slope = (n * sxy - sx * sy) / d;
  f.intercept = (sxx * sy - sx * sxy) / d;
  if (pts.size() < 3) return f;
  long double r = 0;
  for (const auto& [x, y] : pts) {
    const long double e = f.slope * x + f.intercept - y;
    r += e * e;
  }
  f.slopeError = 0.6745L * std::sqrt(std::fabs(n / d * r / (n - 2)));
  f.interceptError = 0.6745L * std::sqrt(std::fabs(sxx / d * r / (n - 2)));
  return f;
}

double IotaBackgroundLevel(const Bitmap24& frame, int top, int bottom, int left, int right) {
  long double sum = 0;
  int max = 0;
  long count = 0;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) {
      const Bgr p = frame.Get(x, y);
      const int s = p.r + p.g + p.b;
      sum += s;
      max = std::max(max, s);
      ++count;
    }
  const long double mean = count ? sum / count : 0;
  return static_cast<double>(RoundHalfAway((mean + max) / 2));
}

double GhsBackgroundLevel(const Bitmap24& frame, int x, int y) {
  const int bottom = y + std::min(35, frame.Height() - y);
  const int right = x + std::min(50, frame.Width() - x);
  int max = 0;
  for (int yy = y; yy <= bottom; ++yy)
    for (int xx = x; xx <= right; ++xx) {
      const Bgr p = frame.Get(xx, yy);
      max = std::max(max, p.r + p.g + p.b);
    }
  return max / 3.0 - 40.0;
}

void SetIotaFallbackLayout(int frameWidth, GlyphContext& ctx, TimeStampState& state, StampLocatorState& loc) {
  static const int kFallback[22] = {88,  112, 160, 184, 232, 256, 304, 328, 352, 376, 424,
                                    448, 472, 496, 544, 568, 592, 616, 640, 664, 688, 712};
  for (int i = 0; i < 22; ++i) state.DigitX[kLocatedLayout][7 + i] = kFallback[i];
  ctx.stampCharPitch = 25.0L * frameWidth / 720;
  ctx.stampCharHeight = 28.0L;
  ctx.stampCellPitch = 0;
  loc.StampCharHeight = 28.0L;
  state.LocatedFieldTop = {-1, -1};
}

int SnapIotaStampRow(int y, int frameRateRounded) {
  const bool slow = frameRateRounded < 27;
  if (slow) {
    if (y >= 548) return 547;
    if (y >= 520) return 545;
    if (y >= 512) return 511;
    return 509;
  }
  if (y >= 438) return 437;
  if (y >= 410) return 435;
  if (y >= 402) return 401;
  return 399;
}

namespace {

// Where the six time digits of an IOTA-VTI line sit on row y: the first digit
// column x0 and the pitch that best explain digit readings at cells 0, 1, 3,
// 4, 6 and 7, searched over every plausible start and pitch.
struct IotaLineGuess {
  int x0 = 0;
  long double pitch = 0;
  double score = 0;
  int digits = 0;  // time cells whose reading scored above 200
  double backgroundLevel = 0;
};

// With bandBackground the level that tells strokes from background is taken
// from the searched band itself, which holds glyphs wherever the line is.
IotaLineGuess SearchIotaTimeDigits(const Bitmap24& frame, int y, GlyphContext ctx, bool bandBackground) {
  const int W = frame.Width();
  const long double nominal = 25.0L * W / 720;
  const long double lowPitch = 0.85L * nominal, highPitch = 1.1L * nominal;
  const int xlo = RoundHalfAwayToInt(40.0L * W / 720), xhi = RoundHalfAwayToInt(150.0L * W / 720);
  const int xend = std::min(W - 1, xhi + RoundHalfAwayToInt(7 * highPitch) + 2);
  if (bandBackground)
    ctx.stampBackgroundLevel = IotaBackgroundLevel(frame, y, std::min(frame.Height() - 1, y + 27), xlo, xend);
  const GlyphReader reader(ctx);
  std::vector<double> profile(static_cast<size_t>(std::max(0, xend - xlo + 1)), 0.0);
  for (int x = xlo; x <= xend; ++x) {
    double score = 0;
    const char c = reader.Read(frame, x, y, &score);
    if (c >= '0' && c <= '9') profile[static_cast<size_t>(x - xlo)] = score;
  }
  auto near = [&](int x) {
    double best = 0;
    for (int d = -1; d <= 1; ++d)
      if (x + d >= xlo && x + d <= xend) best = std::max(best, profile[static_cast<size_t>(x + d - xlo)]);
    return best;
  };
  IotaLineGuess g;
  for (long double p = lowPitch; p <= highPitch; p += 0.125L)
    for (int x0 = xlo; x0 <= xhi; ++x0) {
      double sum = 0;
      int digits = 0;
      for (int cell : {0, 1, 3, 4, 6, 7}) {
        const double v = near(x0 + RoundHalfAwayToInt(p * cell));
        sum += v;
        if (v > 200.0) ++digits;
      }
      if (sum > g.score) g = {x0, p, sum, digits, ctx.stampBackgroundLevel};
    }
  return g;
}

// Frame rows below the row of the first guess that the glyph rows are measured on.
constexpr int kInkBandBelow = 40;
// Lines a field of the shortest IOTA-VTI glyphs seen on captures covers.
constexpr int kShortestGlyphLines = 12;

// The rows the glyphs of each field cover, from the bright pixels over the
// time digits: the longest run of rows of one parity with ink.
struct InkBand {
  bool found = false;
  std::array<int, 2> top{}, bottom{};  // index 0 even rows, 1 odd rows
  long double threshold = 0;           // R+G+B of ink
  bool cut = false;                    // the glyphs reach the frame's top or bottom
};

using ColumnSpans = std::vector<std::pair<int, int>>;  // inclusive left and right columns

// R+G+B at and above which a pixel of the spans counts as ink: half way from
// the mean to the brightest, over the rows not left out.
long double InkThreshold(const Bitmap24& frame, int first, int last, const ColumnSpans& spans,
                         const std::vector<char>& leftOut) {
  long double sum = 0;
  long count = 0;
  int max = 0;
  for (int yy = first; yy <= last; ++yy) {
    if (leftOut[static_cast<size_t>(yy - first)]) continue;
    for (const auto& [l, r] : spans)
      for (int x = std::max(0, l); x <= std::min(frame.Width() - 1, r); ++x) {
        const Bgr p = frame.Get(x, yy);
        const int s = p.r + p.g + p.b;
        sum += s;
        max = std::max(max, s);
        ++count;
      }
  }
  return count ? (sum / count + max) / 2 : -1;
}

// Rows where the middle of both colon cells is bright all across: no glyph
// row looks like that (a colon's dots are narrower), a bright band or the
// edge of a bright object does.
std::vector<char> SolidRows(const Bitmap24& frame, int first, int last, const ColumnSpans& colons,
                            long double threshold) {
  std::vector<char> solid(static_cast<size_t>(last - first + 1), 0);
  for (int yy = first; yy <= last; ++yy) {
    bool all = !colons.empty();
    for (const auto& [l, r] : colons)
      for (int x = l; x <= r && all; ++x) {
        const Bgr p = frame.Get(x, yy);
        all = p.r + p.g + p.b >= threshold;
      }
    solid[static_cast<size_t>(yy - first)] = all;
  }
  return solid;
}

InkBand MeasureInkBand(const Bitmap24& frame, int y, const ColumnSpans& spans, const ColumnSpans& colons) {
  const int first = std::max(0, y - 30), last = std::min(frame.Height() - 1, y + kInkBandBelow);
  InkBand band;
  if (last < first) return band;
  // A bright band near the line would take the place of the glyph rows and
  // raise the ink level above dim strokes: its rows count as no ink.
  std::vector<char> solid(static_cast<size_t>(last - first + 1), 0);
  long double threshold = InkThreshold(frame, first, last, spans, solid);
  if (threshold < 0) return band;
  solid = SolidRows(frame, first, last, colons, threshold);
  threshold = InkThreshold(frame, first, last, spans, solid);
  if (threshold < 0) return band;
  solid = SolidRows(frame, first, last, colons, threshold);
  band.threshold = threshold;
  std::vector<int> ink(static_cast<size_t>(last - first + 1), 0);
  for (int yy = first; yy <= last; ++yy) {
    if (solid[static_cast<size_t>(yy - first)]) continue;
    for (const auto& [l, r] : spans)
      for (int x = std::max(0, l); x <= std::min(frame.Width() - 1, r); ++x) {
        const Bgr p = frame.Get(x, yy);
        if (p.r + p.g + p.b >= threshold) ++ink[static_cast<size_t>(yy - first)];
      }
  }
  // From the row of most ink outwards, across gaps of up to two lines (the
  // thin middle of some digits).
  band.found = true;
  auto lit = [&](int yy, int most) { return 4 * ink[static_cast<size_t>(yy - first)] >= most; };
  std::array<bool, 2> edge{};
  bool roomless = false;
  for (int parity = 0; parity < 2; ++parity) {
    int most = 0, peak = -1;
    for (int yy = first; yy <= last; ++yy)
      if ((yy & 1) == parity && ink[static_cast<size_t>(yy - first)] > most) {
        most = ink[static_cast<size_t>(yy - first)];
        peak = yy;
      }
    if (peak < 0) {
      band.found = false;
      break;
    }
    int top = peak, bottom = peak;
    for (int yy = peak - 2, gap = 0; yy >= first && gap <= 2; yy -= 2) {
      gap = lit(yy, most) ? 0 : gap + 1;
      if (!gap) top = yy;
    }
    for (int yy = peak + 2, gap = 0; yy <= last && gap <= 2; yy += 2) {
      gap = lit(yy, most) ? 0 : gap + 1;
      if (!gap) bottom = yy;
    }
    band.top[parity] = top;
    band.bottom[parity] = bottom;
    edge[parity] = top - 2 < 0 || bottom + 2 >= frame.Height();
    // Below a glyph top closer to the bottom than the shortest glyph the
    // inserter draws, the glyph runs on past the edge even where the
    // measured rows end short of it (the thin lower strokes of some digits).
    if (top + 2 * (kShortestGlyphLines - 1) >= frame.Height()) roomless = true;
  }
  // Ink up to the frame's first or last line in both fields: the glyphs run
  // on past the edge, and neither their top nor their height is known. (One
  // field's glyphs may end on its last line.)
  band.cut = (edge[0] && edge[1]) || roomless;
  return band;
}

// The typical glyph width of the line: around each cell centre, the run of
// columns with ink on the band's rows; narrow glyphs ("1") and blank cells
// are left out. 0 when no cell shows a full-width glyph.
long double MeasureGlyphWidth(const Bitmap24& frame, const InkBand& band, const std::vector<long double>& centres,
                              long double pitch) {
  const int top = std::min(band.top[0], band.top[1]);
  const int bottom = std::max(band.bottom[0], band.bottom[1]);
  auto inkColumn = [&](int x) {
    if (x < 0 || x >= frame.Width()) return false;
    for (int y = top; y <= bottom; ++y) {
      const Bgr p = frame.Get(x, y);
      if (p.r + p.g + p.b >= band.threshold) return true;
    }
    return false;
  };
  const int reach = RoundHalfAwayToInt(0.55L * pitch);
  std::vector<int> widths;
  for (const long double c : centres) {
    const int centre = RoundHalfAwayToInt(c);
    int seed = -1;
    for (int d = 0; d <= 3 && seed < 0; ++d) {
      if (inkColumn(centre - d)) seed = centre - d;
      else if (inkColumn(centre + d)) seed = centre + d;
    }
    if (seed < 0) continue;
    int left = seed, right = seed;
    while (left > centre - reach && inkColumn(left - 1)) --left;
    while (right < centre + reach && inkColumn(right + 1)) ++right;
    if (right - left + 1 >= 0.6L * pitch) widths.push_back(right - left + 1);
  }
  if (widths.empty()) return 0;
  std::nth_element(widths.begin(), widths.begin() + static_cast<long>(widths.size() / 2), widths.end());
  return widths[widths.size() / 2];
}

}  // namespace

bool LocateIotaTimeStamp(const Bitmap24& frame, GlyphContext& ctx, TimeStampState& state,
                         StampLocatorState& loc, const LocatorOptions& options) {
  const int W = frame.Width();
  const bool slow = ctx.frameRateRounded < 27;
  ctx.stampCharPitch = 25.0L * W / 720;
  ctx.stampCharHeight = 28.0L;
  ctx.stampCellPitch = 0;
  loc.StampCharHeight = 28.0L;

  // The time digits near the nominal row, else near the higher one, else
  // anywhere from a little above the higher one down to the nominal one.
  const int low = slow ? 545 : 435, high = slow ? 511 : 401;
  std::vector<int> rows;
  for (int nominal : {low, high})
    for (int dy : {0, -2, 2, -4, 4}) rows.push_back(nominal + dy);
  for (int row = high + 6; row <= low - 6; row += 2) rows.push_back(row);
  for (int row = high - 6; row >= high - 24; row -= 2) rows.push_back(row);
  IotaLineGuess guess;
  int y = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const IotaLineGuess g = SearchIotaTimeDigits(frame, rows[i], ctx, true);
    if (g.digits > guess.digits || (g.digits == guess.digits && g.score > guess.score)) {
      guess = g;
      y = rows[i];
    }
    // Every time digit seen near a nominal row ends the search.
    if ((i == 4 || i == 9) && guess.digits == 6) break;
    if (i == 9 && guess.digits >= 4) break;
  }
  if (guess.digits < 4) return false;
  ctx.stampBackgroundLevel = guess.backgroundLevel;
  int x0 = guess.x0;
  long double pitch = guess.pitch;

  // Each field's own glyph rows; the glyph height scales the sample rows.
  ColumnSpans spans, colons;
  for (int cell : {0, 1, 3, 4, 6, 7}) {
    const int c = x0 + RoundHalfAwayToInt(pitch * cell);
    spans.emplace_back(c - RoundHalfAwayToInt(0.4L * pitch), c + RoundHalfAwayToInt(0.4L * pitch));
  }
  for (int cell : {2, 5}) {
    const int c = x0 + RoundHalfAwayToInt(pitch * cell);
    colons.emplace_back(c - RoundHalfAwayToInt(0.3L * pitch), c + RoundHalfAwayToInt(0.3L * pitch));
  }
  InkBand band = MeasureInkBand(frame, y, spans, colons);
  // A first guess from a row well above the glyphs leaves their lower lines
  // outside the rows measured: they are measured again from the glyph top.
  if (band.found && std::max(band.bottom[0], band.bottom[1]) + 2 > y + kInkBandBelow)
    band = MeasureInkBand(frame, std::min(band.top[0], band.top[1]), spans, colons);
  // A line the frame's edge cuts reads as other digits (a "2" without its
  // base is a "7"): it is not located, and its frames get no time.
  if (band.found && band.cut) return false;
  if (band.found) {
    const int linesEven = (band.bottom[0] - band.top[0]) / 2 + 1;
    const int linesOdd = (band.bottom[1] - band.top[1]) / 2 + 1;
    ctx.stampCharHeight = linesEven + linesOdd;  // frame rows: two lines of each field
    loc.StampCharHeight = ctx.stampCharHeight;
    y = band.top[1];
    const int top = std::min(band.top[0], band.top[1]);
    const int bottom = std::max(band.bottom[0], band.bottom[1]);
    ctx.stampBackgroundLevel =
        IotaBackgroundLevel(frame, top, bottom, spans.front().first, spans.back().second);
    // The digits again on the glyph top with the glyph height: a first
    // guess from a row off the glyphs can be a cell or two out.
    const IotaLineGuess onTop = SearchIotaTimeDigits(frame, y, ctx, false);
    if (onTop.digits >= guess.digits) {
      x0 = onTop.x0;
      pitch = onTop.pitch;
    }
  } else {
    AlignDigitY(frame, x0, y, ctx);
  }
  ctx.stampCharPitch = pitch;
  const int locatedRow = SnapIotaStampRow(y, ctx.frameRateRounded);

  FitPoints points;
  for (int cell : {0, 1, 3, 4, 6, 7}) {
    int x = x0 + RoundHalfAwayToInt(pitch * cell);
    if (AlignDigitX(frame, x, y, ctx, options.iotaWideScan)) points.emplace_back(cell, x);
  }
  // Fewer than two cells give no line; keep the previous layout.
  if (points.size() < 2) return false;
  state.LocatedStampRow = locatedRow;
  LineFit fit = FitLine(points);
  ctx.stampCharPitch = fit.slope;
  // The counter: accept a digit only near its predicted place.
  int x = RoundHalfAwayToInt(19 * fit.slope + fit.intercept);
  const int q = static_cast<int>(RoundHalfEven(fit.slope));
  int previous = x - q;
  for (int k = 1; k <= 7; ++k) {
    if (!AlignDigitX(frame, x, y, ctx, options.iotaWideScan)) break;
    if (std::abs(x - previous - q) < 8) {
      points.emplace_back(k + 18, x);
      previous = x;
      x = RoundHalfAwayToInt((k + 19) * fit.slope + fit.intercept);
    }
  }
  fit = FitLine(points);
  ctx.stampCharPitch = fit.slope;
  static constexpr int kCells[22] = {0, 1, 3, 4, 6, 7, 9, 10, 11, 12, 14, 15, 16, 17, 19, 20, 21, 22, 23, 24, 25, 26};
  if (band.found) {
    // Glyphs narrower than their cells (the nominal font fills 22 of 21.5
    // pitch units) get sample columns of their own width.
    std::vector<long double> centres;
    for (int cell : kCells) centres.push_back(fit.slope * cell + fit.intercept);
    const long double cellPitch = MeasureGlyphWidth(frame, band, centres, fit.slope) * 21.5L / 22;
    if (cellPitch > 0 && cellPitch < fit.slope) ctx.stampCellPitch = cellPitch;
  }
  loc.DigitCentres.clear();
  int field = 7;
  for (int cell : kCells) {
    const long double c = fit.slope * cell + fit.intercept;
    loc.DigitCentres.push_back(static_cast<double>(c));
    state.DigitX[kLocatedLayout][field++] = RoundHalfAwayToInt(c);
  }
  state.LocatedFieldTop = band.found ? std::array<int32_t, 2>{band.top[0], band.top[1]}
                                     : std::array<int32_t, 2>{-1, -1};
  state.FieldOrderState = 2;
  return true;
}

bool LocateGhsTimeStamp(const Bitmap24& frame, int& x, int& y, GlyphContext& ctx, TimeStampState& state,
                        StampLocatorState& loc, const LocatorOptions& options) {
  if (ctx.frameRateRounded < 26 || !options.ghsLocateEnabled) return false;
  const int W = frame.Width();
  // A frame digitised at another width carries the same line scaled.
  auto Scaled = [W](int column720) { return RoundHalfAwayToInt(static_cast<long double>(column720) * W / 720); };
  ctx.stampCharPitch = 20.0L * W / 720;
  ctx.stampCharHeight = 28.0L;
  loc.StampCharHeight = 28.0L;
  ctx.stampBackgroundLevel = GhsBackgroundLevel(frame, x, y);
  loc.Edit55 = FormatWidth(ctx.stampBackgroundLevel, 0, 1);

  ctx.lettersOnly = false;
  if (loc.GhsSearchU) {
    const GlyphSearchMode saved = ctx.searchMode;
    ctx.searchMode = GlyphSearchMode::SearchU;
    double best = 0;
    int bestRow = 380, bestCol = Scaled(168);
    for (int row = 380; row <= 410; ++row) {
      int col = Scaled(168);
      const double score = FindUColumn(frame, col, row, ctx, Scaled(110), Scaled(210));
      if (score > best) {
        best = score;
        bestRow = row;
        bestCol = col;
      }
    }
    ctx.searchMode = saved;
    x = bestCol + Scaled(215);
    y = bestRow;
  } else {
    x = Scaled(380);
    y = 382;
  }
  loc.GhsSearchU = true;
  ctx.stampBackgroundLevel = GhsBackgroundLevel(frame, x, y);
  loc.Edit55 = FormatWidth(ctx.stampBackgroundLevel, 0, 1);

  // With no stroke brighter than the threshold margin every pixel would count
  // as lit and any uniform area would "read"; there is no stamp to locate.
  if ((ctx.glyphThreshold - 100.0 + ctx.stampBackgroundLevel) * 3.0 <= 0) return false;

  const long double startPitch = ctx.stampCharPitch;
  int x0 = x + RoundHalfAwayToInt(startPitch / 2);
  if (!AlignDigitX(frame, x0, y, ctx, false)) return false;
  AlignDigitX(frame, x0, y, ctx, false);
  int xr = x0 + RoundHalfAwayToInt(11 * startPitch);
  int xl = x0 + RoundHalfAwayToInt(-9 * startPitch);
  AlignDigitX(frame, xr, y, ctx, false);
  AlignDigitX(frame, xl, y, ctx, false);
  const long double pitch = (xr - xl) / 20.0L;
  ctx.stampCharPitch = pitch;

  FitPoints points;
  for (int cell : {0, 1, 3, 4, 6, 7, 9, 10, 11, -9, -8, -6, -5, -3, -2}) {
    int cx = x0 + RoundHalfAwayToInt(pitch * cell);
    if (AlignDigitX(frame, cx, y, ctx, false)) points.emplace_back(cell, cx);
  }
  if (points.size() < 2) return false;
  state.LocatedStampRow = y;
  const LineFit fit = FitLine(points);
  loc.DigitCentres.clear();
  int field = 7;
  for (int cell : {0, 1, 3, 4, 6, 7, 9, 10, 11}) {
    const long double c = fit.slope * cell + fit.intercept;
    loc.DigitCentres.push_back(static_cast<double>(c));
    state.DigitX[kLocatedLayout][field++] = RoundHalfAwayToInt(c);
  }
  field = 0;
  for (int cell : {-9, -8, -6, -5, -3, -2}) {
    const long double c = fit.slope * cell + fit.intercept;
    loc.DigitCentres.push_back(static_cast<double>(c));
    state.DigitX[kLocatedLayout][field++] = RoundHalfAwayToInt(c);
  }
  state.LocatedFieldTop = LocatedFieldRows(frame, y, ctx, state.DigitX[kLocatedLayout]);
  state.FieldOrderState = 2;
  return true;
}

bool StampRetryDue(StampLocatorState& loc, bool measuringRun) {
  constexpr int32_t kEvery = 16;
  const int32_t tries = ++loc.RetriesSinceMiss;
  return !measuringRun || tries <= kEvery || tries % kEvery == 0;
}
