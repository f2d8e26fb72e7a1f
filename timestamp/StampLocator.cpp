#include "timestamp/StampLocator.h"

#include <algorithm>
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

double FindUColumn(const Bitmap24& frame, int& x, int y, const GlyphContext& ctx) {
  const GlyphReader reader(ctx);
  for (int col = 110; col <= 210; ++col) {
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
  loc.StampCharHeight = 28.0L;
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

bool LocateIotaTimeStamp(const Bitmap24& frame, GlyphContext& ctx, TimeStampState& state,
                         StampLocatorState& loc, const LocatorOptions& options) {
  const int W = frame.Width();
  const bool slow = ctx.frameRateRounded < 27;
  ctx.stampCharPitch = 25.0L * W / 720;
  loc.StampCharHeight = 28.0L;
  const int yb = slow ? 526 : 418;
  ctx.stampBackgroundLevel = IotaBackgroundLevel(frame, yb, yb + 35, 100, 150);

  int x0 = RoundHalfAwayToInt(82.0L * W / 720);
  int y = slow ? 545 : 435;
  if (!AlignDigitX(frame, x0, y, ctx, options.iotaWideScan)) {
    y = slow ? 511 : 401;
    x0 = RoundHalfAwayToInt(82.0L * W / 720);
    if (!AlignDigitX(frame, x0, y, ctx, options.iotaWideScan)) return false;
  }
  AlignDigitY(frame, x0, y, ctx);
  AlignDigitX(frame, x0, y, ctx, options.iotaWideScan);
  int x1 = RoundHalfAwayToInt(540.0L * W / 720);
  AlignDigitX(frame, x1, y, ctx, options.iotaWideScan);
  y = SnapIotaStampRow(y, ctx.frameRateRounded);
  state.LocatedStampRow = y;

  const long double pitch = (x1 - x0) / 19.0L;
  ctx.stampCharPitch = pitch;
  FitPoints points;
  for (int cell : {0, 1, 3, 4, 6, 7}) {
    int x = x0 + RoundHalfAwayToInt(pitch * cell);
    if (AlignDigitX(frame, x, y, ctx, options.iotaWideScan)) points.emplace_back(cell, x);
  }
  // Fewer than two cells give no line; keep the previous layout.
  if (points.size() < 2) return false;
  LineFit fit = FitLine(points);
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
  loc.DigitCentres.clear();
  int field = 7;
  for (int cell : {0, 1, 3, 4, 6, 7, 9, 10, 11, 12, 14, 15, 16, 17, 19, 20, 21, 22, 23, 24, 25, 26}) {
    const long double c = fit.slope * cell + fit.intercept;
    loc.DigitCentres.push_back(static_cast<double>(c));
    state.DigitX[kLocatedLayout][field++] = RoundHalfAwayToInt(c);
  }
  state.FieldOrderState = 2;
  return true;
}

bool LocateGhsTimeStamp(const Bitmap24& frame, int& x, int& y, GlyphContext& ctx, TimeStampState& state,
                        StampLocatorState& loc, const LocatorOptions& options) {
  if (ctx.frameRateRounded < 26 || !options.ghsLocateEnabled) return false;
  const int W = frame.Width();
  ctx.stampCharPitch = 20.0L * W / 720;
  loc.StampCharHeight = 28.0L;
  ctx.stampBackgroundLevel = GhsBackgroundLevel(frame, x, y);
  loc.Edit55 = FormatWidth(ctx.stampBackgroundLevel, 0, 1);

  ctx.lettersOnly = false;
  if (loc.GhsSearchU) {
    const GlyphSearchMode saved = ctx.searchMode;
    ctx.searchMode = GlyphSearchMode::SearchU;
    double best = 0;
    int bestRow = 380, bestCol = 168;
    for (int row = 380; row <= 410; ++row) {
      int col = 168;
      const double score = FindUColumn(frame, col, row, ctx);
      if (score > best) {
        best = score;
        bestRow = row;
        bestCol = col;
      }
    }
    ctx.searchMode = saved;
    x = bestCol + 215;
    y = bestRow;
  } else {
    x = 380;
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
  int xr = x0 + RoundHalfAwayToInt(11 * startPitch * W / 720);
  int xl = x0 + RoundHalfAwayToInt(-9 * startPitch * W / 720);
  AlignDigitX(frame, xr, y, ctx, false);
  AlignDigitX(frame, xl, y, ctx, false);
  state.LocatedStampRow = y;
  const long double pitch = (xr - xl) / 20.0L;
  ctx.stampCharPitch = pitch;

  FitPoints points;
  for (int cell : {0, 1, 3, 4, 6, 7, 9, 10, 11, -9, -8, -6, -5, -3, -2}) {
    int cx = x0 + RoundHalfAwayToInt(pitch * cell);
    if (AlignDigitX(frame, cx, y, ctx, false)) points.emplace_back(cell, cx);
  }
  if (points.size() < 2) return false;
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
  state.FieldOrderState = 2;
  return true;
}
