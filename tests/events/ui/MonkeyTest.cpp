// The diffraction panel and the windows it opens under a monkey, over a
// modelled disappearance, before and after a fit: nonsense in every edit and
// clicks in any order never crash them.
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>

#include "../../chart/ui/ChartFakeHost.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "support/ChartTestTables.h"
#include "support/DiffractionCurves.h"
#include "support/WindowMonkey.h"

namespace {

constexpr int kRecords = 120;
constexpr int kSelected = 60;

struct PanelRig {
  FakeHost host;
  ChartSession session;
  ChartEventState events;
  QPointer<Tchart1> chart;
  PanelRig() {
    host.table.lines = BuildResultTable(3, 1, RowsFromValues({ModelDisappearance(kRecords, kSelected)}, 100));
    host.AnalyseEvents(events);
  }
  ~PanelRig() { delete chart.data(); }
  // The panel opened from the chart with record kSelected picked, again
  // after a step closed it.
  QWidget* Panel() {
    if (!chart) chart = new Tchart1(host, session, events);
    chart->show();
    if (chart->FresnelCtrl && chart->FresnelCtrl->isVisible()) return chart->FresnelCtrl;
    const ChartView& v = chart->View();
    const int shown = kSelected - session.ChartState.FirstShownFrame;
    if (chart->Data().Records.size() > kSelected)
      ReleaseAt(chart->ChartImg1, IndexToPixelX(v, shown), ValueToPixelY(v, chart->Data().Records[kSelected].Value[CurveA]));
    chart->findChild<QPushButton*>("Button8")->click();
    return chart->FresnelCtrl;
  }
  void Fit() {
    Panel()->findChild<QPushButton*>("Button3")->click();
    QElapsedTimer t;
    t.start();
    while (chart->Fitting() && t.elapsed() < 60000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
};

struct Row {
  const char* name;
  bool fitted;
  bool follow;
  uint32_t seed;
};

class DiffractionPanelMonkey : public ::testing::TestWithParam<Row> {};

TEST_P(DiffractionPanelMonkey, NonsenseInputAndAnyClickOrderKeepTheWindowsAlive) {
  const Row& r = GetParam();
  PanelRig rig;
  QWidget* panel = rig.Panel();
  ASSERT_NE(panel, nullptr);
  if (r.fitted) rig.Fit();
  MonkeyOptions o;
  o.seed = r.seed;
  o.steps = 300;
  // A fit runs for seconds; one is tried after the steps instead.
  o.skip = {"Button3"};
  o.last = {"Button3"};
  o.follow_new_windows = r.follow;
  o.also.push_back(rig.chart.data());
  o.reopen = [&] { return rig.Panel(); };
  EXPECT_GT(RunMonkey(panel, o), 30);
  if (rig.chart && rig.chart->Fitting()) rig.chart->close();
}

INSTANTIATE_TEST_SUITE_P(Rows, DiffractionPanelMonkey,
                         ::testing::Values(Row{"BeforeTheFit", false, true, 111}, Row{"AfterTheFit", true, true, 112},
                                           Row{"AfterTheFitAlone", true, false, 113}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
