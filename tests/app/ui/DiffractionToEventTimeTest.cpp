// From a diffraction fit to the magnitude calculator's event time, through
// the main window, the chart, the diffraction panel and the calculator.
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>

#include "MainRoadFixture.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "events/DiffractionModel.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TMagnitudeCalculator.h"
#include "support/ChartTestTables.h"
#include "support/DiffractionCurves.h"
#include "support/WindowControls.h"

namespace {

constexpr int kRecords = 120;
constexpr int kSelected = 60;

std::vector<double> Disappearance() { return ModelDisappearance(kRecords, kSelected); }

TEST(DiffractionToEventTime, TheFittedOffsetMovesTheCalculatorsEventTime) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({Disappearance()}, 100)));
  w.Run.CsvLoaded = true;
  w.Video.TimingFrameRate = 29.97L;
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  const ChartView& v = chart->View();
  const ChartRecord& rec = chart->Data().Records[kSelected];
  ReleaseAt(chart->ChartImg1, IndexToPixelX(v, kSelected - w.Chart.ChartState.FirstShownFrame),
            ValueToPixelY(v, rec.Value[CurveA]));
  ASSERT_EQ(w.Chart.ChartState.SelectedFrame, kSelected);
  // The selected record's time as the main window shows it.
  w.Edit24->setText("12");
  w.Edit25->setText("34");
  w.Edit26->setText("56.7891");
  w.Edit27->setText("56.7891");

  chart->Button8->click();
  TFresnelCtrl* panel = chart->FresnelCtrl.data();
  ASSERT_NE(panel, nullptr);
  panel->Button3->click();
  QElapsedTimer t;
  t.start();
  while (chart->Fitting() && t.elapsed() < 120000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  QApplication::processEvents();
  ASSERT_EQ(w.Events.Diffraction.DiffractionFitted, 1);
  const int offset_ms = panel->Edit10->text().toInt();
  EXPECT_NEAR(offset_ms, 12, 1);  // 12.3 ms, in whole milliseconds

  panel->Button2->click();  // 'Magnitude Calc'
  TMagnitudeCalculator* calc = MagnitudeCalculator();
  ASSERT_NE(calc, nullptr);
  EXPECT_FALSE(panel->isEnabled());  // the panel waits while the calculator is open
  calc->Button2->click();            // reads the shown time and calculates
  // 12:34:56.789 + the fitted offset; the WAT-100N has no delay.
  const long long t_ms = 12LL * 3600000 + 34 * 60000 + 56789 + offset_ms;
  const long long s_ms = t_ms % 60000;
  const QString expected = QString("Event Time : 12h34m%1.%2s")
                               .arg(s_ms / 1000, 2, 10, QChar('0'))
                               .arg(s_ms % 1000, 3, 10, QChar('0'));
  const QStringList memo = calc->Memo1->toPlainText().split('\n');
  ASSERT_GE(memo.size(), 3);
  EXPECT_TRUE(memo[2].startsWith(expected)) << memo[2].toStdString() << " / " << expected.toStdString();
  EXPECT_EQ(w.Events.Diffraction.ReappearanceFit, 0);
  calc->close();
  QApplication::processEvents();
  EXPECT_TRUE(panel->isEnabled());
}

}  // namespace
