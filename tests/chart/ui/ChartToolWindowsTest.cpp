// The noise-reduction, absorption-correction and spectrum windows, opened
// from the chart and driven through their controls.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "chart/ChartScale.h"
#include "chart/NoiseReduction.h"
#include "chart/ui/TAvgBkg.h"
#include "chart/ui/TCorrection.h"
#include "chart/ui/TFFT1.h"
#include "chart/ui/Tchart1.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

struct Fixture {
  FakeHost host;
  ChartSession session;
  ChartEventState events;
  QPointer<Tchart1> chart;
  ~Fixture() { delete chart.data(); }
  void Open() {
    host.AnalyseEvents(events);
    chart = new Tchart1(host, session, events);
  }
  // Opens the chart, then its background-average window ('SpeedButton1').
  TAvgBkg* OpenAvgBkg() {
    Open();
    Find<QPushButton>(chart, "SpeedButton1")->click();
    return chart->findChild<TAvgBkg*>("AvgBkg");
  }
  void Click(int record) {
    const auto& rec = chart->Data().Records[static_cast<size_t>(record)];
    ReleaseAt(chart->ChartImg1, IndexToPixelX(chart->View(), record - session.ChartState.FirstShownFrame),
              ValueToPixelY(chart->View(), rec.Value[CurveA]));
  }
};

// Rows whose object-1 block holds sums A, B, C, D with value A - B*C/D.
std::vector<TableRowCells> SumRows(int n) {
  std::vector<TableRowCells> rows;
  for (int r = 0; r < n; ++r) {
    TableRowCells row;
    row.No = std::to_string(300 + r) + ".0";
    row.H = "1";
    row.M = "2";
    row.S = "3";
    for (int k = 0; k < 2; ++k) {
      auto& o = row.Objects[static_cast<size_t>(k)];
      o.ApertureSum = std::to_string(6000 + (r * 37 + k * 11) % 500);
      o.BackgroundSum = std::to_string(2000 + (r * 13) % 90);
      o.AperturePixels = "21";
      o.BackgroundPixels = "64";
      o.Value = "1.0";
    }
    rows.push_back(row);
  }
  return rows;
}

long double RawValue(const TableRowCells& row, int k) {
  const auto& o = row.Objects[static_cast<size_t>(k)];
  return std::stoll(o.ApertureSum) - static_cast<long double>(std::stoll(o.BackgroundSum)) * 21 / 64;
}

}  // namespace

TEST(TAvgBkg, MovingAverageApplyThenReset) {
  Fixture f;
  f.host.object_count = 2;
  const auto rows = SumRows(40);
  f.host.table.lines = BuildResultTable(3, 2, rows);
  auto* w = f.OpenAvgBkg();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(f.session.AvgBkgShown, 1);
  EXPECT_EQ(f.session.AvgBkgWindowOpen, 1);
  // A second click opens nothing more.
  Find<QPushButton>(f.chart, "SpeedButton1")->click();
  EXPECT_EQ(f.chart->findChildren<TAvgBkg*>().size(), 1);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit10")->text(), "300");
  EXPECT_EQ(Find<QLineEdit>(w, "Edit11")->text(), "339");

  Find<QSpinBox>(w, "UpDown1")->setValue(1);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit1")->text(), "3");
  Find<QPushButton>(w, "Button1")->click();  // Apply
  EXPECT_EQ(f.host.table.replacements, 1);
  const auto& lines = f.host.table.lines;
  // Record 10: means of the four sums of records 9..11.
  long double a = 0, b = 0;
  for (int r = 9; r <= 11; ++r) {
    a += std::stoll(rows[static_cast<size_t>(r)].Objects[0].ApertureSum);
    b += std::stoll(rows[static_cast<size_t>(r)].Objects[0].BackgroundSum);
  }
  const long double expect = a / 3 - (b / 3) * 21 / 64;
  EXPECT_NEAR(ParseDouble(GetCsvField(lines[16], 11)).value(), static_cast<double>(expect), 0.05 + 1e-9);
  // Object 2 was not ticked: its column is as it was.
  EXPECT_EQ(GetCsvField(lines[16], 12), "1.0");
  // The statistics read-out follows the new values.
  long double sum = 0;
  for (int r = 0; r < 40; ++r) sum += ParseLongDouble(GetCsvField(lines[static_cast<size_t>(6 + r)], 11)).value();
  EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text().toStdString(), FormatOneDecimal(sum / 40));

  Find<QPushButton>(w, "Button3")->click();  // Reset
  for (int r = 0; r < 40; ++r)
    for (int k = 0; k < 2; ++k) {
      const long double v = RawValue(rows[static_cast<size_t>(r)], k);
      EXPECT_NEAR(ParseDouble(GetCsvField(lines[static_cast<size_t>(6 + r)], 11 + k)).value(), static_cast<double>(v),
                  0.05 + 1e-9);
    }
  EXPECT_EQ(Find<QSpinBox>(w, "UpDown1")->value(), 0);
  Find<QPushButton>(w, "Button2")->click();  // Close
  QApplication::processEvents();
  EXPECT_EQ(f.session.AvgBkgShown, 0);
  EXPECT_EQ(f.session.AvgBkgWindowOpen, 0);
}

TEST(TAvgBkg, ModesEnableTheirControlsAndBlockSizes) {
  Fixture f;
  f.host.table.lines = BuildResultTable(3, 1, SumRows(30));
  auto* w = f.OpenAvgBkg();
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(Find<QGroupBox>(w, "GroupBox4")->isEnabled());
  Find<QRadioButton>(w, "RadioGroup1_3")->click();
  EXPECT_TRUE(Find<QGroupBox>(w, "GroupBox4")->isEnabled());
  EXPECT_FALSE(Find<QGroupBox>(w, "GroupBox1")->isEnabled());
  Find<QRadioButton>(w, "RadioGroup2_1")->click();  // 4096
  EXPECT_EQ(f.session.FftLength, 4096);
  // Frequency of bin 100 at 29.97 frames per second.
  EXPECT_EQ(Find<QLineEdit>(w, "Edit16")->text().toStdString(), FormatFixed(100 * 29.97L / 4096, 1, 8));
  Find<QRadioButton>(w, "RadioGroup1_4")->click();  // wavelet: back to 1024
  EXPECT_EQ(f.session.FftLength, 1024);
  EXPECT_TRUE(Find<QGroupBox>(w, "GroupBox7")->isEnabled());
  Find<QSpinBox>(w, "UpDown4")->setValue(70);
  Find<QSpinBox>(w, "UpDown4")->setValue(35);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit23")->text(), "0.35");
}

// The chart goes (with the program) while an edit of the window holds typed
// text: the edit's leaving must not run a handler of the half-destroyed window.
TEST(TAvgBkg, DestroyedWhileAnEditHasTheFocus) {
  struct Case {
    const char* mode;
    const char* edit;
  };
  for (const Case c : {Case{"RadioGroup1_1", "Edit10"}, Case{"RadioGroup1_1", "Edit11"},
                       Case{"RadioGroup1_3", "Edit15"}}) {
    SCOPED_TRACE(c.edit);
    Fixture f;
    f.host.table.lines = BuildResultTable(3, 1, SumRows(30));
    auto* w = f.OpenAvgBkg();
    ASSERT_NE(w, nullptr);
    Find<QRadioButton>(w, c.mode)->click();
    ASSERT_TRUE(LeaveTypingIn(w, Find<QLineEdit>(w, c.edit), "7"));
    delete f.chart.data();
    EXPECT_EQ(f.chart, nullptr);
  }
}

TEST(TAvgBkg, ConversionErrorShowsAMessageAndKeepsTheTable) {
  Fixture f;
  auto rows = SumRows(20);
  rows[5].Objects[0].ApertureSum = "12.5";
  f.host.table.lines = BuildResultTable(3, 1, rows);
  const auto before = f.host.table.lines;
  auto* w = f.OpenAvgBkg();
  ASSERT_NE(w, nullptr);
  Find<QRadioButton>(w, "RadioGroup1_1")->click();  // reads A as an integer
  Find<QPushButton>(w, "Button1")->click();
  ASSERT_EQ(f.host.Errors().size(), 1u);
  EXPECT_EQ(f.host.Errors()[0], "'12.5' is not a valid integer value");
  EXPECT_EQ(f.host.table.lines, before);
}

// A two-object table of target and comparison values (one decimal), the
// chart opened on it with record 0 clicked, then the correction window.
static TCorrection* OpenCorrectionAtRecord0(Fixture& f, const std::vector<double>& target, const std::vector<double>& comp) {
  f.host.object_count = 2;
  std::vector<TableRowCells> rows;
  for (size_t r = 0; r < target.size(); ++r) {
    TableRowCells row;
    row.No = std::to_string(r) + ".0";
    row.Objects[0].Value = FormatFixed(target[r], 1, 8);
    row.Objects[1].Value = FormatFixed(comp[r], 1, 8);
    rows.push_back(row);
  }
  f.host.table.lines = BuildResultTable(3, 2, rows);
  f.Open();
  f.Click(0);
  EXPECT_EQ(f.session.ChartState.SelectedFrame, 0);
  Find<QPushButton>(f.chart, "Button11")->click();
  return f.chart->findChild<TCorrection*>("Correction");
}

TEST(TCorrection, CorrectionAndRestore) {
  Fixture f;
  const double target[6] = {1000, 980, 700, 650, 900, 1000};
  const double comp[6] = {500, 490, 350, 325, 450, 500};
  auto* w = OpenCorrectionAtRecord0(f, {target, target + 6}, {comp, comp + 6});
  const auto original = f.host.table.lines;
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(f.session.CorrectionOpen, 1);
  EXPECT_EQ(Find<QPlainTextEdit>(w, "Memo1")->toPlainText().split('\n').size(), 12);
  Find<QSpinBox>(w, "UpDown1")->setValue(2);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit3")->text(), "5");
  Find<QSpinBox>(w, "UpDown1")->setValue(1);
  Find<QPushButton>(w, "Button1")->click();
  // Smoothed comparison (w = 1) and the corrected targets, computed here.
  double sm[6];
  for (int k = 0; k < 6; ++k) {
    double s = 0;
    int n = 0;
    for (int j = k - 1; j <= k + 1; ++j)
      if (j >= 0 && j < 6) s += comp[j], ++n;
    sm[k] = s / n;
  }
  const auto& lines = f.host.table.lines;
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(GetCsvField(lines[static_cast<size_t>(6 + k)], 11), FormatFixed(target[k] * sm[0] / sm[k], 1, 6)) << k;
    EXPECT_EQ(GetCsvField(lines[static_cast<size_t>(6 + k)], 12), FormatFixed(sm[0], 1, 6)) << k;
  }
  EXPECT_EQ(Find<QLineEdit>(w, "Edit5")->text().toStdString(), FormatFixed(sm[0], 5, 8));
  EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text(), "1");
  EXPECT_EQ(Find<QPlainTextEdit>(w, "Memo2")->toPlainText().split('\n').size(), 6);
  Find<QPushButton>(w, "Button2")->click();  // Restore to raw data
  EXPECT_EQ(f.host.table.lines, original);
  w->close();
  QApplication::processEvents();
  EXPECT_EQ(f.session.CorrectionOpen, 0);
}

TEST(TCorrection, ZeroComparisonAtTheSelectedFrameIsReported) {
  Fixture f;
  auto* w = OpenCorrectionAtRecord0(f, {900, 900, 900, 900}, {0, 0, 450, 450});
  const auto original = f.host.table.lines;
  ASSERT_NE(w, nullptr);
  Find<QPushButton>(w, "Button1")->click();
  ASSERT_EQ(f.host.Errors().size(), 1u);
  EXPECT_NE(f.host.Errors()[0].find("above 0"), std::string::npos) << f.host.Errors()[0];
  EXPECT_EQ(f.host.table.lines, original);
  w->close();
}

// After a correction the observer clicks the chart again: the red dot itself
// (which takes the selection away) or another frame. "Restore to raw data"
// still puts back the values of the opening.
TEST(TCorrection, RestoreWhateverTheChartSelects) {
  struct Case {
    const char* name;
    int click;      // record clicked after the correction
    int selection;  // the chart's selection then
  };
  const Case cases[] = {{"RedDotClickedAgain", 0, -1}, {"AnotherFrame", 3, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    auto* w = OpenCorrectionAtRecord0(f, {1000, 990, 980, 970, 960}, {800, 792, 784, 776, 768});
    ASSERT_NE(w, nullptr);
    const auto original = f.host.table.lines;
    Find<QSpinBox>(w, "UpDown1")->setValue(1);
    Find<QPushButton>(w, "Button1")->click();
    // Smoothed comparison 796 at record 0 and 784 at record 2: 980 x 796 / 784.
    EXPECT_EQ(GetCsvField(f.host.table.lines[8], 11), "995.0");
    f.Click(c.click);
    ASSERT_EQ(f.session.ChartState.SelectedFrame, c.selection);
    Find<QPushButton>(w, "Button2")->click();
    EXPECT_EQ(f.host.table.lines, original);
    EXPECT_TRUE(f.host.Errors().empty());
    w->close();
  }
}

TEST(TFFT1, AnalyzeListsTheSpectrumAndSavesIt) {
  Fixture f;
  f.host.timing_frame_rate = 25;
  std::vector<double> v(1100);
  for (size_t i = 0; i < v.size(); ++i) v[i] = 500 + 20 * std::cos(2 * M_PI * 32 * static_cast<double>(i) / 1024);
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({v}));
  f.Open();
  Find<QPushButton>(f.chart, "Button10")->click();
  auto* w = f.chart->findChild<TFFT1*>("FFT1");
  ASSERT_NE(w, nullptr);
  Find<QPushButton>(w, "Button1")->click();
  const QStringList lines = Find<QPlainTextEdit>(w, "Memo1")->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 512);
  EXPECT_EQ(lines[0].toStdString(), "0.000000,500.000000");
  EXPECT_TRUE(lines[32].startsWith("0.781250,"));
  EXPECT_NEAR(lines[32].split(',')[1].toDouble(), 20.0, 0.05);

  const auto dir = std::filesystem::temp_directory_path() / ("tessary_fft_ui_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "spectrum.csv").string();
  f.host.dialogs.save_file_names.push_back(QString::fromStdString(path));
  w->findChild<QAction*>("copytoclipboard1")->trigger();
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  EXPECT_EQ(text.substr(0, 21), "0.000000,500.000000\r\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 512);
  std::filesystem::remove_all(dir);
}

TEST(TFFT1, ShortTableShowsNothing) {
  Fixture f;
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({std::vector<double>(100, 5.0)}));
  f.Open();
  Find<QPushButton>(f.chart, "Button10")->click();
  auto* w = f.chart->findChild<TFFT1*>("FFT1");
  ASSERT_NE(w, nullptr);
  Find<QPushButton>(w, "Button1")->click();
  EXPECT_TRUE(Find<QPlainTextEdit>(w, "Memo1")->toPlainText().isEmpty());
  EXPECT_TRUE(f.host.Errors().empty());
}
