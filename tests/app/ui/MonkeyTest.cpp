// The main window under a monkey: nonsense in every edit and clicks in any
// order, with and without a video or a measured table, never crash it nor
// the tool windows it opens.
#include <QContextMenuEvent>

#include "MainRoadFixture.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "support/ChartTestTables.h"
#include "support/WindowControls.h"
#include "support/WindowMonkey.h"

namespace {

// Items that reach the network or a capture device, and the closing item.
MonkeyOptions MainWindowMonkey(uint32_t seed) {
  MonkeyOptions o;
  o.seed = seed;
  o.steps = 600;
  o.skip = {"Exit1", "SoftwareUpdate1", "WebBrowser1", "Map1", "VideoCapture1"};
  // The edges of the videos and tables loaded below: 20 and 120 frames, 40
  // records from frame 100, 300 LED rows.
  o.texts = {"19", "20", "99", "119", "120", "139", "140", "299", "300"};
  return o;
}

enum class Loaded { Nothing, Video, Measured, Csv, CsvFields, Led, Mutual, Running, Playing };

struct Case {
  const char* name;
  Loaded loaded;
  bool follow;
  uint32_t seed;
};

// A star that dims from frame 8 to frame 12; with Measured, object A on it
// measured to the end; with Running and Playing, the run or the playback
// goes on under the steps.
// Led: a 300-frame 29.97 fps video with the LED table of its frames; Mutual:
// a mutual event's table, no video.
void Load(MainRoadWindow& m, Loaded loaded) {
  if (loaded == Loaded::Nothing) return;
  if (loaded == Loaded::Mutual) {
    m.W().Results.Assign(ParabolaEventTable(64, 1, 40, 1000));
    return;
  }
  if (loaded == Loaded::Led) {
    OpenLedVideo(m);
    return;
  }
  if (loaded == Loaded::Csv || loaded == Loaded::CsvFields) {
    // Two stars over 40 records, the first dimming in records 15..20.
    std::vector<double> a, b;
    for (int i = 0; i < 40; ++i) {
      a.push_back(i >= 15 && i <= 20 ? 300 + i : 1000 + (i % 3) * 20);
      b.push_back(500 + (i % 5) * 7);
    }
    const auto path = m.Path("table.csv");
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : BuildResultTable(3, 2, RowsFromValues({a, b}, 100, loaded == Loaded::CsvFields)))
      out << line << "\r\n";
    out.close();
    m.dialogs.open_file_names.push_back(QString::fromStdString(path.string()));
    m.Click("Button20");
    ASSERT_TRUE(m.W().Run.CsvLoaded);
    return;
  }
  const auto path = m.Path("star.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(120, 100, 20, 60.3, 49.8, [](int n) {
                         return n >= 8 && n <= 12 ? 700.0 : 2000.0 + 10.0 * n;
                       })));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  if (loaded == Loaded::Video) return;
  if (loaded == Loaded::Playing) return m.Click("SpeedButton1");
  m.ClickImage1(60, 50);
  m.Click("Button3");
  if (loaded == Loaded::Running) return;
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.Rows().size(), 20u);
}

// The videos and tables the case made, for the open dialogs to answer.
std::vector<QString> FilesMade(const MainRoadWindow& m) {
  std::vector<QString> out;
  for (const auto& entry : std::filesystem::directory_iterator(m.dir.Path()))
    if (entry.is_regular_file()) out.push_back(QString::fromStdString(entry.path().string()));
  std::sort(out.begin(), out.end());
  return out;
}

// Every write went to its file whole: no temporary file is left behind.
void ExpectNoHalfWrittenFiles(const MainRoadWindow& m) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(m.dir.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

class MainWindowMonkeyTest : public ::testing::TestWithParam<Case> {};

TEST_P(MainWindowMonkeyTest, NonsenseInputAndAnyClickOrderKeepTheWindowAlive) {
  const Case& c = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_NO_FATAL_FAILURE(Load(m, c.loaded));
  MonkeyOptions o = MainWindowMonkey(c.seed);
  o.follow_new_windows = c.follow;
  o.files = FilesMade(m);
  EXPECT_GT(RunMonkey(&m.W(), o), 100);
  ExpectNoHalfWrittenFiles(m);
}

INSTANTIATE_TEST_SUITE_P(Seeds, MainWindowMonkeyTest,
                         ::testing::Values(Case{"NoVideo", Loaded::Nothing, false, 1},
                                           Case{"NoVideoAgain", Loaded::Nothing, false, 2},
                                           Case{"Video", Loaded::Video, false, 3},
                                           Case{"Measured", Loaded::Measured, false, 4},
                                           Case{"NoVideoAcrossWindows", Loaded::Nothing, true, 5},
                                           Case{"MeasuredAcrossWindows", Loaded::Measured, true, 6},
                                           Case{"Csv", Loaded::Csv, false, 7},
                                           Case{"FieldCsvAcrossWindows", Loaded::CsvFields, true, 8},
                                           Case{"LedTable", Loaded::Led, false, 9},
                                           Case{"WhileMeasuring", Loaded::Running, false, 10},
                                           Case{"WhilePlaying", Loaded::Playing, true, 11}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- each tool window, opened the way a user opens it ----

// A visible window by its designer name.
QWidget* ShownWindow(const QString& name) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == name && w->isVisible()) return w;
  return nullptr;
}

// One click on the way to a window: in window `window`, the button or menu
// item `control`; "record" clicks record 10 of the chart's curve A,
// "check:X" / "uncheck:X" tick or untick X, "context:X" asks X for its
// context menu.
struct Click {
  const char* window;
  const char* control;
};

void Do(MainRoadWindow& m, const Click& c) {
  QWidget* w = ShownWindow(c.window);
  if (!w) ADD_FAILURE() << "no window " << c.window;
  if (!w) return;
  if (QString(c.control) == "record") {
    auto* chart = qobject_cast<Tchart1*>(w);
    const int r = 10;
    ReleaseAt(chart->ChartImg1, IndexToPixelX(chart->View(), r - m.W().Chart.ChartState.FirstShownFrame),
              ValueToPixelY(chart->View(), chart->Data().Records[r].Value[CurveA]));
  } else if (QString(c.control).startsWith("check:") || QString(c.control).startsWith("uncheck:")) {
    const QString name = QString(c.control).section(':', 1);
    if (auto* b = w->findChild<QAbstractButton*>(name)) b->setChecked(QString(c.control).startsWith("check:"));
  } else if (QString(c.control).startsWith("context:")) {
    QWidget* target = w->findChild<QWidget*>(QString(c.control).mid(8));
    if (!target) ADD_FAILURE() << "no " << c.control;
    if (!target) return;
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(target, &e);
  } else if (auto* a = w->findChild<QAction*>(c.control)) {
    a->trigger();
  } else if (auto* b = w->findChild<QAbstractButton*>(c.control)) {
    b->click();
  } else {
    ADD_FAILURE() << "no " << c.control << " in " << c.window;
  }
  QApplication::processEvents();
}

struct Road {
  const char* window;
  Loaded loaded;
  std::vector<Click> clicks;
  std::set<QString> skip;  // besides the main window's
  uint32_t seed;
  // Files made first, each the answer of one open dialog on the way.
  std::vector<std::pair<const char*, const char*>> files = {};
  // The monkey acts in the main window too, so the two meet.
  bool with_main = false;
  int steps = 300;  // fewer for windows slow to redraw
};

class ToolWindowMonkey : public ::testing::TestWithParam<Road> {};

TEST_P(ToolWindowMonkey, NonsenseInputAndAnyClickOrderKeepTheWindowAlive) {
  const Road& r = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_NO_FATAL_FAILURE(Load(m, r.loaded));
  m.W().show();
  for (const auto& [name, text] : r.files) {
    std::ofstream(m.Path(name), std::ios::binary) << text;
    m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path(name).string()));
  }
  auto open = [&]() -> QWidget* {
    for (const Click& c : r.clicks)
      if (!ShownWindow(r.window)) Do(m, c);
    return ShownWindow(r.window);
  };
  QWidget* w = open();
  ASSERT_NE(w, nullptr) << r.window << " did not open";
  MonkeyOptions o = MainWindowMonkey(r.seed);
  o.steps = r.steps;
  o.skip.insert(r.skip.begin(), r.skip.end());
  o.reopen = open;
  o.files = FilesMade(m);
  if (r.with_main) o.also.push_back(&m.W());
  EXPECT_GT(RunMonkey(w, o), 10);
  ExpectNoHalfWrittenFiles(m);
}

const Click kGraph{"Platform", "Button18"};
const Click kRecord{"chart1", "record"};
const Click kDiffraction{"chart1", "Button8"};

const Road kRoads[] = {
    {"chart1", Loaded::Measured, {kGraph}, {}, 11},
    {"FFT1", Loaded::Measured, {kGraph, {"chart1", "Button10"}}, {}, 12},
    {"AvgBkg", Loaded::Measured, {kGraph, {"chart1", "SpeedButton1"}}, {}, 13},
    {"FresnelCtrl", Loaded::Measured, {kGraph, kRecord, kDiffraction}, {}, 14},
    {"SpectrumGraph", Loaded::Measured, {kGraph, kRecord, kDiffraction, {"FresnelCtrl", "Button1"}}, {}, 15},
    {"MagnitudeCalculator", Loaded::Measured, {kGraph, kRecord, kDiffraction, {"FresnelCtrl", "Button2"}}, {}, 16},
    {"LightCurveReport", Loaded::Measured, {kGraph, {"chart1", "Button17"}}, {}, 17},
    {"LEDGraph", Loaded::Measured, {kGraph, {"chart1", "Button15"}}, {}, 18},
    {"ThreeDGraph", Loaded::Measured, {{"Platform", "Button8"}}, {}, 19, {}, false, 120},
    {"Mutual_Average", Loaded::Measured, {{"Platform", "forMutualEvent1"}}, {}, 20},
    {"Identification", Loaded::Video, {{"Platform", "Identificationforlightcurve1"}}, {}, 21},
    {"AsteroidIdentification", Loaded::Nothing, {{"Platform", "Button41"}}, {}, 22},
    {"Histogram", Loaded::Video, {{"Platform", "HistGram1"}}, {}, 23},
    {"IMGWindowSetting", Loaded::Video, {{"Platform", "ImageWindowSetting1"}}, {}, 24},
    {"ColorValueDisplay", Loaded::Video, {{"Platform", "Button15"}}, {}, 25},
    {"Profile", Loaded::Video, {{"Platform", "Button32"}}, {}, 26},
    {"DshowErrors", Loaded::Nothing, {{"Platform", "ErrorMessagesfromDSHOW1"}}, {}, 27},
    {"CMOSExposureCalc", Loaded::Nothing, {{"Platform", "ExposureTimeCalculationforCMOSCam1"}}, {}, 28},
    {"TimingError", Loaded::Nothing, {{"Platform", "Errorestimation1"}}, {}, 29},
    {"RestoreNoTimeRecorded", Loaded::Nothing, {{"Platform", "AddTimeToNoCmosTime1"}}, {}, 30},
    {"MeasurementOption", Loaded::Video, {{"Platform", "MeasuremenOption1"}}, {}, 31},
    {"PreserveSetting", Loaded::Nothing, {{"Platform", "UpdateSettingItems1"}}, {}, 32},
    {"LunarVelocityCalculator", Loaded::Nothing, {{"Platform", "LunarVelocityCalculator1"}}, {}, 33},
    {"SetPredictTrack",
     Loaded::Video,
     {{"Platform", "check:CheckBox15"},
      {"Platform", "check:RadioButton4"},
      {"Platform", "check:RadioButton5"},
      {"Platform", "context:CheckBox4"}},
     {},
     34},
    {"AvsEdit", Loaded::Nothing, {{"Platform", "AVSFileEdit1"}}, {}, 35, {{"clip.avs", "AviSource(\"a.avi\")\r\n"}}},
    {"RestoreNoTimeRecorded",
     Loaded::Video,
     {{"Platform", "AddTimeToNoCmosTime1"}, {"RestoreNoTimeRecorded", "Button1"}},
     {},
     36,
     {{"capture.txt",
       "StartCapture=2026-12-06 12:00:09.9600000\r\nEndCapture=2026-12-06 12:00:10.1600000\r\n"
       "ActualFrameRate=25.000000 fps\r\nFrameCount=5\r\n"}},
     true},
    {"chart1", Loaded::Measured, {kGraph}, {}, 37, {}, true},
    {"FresnelCtrl", Loaded::Measured, {kGraph, kRecord, kDiffraction}, {}, 38, {}, true},
    {"chart1", Loaded::Csv, {kGraph}, {}, 39, {}, true},
    {"Correction", Loaded::Csv, {kGraph, kRecord, {"chart1", "Button11"}}, {}, 40, {}, true},
    {"AvgBkg", Loaded::CsvFields, {kGraph, {"chart1", "SpeedButton1"}}, {}, 41, {}, true},
    {"FresnelCtrl", Loaded::CsvFields, {kGraph, {"chart1", "uncheck:CheckBox5"}, kRecord, kDiffraction}, {}, 42},
    {"Mutual_Average", Loaded::Csv, {{"Platform", "forMutualEvent1"}}, {}, 43, {}, true},
    {"LEDGraph", Loaded::Led, {{"Platform", "BitBtn2"}}, {}, 44, {}, true},
    {"LEDGraph", Loaded::Led, {kGraph, {"chart1", "Button15"}}, {}, 45},
    {"Mutual_Average", Loaded::Mutual, {{"Platform", "forMutualEvent1"}}, {}, 46, {}, true},
    {"chart1", Loaded::Led, {kGraph}, {}, 47, {}, true},
    {"FFT1", Loaded::Led, {kGraph, {"chart1", "Button10"}}, {}, 48},
    {"LightCurveReport", Loaded::CsvFields, {kGraph, {"chart1", "Button17"}}, {}, 49, {}, true},
    {"Histogram", Loaded::Playing, {{"Platform", "HistGram1"}}, {}, 50, {}, true},
    {"Profile", Loaded::Running, {{"Platform", "Button32"}}, {}, 51, {}, true},
    {"IMGWindowSetting", Loaded::Running, {{"Platform", "ImageWindowSetting1"}}, {}, 52, {}, true},
};

std::string RoadName(const ::testing::TestParamInfo<Road>& info) {
  static const char* const loaded[] = {"", "", "", "OverCsv", "OverFieldCsv", "OverLedTable", "OverMutualEvent",
                                       "WhileMeasuring", "WhilePlaying"};
  return std::string(info.param.window) + loaded[static_cast<int>(info.param.loaded)] +
         (info.param.with_main ? "WithMainWindow" : "");
}

INSTANTIATE_TEST_SUITE_P(Windows, ToolWindowMonkey, ::testing::ValuesIn(kRoads), RoadName);

}  // namespace
