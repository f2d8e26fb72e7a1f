// Every reader of the results table finds its first row whether or not the
// header holds the video-system line (tables written before a frame rate was
// known, and older saved files, lack it). Expected values are worked out by
// hand from the rows below.
#include <gtest/gtest.h>

#include "base/CsvFields.h"
#include "chart/AbsorptionCorrection.h"
#include "chart/ChartTable.h"
#include "chart/MutualEvent.h"
#include "chart/NoiseReduction.h"
#include "chart/SpectrumListing.h"
#include "support/ChartTestTables.h"

namespace {

// Frames 40..40+n-1; object A 111.5, 120, 130, ...; object B 1000, 2000, 1000, ...
// Object A's sums give 5000 - 2000 * 20 / 80 = 4500 in the first row and
// 6000 - 2000 * 20 / 80 = 5500 in the others.
std::vector<std::string> Ordinary(int n) {
  std::vector<TableRowCells> rows;
  for (int r = 0; r < n; ++r) {
    TableRowCells row;
    row.No = std::to_string(40 + r) + ".0";
    row.Objects[0].Value = r == 0 ? "111.5" : std::to_string(110 + 10 * r) + ".0";
    row.Objects[1].Value = r % 2 ? "2000.0" : "1000.0";
    row.Objects[0].ApertureSum = r == 0 ? "5000" : "6000";
    row.Objects[0].BackgroundSum = "2000";
    row.Objects[0].AperturePixels = "20";
    row.Objects[0].BackgroundPixels = "80";
    rows.push_back(row);
  }
  return BuildResultTable(3, 2, rows);
}

struct Form {
  const char* name;
  bool video_system_line;
  size_t first_row_line;
};
constexpr Form kForms[] = {{"ordinary", true, 6}, {"no video-system line", false, 5}};

std::vector<std::string> Table(const Form& f, int n) {
  return f.video_system_line ? Ordinary(n) : WithoutVideoSystemLine(Ordinary(n));
}

}  // namespace

TEST(HeaderForms, ChartReadsTheFirstRow) {
  for (const Form& f : kForms) {
    const ChartData d = ReadChartData(Table(f, 5), 3);
    ASSERT_EQ(d.Records.size(), 5u) << f.name;
    EXPECT_EQ(d.TotalFrameCount(), 5) << f.name;
    EXPECT_EQ(d.DataLineCount(), 4) << f.name;
    EXPECT_DOUBLE_EQ(d.Records[0].FrameNo, 40.0) << f.name;
    EXPECT_DOUBLE_EQ(d.Records[0].Value[CurveA], 111.5) << f.name;
    EXPECT_DOUBLE_EQ(d.Records[4].Value[CurveA], 150.0) << f.name;
    EXPECT_EQ(RecordLine(Table(f, 5), d.HeaderLineCount, 0), Table(f, 5)[f.first_row_line]) << f.name;
  }
}

TEST(HeaderForms, NoiseReductionRewritesRowsOnly) {
  for (const Form& f : kForms) {
    const auto lines = Table(f, 3);
    EXPECT_EQ(FirstFrameNoOf(lines), 40) << f.name;
    EXPECT_EQ(LastRecordIndexOf(lines), 2) << f.name;
    const NoiseReductionResult r = ResetNoiseReduction(lines, 3, 1);
    ASSERT_TRUE(r.Changed) << f.name;
    ASSERT_EQ(r.Lines.size(), lines.size()) << f.name;
    for (size_t i = 0; i < f.first_row_line; ++i) EXPECT_EQ(r.Lines[i], lines[i]) << f.name << " line " << i;
    EXPECT_EQ(GetCsvField(r.Lines[f.first_row_line], 11), "4500.0") << f.name;
    EXPECT_EQ(GetCsvField(r.Lines[f.first_row_line + 2], 11), "5500.0") << f.name;

    // Frames 40..41 are records 0..1: the mean of 111.5 and 120 is 115.75.
    const ObjectStatistics st = AvgBkgStatistics(lines, 3, 1, 40, 41, false);
    EXPECT_EQ(st.RecordFrom, 0) << f.name;
    EXPECT_EQ(st.RecordTo, 1) << f.name;
    EXPECT_EQ(st.Mean[0], "115.8") << f.name;
  }
}

TEST(HeaderForms, MutualAveragingStartsAtTheFirstRow) {
  for (const Form& f : kForms) {
    MutualAverageInput in;
    in.FramesPerUnit = 1;
    const MutualAverageResult r = CalculateMutualUnits(Table(f, 4), in);
    ASSERT_EQ(r.Status, MutualAverageStatus::Done) << f.name;
    EXPECT_EQ(r.MutualFrameCount, 4) << f.name;
    ASSERT_EQ(r.MutualUnitCount, 4) << f.name;
    EXPECT_DOUBLE_EQ(static_cast<double>(r.MutualUnits[1].Target), 111.5) << f.name;
    EXPECT_DOUBLE_EQ(static_cast<double>(r.MutualUnits[4].Target), 140.0) << f.name;
  }
}

TEST(HeaderForms, SpectrumNeedsOneRecordBeyondTheBlock) {
  struct Case {
    int rows;
    bool done;
  };
  for (const Form& f : kForms)
    for (Case c : {Case{4, false}, Case{5, true}}) {
      const SpectrumResult r = SpectrumListing(Table(f, c.rows), 3, 4, 30, false);
      ASSERT_EQ(r.Done, c.done) << f.name << " " << c.rows;
      if (!c.done) continue;
      EXPECT_EQ(r.FieldTexts, (std::vector<std::string>{"111.5", "120.0", "130.0", "140.0"})) << f.name;
      EXPECT_EQ(r.Lines, SpectrumListing(Ordinary(5), 3, 4, 30, false).Lines) << f.name;
    }
}

TEST(HeaderForms, AbsorptionCorrectsTheRowsNotTheHeader) {
  for (const Form& f : kForms) {
    const auto lines = Table(f, 3);
    AbsorptionCorrection a;
    ASSERT_EQ(a.Open(lines, 3, 3), "") << f.name;
    EXPECT_EQ(a.Entries()[0].RawTarget, "111.5") << f.name;
    EXPECT_EQ(a.Entries()[1].RawComparison, "2000.0") << f.name;
    // Reference record 0 (comparison 1000): record 1's 120 becomes 120 * 1000 / 2000.
    const AbsorptionResult r = a.Correct(lines, 3, 0, 0);
    ASSERT_TRUE(r.Changed) << f.name;
    for (size_t i = 0; i < f.first_row_line; ++i) EXPECT_EQ(r.Lines[i], lines[i]) << f.name << " line " << i;
    EXPECT_EQ(GetCsvField(r.Lines[f.first_row_line + 1], 11), "60.0") << f.name;
    const AbsorptionResult back = a.Restore(r.Lines, 3);
    ASSERT_TRUE(back.Changed) << f.name;
    EXPECT_EQ(back.Lines, lines) << f.name;
  }
}
