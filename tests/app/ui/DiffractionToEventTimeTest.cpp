// From a diffraction fit to the magnitude calculator's event time, through
// the main window, the chart, the diffraction panel and the calculator.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>

#include "DiffractionFitSteps.h"
#include "MainRoadFixture.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "base/ui/ControlEvents.h"
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

// The model's light curve loaded, the chart open on record 60 and the
// diffraction panel open; null when a step failed.
TFresnelCtrl* OpenPanelOnTheModelCurve(MainRoadWindow& m) {
  TPlatform& w = m.W();
  w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({Disappearance()}, 100)));
  w.Run.CsvLoaded = true;
  w.Video.TimingFrameRate = 29.97L;
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  if (!chart) return nullptr;
  const ChartView& v = chart->View();
  const ChartRecord& rec = chart->Data().Records[kSelected];
  ReleaseAt(chart->ChartImg1, IndexToPixelX(v, kSelected - w.Chart.ChartState.FirstShownFrame),
            ValueToPixelY(v, rec.Value[CurveA]));
  if (w.Chart.ChartState.SelectedFrame != kSelected) return nullptr;
  chart->Button8->click();
  return chart->FresnelCtrl.data();
}

int RedPixels(const QImage& pic) {
  int n = 0;
  for (int y = 0; y < pic.height(); ++y)
    for (int x = 0; x < pic.width(); ++x) n += pic.pixelColor(x, y) == QColor(255, 0, 0);
  return n;
}

TEST(DiffractionToEventTime, TheFittedOffsetMovesTheCalculatorsEventTime) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  TFresnelCtrl* panel = OpenPanelOnTheModelCurve(m);
  ASSERT_NE(panel, nullptr);
  Tchart1* chart = w.chart1.Window.data();
  // The selected record's time as the main window shows it.
  w.Edit24->setText("12");
  w.Edit25->setText("34");
  w.Edit26->setText("56.7891");
  w.Edit27->setText("56.7891");
  FitAndWait(panel, chart);
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

// The main window's developer options: the curve's values into Memo2, the
// disk intensity into Memo5, the curve's colour; the drawn points go into
// the chart's notes.
TEST(DiffractionToEventTime, DeveloperListingsOfTheFit) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  auto* memo2 = m.Find<QPlainTextEdit>("Memo2");
  auto* memo5 = m.Find<QPlainTextEdit>("Memo5");
  m.Find<QCheckBox>("CheckBox12")->setChecked(true);
  m.Find<QCheckBox>("CheckBox25")->setChecked(true);
  m.Find<TRadioGroup>("RadioGroup6")->SetItemIndex(3);  // "cLBlack"
  TFresnelCtrl* panel = OpenPanelOnTheModelCurve(m);
  ASSERT_NE(panel, nullptr);
  Tchart1* chart = w.chart1.Window.data();
  const int red_before = RedPixels(chart->Picture());
  FitAndWait(panel, chart);
  ASSERT_EQ(w.Events.Diffraction.DiffractionFitted, 1);
  const QStringList disk = memo5->toPlainText().split('\n');
  ASSERT_EQ(disk.size(), 401);
  EXPECT_NEAR(disk[200].toDouble(), 0.25, 0.01);  // a point source at the geometric edge
  const QStringList values = memo2->toPlainText().split('\n');
  ASSERT_GT(values.size(), 100);
  EXPECT_TRUE(values[0].contains(',')) << values[0].toStdString();
  const QStringList points = chart->Memo1->toPlainText().split('\n');
  ASSERT_GT(points.size(), 100);
  EXPECT_TRUE(points[0].contains(" X:") && points[0].contains(" Y:")) << points[0].toStdString();
  // The curve in black: no more red than the chart had (the default red
  // curve adds hundreds of red pixels).
  EXPECT_LE(RedPixels(chart->Picture()), red_before);
}

}  // namespace
