#pragma once
// The chart's view state shared with other windows, and the chart-wide
// values of the last drawing.
#include <array>
#include <cstdint>

struct TChartState {
  uint8_t Reset = 1;             // the next opening applies the defaults
  int32_t FirstShownFrame = 0;   // index of the first visible record
  int32_t SelectedFrame = -1;    // selected record, -1 none
  int32_t SelectedFrameNo = 0;   // field 1 of the selected record, truncated
  int32_t ScalePosition = 5;     // 0..10, ScaleRatio = 2^(pos - 5)
  int32_t Radius = 3;            // point radius 0..5
  uint8_t EntireWidth = 1;       // 'Width' is 'Entire'
  uint8_t NarrowLayout = 0;
  std::array<uint8_t, 3> BoxChecked{1, 0, 0};
  std::array<uint8_t, 3> BoxEnabled{0, 0, 0};
  int32_t VisibleFrameCount = 0;
  int32_t TotalFrameCount = 1;
  int32_t YMaxPosition = 10;     // -20..20
  int32_t YMinPosition = -10;    // -20..20
  uint8_t DataLines = 1;
  uint8_t AxisLines = 1;
  int32_t DataLineCount = 0;

  // The object boxes' defaults: one box ticked and enabled per object in use
  // (a single object's box cannot be unticked).
  void ResetObjectBoxes(int objects) {
    const uint8_t b = objects >= 2, c = objects >= 3;
    BoxChecked = {1, b, c};
    BoxEnabled = {b, b, c};
  }
};

// Picture geometry. The plot picture's height is this program's choice.
constexpr int kChartImageHeight = 400;
constexpr int kChartWideWidth = 740;
constexpr int kChartNarrowWidth = 300;

enum RecentreReason : int { RecentreWidth = 0, RecentreLayout = 1, RecentreScale = 2 };

// Chart-wide values: margins, scales and the results of the last drawing.
struct ChartView {
  int32_t ChartBottomMargin = 40, ChartLeftMargin = 50, ChartTopMargin = 20, ChartRightMargin = 10;
  int32_t ChartImageWidth = kChartWideWidth;
  int32_t ChartImageHeight = kChartImageHeight;
  double ScaleRatio = 1.0;
  double ChartXRatio = 2.0;
  double ChartYScale = 1.0, ChartYOffset = 0.0;
  long double ChartValueMax = 0, ChartValueMin = 0;
  // The range before the Y bars' factors: what a fixed range keeps.
  long double ChartRangeMax = 0, ChartRangeMin = 0;
  int32_t ChartGridStep = 10;
  std::array<int32_t, 4> SelectedPointX{-100, -100, -100, -100};
  std::array<int32_t, 4> SelectedPointY{-100, -100, -100, -100};
  std::array<uint8_t, 3> RecentreRequest{0, 0, 0};
  bool WidthEnabled = true;  // the 'Width' radio group
  int32_t ScrollMax = 0, ScrollPosition = 0;

  bool AnyRecentreRequest() const { return RecentreRequest[0] || RecentreRequest[1] || RecentreRequest[2]; }
};
