// A results table loaded from a damaged file can hold cells no run writes: a
// value that is not a number or beyond any flux, a frame number that is not a
// number, negative or huge, a row cut to two cells. The chart and its tool
// windows work on such a table without a crash and with clear messages only.
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include "ChartFakeHost.h"
#include "chart/ui/TMutual_Average.h"
#include "chart/ui/Tchart1.h"
#include "support/BrokenFiles.h"
#include "support/ChartTestTables.h"
#include "support/WindowControls.h"

namespace {

struct OddCell {
  const char* name;
  std::function<void(std::vector<TableRowCells>&)> change;
  std::function<void(std::vector<std::string>&)> change_lines;
};

std::vector<OddCell> OddCells() {
  auto value = [](const char* v) {
    return [v](std::vector<TableRowCells>& rows) { rows[10].Objects[0].Value = v; };
  };
  auto frame = [](const char* no) { return [no](std::vector<TableRowCells>& rows) { rows[10].No = no; }; };
  return {
      {"value nan", value("nan"), {}},
      {"value inf", value("inf"), {}},
      {"value 1e308", value("1e308"), {}},
      {"value -1e308", value("-1e308"), {}},
      {"value empty", value(""), {}},
      {"value text", value("abc"), {}},
      {"frame text", frame("x"), {}},
      {"frame huge", frame("99999999999"), {}},
      {"frame negative", frame("-7"), {}},
      {"frame repeated", frame("9.0"), {}},
      {"every value nan", [](std::vector<TableRowCells>& rows) { for (auto& r : rows) r.Objects[0].Value = "nan"; },
       {}},
      {"row of two cells", {}, [](std::vector<std::string>& lines) { lines[lines.size() - 20] = "10.0,0"; }},
      {"empty row", {}, [](std::vector<std::string>& lines) { lines[lines.size() - 20].clear(); }},
  };
}

class OddTableCells : public ::testing::TestWithParam<OddCell> {};

TEST_P(OddTableCells, ChartAndToolWindowsWorkOnThem) {
  const OddCell& c = GetParam();
  FakeHost host;
  host.object_count = 2;
  std::vector<double> a, b;
  for (int i = 0; i < 40; ++i) {
    a.push_back(i >= 15 && i <= 20 ? 300 : 1000 + (i % 3) * 20);
    b.push_back(500 + (i % 5) * 7);
  }
  std::vector<TableRowCells> rows = RowsFromValues({a, b});
  if (c.change) c.change(rows);
  host.table.lines = BuildResultTable(3, 2, rows);
  if (c.change_lines) c.change_lines(host.table.lines);
  ChartSession session;
  ChartEventState events;
  host.AnalyseEvents(events);
  QPointer<Tchart1> chart = new Tchart1(host, session, events);
  chart->show();
  QApplication::processEvents();
  ReleaseAt(chart->ChartImg1, chart->ChartImg1->width() / 2, chart->ChartImg1->height() / 2);

  const struct {
    const char* opener;
    const char* window;
    std::vector<const char*> clicks;
  } tools[] = {
      {"Button11", "Correction", {"Button1", "Button2"}},
      {"SpeedButton1", "AvgBkg", {"Button1", "Button3", "RadioGroup1_3", "Button1", "Button3"}},
      {"Button10", "FFT1", {"Button1"}},
  };
  for (const auto& t : tools) {
    SCOPED_TRACE(t.window);
    Find<QPushButton>(chart, t.opener)->click();
    QWidget* w = chart->findChild<QWidget*>(t.window);
    ASSERT_NE(w, nullptr);
    for (const char* name : t.clicks) Find<QAbstractButton>(w, name)->click();
    QApplication::processEvents();
  }
  uint8_t mutual_open = 0;
  auto* mutual = new TMutual_Average(host, &mutual_open);
  mutual->show();
  mutual->Button1->click();
  QApplication::processEvents();
  delete mutual;
  for (const auto& m : host.dialogs.messages) EXPECT_TRUE(IsClearMessage(m.text)) << m.text.toStdString();
  EXPECT_EQ(chart->Data().Records.size(), 40u);
  delete chart.data();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

INSTANTIATE_TEST_SUITE_P(Cells, OddTableCells, ::testing::ValuesIn(OddCells()), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name)
    if (ch == ' ' || ch == '-') ch = '_';
  return name;
});

}  // namespace
