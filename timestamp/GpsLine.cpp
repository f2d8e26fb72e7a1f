#include "timestamp/GpsLine.h"

#include <cmath>
#include <initializer_list>

#include "base/NumberText.h"

namespace {

// Restores the glyph search mode and letters flag when a reader returns.
class SearchModeScope {
 public:
  SearchModeScope(GlyphContext& ctx, GlyphSearchMode mode) : ctx_(ctx), letters_(ctx.lettersOnly) {
    ctx.searchMode = mode;
  }
  ~SearchModeScope() {
    ctx_.searchMode = GlyphSearchMode::TimeLine;
    ctx_.lettersOnly = letters_;
  }

 private:
  GlyphContext& ctx_;
  bool letters_;
};

// Character positions of a GPS line: field f sits on cell f - firstField of
// the fitted line. Fields beyond the stored layout follow the same line.
struct GpsColumns {
  LineFit fit;
  int firstField = 7;
  int X(int field) const { return RoundHalfAwayToInt(fit.slope * (field - firstField) + fit.intercept); }
};

std::vector<GpsCellOutline> Outlines(const GpsColumns& cols, int cells, long double pitch, int y) {
  std::vector<GpsCellOutline> out;
  const int half = RoundHalfAwayToInt(pitch / 2);
  for (int c = 0; c < cells; ++c) {
    const int x = cols.X(cols.firstField + c);
    out.push_back({x - half, y, x - half + RoundHalfAwayToInt(pitch), y + 28});
  }
  return out;
}

// Reads along a row field after field.
class RunReader {
 public:
  RunReader(const Bitmap24& frame, const GlyphContext& ctx, const GpsColumns& cols, int y)
      : frame_(frame), reader_(ctx), cols_(cols), y_(y) {}
  char At(int field) const { return reader_.Read(frame_, cols_.X(field), y_); }
  // Reads fields from..last until one is unreadable; `reads` counts every
  // read made, the unreadable one included.
  std::string Run(int from, int last, int& reads, int& next) const {
    std::string s;
    reads = 0;
    int f = from;
    for (; f <= last; ++f) {
      ++reads;
      const char c = At(f);
      if (!c) {
        ++f;
        break;
      }
      s += c;
    }
    next = f;
    return s;
  }

 private:
  const Bitmap24& frame_;
  GlyphReader reader_;
  const GpsColumns& cols_;
  int y_;
};

// A number shown with its point: the digits read, the unreadable point
// turned into "." and then the decimals.
std::string PointedNumber(const RunReader& r, int from, int last, int decimalsLast) {
  int reads = 0, next = 0;
  std::string whole = r.Run(from, last, reads, next);
  whole.resize(static_cast<size_t>(reads), ' ');
  if (!whole.empty()) whole.back() = '.';
  int more = 0, after = 0;
  return whole + r.Run(next, decimalsLast, more, after);
}

// The x of each listed cell that a digit can be aligned on, from the line's
// first digit at x0.
FitPoints AlignedCells(const Bitmap24& frame, int x0, long double pitch, int y, const GlyphContext& ctx,
                       std::initializer_list<int> cells) {
  FitPoints points;
  for (int cell : cells) {
    int x = x0 + RoundHalfAwayToInt(pitch * cell);
    if (AlignDigitX(frame, x, y, ctx, false)) points.emplace_back(cell, x);
  }
  return points;
}

}  // namespace

GpsReadResult ReadIotaGpsLine(const Bitmap24& frame, GlyphContext& ctx, TimeStampState& state,
                              GpsStation& station) {
  GpsReadResult result;
  SearchModeScope scope(ctx, GlyphSearchMode::GpsLine);
  const int W = frame.Width();
  ctx.gpsCharPitch = 25.0L * W / 720;
  ctx.stampBackgroundLevel = IotaBackgroundLevel(frame, 128, 163, 320, 370);

  int x0 = RoundHalfAwayToInt(178.0L * W / 720);
  if (!AlignDigitX(frame, x0, 71, ctx, false)) return result;
  const long double provisional = 550.0L / 18;
  long double rowSum = 0;
  for (int k : {0, 1, 3, 4}) {
    int y = 71;
    AlignDigitY(frame, x0 + RoundHalfAwayToInt(k * provisional), y, ctx);
    rowSum += y;
  }
  const int y = RoundHalfAwayToInt(rowSum / 4);
  int xFar = RoundHalfAwayToInt(615.0L * W / 720);
  AlignDigitX(frame, xFar, y, ctx, false);
  const long double pitch = (xFar - x0) / 18.0L;
  ctx.gpsCharPitch = pitch;

  const FitPoints points = AlignedCells(frame, x0, pitch, y, ctx, {0, 1, 3, 4, 6, 7, 9, 10, 11, 12, 14, 15, 17, 18});
  // One digit gives no line: every cell would sit at column 0.
  if (points.size() < 2) return result;
  GpsColumns cols{FitLine(points), 7};
  for (int c = 0; c <= 18; ++c) state.DigitX[kIotaGpsLayout][7 + c] = cols.X(7 + c);
  result.outlines = Outlines(cols, 19, pitch, y);
  result.read = true;
  if (ctx.mode != TimeStampMode::Iota) return result;

  state.AutoRowOffset0 = 2;
  state.AutoRowOffset1 = 2;
  ctx.lettersOnly = false;
  int reads = 0, next = 0;
  {
    const RunReader r(frame, ctx, cols, y - 36);
    station.satellites = r.Run(14, 16, reads, next);
    int n = reads, hdopReads = 0, hdopNext = 0;
    std::string hdop = r.Run(20 + n, 20 + n + 3, hdopReads, hdopNext);
    hdop.resize(static_cast<size_t>(hdopReads), ' ');
    if (!hdop.empty()) hdop.back() = '.';
    for (int f = hdopNext; hdop.size() < 3; ++f) {
      const char c = r.At(f);
      if (!c) break;
      hdop += c;
    }
    station.hdop = hdop;
  }
  {
    const RunReader r(frame, ctx, cols, y);
    std::string utc;
    for (int f : {7, 8, -1, 10, 11, -1, 13, 14, -2, 16, 17, 18, 19, -3, 21, 22, -3, 24, 25}) {
      if (f == -1) utc += ':';
      else if (f == -2) utc += ' ';
      else if (f == -3) utc += '-';
      else {
        // An unreadable digit must not pass for a read 0.
        const char c = r.At(f);
        utc += c ? c : '?';
      }
    }
    station.utc = utc;
  }
  auto Coordinate = [&](int row, int from, int last, int decimalsLast, char positive, char negative) {
    const RunReader r(frame, ctx, cols, row);
    int n = 0, after = 0, m = 0, end = 0;
    const std::string whole = r.Run(from, last, n, after);
    const std::string decimals = r.Run(after, decimalsLast, m, end);
    ctx.lettersOnly = true;
    const RunReader letters(frame, ctx, cols, row);
    const char letter = letters.At(end);
    ctx.lettersOnly = false;
    // A letter that cannot be read leaves the hemisphere unknown: taking the
    // first would put a station of the other hemisphere at its mirror place.
    const char hemisphere = letter == positive || letter == negative ? letter : '?';
    return whole + "." + decimals + " " + hemisphere;
  };
  station.latitude = Coordinate(y + 36, 12, 17, 31, 'N', 'S');
  station.longitude = Coordinate(y + 72, 13, 19, 32, 'E', 'W');
  station.altitude = PointedNumber(RunReader(frame, ctx, cols, y + 108), 12, 17, 31) + " m MSL";
  station.separation = PointedNumber(RunReader(frame, ctx, cols, y + 144), 20, 25, 39) + " m";
  return result;
}

GpsReadResult ReadGhsGpsLine(const Bitmap24& frame, int x, int y, GlyphContext& ctx, TimeStampState& state,
                             StampLocatorState& loc, const LocatorOptions& options, GpsStation& station) {
  GpsReadResult result;
  if (ctx.frameRateRounded < 26 || !options.ghsLocateEnabled) return result;
  SearchModeScope scope(ctx, GlyphSearchMode::GpsLine);
  const int W = frame.Width();
  const long double pitch = 20.5L * W / 720;
  ctx.gpsCharPitch = pitch;
  loc.StampCharHeight = 28.0L;
  ctx.stampBackgroundLevel = GhsBackgroundLevel(frame, x, y);
  if ((ctx.glyphThreshold - 100.0 + ctx.stampBackgroundLevel) * 3.0 <= 0) return result;
  ctx.lettersOnly = false;
  int x0 = x + RoundHalfAwayToInt(1.5L * pitch);
  if (!AlignDigitX(frame, x0, y, ctx, false)) return result;
  const FitPoints points =
      AlignedCells(frame, x0, pitch, y, ctx, {0, 1, 2, 3, 5, 6, 8, 9, 11, 13, 14, 15, 17, 18, 20, 21, 22});
  if (points.size() < 2) return result;
  GpsColumns cols{FitLine(points), 6};
  for (int c = 0; c <= 23; ++c) state.DigitX[kGhsGpsLayout][6 + c] = cols.X(6 + c);
  result.outlines = Outlines(cols, 24, pitch, y);
  result.read = true;

  const RunReader r(frame, ctx, cols, y);
  auto Put = [&](std::string& s, int pos, int field) {
    const char c = r.At(field);
    if (c) s[static_cast<size_t>(pos)] = c;
  };
  ctx.lettersOnly = true;
  const RunReader letters(frame, ctx, cols, y);
  const bool west = letters.At(6) == 'W';
  const bool south = letters.At(19) == 'S';
  ctx.lettersOnly = false;

  // Degrees ending at position 3, minutes at 6-7, seconds at 10-11 and their
  // tenth at 13; on screen one separator field lies between the groups.
  auto Dms = [&](size_t length, int degreeDigits, int firstField, char hemisphere) {
    std::string t(length, ' ');
    t[4] = 'o';
    t[8] = '\'';
    t[12] = '.';
    t[14] = '"';
    int field = firstField;
    for (int pos = 4 - degreeDigits; pos <= 3; ++pos) Put(t, pos, field++);
    ++field;
    for (int pos : {6, 7}) Put(t, pos, field++);
    ++field;
    for (int pos : {10, 11}) Put(t, pos, field++);
    Put(t, 13, field + 1);
    t[16] = hemisphere;
    return t;
  };
  station.longitude = Dms(17, 3, 7, west ? 'W' : 'E');
  station.latitude = Dms(18, 2, 20, south ? 'S' : 'N');
  return result;
}
