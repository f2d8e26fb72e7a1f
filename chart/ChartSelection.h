#pragma once
// Picking a record on the plot, the navigation steps and the aperture
// positions stored in a record.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart/ChartState.h"
#include "chart/ChartTable.h"

// True when the pixel lies on the plot (margins inclusive).
bool InsidePlot(const ChartView& view, int x, int y);

// The visible index nearest to (x, y) among the points drawn near column x:
// curve L while `use_l`, else curve A. Empty cells never win; ties go to the
// lower index; 0 when no candidate qualifies.
int NearestVisibleIndex(const ChartData& data, const TChartState& state, const ChartView& view, int x, int y,
                        bool use_l);

// Step of the time buttons: the records of one second, as RecordsPerSecond
// gives them at the rounded frame rate (FrameRateRounded records, doubled for
// field records, halved when every second frame was measured), at least 1;
// 0 without a frame rate.
int TimeStep(long double records_per_second);
int StepBackward(int first_shown, int step);                 // '-1Sec', '-10Sec'
int StepForward(int first_shown, int step, int total, int visible);  // '+1Sec', '+10Sec'

// Aperture centres stored in a record, by table version; a cell that does not
// hold an integer gives nothing for that object.
struct AperturePosition {
  int X = 0, Y = 0;
};
std::array<std::optional<AperturePosition>, 3> AperturePositionsOf(std::string_view line, int csv_version);
