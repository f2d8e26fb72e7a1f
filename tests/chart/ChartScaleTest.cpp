// Range, scales and pixel mapping with hand-computed figures.
#include "chart/ChartScale.h"

#include <gtest/gtest.h>

#include "chart/ChartDrawing.h"
#include "support/ChartTestTables.h"

namespace {

ChartData Data(const std::vector<std::vector<double>>& v, int objects, int version = 3, bool fields = false) {
  static std::vector<std::string> keep;
  keep = BuildResultTable(version, objects, RowsFromValues(v, 0, fields));
  return ReadChartData(keep, version);
}

}  // namespace

TEST(GetMinMax, RangeAlwaysHoldsZero) {
  const ChartData d = Data({{50, 70, 60}}, 1);
  const ValueRange r = GetMinMax(d, {true, false, false, false});
  EXPECT_EQ(r.Min, 0);
  EXPECT_EQ(r.Max, 70);
}

TEST(GetMinMax, TickedCurvesOnlyAndVersion0OnlyA) {
  const ChartData d = Data({{50, 70}, {-20, 300}}, 2);
  EXPECT_EQ(GetMinMax(d, {true, false, false, false}).Max, 70);
  const ValueRange ab = GetMinMax(d, {true, true, false, false});
  EXPECT_EQ(ab.Max, 300);
  EXPECT_EQ(ab.Min, -20);
  const ChartData d0 = Data({{5, 9}}, 1, 0);
  EXPECT_EQ(GetMinMax(d0, {true, true, true, true}).Max, 9);
}

TEST(ComputeYScale, HandComputedMapping) {
  ChartView v;  // height 400, margins 20 top, 40 bottom: h = 340
  ASSERT_TRUE(ComputeYScale(v, {0, 170}, 10, -10));
  EXPECT_DOUBLE_EQ(v.ChartYScale, 2.0);
  EXPECT_DOUBLE_EQ(v.ChartYOffset, 0.0);
  EXPECT_EQ(ValueToPixelY(v, 85), 360 - 170);
  EXPECT_EQ(ValueToPixelY(v, 0), 360);
  EXPECT_EQ(ValueToPixelY(v, 170), 20);
  // Ties go to even: 0.25 * 2 = 0.5 -> 0; 0.75 * 2 = 1.5 -> 2.
  EXPECT_EQ(ValueToPixelY(v, 0.25), 360);
  EXPECT_EQ(ValueToPixelY(v, 0.75), 358);

  ASSERT_TRUE(ComputeYScale(v, {-85, 85}, 10, -10));
  EXPECT_DOUBLE_EQ(v.ChartYScale, 2.0);
  EXPECT_DOUBLE_EQ(v.ChartYOffset, 170.0);
  EXPECT_EQ(ValueToPixelY(v, 0), 360 - 170);
  EXPECT_EQ(ValueToPixelY(v, -85), 360);
}

// The Y Min bar at +5 lifts the floor of the range -100..1000 to 50: the
// range's ends lie on the plot's edges and a value on its grid row.
TEST(ComputeYScale, RangeAboveZeroFillsThePlot) {
  ChartView v;  // rows 20..360
  ASSERT_TRUE(ComputeYScale(v, {-100, 1000}, 10, 5));
  EXPECT_EQ(v.ChartValueMin, 50);
  EXPECT_LT(v.ChartYOffset, 0);
  EXPECT_EQ(ValueToPixelY(v, 1000), 20);
  EXPECT_EQ(ValueToPixelY(v, 50), 360);
  EXPECT_EQ(ValueToPixelY(v, 525), 190);  // half way: 360 - 170
  ChartPicture pic;
  XAxisShow(v, true, 1, pic);
  bool found = false;
  for (const DrawOp& op : pic.Ops)
    if (op.Kind == DrawKind::Text && pic.Texts[op.Index] == "500") {
      found = true;
      EXPECT_EQ(op.Y1 + 8, ValueToPixelY(v, 500));
    }
  EXPECT_TRUE(found);
}

TEST(ComputeYScale, ScrollBarFactorsAndZeroRange) {
  ChartView v;
  ASSERT_TRUE(ComputeYScale(v, {0, 100}, 20, -10));
  EXPECT_EQ(v.ChartValueMax, 200);
  EXPECT_EQ(v.ChartValueMin, 0);
  ASSERT_TRUE(ComputeYScale(v, {-50, 100}, 10, -20));
  EXPECT_EQ(v.ChartValueMin, -100);
  ChartView untouched;
  untouched.ChartYScale = 7;
  EXPECT_FALSE(ComputeYScale(untouched, {0, 0}, 10, -10));
  EXPECT_EQ(untouched.ChartYScale, 7);
}

struct HRatioRow {
  const char* name;
  int records;
  bool fields;
  uint8_t entire;
  int scale_position;
  bool expect_enabled;
  uint8_t expect_entire;
  double expect_ratio;
  int expect_visible;
};

class HRatioCalcRows : public ::testing::TestWithParam<HRatioRow> {};

TEST_P(HRatioCalcRows, WidthRatioAndVisibleCount) {
  const HRatioRow& row = GetParam();
  TChartState st;
  st.EntireWidth = row.entire;
  st.TotalFrameCount = row.records;
  ChartView v;
  v.ScaleRatio = ScaleRatioFor(row.scale_position);
  HRatioCalc(st, v, HRatioInput{row.records + 6, 7, static_cast<uint8_t>(row.fields), false});
  EXPECT_EQ(v.WidthEnabled, row.expect_enabled);
  EXPECT_EQ(st.EntireWidth, row.expect_entire);
  EXPECT_NEAR(v.ChartXRatio, row.expect_ratio, 1e-12);
  EXPECT_EQ(st.VisibleFrameCount, row.expect_visible);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HRatioCalcRows,
    ::testing::Values(HRatioRow{"100 frames fit at 2 px", 100, false, 1, 5, false, 0, 2.0, 340},
                      HRatioRow{"1000 frames entire", 1000, false, 1, 5, true, 1, 0.68, 1000},
                      HRatioRow{"1000 frames part", 1000, false, 0, 5, true, 0, 2.0, 340},
                      HRatioRow{"400 field records entire keep the scale", 400, true, 1, 5, true, 1, 1.0, 680},
                      HRatioRow{"400 frame records entire", 400, false, 1, 5, true, 1, 1.7, 400},
                      HRatioRow{"part at scale 32", 1000, false, 0, 10, true, 0, 64.0, 11},
                      HRatioRow{"part at scale 1/32", 100000, false, 0, 0, true, 0, 0.0625, 10880}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST(HRatioCalc, RecentreOnTheSelectionAndLimits) {
  TChartState st;
  st.EntireWidth = 0;
  st.TotalFrameCount = 5000;
  st.SelectedFrame = 1000;
  st.FirstShownFrame = 0;
  ChartView v;
  v.RecentreRequest[RecentreScale] = 1;
  HRatioCalc(st, v, HRatioInput{5006, 7, 0, false});
  EXPECT_EQ(st.FirstShownFrame, 1000 - 170);
  EXPECT_EQ(v.ScrollPosition, 830);
  EXPECT_EQ(v.ScrollMax, 5000 - 340);
  EXPECT_FALSE(v.AnyRecentreRequest());
  st.FirstShownFrame = 4900;  // beyond the end: limited
  HRatioCalc(st, v, HRatioInput{5006, 7, 0, false});
  EXPECT_EQ(st.FirstShownFrame, 5000 - 340);
}

TEST(HRatioCalc, AsteroidModeSetsPartAndCentresThePreset) {
  TChartState st;
  st.EntireWidth = 1;
  st.TotalFrameCount = 2000;
  st.SelectedFrame = 1500;
  ChartView v;
  HRatioCalc(st, v, HRatioInput{2006, 7, 0, true});
  EXPECT_EQ(st.EntireWidth, 0);
  EXPECT_EQ(st.FirstShownFrame, 1500 - 170);
}
