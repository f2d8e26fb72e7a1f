#include "chart/MutualEvent.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "chart/ChartTable.h"

namespace {

using RawFrame = MutualSample;

std::string CellError(const std::string& text, int data_line, int column) {
  return "'" + text + "' is not a valid number (data line " + FormatInt(data_line) + ", column " +
         FormatInt(column) + ").";
}

// A typed time: empty parts count as 0.
long double TypedSeconds(const std::array<std::string, 3>& hms) {
  auto whole = [](const std::string& s) {
    const std::string d = KeepDigits(s);
    return d.empty() ? 0.0L : ParseLongDouble(d).value_or(0);
  };
  const std::string sec = KeepDecimal(hms[2]);
  const long double s = sec.empty() ? 0.0L : ParseLongDouble(sec).value_or(0);
  return whole(hms[0]) * 3600 + whole(hms[1]) * 60 + s;
}

}  // namespace

MutualAverageResult CalculateMutualUnits(const std::vector<std::string>& lines, const MutualAverageInput& in) {
  MutualAverageResult r;
  r.MutualHeaderLines = HeaderLineCountOf(lines);
  r.MutualFrameCount = static_cast<int32_t>(lines.size()) - r.MutualHeaderLines + 1;
  if (r.MutualFrameCount < 1) {
    r.Status = MutualAverageStatus::NoData;
    r.MemoLines = {"Data is not detected."};
    r.MutualFrameCount = 0;
    return r;
  }
  if (in.CsvVersion != 2 && in.CsvVersion != 3) {
    r.MemoLines.push_back("Legacy format is detected.");
    r.MemoLines.push_back("Please use newest Tessary (0.9.26 or later) for measurement.");
  }
  auto data_line = [&](int i) -> const std::string& {
    return lines[static_cast<size_t>(r.MutualHeaderLines + i - 2)];
  };
  const bool video_time = in.TimeSetting == MutualTimeSetting::ReadFromVideoImage;
  if (video_time && KeepDigits(GetCsvCell(data_line(1), 4)).empty()) {
    r.Status = MutualAverageStatus::NoVideoTime;
    r.Error = "The first record holds no time read from the video image: choose \"Based on First Frame\" or "
              "\"First & Last Frame\" and type the time.";
    return r;
  }

  const long double frame_rate = in.FrameRate > 0 ? in.FrameRate : 29.97L;
  if (!video_time) {
    r.MutualStartTime = TypedSeconds(in.FirstFrameTime);
    // Digits alone can make any number of hours, which no clock shows.
    const bool both = in.TimeSetting == MutualTimeSetting::FirstAndLastFrame;
    for (auto [typed, which] : {std::pair{r.MutualStartTime, "first"},
                                std::pair{both ? TypedSeconds(in.LastFrameTime) : 0.0L, "last"}})
      if (typed >= 86400) {
        r.Error = std::string("The ") + which + " frame time is not a time of day: type it below 24 hours.";
        return r;
      }
    // Rows per second: a PAL recording or field rows would otherwise be timed
    // as NTSC frames.
    r.MutualFrameRate = DetectFieldMode(lines, r.MutualHeaderLines) ? 2 * frame_rate : frame_rate;
    if (in.TimeSetting == MutualTimeSetting::FirstAndLastFrame) {
      r.MutualEndTime = TypedSeconds(in.LastFrameTime);
      if (r.MutualEndTime < r.MutualStartTime) r.MutualEndTime += 86400;
      if (r.MutualEndTime == r.MutualStartTime) {
        r.Error = "The first and last frame times are equal: no frame rate can be found from them.";
        return r;
      }
      r.MutualFrameRate = (r.MutualFrameCount - 1) / (r.MutualEndTime - r.MutualStartTime);
    }
  }

  const int32_t k = std::max<int32_t>(1, in.FramesPerUnit);
  r.MutualFramesPerUnit = k;
  r.MutualSmoothUnits = 2 * in.SmoothHalfWidth + 1;
  r.MutualUnitCount = r.MutualFrameCount / k;

  std::optional<long double> constant;
  if (in.SingleObject) {
    constant = ParseLongDouble(in.ConstantComparison);
    if (!constant) {
      r.Error = "'" + in.ConstantComparison + "' is not a valid comparison value.";
      return r;
    }
  }

  // Field rows hold their field's seconds in column 6 and leave column 7
  // (a frame's end) empty.
  const int seconds_column = video_time && DetectFieldMode(lines, r.MutualHeaderLines) ? 6 : 7;
  // Only the frames of whole units are read; the rest are dropped anyway.
  const int32_t used_frames = r.MutualUnitCount * k;
  std::vector<RawFrame> raw(static_cast<size_t>(used_frames) + 1);
  // Frame numbers (column 1) of the rows, when every row has one and they
  // rise: rows measured every few frames, field rows or rows taken out are
  // then timed where their frames lie.
  std::vector<long double> frame_no(raw.size(), 0);
  bool numbered = true;
  for (int i = 1; i <= used_frames; ++i) {
    const std::string& line = data_line(i);
    const auto no = ParseLongDouble(GetCsvCell(line, 1));
    if (no && (i == 1 || *no > frame_no[static_cast<size_t>(i - 1)]))
      frame_no[static_cast<size_t>(i)] = *no;
    else
      numbered = false;
    auto number = [&](int column) -> std::optional<long double> {
      const std::string text = GetCsvCell(line, column);
      auto v = ParseLongDouble(text);
      if (!v) r.Error = CellError(text, i, column);
      return v;
    };
    RawFrame& f = raw[static_cast<size_t>(i)];
    if (video_time) {
      const std::string h = GetCsvCell(line, 4), m = GetCsvCell(line, 5);
      auto hv = ParseInt32(h), mv = ParseInt32(m);
      if (!hv || !mv) {
        r.Error = !hv ? CellError(h, i, 4) : CellError(m, i, 5);
        return r;
      }
      auto s = number(seconds_column);
      if (!s) return r;
      f.Hour = *hv;
      f.Minute = *mv;
      f.Second = *s;
    }
    auto target = number(11);
    if (!target) return r;
    f.Target = *target;
    if (constant) {
      f.Comparison = *constant;
    } else {
      auto c = number(12);
      if (!c) return r;
      f.Comparison = *c;
    }
    if (in.Objects != MutualObjects::FirstToSecond) {
      auto third = number(13);
      if (!third) return r;
      if (in.Objects == MutualObjects::FirstToSecondAndThird)
        f.Comparison += *third;
      else
        f.Target += *third;
    }
  }

  // The typed first and last times belong to the first and last rows: with
  // numbered rows, the rows between lie where their frames lie, even when
  // rows were taken out.
  long double seconds_per_frame_no = 0;
  if (numbered && in.TimeSetting == MutualTimeSetting::FirstAndLastFrame && used_frames >= 1) {
    const auto last_no = ParseLongDouble(GetCsvCell(data_line(r.MutualFrameCount), 1));
    if (last_no && *last_no > frame_no[1] && *last_no >= frame_no[static_cast<size_t>(used_frames)])
      seconds_per_frame_no = (r.MutualEndTime - r.MutualStartTime) / (*last_no - frame_no[1]);
  }

  const int32_t n = r.MutualUnitCount;
  TypAvgDataArray units(static_cast<size_t>(n) + 1);
  // The unit's time is that of its middle frame; with K = 1 the frame itself.
  const int32_t m = std::max<int32_t>(1, k / 2);
  std::vector<uint8_t> moved_on(units.size(), 0);
  for (int32_t u = 1; u <= n; ++u) {
    TypAvgData& a = units[static_cast<size_t>(u)];
    long double target = 0, comparison = 0;
    for (int32_t j = (u - 1) * k + 1; j <= u * k; ++j) {
      target += raw[static_cast<size_t>(j)].Target;
      comparison += raw[static_cast<size_t>(j)].Comparison;
    }
    a.Target = target / k;
    a.Comparison = comparison / k;
    const int32_t f = (u - 1) * k + m;
    if (video_time) {
      const RawFrame& fr = raw[static_cast<size_t>(f)];
      a.Hour = fr.Hour;
      a.Minute = fr.Minute;
      a.Second = fr.Second;
      // A stamp read just after the minute turned may still show the old
      // minute: behind the unit before, or equal to it with the seconds
      // wrapped. Rows closer than 0.02 s (fields, 60 fps) may both lie in
      // the new minute's first 0.02 s with the right minute. A new hour (or
      // day) starts at minute 0 with every right to it.
      const TypAvgData& before = units[static_cast<size_t>(u - 1)];
      if (u >= 2 && a.Second < 0.02L && a.Hour == before.Hour &&
          (a.Minute < before.Minute || (a.Minute == before.Minute && a.Second < before.Second))) {
        ++a.Minute;
        moved_on[static_cast<size_t>(u)] = 1;
      }
    } else {
      const bool by_frame_no = numbered && in.TimeSetting == MutualTimeSetting::BasedOnFirstFrame;
      const long double t =
          r.MutualStartTime +
          (f == 1                     ? 0.0L
           : by_frame_no              ? (frame_no[static_cast<size_t>(f)] - frame_no[1]) / frame_rate
           : seconds_per_frame_no > 0 ? (frame_no[static_cast<size_t>(f)] - frame_no[1]) * seconds_per_frame_no
                                      : (f - 1) / r.MutualFrameRate);
      a.Hour = static_cast<int32_t>(TruncateToInt(t / 3600));
      a.Minute = static_cast<int32_t>(TruncateToInt((t - a.Hour * 3600.0L) / 60));
      a.Second = t - a.Hour * 3600.0L - a.Minute * 60.0L;
    }
  }

  // A stamp whose hour lagged with its minute, moved on out of minute 59,
  // reads the next hour's minute 0 as the stamps after it do; the units after
  // it were compared with minute 60 above.
  for (int32_t u = 1; u <= n; ++u) {
    TypAvgData& a = units[static_cast<size_t>(u)];
    if (!moved_on[static_cast<size_t>(u)] || a.Minute < 60) continue;
    a.Minute -= 60;
    a.Hour = a.Hour == 23 ? 0 : a.Hour + 1;
  }

  long double sum = 0;
  for (int32_t u = 1; u <= n; ++u) sum += units[static_cast<size_t>(u)].Comparison;
  r.MutualMeanComparison = n > 0 ? sum / n : 0;
  if (n > 0 && r.MutualMeanComparison == 0) {
    r.Error = "The mean comparison value is 0: the ratios cannot be formed.";
    return r;
  }
  for (int32_t u = 1; u <= n; ++u)
    units[static_cast<size_t>(u)].NormComparison = units[static_cast<size_t>(u)].Comparison / r.MutualMeanComparison;

  const int32_t h = std::max<int32_t>(0, in.SmoothHalfWidth);
  for (int32_t u = 1; u <= n; ++u) {
    const int32_t lo = std::max<int32_t>(1, u - h), hi = std::min<int32_t>(n, u + h);
    long double s = 0;
    for (int32_t v = lo; v <= hi; ++v) s += units[static_cast<size_t>(v)].NormComparison;
    TypAvgData& a = units[static_cast<size_t>(u)];
    a.SmoothedComparison = s / (hi - lo + 1);
    if (a.SmoothedComparison == 0) {
      a.TargetRatio = a.ComparisonRatio = 777;
    } else {
      a.TargetRatio = a.Target / a.SmoothedComparison;
      a.ComparisonRatio = a.Comparison / a.SmoothedComparison;
    }
  }

  const bool hours_run_on = MutualHoursRunOn(units);
  for (int32_t u = 1; u <= n; ++u)
    r.MemoLines.push_back(MutualUnitLine(units[static_cast<size_t>(u)], hours_run_on));
  r.MutualUnits = std::move(units);
  r.Status = MutualAverageStatus::Done;
  return r;
}

bool MutualHoursRunOn(const TypAvgDataArray& units) {
  return std::any_of(units.begin(), units.end(), [](const TypAvgData& a) { return a.Hour >= 24; });
}

std::string MutualUnitLine(const TypAvgData& a, bool hours_run_on) {
  // 59.9996 s is the next minute's 0.000, never "60.000".
  const CarriedClock c = hours_run_on ? CarryRoundedSeconds(a.Hour, a.Minute, a.Second, 3, 6)
                                      : CarryRoundedTimeOfDay(a.Hour, a.Minute, a.Second, 3, 6);
  return PadLeft(FormatInt(c.Hour), 2) + " " + PadLeft(FormatInt(c.Minute), 2) + " " + PadLeft(c.SecondText, 6) + "," +
         PadLeft(FormatFixed(a.Target, 0, 8), 8) + "," +
         PadLeft(FormatFixed(a.Comparison, 0, 8), 8) + "," + PadLeft(FormatFixed(a.TargetRatio, 0, 8), 8) + "," +
         PadLeft(FormatFixed(a.ComparisonRatio, 0, 8), 8) + "," + PadLeft(FormatFixed(a.NormComparison, 5, 10), 10);
}

long double MutualUnitSeconds(const TypAvgData& a) { return a.Hour * 3600.0L + a.Minute * 60.0L + a.Second; }

int MutualGraphView::UnitX(int u) const { return static_cast<int>(RoundHalfEven(u * MutualUnitStep)) + 50; }

int MutualGraphView::ValueY(long double v, long double scale) const {
  return MutualImageHeight - 30 -
         static_cast<int>(RoundHalfEven(v * scale * 100 / DivisorPercent -
                                        OffsetPercent * MutualPlotHeight / 100));
}

MutualGraphLayout LayoutMutualGraph(const TypAvgDataArray& units, int image_width, int image_height,
                                    int width_percent, int offset_percent, int divisor_percent) {
  MutualGraphLayout g;
  MutualGraphView& v = g.View;
  const int n = static_cast<int>(units.size()) - 1;
  const int w = image_width, h = image_height;
  v.MutualImageWidth = w;
  v.MutualImageHeight = h;
  v.OffsetPercent = offset_percent;
  v.DivisorPercent = divisor_percent == 0 ? 100 : divisor_percent;
  v.MutualPlotWidth = static_cast<long double>(RoundHalfEven((w - 80) * static_cast<long double>(width_percent) / 100));
  if (n < 1) return g;
  v.MutualUnitStep = v.MutualPlotWidth / n;

  auto minutes = [](const TypAvgData& a) { return a.Hour * 60.0L + a.Minute + a.Second / 60; };
  const long double t_first = minutes(units[1]);
  long double t_last = minutes(units[static_cast<size_t>(n)]);
  if (t_last < t_first) t_last += 1440;
  long double span = t_last - t_first;
  if (span == 0) span = 10;
  const long double per_minute = v.MutualPlotWidth / span;

  long double y_max = -100000;
  for (int u = 1; u <= n; ++u)
    y_max = std::max({y_max, units[static_cast<size_t>(u)].TargetRatio, units[static_cast<size_t>(u)].ComparisonRatio});
  if (y_max == 0) y_max = 100;
  v.MutualPlotHeight = h - 50;
  v.MutualYScale = v.MutualPlotHeight / y_max;

  // The first tick is the first whole minute at or after unit 1, labelled
  // with its own minute.
  const long double fraction = t_first - std::trunc(t_first);
  const long double g0 = fraction == 0 ? 0 : 1 - fraction;
  const int64_t label_base = units[1].Minute + (g0 != 0 ? 1 : 0);
  const int64_t last_k = TruncateToInt(span);
  for (int64_t k = 0; k <= last_k && k <= 100000; ++k) {
    MutualTick t;
    t.Position = static_cast<int>(RoundHalfEven((k + g0) * per_minute)) + 50;
    t.Label = FormatInt(label_base + k);
    g.MinuteTicks.push_back(std::move(t));
  }

  g.ScaleText = FormatFixed(v.MutualYScale, 8, 10);
  const int step = 1 / v.MutualYScale < 10 ? 500 : 5000;
  for (int i = -2; i <= 30; ++i) {
    const int y = v.ValueY(static_cast<long double>(i) * step);
    if (y < 20 || y > h - 30) continue;
    g.ValueTicks.push_back({y, i % 2 == 0 ? 10 : 5, PadLeft(FormatInt(i * step), 5)});
  }
  return g;
}

int MutualUnitAtX(const MutualGraphView& view, int x, int unit_count, bool* inside) {
  *inside = unit_count >= 1 && view.MutualUnitStep > 0 && x >= 50 && x <= view.MutualPlotWidth + 50;
  if (!*inside) return 0;
  const int64_t u = RoundHalfEven((x - 50) / view.MutualUnitStep);
  return static_cast<int>(std::clamp<int64_t>(u, 1, unit_count));
}

void SetFitRange(int32_t first, int32_t last, int32_t unit_count, MutualFitRange& range) {
  if (first > last) return;
  const int64_t w = std::llabs(RoundHalfEven((last - first + 1) / 3.0L));
  range.MutualFitFirstUnit = static_cast<int32_t>(std::max<int64_t>(1, first - w));
  range.MutualFitLastUnit = static_cast<int32_t>(last + w);
  if (range.MutualFitLastUnit >= unit_count) range.MutualFitLastUnit = unit_count;
}
