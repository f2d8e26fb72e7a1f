#pragma once
// Value range, the two scales and the value/index to pixel mapping.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "chart/ChartState.h"
#include "chart/ChartTable.h"

// Which curves count: A, B, C, L boxes.
using CurveBoxes = std::array<bool, kChartCurveCount>;

struct ValueRange {
  long double Min = 0, Max = 0;
};

// Range over every record of the ticked curves; starts at 0..0, empty cells
// and empty lines are skipped; for version-0 tables only curve A counts.
ValueRange GetMinMax(const ChartData& data, const CurveBoxes& boxes);

// Applies the Y scroll-bar factors and sets ChartValueMax/Min, ChartYScale and
// ChartYOffset. False (and nothing changed) when the range is zero.
bool ComputeYScale(ChartView& view, ValueRange range, int y_max_position, int y_min_position);

// Pixel row of a value and column of a visible index (ties to even).
int ValueToPixelY(const ChartView& view, double v);
int IndexToPixelX(const ChartView& view, int visible_index);

struct HRatioInput {
  int LineCount = 0;
  int HeaderLineCount = 7;
  uint8_t FieldMode = 0;
  bool AsteroidChartMode = false;
};

// Pixels per record, visible count, the 'Width' control and the scroll range.
// A code change of 'Width' to 'Part' has the effects of its click handler.
void HRatioCalc(TChartState& state, ChartView& view, const HRatioInput& in);

// 2^(position - 5).
double ScaleRatioFor(int scale_position);
// General float form of the scale ("1", "0.5", "32", "0.03125").
std::string ScaleRatioText(double ratio);
