// The mutual-event model: evaluators, a synthetic event of known minimum
// (numbers from an independent numpy computation), the residual's range, the
// third-derivative marks and the range search.
#include "chart/MutualFit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/ChartTestTables.h"

namespace {

MutualFitModel Model(std::initializer_list<long double> coef, int item, bool increase = false) {
  MutualFitModel m;
  size_t k = 0;
  for (long double c : coef) m.Coef[k++] = c;
  m.DegreeItem = item;
  m.Increase = increase;
  return m;
}

TEST(MutualFitModel, EvaluatorsFollowTheDegreeAndTheIncreaseSign) {
  struct Case {
    const char* name;
    MutualFitModel m;
    long double x, value, slope, third;
  } cases[] = {
      // 1 + 2x + 3x^2 + 4x^3 at 2: 49; 2 + 12 + 48 = 62; 24.
      {"cubic, fading", Model({1, 2, 3, 4}, 1), 2, 49, -62, -24},
      {"cubic, brightening", Model({1, 2, 3, 4}, 1, true), 2, 49, 62, 24},
      // The degree item cuts the terms: degree 2 ignores c3.
      {"degree 2", Model({1, 2, 3, 4}, 0, true), 2, 17, 14, 0},
      // c5 x^5 at -1: 6x + 24x^2.. third derivative 60 c5 x^2.
      {"quintic at -1", Model({0, 0, 0, 0, 0, 1}, 3, true), -1, -1, 5, 60},
      {"empty item", Model({1, 2, 3, 4}, 13, true), 2, 0, 0, 0},
      {"no item", Model({1, 2, 3, 4}, -1, true), 2, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EvalFitPolynomial(c.m, c.x), c.value) << c.name;
    EXPECT_EQ(EvalFitPolynomialSlope(c.m, c.x), c.slope) << c.name;
    EXPECT_EQ(EvalFitThirdDerivative(c.m, c.x), c.third) << c.name;
  }
  EXPECT_EQ(Model({}, 13).TermCount(), 16);
  EXPECT_EQ(Model({}, 12).Degree(), 14);
}

// 480 frames of 1000 + 40 (t - 5.27)^2, 16 frames per unit from 3:07:00.
MutualAverageResult SyntheticEvent() {
  MutualAverageInput in;
  in.FramesPerUnit = 16;
  in.FirstFrameTime = {"3", "7", "0"};
  return CalculateMutualUnits(ParabolaEventTable(480, 5.27, 40, 1000), in);
}

TEST(MutualFitModel, SyntheticParabolaGivesItsMinimumTime) {
  const MutualAverageResult ev = SyntheticEvent();
  ASSERT_EQ(ev.Status, MutualAverageStatus::Done);
  ASSERT_EQ(ev.MutualUnitCount, 30);
  // numpy: the fit over units 4..26 has its vertex 5.025 s after unit 1;
  // unit 10 (4.8048 s) is the lowest unit, the 0.1-s grid point 5.0048 s the
  // lowest grid point, at 3:07:05.238.
  for (int item : {0, 1, 2}) {
    MutualFitModel m;
    m.DegreeItem = item;
    FitMutualModel(ev.MutualUnits, 4, 26, m);
    const MutualModelPass pass = EvaluateMutualModel(ev.MutualUnits, 4, 26, 1, m);
    EXPECT_EQ(pass.MinimumUnit, 10) << item;
    EXPECT_NEAR(static_cast<double>(pass.MinimumX), 5.004804804804806, 1e-9) << item;
    EXPECT_EQ(pass.MinimumText, "3h 7m 5.2s") << item;
    EXPECT_EQ(MutualResidualText(pass.SumSq, 4, 26), "0.0") << item;
    EXPECT_NEAR(static_cast<double>(m.Coef[0]), 2008.96044437, 1e-6) << item;
    EXPECT_NEAR(static_cast<double>(m.Coef[1]), -401.1984, 1e-6) << item;
    EXPECT_NEAR(static_cast<double>(m.Coef[2]), 39.92004, 1e-7) << item;
    EXPECT_EQ(pass.Points.size(), 23u);
    EXPECT_EQ(pass.SlopeLines.size(), 23u);
  }
}

TEST(MutualFitModel, MarkedLastUnitIsFittedAndCounted) {
  // Units 10..19 on a line, unit 20 three above it. numpy.polyfit of degree 2
  // through the 11 marked units 10..20 (x = u - 1): c0..c2 below, a residual
  // sum of 3.776224 and a root mean square over the 11 units of 0.586.
  TypAvgDataArray units(31);
  for (int u = 1; u <= 30; ++u) {
    units[static_cast<size_t>(u)].Second = u;
    units[static_cast<size_t>(u)].TargetRatio = 500 + 2 * u + (u == 20 ? 3 : 0) + (u < 10 ? 50 : 0);
  }
  MutualFitModel m;
  m.DegreeItem = 0;
  FitMutualModel(units, 10, 20, m);
  EXPECT_NEAR(static_cast<double>(m.Coef[0]), 510.11888111888146, 1e-9);
  EXPECT_NEAR(static_cast<double>(m.Coef[1]), 0.6678321678321308, 1e-11);
  EXPECT_NEAR(static_cast<double>(m.Coef[2]), 0.05244755244755335, 1e-12);
  const MutualModelPass pass = EvaluateMutualModel(units, 10, 20, 6, m);
  EXPECT_NEAR(static_cast<double>(pass.SumSq), 3.776223776223838, 1e-9);
  EXPECT_EQ(MutualResidualText(pass.SumSq, 10, 20), "0.6");
  // Rising over the range: the first unit is the lowest, and the refinement goes to 1 s before it.
  EXPECT_EQ(pass.MinimumUnit, 10);
  EXPECT_NEAR(static_cast<double>(pass.MinimumX), 9 - 1, 1e-12);
  EXPECT_EQ(pass.MinimumText, "0h 0m 9.0s");
  // Slopes of a fading event are negated: never positive, so MaxSlope stays 0.
  EXPECT_EQ(pass.MaxSlope, 0);
  EXPECT_EQ(pass.SlopeLines[0], "0,0,10.0000,-1.6");  // -(c1 + 2 c2 x) at x = 9
}

TEST(MutualFitModel, MinimumTimeRoundingToSixtySecondsCarriesIntoTheMinute) {
  // The line of the test above, moved so that its lowest point falls at 59.97 s:
  // with one decimal that is the next minute, never "60.0s".
  TypAvgDataArray units(31);
  for (int u = 1; u <= 30; ++u) {
    units[static_cast<size_t>(u)].Minute = 59;
    units[static_cast<size_t>(u)].Second = u + 50.97L;
    units[static_cast<size_t>(u)].TargetRatio = 500 + 2 * u;
  }
  MutualFitModel m;
  m.DegreeItem = 0;
  FitMutualModel(units, 10, 20, m);
  EXPECT_EQ(EvaluateMutualModel(units, 10, 20, 6, m).MinimumText, "1h 0m 0.0s");
}

// Units and a lowest point at 23:59:59.97: their times read as the next day's
// 0 h, never as second 60 or hour 24.
TEST(MutualFitModel, TimesRoundingUpToMidnightReadAsZeroHours) {
  for (const long double unit10 : {60.97L, 59.99996L}) {
    TypAvgDataArray units(31);
    for (int u = 1; u <= 30; ++u) {
      TypAvgData& a = units[static_cast<size_t>(u)];
      a.Hour = 23, a.Minute = 59;
      a.Second = u + 50.97L;
      a.TargetRatio = 500 + 2 * u;
    }
    units[10].Second = unit10;
    MutualFitModel m;
    m.DegreeItem = 0;
    FitMutualModel(units, 10, 20, m);
    const MutualModelPass pass = EvaluateMutualModel(units, 10, 20, 6, m);
    if (unit10 > 60) {
      EXPECT_EQ(pass.MinimumText, "0h 0m 0.0s");  // 1 s before unit 10: 23:59:59.97
    }
    ASSERT_FALSE(pass.SlopeLines.empty());
    if (unit10 < 60) {
      EXPECT_EQ(pass.SlopeLines[0].substr(0, 11), "0,0,0.0000,");
    }
  }
}

// A dip over five minutes of units at high degrees: the residual is that of
// numpy.polyfit over the same points, the least-squares optimum.
TEST(MutualFitModel, HighDegreesReachTheLeastSquaresFit) {
  TypAvgDataArray units(121);
  for (int u = 1; u <= 120; ++u) {
    const long double x = (u - 1) * 2.5L;
    units[static_cast<size_t>(u)].Second = x;
    units[static_cast<size_t>(u)].TargetRatio =
        1000 - 300 * std::exp(-std::pow((x - 150) / 40, 2)) + 5 * std::sin(x * 1.7L);
  }
  const std::pair<int, double> numpy_rms[] = {{8, 12.990543994614713}, {12, 4.2013285287674496}, {14, 3.614197196451806}};
  for (const auto& [degree, rms] : numpy_rms) {
    MutualFitModel m;
    m.DegreeItem = degree - 2;
    FitMutualModel(units, 1, 120, m);
    const MutualModelPass pass = EvaluateMutualModel(units, 1, 120, 1, m);
    EXPECT_NEAR(static_cast<double>(std::sqrt(pass.SumSq / 120)), rms, 1e-6) << degree;
  }
}

TEST(MutualFitModel, ThirdDerivativeSignChangesAreMarked) {
  // p''' = -60 + 24x changes sign between x = 2 and x = 3 (units 3 and 4).
  TypAvgDataArray units(8);
  for (int u = 1; u <= 7; ++u) {
    units[static_cast<size_t>(u)].Hour = 1;
    units[static_cast<size_t>(u)].Second = u - 1;
  }
  for (bool increase : {false, true}) {
    const MutualFitModel m = Model({0, 0, 0, -10, 1}, 2, increase);
    const MutualModelPass pass = EvaluateMutualModel(units, 1, 7, 1, m);
    ASSERT_EQ(pass.ThirdDerivativeMarks.size(), 1u);
    EXPECT_EQ(pass.ThirdDerivativeMarks[0].first, 4);
    EXPECT_EQ(pass.ThirdDerivativeMarks[0].second, "1 0 3.0000");
  }
  // A parabola has no third derivative: no marks.
  EXPECT_TRUE(EvaluateMutualModel(units, 1, 7, 1, Model({1, 1, 1}, 0)).ThirdDerivativeMarks.empty());
}

TEST(MutualRangeSearch, ThreadsGiveTheSerialChoice) {
  const MutualAverageResult ev = SyntheticEvent();
  TypAvgDataArray units = ev.MutualUnits;
  // Disturb some units so that the ranges differ.
  for (int u : {2, 5, 23, 27, 28}) units[static_cast<size_t>(u)].TargetRatio += 7.0L * u;
  MutualRangeSearchInput in{8, 22, 3, 28, 3, false};
  MutualRangeSearchProgress serial_progress;
  const MutualRangeSearchResult serial = MutualRangeSearch(units, in, &serial_progress, 1);
  EXPECT_EQ(serial_progress.StartsDone.load(), 6);
  ASSERT_FALSE(serial.Cancelled);
  EXPECT_GE(serial.BestStart, 3);
  EXPECT_LE(serial.BestStart, 8);
  for (int threads : {2, 3, 8}) {
    const MutualRangeSearchResult r = MutualRangeSearch(units, in, nullptr, threads);
    EXPECT_EQ(r.BestStart, serial.BestStart) << threads;
    EXPECT_EQ(r.BestEnd, serial.BestEnd) << threads;
    EXPECT_EQ(r.BestResidual, serial.BestResidual) << threads;
    EXPECT_EQ(r.Model.Coef, serial.Model.Coef) << threads;
  }
}

TEST(MutualRangeSearch, LateEventsKeepTheirPrecisionAtHighDegree) {
  // An exact sextic in the time since unit 1, at 23 h: in seconds of the day
  // the powers would reach 1e59 and the fit would lose every digit.
  TypAvgDataArray units(61);
  for (int u = 1; u <= 60; ++u) {
    const long double t = 0.5L * (u - 1);
    units[static_cast<size_t>(u)].Hour = 23;
    units[static_cast<size_t>(u)].Minute = 59;
    units[static_cast<size_t>(u)].Second = 20 + t;
    const long double d = t - 14;
    units[static_cast<size_t>(u)].TargetRatio = 900 + 2 * d * d - 0.01L * d * d * d * d + 1e-5L * d * d * d * d * d * d;
  }
  const MutualRangeSearchResult r = MutualRangeSearch(units, {20, 40, 13, 47, 4, false}, nullptr, 2);
  EXPECT_LT(r.BestResidual, 1e-6L);
  const MutualModelPass pass = EvaluateMutualModel(units, 20, 40, 13, r.Model);
  EXPECT_EQ(pass.MinimumUnit, 29);  // t = 14
  EXPECT_EQ(pass.MinimumText, "23h 59m 34.0s");
}

TEST(MutualRangeSearch, CancelStopsWithoutAResult) {
  const MutualAverageResult ev = SyntheticEvent();
  MutualRangeSearchProgress progress;
  progress.Cancel = true;
  const MutualRangeSearchResult r = MutualRangeSearch(ev.MutualUnits, {8, 22, 3, 28, 3, false}, &progress, 2);
  EXPECT_TRUE(r.Cancelled);
  EXPECT_EQ(progress.StartsDone.load(), 0);
}

}  // namespace
