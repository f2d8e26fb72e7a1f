#include "chart/ChartSelection.h"

#include <algorithm>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "chart/ChartScale.h"

bool InsidePlot(const ChartView& view, int x, int y) {
  if (y < view.ChartTopMargin || y > view.ChartImageHeight - view.ChartBottomMargin) return false;
  if (x < view.ChartLeftMargin || x > view.ChartImageWidth - view.ChartRightMargin) return false;
  return true;
}

int NearestVisibleIndex(const ChartData& data, const TChartState& state, const ChartView& view, int x, int y,
                        bool use_l) {
  const int visible = state.VisibleFrameCount;
  const int i0 = std::max<int>(0, static_cast<int>(RoundHalfEven((x - 3.0L - view.ChartLeftMargin) / view.ChartXRatio)));
  const int i1 = std::min<int>(visible,
                               static_cast<int>(RoundHalfEven((x + 3.0L - view.ChartLeftMargin) / view.ChartXRatio)) + 1);
  if (i0 > visible) return 0;
  const ChartCurve curve = use_l ? CurveL : CurveA;
  long double best = 1000000;
  int best_index = 0;
  for (int i = i0; i <= i1; ++i) {
    if (i >= state.TotalFrameCount || i >= visible) break;
    const int r = state.FirstShownFrame + i;
    if (r < 0 || r >= static_cast<int>(data.Records.size())) break;
    const ChartRecord& rec = data.Records[static_cast<size_t>(r)];
    if (rec.CellEmpty(curve)) continue;
    const long double dx = x - IndexToPixelX(view, i);
    const long double dy = y - ValueToPixelY(view, rec.Value[static_cast<size_t>(curve)]);
    const long double d = dx * dx + dy * dy;
    if (d < best) {
      best = d;
      best_index = i;
    }
  }
  return best_index;
}

int TimeStep(long double records_per_second) {
  // No frame rate, no second to step by.
  if (!(records_per_second > 0)) return 0;
  return static_cast<int>(std::clamp<int64_t>(RoundHalfEven(records_per_second), 1, 1 << 20));
}

int StepBackward(int first_shown, int step) {
  if (step >= first_shown) return 0;
  return first_shown - step;
}

int StepForward(int first_shown, int step, int total, int visible) {
  if (first_shown + step >= total) return total - visible;
  return first_shown + step;
}

std::array<std::optional<AperturePosition>, 3> AperturePositionsOf(std::string_view line, int csv_version) {
  std::array<std::optional<AperturePosition>, 3> out;
  struct Columns {
    int x, y;
  };
  std::array<Columns, 3> cols{};
  bool fixed_23 = false;
  if (csv_version == 2 || csv_version == 3) {
    cols = {Columns{25, 26}, Columns{42, 43}, Columns{59, 60}};
  } else if (csv_version == 1) {
    cols = {Columns{22, 23}, Columns{39, 40}, Columns{56, 57}};
  } else {
    cols[0] = {13, 14};
    fixed_23 = true;
  }
  const AperturePosition defaults[3] = {{40, 40}, {80, 40}, {120, 40}};
  for (int k = 0; k < 3; ++k) {
    if (fixed_23 && k > 0) {
      out[static_cast<size_t>(k)] = defaults[k];
      continue;
    }
    const std::string xs = GetCsvCell(line, cols[static_cast<size_t>(k)].x);
    const std::string ys = GetCsvCell(line, cols[static_cast<size_t>(k)].y);
    if ((xs.empty() || ys.empty()) && !fixed_23) {
      out[static_cast<size_t>(k)] = defaults[k];
      continue;
    }
    const auto x = ParseInt32(xs), y = ParseInt32(ys);
    if (x && y) out[static_cast<size_t>(k)] = AperturePosition{*x, *y};
  }
  return out;
}
