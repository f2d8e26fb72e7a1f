#include "chart/ChartScale.h"

#include <algorithm>
#include <cmath>

#include "base/NumberText.h"

ValueRange GetMinMax(const ChartData& data, const CurveBoxes& boxes) {
  ValueRange r;
  double lo = 0, hi = 0;
  const bool only_a = data.CsvVersion < 1 || data.CsvVersion > 3;
  for (const ChartRecord& rec : data.Records) {
    if (rec.LineEmpty) continue;
    for (int c = 0; c < kChartCurveCount; ++c) {
      if (!boxes[static_cast<size_t>(c)] || (only_a && c != CurveA)) continue;
      if (rec.CellEmpty(static_cast<ChartCurve>(c))) continue;
      const double v = rec.Value[static_cast<size_t>(c)];
      hi = std::max(hi, v);
      lo = std::min(lo, v);
    }
  }
  r.Min = lo;
  r.Max = hi;
  return r;
}

bool ComputeYScale(ChartView& view, ValueRange range, int y_max_position, int y_min_position) {
  if (range.Max - range.Min == 0) return false;
  view.ChartValueMax = range.Max * y_max_position / 10;
  view.ChartValueMin = range.Min * y_min_position / 10 * (-1);
  const double h = view.ChartImageHeight - view.ChartTopMargin - view.ChartBottomMargin;
  long double span = view.ChartValueMax - view.ChartValueMin;
  if (span == 0) span = 0.0001L;
  view.ChartYScale = static_cast<double>(h / span);
  view.ChartYOffset = static_cast<double>(h - view.ChartValueMax * view.ChartYScale);
  return true;
}

// Ties to even, as RoundHalfEven, for the hot pixel mapping: adding and
// taking away 1.5 x 2^52 leaves a double of magnitude below 2^51 rounded to
// an integer in the default floating-point mode, to nearest with ties to
// even, as lrint does, without a library call.
static inline int PixelRound(double p) {
  constexpr double kShift = 6755399441055744.0;  // the sum is not reassociated without -ffast-math
  return static_cast<int>((std::clamp(p, -1e8, 1e8) + kShift) - kShift);
}

int ValueToPixelY(const ChartView& view, double v) {
  const int base = view.ChartImageHeight - view.ChartBottomMargin;
  // The offset counts whatever its sign: a range that does not reach down to
  // 0 (the Y Min bar above 0) has a negative one, and the value grid and the
  // fitted curves are drawn with it.
  const double p = v * view.ChartYScale + view.ChartYOffset;
  // Far outside values are clamped so the pixel stays an int.
  return base - PixelRound(p);
}

int IndexToPixelX(const ChartView& view, int visible_index) {
  return PixelRound(visible_index * view.ChartXRatio) + view.ChartLeftMargin;
}

double ScaleRatioFor(int scale_position) { return std::ldexp(1.0, scale_position - 5); }

std::string ScaleRatioText(double ratio) {
  // Powers of two have a short exact decimal form.
  std::string s = FormatFixed(ratio, 6, 15);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

void HRatioCalc(TChartState& state, ChartView& view, const HRatioInput& in) {
  if (in.LineCount < in.HeaderLineCount) return;
  if (view.ScaleRatio == 0) view.ScaleRatio = 1;
  const int w = view.ChartImageWidth - view.ChartLeftMargin - view.ChartRightMargin;
  const int total = std::max(1, state.TotalFrameCount);

  auto set_part = [&] {
    if (state.EntireWidth) view.RecentreRequest[RecentreWidth] = 1;
    state.EntireWidth = 0;
  };
  if (state.NarrowLayout) {
    view.WidthEnabled = false;
  } else if (2.0 * view.ScaleRatio * total > w) {
    view.WidthEnabled = true;
    if (in.AsteroidChartMode) set_part();
  } else {
    set_part();
    view.WidthEnabled = false;
  }

  const double e = static_cast<double>(w) / total;
  const bool entire = state.EntireWidth && view.WidthEnabled;
  double ratio;
  if (entire) {
    if (in.FieldMode)
      ratio = e < 1 ? e : view.ScaleRatio;
    else
      ratio = e < 2 ? e : 2 * view.ScaleRatio;
    // A scale kept from 'Part' must not push records out of 'Entire', which
    // has no scrolling.
    ratio = std::min(ratio, e);
  } else {
    ratio = 2 * view.ScaleRatio;
  }
  if (ratio == 0) ratio = 2 * view.ScaleRatio;
  view.ChartXRatio = ratio;
  state.VisibleFrameCount = static_cast<int32_t>(
      RoundHalfEven(static_cast<long double>(view.ChartImageWidth - view.ChartRightMargin - view.ChartLeftMargin) /
                    view.ChartXRatio));

  if (entire) {
    state.FirstShownFrame = 0;
    view.ScrollPosition = 0;
    view.ScrollMax = 0;
    return;
  }
  if (view.AnyRecentreRequest() && state.SelectedFrame > 0 && state.VisibleFrameCount / 2 < state.SelectedFrame) {
    state.FirstShownFrame = std::max(0, state.SelectedFrame - state.VisibleFrameCount / 2);
    view.RecentreRequest = {0, 0, 0};
  }
  state.FirstShownFrame = std::min(state.FirstShownFrame, total - state.VisibleFrameCount);
  state.FirstShownFrame = std::max(state.FirstShownFrame, 0);
  view.ScrollMax = std::max(0, total - state.VisibleFrameCount);
  view.ScrollPosition = state.FirstShownFrame;
}
