// Unit averaging, unit times, ratios, the unit line and the drawing geometry
// of mutual events, against values worked out by hand.
#include "chart/MutualEvent.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "support/ChartTestTables.h"

namespace {

// Rows whose object values are given per frame; times h:m:s in columns 4, 5, 7.
struct Frame {
  double target = 0, comparison = 1000, third = 0;
  int h = 0, m = 0;
  double s = 0;
};

std::vector<std::string> Table(const std::vector<Frame>& frames, int version = 3) {
  std::vector<TableRowCells> rows;
  for (size_t i = 0; i < frames.size(); ++i) {
    const Frame& f = frames[i];
    TableRowCells r;
    r.No = FormatInt(static_cast<int64_t>(i)) + ".0";
    r.H = FormatInt(f.h);
    r.M = FormatInt(f.m);
    r.S = FormatFixed(f.s, 2, 18);
    r.EndS = FormatFixed(f.s, 4, 18);
    r.Objects[0].Value = FormatFixed(f.target, 4, 18);
    r.Objects[1].Value = FormatFixed(f.comparison, 4, 18);
    r.Objects[2].Value = FormatFixed(f.third, 4, 18);
    rows.push_back(r);
  }
  return BuildResultTable(version, 3, rows);
}

std::vector<Frame> Ramp(int n) {
  std::vector<Frame> f(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) f[static_cast<size_t>(i)].target = i + 1;  // frame i (1-based) holds i
  return f;
}

MutualAverageInput Input(int k, MutualTimeSetting setting = MutualTimeSetting::BasedOnFirstFrame) {
  MutualAverageInput in;
  in.FramesPerUnit = k;
  in.TimeSetting = setting;
  return in;
}

TEST(MutualAverage, UnitsAverageWholeBlocksAndDropTheRest) {
  struct Case {
    int frames, k, units;
  } cases[] = {{100, 32, 3}, {100, 1, 100}, {31, 32, 0}, {64, 16, 4}, {7, 2, 3}};
  for (const Case& c : cases) {
    const MutualAverageResult r = CalculateMutualUnits(Table(Ramp(c.frames)), Input(c.k));
    ASSERT_EQ(r.Status, MutualAverageStatus::Done) << c.frames;
    ASSERT_EQ(r.MutualUnitCount, c.units);
    ASSERT_EQ(r.MutualUnits.size(), static_cast<size_t>(c.units) + 1);
    EXPECT_EQ(r.MutualUnits[0].Target, 0);
    // The mean of frames (u-1)K+1 .. uK holding their own numbers.
    for (int u = 1; u <= c.units; ++u)
      EXPECT_DOUBLE_EQ(static_cast<double>(r.MutualUnits[static_cast<size_t>(u)].Target),
                       (u - 1) * c.k + (c.k + 1) / 2.0)
          << c.frames << "/" << c.k << " unit " << u;
    EXPECT_EQ(r.MemoLines.size(), static_cast<size_t>(c.units));
  }
}

TEST(MutualAverage, UnitTimesFollowTheTimeSetting) {
  struct Case {
    const char* name;
    MutualTimeSetting setting;
    int k;
    std::array<std::string, 3> first, last;
    int unit;
    int h, m;
    double s;
  } cases[] = {
      // Frame (u-1)K + K div 2 from the first frame at 29.97 frames per second.
      {"K=2 from midnight", MutualTimeSetting::BasedOnFirstFrame, 2, {"", "", ""}, {}, 4, 0, 0, 6 / 29.97},
      {"K=1 is the frame itself", MutualTimeSetting::BasedOnFirstFrame, 1, {"1", "2", "3.5"}, {}, 1, 1, 2, 3.5},
      {"K=1, unit 31", MutualTimeSetting::BasedOnFirstFrame, 1, {"1", "2", "3.5"}, {}, 31, 1, 2, 3.5 + 30 / 29.97},
      {"K=8 unit 2", MutualTimeSetting::BasedOnFirstFrame, 8, {"10", "59", "59.9"}, {}, 2, 11, 0, 59.9 + 11 / 29.97 - 60},
      // 40 frames over 39 s: one frame per second; midnight passed adds a day.
      {"first and last", MutualTimeSetting::FirstAndLastFrame, 4, {"23", "59", "50"}, {"0", "0", "29"}, 5, 24, 0,
       7},
  };
  for (const Case& c : cases) {
    MutualAverageInput in = Input(c.k, c.setting);
    in.FirstFrameTime = c.first;
    in.LastFrameTime = c.last;
    const MutualAverageResult r = CalculateMutualUnits(Table(Ramp(40)), in);
    ASSERT_EQ(r.Status, MutualAverageStatus::Done) << c.name;
    const TypAvgData& a = r.MutualUnits[static_cast<size_t>(c.unit)];
    EXPECT_EQ(a.Hour, c.h) << c.name;
    EXPECT_EQ(a.Minute, c.m) << c.name;
    EXPECT_NEAR(static_cast<double>(a.Second), c.s, 1e-9) << c.name;
  }
}

// With "First & Last Frame" the typed times belong to the first and last rows;
// rows taken out of the table leave a gap in time, not a shorter frame. Frame
// f lies f seconds after midnight in every case.
TEST(MutualAverage, FirstAndLastTimesPlaceRowsByTheirFrameNumbers) {
  struct Case {
    const char* name;
    std::vector<int> frames;
  } cases[] = {{"rows 10-19 taken out", {}}, {"every second frame", {}}};
  for (int i = 0; i < 50; ++i)
    if (i < 10 || i >= 20) cases[0].frames.push_back(i);
  for (int i = 0; i < 40; ++i) cases[1].frames.push_back(2 * i);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto lines = Table(Ramp(40));
    for (size_t i = 0; i < 40; ++i) SetCsvField(lines[6 + i], 1, FormatInt(c.frames[i]) + ".0");
    MutualAverageInput in = Input(1, MutualTimeSetting::FirstAndLastFrame);
    in.FirstFrameTime = {"0", "0", "0"};
    in.LastFrameTime = {"0", "0", FormatInt(c.frames.back())};
    const MutualAverageResult r = CalculateMutualUnits(lines, in);
    ASSERT_EQ(r.Status, MutualAverageStatus::Done);
    for (size_t u : {1u, 10u, 11u, 25u, 40u}) {
      const TypAvgData& a = r.MutualUnits[u];
      EXPECT_NEAR(a.Minute * 60 + static_cast<double>(a.Second), c.frames[u - 1], 1e-9) << u;
    }
  }
}

// Typed times step by the recording's frame rate, field rows by half a frame:
// unit 31 of one row each lies 30 rows after 1:02:03.5.
TEST(MutualAverage, TypedTimesFollowTheFrameRateAndFieldRows) {
  struct Case {
    const char* name;
    long double rate;
    bool fields;
    double s;
  } cases[] = {
      {"NTSC frames", 29.97L, false, 3.5 + 30 / 29.97},
      {"PAL frames", 25, false, 4.7},
      {"PAL fields", 25, true, 4.1},
      {"NTSC fields", 29.97L, true, 3.5 + 30 / 59.94},
      {"no rate known", 0, false, 3.5 + 30 / 29.97},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto lines = Table(Ramp(40));
    if (c.fields)
      for (int i = 0; i < 40; ++i)
        SetCsvField(lines[static_cast<size_t>(6 + i)], 1, FormatInt(i / 2) + (i % 2 ? ".5" : ".0"));
    MutualAverageInput in = Input(1);
    in.FirstFrameTime = {"1", "2", "3.5"};
    in.FrameRate = c.rate;
    const MutualAverageResult r = CalculateMutualUnits(lines, in);
    ASSERT_EQ(r.Status, MutualAverageStatus::Done);
    const TypAvgData& a = r.MutualUnits[31];
    EXPECT_EQ(a.Hour, 1);
    EXPECT_EQ(a.Minute, 2);
    EXPECT_NEAR(static_cast<double>(a.Second), c.s, 1e-9);
  }
}

TEST(MutualAverage, VideoTimesComeFromTheRowsAndRollTheMinute) {
  std::vector<Frame> f = Ramp(5);
  const double seconds[] = {59.90, 59.95, 0.01, 0.05, 0.10};
  for (int i = 0; i < 5; ++i) {
    f[static_cast<size_t>(i)].h = 21;
    f[static_cast<size_t>(i)].m = 14;  // the stamp's minute lags behind at 0.01 s
    f[static_cast<size_t>(i)].s = seconds[i];
  }
  const MutualAverageResult r = CalculateMutualUnits(Table(f), Input(1, MutualTimeSetting::ReadFromVideoImage));
  ASSERT_EQ(r.Status, MutualAverageStatus::Done);
  const int minutes[] = {14, 14, 15, 14, 14};
  for (int u = 1; u <= 5; ++u) {
    EXPECT_EQ(r.MutualUnits[static_cast<size_t>(u)].Minute, minutes[u - 1]) << u;
    EXPECT_NEAR(static_cast<double>(r.MutualUnits[static_cast<size_t>(u)].Second), seconds[u - 1], 1e-12);
    EXPECT_EQ(r.MutualUnits[static_cast<size_t>(u)].Hour, 21);
  }
}

// The lagging minute just after the minute turned, on the second unit: it is
// moved on like any later unit's, not left a minute before the first.
TEST(MutualAverage, SecondUnitsLaggingMinuteRollsOnToo) {
  std::vector<Frame> f = Ramp(3);
  const int minutes[] = {14, 14, 15};
  const double seconds[] = {59.97, 0.003, 0.036};
  for (size_t i = 0; i < 3; ++i) {
    f[i].h = 21;
    f[i].m = minutes[i];
    f[i].s = seconds[i];
  }
  const MutualAverageResult r = CalculateMutualUnits(Table(f), Input(1, MutualTimeSetting::ReadFromVideoImage));
  ASSERT_EQ(r.Status, MutualAverageStatus::Done) << r.Error;
  EXPECT_EQ(r.MutualUnits[2].Minute, 15);
  // A frame interval after unit 1 and before unit 3.
  EXPECT_NEAR(static_cast<double>(MutualUnitSeconds(r.MutualUnits[2]) - MutualUnitSeconds(r.MutualUnits[1])), 0.033,
              1e-12);
  EXPECT_EQ(r.MemoLines[1].substr(0, 13), "21 15  0.003,");
}

// Field rows carry their field's time in columns 4-6 and leave column 7
// empty; frame rows keep the end of the frame in column 7.
TEST(MutualAverage, VideoTimesOfFieldRowsComeFromTheirOwnColumns) {
  struct Row {
    const char* no;
    const char *h, *m, *s, *end_s;
  };
  const Row fields[] = {{"100.0", "21", "14", "59.9500", ""}, {"100.5", "21", "14", "59.9667", ""},
                        {"101.0", "21", "14", "59.9834", ""}, {"101.5", "21", "15", "00.0000", ""},
                        {"102.0", "21", "15", "00.0167", ""}, {"102.5", "21", "15", "00.0334", ""}};
  const Row frames[] = {{"100.0", "21", "14", "59.9500", "59.9667"}, {"101.0", "21", "14", "59.9834", "00.0000"},
                        {"102.0", "21", "15", "00.0167", "00.0334"}, {"103.0", "21", "15", "00.0501", "00.0667"}};
  struct Expected {
    int minute;
    double second;
  };
  const struct {
    const char* name;
    std::vector<Row> rows;
    int k;
    std::vector<Expected> units;
  } cases[] = {
      // Two fields in the first 0.02 s of a minute: the stamp's minute is
      // right for both, so neither moves on.
      {"fields, one per unit", {std::begin(fields), std::end(fields)}, 1,
       {{14, 59.95}, {14, 59.9667}, {14, 59.9834}, {15, 0}, {15, 0.0167}, {15, 0.0334}}},
      // A unit of two is timed by its first row.
      {"fields, two per unit", {std::begin(fields), std::end(fields)}, 2, {{14, 59.95}, {14, 59.9834}, {15, 0.0167}}},
      // The end of frame 101 lies in the next minute, where the stamp's
      // minute (that of the frame's first field) lags: moved on.
      {"frames", {std::begin(frames), std::end(frames)}, 1, {{14, 59.9667}, {15, 0}, {15, 0.0334}, {15, 0.0667}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TableRowCells> rows;
    for (const Row& x : c.rows) {
      TableRowCells r;
      r.No = x.no;
      r.H = x.h;
      r.M = x.m;
      r.S = x.s;
      r.EndS = x.end_s;
      r.Objects[0].Value = "1000.0";
      rows.push_back(r);
    }
    const MutualAverageResult r =
        CalculateMutualUnits(BuildResultTable(3, 1, rows), Input(c.k, MutualTimeSetting::ReadFromVideoImage));
    ASSERT_EQ(r.Status, MutualAverageStatus::Done) << r.Error;
    ASSERT_EQ(r.MutualUnitCount, static_cast<int32_t>(c.units.size()));
    for (size_t u = 1; u <= c.units.size(); ++u) {
      EXPECT_EQ(r.MutualUnits[u].Hour, 21) << u;
      EXPECT_EQ(r.MutualUnits[u].Minute, c.units[u - 1].minute) << u;
      EXPECT_NEAR(static_cast<double>(r.MutualUnits[u].Second), c.units[u - 1].second, 1e-12) << u;
    }
  }
}

TEST(MutualAverage, RatiosUseTheSmoothedNormalisedComparison) {
  // Comparisons 1, 2, 3, 4, 10 (mean 4); window 5: unit 1 averages units 1-3.
  std::vector<Frame> f = Ramp(5);
  const double comp[] = {1, 2, 3, 4, 10};
  for (int i = 0; i < 5; ++i) {
    f[static_cast<size_t>(i)].target = 100;
    f[static_cast<size_t>(i)].comparison = comp[i];
  }
  MutualAverageInput in = Input(1);
  in.SingleObject = false;
  const MutualAverageResult r = CalculateMutualUnits(Table(f), in);
  ASSERT_EQ(r.Status, MutualAverageStatus::Done);
  EXPECT_DOUBLE_EQ(static_cast<double>(r.MutualMeanComparison), 4);
  // Norms 0.25, 0.5, 0.75, 1, 2.5; means over u-2..u+2 inside 1..5.
  const double expect_smoothed[] = {0.5, 0.625, 1.0, 1.1875, 1.4166666666666667};
  for (int u = 1; u <= 5; ++u) {
    const TypAvgData& a = r.MutualUnits[static_cast<size_t>(u)];
    EXPECT_NEAR(static_cast<double>(a.SmoothedComparison), expect_smoothed[u - 1], 1e-15) << u;
    EXPECT_NEAR(static_cast<double>(a.TargetRatio), 100 / expect_smoothed[u - 1], 1e-12) << u;
    EXPECT_NEAR(static_cast<double>(a.ComparisonRatio), comp[u - 1] / expect_smoothed[u - 1], 1e-12) << u;
  }
}

TEST(MutualAverage, ComparisonSetsPickTheObjects) {
  std::vector<Frame> f(4, Frame{300, 200, 50});
  struct Case {
    MutualObjects objects;
    bool single;
    double target, comparison;
  } cases[] = {
      {MutualObjects::FirstToSecond, true, 300, 2000},
      {MutualObjects::FirstToSecond, false, 300, 200},
      {MutualObjects::FirstToSecondAndThird, false, 300, 250},
      {MutualObjects::FirstAndThirdToSecond, false, 350, 200},
      {MutualObjects::FirstToSecondAndThird, true, 300, 2050},
  };
  for (const Case& c : cases) {
    MutualAverageInput in = Input(2);
    in.Objects = c.objects;
    in.SingleObject = c.single;
    const MutualAverageResult r = CalculateMutualUnits(Table(f), in);
    ASSERT_EQ(r.Status, MutualAverageStatus::Done);
    EXPECT_DOUBLE_EQ(static_cast<double>(r.MutualUnits[1].Target), c.target);
    EXPECT_DOUBLE_EQ(static_cast<double>(r.MutualUnits[1].Comparison), c.comparison);
  }
}

TEST(MutualAverage, BadInputStopsWithAMessageOrANotice) {
  std::vector<std::string> header_only = Table({});
  std::vector<std::string> bad_cell = Table(Ramp(4));
  bad_cell[7] = "1.0,,\"\",0,0,0,0,,,,abc,5,5";
  std::vector<Frame> zero(4, Frame{5, 0, 0});
  std::vector<Frame> zero_mean = Ramp(2);
  zero_mean[0].comparison = 3;
  zero_mean[1].comparison = -3;
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    MutualAverageInput in;
    MutualAverageStatus status;
    std::string error;
  } cases[] = {
      {"header only", header_only, Input(1), MutualAverageStatus::NoData, ""},
      {"bad target", bad_cell, Input(1), MutualAverageStatus::Failed,
       "'abc' is not a valid number (data line 2, column 11)."},
      {"zero comparison", Table(zero), [] {
         MutualAverageInput in = Input(1);
         in.SingleObject = false;
         return in;
       }(),
       MutualAverageStatus::Failed, "The mean comparison value is 0: the ratios cannot be formed."},
      {"zero mean", Table(zero_mean), [] {
         MutualAverageInput in = Input(1);
         in.SingleObject = false;
         return in;
       }(),
       MutualAverageStatus::Failed, "The mean comparison value is 0: the ratios cannot be formed."},
      {"equal times", Table(Ramp(4)), [] {
         MutualAverageInput in = Input(1, MutualTimeSetting::FirstAndLastFrame);
         in.FirstFrameTime = {"1", "2", "3"};
         in.LastFrameTime = {"1", "2", "3.0"};
         return in;
       }(),
       MutualAverageStatus::Failed, "The first and last frame times are equal: no frame rate can be found from them."},
      {"video time at hour 0", Table(Ramp(4)), Input(1, MutualTimeSetting::ReadFromVideoImage),
       MutualAverageStatus::Done, ""},
      {"bad constant", Table(Ramp(4)), [] {
         MutualAverageInput in = Input(1);
         in.ConstantComparison = "2k";
         return in;
       }(),
       MutualAverageStatus::Failed, "'2k' is not a valid comparison value."},
      // Digits past any clock: the fit's minimum time overflowed its hour.
      {"first time of endless hours", Table(Ramp(4)), [] {
         MutualAverageInput in = Input(1);
         in.FirstFrameTime = {"99999999999999999999999", "0", "0"};
         return in;
       }(),
       MutualAverageStatus::Failed, "The first frame time is not a time of day: type it below 24 hours."},
      {"last time of endless seconds", Table(Ramp(4)), [] {
         MutualAverageInput in = Input(1, MutualTimeSetting::FirstAndLastFrame);
         in.LastFrameTime = {"0", "0", "99999999999999999999999.5"};
         return in;
       }(),
       MutualAverageStatus::Failed, "The last frame time is not a time of day: type it below 24 hours."},
  };
  for (const Case& c : cases) {
    const MutualAverageResult r = CalculateMutualUnits(c.lines, c.in);
    EXPECT_EQ(r.Status, c.status) << c.name;
    EXPECT_EQ(r.Error, c.error) << c.name;
  }
  // An empty hour cell in the first row: "Read from Video image" stops and says why.
  std::vector<std::string> no_hour = Table(Ramp(3));
  no_hour[6] = "0.0,,\"\",,0,0,0,,,,1,1,1";
  EXPECT_EQ(CalculateMutualUnits(no_hour, Input(1, MutualTimeSetting::ReadFromVideoImage)).Status,
            MutualAverageStatus::NoVideoTime);
  EXPECT_EQ(CalculateMutualUnits(header_only, Input(1)).MemoLines, std::vector<std::string>{"Data is not detected."});
}

TEST(MutualAverage, UnitLinesHaveFixedWidths) {
  TypAvgData a;
  a.Hour = 3;
  a.Minute = 7;
  a.Second = 5.123L;
  a.Target = a.TargetRatio = 12345.6L;
  a.Comparison = a.ComparisonRatio = 2000;
  a.NormComparison = 1;
  EXPECT_EQ(MutualUnitLine(a), " 3  7  5.123,   12346,    2000,   12346,    2000,   1.00000");
  a.Hour = 23;
  a.Minute = 59;
  a.Second = 59.9996L;
  a.Target = 2.5L;
  a.TargetRatio = 123456789;
  a.Comparison = -0.4L;
  a.NormComparison = 0.333333333L;
  // Seconds that round up to 60 are the next minute, out of 23:59 the next day's 0 h.
  EXPECT_EQ(MutualUnitLine(a), " 0  0  0.000,       3,       0,1.2345679E8,    2000,   0.33333");
  struct Row {
    int h, m;
    long double s;
    const char* time;
  } rows[] = {{23, 59, 59.9994L, "23 59 59.999"}, {10, 59, 59.9995L, "11  0  0.000"}, {10, 20, 59.9996L, "10 21  0.000"},
              {10, 20, 9.9996L, "10 20 10.000"}, {24, 0, 0.5L, "24  0  0.500"}};
  for (const Row& r : rows) {
    a.Hour = r.h, a.Minute = r.m, a.Second = r.s;
    EXPECT_EQ(MutualUnitLine(a).substr(0, 12), r.time) << r.time;
  }
}

TEST(MutualGraph, GeometryAndTicksOfTenUnits) {
  TypAvgDataArray units(11);
  for (int u = 1; u <= 10; ++u) {
    units[static_cast<size_t>(u)].Hour = 3;
    units[static_cast<size_t>(u)].Minute = 7 + (u - 1) / 4;  // a quarter minute per unit
    units[static_cast<size_t>(u)].Second = 15.0L * ((u - 1) % 4);
    units[static_cast<size_t>(u)].TargetRatio = 1000 + u;
    units[static_cast<size_t>(u)].ComparisonRatio = 2800;  // 350 / 2800 = 0.125, exact
  }
  const MutualGraphLayout g = LayoutMutualGraph(units, 600, 400, 100, 0, 100);
  EXPECT_EQ(g.View.MutualPlotWidth, 520);
  EXPECT_EQ(g.View.MutualUnitStep, 52);
  EXPECT_EQ(g.View.UnitX(3), 206);
  EXPECT_EQ(g.View.MutualPlotHeight, 350);
  EXPECT_EQ(g.View.MutualYScale, 0.125L);
  EXPECT_EQ(g.ScaleText, "0.12500000");
  EXPECT_EQ(g.View.ValueY(2800), 400 - 30 - 350);
  // Unit 1 at 3:07:00 exactly: the first tick is at unit 1 and reads 7.
  // Span 2.25 minutes at 520 / 2.25 pixels per minute.
  ASSERT_EQ(g.MinuteTicks.size(), 3u);
  EXPECT_EQ(g.MinuteTicks[0].Position, 50);
  EXPECT_EQ(g.MinuteTicks[0].Label, "7");
  EXPECT_EQ(g.MinuteTicks[1].Position, 50 + 231);
  EXPECT_EQ(g.MinuteTicks[2].Label, "9");
  // Value ticks every 500 (1 / scale < 10) at 62.5 pixels, halves to even.
  const int ys[] = {370, 308, 245, 182, 120, 58};
  ASSERT_EQ(g.ValueTicks.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(g.ValueTicks[static_cast<size_t>(i)].Position, ys[i]) << i;
    EXPECT_EQ(g.ValueTicks[static_cast<size_t>(i)].Length, i % 2 ? 5 : 10) << i;
  }
  EXPECT_EQ(g.ValueTicks[0].Label, "    0");
  EXPECT_EQ(g.ValueTicks[5].Label, " 2500");

  // Unit 1 at 3:07:30: the first tick is the next minute, labelled 8.
  for (int u = 1; u <= 10; ++u) units[static_cast<size_t>(u)].Second += 30;
  const MutualGraphLayout h = LayoutMutualGraph(units, 600, 400, 50, 0, 100);
  EXPECT_EQ(h.View.MutualPlotWidth, 260);
  EXPECT_EQ(h.MinuteTicks[0].Label, "8");
  EXPECT_EQ(h.MinuteTicks[0].Position, 50 + 58);  // 0.5 min * 260 / 2.25 = 57.8
}

TEST(MutualGraph, ClicksAndFittingRange) {
  MutualGraphView v;
  v.MutualPlotWidth = 500;
  v.MutualUnitStep = 5;
  struct Click {
    int x;
    bool inside;
    int unit;
  } clicks[] = {{49, false, 0}, {50, true, 1}, {62, true, 2}, {63, true, 3}, {550, true, 100}, {551, false, 0}};
  for (const Click& c : clicks) {
    bool inside = false;
    EXPECT_EQ(MutualUnitAtX(v, c.x, 100, &inside), c.unit) << c.x;
    EXPECT_EQ(inside, c.inside) << c.x;
  }
  struct Range {
    int first, last, count, fit_first, fit_last;
  } ranges[] = {
      {10, 20, 100, 6, 24}, {10, 20, 22, 6, 22}, {10, 20, 24, 6, 24}, {2, 8, 100, 1, 10}, {5, 5, 100, 5, 5},
  };
  for (const Range& r : ranges) {
    MutualFitRange f;
    SetFitRange(r.first, r.last, r.count, f);
    EXPECT_EQ(f.MutualFitFirstUnit, r.fit_first) << r.first << ".." << r.last;
    EXPECT_EQ(f.MutualFitLastUnit, r.fit_last) << r.first << ".." << r.last;
  }
  MutualFitRange kept{3, 9};
  SetFitRange(8, 4, 100, kept);
  EXPECT_EQ(kept.MutualFitFirstUnit, 3);
  EXPECT_EQ(kept.MutualFitLastUnit, 9);
}

}  // namespace
