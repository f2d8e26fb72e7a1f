// A click that resolves to an empty record: the read-outs and the main
// window's frame follow that record, never the previous one or frame 0.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "chart/ChartScale.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

TEST(ChartEmptyRecordClick, ClearsTheReadoutsAndShowsNoFrame) {
  ChartWindow c;
  std::vector<double> v;
  for (int i = 0; i < 40; ++i) v.push_back(1000 + (i % 2 ? 100 : -100) + i);
  auto rows = RowsFromValues({v}, 200);
  for (int r = 0; r < 6; ++r) rows[static_cast<size_t>(r)].EmptyLine = true;
  c.host.table.lines = BuildResultTable(3, 1, rows);
  c.Open();
  c.chart->show();
  const auto& records = c.chart->Data().Records;
  int full = -1;
  for (int r = 10; r < static_cast<int>(records.size()) && full < 0; ++r)
    if (!records[static_cast<size_t>(r)].LineEmpty) full = r;
  ASSERT_GE(full, 0);
  ASSERT_TRUE(records[0].LineEmpty);
  ASSERT_TRUE(records[2].LineEmpty);
  const ChartView& view = c.chart->View();
  ReleaseAt(c.chart->ChartImg1, IndexToPixelX(view, full), ValueToPixelY(view, records[size_t(full)].Value[CurveA]));
  ASSERT_EQ(c.session.ChartState.SelectedFrame, full);
  ASSERT_FALSE(c.chart->findChild<QLineEdit*>("Edit4")->text().isEmpty());
  ASSERT_EQ(c.host.shown_frames.size(), 1u);
  ASSERT_NE(c.host.shown_frames.back(), 0);

  // Near record 2 every candidate is empty: the search gives the first shown record.
  ReleaseAt(c.chart->ChartImg1, IndexToPixelX(view, 2), ValueToPixelY(view, 1000));
  EXPECT_TRUE(c.chart->findChild<QLineEdit*>("Edit4")->text().isEmpty());
  EXPECT_TRUE(c.chart->findChild<QLineEdit*>("Edit6")->text().isEmpty());
  EXPECT_EQ(c.host.shown_frames.size(), 1u) << "jumped to frame " << c.host.shown_frames.back();
}

}  // namespace
