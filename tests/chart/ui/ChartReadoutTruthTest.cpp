// The chart's read-outs against values worked out independently: the S/N of
// the visible records (numpy over the same numbers), the times 'Make Report'
// states for the visible records and the records 'Entire' shows (by hand).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <cmath>
#include <functional>

#include "chart/ui/Tchart1.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

struct Chart : ChartWindow {
  void Click(const char* name) { Find<QPushButton>(chart, name)->click(); }
  std::string Edit(const char* name) { return Find<QLineEdit>(chart, name)->text().toStdString(); }
  // 'Make Report' for a lunar event; its first line.
  std::string ReportDateLine(const char* recording_date = "2026/12/07") {
    events.ReportLightCurveElement.Kind = ReportKind::Lunar;
    events.ReportLightCurveElement.RecordingDate = recording_date;
    host.report_lines.clear();
    Click("Button17");
    return host.report_lines.empty() ? std::string() : host.report_lines[0];
  }
};

// 1000 + 50 sin(0.1 i) + (i mod 7), as the table holds it with one decimal.
std::vector<double> Wave(int n) {
  std::vector<double> v;
  for (int i = 0; i < n; ++i) v.push_back(1000 + 50 * std::sin(i * 0.1) + (i % 7));
  return v;
}

}  // namespace

TEST(ChartReadoutTruth, SnOfTheVisibleRecordsFollowsTheView) {
  // numpy: v = round(1000 + 50 sin(0.1 i) + i % 7, 1); mean / std (ddof 0) of
  // the visible slice.
  Chart c;
  c.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(1000)}));
  c.Open();
  struct Step {
    const char* what;
    std::function<void()> act;
    int first, count;
    const char* sn;  // numpy: 28.2687, 28.3069, 28.1962, 28.5399, 28.2856, 28.1512, 28.4407, 140.4268, 132.2782
  } steps[] = {
      {"entire", [] {}, 0, 1000, "S/N= 28.3"},
      {"part", [&] { Find<QRadioButton>(c.chart, "RadioGroup1_0")->click(); }, 0, 340, "S/N= 28.3"},
      {"+1Sec", [&] { c.Click("Button4"); }, 30, 340, "S/N= 28.2"},
      {"+10Sec", [&] { c.Click("Button6"); }, 330, 340, "S/N= 28.5"},
      {"+10Sec", [&] { c.Click("Button6"); }, 630, 340, "S/N= 28.3"},
      {"+10Sec at the end", [&] { c.Click("Button6"); }, 660, 340, "S/N= 28.2"},
      {"-10Sec", [&] { c.Click("Button5"); }, 360, 340, "S/N= 28.4"},
      {"scale 32", [&] { Find<QSpinBox>(c.chart, "UpDown2")->setValue(10); }, 360, 11, "S/N= 140.4"},
      {"scrolled past the end", [&] { Find<QScrollBar>(c.chart, "ScrollBar1")->setValue(995); }, 989, 11,
       "S/N= 132.3"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.act();
    EXPECT_EQ(c.session.ChartState.FirstShownFrame, s.first);
    EXPECT_EQ(c.events.ReportLightCurveElement.ValueCount, s.count);
    EXPECT_EQ(c.Edit("Edit1"), s.sn);
  }
}

TEST(ChartReadoutTruth, ReportTimesComeFromRecordsThatHaveALine) {
  // Rows at 10:20:(r / 30) s; empty lines stand where a damaged file lost rows.
  struct Case {
    const char* what;
    int records;
    std::vector<int> empty;
    bool step;              // '+1Sec' (30 records) first
    const char* date_line;  // by hand: first and last times of non-empty visible records
  } cases[] = {
      // Records 31 and 368 are the first and last with a line: 1.0333 s and
      // 12.2667 s, 11.2333 s apart.
      {"scrolled view between empty lines", 400, {30, 369}, true, "Date: 2026/12/07 10:20:1.03: 11.23: 340"},
      // Records 1 and 4: 0.0333 s and 0.1333 s.
      {"whole table between empty lines", 6, {0, 5}, false, "Date: 2026/12/07 10:20:0.03: 0.10: 6"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Chart c;
    std::vector<TableRowCells> rows = RowsFromValues({Wave(k.records)});
    for (int e : k.empty) rows[static_cast<size_t>(e)].EmptyLine = true;
    c.host.table.lines = BuildResultTable(3, 1, rows);
    c.Open();
    if (k.step) {
      Find<QRadioButton>(c.chart, "RadioGroup1_0")->click();
      c.Click("Button4");
    }
    EXPECT_EQ(c.ReportDateLine(), k.date_line);
  }
}

TEST(ChartReadoutTruth, ReportOfARecordingThatStartsAsMidnightRoundsUp) {
  // Ten rows from 23:59:59.9960 at 1/30 s: the start reads 0:0:0.00 of the
  // next day (Python's datetime), the last row is 0:0:0.2960, 0.30 s on.
  std::vector<TableRowCells> rows = RowsFromValues({Wave(10)});
  for (size_t r = 0; r < rows.size(); ++r) {
    const long double t = 86399.996L + static_cast<long double>(r) / 30.0L;
    const bool next = t >= 86400;
    rows[r].H = next ? "0" : "23";
    rows[r].M = next ? "0" : "59";
    rows[r].S = FormatFixed(next ? t - 86400 : t - 86340, 4, 10);
  }
  struct Case {
    const char *recording, *line;
  } cases[] = {{"2026/12/07", "Date: 2026/12/08 0:0:0.00: 0.30: 10"},
               {"2026-12-31", "Date: 2027-1-1 0:0:0.00: 0.30: 10"},
               {"2028-2-28", "Date: 2028-2-29 0:0:0.00: 0.30: 10"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.recording);
    Chart c;
    c.host.table.lines = BuildResultTable(3, 1, rows);
    c.Open();
    EXPECT_EQ(c.ReportDateLine(k.recording), k.line);
    // A redraw brings back the table's times; a second report moves the date once only.
    c.Click("Button4");
    EXPECT_EQ(c.ReportDateLine(k.recording), k.line);
  }
}

TEST(ChartReadoutTruth, EntireShowsEveryRecordWhateverScalePartLeft) {
  // W = 680 pixels of plot; 'Entire' fits the records at W / records pixels
  // each unless the scale kept from 'Part' leaves them all visible anyway.
  struct Case {
    const char* what;
    int records;
    bool fields;
    int scale_position;
    double ratio;  // pixels per record in 'Entire'
  } cases[] = {
      {"100 frames at scale 32", 100, false, 10, 6.8},
      {"200 fields at scale 4", 200, true, 7, 3.4},
      {"200 fields at scale 2 all fit", 200, true, 6, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Chart c;
    c.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(k.records)}, 0, k.fields));
    c.Open();
    Find<QSpinBox>(c.chart, "UpDown2")->setValue(k.scale_position);  // the opening leaves 'Part' for so few
    auto* entire = Find<QRadioButton>(c.chart, "RadioGroup1_1");
    ASSERT_TRUE(entire->isEnabled());
    entire->click();
    EXPECT_EQ(c.session.ChartState.EntireWidth, 1);
    EXPECT_DOUBLE_EQ(c.chart->View().ChartXRatio, k.ratio);
    EXPECT_EQ(c.session.ChartState.FirstShownFrame, 0);
    EXPECT_EQ(c.events.ReportLightCurveElement.ValueCount, k.records);
  }
}

TEST(ChartReadoutTruth, ReportValuesBeyondTheIntegerRangeKeepTheirDigits) {
  // The values of a damaged table, as 'Make Report' writes them: whole
  // numbers, halves to even (12.5 -> 12), huge ones with all their digits.
  Chart c;
  std::vector<TableRowCells> rows = RowsFromValues({{0, 0, 0, 0, 0}});
  const char* cells[] = {"1e20", "-2.5e20", "12.5", "9223372036854775808", "4e30"};
  for (size_t r = 0; r < rows.size(); ++r) rows[r].Objects[0].Value = cells[r];
  c.host.table.lines = BuildResultTable(3, 1, rows);
  c.Open();
  c.ReportDateLine();
  ASSERT_EQ(c.host.report_lines.size(), 5u);
  EXPECT_EQ(c.host.report_lines[4],
            "Values:100000000000000000000:-250000000000000000000:12:9223372036854775808:"
            "4000000000000000079538499354624");  // Python: int(4e30)
}

TEST(ChartReadoutTruth, TimeButtonsStepOneSecondOfVideo) {
  // A second of video is FrameRateRounded frames whatever the records' frame
  // spacing: the first shown frame number ("No.") moves by that many frames,
  // to the nearest whole record.
  struct Case {
    const char* what;
    int rate;       // FrameRateRounded
    int step;       // frames between records: 0 for field records (N.0, N.5)
    int one_sec;    // by hand: records in one second
  } cases[] = {
      {"every frame", 30, 1, 30},
      {"field records", 30, 0, 60},
      {"every 2nd frame", 30, 2, 15},
      {"every 3rd frame at 25", 25, 3, 8},  // 25 / 3 = 8.33 records
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Chart c;
    c.host.frame_rate_rounded = k.rate;
    std::vector<TableRowCells> rows = RowsFromValues({Wave(3000)}, 0, k.step == 0);
    if (k.step > 1)
      for (size_t r = 0; r < rows.size(); ++r) rows[r].No = std::to_string(r * static_cast<size_t>(k.step)) + ".0";
    c.host.table.lines = BuildResultTable(3, 1, rows);
    c.Open();
    Find<QRadioButton>(c.chart, "RadioGroup1_0")->click();
    const auto& st = c.session.ChartState;
    ASSERT_EQ(st.FirstShownFrame, 0);
    c.Click("Button4");  // '+1Sec'
    EXPECT_EQ(st.FirstShownFrame, k.one_sec);
    c.Click("Button6");  // '+10Sec'
    EXPECT_EQ(st.FirstShownFrame, 11 * k.one_sec);
    c.Click("Button3");  // '-1Sec'
    EXPECT_EQ(st.FirstShownFrame, 10 * k.one_sec);
    c.Click("Button5");  // '-10Sec'
    EXPECT_EQ(st.FirstShownFrame, 0);
  }
}
