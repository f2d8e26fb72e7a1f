// Several analysis windows open together while the main window changes the
// table or the video under them.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <fstream>

#include "DiffractionFitSteps.h"
#include "MainRoadFixture.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TLightCurveReport.h"
#include "events/ui/TMagnitudeCalculator.h"
#include "support/ChartTestTables.h"
#include "support/DiffractionTruthCurves.h"
#include "support/WindowControls.h"

namespace {

void SelectRecord(TPlatform& w, Tchart1* chart, int record) {
  const ChartView& v = chart->View();
  const ChartRecord& rec = chart->Data().Records[static_cast<size_t>(record)];
  ReleaseAt(chart->ChartImg1, IndexToPixelX(v, record - w.Chart.ChartState.FirstShownFrame),
            ValueToPixelY(v, rec.Value[CurveA]));
}

// Windows closed on close go at the next turn of the event loop.
void LetClosedWindowsGo() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// The chart over a lunar event at record 30 of a loaded table, the
// diffraction panel fitted there and the magnitude calculator open over it.
struct FittedWindows {
  MainRoadWindow m{Reader::OwnAvi};
  QPointer<Tchart1> chart;
  QPointer<TFresnelCtrl> panel;
  QPointer<TMagnitudeCalculator> calculator;

  void Open(const std::vector<double>& values) {
    TPlatform& w = m.W();
    w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({values}), "29.97"));
    w.Run.CsvLoaded = true;
    w.Video.TimingFrameRate = 29.97;
    m.Click("Button18");
    chart = w.chart1.Window.data();
    ASSERT_NE(chart.data(), nullptr);
    SelectRecord(w, chart, 30);
    chart->Button8->click();
    panel = chart->FresnelCtrl.data();
    ASSERT_NE(panel.data(), nullptr);
    TypeAndPressEnter(panel->Edit1, "390000");
    TypeAndPressEnter(panel->Edit2, "550");
    FitAndWait(panel, chart);
    ASSERT_EQ(w.Events.Diffraction.DiffractionFitted, 1);
    m.ShowStampTime("10", "20", "01.0000", "01.0334");
    panel->Button2->click();  // 'Magnitude Calc'
    calculator = MagnitudeCalculator();
    ASSERT_NE(calculator.data(), nullptr);
    calculator->Button2->click();  // 'Re-read Time Stamp': the event is timed
  }
};

}  // namespace

// The event timed over one video's table is not added to the list of the
// next: 'Open AVI' with the panel and the calculator open once left both
// over the fresh table, and 'Add to report' put the old event's time into
// the new video's list (and so into its reports).
TEST(CrossWindows, AnotherVideoClosesThePanelAndCalculatorOfTheOldTable) {
  FittedWindows f;
  ASSERT_NO_FATAL_FAILURE(f.Open(kLunarNoisy));
  TPlatform& w = f.m.W();
  ASSERT_TRUE(f.calculator->Memo1->toPlainText().contains("Event Time : ")) << f.calculator->Memo1->toPlainText().toStdString();

  // A cancelled dialog changes nothing.
  f.m.Click("Button1");
  LetClosedWindowsGo();
  ASSERT_NE(f.calculator.data(), nullptr);
  ASSERT_NE(f.panel.data(), nullptr);

  const auto other = f.m.Path("other.avi");
  ASSERT_TRUE(WriteAvi(other.string(), StarFrames(120, 100, 5, 30, 30, [](int) { return 500.0; })));
  ASSERT_TRUE(f.m.OpenThroughButton1(other));
  LetClosedWindowsGo();
  EXPECT_EQ(w.Events.AsteroidTiming.EntryCount, 0);
  if (f.calculator) f.calculator->Button4->click();  // 'Add to report'
  EXPECT_EQ(w.Events.AsteroidTiming.EntryCount, 0);
  EXPECT_EQ(f.calculator.data(), nullptr);
  EXPECT_EQ(f.panel.data(), nullptr);
  EXPECT_EQ(w.Events.Flags.MagnitudeWindowShown, 0);
  EXPECT_EQ(w.Chart.DiffractionMode, 0);
  // The chart stays, over the new video's table.
  EXPECT_EQ(w.chart1.Window.data(), f.chart.data());
}

// The report window made over one video's table holds its light curve: left
// open after another video had opened, its 'Save to file' and 'Copy for Text
// Report' gave that light curve together with the new video's events.
TEST(CrossWindows, AnotherVideoClosesTheReportOfTheOldTable) {
  FittedWindows f;
  ASSERT_NO_FATAL_FAILURE(f.Open(kLunarNoisy));
  TPlatform& w = f.m.W();
  w.Events.ReportLightCurveElement.Kind = ReportKind::Lunar;
  w.Events.ReportLightCurveElement.RecordingDate = "2026-12-7";
  f.calculator->Button4->click();  // 'Add to report'
  ASSERT_EQ(w.Events.AsteroidTiming.EntryCount, 1);
  f.chart->Button17->click();  // 'Make Report'
  QPointer<TLightCurveReport> report = w.findChild<TLightCurveReport*>();
  ASSERT_NE(report.data(), nullptr);
  // The 61 records of the old table, 2 s at 30 fps.
  ASSERT_TRUE(report->Memo1->toPlainText().startsWith("Date: 2026-12-7 10:20:0.00: 2.00: 61"))
      << report->Memo1->toPlainText().toStdString();

  const auto other = f.m.Path("other.avi");
  ASSERT_TRUE(WriteAvi(other.string(), StarFrames(120, 100, 5, 30, 30, [](int) { return 500.0; })));
  ASSERT_TRUE(f.m.OpenThroughButton1(other));
  LetClosedWindowsGo();
  EXPECT_EQ(report.data(), nullptr);
  EXPECT_TRUE(w.findChildren<TLightCurveReport*>().isEmpty());
}


// The light curve saved and copied from the report window is named after
// its own start, 10:20:00.0 (record 0), however the chart is drawn after
// 'Make Report': scrolled to record 30 (10:20:01.0), or over another table
// loaded meanwhile whose records start at 10:21:00. The name once followed
// the chart's view, so a file named "..._102001_" held the curve of 10:20:00.
TEST(CrossWindows, TheSavedLightCurveIsNamedAfterItsOwnStart) {
  struct Case {
    const char* name;
    void (*after)(MainRoadWindow&, Tchart1*);
  } cases[] = {
      {"chart scrolled",
       [](MainRoadWindow&, Tchart1* chart) {
         chart->UpDown2->setValue(10);  // 32 times: about 11 records across
         chart->ScrollBar1->setValue(30);
       }},
      {"another table loaded",
       [](MainRoadWindow& m, Tchart1*) {
         std::vector<TableRowCells> rows = RowsFromValues({std::vector<double>(kLunarNoisy.begin(), kLunarNoisy.begin() + 20)});
         for (TableRowCells& r : rows) r.M = "21";
         const auto csv = m.Path("other.csv");
         {
           std::ofstream out(csv, std::ios::binary);
           for (const std::string& l : BuildResultTable(3, 1, rows, "29.97")) out << l << "\r\n";
         }
         m.dialogs.yes_no_answers.push_back(true);
         m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
         m.Click("Button20");
         LetClosedWindowsGo();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainRoadWindow m{Reader::OwnAvi};
    TPlatform& w = m.W();
    w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({kLunarNoisy}), "29.97"));
    w.Run.CsvLoaded = true;
    w.Video.TimingFrameRate = 29.97;
    TReportLightCurveElement& e = w.Events.ReportLightCurveElement;
    e.Kind = ReportKind::Lunar;
    e.RecordingDate = "2026-12-7";
    e.Catalogue = "SAO";
    e.StarNumber = "98765";
    m.Click("Button18");
    ASSERT_NE(w.chart1.Window.data(), nullptr);
    w.chart1.Window->Button17->click();  // 'Make Report'
    QPointer<TLightCurveReport> report = w.findChild<TLightCurveReport*>();
    ASSERT_NE(report.data(), nullptr);
    const std::string date_line = "Date: 2026-12-7 10:20:0.00: 2.00: 61";
    ASSERT_EQ(w.Events.ReportLightCurveData.Lines[0], date_line);

    c.after(m, w.chart1.Window.data());
    ASSERT_NE(report.data(), nullptr);
    ASSERT_NE(e.StartS + e.StartM, "0.0020");  // the chart drew another start

    const auto dat = m.Path("curve.dat");
    m.dialogs.save_file_names.push_back(QString::fromStdString(dat.string()));
    report->Button2->click();  // 'Save to file'
    ASSERT_FALSE(m.dialogs.save_file_proposals.isEmpty());
    EXPECT_EQ(m.dialogs.save_file_proposals.back().toStdString(), "S98765_20261207_102000_.dat");
    std::ifstream saved(dat, std::ios::binary);
    std::string first;
    std::getline(saved, first);
    EXPECT_EQ(first, date_line + "\r");

    report->Button5->click();  // 'Copy for Text Report'
    const QStringList copied = report->Memo4->toPlainText().split('\n');
    const qsizetype at = copied.indexOf("Text-based Light curve ");
    ASSERT_GE(at, 0);
    ASSERT_LT(at + 3, copied.size());
    EXPECT_EQ(copied[at + 1].toStdString(), "S98765_20261207_102000_.dat");
    EXPECT_EQ(copied[at + 3].toStdString(), date_line);
  }
}

// Another video or table while the panel's fit still runs on its worker
// threads: the fit ends with the panel, before the table it reads changes.
TEST(CrossWindows, AFitStillRunningEndsWhenTheTableGoes) {
  struct Case {
    const char* name;
    void (*change)(MainRoadWindow&);
  } cases[] = {
      {"Open AVI",
       [](MainRoadWindow& m) {
         const auto other = m.Path("other.avi");
         ASSERT_TRUE(WriteAvi(other.string(), StarFrames(120, 100, 5, 30, 30, [](int) { return 500.0; })));
         ASSERT_TRUE(m.OpenThroughButton1(other));
       }},
      {"Load CSV",
       [](MainRoadWindow& m) {
         const auto csv = m.Path("b.csv");
         {
           std::ofstream out(csv, std::ios::binary);
           for (const std::string& l : BuildResultTable(3, 1, RowsFromValues({std::vector<double>(10, 5.0)}), "29.97"))
             out << l << "\r\n";
         }
         m.dialogs.yes_no_answers.push_back(true);
         m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
         m.Click("Button20");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FittedWindows f;
    ASSERT_NO_FATAL_FAILURE(f.Open(kLunarNoisy));
    TPlatform& w = f.m.W();
    f.calculator->close();
    LetClosedWindowsGo();
    f.panel->Button3->click();  // 'Fit to Diffraction Curve', not waited for
    ASSERT_TRUE(f.chart->Fitting());
    c.change(f.m);
    LetClosedWindowsGo();
    EXPECT_EQ(f.panel.data(), nullptr);
    ASSERT_NE(w.chart1.Window.data(), nullptr);
    EXPECT_FALSE(w.chart1.Window->Fitting());
    EXPECT_EQ(w.Chart.DiffractionMode, 0);
    EXPECT_EQ(w.Events.Diffraction.DiffractionFitted, 0);
  }
}
