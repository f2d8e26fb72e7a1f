// Picking a record, the time buttons and the stored aperture positions.
#include "chart/ChartSelection.h"

#include <gtest/gtest.h>

#include "chart/ChartScale.h"
#include "support/ChartTestTables.h"

namespace {

struct Plot {
  std::vector<std::string> lines;
  ChartData data;
  TChartState state;
  ChartView view;
};

Plot Make(const std::vector<std::vector<double>>& v, int objects = 1) {
  Plot p;
  p.lines = BuildResultTable(3, objects, RowsFromValues(v));
  p.data = ReadChartData(p.lines, 3);
  p.state.TotalFrameCount = p.data.TotalFrameCount();
  ComputeYScale(p.view, GetMinMax(p.data, {true, false, false, false}), 10, -10);
  HRatioCalc(p.state, p.view, HRatioInput{static_cast<int>(p.lines.size()), 7, 0, false});
  return p;
}

// Three records of one object drawn on a 0..170 scale, whatever their cells.
Plot ThreeRecordPlot(const std::vector<TableRowCells>& rows) {
  Plot p;
  p.lines = BuildResultTable(3, 1, rows);
  p.data = ReadChartData(p.lines, 3);
  p.state.TotalFrameCount = 3;
  ComputeYScale(p.view, {0, 170}, 10, -10);
  HRatioCalc(p.state, p.view, HRatioInput{9, 7, 0, false});
  return p;
}

}  // namespace

TEST(NearestVisibleIndex, PicksTheClosestDrawnPoint) {
  Plot p = Make({{170, 85, 0, 85}});  // points (50,20) (52,190) (54,360) (56,190)
  EXPECT_EQ(NearestVisibleIndex(p.data, p.state, p.view, 52, 185, false), 1);
  EXPECT_EQ(NearestVisibleIndex(p.data, p.state, p.view, 54, 350, false), 2);
  // Exactly between records 1 and 3 at equal distance: the lower index.
  EXPECT_EQ(NearestVisibleIndex(p.data, p.state, p.view, 54, 190, false), 1);
  // Too far from every point (distance^2 >= 1,000,000 is impossible here, but
  // no candidate near x=300).
  EXPECT_EQ(NearestVisibleIndex(p.data, p.state, p.view, 300, 100, false), 0);
}

TEST(NearestVisibleIndex, EmptyCellsNeverWin) {
  auto rows = RowsFromValues({{170, 85, 0}});
  rows[1].Objects[0].Value = "";
  Plot p = ThreeRecordPlot(rows);
  EXPECT_NE(NearestVisibleIndex(p.data, p.state, p.view, 52, 190, false), 1);
}

TEST(NearestVisibleIndex, LCurveWhenTicked) {
  auto rows = RowsFromValues({{170, 85, 0}});
  rows[0].Signal1 = "0";
  rows[1].Signal1 = "0";
  rows[2].Signal1 = "170";
  Plot p = ThreeRecordPlot(rows);
  // Near A's record 0 point (50, 20) but L's record 2 sits at (54, 20).
  EXPECT_EQ(NearestVisibleIndex(p.data, p.state, p.view, 53, 20, true), 2);
  EXPECT_EQ(NearestVisibleIndex(p.data, p.state, p.view, 53, 20, false), 0);
}

TEST(AperturePositions, ByVersion) {
  auto rows = RowsFromValues({{1}, {2}, {3}});
  rows[0].Objects[0].X = "11";
  rows[0].Objects[0].Y = "12";
  rows[0].Objects[1].X = "21";
  rows[0].Objects[1].Y = "22";
  rows[0].Objects[2].X = "31";
  rows[0].Objects[2].Y = "32";
  for (int version : {3, 2, 1}) {
    const auto lines = BuildResultTable(version, 3, rows);
    const auto pos = AperturePositionsOf(lines[6], version);
    ASSERT_TRUE(pos[1]) << version;
    EXPECT_EQ(pos[0]->X, 11) << version;
    EXPECT_EQ(pos[1]->X, 21) << version;
    EXPECT_EQ(pos[1]->Y, 22) << version;
    EXPECT_EQ(pos[2]->Y, 32) << version;
  }
  // One object measured: objects 2 and 3 cells are empty and take defaults.
  const auto one = BuildResultTable(3, 1, rows);
  const auto p1 = AperturePositionsOf(one[6], 3);
  EXPECT_EQ(p1[1]->X, 80);
  EXPECT_EQ(p1[2]->X, 120);
  const auto v0 = BuildResultTable(0, 1, rows);
  const auto p0 = AperturePositionsOf(v0[3], 0);
  EXPECT_EQ(p0[0]->X, 11);
  EXPECT_EQ(p0[0]->Y, 12);
  EXPECT_EQ(p0[1]->X, 80);
  EXPECT_EQ(p0[2]->X, 120);
  // Text that is not an integer gives nothing.
  EXPECT_FALSE(AperturePositionsOf("1.0,,,,,,,,,,,,1.5,2", 0)[0]);
}
