// The chart left open while the main window changes the table under it ('DEL'
// takes rows away, '1Frame' or START add rows): what it reports, copies and
// selects is the table as it now stands, never the picture of the old one.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

struct Chart : ChartWindow {
  std::string Edit(const char* name) { return Find<QLineEdit>(chart, name)->text().toStdString(); }
  void SetRecords(int n) {
    host.table.lines = BuildResultTable(3, 1, RowsFromValues({std::vector<double>(static_cast<size_t>(n), 1000.0)}));
    ++host.table.revision;
  }
  std::string ReportDateLine() {
    events.ReportLightCurveElement.Kind = ReportKind::Lunar;
    events.ReportLightCurveElement.RecordingDate = "2026/12/07";
    host.report_lines.clear();
    Find<QPushButton>(chart, "Button17")->click();
    return host.report_lines.empty() ? std::string() : host.report_lines[0];
  }
};

// Every record holds 1000, the top of the range: each point lies on the top
// margin's row, 20. Records fitting at 2 pixels each stand at x = 50 + 2 i.
constexpr int kTopRow = 20;

TEST(ChartTableChanged, RowsTakenAwayLeaveNoReportOrSelectionOfThem) {
  for (const bool click_first : {false, true}) {
    SCOPED_TRACE(click_first ? "a click on a gone point first" : "'Make Report' first");
    Chart c;
    c.SetRecords(100);
    c.Open();
    c.chart->show();
    ReleaseAt(c.chart->ChartImg1, 50 + 2 * 99, kTopRow);
    ASSERT_EQ(c.session.ChartState.SelectedFrame, 99);
    ASSERT_EQ(c.Edit("Edit4"), "99.0");

    // 'DEL' in the main window: 60 records are left, the chart is not redrawn.
    c.SetRecords(60);
    if (click_first) {
      // Record 80's point is gone: no record is chosen and the main window's
      // frame stays (searched in the new table, nothing stands there and the
      // first shown record, frame 0, was taken).
      ReleaseAt(c.chart->ChartImg1, 50 + 2 * 80, kTopRow);
      EXPECT_EQ(c.host.shown_frames, std::vector<int>{99});
    }
    // Records 0 and 59 at 10:20:0 and 10:20:59/30 s (1.9667 s).
    EXPECT_EQ(c.ReportDateLine(), "Date: 2026/12/07 10:20:0.00: 1.97: 60");
    EXPECT_EQ(c.events.ReportLightCurveElement.Values.size(), 60u);
    EXPECT_EQ(c.session.ChartState.SelectedFrame, -1);
    EXPECT_EQ(c.Edit("Edit4"), "");
    EXPECT_EQ(c.Edit("Edit6"), "");
    // The main window's line says so too: 60 rows (the count less one), none selected.
    EXPECT_EQ(c.host.edit54, "TotalFrame : 59SelectDataNum : -1");
    EXPECT_EQ(c.session.SelectedOffsetMax, 60);
  }
}

TEST(ChartTableChanged, ClickDuringARunSelectsThePointItAimedAt) {
  Chart c;
  c.SetRecords(1000);
  c.Open();
  c.chart->show();
  ASSERT_EQ(c.events.ReportLightCurveElement.ValueCount, 1000);  // 'Entire': 0.68 pixels a record

  // Rows measured on while the chart stays open: 'Entire' now takes 0.34
  // pixels a record. The picture still holds records 998 and 999 at column
  // 729 (Round(i x 0.68) = 679), the lower wins the tie; in the new table that
  // column would be records 1996 to 1998.
  c.SetRecords(2000);
  ReleaseAt(c.chart->ChartImg1, 729, kTopRow);
  EXPECT_EQ(c.session.ChartState.SelectedFrame, 998);
  EXPECT_EQ(c.host.shown_frames, std::vector<int>{998});
  EXPECT_EQ(c.events.ReportLightCurveElement.ValueCount, 2000);

  // The picture now shows the whole table: column 729 holds records 1996 to
  // 1998 (Round(i x 0.34) = 679), the lowest index wins the tie.
  ReleaseAt(c.chart->ChartImg1, 729, kTopRow);
  EXPECT_EQ(c.session.ChartState.SelectedFrame, 1996);
}

}  // namespace
