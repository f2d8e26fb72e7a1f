// 'Make Report' on the chart through the real main window: the report window
// opens with the light curve and saves the five report lines.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "MainRoadFixture.h"
#include "base/AtomicFile.h"
#include "chart/ui/Tchart1.h"
#include "events/TimingList.h"
#include "events/ui/TLightCurveReport.h"

namespace {

double Flux(int n) { return n >= 8 && n <= 12 ? 700.0 : 2000.0; }

}  // namespace

TEST(ReportWiring, MakeReportOpensTheReportWindowWithTheLightCurve) {
  MainRoadWindow m{Reader::OwnAvi};
  const auto frames = StarFrames(120, 100, 20, 60.3, 49.8, Flux);
  const auto path = m.Path("event.avi");
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(60, 50);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  TPlatform& w = m.W();
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  chart->Button17->click();
  const auto reports = w.findChildren<TLightCurveReport*>();
  ASSERT_EQ(reports.size(), 1);
  TLightCurveReport* r = reports.front();
  EXPECT_TRUE(r->isVisible());
  EXPECT_EQ(r->windowTitle(), "LightCurveReport");
  const QStringList memo = r->Memo1->toPlainText().split('\n');
  ASSERT_EQ(memo.size(), 5);
  EXPECT_TRUE(memo[0].startsWith("Date: "));
  EXPECT_EQ(memo[3], "Object: Asteroid: ");
  EXPECT_EQ(memo[4].count(':'), 20);
  EXPECT_EQ(memo[4].toStdString(), w.Events.ReportLightCurveData.Lines[4]);

  // A second 'Make Report' reuses the open window.
  EXPECT_EQ(r->findChild<QLineEdit*>("Edit17")->text(), "");
  TAsteroidEachEventTime added;
  Hour(added) = "10";
  Minute(added) = "30";
  Second(added) = "05.12";
  ASSERT_TRUE(AppendEntry(w.Events.AsteroidTiming, added));
  chart->Button17->click();
  EXPECT_EQ(w.findChildren<TLightCurveReport*>().size(), 1);
  // Its event rows show the event added since it opened.
  EXPECT_EQ(r->findChild<QLineEdit*>("Edit19")->text(), "05.12");
  EXPECT_EQ(r->findChild<QLineEdit*>("Edit39")->text(), "D");
  // And both reports carry it, as shown and as saved, without the window
  // having been left and activated again.
  EXPECT_TRUE(r->Memo3->toPlainText().contains("[Event time]  D: 10h30m05.12s"))
      << r->Memo3->toPlainText().toStdString();

  const auto dat = m.Path("curve.dat");
  m.dialogs.save_file_names.push_back(QString::fromStdString(dat.string()));
  r->Button2->click();
  const auto text = ReadWholeFile(dat, 1 << 20);
  ASSERT_TRUE(text);
  const auto& lines = w.Events.ReportLightCurveData.Lines;
  EXPECT_EQ(*text, lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n" + lines[3] + "\r\n" + lines[4] + "\r\n");
}
