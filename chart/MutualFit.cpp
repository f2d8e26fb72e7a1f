#include "chart/MutualFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

#include "base/NumberText.h"
#include "base/PolyFit.h"

namespace {

// The scaled form's sum of factor(k) Scaled[k] u^(k - from) for k = from..d.
long double ScaledSum(const MutualFitModel& m, long double x, int from, long double (*factor)(int)) {
  const long double u = (x - m.Centre) / m.Half;
  long double s = 0;
  for (int k = m.Degree(); k >= from; --k) s = s * u + factor(k) * m.Scaled[static_cast<size_t>(k)];
  return s;
}

}  // namespace

long double EvalFitPolynomial(const MutualFitModel& m, long double x) {
  const int d = m.Degree();
  if (d == 0) return 0;
  if (m.Fitted) return ScaledSum(m, x, 0, [](int) { return 1.0L; });
  long double p = m.Coef[0] + m.Coef[1] * x;
  for (int k = 2; k <= d; ++k) p += m.Coef[static_cast<size_t>(k)] * PolyFitPower(x, k);
  return p;
}

long double EvalFitPolynomialSlope(const MutualFitModel& m, long double x) {
  const int d = m.Degree();
  if (d == 0) return 0;
  long double s = 0;
  if (m.Fitted) {
    s = ScaledSum(m, x, 1, [](int k) { return static_cast<long double>(k); }) / m.Half;
  } else {
    s = m.Coef[1];
    for (int k = 2; k <= d; ++k) s += k * m.Coef[static_cast<size_t>(k)] * PolyFitPower(x, k - 1);
  }
  return m.Increase ? s : -s;
}

long double EvalFitThirdDerivative(const MutualFitModel& m, long double x) {
  const int d = m.Degree();
  if (d == 0) return 0;
  long double j = 0;
  if (m.Fitted) {
    if (d >= 3)
      j = ScaledSum(m, x, 3, [](int k) { return static_cast<long double>(k * (k - 1) * (k - 2)); }) /
          (m.Half * m.Half * m.Half);
  } else {
    if (d >= 3) j = 6 * m.Coef[3];
    for (int k = 4; k <= d; ++k) j += k * (k - 1) * (k - 2) * m.Coef[static_cast<size_t>(k)] * PolyFitPower(x, k - 3);
  }
  return m.Increase ? j : -j;
}

namespace {

constexpr long double kDay = 86400;

// Times read from the video start again at 0 h after midnight; a unit more
// than half a day before unit 1 lies in the next day.
bool AfterMidnight(long double seconds_from_unit1) { return seconds_from_unit1 < -kDay / 2; }

// x of every unit: seconds from unit 1.
std::vector<long double> UnitTimes(const TypAvgDataArray& units) {
  std::vector<long double> t(units.size(), 0);
  if (units.size() < 2) return t;
  const long double base = MutualUnitSeconds(units[1]);
  for (size_t u = 1; u < units.size(); ++u) {
    t[u] = MutualUnitSeconds(units[u]) - base;
    if (AfterMidnight(t[u])) t[u] += kDay;
  }
  return t;
}

void FitPoints(const std::vector<long double>& t, const TypAvgDataArray& units, int first, int last,
               MutualFitModel& m, std::vector<long double>& x, std::vector<long double>& y) {
  // The marked last unit belongs to the event as much as the first.
  last = std::min(last, static_cast<int>(units.size()) - 1);
  const int n = last - first + 1;
  x.assign(static_cast<size_t>(std::max(n, 0)), 0);
  y.assign(x.size(), 0);
  // At high degrees over minutes of units the sums of x^(i+j) span more
  // digits than long double holds: the fit is made, and the model evaluated,
  // on x scaled to -1..1.
  for (int k = 0; k < n; ++k) {
    x[static_cast<size_t>(k)] = t[static_cast<size_t>(first + k)];
    y[static_cast<size_t>(k)] = units[static_cast<size_t>(first + k)].TargetRatio;
  }
  PolyFitSettings s;
  s.PolyFitTermCount = s.PolyFitSolveSize = m.TermCount();
  s.PolyFitPointCount = std::max(n, 0);
  const PolyFitScale scale = FitPolyScaled(x, y, s, m.Scaled);
  m.Centre = scale.Centre;
  m.Half = scale.Half;
  m.Fitted = true;
  m.Coef.fill(0);
  ExpandScaledPoly(m.Scaled, s.PolyFitTermCount, scale, m.Coef);
}

// Seconds that round up to 60 go into the minute, and out of 23:59 to 0 h
// unless the units' hours run on past 24.
std::string ClockText(int64_t h, int64_t mi, long double s, int decimals, int precision, const char* hs,
                      const char* ms, const char* ss, bool hours_run_on) {
  const CarriedClock c = hours_run_on ? CarryRoundedSeconds(h, mi, s, decimals, precision)
                                      : CarryRoundedTimeOfDay(h, mi, s, decimals, precision);
  return FormatInt(c.Hour) + hs + FormatInt(c.Minute) + ms + c.SecondText + ss;
}

std::string TimeOfDayText(long double t, int decimals, int precision, const char* hs, const char* ms,
                          const char* ss, bool hours_run_on) {
  const int64_t h = TruncateToInt(t / 3600);
  const int64_t mi = TruncateToInt((t - h * 3600.0L) / 60);
  return ClockText(h, mi, t - h * 3600.0L - mi * 60.0L, decimals, precision, hs, ms, ss, hours_run_on);
}

std::string UnitTimeText(const TypAvgData& a, const char* gap, bool hours_run_on) {
  return ClockText(a.Hour, a.Minute, a.Second, 4, 8, gap, gap, "", hours_run_on);
}

}  // namespace

void FitMutualModel(const TypAvgDataArray& units, int first, int last, MutualFitModel& m) {
  std::vector<long double> x, y;
  FitPoints(UnitTimes(units), units, first, last, m, x, y);
}

MutualModelPass EvaluateMutualModel(const TypAvgDataArray& units, int first, int last, int fit_first_unit,
                                    const MutualFitModel& m) {
  MutualModelPass r;
  const std::vector<long double> t = UnitTimes(units);
  const bool hours_run_on = MutualHoursRunOn(units);
  if (units.size() >= 2) r.MutualFitTimeBase = MutualUnitSeconds(units[1]);
  auto time_of = [&](int u) {
    return u >= 0 && static_cast<size_t>(u) < t.size() ? t[static_cast<size_t>(u)] : 0.0L;
  };
  // Ratios of a bright target lie far above any fixed start.
  long double lowest = std::numeric_limits<long double>::infinity();
  r.MinimumUnit = fit_first_unit;
  long double minimum_t = time_of(fit_first_unit);
  long double previous_third = 0;
  for (int u = first; u <= last; ++u) {
    const TypAvgData& a = units[static_cast<size_t>(u)];
    const long double x = t[static_cast<size_t>(u)];
    MutualModelPoint pt{u, EvalFitPolynomial(m, x), EvalFitPolynomialSlope(m, x), EvalFitThirdDerivative(m, x)};
    if (pt.Slope > r.MaxSlope) r.MaxSlope = pt.Slope;
    r.SlopeLines.push_back(UnitTimeText(a, ",", hours_run_on) + "," +
                           FormatFixed(pt.Slope, 1, 8));
    if (pt.Value < lowest) {
      lowest = pt.Value;
      r.MinimumUnit = u;
      minimum_t = x;
    }
    const long double diff = pt.Value - a.TargetRatio;
    r.SumSq += diff * diff;
    if (pt.Third * previous_third < 0)
      r.ThirdDerivativeMarks.emplace_back(
          u, UnitTimeText(a, " ", hours_run_on));
    previous_third = pt.Third;
    r.Points.push_back(pt);
  }

  // From 1 s after the minimum unit down to 1 s before it, or to its
  // neighbours when units lie further apart, so the model's minimum between
  // them is reached; of equal values the later time, met first, stays.
  long double reach = 1;
  for (int v : {r.MinimumUnit - 1, r.MinimumUnit + 1})
    if (v >= first && v <= last) reach = std::max(reach, std::fabs(time_of(v) - minimum_t));
  // Within a day: stamps that make no sense must not make an endless search.
  const int steps = static_cast<int>(std::ceil(std::min(reach, kDay) * 10 - 1e-6L));
  long double best = std::numeric_limits<long double>::infinity();
  r.MinimumX = minimum_t;
  for (int i = -steps; i <= steps; ++i) {
    const long double x = minimum_t - i / 10.0L;
    const long double p = EvalFitPolynomial(m, x);
    if (p < best) {
      best = p;
      r.MinimumX = x;
    }
  }
  // Told as the units' own times are: from 0 h again when theirs start again.
  long double minimum_time = r.MinimumX + r.MutualFitTimeBase;
  const bool clock_wraps = std::any_of(units.begin() + (units.empty() ? 0 : 1), units.end(), [&](const TypAvgData& a) {
    return AfterMidnight(MutualUnitSeconds(a) - r.MutualFitTimeBase);
  });
  if (clock_wraps && minimum_time >= kDay) minimum_time -= kDay;
  r.MinimumText = TimeOfDayText(minimum_time, 1, 4, "h ", "m ", "s", hours_run_on);
  return r;
}

std::vector<std::string> MutualCoefficientLines(const MutualFitModel& m) {
  std::vector<std::string> lines;
  for (int k = 0; k <= m.DegreeItem + 2 && k < static_cast<int>(m.Coef.size()); ++k)
    lines.push_back(FormatInt(k) + " " + FormatGeneral(m.Coef[static_cast<size_t>(k)], 15));
  return lines;
}

std::string MutualResidualText(long double sum_sq, int first, int last) {
  return FormatFixed(std::sqrt(sum_sq / (last - first + 1)), 1, 8);
}

namespace {

struct RowBest {
  long double Residual = 1e15L;
  int End = 0;
  MutualFitModel Model;
  bool Found = false;
};

}  // namespace

MutualRangeSearchResult MutualRangeSearch(const TypAvgDataArray& units, const MutualRangeSearchInput& in,
                                          MutualRangeSearchProgress* progress, int threads) {
  MutualRangeSearchResult result;
  result.Model.DegreeItem = in.DegreeItem;
  result.Model.Increase = in.Increase;
  const std::vector<long double> t = UnitTimes(units);
  const int starts = in.First - in.FitFirst + 1;
  const int terms = result.Model.TermCount();
  if (starts < 1 || in.FitLast < in.Last || in.First >= in.Last || terms < 1 || terms >= PolyFitMatrixOrder ||
      in.FitFirst < 1 || static_cast<size_t>(in.FitLast) >= units.size())
    return result;
  std::vector<RowBest> rows(static_cast<size_t>(starts));
  std::atomic<int> next{0};
  std::atomic<bool> cancelled{false};

  auto work = [&] {
    std::vector<long double> x, y;
    MutualFitModel m = result.Model;
    for (;;) {
      const int row = next.fetch_add(1);
      if (row >= starts) return;
      const int s = in.FitFirst + row;
      RowBest& best = rows[static_cast<size_t>(row)];
      for (int e = in.Last; e <= in.FitLast; ++e) {
        if ((progress && progress->Cancel.load()) || cancelled.load()) {
          cancelled = true;
          return;
        }
        FitPoints(t, units, s, e, m, x, y);
        long double sum = 0;
        for (int u = in.First; u <= in.Last; ++u) {
          const long double d = EvalFitPolynomial(m, t[static_cast<size_t>(u)]) - units[static_cast<size_t>(u)].TargetRatio;
          sum += d * d;
        }
        const long double residual = std::sqrt(sum / (in.Last - in.First + 1));
        if (residual < best.Residual) {
          best.Residual = residual;
          best.End = e;
          best.Model = m;
          best.Found = true;
        }
      }
      if (progress) progress->StartsDone.fetch_add(1);
    }
  };

  const int n_threads = std::clamp(threads, 1, starts);
  if (n_threads == 1) {
    work();
  } else {
    std::vector<std::jthread> pool;
    for (int i = 0; i < n_threads; ++i) pool.emplace_back(work);
  }
  if (cancelled.load()) {
    result.Cancelled = true;
    return result;
  }
  // Rows in start order, strictly smaller only: the serial search's choice.
  for (int row = 0; row < starts; ++row) {
    const RowBest& b = rows[static_cast<size_t>(row)];
    if (b.Found && b.Residual < result.BestResidual) {
      result.BestResidual = b.Residual;
      result.BestStart = in.FitFirst + row;
      result.BestEnd = b.End;
      result.Model = b.Model;
    }
  }
  return result;
}
