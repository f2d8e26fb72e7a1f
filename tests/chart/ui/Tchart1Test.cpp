// The chart window offscreen: opening on every table version, navigation,
// selection by clicking, S/N, 'Make Report' and the tool launchers.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>

#include "chart/ChartScale.h"
#include "chart/ui/ResultTableAdapter.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"
#include "support/FileBytes.h"
#include "support/TemporaryFolder.h"

namespace {

struct ChartFixture {
  FakeHost host;
  ChartSession session;
  ChartEventState events;
  QPointer<Tchart1> chart;
  bool analysis = true;  // the host hands the event analysis over, as the main window does

  void Open() {
    if (analysis) host.AnalyseEvents(events);
    chart = new Tchart1(host, session, events);
  }
  ~ChartFixture() { delete chart.data(); }
  // Pixel of visible record i of curve A.
  QPoint PointOf(int i) const {
    const auto& rec = chart->Data().Records[static_cast<size_t>(chart->View().ChartXRatio > 0 ? i : 0)];
    return QPoint(IndexToPixelX(chart->View(), i - session.ChartState.FirstShownFrame),
                  ValueToPixelY(chart->View(), rec.Value[CurveA]));
  }
};

std::vector<double> Wave(int n) {
  std::vector<double> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = 1000 + (i % 2 ? 100 : -100) + i;
  return v;
}

}  // namespace

TEST(Tchart1, OpensOnTablesOfEveryVersion) {
  for (int version : {3, 2, 1, 0}) {
    ChartFixture f;
    f.host.csv_version = version;
    f.host.table.lines = BuildResultTable(version, 1, RowsFromValues({{10, 12, 10, 12}}));
    f.Open();
    SCOPED_TRACE(version);
    EXPECT_EQ(f.session.ChartOpen, 1);
    EXPECT_EQ(f.session.ChartState.Reset, 0);
    EXPECT_EQ(f.session.ChartState.TotalFrameCount, 4);
    EXPECT_EQ(Find<QLineEdit>(f.chart, "Edit1")->text(), "S/N= 11.0");
    EXPECT_EQ(f.chart->Picture().width(), 740);
    EXPECT_EQ(f.chart->Picture().height(), kChartImageHeight);
    EXPECT_TRUE(f.host.fix_range_enabled);
    EXPECT_EQ(f.events.ReportLightCurveElement.ValueCount, 4);
  }
}

TEST(Tchart1, ToolsNotYetAvailableAreDisabled) {
  ChartFixture f;
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({{10, 12, 10, 12}}));
  f.Open();
  for (const char* name : {"Button12", "Button14", "Button15", "Button2"})
    EXPECT_FALSE(Find<QPushButton>(f.chart, name)->isEnabled()) << name;
  EXPECT_TRUE(Find<QPushButton>(f.chart, "Button17")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>(f.chart, "Button8")->isEnabled());
}

TEST(Tchart1, TimeButtonsMoveBySeconds) {
  ChartFixture f;
  f.host.frame_rate_rounded = 25;
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(2000)}));
  f.Open();
  // Entire is selected for 2000 records; switch to 'Part'.
  Find<QRadioButton>(f.chart, "RadioGroup1_0")->click();
  EXPECT_EQ(f.session.ChartState.EntireWidth, 0);
  EXPECT_EQ(f.session.ChartState.VisibleFrameCount, 340);
  Find<QPushButton>(f.chart, "Button4")->click();
  EXPECT_EQ(f.session.ChartState.FirstShownFrame, 25);
  Find<QPushButton>(f.chart, "Button6")->click();
  EXPECT_EQ(f.session.ChartState.FirstShownFrame, 275);
  Find<QPushButton>(f.chart, "Button3")->click();
  EXPECT_EQ(f.session.ChartState.FirstShownFrame, 250);
  Find<QPushButton>(f.chart, "Button5")->click();
  EXPECT_EQ(f.session.ChartState.FirstShownFrame, 0);
  Find<QScrollBar>(f.chart, "ScrollBar1")->setValue(1900);
  EXPECT_EQ(f.session.ChartState.FirstShownFrame, 2000 - 340);  // limited by the redraw
}

TEST(Tchart1, ScaleIgnoredWhileEntireAndResetRestoresDefaults) {
  ChartFixture f;
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(2000)}));
  f.Open();
  EXPECT_EQ(f.session.ChartState.EntireWidth, 1);
  auto* scale = Find<QSpinBox>(f.chart, "UpDown2");
  scale->setValue(8);
  EXPECT_EQ(f.session.ChartState.ScalePosition, 5);
  Find<QRadioButton>(f.chart, "RadioGroup1_0")->click();
  scale->setValue(8);
  EXPECT_EQ(f.session.ChartState.ScalePosition, 8);
  EXPECT_EQ(Find<QLineEdit>(f.chart, "Edit5")->text(), "8");
  Find<QSpinBox>(f.chart, "UpDown1")->setValue(5);
  EXPECT_EQ(Find<QLineEdit>(f.chart, "Edit2")->text(), "5");
  Find<QPushButton>(f.chart, "Button9")->click();
  EXPECT_EQ(f.session.ChartState.ScalePosition, 5);
  EXPECT_EQ(f.session.ChartState.Radius, 3);
  EXPECT_EQ(f.session.ChartState.FirstShownFrame, 0);
  EXPECT_EQ(Find<QLineEdit>(f.chart, "Edit5")->text(), "1");
  EXPECT_EQ(f.session.ChartState.Reset, 1);
}

TEST(Tchart1, CorrectionNeedsASelectionAndTwoObjects) {
  ChartFixture f;
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(20)}));
  f.Open();
  Find<QPushButton>(f.chart, "Button11")->click();
  ASSERT_EQ(f.host.Informations().size(), 1u);
  EXPECT_EQ(f.host.Informations()[0], "Select target frame by clicking the graph area");
  const QPoint p = f.PointOf(3);
  ReleaseAt(f.chart->ChartImg1, p.x(), p.y());
  Find<QPushButton>(f.chart, "Button11")->click();
  ASSERT_EQ(f.host.Informations().size(), 2u);
  EXPECT_EQ(f.host.Informations()[1], "This function is available when two or more stars are already measured.");
}

TEST(Tchart1, PopupSavesThePictureAsABitmap) {
  ChartFixture f;
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(30)}));
  f.Open();
  const auto dir = std::filesystem::temp_directory_path() / ("tessary_chart_ui_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "chart.bmp").string();
  f.host.dialogs.save_file_names.push_back(QString::fromStdString(path));
  f.chart->findChild<QAction*>("SaveToFile1")->trigger();
  QImage saved(QString::fromStdString(path));
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(saved.size(), f.chart->Picture().size());
  EXPECT_EQ(saved.pixelColor(100, 100), f.chart->Picture().pixelColor(100, 100));
  EXPECT_TRUE(f.host.Errors().empty());
  std::filesystem::remove_all(dir);
}

// A picture saved onto a folder's name, into a folder that does not exist or
// over a file marked read-only: one error, and the folder holds what it held.
TEST(Tchart1, PopupSaveThatCannotBeWrittenIsToldOnce) {
  ChartFixture f;
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(30)}));
  f.Open();
  TemporaryFolder dir("tessary-chart-save");
  std::filesystem::create_directories(dir.Path() / "folder.bmp" / "inside");
  dir.Write("kept.bmp", "the observer's own picture");
  std::filesystem::permissions(dir.Path() / "kept.bmp", std::filesystem::perms::owner_read);
  for (const char* name : {"folder.bmp", "gone/chart.bmp", "kept.bmp"}) {
    SCOPED_TRACE(name);
    const size_t errors = f.host.Errors().size();
    f.host.dialogs.save_file_names.push_back(QString::fromStdString(dir.File(name)));
    f.chart->findChild<QAction*>("SaveToFile1")->trigger();
    EXPECT_EQ(f.host.Errors().size(), errors + 1);
    EXPECT_EQ(dir.Names().size(), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "folder.bmp" / "inside"));
    EXPECT_EQ(ReadFileBytes(dir.Path() / "kept.bmp"), "the observer's own picture");
  }
}

TEST(Tchart1, DiffractionAnalysisGuardsAndStart) {
  ChartFixture f;
  f.host.object_count = 2;
  f.host.table.lines = BuildResultTable(3, 2, RowsFromValues({Wave(60), Wave(60)}));
  f.Open();
  auto* button = Find<QPushButton>(f.chart, "Button8");
  ASSERT_TRUE(button->isEnabled());
  button->click();
  ASSERT_EQ(f.host.Informations().size(), 1u);
  EXPECT_EQ(f.host.Informations()[0], "Select target frame by clicking the graph area");
  const QPoint p = f.PointOf(30);
  ReleaseAt(f.chart->ChartImg1, p.x(), p.y());
  EXPECT_EQ(f.host.after_selection, 1);
  button->click();  // A and B ticked: message C
  ASSERT_EQ(f.host.Informations().size(), 2u);
  EXPECT_EQ(f.host.Informations()[1],
            "This function can work when only blue line of target star is displayed.\n\rClick \"B\" or \"C\" to erase "
            "the yellow or magenta line.");
  EXPECT_EQ(f.session.DiffractionMode, 0);
  Find<QCheckBox>(f.chart, "CheckBox5")->setChecked(false);
  button->click();
  EXPECT_EQ(f.session.DiffractionMode, 1);
  ASSERT_NE(f.chart->FresnelCtrl, nullptr);
  EXPECT_TRUE(f.chart->FresnelCtrl->isVisible());
  EXPECT_TRUE(f.chart->ChartImg2->isVisibleTo(f.chart));
  EXPECT_EQ(f.chart->height(), 712);
  // Level-window records around the selection are green.
  const QPoint q = f.PointOf(30 - 20);
  EXPECT_EQ(f.chart->Picture().pixelColor(q), QColor(0x22, 0xBB, 0x55));
}

TEST(Tchart1, LunarIdentificationNeedsATimeStamp) {
  ChartFixture f;
  f.host.available = {ChartTool::LunarIdentification, ChartTool::LedGraph};
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(30)}));
  f.Open();
  Find<QPushButton>(f.chart, "Button14")->click();
  EXPECT_TRUE(f.host.opened.empty());
  f.host.time_readout = {"10", "20", "30.5", "30.52"};
  Find<QPushButton>(f.chart, "Button14")->click();
  ASSERT_EQ(f.host.opened.size(), 1u);
  EXPECT_EQ(f.events.Flags.IdentificationFromChart, 1);
  Find<QPushButton>(f.chart, "Button15")->click();
  EXPECT_EQ(f.host.opened.back(), ChartTool::LedGraph);
}

TEST(Tchart1, TablesWithoutRecordsDrawNothingAndClicksAreHarmless) {
  for (size_t keep : {0u, 1u, 5u, 6u, 7u}) {
    SCOPED_TRACE(keep);
    ChartFixture f;
    auto lines = BuildResultTable(3, 1, RowsFromValues({{0.0}}));
    lines.resize(keep);
    f.host.table.lines = lines;
    f.Open();
    ReleaseAt(f.chart->ChartImg1, 100, 100);
    ReleaseAt(f.chart->ChartImg1, 50, 360);
    Find<QPushButton>(f.chart, "Button4")->click();
    Find<QPushButton>(f.chart, "Button17")->click();
    Find<QPushButton>(f.chart, "Button9")->click();
    EXPECT_TRUE(Find<QLineEdit>(f.chart, "Edit1")->text().isEmpty());
  }
}

TEST(Tchart1, SaveImageWritesFilesThroughTheImageLibrary) {
  ChartFixture f;
  f.host.image_save = true;
  f.host.library_save = true;
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(60)}));
  f.Open();
  const auto dir = std::filesystem::temp_directory_path() / ("tessary_chart_img_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  struct Row {
    int type;
    const char* file;
    bool exact;
  };
  for (Row r : {Row{1, "event.png", true}, Row{3, "event.bmp", true}, Row{2, "event.jpg", false}}) {
    SCOPED_TRACE(r.file);
    f.host.image_choices.push_back(ImageFileChoice{(dir / "event.xyz").string(), r.type});
    Find<QPushButton>(f.chart, "Button12")->click();
    EXPECT_TRUE(f.host.Errors().empty());
    // Decoded by Qt's own readers.
    const QImage back(QString::fromStdString((dir / r.file).string()));
    ASSERT_FALSE(back.isNull());
    ASSERT_EQ(back.size(), f.chart->Picture().size());
    if (r.exact) {
      const QImage shown = f.chart->Picture().convertToFormat(QImage::Format_RGB32);
      const QImage read = back.convertToFormat(QImage::Format_RGB32);
      int differing = 0;
      for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) differing += shown.pixel(x, y) != read.pixel(x, y);
      EXPECT_EQ(differing, 0);
    }
  }
  std::filesystem::remove_all(dir);
}

TEST(Tchart1, WithoutTheHostsEventAnalysisTheDiffractionAndReportButtonsStayIdle) {
  ChartFixture f;
  f.analysis = false;
  f.events.Spectral.StarTemperature = 5000;
  f.events.ReportLightCurveElement.Kind = ReportKind::Lunar;
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(30)}));
  f.Open();
  f.chart->show();
  EXPECT_EQ(f.events.Spectral.StarTemperature, 5000);
  const QPoint p = f.PointOf(15);
  ReleaseAt(f.chart->ChartImg1, p.x(), p.y());
  ASSERT_EQ(f.session.ChartState.SelectedFrame, 15);

  Find<QPushButton>(f.chart, "Button8")->click();
  EXPECT_EQ(f.session.DiffractionMode, 0);
  EXPECT_TRUE(f.chart->FresnelCtrl.isNull());
  EXPECT_FALSE(f.chart->Fitting());
  Find<QPushButton>(f.chart, "Button16")->click();
  EXPECT_TRUE(Find<QPlainTextEdit>(f.chart, "Memo2")->toPlainText().isEmpty());
  Find<QPushButton>(f.chart, "Button17")->click();
  EXPECT_TRUE(f.host.report_lines.empty());
  EXPECT_TRUE(f.events.ReportLightCurveData.Lines[0].empty());
}

TEST(Tchart1, OpeningRestartsTheSpectrumAndOneTimedAsteroidEventRefusesTheReport) {
  const struct {
    ReportKind kind;
    int timed_events;
    bool shown;
  } rows[] = {{ReportKind::Asteroid, 1, false}, {ReportKind::Asteroid, 2, true}, {ReportKind::Lunar, 0, true}};
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.kind) * 10 + r.timed_events);
    ChartFixture f;
    f.events.Spectral.StarTemperature = 5000;
    f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Wave(30)}));
    f.Open();
    EXPECT_EQ(f.events.Spectral.StarTemperature, 6650);

    f.events.ReportLightCurveElement.Kind = r.kind;
    f.events.ReportLightCurveElement.RecordingDate = "2024/03/05";
    f.events.AsteroidTiming.EntryCount = r.timed_events;
    Find<QPushButton>(f.chart, "Button17")->click();
    EXPECT_EQ(!f.host.report_lines.empty(), r.shown);
    EXPECT_EQ(!f.events.ReportLightCurveData.Lines[0].empty(), r.shown);
    if (r.shown) {
      EXPECT_EQ(f.host.report_lines[0].rfind("Date: 2024/03/05 ", 0), 0u) << f.host.report_lines[0];
    }
  }
}
