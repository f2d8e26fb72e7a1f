// A results table saved by a program that quotes every cell ("1167.6"), which
// 'Load CSV' accepts as it stands: the chart draws and reads out the table's
// own numbers, exactly as for the same table without quotes.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "chart/ChartScale.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"
#include "support/SpreadsheetSaves.h"

namespace {

// Object A of twelve frames, as the table holds them; record 5 lies in the dip.
const std::vector<double> kValues = {1167.6, 1180.2, 1159.9, 1171.3, 1175.0, 612.4,
                                     598.7,  605.1,  1169.8, 1162.5, 1178.4, 1170.0};

TEST(QuotedTableChart, EveryCellQuotedShowsTheTablesNumbers) {
  const auto plain = BuildResultTable(3, 1, RowsFromValues({kValues}));
  for (const auto& lines : {plain, EveryCellQuoted(plain)}) {
    SCOPED_TRACE(lines[6].substr(0, 12));
    ChartWindow c;
    c.host.table.lines = lines;
    c.Open();
    c.chart->show();
    std::vector<double> shown;
    for (const ChartRecord& r : c.chart->Data().Records)
      if (!r.LineEmpty) shown.push_back(r.Value[CurveA]);
    EXPECT_EQ(shown, kValues);
    // numpy: mean / std (ddof 0) of the twelve values = 4.2047.
    EXPECT_EQ(c.chart->findChild<QLineEdit*>("Edit1")->text().toStdString(), "S/N= 4.2");
    const ChartView& view = c.chart->View();
    ReleaseAt(c.chart->ChartImg1, IndexToPixelX(view, 5), ValueToPixelY(view, 612.4));
    ASSERT_EQ(c.session.ChartState.SelectedFrame, 5);
    EXPECT_EQ(c.chart->findChild<QLineEdit*>("Edit4")->text().toStdString(), "5.0");
    EXPECT_EQ(c.chart->findChild<QLineEdit*>("Edit6")->text().toStdString(), "612.4");
  }
}

}  // namespace
