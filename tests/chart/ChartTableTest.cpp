// Reading the results table into the chart: record lines, columns, field mode.
#include "chart/ChartTable.h"

#include <gtest/gtest.h>

#include "support/ChartTestTables.h"
#include "support/SpreadsheetSaves.h"

TEST(ChartTable, HeaderAndColumnsByVersion) {
  struct Row {
    int version, header, base;
  };
  for (Row r : {Row{3, 7, 11}, Row{2, 7, 11}, Row{1, 7, 11}, Row{0, 4, 5}, Row{4, 4, 5}}) {
    EXPECT_EQ(HeaderLineCountFor(r.version), r.header) << r.version;
    EXPECT_EQ(ObjectBaseColumnFor(r.version), r.base) << r.version;
  }
  EXPECT_EQ(CurveColumn(CurveL, 3), 2);
  EXPECT_EQ(CurveColumn(CurveC, 3), 13);
  EXPECT_EQ(CurveColumn(CurveA, 0), 5);
}

TEST(ChartTable, RecordsOfAVersion3Table) {
  auto rows = RowsFromValues({{100.5, 200.0, -3.5}, {7, 8, 9}}, 40);
  rows[1].Objects[1].Value = "";   // B of record 1 empty
  rows[2].Objects[0].Value = "x";  // does not convert: 0, not empty
  rows[0].Signal1 = "\"***\"";
  const auto lines = BuildResultTable(3, 2, rows);
  ASSERT_EQ(lines.size(), 9u);
  const ChartData d = ReadChartData(lines, 3);
  EXPECT_EQ(d.HeaderLineCount, 7);
  EXPECT_EQ(d.TotalFrameCount(), 3);
  EXPECT_EQ(d.DataLineCount(), 2);
  ASSERT_EQ(d.Records.size(), 3u);
  EXPECT_DOUBLE_EQ(d.Records[0].Value[CurveA], 100.5);
  EXPECT_DOUBLE_EQ(d.Records[1].Value[CurveA], 200.0);
  EXPECT_TRUE(d.Records[1].CellEmpty(CurveB));
  EXPECT_FALSE(d.Records[2].CellEmpty(CurveA));
  EXPECT_EQ(d.Records[2].Value[CurveA], 0.0);
  EXPECT_TRUE(d.Records[0].CellEmpty(CurveC));  // only two objects
  EXPECT_FALSE(d.Records[0].CellEmpty(CurveL));
  EXPECT_EQ(d.Records[0].Value[CurveL], 0.0);
  EXPECT_TRUE(d.Records[0].FrameEndsInZero);
  EXPECT_DOUBLE_EQ(d.Records[2].FrameNo, 42.0);
  EXPECT_EQ(d.FieldMode, 0);
  EXPECT_EQ(RecordLine(lines, 7, 0), lines[6]);
  EXPECT_EQ(RecordLine(lines, 7, 3), "");
  EXPECT_EQ(RecordLine(lines, 7, -1), "");
}

TEST(ChartTable, FieldModeFromTheSecondRecord) {
  auto lines = BuildResultTable(3, 1, RowsFromValues({{1, 2, 3}}, 10, true));
  EXPECT_EQ(DetectFieldMode(lines, 7), 1);
  lines = BuildResultTable(3, 1, RowsFromValues({{1, 2, 3}}, 10, false));
  EXPECT_EQ(DetectFieldMode(lines, 7), 0);
  lines = BuildResultTable(3, 1, RowsFromValues({{1}}, 10, true));
  EXPECT_EQ(DetectFieldMode(lines, 7), 0);  // no second record
}

TEST(ChartTable, Version0ReadsColumn5FromLine3) {
  const auto lines = BuildResultTable(0, 1, RowsFromValues({{5, 6}}, 0));
  const ChartData d = ReadChartData(lines, 0);
  EXPECT_EQ(d.HeaderLineCount, 4);
  ASSERT_EQ(d.Records.size(), 2u);
  EXPECT_DOUBLE_EQ(d.Records[0].Value[CurveA], 5.0);
  EXPECT_DOUBLE_EQ(d.Records[1].Value[CurveA], 6.0);
}

TEST(ChartTable, EmptyLinesAndTimes) {
  auto rows = RowsFromValues({{1, 2, 3}});
  rows[1].EmptyLine = true;
  rows[2].H = "";
  const auto lines = BuildResultTable(3, 1, rows);
  const ChartData d = ReadChartData(lines, 3);
  EXPECT_TRUE(d.Records[1].LineEmpty);
  EXPECT_TRUE(d.Records[1].CellEmpty(CurveA));
  const RecordTime t0 = RecordTimeOf(lines[6]);
  EXPECT_EQ(t0.H, "10");
  EXPECT_EQ(t0.M, "20");
  EXPECT_EQ(t0.S, "0.0000");
  // field 4 empty: fields 8, 9, 10
  EXPECT_EQ(RecordTimeOf("1.0,,,,5,6,,11,12,13.5").S, "13.5");
  EXPECT_EQ(RecordTimeOf("1.0,,,,5,6,,11,12,13.5").H, "11");
}

TEST(ChartTable, TooShortTables) {
  const std::vector<std::string> lines = {"banner", "x"};
  const ChartData d = ReadChartData(lines, 3);
  EXPECT_TRUE(d.Records.empty());
  EXPECT_EQ(d.TotalFrameCount(), 1);
  EXPECT_EQ(TotalRecordCount(0, 7), 1);
}

// A table saved again by a program that quotes every cell reads as the same
// numbers; "" stands for an empty object cell there, while column 2 keeps the
// detection mark this program writes quoted itself.
TEST(ChartTable, EveryCellQuotedReadsAsThePlainTable) {
  auto rows = RowsFromValues({{1167.6, 1180.2, 612.5}, {7, 8, 9}}, 40, true);
  rows[1].Objects[1].Value = "";
  for (TableRowCells& r : rows) r.Signal1 = "\"\"";  // as this program writes it
  rows[2].H = "";
  const auto plain = BuildResultTable(3, 2, rows);
  const auto quoted = EveryCellQuoted(plain);
  ASSERT_EQ(quoted.size(), plain.size());
  ASSERT_EQ(quoted[6].rfind("\"40.0\",\"\",\"\",\"10\",", 0), 0u);

  for (const auto* lines : {&plain, &quoted}) {
    SCOPED_TRACE(lines == &plain ? "plain" : "quoted");
    const ChartData d = ReadChartData(*lines, 3);
    ASSERT_EQ(d.Records.size(), 3u);
    const double a[] = {1167.6, 1180.2, 612.5}, b[] = {7, 8, 9};
    for (size_t r = 0; r < 3; ++r) {
      EXPECT_EQ(d.Records[r].Value[CurveA], a[r]);
      EXPECT_EQ(d.Records[r].Value[CurveB], r == 1 ? 0 : b[r]);
      EXPECT_EQ(d.Records[r].CellEmpty(CurveB), r == 1);
      EXPECT_TRUE(d.Records[r].CellEmpty(CurveC));
      EXPECT_FALSE(d.Records[r].CellEmpty(CurveL));
      EXPECT_EQ(d.Records[r].FrameNo, 40 + 0.5 * static_cast<double>(r));
      EXPECT_EQ(d.Records[r].FrameEndsInZero, r != 1);
    }
    EXPECT_EQ(d.FieldMode, 1);
    EXPECT_EQ(RecordsPerSecond(*lines, 30), 60);
    const RecordTime t0 = RecordTimeOf((*lines)[6]);
    EXPECT_EQ(t0.H + ":" + t0.M + ":" + t0.S, "10:20:0.0000");
    EXPECT_EQ(RecordTimeOf((*lines)[8]).H, "");
  }
  const RecordTime cmos = RecordTimeOf("\"1.0\",\"\",\"\",\"\",\"5\",\"6\",\"\",\"11\",\"12\",\"13.5\"");
  EXPECT_EQ(cmos.H + ":" + cmos.M + ":" + cmos.S, "11:12:13.5");
}
