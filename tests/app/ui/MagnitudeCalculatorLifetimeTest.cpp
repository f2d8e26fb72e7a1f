// The magnitude calculator and the event timing list it shows, as the main
// window's 'Open AVI' and the chart's close button meet them: the events go
// only when another video has opened, and the calculator then lists what the
// list holds; the calculator closes with the chart that drives it.
#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>
#include <fstream>

#include "MainRoadFixture.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TMagnitudeCalculator.h"
#include "support/ChartTestTables.h"
#include "support/WindowControls.h"

namespace {

QStringList Listed(const TMagnitudeCalculator* calculator) {
  QStringList lines;
  for (int i = 0; i < calculator->ListBox1->count(); ++i) lines << calculator->ListBox1->item(i)->text();
  return lines;
}

// A step from 100 to 20 at record 30 in a loaded table.
void LoadStepTable(TPlatform& w) {
  std::vector<double> values(60, 100.0);
  for (size_t i = 30; i < values.size(); ++i) values[i] = 20;
  w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({values}), "29.97"));
  w.Run.CsvLoaded = true;
}

// 'Graph', a click on `record`, the diffraction panel and its 'Magnitude Calc'.
// The chart keeps its selection when reopened, and a click on the selected
// record takes it away.
TMagnitudeCalculator* OpenCalculator(MainRoadWindow& m, int record) {
  TPlatform& w = m.W();
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  if (!chart) return nullptr;
  const ChartRecord& rec = chart->Data().Records[static_cast<size_t>(record)];
  ReleaseAt(chart->ChartImg1, IndexToPixelX(chart->View(), record - w.Chart.ChartState.FirstShownFrame),
            ValueToPixelY(chart->View(), rec.Value[CurveA]));
  chart->Button8->click();
  if (!chart->FresnelCtrl) return nullptr;
  chart->FresnelCtrl->Button2->click();
  return MagnitudeCalculator();
}

// The calculator opened over the step table.
class MagnitudeCalculatorLifetime : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadStepTable(m.W());
    calculator = OpenCalculator(m, 30);
    ASSERT_NE(calculator.data(), nullptr);
  }
  MainRoadWindow m{Reader::OwnAvi};
  QPointer<TMagnitudeCalculator> calculator;
};

}  // namespace

TEST_F(MagnitudeCalculatorLifetime, EventsKeptUntilAnotherVideoOpensThenListedEmpty) {
  TPlatform& w = m.W();
  calculator->Button7->click();  // missed disappearance
  calculator->Button8->click();  // missed reappearance
  ASSERT_EQ(w.Events.AsteroidTiming.EntryCount, 2);
  const QStringList before = Listed(calculator);
  ASSERT_EQ(before.size(), 2);

  // The open dialog cancelled, then a file that is no video.
  m.Click("Button1");
  const auto junk = m.Path("junk.avi");
  std::ofstream(junk, std::ios::binary) << "RIFF and nothing of a video";
  EXPECT_FALSE(m.OpenThroughButton1(junk));
  EXPECT_EQ(w.Events.AsteroidTiming.EntryCount, 2);
  for (int i : {0, 1}) EXPECT_FALSE(Hour(w.Events.AsteroidTiming.Entries[static_cast<size_t>(i)]).empty()) << i;
  ASSERT_NE(calculator.data(), nullptr);
  EXPECT_EQ(Listed(calculator), before);

  // Another video: the list is empty and so is the calculator's view of it,
  // so a new entry is line 1 of one line.
  const auto video = m.Path("next.avi");
  ASSERT_TRUE(WriteAvi(video.string(), std::vector<Bitmap24>(10, Bitmap24(32, 24))));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  EXPECT_EQ(w.Events.AsteroidTiming.EntryCount, 0);
  ASSERT_NE(calculator.data(), nullptr);
  EXPECT_TRUE(Listed(calculator).isEmpty());
  calculator->Button8->click();
  ASSERT_EQ(w.Events.AsteroidTiming.EntryCount, 1);
  const QStringList after = Listed(calculator);
  ASSERT_EQ(after.size(), 1);
  EXPECT_TRUE(after[0].startsWith("1  ")) << after[0].toStdString();
  EXPECT_TRUE(after[0].endsWith(" R   Main light change Miss")) << after[0].toStdString();
}

// Closed with the chart, the calculator is opened afresh over the next
// panel's levels and is driven by its chart again.
TEST_F(MagnitudeCalculatorLifetime, ClosesWithTheChart) {
  TPlatform& w = m.W();
  ASSERT_EQ(w.Events.Flags.MagnitudeWindowShown, 1);
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  chart->findChild<QPushButton*>("Button1")->click();  // the chart's 'close'
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.chart1.Window.data(), nullptr);
  EXPECT_EQ(calculator.data(), nullptr);
  EXPECT_EQ(MagnitudeCalculator(), nullptr);
  EXPECT_EQ(w.Events.Flags.MagnitudeWindowShown, 0);

  QPointer<TMagnitudeCalculator> second = OpenCalculator(m, 31);
  ASSERT_NE(second.data(), nullptr);
  EXPECT_EQ(w.Events.Flags.MagnitudeWindowShown, 1);
  ASSERT_NE(w.chart1.Window.data(), nullptr);
  ASSERT_NE(w.chart1.Window->FresnelCtrl.data(), nullptr);
  EXPECT_FALSE(w.chart1.Window->FresnelCtrl->isEnabled());
}
