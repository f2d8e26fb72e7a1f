// The chart's tool windows left open while the results table changes under
// them: another table loaded, values rewritten by other tools, rows added.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <string>
#include <vector>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "chart/ChartScale.h"
#include "chart/ui/TCorrection.h"
#include "chart/ui/Tchart1.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

// Target and comparison values of one measurement; `sum` stands for the
// object blocks' sums, which differ between two measurements.
std::vector<std::string> TwoStarTable(const std::vector<double>& target, const std::vector<double>& comp,
                                      const std::string& sum) {
  std::vector<TableRowCells> rows;
  for (size_t r = 0; r < target.size(); ++r) {
    TableRowCells row;
    row.No = std::to_string(r) + ".0";
    row.H = "1";
    row.M = "2";
    row.S = std::to_string(r);
    row.Objects[0].Value = FormatFixed(target[r], 1, 8);
    row.Objects[1].Value = FormatFixed(comp[r], 1, 8);
    row.Objects[0].ApertureSum = sum;
    rows.push_back(row);
  }
  return BuildResultTable(3, 2, rows);
}

struct CorrectionWindow {
  FakeHost host;
  ChartSession session;
  ChartEventState events;
  QPointer<Tchart1> chart;
  QPointer<TCorrection> window;
  ~CorrectionWindow() { delete chart.data(); }

  // The chart over `lines` with record 0 clicked, then 'Correction for absorption'.
  void Open(std::vector<std::string> lines) {
    host.object_count = 2;
    host.table.lines = std::move(lines);
    host.AnalyseEvents(events);
    chart = new Tchart1(host, session, events);
    const auto& rec = chart->Data().Records[0];
    ReleaseAt(chart->ChartImg1, IndexToPixelX(chart->View(), -session.ChartState.FirstShownFrame),
              ValueToPixelY(chart->View(), rec.Value[CurveA]));
    ASSERT_EQ(session.ChartState.SelectedFrame, 0);
    Reopen();
  }
  void Reopen() {
    if (window) {
      window->close();
      QApplication::processEvents();
    }
    Find<QPushButton>(chart, "Button11")->click();
    window = chart->findChild<TCorrection*>("Correction");
    ASSERT_NE(window, nullptr);
  }
  void Press(const char* button) { Find<QPushButton>(window, button)->click(); }
};

const std::vector<double> kTargetA{1000, 980, 700, 650, 900, 1000}, kCompA{500, 490, 350, 325, 450, 500};
const std::vector<double> kTargetB{2000, 2100, 1900, 1500, 1400, 1600, 2000, 1800},
    kCompB{800, 820, 760, 600, 560, 640, 800, 720};

// Column 11 after a correction at record 0 with w = 1, worked here: each
// target times the mean of the three comparisons around record 0 over the
// mean of the three around its own record (two at the ends).
std::vector<std::string> CorrectedTargets(const std::vector<double>& target, const std::vector<double>& comp) {
  const int n = static_cast<int>(comp.size());
  auto smoothed = [&](int k) {
    double s = 0;
    int c = 0;
    for (int j = std::max(k - 1, 0); j <= std::min(k + 1, n - 1); ++j, ++c) s += comp[static_cast<size_t>(j)];
    return s / c;
  };
  std::vector<std::string> out;
  for (int k = 0; k < n; ++k)
    out.push_back(FormatFixed(target[static_cast<size_t>(k)] * smoothed(0) / smoothed(k), 1, 6));
  return out;
}

std::vector<std::string> Column(const std::vector<std::string>& lines, int field) {
  std::vector<std::string> out;
  for (size_t i = 6; i < lines.size(); ++i) out.push_back(GetCsvField(lines[i], field));
  return out;
}

}  // namespace

// Another measurement loaded while the window is open: its values are not the
// captured ones, so neither button may write the old texts into it.
TEST(StaleCorrectionWindow, RefusesATableLoadedAfterItOpened) {
  CorrectionWindow w;
  w.Open(TwoStarTable(kTargetA, kCompA, "7000"));
  const std::vector<std::string> loaded = TwoStarTable(kTargetB, kCompB, "9000");
  w.host.table.lines = loaded;
  ++w.host.table.revision;
  for (const char* button : {"Button1", "Button2"}) {
    SCOPED_TRACE(button);
    w.host.dialogs.messages.clear();
    w.Press(button);
    EXPECT_EQ(w.host.table.lines, loaded);
    ASSERT_EQ(w.host.Errors().size(), 1u);
    EXPECT_EQ(w.host.Errors()[0],
              "The results table has changed since this window was opened. Close this window and open it again.");
  }
  // Opened again, the window works on the loaded table.
  w.Reopen();
  w.Press("Button1");
  EXPECT_EQ(Column(w.host.table.lines, 11), CorrectedTargets(kTargetB, kCompB));
  w.Press("Button2");
  EXPECT_EQ(w.host.table.lines, loaded);
}

// Changes that keep the records (values smoothed, times corrected, the last
// row taken away) leave the captured raw values in force.
TEST(StaleCorrectionWindow, KeepsWorkingWhenTheSameRecordsAreRewritten) {
  struct Case {
    const char* name;
    std::function<void(std::vector<std::string>&)> change;
    size_t records;
  };
  const std::vector<Case> cases{
      {"values smoothed", [](auto& l) { for (size_t i = 6; i < l.size(); ++i) SetCsvField(l[i], 11, "1.0"); }, 6},
      {"times corrected", [](auto& l) { for (size_t i = 6; i < l.size(); ++i) SetCsvField(l[i], 6, "59.1234"); }, 6},
      {"last row taken away", [](auto& l) { l.pop_back(); }, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CorrectionWindow w;
    w.Open(TwoStarTable(kTargetA, kCompA, "7000"));
    const std::vector<std::string> original = w.host.table.lines;
    c.change(w.host.table.lines);
    w.Press("Button1");
    EXPECT_TRUE(w.host.Errors().empty());
    std::vector<std::string> expected = CorrectedTargets(kTargetA, kCompA);
    expected.resize(c.records);
    EXPECT_EQ(Column(w.host.table.lines, 11), expected);
    w.Press("Button2");
    std::vector<std::string> raw = Column(original, 11);
    raw.resize(c.records);
    EXPECT_EQ(Column(w.host.table.lines, 11), raw);
  }
}
