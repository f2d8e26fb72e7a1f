#include "timing/LedTimeCorrection.h"

#include <algorithm>

#include <cmath>
#include <limits>
#include <sstream>

#include "base/CsvFields.h"
#include "base/NumberText.h"

TimeOfDay SplitTimeOfDay(long double t) {
  TimeOfDay d;
  d.Hour = static_cast<int32_t>(TruncateToInt(t / 3600.0L));
  t -= d.Hour * 3600.0L;
  d.Minute = static_cast<int32_t>(TruncateToInt(t / 60.0L));
  d.Seconds = t - d.Minute * 60.0L;
  return d;
}

LedLine FitLedLine(const std::vector<long double>& x, const std::vector<long double>& y) {
  LedLine line;
  long double sx = 0, sy = 0, sxy = 0, sxx = 0;
  const size_t n = std::min(x.size(), y.size());
  for (size_t i = 0; i < n; ++i) {
    sx += x[i];
    sy += y[i];
    sxy += x[i] * y[i];
    sxx += x[i] * x[i];
  }
  line.Count = static_cast<int>(n);
  long double d = n * sxx - sx * sx;
  if (d == 0) d = 1;
  line.Slope = (n * sxy - sx * sy) / d;
  line.Intercept = (sy * sxx - sx * sxy) / d;
  return line;
}

int32_t CycleFrames(long double frame_rate) {
  // A rate typed far beyond any camera's still gives a cycle that frame
  // numbers can be counted in, cycles either side of a frame included.
  constexpr int64_t kLongestCycle = 100000;
  return static_cast<int32_t>(std::clamp<int64_t>(RoundHalfAway(frame_rate), 0, kLongestCycle));
}

long double CycleDrift(long double frame_rate) {
  if (frame_rate == 0) return 0;
  return RoundHalfAway(frame_rate) / frame_rate - 1.0L;
}

LedCycleKind CycleKind(long double frame_rate) {
  const long double whole = RoundHalfAway(frame_rate);
  if (std::fabs(frame_rate - whole) < 1e-4L) return LedCycleKind::WholeRate;
  // N frames of 1/rate seconds last longer than a second when rate < N.
  return frame_rate < whole ? LedCycleKind::Increase : LedCycleKind::Decrease;
}

void ForgetLedCalibration(LedCorrectionState& s) {
  const int32_t cycle_frames = s.LedCycleFrames;  // the rate's, set by the window
  s = LedCorrectionState{};
  s.LedCycleFrames = cycle_frames;
}

const std::string& LedTable::Line(int data_line) const {
  static const std::string kNone;
  const int i = LedTableLine(HeaderLineCount, data_line);
  if (!Lines || i < 0 || i >= static_cast<int>(Lines->size())) return kNone;
  return (*Lines)[static_cast<size_t>(i)];
}

bool LedTable::HasRecord(int data_line) const {
  const int64_t f = static_cast<int64_t>(StartFrame) + data_line;
  return data_line >= 0 && data_line <= LastLine && f >= 0 && f <= LastFrame;
}

std::optional<long double> RecordedPcTime(const LedTable& t, int i) {
  const std::string& line = t.Line(i);
  const std::optional<int32_t> hour = ParseInt32(GetCsvCell(line, 8)), minute = ParseInt32(GetCsvCell(line, 9));
  const std::optional<long double> seconds = ParseLongDouble(GetCsvCell(line, 10));
  if (!hour || !minute || !seconds) return std::nullopt;
  // A time no clock shows (a damaged cell) would tip the line fitted through
  // every row; a recording through midnight may count its hours past 24.
  if (*hour < 0 || *hour > 47 || *minute < 0 || *minute > 59 || !(*seconds >= 0 && *seconds < 61))
    return std::nullopt;
  return Seconds(*hour, *minute, *seconds);
}

namespace {

std::string BlankPadded(int32_t v) { return v >= 0 && v < 10 ? " " + FormatInt(v) : FormatInt(v); }

// A time with seconds of 7 decimals: seconds that round up to 60 go into
// the next minute (and hour), as a clock shows them.
CarriedClock Clock7(int32_t hour, int32_t minute, long double seconds) {
  return CarryRoundedSeconds(hour, minute, seconds, 7, 10);
}

// Its seconds, a one-digit second padded by `pad`.
std::string Seconds7(const CarriedClock& c, char pad = '0') {
  std::string text = c.SecondText;
  if (text.size() == 9) text.insert(text.begin(), pad);
  return text;
}

// Hour, minute and seconds, each but the seconds blank-padded, separated by `gap`.
std::string BlankPaddedClock7(int32_t hour, int32_t minute, long double seconds, char pad, const char* gap) {
  const CarriedClock c = Clock7(hour, minute, seconds);
  return BlankPadded(static_cast<int32_t>(c.Hour)) + gap + BlankPadded(static_cast<int32_t>(c.Minute)) + gap +
         Seconds7(c, pad);
}

std::string Seconds4Blank(long double s) {
  std::string text = FormatFixed(s, 4, 10);
  if (text.size() != 7) text.insert(text.begin(), ' ');
  return text;
}

std::optional<long double> FrameField(const LedTable& t, int i) { return ParseLongDouble(GetCsvCell(t.Line(i), 1)); }

std::string FrameText(long double f) { return FormatGeneral(f, 15); }

// Seconds written with four decimals that round up to 60 go into the next
// minute (and hour): "60.0000" is no time other readers of the table accept.
CarriedClock CarriedLedTime(int32_t hour, int32_t minute, long double seconds) {
  return CarryRoundedSeconds(hour, minute, seconds, 4, 10);
}

void StoreCorrected(TLedFrameTime& r, long double end, long double centre) {
  const TimeOfDay e = SplitTimeOfDay(end), c = SplitTimeOfDay(centre);
  r.CentreHour = c.Hour;
  r.CentreMinute = c.Minute;
  r.CentreSeconds = c.Seconds;
  r.EndHour = e.Hour;
  r.EndMinute = e.Minute;
  r.EndSeconds = e.Seconds;
}

}  // namespace

bool LedRowFrames::HasRecord(const LedTable& t, int i) const {
  if (i < 0 || i > t.LastLine || i >= static_cast<int>(Rows.size())) return false;
  const int f = Rows[static_cast<size_t>(i)].Frame;
  return f >= 0 && f <= t.LastFrame;
}

LedRowFrames KeyLedRows(const LedTable& t) {
  LedRowFrames k;
  // The count is taken at step 1; rows removed since leave only the header.
  if (t.LastLine < 0 || (t.Lines && CountLedDataLines(*t.Lines, t.HeaderLineCount) < 0)) {
    k.Problem = "The results table holds no rows: no time can be given to them.";
    return k;
  }
  std::vector<std::optional<long double>> numbers;
  for (int i = 0; i <= t.LastLine; ++i) numbers.push_back(FrameField(t, i));
  // Rows without a readable number are passed over, but the frames around
  // them must lie as many apart as their rows.
  std::optional<size_t> before;
  for (size_t i = 0; i < numbers.size() && k.Consecutive; ++i) {
    if (!numbers[i]) continue;
    if (before && *numbers[i] != *numbers[*before] + static_cast<long double>(i - *before)) {
      k.Consecutive = false;
      k.Problem = "The rows are not consecutive frames: frame " + FrameText(*numbers[i]) + " follows frame " +
                  FrameText(*numbers[*before]) + ". Every row is timed by its own frame number.";
    }
    before = i;
  }
  if (k.Consecutive) {
    for (int i = 0; i <= t.LastLine; ++i) k.Rows.push_back({t.StartFrame + i, false});
    return k;
  }
  // Half frames count as whole units, so field rows n and n + 0.5 are exact.
  std::vector<int64_t> halves;
  for (size_t i = 0; i < numbers.size(); ++i) {
    const std::optional<long double>& n = numbers[i];
    const bool whole_half = n && std::fabs(*n) < 1e9L && *n * 2 == std::trunc(*n * 2);
    if (!whole_half || (i > 0 && *n * 2 <= static_cast<long double>(halves.back()))) {
      const std::string row = i > 0 && n ? "frame " + FrameText(*n) + " follows frame " + FrameText(*numbers[i - 1])
                                         : "data line " + FormatInt(static_cast<int64_t>(i)) + " has no frame number";
      k.Problem = "The rows are not consecutive frames and their frame numbers do not rise by whole or half frames (" +
                  row + "): no time can be given to them.";
      return k;
    }
    halves.push_back(static_cast<int64_t>(*n * 2));
  }
  const int64_t first = halves.front() >> 1;  // floor, also below 0
  for (const int64_t h : halves) {
    k.FieldRows = k.FieldRows || (h & 1) != 0;
    const int64_t frame = t.StartFrame + (h >> 1) - first;
    const int64_t top = std::numeric_limits<int32_t>::max();
    k.Rows.push_back({static_cast<int>(std::clamp<int64_t>(frame, -1, top)), (h & 1) != 0});
  }
  return k;
}

PcTimeFit FitRecordedPcTime(const LedTable& t, LedCorrectionState& s) {
  PcTimeFit fit;
  s.PcTimeFitted = false;
  s.CorrectedTimesSet = false;
  // The calibration point was the last fit's, which the steps now start before.
  s.PpsPointSet = false;
  if (t.LastLine <= 0) return fit;
  s.LedFrameTimes.assign(static_cast<size_t>(std::max(t.LastFrame + 1, 0)), TLedFrameTime{});
  if (GetCsvCell(t.Line(0), 8).empty()) return fit;
  const LedRowFrames keys = KeyLedRows(t);
  if (keys.Rows.empty()) {
    fit.Warnings.push_back(keys.Problem);
    return fit;
  }

  std::vector<long double> xs, ys;
  int beyond = 0, unreadable = 0;
  long double day = 0;  // a recording through midnight goes on past 24 h
  for (int i = 0; i <= t.LastLine; ++i) {
    if (!keys.HasRecord(t, i)) {
      ++beyond;
      continue;
    }
    // A missing time read as 00:00:00 would pull the line by hours, and
    // would pass for midnight and move every later row by a day.
    const std::optional<long double> read = RecordedPcTime(t, i);
    if (!read) {
      ++unreadable;
      continue;
    }
    long double y = *read + day;
    if (!ys.empty() && y < ys.back() - 43200) {
      day += 86400;
      y += 86400;
    }
    xs.push_back(keys.Rows[static_cast<size_t>(i)].Frame - t.StartFrame);
    ys.push_back(y);
  }
  if (xs.size() < 2) {
    // Rows that hold PC times outside the open video's frames (a table loaded
    // without its video) are not rows without PC time.
    if (beyond > 0)
      fit.Warnings.push_back("The rows lie beyond the last frame of the open video (frame " + FormatInt(t.LastFrame) +
                             "): open the video the table was measured from to make the time correction.");
    return fit;
  }
  if (beyond > 0)
    fit.Warnings.push_back(FormatInt(beyond) +
                           " rows lie beyond the last frame of the video and take no part in the time correction.");
  if (unreadable > 0)
    fit.Warnings.push_back(FormatInt(unreadable) +
                           " rows have no readable recorded PC time and take no part in the time correction.");
  if (!keys.Consecutive) fit.Warnings.push_back(keys.Problem);
  const LedLine line = FitLedLine(xs, ys);
  s.PcTimeSlope = line.Slope;
  s.PcTimeIntercept = line.Intercept;
  fit.Fitted = true;
  s.PcTimeFitted = true;

  for (int f = 0; f < static_cast<int>(s.LedFrameTimes.size()); ++f) {
    TLedFrameTime& r = s.LedFrameTimes[static_cast<size_t>(f)];
    const TimeOfDay d = SplitTimeOfDay(s.PcTimeIntercept + s.PcTimeSlope * (f - t.StartFrame));
    r = TLedFrameTime{};
    r.FitHour = d.Hour;
    r.FitMinute = d.Minute;
    r.FitSeconds = d.Seconds;
  }
  for (int i = 0; i <= t.LastLine; ++i) {
    if (!keys.HasRecord(t, i)) continue;
    const int f = keys.Rows[static_cast<size_t>(i)].Frame;
    const TLedFrameTime& r = s.LedFrameTimes[static_cast<size_t>(f)];
    fit.Table.push_back(PadLeft(FormatInt(f), 4) + " " +
                        BlankPaddedClock7(r.FitHour, r.FitMinute, r.FitSeconds, '0', " ") + " " +
                        GetCsvCell(t.Line(i), 7));
  }
  return fit;
}

void ApplyLedOffset(long double frame_rate, LedCorrectionState& s) {
  const long double half = frame_rate != 0 ? 1.0L / (2.0L * frame_rate) : 0.0L;
  for (TLedFrameTime& r : s.LedFrameTimes) {
    const long double end = Seconds(r.FitHour, r.FitMinute, r.FitSeconds) + s.LedTimeOffset;
    StoreCorrected(r, end, end - half);
  }
}

std::vector<std::string> CorrectedTimeTable(const LedTable& t, const LedCorrectionState& s) {
  std::vector<std::string> table = {"    ,Recorded PC Time,,,Obtained UTC from LED Signal,",
                                    "Frm.,Frame End     ,,,Frame Center,,,Frame End,",
                                    "No. ,HH,MM,SS.SSSSSSS,HH,MM,SS.SSSS,HH,MM,SS.SSSS,"};
  const LedRowFrames keys = KeyLedRows(t);
  for (int i = 0; i <= t.LastLine; ++i) {
    if (!keys.HasRecord(t, i)) continue;
    const int f = keys.Rows[static_cast<size_t>(i)].Frame;
    if (f >= static_cast<int>(s.LedFrameTimes.size())) continue;
    const TLedFrameTime& r = s.LedFrameTimes[static_cast<size_t>(f)];
    const CarriedClock centre = CarriedLedTime(r.CentreHour, r.CentreMinute, r.CentreSeconds),
                       end = CarriedLedTime(r.EndHour, r.EndMinute, r.EndSeconds);
    table.push_back(PadLeft(FormatInt(f), 4) + "," +
                    BlankPaddedClock7(r.FitHour, r.FitMinute, r.FitSeconds, ' ', ",") + "," + FormatInt(centre.Hour) +
                    "," + BlankPadded(static_cast<int32_t>(centre.Minute)) + "," + Seconds4Blank(centre.Second) +
                    "," + FormatInt(end.Hour) + "," + BlankPadded(static_cast<int32_t>(end.Minute)) + "," +
                    Seconds4Blank(end.Second) + ",");
  }
  return table;
}

int PpsRisingLine(const std::vector<TLedFrameSample>& samples, int last_line) {
  for (int i = 0; i <= last_line && i < static_cast<int>(samples.size()); ++i)
    if (samples[static_cast<size_t>(i)].PpsRising) return i;
  return 0;
}

CycleFitResult FitLedCycle(const LedTable& t, std::vector<TLedFrameSample>& samples, int lower, int upper,
                           long double frame_rate, LedCorrectionState& s) {
  CycleFitResult out;
  // The fit counts cycles in data lines, which only one row per frame allows.
  if (!KeyLedRows(t).Consecutive) {
    out.Refused =
        "The rows are not one per frame (a measurement step or field rows): the LED cycle fit needs a row for "
        "every frame. Measure the LED frame by frame to calibrate; memorised points can then time this table.";
    return out;
  }
  const int n_frames = s.LedCycleFrames;
  const long double drift = CycleDrift(frame_rate);
  const int last = std::min(t.LastLine, static_cast<int>(samples.size()) - 1);
  const int first_frame_no = static_cast<int>(TruncateToInt(FrameField(t, 0).value_or(0.0L)));
  for (TLedFrameSample& x : samples) {
    x.FittedSignal = 0;
    x.ZeroCrossing = 0;
  }
  const int p0 = PpsRisingLine(samples, last);
  lower = std::clamp(lower, -30, 0);
  upper = std::clamp(upper, 0, 40);

  std::vector<long double> ks, ys;
  long double scale = 0;  // the largest brightness or signal the fit sees
  for (int k = lower; k <= upper; ++k) {
    const int j = k * n_frames + p0;
    if (j < 0 || j > last || !t.HasRecord(j)) continue;
    const TLedFrameSample& x = samples[static_cast<size_t>(j)];
    ks.push_back(k);
    ys.push_back(x.Signal);
    scale = std::max({scale, std::fabs(x.Brightness), std::fabs(x.Signal)});
  }
  const LedLine line = FitLedLine(ks, ys);
  out.Slope = line.Slope;
  out.Intercept = line.Intercept;

  auto cycle_of = [&](int i) { return n_frames != 0 ? static_cast<long double>(i - p0) / n_frames : 0.0L; };
  int m = 0;
  long double residuals = 0, u_sum = 0, y_sum = 0;
  for (int i = 0; i <= last; ++i) {
    TLedFrameSample& x = samples[static_cast<size_t>(i)];
    x.FittedSignal = line.Intercept + line.Slope * cycle_of(i);
    if (!x.InFit && !x.PpsRising) continue;
    ++m;
    residuals += (x.Signal - x.FittedSignal) * (x.Signal - x.FittedSignal);
    u_sum += cycle_of(i);
    y_sum += x.Signal;
  }
  // A crossing a million cycles (days) away is a flat fit in rounding noise,
  // and its line number would not fit in a frame number.
  constexpr long double kFarthestCycle = 1e6L;
  // An LED that never lights leaves the signal at the background fit's
  // rounding noise, whose slope would put a crossing anywhere.
  const long double span = ks.empty() ? 0 : ks.back() - ks.front();
  const bool above_noise = std::fabs(line.Slope) * span > 1e-9L * scale;
  const bool crossing =
      line.Slope != 0 && above_noise && std::fabs(line.Intercept / line.Slope) <= kFarthestCycle;
  // A line through two points leaves no scatter to judge it by.
  if (m > 2) {
    // The line's two parameters take two degrees of freedom from the scatter.
    const long double sigma = std::sqrt(residuals / (m - 2)), u_mean = u_sum / m, y_mean = y_sum / m;
    // Spread of the fitted cycles about their mean, in cycles like u.
    long double spread = 0;
    for (const long double k : ks) spread += (u_mean - k) * (u_mean - k);
    // A flat fit's slope is zero but for rounding.
    const long double a = crossing ? line.Slope : 0;
    long double error = 0;
    // The zero crossing's standard error in cycles times the drift per cycle
    // gives seconds; its variance would be cycles squared. The crossing is
    // where the fitted line meets an exact zero, not a new noisy reading, so
    // no single reading's scatter is added.
    if (a != 0 && spread != 0 && drift != 0)
      error = std::fabs(drift) * (sigma / std::fabs(a)) * std::sqrt(1.0L / m + y_mean * y_mean / (a * a * spread));
    out.Error = error;
    out.Edit27 = FormatFixed(error, 9, 12);
  }
  if (crossing) {
    out.SlopeFound = true;
    const long double k0 = -line.Intercept / line.Slope;
    out.ZeroCycle = k0;
    const int64_t zero_line = p0 + RoundHalfAway(k0 * n_frames);
    if (zero_line >= 0 && zero_line <= last) samples[static_cast<size_t>(zero_line)].ZeroCrossing = 1;
    const int64_t whole = TruncateToInt(k0);
    s.PpsCycleFraction = k0 - whole;
    s.PpsLine = static_cast<int32_t>(whole * n_frames + p0);
    const long double pc = s.PcTimeIntercept + s.PcTimeSlope * s.PpsLine;
    const long double utc = RoundHalfAway(pc) - s.PpsCycleFraction * drift;
    s.LedTimeOffset = utc - pc;
    s.PpsFrame = t.StartFrame + s.PpsLine;
  }
  out.Edit19 = FormatFixed(s.LedTimeOffset * 1000.0L, 7, 10) + "msec";
  out.Edit28 = "Ofs" + FormatFixed(s.PpsCycleFraction * drift * 1000.0L, 7, 10) + "msec";
  out.Edit18 = FormatFixed(s.LedTimeOffset, 7, 10);
  out.Edit21 = FormatInt(s.PpsFrame);

  ApplyLedOffset(frame_rate, s);
  s.CorrectedTimesSet = true;
  // The calibration frame is held inside the rows, and its record inside the video.
  const int first_row_frame = t.StartFrame, last_row_frame = t.StartFrame + t.LastLine;
  int record = 0;
  if (s.PpsFrame > last_row_frame || s.PpsFrame < first_row_frame) {
    s.PpsFrame = std::clamp(s.PpsFrame, first_row_frame, last_row_frame);
    record = s.PpsFrame;
  } else {
    record = s.PpsFrame - first_frame_no + t.StartFrame;
  }
  if (!s.LedFrameTimes.empty()) {
    const TLedFrameTime& r =
        s.LedFrameTimes[static_cast<size_t>(std::clamp(record, 0, static_cast<int>(s.LedFrameTimes.size()) - 1))];
    s.PpsEndHour = r.EndHour;
    s.PpsEndMinute = r.EndMinute;
    s.PpsEndSeconds = static_cast<double>(r.EndSeconds);
    // Without any crossing found the point would be a PC time passed off as UTC.
    if (out.SlopeFound) s.PpsPointSet = true;
  }
  out.Table = CorrectedTimeTable(t, s);
  return out;
}

// ---- memorised points ----

std::string FormatMemorisedPoint(int entry, int32_t frame, int32_t hour, int32_t minute, long double seconds) {
  std::string e = FormatInt(entry), f = FormatInt(frame);
  while (e.size() < 4) e.insert(e.begin(), '0');
  while (f.size() < 5) f.insert(f.begin(), '0');
  const CarriedClock c = Clock7(hour, minute, seconds);
  return e + " " + f + " " + TwoDigits(c.Hour) + ":" + TwoDigits(c.Minute) + ":" + Seconds7(c);
}

MemorisedPoint ParseMemorisedPoint(const std::string& line) {
  MemorisedPoint p;
  std::vector<std::string> tokens;
  std::istringstream in(line);
  for (std::string w; in >> w;) tokens.push_back(w);
  if (tokens.size() > 1) p.Frame = ParseInt32(tokens[1]).value_or(1);
  if (tokens.size() > 2) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream time(tokens[2]);
    while (std::getline(time, part, ':')) parts.push_back(part);
    if (parts.size() > 0) p.Hour = ParseInt32(parts[0]).value_or(0);
    if (parts.size() > 1) p.Minute = ParseInt32(parts[1]).value_or(0);
    if (parts.size() > 2) p.Seconds = ParseLongDouble(parts[2]).value_or(1.0L);
  }
  return p;
}

void SortAndRenumberPoints(std::vector<std::string>& points) {
  std::stable_sort(points.begin(), points.end(), [](const std::string& a, const std::string& b) {
    return ParseMemorisedPoint(a).Frame < ParseMemorisedPoint(b).Frame;
  });
  for (size_t i = 0; i < points.size(); ++i) {
    std::string number = FormatInt(static_cast<int64_t>(i) + 1);
    while (number.size() < 4) number.insert(number.begin(), '0');
    points[i].replace(0, std::min<size_t>(4, points[i].size()), number);
  }
}

bool AddMemorisedPoint(std::vector<std::string>& points, int32_t frame, int32_t hour, int32_t minute,
                       long double seconds) {
  for (const std::string& p : points)
    if (ParseMemorisedPoint(p).Frame == frame) return false;
  points.push_back(FormatMemorisedPoint(static_cast<int>(points.size()) + 1, frame, hour, minute, seconds));
  SortAndRenumberPoints(points);
  return true;
}

std::vector<std::string> FitMemorisedPoints(const std::vector<std::string>& points, int last_frame,
                                            LedCorrectionState& s) {
  std::vector<std::string> memo = {"PPSNum=" + FormatInt(static_cast<int64_t>(points.size()))};
  if (points.empty()) return memo;
  std::vector<long double> xs, ys;
  for (const std::string& line : points) {
    const MemorisedPoint p = ParseMemorisedPoint(line);
    memo.push_back("No. " + FormatInt(p.Frame));
    memo.push_back("H: " + FormatInt(p.Hour));
    memo.push_back("M: " + FormatInt(p.Minute));
    memo.push_back("S: " + FormatFixed(p.Seconds, 7, 10));
    xs.push_back(p.Frame);
    ys.push_back(Seconds(p.Hour, p.Minute, p.Seconds));
  }
  const LedLine line = FitLedLine(xs, ys);
  memo.push_back("a=" + FormatFixed(line.Slope, 12, 15));
  memo.push_back("b=" + FormatFixed(line.Intercept, 7, 15));
  s.LedFrameTimes.resize(static_cast<size_t>(std::max(last_frame + 1, 0)));
  for (int f = 0; f < static_cast<int>(s.LedFrameTimes.size()); ++f) {
    const long double end = line.Intercept + line.Slope * f;
    StoreCorrected(s.LedFrameTimes[static_cast<size_t>(f)], end, end - line.Slope * 0.5L);
  }
  s.CorrectedTimesSet = true;
  return memo;
}

int AddPointsWithoutLedCorrection(std::vector<std::string>& points, const LedTable& t, const LedCorrectionState& s) {
  int added = 0;
  // Without a fit the records hold zeros, or the times of an earlier table.
  if (!s.PcTimeFitted) return 0;
  const LedRowFrames keys = KeyLedRows(t);
  for (const int i : {0, t.LastLine}) {
    if (!keys.HasRecord(t, i)) continue;
    const int f = keys.Rows[static_cast<size_t>(i)].Frame;
    if (f >= static_cast<int>(s.LedFrameTimes.size())) continue;
    const TLedFrameTime& r = s.LedFrameTimes[static_cast<size_t>(f)];
    if (AddMemorisedPoint(points, f, r.FitHour, r.FitMinute, r.FitSeconds)) ++added;
  }
  return added;
}

// ---- the PPS rising line and the cycle range ----

void ClearPpsChoice(std::vector<TLedFrameSample>& samples) {
  ClearCycleFit(samples);
  for (TLedFrameSample& x : samples) {
    x.InFit = 0;
    x.PpsRising = 0;
    x.CycleMember = 0;
  }
}

void ClearCycleFit(std::vector<TLedFrameSample>& samples) {
  for (TLedFrameSample& x : samples) {
    x.FittedSignal = -200.0L;
    x.ZeroCrossing = 0;
  }
}

void MarkPpsRisingLine(std::vector<TLedFrameSample>& samples, int last_line, int line, int cycle_frames) {
  const int last = std::min(last_line, static_cast<int>(samples.size()) - 1);
  for (int i = 0; i <= last; ++i) {
    TLedFrameSample& x = samples[static_cast<size_t>(i)];
    x.PpsRising = i == line ? 1 : 0;
    x.CycleMember = cycle_frames > 0 && (i - line) % cycle_frames == 0 ? 1 : 0;
  }
}

namespace {

// Mean signal over cycles k_from..k_to from the line, over lines 0..last.
long double CycleMean(const std::vector<TLedFrameSample>& samples, int last, int line, int n, int k_from, int k_to) {
  long double sum = 0;
  int count = 0;
  for (int k = k_from; k <= k_to; ++k) {
    const int j = line + k * n;
    if (j < 0 || j > last || j >= static_cast<int>(samples.size())) continue;
    sum += samples[static_cast<size_t>(j)].Signal;
    ++count;
  }
  return count > 0 ? sum / count : 0.0L;
}

}  // namespace

bool SignalRises(const std::vector<TLedFrameSample>& samples, int last_line, int line, int cycle_frames) {
  return CycleMean(samples, last_line, line, cycle_frames, -10, 0) <
         CycleMean(samples, last_line, line, cycle_frames, 0, 10);
}

bool ClickCandidate(const std::vector<TLedFrameSample>& samples, int last_line, int line, int cycle_frames,
                    LedCycleKind kind) {
  if (kind == LedCycleKind::WholeRate) return false;
  const long double before = CycleMean(samples, last_line, line, cycle_frames, -10, 0);
  const long double after = CycleMean(samples, last_line - 1, line, cycle_frames, 0, 10);
  return kind == LedCycleKind::Increase ? after > before : after <= before;
}

CycleBounds CycleRangeBounds(int last_line, int pps_line, int cycle_frames) {
  if (cycle_frames <= 0) return {};
  return {std::max(-(pps_line / cycle_frames), -30), std::clamp((last_line - pps_line) / cycle_frames, 0, 40)};
}

void MarkCycleRange(std::vector<TLedFrameSample>& samples, int last_line, int pps_line, int cycle_frames, int lower,
                    int upper) {
  for (TLedFrameSample& x : samples) x.InFit = 0;
  for (int k = lower; k <= upper; ++k) {
    if (k == 0) continue;
    const int j = pps_line + k * cycle_frames;
    const bool inside = k < 0 ? j >= 0 : j <= last_line - 1;
    if (inside && j < static_cast<int>(samples.size())) samples[static_cast<size_t>(j)].InFit = 1;
  }
}

// ---- apply ----

std::string LedSecondsField(long double seconds) {
  std::string text = FormatFixed(seconds, 4, 10);
  // Only a single integer digit is padded: a "0" before "-12.3456" would
  // make the cell unreadable.
  if (text.size() == 6) text.insert(text.begin(), '0');
  return text;
}

std::optional<std::vector<std::string>> ApplyLedTimesToTable(const LedTable& t, int last_measured_frame,
                                                             const LedCorrectionState& s) {
  if (last_measured_frame < 0 || !t.Lines) return std::nullopt;
  const LedRowFrames keys = KeyLedRows(t);
  if (keys.Rows.empty()) return std::nullopt;
  std::vector<std::string> lines = *t.Lines;
  for (int i = 0; i <= t.LastLine; ++i) {
    const int line = LedTableLine(t.HeaderLineCount, i);
    const LedRowFrame& key = keys.Rows[static_cast<size_t>(i)];
    if (!keys.HasRecord(t, i) || key.Frame >= static_cast<int>(s.LedFrameTimes.size()) ||
        line >= static_cast<int>(lines.size()))
      continue;
    const TLedFrameTime& r = s.LedFrameTimes[static_cast<size_t>(key.Frame)];
    const CarriedClock centre = CarriedLedTime(r.CentreHour, r.CentreMinute, r.CentreSeconds),
                       end = CarriedLedTime(r.EndHour, r.EndMinute, r.EndSeconds);
    std::string& row = lines[static_cast<size_t>(line)];
    if (keys.FieldRows) {
      const CarriedClock& field = key.SecondField ? end : centre;
      SetCsvField(row, 4, TwoDigits(field.Hour));
      SetCsvField(row, 5, TwoDigits(field.Minute));
      SetCsvField(row, 6, LedSecondsField(field.Second));
      SetCsvField(row, 7, "");
      continue;
    }
    // The end's seconds stand beside the centre's hour and minute, counted
    // in the end's own minute as a time stamp shows them.
    SetCsvField(row, 4, TwoDigits(centre.Hour));
    SetCsvField(row, 5, TwoDigits(centre.Minute));
    SetCsvField(row, 6, LedSecondsField(centre.Second));
    SetCsvField(row, 7, LedSecondsField(end.Second));
  }
  return lines;
}
