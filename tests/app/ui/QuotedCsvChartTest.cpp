// A results table saved by a program that quotes every cell ("1167.6") loads
// through 'Load CSV', and the chart then draws and reads out the table's own
// numbers, exactly as for the same table without quotes.
#include <QLineEdit>
#include <QPushButton>

#include "MainRoadFixture.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "support/BrokenFiles.h"
#include "support/ChartTestTables.h"
#include "support/SpreadsheetSaves.h"
#include "support/WindowControls.h"

namespace {

// Object A of twelve frames, as the table holds them; record 5 lies in the dip.
const std::vector<double> kValues = {1167.6, 1180.2, 1159.9, 1171.3, 1175.0, 612.4,
                                     598.7,  605.1,  1169.8, 1162.5, 1178.4, 1170.0};

struct Shown {
  std::vector<double> values;
  std::string sn, frame, value;
};

// Loads `bytes` through 'Load CSV', opens the chart and clicks record 5.
Shown LoadAndChart(const std::string& bytes) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  const auto csv = m.Path("table.csv");
  WriteFileBytes(csv, bytes);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  for (const auto& message : m.dialogs.messages)
    EXPECT_NE(message.kind, MessageKind::Error) << message.text.toStdString();
  EXPECT_TRUE(w.Run.CsvLoaded);
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  if (!chart) return {};
  Shown s;
  for (const ChartRecord& r : chart->Data().Records)
    if (!r.LineEmpty) s.values.push_back(r.Value[CurveA]);
  s.sn = chart->findChild<QLineEdit*>("Edit1")->text().toStdString();
  const ChartView& v = chart->View();
  ReleaseAt(chart->ChartImg1, IndexToPixelX(v, 5 - w.Chart.ChartState.FirstShownFrame), ValueToPixelY(v, 612.4));
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, 5);
  s.frame = chart->findChild<QLineEdit*>("Edit4")->text().toStdString();
  s.value = chart->findChild<QLineEdit*>("Edit6")->text().toStdString();
  chart->close();
  return s;
}

TEST(QuotedCsvChart, EveryCellQuotedShowsTheTablesNumbers) {
  std::string plain;
  for (const std::string& line : BuildResultTable(3, 1, RowsFromValues({kValues}))) plain += line + "\r\n";
  // The quoted file is what Python's csv.writer(quoting=csv.QUOTE_ALL) writes
  // for the rows csv.reader reads from the plain one.
  for (const std::string& bytes : {plain, SavedWithEveryCellQuoted(plain)}) {
    SCOPED_TRACE(bytes.substr(0, 30));
    const Shown s = LoadAndChart(bytes);
    EXPECT_EQ(s.values, kValues);
    // numpy: mean / std (ddof 0) of the twelve values = 4.2047.
    EXPECT_EQ(s.sn, "S/N= 4.2");
    EXPECT_EQ(s.frame, "5.0");
    EXPECT_EQ(s.value, "612.4");
  }
}

}  // namespace
