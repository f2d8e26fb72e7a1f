// What the asteroid timing guide hands to the rest of the program: the camera
// to the main window's read-out, the site and country to the report window,
// the colour index to the open diffraction panel.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "MainRoadFixture.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TLightCurveReport.h"
#include "support/ChartTestTables.h"

namespace {

void Choose(QComboBox* box, const QString& text) {
  const int i = box->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  box->setCurrentIndex(i);
  emit box->activated(i);
}

TEST(IdentificationHandOver, CameraSiteAndColourReachTheOtherWindows) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  std::vector<double> v(60, 1000);
  for (int i = 30; i < 60; ++i) v[static_cast<size_t>(i)] = 200;
  w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({v})));
  w.Run.CsvLoaded = true;
  m.Click("Button41");
  TAsteroidIdentification* guide = w.AsteroidIdentification.data();
  ASSERT_NE(guide, nullptr);

  Choose(guide->ComboBox1, "WAT-120N");
  EXPECT_EQ(w.Edit55->text(), "WAT-120N");

  guide->Edit33->setText("Mitaka");
  guide->Edit34->setText("JPN");
  w.ChartLink.ShowLightCurveReport({"Date: ", "Star: ", "Observer: ", "Object: ", "Values:"});
  auto* report = w.findChild<TLightCurveReport*>();
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->Edit9->text(), "Mitaka");
  EXPECT_EQ(report->Edit10->text(), "JPN");
  report->close();

  // The colour typed in the guide while the panel is open: shown there and
  // taken over (B-V 1.00 is 4865 K, "K4").
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  w.Chart.ChartState.SelectedFrame = 29;
  chart->Button8->click();
  TFresnelCtrl* panel = chart->FresnelCtrl.data();
  ASSERT_NE(panel, nullptr);
  guide->Edit12->setText("1.00");
  EXPECT_EQ(panel->Edit28->text(), "1.00");
  EXPECT_EQ(panel->ComboBox1->currentText(), "K4");
  EXPECT_EQ(w.Events.Spectral.StarTemperature, 4865);
  guide->Edit10->setText("1.500");
  guide->Edit11->setText("1.250");  // B-V 0.25 from B and V
  EXPECT_EQ(panel->Edit28->text(), "0.25");
  EXPECT_EQ(w.Events.Spectral.StarTemperature, 8182);  // 9000 / 1.10
  guide->close();
}

}  // namespace
