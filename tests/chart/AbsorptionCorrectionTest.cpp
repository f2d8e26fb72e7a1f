// Absorption correction against values computed here, and exact restore.
#include "chart/AbsorptionCorrection.h"

#include <gtest/gtest.h>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "support/ChartTestTables.h"

namespace {

std::vector<std::string> Table(const std::vector<std::string>& target, const std::vector<std::string>& comparison) {
  std::vector<TableRowCells> rows;
  for (size_t r = 0; r < target.size(); ++r) {
    TableRowCells row;
    row.No = std::to_string(r) + ".0";
    row.Objects[0].Value = target[r];
    row.Objects[1].Value = comparison[r];
    rows.push_back(row);
  }
  return BuildResultTable(3, 2, rows);
}

std::string F(const std::vector<std::string>& lines, int r, int field) {
  return GetCsvField(lines[static_cast<size_t>(6 + r)], field);
}

}  // namespace

TEST(AbsorptionCorrection, CorrectsWithSmoothedComparison) {
  const std::vector<std::string> t = {"1000.0", "900.0", "800.0", "850.0", "950.0"};
  const std::vector<std::string> c = {"500.0", "450.0", "400.0", "425.0", "475.0"};
  const auto lines = Table(t, c);
  AbsorptionCorrection ac;
  ASSERT_EQ(ac.Open(lines, 3, 5), "");
  const auto out = ac.Correct(lines, 3, 0, 1);
  ASSERT_TRUE(out.Changed);
  // w = 1: means of two values at the ends, three inside.
  const double sm[5] = {(500 + 450) / 2.0, (500 + 450 + 400) / 3.0, (450 + 400 + 425) / 3.0,
                        (400 + 425 + 475) / 3.0, (425 + 475) / 2.0};
  ASSERT_EQ(out.SmoothedList.size(), 5u);
  EXPECT_EQ(out.SmoothedList[1], FormatFixed(sm[1], 5, 8));
  EXPECT_EQ(out.ReferenceText, "475.00000");
  const double tv[5] = {1000, 900, 800, 850, 950};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(F(out.Lines, k, 11), FormatFixed(tv[k] * sm[0] / sm[k], 1, 6)) << k;
    EXPECT_EQ(F(out.Lines, k, 12), "475.0") << k;
  }
  EXPECT_EQ(F(out.Lines, 0, 11), "1000.0");  // the reference record unchanged
}

TEST(AbsorptionCorrection, RepeatedCorrectionsDoNotCompoundAndRestoreIsExact) {
  const std::vector<std::string> t = {"1000.0", "900.0", "800.0", "850.0", "950.0"};
  const std::vector<std::string> c = {"500.0", "450.0", "400.0", "425.0", "475.0"};
  const auto lines = Table(t, c);
  AbsorptionCorrection ac;
  ac.Open(lines, 3, 5);
  const auto first = ac.Correct(lines, 3, 0, 1);
  const auto second = ac.Correct(first.Lines, 3, 3, 2);
  AbsorptionCorrection fresh;
  fresh.Open(lines, 3, 5);
  EXPECT_EQ(second.Lines, fresh.Correct(lines, 3, 3, 2).Lines);
  const auto restored = ac.Restore(second.Lines, 3);
  ASSERT_TRUE(restored.Changed);
  EXPECT_EQ(restored.Lines, lines);
}

TEST(AbsorptionCorrection, SelectedComparisonEmptyOrBlankDoesNothing) {
  for (const char* blank : {"", " ", "  "}) {
    const auto lines = Table({"1.0", "2.0"}, {blank, "3.0"});
    AbsorptionCorrection ac;
    ac.Open(lines, 3, 2);
    EXPECT_FALSE(ac.Correct(lines, 3, 0, 1).Changed) << "[" << blank << "]";
  }
  const auto lines = Table({"1.0", "2.0"}, {"4.0", "3.0"});
  AbsorptionCorrection ac;
  ac.Open(lines, 3, 2);
  EXPECT_FALSE(ac.Correct(lines, 3, -1, 1).Changed);
  EXPECT_FALSE(ac.Correct(lines, 0, 0, 1).Changed);
}

TEST(AbsorptionCorrection, RecordsWithoutComparisonAreSkippedAndKept) {
  auto lines = Table({"1000.0", "900.0", "800.0", "700.0"}, {"500.0", "", "400.0", "400.0"});
  lines.insert(lines.begin() + 8, "");  // an empty line: record 2
  AbsorptionCorrection ac;
  ASSERT_EQ(ac.Open(lines, 3, 5), "");
  const auto out = ac.Correct(lines, 3, 0, 0);
  ASSERT_TRUE(out.Changed);
  EXPECT_EQ(out.Lines.size(), lines.size());  // the empty line stays
  EXPECT_EQ(out.Lines[8], "");
  EXPECT_EQ(F(out.Lines, 1, 11), "900.0");  // never captured: untouched
  EXPECT_EQ(F(out.Lines, 1, 12), "");
  EXPECT_EQ(F(out.Lines, 3, 11), "1000.0");  // 800 * 500 / 400
  const auto restored = ac.Restore(out.Lines, 3);
  EXPECT_EQ(restored.Lines, lines);
}

TEST(AbsorptionCorrection, RecordsWithoutComparisonStayOutOfTheSmoothing) {
  // A steady comparison of 1000 with one record not measured and one empty
  // line: the neighbours' smoothed comparison stays 1000, so their targets
  // stay 500, whatever the window.
  auto lines = Table({"500.0", "500.0", "500.0", "500.0", "500.0", "500.0"},
                     {"1000.0", "1000.0", "", "1000.0", "1000.0", "1000.0"});
  lines.insert(lines.begin() + 6 + 4, "");  // record 4 is an empty line
  for (int w : {1, 2, 5}) {
    SCOPED_TRACE(w);
    AbsorptionCorrection ac;
    ASSERT_EQ(ac.Open(lines, 3, 7), "");
    const auto out = ac.Correct(lines, 3, 0, w);
    ASSERT_TRUE(out.Changed);
    EXPECT_EQ(out.ReferenceText, "1000.00000");
    for (int k : {0, 1, 3, 5, 6}) {
      EXPECT_EQ(F(out.Lines, k, 11), "500.0") << k;
      EXPECT_EQ(F(out.Lines, k, 12), "1000.0") << k;
    }
    EXPECT_EQ(out.SmoothedList[2], "1000.00000");
  }
}

// A brightness ratio needs positive comparison values: a reference at or
// below 0 would flatten or mirror the whole curve, and a record whose smoothed
// comparison is at or below 0 has no ratio, so it keeps its value.
TEST(AbsorptionCorrection, ComparisonAtOrBelowZero) {
  struct Case {
    const char* name;
    std::vector<std::string> comparison;
    int selected;
    bool changed;
    std::vector<std::string> target_after;  // column 11 of records 0..3
  };
  const std::vector<std::string> t = {"1000.0", "900.0", "800.0", "700.0"};
  const Case cases[] = {
      {"ZeroReference", {"0.0", "500.0", "0.0", "400.0"}, 0, false, t},
      {"NegativeReference", {"-20.0", "500.0", "400.0", "400.0"}, 0, false, t},
      // w = 0: 900 * 400 / 500 = 720, 800 * 400 / 400 = 800.
      {"NegativeRecordKept", {"-30.0", "500.0", "400.0", "400.0"}, 3, true, {"1000.0", "720.0", "800.0", "700.0"}},
      {"ZeroRecordKept", {"0.0", "500.0", "400.0", "400.0"}, 3, true, {"1000.0", "720.0", "800.0", "700.0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto lines = Table(t, c.comparison);
    AbsorptionCorrection ac;
    ASSERT_EQ(ac.Open(lines, 3, 4), "");
    const auto out = ac.Correct(lines, 3, c.selected, 0);
    EXPECT_EQ(out.Changed, c.changed);
    EXPECT_EQ(out.Error.empty(), c.changed);
    const auto& after = out.Changed ? out.Lines : lines;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(F(after, k, 11), c.target_after[static_cast<size_t>(k)]) << k;
  }
}

// A cell that is no number (a damaged file) is told when the window opens;
// "Correction" then corrects every other record, not only those before it,
// and leaves the record with the bad cell as it is.
TEST(AbsorptionCorrection, ACellThatIsNoNumberLeavesOnlyItsRecordUncorrected) {
  struct Case {
    const char* name;
    std::vector<std::string> target, comparison;
    const char* message;
  };
  const Case cases[] = {
      {"BadTarget", {"1000.0", "900.0", "abc", "700.0", "600.0"}, {"500.0", "450.0", "400.0", "350.0", "300.0"},
       "'abc' is not a valid floating point value"},
      {"BadComparison", {"1000.0", "900.0", "800.0", "700.0", "600.0"}, {"500.0", "450.0", "4x0", "350.0", "300.0"},
       "'4x0' is not a valid floating point value"},
  };
  // w = 0, reference record 0 (comparison 500): 900 * 500 / 450 = 1000,
  // 700 * 500 / 350 = 1000, 600 * 500 / 300 = 1000.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto lines = Table(c.target, c.comparison);
    AbsorptionCorrection ac;
    EXPECT_EQ(ac.Open(lines, 3, 5), c.message);
    const auto out = ac.Correct(lines, 3, 0, 0);
    ASSERT_TRUE(out.Changed);
    for (int k : {0, 1, 3, 4}) {
      EXPECT_EQ(F(out.Lines, k, 11), "1000.0") << k;
      EXPECT_EQ(F(out.Lines, k, 12), "500.0") << k;
    }
    EXPECT_EQ(out.Lines[8], lines[8]);
    EXPECT_EQ(ac.Restore(out.Lines, 3).Lines, lines);
  }
}

// "Restore to raw data" puts the captured values back whatever the first
// record holds: an empty line (a damaged file) or no target value.
TEST(AbsorptionCorrection, RestoreWhenTheFirstRecordHasNoTarget) {
  struct Case {
    const char* name;
    const char* first_line;  // record 0 in place of a measured one; nullptr: keep it
    const char* message;     // told at opening
  };
  const Case cases[] = {
      {"EmptyFirstLine", "", ""},
      {"EmptyFirstTarget", "0.0,,,,,,,,,,,800.0,,", "'' is not a valid floating point value"},
      {"MeasuredFirstRecord", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto lines = Table({"1000.0", "990.0", "980.0", "970.0"}, {"800.0", "792.0", "784.0", "776.0"});
    if (c.first_line) lines[6] = c.first_line;
    AbsorptionCorrection ac;
    EXPECT_EQ(ac.Open(lines, 3, 4), c.message);
    // Reference record 1: 980 x 792 / 784 = 990.
    const auto corrected = ac.Correct(lines, 3, 1, 0);
    ASSERT_TRUE(corrected.Changed);
    EXPECT_EQ(F(corrected.Lines, 2, 11), "990.0");
    EXPECT_EQ(F(corrected.Lines, 3, 12), "792.0");
    const auto restored = ac.Restore(corrected.Lines, 3);
    ASSERT_TRUE(restored.Changed);
    EXPECT_EQ(restored.Lines, lines);
  }
}
