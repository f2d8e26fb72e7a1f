// The chart and its tool windows under a monkey, over a two-star table:
// nonsense in every edit and clicks in any order never crash them.
#include <QPointer>
#include <QPushButton>

#include "ChartFakeHost.h"
#include "chart/ChartScale.h"
#include "chart/ui/TAvgBkg.h"
#include "chart/ui/TCorrection.h"
#include "chart/ui/TFFT1.h"
#include "chart/ui/TMutual_Average.h"
#include "chart/ui/Tchart1.h"
#include "support/ChartTestTables.h"
#include "support/WindowMonkey.h"

namespace {

// Two stars over 40 records, the first dimming in records 15..20.
struct ChartRig {
  FakeHost host;
  ChartSession session;
  ChartEventState events;
  uint8_t mutual_open = 0;
  QPointer<Tchart1> chart;
  explicit ChartRig(int records = 40) {
    host.object_count = 2;
    std::vector<double> a, b;
    for (int i = 0; i < records; ++i) {
      a.push_back(i >= 15 && i <= 20 ? 300 + i : 1000 + (i % 3) * 20);
      b.push_back(500 + (i % 5) * 7);
    }
    host.table.lines = BuildResultTable(3, 2, RowsFromValues({a, b}));
    if (records < 0) host.table.lines.clear();
    host.AnalyseEvents(events);
  }
  ~ChartRig() { delete chart.data(); }
  Tchart1* Chart() {
    if (!chart) chart = new Tchart1(host, session, events);
    chart->show();
    return chart;
  }
  // The chart with record 10 selected, as a click on it leaves it.
  Tchart1* ChartWithSelection() {
    Tchart1* c = Chart();
    const int r = 10;
    if (session.ChartState.SelectedFrame != r && c->Data().Records.size() > r)
      ReleaseAt(c->ChartImg1, IndexToPixelX(c->View(), r - session.ChartState.FirstShownFrame),
                ValueToPixelY(c->View(), c->Data().Records[r].Value[CurveA]));
    return c;
  }
  QWidget* Opened(const char* button, const char* window) {
    Tchart1* c = ChartWithSelection();
    if (QWidget* w = c->findChild<QWidget*>(window); w && w->isVisible()) return w;
    c->findChild<QPushButton*>(button)->click();
    return c->findChild<QWidget*>(window);
  }
};

struct Row {
  const char* name;
  std::function<QWidget*(ChartRig&)> open;
  uint32_t seed;
  int records = 40;  // -1: no lines at all
};

class ChartWindowMonkey : public ::testing::TestWithParam<Row> {};

TEST_P(ChartWindowMonkey, NonsenseInputAndAnyClickOrderKeepTheWindowAlive) {
  const Row& r = GetParam();
  ChartRig rig(r.records);
  RunMonkeyOn({r.name, [&] { return r.open(rig); }, {}, r.seed});
}

const Row kRows[] = {
    {"chart1", [](ChartRig& rig) -> QWidget* { return rig.Chart(); }, 51},
    {"Correction", [](ChartRig& rig) { return rig.Opened("Button11", "Correction"); }, 52},
    {"AvgBkg", [](ChartRig& rig) { return rig.Opened("SpeedButton1", "AvgBkg"); }, 53},
    {"FFT1", [](ChartRig& rig) { return rig.Opened("Button10", "FFT1"); }, 54},
    {"Mutual_Average",
     [](ChartRig& rig) -> QWidget* { return new TMutual_Average(rig.host, &rig.mutual_open); }, 55},
    {"chart1OneRecord", [](ChartRig& rig) -> QWidget* { return rig.Chart(); }, 56, 1},
    {"chart1HeaderOnly", [](ChartRig& rig) -> QWidget* { return rig.Chart(); }, 57, 0},
    {"chart1NoLines", [](ChartRig& rig) -> QWidget* { return rig.Chart(); }, 58, -1},
    {"Mutual_AverageNoLines",
     [](ChartRig& rig) -> QWidget* { return new TMutual_Average(rig.host, &rig.mutual_open); }, 59, -1},
    {"FFT1ThreeRecords", [](ChartRig& rig) { return rig.Opened("Button10", "FFT1"); }, 60, 3},
};

INSTANTIATE_TEST_SUITE_P(Windows, ChartWindowMonkey, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Inputs that once broke a chart tool window: each row opens the window,
// clicks its set-up controls, types a text into an edit, leaves it (the
// focus goes elsewhere, no Enter) and clicks the button that uses it. The window answers and keeps the table whole.
struct InputFault {
  const char* name;
  const char* opener;  // the chart's button that opens the window
  const char* window;
  std::vector<const char*> before;  // clicked first
  const char* edit;
  const char* text;
  const char* button;
};

class ChartToolInputFaults : public ::testing::TestWithParam<InputFault> {};

TEST_P(ChartToolInputFaults, TheWindowTakesTheTextAndKeepsTheTable) {
  const InputFault& r = GetParam();
  ChartRig rig;
  QWidget* w = rig.Opened(r.opener, r.window);
  ASSERT_NE(w, nullptr);
  for (const char* name : r.before) Find<QAbstractButton>(w, name)->click();
  QLineEdit* edit = Find<QLineEdit>(w, r.edit);
  ASSERT_NE(edit, nullptr);
  TypeOver(edit, r.text);
  LeaveEdit(edit);
  Find<QAbstractButton>(w, r.button)->click();
  QApplication::processEvents();
  EXPECT_EQ(rig.host.table.lines.size(), 46u);
}

const InputFault kInputFaults[] = {
    // The band and the block start were worked out in int arithmetic.
    {"NoiseReductionCutoffAtIntMinimum", "SpeedButton1", "AvgBkg", {"RadioGroup1_3"}, "Edit15", "-2147483648",
     "Button1"},
    {"NoiseReductionBandAtIntMaximum", "SpeedButton1", "AvgBkg", {"RadioGroup1_3", "CheckBox4"}, "Edit14",
     "2147483647", "Button1"},
};

INSTANTIATE_TEST_SUITE_P(Rows, ChartToolInputFaults, ::testing::ValuesIn(kInputFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
