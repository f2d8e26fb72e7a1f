// Frame-offset exposure table and search: figures worked out by hand and by a
// separate Python computation of the same definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "timing/CmosExposure.h"

namespace {

// A search around `target` with the given limits.
CmosExp2State Searched(double target, double capture, double dots, double shift,
                       std::vector<std::string>* lines = nullptr) {
  CmosExp2State s;
  s.TargetExposure = target;
  s.Exp2CaptureTimeLimit = capture;
  s.ProcessDotLimit = dots;
  s.Exp2ShiftPercentLimit = shift;
  const std::vector<std::string> listed = SearchExposures(s, false);
  if (lines) *lines = listed;
  return s;
}

CmosExposureTable DefaultTable() {
  CmosExposureTable t;
  BuildExposureTable(t);
  FilterExposureTable(t);
  return t;
}

TEST(CmosExposureTable, RowsWorkedByHand) {
  const CmosExposureTable t = DefaultTable();
  struct Row {
    int e;
    double f, d, l, p;
    bool suitable;
  };
  const Row rows[] = {
      {27, 37, -1, -54, 100.0 / 27, true},
      {13, 77, 1, 26, 100.0 / 13, true},
      {25, 40, 0, 500000, 0, false},  // divides 1000: D 0, never suitable
      {600, 2, 200, 6, 100.0 / 3, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.e);
    const TExposureRecord& x = t.rec[r.e];
    EXPECT_DOUBLE_EQ(x.F, r.f);
    EXPECT_DOUBLE_EQ(x.D, r.d);
    EXPECT_NEAR(x.L, r.l, 1e-6);
    EXPECT_NEAR(x.P, r.p, 1e-9);
    EXPECT_EQ(x.suitable != 0, r.suitable);
  }
}

TEST(CmosExposureTable, DefaultRecommendations) {
  const CmosExposureTable t = DefaultTable();
  std::vector<int> rec;
  for (int e = 1; e <= 1200; ++e)
    if (t.rec[e].recommended) rec.push_back(e);
  const std::vector<int> expected = {7,   9,   11,  13,  27,  37,  53,  56,  59,  63,  67,  71,
                                     83,  90,  92,  99,  101, 110, 112, 124, 126, 142, 144, 165,
                                     168, 198, 202, 248, 252, 330, 337, 493, 507, 974, 1028};
  EXPECT_EQ(rec, expected);
  const auto listed = ListExposureTable(t, ExposureFilter::Recommended);
  ASSERT_EQ(listed.size(), 7 + expected.size());
  EXPECT_EQ(listed[0], "  E         F        D            L             P");
  EXPECT_EQ(listed[6], "");
  EXPECT_EQ(ListExposureTable(t, ExposureFilter::Suitable).size(), 7u + 427u);
  EXPECT_EQ(ListExposureTable(t, ExposureFilter::All).size(), 7u + 1200u);
}

TEST(CmosExposureTable, RowTexts) {
  const auto all = ListExposureTable(DefaultTable(), ExposureFilter::All);
  struct Case {
    int e;
    std::string text;
  };
  const Case cases[] = {
      {27, std::string("   ") + "  27" + "      " + "  37" + "      " + "   -1" + "        " + "  -54" +
               "         " + " " + "  4"},
      {13, std::string("   ") + "  13" + "      " + "  77" + "      " + " " + "   1" + "        " + " " +
               "  26" + "         " + " " + "  8"},
      {1, std::string("   ") + "   1" + "      " + "1000" + "      " + " " + "   0" + "        " + " " +
              "    " + "         " + " " + "  0"},
  };
  for (const Case& c : cases) EXPECT_EQ(all[6 + c.e], c.text) << c.e;
}

TEST(CmosExposureTable, ZeroPercentLimitLeavesOnlyRoundedZeroShare) {
  CmosExposureTable t = DefaultTable();
  t.ShiftPercentLimit = 0;
  FilterExposureTable(t);
  for (int e = 1; e <= 1200; ++e) {
    if (t.rec[e].suitable) {
      EXPECT_LT(t.rec[e].P, 0.5) << e;
    }
  }
}

TEST(CmosExposureSearch, ThirtyMillisecondTarget) {
  CmosExp2State s;
  const auto lines = SearchExposures(s, false);
  EXPECT_EQ(s.count, 451);
  EXPECT_DOUBLE_EQ(s.rec[1].E, 15.0);
  EXPECT_DOUBLE_EQ(s.rec[451].E, 60.0);
  const std::vector<std::string> expected = {
      "  20.8    48     -2       -8     -26", "  34.4    29     -2       -7     -29",
      "  35.8    28      2        7      30", "  41.8    24      3        8      26",
      "  45.3    22     -3       -8     -27", "  45.6    22      3        7      29",
      "  47.8    21      4        8      25", "  50.2    20      4        8      25",
      "  55.8    18      4        8      25", "  59.1    17      5        8      25",
  };
  EXPECT_EQ(lines, expected);
  // 27.0 ms fails the 30 s capture limit, so ticking whole exposures adds none.
  EXPECT_EQ(SearchExposures(s, true), expected);
  EXPECT_DOUBLE_EQ(s.rec[(270 - 150) + 1].D, -1);
  EXPECT_EQ(s.rec[(270 - 150) + 1].suitable, 0);
}

// Each run recommends its smallest shift, whichever way the frames drift:
// 27.0 ms (shift -3.7 %) rather than 26.9 ms (-17.5 %). Expected exposures
// (tenths of a ms) from a separate Python computation.
TEST(CmosExposureSearch, RunsRecommendTheSmallestShiftEitherSign) {
  const struct {
    double target, capture, shift;
    std::vector<int> tenths;
  } cases[] = {
      {30, 100, 20, {154, 156, 159, 161, 164, 167, 169, 172, 175, 179, 182, 185, 189, 192, 196, 208,
                     213, 217, 222, 227, 233, 237, 239, 243, 245, 249, 251, 256, 263, 270, 278, 286,
                     293, 295, 302, 304, 313, 323, 333, 344, 346, 356, 358, 370, 385, 399, 401, 416,
                     418, 434, 436, 455, 475, 477, 499, 501, 525, 527, 554, 557, 587, 589}},
      {100, 300, 50, {501, 526, 556, 588, 624, 626, 667, 713, 715, 768, 770, 832, 834,
                      908, 910, 999, 1001, 1110, 1112, 1248, 1252, 1427, 1430, 1664, 1669, 1997}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    const CmosExp2State s = Searched(c.target, c.capture, 5, c.shift);
    std::vector<int> tenths;
    for (int k = 1; k <= s.count; ++k)
      if (s.rec[k].recommended) tenths.push_back(static_cast<int>(std::lround(s.rec[k].E * 10)));
    EXPECT_EQ(tenths, c.tenths);
  }
}

// Drifts in whole tenths of a ms give exact halves: 45.6 ms drifts 3.2 ms,
// so its capture time is 28.5 s and reads 29, and 18.1 ms drifts -4.5 ms
// and reads -5. Lines from an exact rational computation.
TEST(CmosExposureSearch, ExactHalvesRoundAwayFromZero) {
  const struct {
    double target, capture, dots, shift;
    std::vector<std::string> some_lines;
  } cases[] = {
      {30, 30, 5, 8, {"  45.6    22      3        7      29"}},
      {30, 300, 5, 8, {"  27.8    36      1        3      70"}},
      {13.3, 30, 3, 50,
       {"  12.8    78     -2      -13     -16", "  15.6    64     -2      -10     -20",
        "  18.1    55     -5      -25      -8", "  22.1    45     -6      -25      -8"}},
      {100, 300, 0, 50, {"  83.4    12      1        1     209"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    std::vector<std::string> lines;
    Searched(c.target, c.capture, c.dots, c.shift, &lines);
    for (const std::string& l : c.some_lines) EXPECT_NE(std::find(lines.begin(), lines.end(), l), lines.end()) << l;
  }
}

// 1.2 ms has exactly 3 process dots (capture time -6 s): at a limit of 3 it
// joins the run of 1.1 ms, whose smaller shift is then the only one listed.
TEST(CmosExposureSearch, ProcessDotsAtTheLimitAreSuitable) {
  std::vector<std::string> lines;
  const CmosExp2State s = Searched(1, 30, 3, 50, &lines);
  const std::vector<std::string> expected = {"0.6  1667      0       33       6", "0.9  1111      0      -11     -18",
                                             "1.1   909      0       -9     -22", "1.7   588      0      -24      -9",
                                             "1.9   526     -1      -32      -6"};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(s.rec[(12 - 5) + 1].suitable, 1);
}

TEST(CmosExposureSearch, UpperEndCappedAt900ms) {
  CmosExp2State s;
  s.TargetExposure = 600;
  SearchExposures(s, false);
  EXPECT_EQ(s.count, 9000 - 3000 + 1);
  EXPECT_DOUBLE_EQ(s.rec[s.count].E, 900.0);
}

TEST(CmosExposureSearch, TypedTargets) {
  struct Case {
    double v;
    bool ok;
    ExposureDigitSet digits;
    double target;
  };
  const Case cases[] = {
      {4.6, true, {0, 0, 4, 6, 0}, 4.6},  // no floating-point truncation to 4.5
      {30, true, {0, 3, 0, 0, 0}, 30},
      {123.45, true, {1, 2, 3, 4, 5}, 123.4},
      {0.29, true, {0, 0, 0, 2, 9}, 0.2},
      // Digits past the hundredths are dropped, not rounded into them (Python
      // decimal truncation): 899.9995 stays below 900 with its hundreds at 8.
      {12.3995, true, {0, 1, 2, 3, 9}, 12.3},
      {12.3495, true, {0, 1, 2, 3, 4}, 12.3},
      {99.99999, true, {0, 9, 9, 9, 9}, 99.9},
      {899.9995, true, {8, 9, 9, 9, 9}, 899.9},
      {0.1999, true, {0, 0, 0, 1, 9}, 0.1},
      {0.05, false, {}, 0},  // the target would be 0 ms
      {950, false, {}, 0},
      {-3, false, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    const TypedExposure t = SplitTypedExposure(c.v);
    EXPECT_EQ(t.accepted, c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(t.digits, c.digits);
    EXPECT_NEAR(t.target, c.target, 1e-12);
  }
  // The digits' target is the decimal value itself, hundredths dropped.
  const struct {
    ExposureDigitSet digits;
    double target;
  } from_digits[] = {{{0, 3, 0, 1, 0}, 30.1}, {{0, 0, 0, 3, 0}, 0.3}, {{0, 3, 0, 2, 5}, 30.2}, {{0, 0, 0, 0, 5}, 0}};
  for (const auto& c : from_digits) EXPECT_EQ(ExposureFromDigits(c.digits), c.target) << c.target;
  EXPECT_EQ(ExposureEditText(30), "30.0");
  EXPECT_EQ(FrameRateEditText(30), "33.33333");
}

}  // namespace
