// 'Graph' through the real main window: a synthetic video measured to the end,
// the chart over its table, a click that shows the clicked frame, the noise
// reduction rewriting the table, and what resets the chart's state.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <cmath>
#include <fstream>

#include "MainRoadFixture.h"
#include "base/NumberText.h"
#include "chart/ChartScale.h"
#include "chart/ui/TAvgBkg.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "support/ChartTestTables.h"
#include "support/WindowControls.h"

namespace {

constexpr int kWidth = 120, kHeight = 100;
constexpr int kStarX = 60, kStarY = 50;
constexpr int kFrames = 20;

// A star that dims from frame 8 to frame 12, as in an occultation.
double FluxOfFrame(int n) { return n >= 8 && n <= 12 ? 700.0 : 2000.0 + 10.0 * n; }

double Cell(const std::string& row, int n) { return ParseDoubleOr(StripQuotes(GetCsvField(row, n)), -1e9); }

// Windows freed on close go at the next turn of the event loop.
void LetClosedWindowsGo() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

bool IsAqua(QLineEdit* e) { return e->palette().color(QPalette::Base) == QColor(0x00, 0xFF, 0xFF); }

class Graph : public ::testing::Test {
 protected:
  void SetUp() override {
    frames_ = StarFrames(kWidth, kHeight, kFrames, 60.3, 49.8, FluxOfFrame);
    path_ = m.Path("event.avi");
    ASSERT_TRUE(WriteAvi(path_.string(), frames_));
    ASSERT_TRUE(m.OpenThroughButton1(path_));
  }

  // Object A on the star, START, until the last frame.
  void MeasureToTheEnd() {
    m.ClickImage1(kStarX, kStarY);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    ASSERT_EQ(m.Rows().size(), static_cast<size_t>(kFrames));
  }

  Tchart1* PressGraph() {
    m.Click("Button18");
    return m.W().chart1.Window.data();
  }

  // Pixel of record r of curve A in the chart's last drawing.
  QPoint PointOf(Tchart1* chart, int r) {
    const ChartRecord& rec = chart->Data().Records[static_cast<size_t>(r)];
    return QPoint(IndexToPixelX(chart->View(), r - m.W().Chart.ChartState.FirstShownFrame),
                  ValueToPixelY(chart->View(), rec.Value[CurveA]));
  }

  void CloseChart(Tchart1* chart) {
    Find<QPushButton>(chart, "Button1")->click();  // 'close'
    LetClosedWindowsGo();
  }

  MainRoadWindow m{Reader::OwnAvi};
  std::vector<Bitmap24> frames_;
  std::filesystem::path path_;
};

TEST_F(Graph, OpensOverTheMeasuredTableAndDrawsCurveA) {
  MeasureToTheEnd();
  TPlatform& w = m.W();
  EXPECT_TRUE(m.Find<QPushButton>("Button18")->isEnabled());
  Tchart1* chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  EXPECT_TRUE(chart->isVisible());
  EXPECT_TRUE(chart->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(chart->parentWidget(), &w);
  EXPECT_EQ(w.Chart.ChartOpen, 1);
  EXPECT_EQ(w.Chart.ChartState.TotalFrameCount, kFrames);
  EXPECT_TRUE(IsAqua(m.Find<QLineEdit>("Edit71")));
  // The chart drew, so the range can now be fixed.
  EXPECT_TRUE(w.FixMin6MaxofGraph1->isEnabled());

  // The chart read the measured values of the table, and put a blue point of
  // curve A at each record's place.
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(chart->Data().Records.size(), static_cast<size_t>(kFrames));
  for (int r = 0; r < kFrames; ++r) {
    SCOPED_TRACE("record " + std::to_string(r));
    EXPECT_DOUBLE_EQ(chart->Data().Records[static_cast<size_t>(r)].Value[CurveA],
                     Cell(rows[static_cast<size_t>(r)], 11));
    EXPECT_EQ(chart->Picture().pixelColor(PointOf(chart, r)), QColor(0, 0, 255));
  }
  // The dip lies below the levels around it.
  EXPECT_GT(PointOf(chart, 10).y(), PointOf(chart, 5).y() + 50);

  // A second 'Graph' while the chart is open opens nothing more.
  m.Click("Button18");
  EXPECT_EQ(w.findChildren<Tchart1*>().size(), 1);

  CloseChart(chart);
  EXPECT_EQ(w.chart1.Window, nullptr);
  EXPECT_EQ(w.Chart.ChartOpen, 0);
  EXPECT_FALSE(w.FixMin6MaxofGraph1->isEnabled());
  EXPECT_FALSE(w.FixMin6MaxofGraph1->isChecked());
}

TEST_F(Graph, ClickOnTheChartSelectsARecordAndShowsItsFrame) {
  MeasureToTheEnd();
  TPlatform& w = m.W();
  const std::vector<std::string> rows = m.Rows();
  Tchart1* chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  ASSERT_EQ(w.ScrollBar1->value(), kFrames - 1);

  const QPoint p = PointOf(chart, 12);
  ReleaseAt(chart->ChartImg1, p.x(), p.y());
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, 12);
  EXPECT_EQ(w.Chart.ChartState.SelectedFrameNo, 12);
  // The data line count is the record count less one.
  EXPECT_EQ(m.Find<QLineEdit>("Edit54")->text(), "TotalFrame : 19SelectDataNum : 12");
  // The main window moved to frame 12 and measured it again: the same value
  // as the table's row of that frame, and no row was added.
  EXPECT_EQ(w.ScrollBar1->value(), 12);
  EXPECT_NEAR(w.Frames.FrameDataLines[0].Objects[0].Value, Cell(rows[12], 11), 0.05);
  EXPECT_EQ(m.Rows().size(), static_cast<size_t>(kFrames));
  // The selected point is red now.
  EXPECT_EQ(chart->Picture().pixelColor(PointOf(chart, 12)), QColor(255, 0, 0));

  // Another record, then a second click on it clears the selection and leaves
  // the frame where it is.
  const QPoint q = PointOf(chart, 3);
  ReleaseAt(chart->ChartImg1, q.x(), q.y());
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, 3);
  EXPECT_EQ(w.ScrollBar1->value(), 3);
  EXPECT_NEAR(w.Frames.FrameDataLines[0].Objects[0].Value, Cell(rows[3], 11), 0.05);
  ReleaseAt(chart->ChartImg1, q.x(), q.y());
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, -1);
  EXPECT_EQ(w.ScrollBar1->value(), 3);
  EXPECT_EQ(m.Find<QLineEdit>("Edit54")->text(), "TotalFrame : 19SelectDataNum : -1");
  EXPECT_TRUE(m.dialogs.messages.empty());
}

TEST_F(Graph, ReproducedAperturePositionsGoToTheMainWindowsObjects) {
  MeasureToTheEnd();
  TPlatform& w = m.W();
  const std::string row7 = m.Rows()[7];
  w.Frames.FrameDataLines[0].Objects[0].X = 5;
  w.Frames.FrameDataLines[0].Objects[0].Y = 6;
  Tchart1* chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  chart->CheckBox2->setChecked(false);  // the frame stays, so the driver moves nothing
  chart->CheckBox3->setChecked(true);   // 'Reproduce Aperture Position'
  const QPoint p = PointOf(chart, 7);
  ReleaseAt(chart->ChartImg1, p.x(), p.y());
  ASSERT_EQ(w.Chart.ChartState.SelectedFrame, 7);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].X, static_cast<int>(Cell(row7, 25)));
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].Y, static_cast<int>(Cell(row7, 26)));
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].X, kStarX);
  EXPECT_EQ(w.ScrollBar1->value(), kFrames - 1);
}

TEST_F(Graph, NoiseReductionRewritesTheTableThatMemo1Shows) {
  MeasureToTheEnd();
  TPlatform& w = m.W();
  const std::vector<std::string> before = w.Results.Lines();
  const int header = static_cast<int>(before.size()) - kFrames;
  Tchart1* chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  Find<QPushButton>(chart, "SpeedButton1")->click();  // 'Noise Reduction'
  auto* nr = chart->findChild<TAvgBkg*>("AvgBkg");
  ASSERT_NE(nr, nullptr);
  Find<QSpinBox>(nr, "UpDown1")->setValue(1);  // moving average over 3 records
  Find<QPushButton>(nr, "Button1")->click();   // 'Apply'
  EXPECT_TRUE(m.dialogs.messages.empty());

  const std::vector<std::string>& after = w.Results.Lines();
  ASSERT_EQ(after.size(), before.size());
  // With fixed pixel counts the average of the sums gives the average of the
  // values; each value was written with one decimal.
  for (int r = 1; r + 1 < kFrames; ++r) {
    SCOPED_TRACE("record " + std::to_string(r));
    double mean = 0;
    for (int k = r - 1; k <= r + 1; ++k) mean += Cell(before[static_cast<size_t>(header + k)], 11) / 3;
    EXPECT_NEAR(Cell(after[static_cast<size_t>(header + r)], 11), mean, 0.15);
  }
  EXPECT_NE(after[static_cast<size_t>(header + 7)], before[static_cast<size_t>(header + 7)]);  // beside the dip
  // Memo1 shows the rewritten table, and the chart drew from it.
  QCoreApplication::processEvents();
  w.SyncMemo1();
  QStringList shown = m.Find<QPlainTextEdit>("Memo1")->toPlainText().split('\n');
  while (!shown.isEmpty() && shown.back().isEmpty()) shown.pop_back();
  ASSERT_EQ(shown.size(), static_cast<int>(after.size()));
  for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(shown[static_cast<int>(i)].toStdString(), after[i]);
  EXPECT_DOUBLE_EQ(chart->Data().Records[9].Value[CurveA], Cell(after[static_cast<size_t>(header + 9)], 11));

  // 'Reset' in the noise-reduction window brings the raw values back.
  Find<QPushButton>(nr, "Button3")->click();
  for (int r = 0; r < kFrames; ++r)
    EXPECT_NEAR(Cell(w.Results.Lines()[static_cast<size_t>(header + r)], 11),
                Cell(before[static_cast<size_t>(header + r)], 11), 0.05 + 1e-9);
}

TEST_F(Graph, ATableOfAnOlderVersionLoadedBeforeDoesNotChangeHowNewRowsAreRead) {
  TPlatform& w = m.W();
  for (int older : {1, 0}) {
    SCOPED_TRACE("version " + std::to_string(older));
    w.Results.Assign(BuildResultTable(older, 1, RowsFromValues({{5, 6, 7}}, 0)));
    w.DetectCsvVersion();
    ASSERT_EQ(w.Options.CsvVersion, older);
    ASSERT_TRUE(m.OpenThroughButton1(path_));  // a new table of the current version
    EXPECT_EQ(w.Options.CsvVersion, 3);
    MeasureToTheEnd();
    const std::vector<std::string> before = w.Results.Lines();
    const size_t header = before.size() - kFrames;
    Tchart1* chart = PressGraph();
    ASSERT_NE(chart, nullptr);
    ASSERT_EQ(chart->Data().Records.size(), static_cast<size_t>(kFrames));
    for (int r = 0; r < kFrames; ++r)
      EXPECT_DOUBLE_EQ(chart->Data().Records[static_cast<size_t>(r)].Value[CurveA],
                       Cell(before[header + static_cast<size_t>(r)], 11));
    // 'Reset' rebuilds each value from the object's own sums.
    Find<QPushButton>(chart, "SpeedButton1")->click();
    auto* nr = chart->findChild<TAvgBkg*>("AvgBkg");
    ASSERT_NE(nr, nullptr);
    Find<QPushButton>(nr, "Button3")->click();
    EXPECT_TRUE(m.dialogs.messages.empty());
    for (int r = 0; r < kFrames; ++r)
      EXPECT_NEAR(Cell(w.Results.Lines()[header + static_cast<size_t>(r)], 11),
                  Cell(before[header + static_cast<size_t>(r)], 11), 0.05 + 1e-9);
    Find<QPushButton>(nr, "Button2")->click();
    CloseChart(chart);
  }
}

TEST_F(Graph, DataRemoveResetsTheChartsNextOpening) {
  MeasureToTheEnd();
  TPlatform& w = m.W();
  Tchart1* chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(w.Chart.ChartState.Reset, 0);
  const QPoint p = PointOf(chart, 15);
  ReleaseAt(chart->ChartImg1, p.x(), p.y());
  ASSERT_EQ(w.Chart.ChartState.SelectedFrame, 15);
  chart->UpDown1->setValue(5);  // point radius

  // 'DataRemove' does nothing while the chart is open.
  m.dialogs.yes_no_answers.push_back(true);
  m.Click("Button5");
  EXPECT_EQ(m.Rows().size(), static_cast<size_t>(kFrames));
  m.dialogs.yes_no_answers.clear();

  // Closed and opened again, the chart keeps its selection and radius.
  CloseChart(chart);
  chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, 15);
  EXPECT_EQ(chart->UpDown1->value(), 5);
  CloseChart(chart);

  // 'DataRemove' answered No changes nothing; Yes empties the table and the
  // next opening starts from the defaults.
  m.dialogs.yes_no_answers.push_back(false);
  m.Click("Button5");
  EXPECT_EQ(w.Chart.ChartState.Reset, 0);
  EXPECT_EQ(m.Rows().size(), static_cast<size_t>(kFrames));
  m.dialogs.yes_no_answers.push_back(true);
  m.Click("Button5");
  EXPECT_EQ(w.Chart.ChartState.Reset, 1);
  EXPECT_TRUE(m.Rows().empty());
  chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(w.Chart.ChartState.Reset, 0);
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, -1);
  EXPECT_EQ(w.Chart.ChartState.FirstShownFrame, 0);
  EXPECT_EQ(w.Chart.ChartState.Radius, 3);
  EXPECT_EQ(chart->UpDown1->value(), 3);
  EXPECT_EQ(w.Chart.ChartState.TotalFrameCount, 1);
}

// A table loaded while the chart is open: the chart shows the loaded table
// from its defaults, and the diffraction panel of the old one is gone.
TEST_F(Graph, LoadingATableWhileTheChartIsOpenShowsTheLoadedTable) {
  MeasureToTheEnd();
  TPlatform& w = m.W();
  m.dialogs.save_file_names.push_back(QString::fromStdString(m.Path("whole.csv").string()));
  m.Click("Button6");
  // The same table with its last 12 rows left off.
  std::vector<std::string> lines = w.Results.Lines();
  lines.resize(lines.size() - 12);
  const auto shorter = m.Path("shorter.csv");
  {
    std::ofstream out(shorter, std::ios::binary);
    for (const std::string& l : lines) out << l << "\r\n";
  }
  struct Load {
    const char* how;
    void (*load)(MainRoadWindow&);
  } loads[] = {{"Button20", [](MainRoadWindow& mw) { mw.Click("Button20"); }},
               {"LoadCSVFile1", [](MainRoadWindow& mw) { mw.W().LoadCSVFile1->trigger(); }}};
  for (const Load& l : loads) {
    SCOPED_TRACE(l.how);
    if (m.Rows().size() != static_cast<size_t>(kFrames)) {
      m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path("whole.csv").string()));
      m.Click("Button20");
      ASSERT_EQ(m.Rows().size(), static_cast<size_t>(kFrames));
    }
    Tchart1* chart = PressGraph();
    ASSERT_NE(chart, nullptr);
    const QPoint p = PointOf(chart, 15);
    ReleaseAt(chart->ChartImg1, p.x(), p.y());
    ASSERT_EQ(w.Chart.ChartState.SelectedFrame, 15);
    chart->Button8->click();  // 'Diffraction Analysis'
    ASSERT_NE(chart->FresnelCtrl, nullptr);

    m.dialogs.open_file_names.push_back(QString::fromStdString(shorter.string()));
    l.load(m);
    LetClosedWindowsGo();
    ASSERT_EQ(m.Rows().size(), 8u);
    chart = w.chart1.Window.data();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(w.Chart.ChartOpen, 1);
    EXPECT_EQ(chart->Data().Records.size(), 8u);
    EXPECT_EQ(w.Chart.ChartState.TotalFrameCount, 8);
    EXPECT_EQ(w.Chart.ChartState.SelectedFrame, -1);
    EXPECT_EQ(chart->FresnelCtrl, nullptr);
    EXPECT_EQ(w.Chart.DiffractionMode, 0);
    EXPECT_EQ(w.findChildren<Tchart1*>().size(), 1);
    CloseChart(chart);
  }
}

TEST_F(Graph, WithAnEmptyTableTheChartOpensAndDrawsNothing) {
  TPlatform& w = m.W();
  ASSERT_TRUE(m.Rows().empty());
  Tchart1* chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  EXPECT_TRUE(chart->isVisible());
  EXPECT_EQ(w.Chart.ChartOpen, 1);
  // The row count given to the chart is 0, which leaves the step box as it
  // was; the chart counts at least one record.
  EXPECT_FALSE(IsAqua(m.Find<QLineEdit>("Edit71")));
  EXPECT_EQ(w.Chart.ChartState.TotalFrameCount, 1);
  // A range of zero: the picture stays white, the range cannot be fixed.
  const QImage pic = chart->Picture().convertToFormat(QImage::Format_RGB32);
  int coloured = 0;
  for (int y = 0; y < pic.height(); ++y)
    for (int x = 0; x < pic.width(); ++x) coloured += pic.pixel(x, y) != qRgb(255, 255, 255);
  EXPECT_EQ(coloured, 0);
  EXPECT_FALSE(w.FixMin6MaxofGraph1->isEnabled());
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, -1);
  EXPECT_TRUE(m.dialogs.messages.empty());
}

TEST_F(Graph, NothingOpensWithoutAVideoOrTableOrDuringPlayback) {
  TPlatform& w = m.W();
  // During playback 'Graph' is ignored.
  w.Run.Playing = true;
  EXPECT_EQ(PressGraph(), nullptr);
  w.Run.Playing = false;
  // Nor during a run.
  w.Run.MeasuringRun = true;
  EXPECT_EQ(PressGraph(), nullptr);
  w.Run.MeasuringRun = false;
  EXPECT_EQ(w.Chart.ChartOpen, 0);
}

TEST_F(Graph, OpenAviClearsTheEventTimingAndTheIntegratedVideoMark) {
  TPlatform& w = m.W();
  w.Events.AsteroidTiming.EntryCount = 4;
  w.Events.AsteroidTiming.Entries[3].Texts[0] = "12";
  w.Events.AsteroidTiming.Entries[3].Flag1 = 0;
  w.Events.AsteroidTiming.Entries[3].Flag2 = 1;
  w.Events.AsteroidTiming.Entries[3].Error = "0.03";
  w.Events.Flags.TimeFieldEdited = {1, 1, 1};
  w.Events.Flags.IntegratedVideoMeasured = 1;
  w.Chart.AsteroidChartMode = 1;
  w.Chart.ChartState.SelectedFrame = 4;
  ASSERT_TRUE(m.OpenThroughButton1(path_));
  EXPECT_EQ(w.Events.AsteroidTiming.EntryCount, 0);
  EXPECT_EQ(w.Events.AsteroidTiming.Entries[3].Texts[0], "");
  EXPECT_EQ(w.Events.AsteroidTiming.Entries[3].Flag1, 1);
  EXPECT_EQ(w.Events.AsteroidTiming.Entries[3].Flag2, 0);
  EXPECT_EQ(w.Events.AsteroidTiming.Entries[3].Error, "0.03");  // kept
  EXPECT_EQ(w.Events.Flags.TimeFieldEdited, (std::array<uint8_t, 3>{0, 0, 0}));
  EXPECT_EQ(w.Events.Flags.IntegratedVideoMeasured, 0);
  EXPECT_EQ(w.Chart.AsteroidChartMode, 0);
  EXPECT_EQ(m.Find<QLineEdit>("Edit71")->palette().color(QPalette::Base), QColor(Qt::white));
  // The view state is the chart's to reset ('DataRemove', a loaded table).
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, 4);

  // 'Open AVI' cancelled in its dialog keeps the timing list: the events
  // timed over the table still shown are not to be lost to a cancel.
  w.Events.AsteroidTiming.EntryCount = 3;
  w.Events.Flags.IntegratedVideoMeasured = 1;
  m.Click("Button1");  // no answer scripted: the dialog is cancelled
  EXPECT_EQ(w.Events.AsteroidTiming.EntryCount, 3);
  EXPECT_EQ(w.Events.Flags.IntegratedVideoMeasured, 1);
}

}  // namespace

// A table loaded from a file without its video: the chart opens over it, and a
// click selects a record with no frame to show.
class GraphLoadedTable : public ::testing::TestWithParam<int> {};

TEST_P(GraphLoadedTable, OpensWithoutAVideoAndSelects) {
  const int version = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  std::vector<double> a;
  for (int r = 0; r < 30; ++r) a.push_back(r % 7 == 3 ? 400.0 : 1000.0 + r);
  w.Results.Assign(BuildResultTable(version, 1, RowsFromValues({a}, 100)));
  w.DetectCsvVersion();
  ASSERT_EQ(w.Options.CsvVersion, version);
  w.Run.CsvLoaded = true;
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(w.Chart.ChartState.TotalFrameCount, 30);
  EXPECT_TRUE(IsAqua(m.Find<QLineEdit>("Edit71")));
  ASSERT_EQ(chart->Data().Records.size(), 30u);
  EXPECT_DOUBLE_EQ(chart->Data().Records[10].Value[CurveA], 400.0);
  const ChartRecord& rec = chart->Data().Records[10];
  ReleaseAt(chart->ChartImg1, IndexToPixelX(chart->View(), 10), ValueToPixelY(chart->View(), rec.Value[CurveA]));
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, 10);
  EXPECT_EQ(w.Chart.ChartState.SelectedFrameNo, 110);
  EXPECT_EQ(w.ScrollBar1->value(), 0);
  EXPECT_EQ(chart->Edit6->text().toStdString(), "400.0");
  EXPECT_TRUE(m.dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, GraphLoadedTable, ::testing::Values(0, 1, 2, 3));

// The timing-process box "3. Light curve" turns aqua when the chart opens over
// at least one row, also under the start-up header.
TEST(GraphStartUpTable, LightCurveBoxTurnsAquaFromTheFirstRow) {
  for (int rows : {0, 1}) {
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    const auto table = BuildResultTable(3, 1, RowsFromValues({std::vector<double>(static_cast<size_t>(rows), 5.0)}));
    for (size_t i = 6; i < table.size(); ++i) w.Results.Add(table[i]);
    w.DetectCsvVersion();
    w.Run.CsvLoaded = true;
    m.Click("Button18");
    ASSERT_NE(w.chart1.Window.data(), nullptr) << rows;
    EXPECT_EQ(IsAqua(m.Find<QLineEdit>("Edit71")), rows > 0) << rows;
  }
}

// Rows added under the start-up header (no video-system line): the chart and
// the LED window start at the first row.
TEST(GraphStartUpTable, ChartAndLedWindowReadTheFirstRow) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  ASSERT_EQ(w.Results.Count(), 5);
  const auto table = BuildResultTable(3, 1, RowsFromValues({{400, 1001, 1002, 1003}}, 100));
  for (size_t i = 6; i < table.size(); ++i) w.Results.Add(table[i]);
  w.DetectCsvVersion();
  w.Run.CsvLoaded = true;
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(w.Chart.ChartState.TotalFrameCount, 4);
  ASSERT_EQ(chart->Data().Records.size(), 4u);
  EXPECT_DOUBLE_EQ(chart->Data().Records[0].FrameNo, 100.0);
  EXPECT_DOUBLE_EQ(chart->Data().Records[0].Value[CurveA], 400.0);
  EXPECT_TRUE(IsAqua(m.Find<QLineEdit>("Edit71")));
  // Four rows, the fewest the LED window works on.
  m.Click("BitBtn2");
  EXPECT_NE(w.LEDGraph.data(), nullptr);
  EXPECT_EQ(w.Chart.LEDGraphOpen, 1);
}

// 'Fix Graph's Min & Max' keeps the range of the last drawing while the
// table's values grow.
TEST(GraphFixRange, TickedItemKeepsTheRangeOfTheLastDrawing) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  std::vector<double> a(40, 1000.0);
  w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({a})));
  w.DetectCsvVersion();
  w.Run.CsvLoaded = true;
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  ASSERT_TRUE(w.FixMin6MaxofGraph1->isEnabled());
  EXPECT_DOUBLE_EQ(static_cast<double>(chart->View().ChartValueMax), 1000.0);
  w.FixMin6MaxofGraph1->trigger();
  EXPECT_TRUE(w.FixMin6MaxofGraph1->isChecked());
  std::vector<double> b(40, 3000.0);
  w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({b})));
  chart->GraphShow3();
  EXPECT_DOUBLE_EQ(static_cast<double>(chart->View().ChartValueMax), 1000.0);
  w.FixMin6MaxofGraph1->trigger();
  EXPECT_FALSE(w.FixMin6MaxofGraph1->isChecked());
  w.RedrawChart();
  EXPECT_DOUBLE_EQ(static_cast<double>(chart->View().ChartValueMax), 3000.0);
}

// What the chart reads off the measured table for the observer: the S/N of
// curve A and the values line of 'Make Report'.
TEST_F(Graph, SignalToNoiseAndReportValuesComeFromTheMeasuredRows) {
  MeasureToTheEnd();
  TPlatform& w = m.W();
  const std::vector<std::string> rows = m.Rows();
  Tchart1* chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  long double sum = 0, sq = 0;
  for (const std::string& r : rows) sum += Cell(r, 11);
  const long double mean = sum / kFrames;
  for (const std::string& r : rows) sq += (Cell(r, 11) - mean) * (Cell(r, 11) - mean);
  const long double sd = std::sqrt(sq / kFrames);
  EXPECT_EQ(chart->Edit1->text().toStdString(), "S/N= " + FormatFixed(mean / sd, 1, 5));

  Find<QPushButton>(chart, "Button17")->click();  // 'Make Report'
  const auto& lines = w.Events.ReportLightCurveData.Lines;
  std::string values = "Values";
  for (const std::string& r : rows) values += ":" + std::to_string(static_cast<long long>(RoundHalfEven(Cell(r, 11))));
  EXPECT_EQ(lines[4], values);
  EXPECT_EQ(w.Events.ReportLightCurveElement.ValueCount, kFrames);
  EXPECT_TRUE(lines[0].ends_with(": 20")) << lines[0];
}

// The chart stays open while a run goes on over the same table: a click on an
// earlier record selects it but leaves the run's frame alone, so no frame is
// measured out of turn and none twice.
TEST_F(Graph, AClickOnTheChartDuringARunLeavesTheRunsFrames) {
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button3");
  m.Click("Button4");
  for (int i = 0; i < 4; ++i) m.Click("Button16");  // '1Frame'
  ASSERT_EQ(m.RowFrames(), FrameRange(0, 4));
  Tchart1* chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  ASSERT_TRUE(chart->CheckBox2->isChecked());
  const QPoint p = PointOf(chart, 1);
  m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  ReleaseAt(chart->ChartImg1, p.x(), p.y());
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, 1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, kFrames - 1));
  EXPECT_EQ(w.Run.LastMeasuredFrame, kFrames - 1);
}

// A table loaded without its video: the time buttons step by the rate its
// video-system line names (PAL, 25 records a second), not by nothing, nor by
// the rate of a video that was open before (10 frames a second).
TEST(GraphLoadedTableTime, TimeButtonsStepByTheTablesRate) {
  for (const bool video_before : {false, true}) {
    SCOPED_TRACE(video_before ? "a 10 fps video open before" : "no video before");
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    if (video_before) {
      AviWriterOptions ten;
      ten.rate = 10;
      const auto other = m.Path("other.avi");
      ASSERT_TRUE(WriteAvi(other.string(), StarFrames(60, 40, 5, 30, 20, [](int) { return 1000.0; }), ten));
      ASSERT_TRUE(m.OpenThroughButton1(other));
    }
    const auto csv = m.Path("pal.csv");
    {
      std::ofstream out(csv, std::ios::binary);
      for (const std::string& l : BuildResultTable(3, 1, RowsFromValues({std::vector<double>(1000, 1000.0)}), "25"))
        out << l << "\r\n";
    }
    m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
    m.Click("Button20");  // the table's video is not there: a warning, the rows stay
    ASSERT_EQ(m.Rows().size(), 1000u);
    ASSERT_FALSE(w.Run.VideoLoaded);
    m.Click("Button18");
    Tchart1* chart = w.chart1.Window.data();
    ASSERT_NE(chart, nullptr);
    Find<QRadioButton>(chart, "RadioGroup1_0")->click();  // 'Part'
    ASSERT_EQ(w.Chart.ChartState.EntireWidth, 0);
    const struct {
      const char* button;
      int first;  // by hand: 25 records a second
    } steps[] = {{"Button4", 25}, {"Button6", 275}, {"Button3", 250}, {"Button5", 0}};
    for (const auto& s : steps) {
      Find<QPushButton>(chart, s.button)->click();
      EXPECT_EQ(w.Chart.ChartState.FirstShownFrame, s.first) << s.button;
    }
  }
}

// Another video opened while the chart stays open starts an empty table: the
// chart shows no curve of the old one, 'Make Report' states no values of it,
// and a click on the empty plot chooses no record.
TEST_F(Graph, ANewVideoLeavesNothingOfTheOldTableOnTheChart) {
  MeasureToTheEnd();
  TPlatform& w = m.W();
  Tchart1* chart = PressGraph();
  ASSERT_NE(chart, nullptr);
  const QPoint p = PointOf(chart, 12);
  ReleaseAt(chart->ChartImg1, p.x(), p.y());
  ASSERT_EQ(w.Chart.ChartState.SelectedFrame, 12);

  const auto other = m.Path("other.avi");
  ASSERT_TRUE(WriteAvi(other.string(), StarFrames(kWidth, kHeight, 5, 30, 30, [](int) { return 500.0; })));
  m.dialogs.yes_no_answers.push_back(true);  // the measured rows may go
  ASSERT_TRUE(m.OpenThroughButton1(other));
  ASSERT_TRUE(m.Rows().empty());
  ASSERT_EQ(w.chart1.Window.data(), chart);

  Find<QPushButton>(chart, "Button17")->click();  // 'Make Report'
  EXPECT_EQ(w.Events.ReportLightCurveElement.ValueCount, 0);
  EXPECT_EQ(w.Events.ReportLightCurveData.Lines[4], "Values");
  EXPECT_TRUE(w.Events.ReportLightCurveData.Lines[0].ends_with(": 0")) << w.Events.ReportLightCurveData.Lines[0];
  EXPECT_TRUE(chart->Picture().isNull());
  EXPECT_TRUE(chart->Edit1->text().isEmpty());
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, -1);

  ReleaseAt(chart->ChartImg1, p.x(), p.y());
  EXPECT_EQ(w.Chart.ChartState.SelectedFrame, -1);
  Find<QPushButton>(chart, "Button8")->click();  // 'Diffraction Analysis' needs a record
  EXPECT_EQ(w.Chart.DiffractionMode, 0);
  ASSERT_FALSE(m.dialogs.messages.empty());
  EXPECT_EQ(m.dialogs.messages.back().text, "Select target frame by clicking the graph area");
}
