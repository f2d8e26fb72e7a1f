// The identification windows reached through the main window and the chart,
// their settings in the real settings file, and the identification code
// proposed as the name of the saved results file.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <fstream>
#include <sstream>

#include "MainRoadFixture.h"
#include "base/ui/ControlEvents.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TMagnitudeCalculator.h"
#include "events/ui/TIdentification.h"
#include "support/ChartTestTables.h"

namespace {

std::string IniText(MainRoadWindow& m) {
  std::ifstream in(m.W().SettingsPlace.IniPath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(IdentificationWiring, AsteroidGuideOpensFromItsButtonAndKeepsSettings) {
  MainRoadWindow m(Reader::OwnAvi,
                   "[Identification]\r\nObserver=Alan Lee\r\nFirstSite=139:45:12.5:35:40:2.0:25:Tokyo:JPN\r\n");
  m.Click("Button41");
  TAsteroidIdentification* w = m.W().AsteroidIdentification.data();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Edit3->text(), "Alan Lee");
  w->Button16->click();
  EXPECT_EQ(w->Edit33->text(), "Tokyo");
  w->Edit3->setText("Kim Park");
  w->Button2->click();
  w->Edit31->setText("30");
  w->Button15->click();
  const std::string ini = IniText(m);
  EXPECT_NE(ini.find("Observer=Kim Park\r\n"), std::string::npos);
  EXPECT_NE(ini.find("ThirdSite=139:45:12.5:35:40:2.0:30:Tokyo:JPN\r\n"), std::string::npos);
  EXPECT_NE(ini.find("FirstSite=139:45:12.5:35:40:2.0:25:Tokyo:JPN\r\n"), std::string::npos);
  w->Button11->click();
}

// An observer name typed into the settings file by an "ANSI" Windows editor
// shows with its own letters and is saved back as they read.
TEST(IdentificationWiring, AsteroidGuideShowsAWindowsCodePageName) {
  MainRoadWindow m(Reader::OwnAvi, "[Identification]\r\nObserver=Jos\xe9 M\xfcller\r\n");
  m.Click("Button41");
  TAsteroidIdentification* w = m.W().AsteroidIdentification.data();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Edit3->text().toStdString(), "Jos\xc3\xa9 M\xc3\xbcller");
  w->Button2->click();
  EXPECT_NE(IniText(m).find("Observer=Jos\xc3\xa9 M\xc3\xbcller\r\n"), std::string::npos);
  w->Button11->click();
}

TEST(IdentificationWiring, LunarWindowOpensFromTheMenuAndFromTheChart) {
  MainRoadWindow m(Reader::OwnAvi);
  QAction* command = m.W().findChild<QAction*>("Identificationforlightcurve1");
  ASSERT_NE(command, nullptr);
  command->trigger();
  EXPECT_EQ(m.W().Identification.data(), nullptr) << "nothing loaded: nothing to identify";
  m.W().Results.Assign(BuildResultTable(3, 1, RowsFromValues({{100, 100, 20, 20, 100}})));
  m.W().Run.CsvLoaded = true;
  command->trigger();
  TIdentification* w = m.W().Identification.data();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(m.W().Events.Flags.IdentificationFromChart, 0);
  w->Edit1->setText("Kim Park");
  w->Button1->click();
  EXPECT_NE(IniText(m).find("ObserverLunar=Kim Park\r\n"), std::string::npos);
  w->Edit2->setText("XZ 1234");
  EXPECT_FALSE(m.W().Memo4->toPlainText().isEmpty());  // the code log
  w->Button6->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.W().Settings.ObserverName, "Kim Park");

  m.W().Edit26->setText("05.0000");
  m.Click("Button18");
  Tchart1* chart = m.W().chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  ASSERT_TRUE(chart->Button14->isEnabled());
  chart->Button14->click();
  ASSERT_NE(m.W().Identification.data(), nullptr);
  EXPECT_EQ(m.W().Events.Flags.IdentificationFromChart, 1);
  m.W().Identification->close();
}

TEST(IdentificationWiring, SavedResultsFileIsNamedByTheIdentificationCode) {
  MainRoadWindow m(Reader::OwnAvi);
  m.W().Results.Assign(BuildResultTable(3, 1, RowsFromValues({{100, 100}})));
  m.W().Settings.CsvDirectory = m.dir.Path().string();
  m.Click("Button6");
  ASSERT_FALSE(m.dialogs.save_file_proposals.isEmpty());
  EXPECT_EQ(m.dialogs.save_file_proposals.back().toStdString(), m.dir.Path().string());
  m.W().Events.Texts.IdentificationCode = "100115x1234AL";
  m.Click("Button6");
  EXPECT_EQ(m.dialogs.save_file_proposals.back().toStdString(), m.dir.Path().string() + "/100115x1234AL.csv");
}

// A table of blocks of 4 frames from record 1 (block 25 bright, blocks 26-27
// occulted), an event chosen in the asteroid guide and the blocks averaged.
static TAsteroidIdentification* RunIntegratedVideo(MainRoadWindow& m) {
  std::vector<double> v;
  for (int i = 0; i < 128; ++i) {
    const int block = i == 0 ? -1 : (i - 1) / 4;
    v.push_back(block == 25 ? 1500 : block == 26 || block == 27 ? 200 : 1000 + 5 * (block & 1));
  }
  m.W().Results.Assign(BuildResultTable(3, 1, RowsFromValues({v})));
  m.W().Run.CsvLoaded = true;
  m.Click("Button41");
  TAsteroidIdentification* w = m.W().AsteroidIdentification.data();
  if (!w) return nullptr;
  w->Memo1->setPlainText(
      "<Occultations>\n<Event>\n<Elements>a,b,2024,5,12,1.5,x,y,0.5,0.5</Elements>\n"
      "<Star>HIP 1,,,11,10,9,1</Star>\n<Object>4,Vesta,6,500,1.2</Object>\n</Event>\n</Occultations>\n");
  if (w->ListBox1->count() != 1) return nullptr;
  w->ListBox1->setCurrentRow(0);
  emit w->ListBox1->itemPressed(w->ListBox1->item(0));
  w->Button7->click();
  w->ComboBox3->setCurrentIndex(3);
  emit w->ComboBox3->activated(3);
  w->Button8->click();
  return w;
}

TEST(IdentificationWiring, IntegratedVideoOpensTheChartForDiffractionOnTheAveragedTable) {
  MainRoadWindow m(Reader::OwnAvi);
  TAsteroidIdentification* w = RunIntegratedVideo(m);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(m.W().UpDown9->Position(), 4);
  EXPECT_EQ(m.W().Run.FrameStep, 4);
  ASSERT_NE(m.W().chart1.Window.data(), nullptr);
  w->Button9->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  Tchart1* chart = m.W().chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(m.W().Results.Count(), 6 + 32);
  EXPECT_EQ(m.W().Chart.ChartState.SelectedFrame, 26);
  EXPECT_EQ(m.W().Chart.DiffractionMode, 1);
  EXPECT_TRUE(chart->Button8->isEnabled());
  EXPECT_NE(chart->FresnelCtrl.data(), nullptr);  // the diffraction parameter panel
  EXPECT_EQ(m.W().Events.Identification.IntegratedPanelOpened, 1);
  // The magnitude calculator reads the open panel's edits and the averaged levels.
  TFresnelCtrl* panel = chart->FresnelCtrl.data();
  panel->Edit37->setText("1.5");
  emit panel->Edit37->editingFinished();  // a drop of 0 would untick the box again
  panel->CheckBox8->setChecked(true);
  const MagnitudePanelState state = m.W().ReportLink.PanelState();
  EXPECT_EQ(state.PredictedDropText, "1.5");
  EXPECT_TRUE(state.DropConsidered);
  EXPECT_EQ(state.Offset1Text, panel->Edit10->text().isEmpty() ? "0" : panel->Edit10->text().toStdString());
  EXPECT_EQ(state.Levels.Mean, m.W().Events.Diffraction.LevelMean);
  EXPECT_EQ(state.Levels.Count, m.W().Events.Diffraction.LevelCount);
  // Closing the guide asks before the averaged table and the fit are thrown away.
  m.dialogs.yes_no_answers.push_back(true);
  w->close();
  EXPECT_EQ(m.dialogs.questions.size(), 1);
  EXPECT_EQ(m.W().Results.Count(), 6 + 128);  // the frame-by-frame table is back
}

// The observer checks the phase on the chart and closes it, as the guide
// asks: "9-3" is still there to measure, and the chart opens again in the
// ordinary (not the phase-check) layout.
TEST(IdentificationWiring, ClosingThePhaseCheckChartLeavesTheMeasurementReady) {
  MainRoadWindow m(Reader::OwnAvi);
  TAsteroidIdentification* w = RunIntegratedVideo(m);
  ASSERT_NE(w, nullptr);
  Tchart1* chart = m.W().chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(m.W().Chart.AsteroidChartMode, 1);
  chart->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.W().Chart.AsteroidChartMode, 0);
  ASSERT_TRUE(w->Button9->isEnabled());
  w->Button9->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.W().Results.Count(), 6 + 32);
  ASSERT_NE(m.W().chart1.Window.data(), nullptr);
  EXPECT_EQ(m.W().Chart.ChartState.SelectedFrame, 26);
  m.dialogs.yes_no_answers.push_back(true);
  w->close();
}

TEST(IdentificationWiring, ClosingTheGuideAfterAnIntegratedRunKeepsTheWorkUnlessTold) {
  MainRoadWindow m(Reader::OwnAvi);
  TAsteroidIdentification* w = RunIntegratedVideo(m);
  ASSERT_NE(w, nullptr);
  w->Button9->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(m.W().Results.Count(), 6 + 32);
  ASSERT_NE(m.W().chart1.Window.data(), nullptr);
  const std::vector<std::string> averaged = m.W().Results.Lines();
  m.dialogs.yes_no_answers.push_back(false);
  w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(m.dialogs.questions.size(), 1);
  EXPECT_TRUE(m.dialogs.questions[0].contains("frame-by-frame")) << m.dialogs.questions[0].toStdString();
  EXPECT_EQ(m.W().Results.Lines(), averaged);  // nothing thrown away
  ASSERT_NE(m.W().chart1.Window.data(), nullptr);
  EXPECT_NE(m.W().chart1.Window->FresnelCtrl.data(), nullptr);
}

// The block length of an integrated video belongs to that video and its
// averaged table: after another video is opened, or after the frame-by-frame
// table was put back, fits and event times count single frames again.
TEST(IdentificationWiring, IntegrationEndsWithItsVideoAndItsAveragedTable) {
  for (const bool another_video : {true, false}) {
    SCOPED_TRACE(another_video ? "another video" : "frame table put back");
    MainRoadWindow m(Reader::OwnAvi);
    TAsteroidIdentification* w = RunIntegratedVideo(m);
    ASSERT_NE(w, nullptr);
    w->Button9->click();
    ASSERT_EQ(m.W().Events.Flags.IntegrationCount, 4);
    m.dialogs.yes_no_answers.push_back(true);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int record = 105;  // the drop of the frame-by-frame table
    if (another_video) {
      const auto video = m.Path("next.avi");
      ASSERT_TRUE(WriteSteadyStarVideo(video, 12));
      ASSERT_TRUE(m.OpenThroughButton1(video));
      std::vector<double> v(40, 1000.0);
      std::fill(v.begin() + 20, v.end(), 200.0);
      m.W().Results.Assign(BuildResultTable(3, 1, RowsFromValues({v})));
      m.W().Run.CsvLoaded = true;
      record = 20;
    }
    ASSERT_EQ(m.W().Results.Count(), another_video ? 6 + 40 : 6 + 128);
    EXPECT_EQ(m.W().Events.Flags.IntegratedVideoMeasured, 0);
    // The calculator opened over the event counts no integrated frames.
    m.Click("Button18");
    Tchart1* chart = m.W().chart1.Window.data();
    ASSERT_NE(chart, nullptr);
    m.W().Chart.ChartState.SelectedFrame = record;
    chart->Button8->click();
    TFresnelCtrl* panel = chart->FresnelCtrl.data();
    ASSERT_NE(panel, nullptr);
    panel->Button2->click();
    TMagnitudeCalculator* calc = MagnitudeCalculator();
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(calc->Edit17->text(), "0");
    EXPECT_TRUE(calc->UpDown4->isEnabled());
    calc->close();
  }
}

// A second 'Find the first frame' after the blocks were averaged shows the
// frame-by-frame chart again with the kept record of the first block marked.
TEST(IdentificationWiring, FindingTheFirstFrameAgainMarksItOnTheFrameChart) {
  MainRoadWindow m(Reader::OwnAvi);
  TAsteroidIdentification* w = RunIntegratedVideo(m);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(m.W().Chart.ChartState.SelectedFrame, 2);
  w->Button9->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(m.W().Results.Count(), 6 + 32);
  w->ComboBox3->setCurrentIndex(3);
  emit w->ComboBox3->activated(3);
  w->Button8->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.W().Results.Count(), 6 + 128);
  ASSERT_NE(m.W().chart1.Window.data(), nullptr);
  EXPECT_EQ(m.W().Chart.ChartState.SelectedFrame, 2);
  EXPECT_EQ(m.W().Events.Flags.IntegratedVideoMeasured, 0);
  m.dialogs.yes_no_answers.push_back(false);
  w->close();
}
