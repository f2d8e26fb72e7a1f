// The LED time-correction window driven through its controls over the
// synthetic 29.97 fps table (tests/support/LedTestTable.h); the expected
// figures are those of tests/timing/led_reference.py.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>
#include <gtest/gtest.h>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "support/ChartTestTables.h"
#include "support/LedTestTable.h"
#include "support/WindowMonkey.h"
#include "timing/ui/FindControl.h"
#include "timing/ui/TLEDGraph.h"
#include "timing/ui/TimingMemo.h"

namespace {

struct FakeMain {
  std::vector<std::string> lines = BuildLedTestTable();
  int last_measured = 299;
  int last_frame = 299;
  int selected_record = 40;
  std::vector<int> grabbed;  // the video frames the panel asked for
  long double rate = 29.97L;
  std::vector<std::string> points;
  int applied = 0, ready = 0;
  uint8_t open = 0;
  LedCorrectionState state;
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  QWidget owner;

  TLEDGraph* Open() {
    LedGraphHost h;
    h.Lines = [this]() -> const std::vector<std::string>& { return lines; };
    h.ReplaceLines = [this](std::vector<std::string> l) { lines = std::move(l); };
    h.CsvVersion = [] { return 3; };
    h.StartFrame = [] { return 0; };
    h.LastMeasuredFrame = [this] { return last_measured; };
    h.LastFrame = [this] { return last_frame; };
    h.TimingFrameRate = [this] { return rate; };
    h.SelectedFrame = [this] { return selected_record; };
    h.CurrentLine = [] { return 160; };
    h.GrabFrame = [this](int n, Bitmap24& b) {
      grabbed.push_back(n);
      // A 5 x 5 LED box at (10, 10): grey 100 + n % 3 in the frame.
      b.Resize(32, 32);
      for (int y = 8; y <= 12; ++y)
        for (int x = 8; x <= 12; ++x) {
          const uint8_t g = static_cast<uint8_t>(100 + n % 3 + (x + y) % 2 * 4);
          b.Set(x, y, {g, g, g});
        }
      return std::string();
    };
    h.Signal1Box = [] { return LedBox{10, 10, 2, 2}; };
    h.StoredPoints = [this] { return points; };
    h.StorePoints = [this](const std::vector<std::string>& p) { points = p; };
    h.SharpCapTimeAvailable = [this] { return applied > 0; };
    h.CorrectedTimesReady = [this] { ++ready; };
    h.Applied = [this] { ++applied; };
    return OpenLedGraph(std::move(h), state, open, &owner);
  }
};

void PressAt(QWidget* w, QPoint p) {
  QMouseEvent e(QEvent::MouseButtonPress, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton, Qt::LeftButton,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

std::string Fields4To7(const std::string& line) {
  return GetCsvField(line, 4) + "," + GetCsvField(line, 5) + "," + GetCsvField(line, 6) + "," + GetCsvField(line, 7);
}

// Steps 1 to 6 as the observer takes them: verify, LED graph, click the
// pulse's first lit frame, spread the blue dots over the whole range.
void PickAndSpread(TLEDGraph& w) {
  Find<QPushButton>(w, "Button4")->click();
  Find<TRadioGroup>(w, "RadioGroup1")->SetItemIndex(1);
  PressAt(Find<QLabel>(w, "LEDImage1"), w.SignalDot(kLedPulseFrame) + QPoint(1, 1));
  Find<TUpDown>(w, "UpDown1")->setValue(-5);
  Find<TUpDown>(w, "UpDown2")->setValue(4);
}

// The cycle's read-outs beside the graph are shown whole at the opening size.
TEST(LedGraphWindow, CycleReadoutsFitTheirEdits) {
  for (long double rate : {29.97L, 25.0L, 59.94L}) {
    FakeMain m;
    m.rate = rate;
    TLEDGraph* w = m.Open();
    ASSERT_NE(w, nullptr);
    w->show();
    QCoreApplication::processEvents();
    for (const char* name : {"Edit22", "Edit23", "Edit24"}) {
      QLineEdit* e = Find<QLineEdit>(*w, name);
      SCOPED_TRACE(std::string(name) + " '" + e->text().toStdString() + "'");
      EXPECT_GE(e->width(), e->fontMetrics().horizontalAdvance(e->text()) + 10);
    }
    w->close();
  }
}

TEST(LedGraphWindow, CreationShowsTheRateAndLeavesLaterStepsDisabled) {
  FakeMain m;
  m.points = {"0001 00050 21:30:07.0000000"};
  TLEDGraph* w = m.Open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(m.open, 1);
  EXPECT_EQ(m.Open(), nullptr);  // open already
  EXPECT_EQ(w->windowTitle(), "Time correction using 1PPS LED");
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(Find<QLabel>(*w, "Label10")->text(),
            "5. Click above graph at a Magenta dot near after the starting point of increase.");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit23")->text(), "30");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit22")->text(), "0.001001");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit24")->text(), " 33.37x30=1001.0");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit25")->text(), "2.5");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit26")->text(), "8");
  EXPECT_EQ(Find<QListWidget>(*w, "ListBox1")->count(), 1);
  for (const char* name : {"Button5", "Button6", "Button11"}) EXPECT_FALSE(Find<QPushButton>(*w, name)->isEnabled());
  for (const char* name : {"GroupBox5", "GroupBox1"}) EXPECT_FALSE(Find<QGroupBox>(*w, name)->isEnabled());
  for (const char* name : {"GroupBox4", "GroupBox2", "Panel2", "Memo1", "Memo3", "Edit2", "Edit19", "Edit28",
                           "Button9", "Button10", "Button1", "Button2", "Button3", "UpDown5", "UpDown6", "UpDown7",
                           "UpDown8", "UpDown9", "UpDown10", "UpDown11", "Edit20", "Edit21", "Edit18", "Edit27",
                           "ProgressBar1", "Button7", "Button8", "ScrollBar1", "Histogram"})
    EXPECT_NE(w->findChild<QWidget*>(name), nullptr) << name;
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.open, 0);
}

TEST(LedGraphWindow, WholeFrameRatesCannotBeAnalysed) {
  FakeMain m;
  m.rate = 25;
  TLEDGraph* w = m.Open();
  EXPECT_EQ(Find<QLabel>(*w, "Label10")->text(), "Time correction feature cannot analyze this framerate .");
  Find<QPushButton>(*w, "Button4")->click();
  Find<TRadioGroup>(*w, "RadioGroup1")->SetItemIndex(1);
  PressAt(w->LEDImage1, {100, 100});
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text, "This frameRate(=25.0000) cannot be analyzed");
}

// The timing rate typed anew while the window is open (30 corrected to
// 29.97, say): the read-outs and the step-5 instruction follow it, and a
// pulse picked at another cycle length is forgotten, as its cycle lines are
// not the new rate's and step 7 would fit them with the new rate's drift.
TEST(LedGraphWindow, RateTypedAnewWhileOpen) {
  FakeMain m;
  m.rate = 30;
  TLEDGraph* w = m.Open();
  ASSERT_EQ(Find<QLineEdit>(*w, "Edit22")->text(), "0.000000");
  m.rate = 29.97L;
  w->RateChanged();
  EXPECT_EQ(Find<QLabel>(*w, "Label10")->text(),
            "5. Click above graph at a Magenta dot near after the starting point of increase.");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit23")->text(), "30");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit22")->text(), "0.001001");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit24")->text(), " 33.37x30=1001.0");
  PickAndSpread(*w);
  ASSERT_TRUE(Find<QPushButton>(*w, "Button5")->isEnabled());
  // A cycle of the same length keeps the pick.
  m.rate = 29.98L;
  w->RateChanged();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit22")->text(), "0.000667");
  EXPECT_TRUE(Find<QPushButton>(*w, "Button5")->isEnabled());
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit20")->text(), QString::number(kLedPulseFrame));
  m.rate = 59.94L;
  w->RateChanged();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit23")->text(), "60");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit24")->text(), " 16.68x60=1001.0");
  for (const char* name : {"UpDown1", "UpDown2", "Button5"})
    EXPECT_FALSE(Find<QWidget>(*w, name)->isEnabled()) << name;
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit20")->text(), "");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit16")->text(), "0");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit17")->text(), "0");
  for (const TLedFrameSample& x : w->Samples()) EXPECT_FALSE(x.PpsRising || x.InFit || x.CycleMember);
  w->close();
}

TEST(LedGraphWindow, StepOneTabulatesTheFittedPcTime) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  Find<QPushButton>(*w, "Button4")->click();
  EXPECT_EQ(m.state.LedDataLineCount, 299);
  const std::vector<std::string> table = MemoLines(Find<QPlainTextEdit>(*w, "Memo2"));
  ASSERT_EQ(table.size(), 300u);
  EXPECT_EQ(table[0], "   0 21 30 05.9799226 ");
  EXPECT_EQ(table[299], " 299 21 30 15.9566487 ");
  EXPECT_TRUE(Find<QPushButton>(*w, "Button11")->isEnabled());
  EXPECT_TRUE(m.dialogs.messages.empty());
  // A click on the recorded-time graph picks nothing.
  PressAt(w->LEDImage1, w->SignalDot(kLedPulseFrame));
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit20")->text(), "");
}

TEST(LedGraphWindow, StepOneReadsTheFirstRowWithoutTheVideoSystemLine) {
  FakeMain m;
  m.lines = WithoutVideoSystemLine(m.lines);
  TLEDGraph* w = m.Open();
  w->Button4->click();
  EXPECT_EQ(m.state.LedDataLineCount, 299);
  const std::vector<std::string> rows = MemoLines(w->Memo2);
  EXPECT_EQ(rows.size(), 300u);
  EXPECT_EQ(rows.front(), "   0 21 30 05.9799226 ");
  EXPECT_EQ(rows.back(), " 299 21 30 15.9566487 ");
}

TEST(LedGraphWindow, ClickFitApplyWritesTheCorrectedTimes) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit20")->text(), "160");
  EXPECT_TRUE(m.dialogs.messages.empty());  // the pulse rises, as at 29.97 fps it must
  EXPECT_EQ(w->UpDown1->minimum(), -5);
  EXPECT_EQ(w->UpDown2->maximum(), 4);
  int in_fit = 0;
  for (const TLedFrameSample& s : w->Samples()) in_fit += s.InFit;
  EXPECT_EQ(in_fit, 9);
  ASSERT_TRUE(Find<QPushButton>(*w, "Button5")->isEnabled());
  // The chosen line's signal dot is red, the cycle lines of the fit blue.
  EXPECT_EQ(w->Picture.pixel(w->SignalDot(kLedPulseFrame)) & 0xFFFFFFu, 0xFF0000u);
  EXPECT_EQ(w->Picture.pixel(w->SignalDot(kLedPulseFrame - 30)) & 0xFFFFFFu, 0x0000FFu);

  Find<QPushButton>(*w, "Button5")->click();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit21")->text(), "10");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit18")->text(), "-0.3125975");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit19")->text(), "-312.5975424msec");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit27")->text(), "0.000000000");
  EXPECT_EQ(m.ready, 1);
  const std::vector<std::string> table = MemoLines(Find<QPlainTextEdit>(*w, "Memo2"));
  ASSERT_EQ(table.size(), 303u);
  EXPECT_EQ(table[2], "No. ,HH,MM,SS.SSSSSSS,HH,MM,SS.SSSS,HH,MM,SS.SSSS,");
  EXPECT_EQ(table[3 + 160], " 160,21,30,11.3186389,21,30,10.9894,21,30,11.0060,");
  ASSERT_TRUE(Find<QPushButton>(*w, "Button6")->isEnabled());

  Find<QPushButton>(*w, "Button7")->click();
  Find<QPushButton>(*w, "Button7")->click();  // the same calibration again: one point
  ASSERT_EQ(m.points.size(), 1u);
  EXPECT_EQ(m.points[0], "0001 00010 21:30:06.0009948");

  const std::vector<std::string> before = m.lines;
  Find<QPushButton>(*w, "Button6")->click();
  EXPECT_EQ(m.applied, 1);
  ASSERT_EQ(m.lines.size(), before.size());
  EXPECT_EQ(Fields4To7(m.lines[6 + 0]), "21,30,05.6506,05.6673");
  EXPECT_EQ(Fields4To7(m.lines[6 + 10]), "21,30,05.9843,06.0010");
  EXPECT_EQ(Fields4To7(m.lines[6 + 160]), "21,30,10.9894,11.0060");
  EXPECT_EQ(Fields4To7(m.lines[6 + 299]), "21,30,15.6274,15.6441");
  Find<QPushButton>(*w, "Button10")->click();
  EXPECT_EQ(MemoLines(w->Memo3).back(), "SharpCapTimeAvailable=True");
}

// Two cycle lines give a line without scatter: no error figure, and not the
// previous fit's beside the new results.
TEST(LedGraphWindow, FitOfTwoCycleLinesShowsNoEstimatedError) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  Find<QPushButton>(*w, "Button5")->click();
  ASSERT_EQ(Find<QLineEdit>(*w, "Edit27")->text(), "0.000000000");
  Find<TUpDown>(*w, "UpDown2")->setValue(0);
  Find<TUpDown>(*w, "UpDown1")->setValue(-1);
  Find<QPushButton>(*w, "Button5")->click();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit27")->text(), "");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit21")->text(), "10");
}

TEST(LedGraphWindow, ApplyWithoutMeasuredFrameLeavesTheTable) {
  FakeMain m;
  m.last_measured = -1;
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  Find<QPushButton>(*w, "Button5")->click();
  const std::vector<std::string> before = m.lines;
  Find<QPushButton>(*w, "Button6")->click();
  EXPECT_EQ(m.lines, before);
  EXPECT_EQ(m.applied, 0);
  ASSERT_FALSE(m.dialogs.messages.empty());
  EXPECT_EQ(m.dialogs.messages.back().text, "No frame has been measured: the results table is left as it is.");
}

TEST(LedGraphWindow, PointsWithoutLedCorrectionAndMultiplePointApply) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  Find<QPushButton>(*w, "Button4")->click();
  Find<QPushButton>(*w, "Button11")->click();
  ASSERT_EQ(m.points.size(), 2u);
  EXPECT_EQ(m.points[0], "0001 00000 21:30:05.9799226");
  EXPECT_EQ(m.points[1], "0002 00299 21:30:15.9566487");
  ASSERT_TRUE(Find<QPushButton>(*w, "Button6")->isEnabled());
  // Two points: every frame's end lies on the line through them.
  Find<QPushButton>(*w, "Button6")->click();
  EXPECT_EQ(GetCsvField(m.lines[6 + 299], 7), "15.9566");
  EXPECT_EQ(GetCsvField(m.lines[6 + 0], 7), "05.9799");
  EXPECT_EQ(MemoLines(w->Memo3).front(), "PPSNum=2");

  w->ListBox1->setCurrentRow(0);
  Find<QPushButton>(*w, "Button8")->click();
  ASSERT_EQ(m.points.size(), 1u);
  EXPECT_EQ(m.points[0], "0001 00299 21:30:15.9566487");
}

// Every 2nd frame measured: the rows are timed by their own frames (the
// PC-time line of frames 0, 2, ... 298 from led_reference.py's formulas:
// 77405.979717545 s + 0.033368052269 s per frame), and the LED cycle fit,
// which counts cycles in rows, is refused.
TEST(LedGraphWindow, SteppedRowsAreTimedByTheirOwnFrames) {
  FakeMain m;
  m.lines = BuildLedTestTable(2, false);
  TLEDGraph* w = m.Open();
  Find<QPushButton>(*w, "Button4")->click();
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_TRUE(m.dialogs.messages[0].text.contains("own frame number"));
  Find<QPushButton>(*w, "Button11")->click();
  ASSERT_EQ(m.points.size(), 2u);
  EXPECT_EQ(m.points[0], "0001 00000 21:30:05.9797175");
  EXPECT_EQ(m.points[1], "0002 00298 21:30:15.9233971");

  w->Button5->setEnabled(true);
  Find<QPushButton>(*w, "Button5")->click();
  ASSERT_EQ(m.dialogs.messages.size(), 2u);
  EXPECT_TRUE(m.dialogs.messages[1].text.contains("not one per frame"));
  EXPECT_EQ(m.ready, 0);

  Find<QPushButton>(*w, "Button6")->click();
  EXPECT_EQ(m.applied, 1);
  EXPECT_EQ(GetCsvField(m.lines[6 + 0], 7), "05.9797");
  EXPECT_EQ(GetCsvField(m.lines[6 + 80], 7), "11.3186");  // frame 160
  EXPECT_EQ(GetCsvField(m.lines[6 + 149], 7), "15.9234");
  // The main window shows frame 298 with the time written into its row.
  const TLedFrameTime& r = m.state.LedFrameTimes[298];
  EXPECT_NEAR(static_cast<double>(r.EndSeconds), 15.9233971, 1e-6);
}

TEST(LedGraphWindow, ClicksOutsideTheDataAreRefused) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  Find<QPushButton>(*w, "Button4")->click();
  Find<TRadioGroup>(*w, "RadioGroup1")->SetItemIndex(1);
  // Horizontal scale 4: the graph shows lines 0..168; the scroll bar reaches the rest.
  Find<TUpDown>(*w, "UpDown15")->setValue(4);
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit29")->text(), "4");
  EXPECT_EQ(w->ScrollBar1->maximum(), 299 - 673 / 4);
  w->ScrollBar1->setValue(w->ScrollBar1->maximum());
  PressAt(w->LEDImage1, {742, 100});  // right of the last line
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit20")->text(), "");
  // Near the first line with nothing lit: the range is held at line 0.
  w->ScrollBar1->setValue(0);
  // At line 0: the nearest lit frame is 10, the first lit by a pulse.
  PressAt(w->LEDImage1, {50, w->SignalDot(0).y()});
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit20")->text(), "10");
  EXPECT_EQ(w->UpDown1->minimum(), 0);
}

TEST(LedGraphWindow, RowsBeyondTheVideoAreToldAndLeftAlone) {
  FakeMain m;
  m.last_frame = 199;
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text,
            "100 rows lie beyond the last frame of the video and take no part in the time correction.");
  Find<QPushButton>(*w, "Button5")->click();
  const std::vector<std::string> before = m.lines;
  Find<QPushButton>(*w, "Button6")->click();
  // The fit has only rows 0..199 now; frame 160 still ends 6 ms after 21:30:11.
  EXPECT_NEAR(ParseDoubleOr(GetCsvField(m.lines[6 + 160], 7), 0), 11.006, 2e-4);
  EXPECT_EQ(m.lines[6 + 250], before[6 + 250]);
}

TEST(LedGraphWindow, HistogramPanelControls) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  Find<QPushButton>(*w, "Button4")->click();
  Find<QPushButton>(*w, "Button1")->click();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit1")->text(), "40");
  // Frame 40 + 9 cycles = 310 is past the video: the last drawn is 280 (grey 101/105).
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit7")->text(), "102.9200");
  Find<TUpDown>(*w, "UpDown8")->setValue(500);
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit11")->text(), "0.500");
  EXPECT_EQ(w->UpDown11->Position(), 50);
  Find<TUpDown>(*w, "UpDown11")->setValue(30);
  EXPECT_EQ(w->UpDown8->Position(), 300);
  Find<TUpDown>(*w, "UpDown9")->setValue(350);
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit13")->text(), "3.50");
  EXPECT_EQ(w->UpDown10->Position(), 35);
  Find<TUpDown>(*w, "UpDown10")->setValue(12);
  EXPECT_EQ(w->UpDown9->Position(), 120);
  Find<TUpDown>(*w, "UpDown6")->setValue(11);
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit6")->text(), "11");
  Find<QPushButton>(*w, "Button2")->click();
  const std::vector<std::string> memo = MemoLines(w->Memo1);
  EXPECT_NE(std::find(memo.begin(), memo.end(), "LCurrentFrameNum160"), memo.end());
}

// The panel looks at the video frame the selected record was measured from,
// not at the frame numbered like the record: record 40 of a table stepped by 2
// is frame 80, of a table with a row per field frame 20.
TEST(LedGraphWindow, HistogramPanelGrabsTheSelectedRecordsFrame) {
  struct Case {
    int step;
    bool field_rows;
    int record, frame;
  };
  for (const Case& c : {Case{1, false, 40, 40}, Case{2, false, 40, 80}, Case{1, true, 40, 20},
                        Case{2, false, 149, 298}}) {
    SCOPED_TRACE(testing::Message() << "step " << c.step << " fields " << c.field_rows << " record " << c.record);
    FakeMain m;
    m.lines = BuildLedTestTable(c.step, c.field_rows);
    ASSERT_EQ(RowFrameNumber(m.lines[static_cast<size_t>(6 + c.record)]), c.frame);
    m.selected_record = c.record;
    TLEDGraph* w = m.Open();
    Find<QPushButton>(*w, "Button4")->click();
    m.grabbed.clear();
    Find<QPushButton>(*w, "Button1")->click();
    EXPECT_EQ(Find<QLineEdit>(*w, "Edit1")->text().toStdString(), std::to_string(c.frame));
    // The noise figure's frame, then whole cycles of 30 frames inside 1..298.
    std::vector<int> expected{c.frame};
    for (int k = -5; k <= 9; ++k)
      if (c.frame + 30 * k > 0 && c.frame + 30 * k < m.last_frame) expected.push_back(c.frame + 30 * k);
    EXPECT_EQ(m.grabbed, expected);
    w->close();
  }
}

// A table without recorded PC times (or with a single row) has nothing to fit:
// the steps that would write times say so instead of writing zeros, or the
// times of the table verified before, over the results table.
TEST(LedGraphWindow, NoRecordedPcTimeWritesNoTimes) {
  const std::string no_pc_time =
      "The results table holds no recorded PC time (fields 8 to 10) on two rows or more: the time correction "
      "cannot be made.";
  const struct {
    const char* name;
    bool verify_full_table_first;
    size_t rows;
    bool blank_pc_time;
  } cases[] = {{"PC time fields empty", false, kLedTableRows, true},
               {"one row after a full table", true, 1, false},
               {"no row after a full table", true, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMain m;
    TLEDGraph* w = m.Open();
    if (c.verify_full_table_first) Find<QPushButton>(*w, "Button4")->click();
    m.lines.resize(6 + c.rows);
    if (c.blank_pc_time)
      for (size_t i = 6; i < m.lines.size(); ++i)
        for (int f = 8; f <= 10; ++f) SetCsvField(m.lines[i], f, "");
    const std::vector<std::string> before = m.lines;
    m.dialogs.messages.clear();
    Find<QPushButton>(*w, "Button4")->click();
    ASSERT_FALSE(m.dialogs.messages.empty());
    EXPECT_EQ(m.dialogs.messages.back().text.toStdString(), no_pc_time);
    Find<QPushButton>(*w, "Button11")->click();
    EXPECT_TRUE(m.points.empty());
    EXPECT_EQ(m.dialogs.messages.back().text.toStdString(), no_pc_time);
    w->Button6->setEnabled(true);
    w->GroupBox5->setEnabled(true);
    Find<QPushButton>(*w, "Button6")->click();
    EXPECT_EQ(m.lines, before);
    EXPECT_EQ(m.applied, 0);
  }
  // The LED fit itself is refused too: its offset would tie nothing to UTC.
  FakeMain m;
  for (size_t i = 6; i < m.lines.size(); ++i)
    for (int f = 8; f <= 10; ++f) SetCsvField(m.lines[i], f, "");
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  ASSERT_TRUE(Find<QPushButton>(*w, "Button5")->isEnabled());
  Find<QPushButton>(*w, "Button5")->click();
  EXPECT_EQ(m.dialogs.messages.back().text.toStdString(), no_pc_time);
  EXPECT_FALSE(Find<QPushButton>(*w, "Button6")->isEnabled());
  EXPECT_EQ(m.ready, 0);
}

// An LED that never changes gives a flat cycle fit: the window says that no
// offset was found rather than presenting the previous one as a result.
TEST(LedGraphWindow, FlatLedSignalIsTold) {
  FakeMain m;
  for (size_t i = 6; i < m.lines.size(); ++i) SetCsvField(m.lines[i], 2, "20");
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  m.dialogs.messages.clear();
  ASSERT_TRUE(Find<QPushButton>(*w, "Button5")->isEnabled());
  Find<QPushButton>(*w, "Button5")->click();
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text.toStdString(),
            "The LED signal does not change over the chosen cycles: no offset is found, and the times keep the "
            "previous offset (0.0000000 seconds).");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit21")->text(), "");
}

// "Apply to Analysis" says why it writes nothing, and leaves the table as it is.
// No fitted line, crossing or step-8 result is shown.
void ExpectNoFitShown(TLEDGraph& w) {
  int fitted = 0;
  for (const TLedFrameSample& s : w.Samples()) fitted += s.FittedSignal > -200.0L || s.ZeroCrossing;
  EXPECT_EQ(fitted, 0);
  for (const char* name : {"Edit18", "Edit21", "Edit27", "Edit28"})
    EXPECT_EQ(Find<QLineEdit>(w, name)->text(), "") << name;
  EXPECT_EQ(Find<QLineEdit>(w, "Edit19")->text(), "Offset");
}

void ExpectApplyRefused(FakeMain& m, TLEDGraph& w, const std::string& told) {
  const std::vector<std::string> before = m.lines;
  m.dialogs.messages.clear();
  Find<QPushButton>(w, "Button6")->click();
  EXPECT_EQ(m.lines, before);
  EXPECT_EQ(m.applied, 0);
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text.toStdString(), told);
}

// Step 1 again after step 7 clears the corrected times: applying them then
// would write zero times over every row.
TEST(LedGraphWindow, ApplyAfterANewVerificationNeedsANewCalibration) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  Find<QPushButton>(*w, "Button5")->click();
  Find<QPushButton>(*w, "Button4")->click();
  ASSERT_TRUE(Find<QPushButton>(*w, "Button6")->isEnabled());
  ExpectApplyRefused(m, *w,
                     "No calibration has been made since step 1: run step 7, or memorise two points or more, before "
                     "applying.");
  // A new pick and fit make the times good to apply again.
  PickAndSpread(*w);
  Find<QPushButton>(*w, "Button5")->click();
  Find<QPushButton>(*w, "Button6")->click();
  EXPECT_EQ(m.applied, 1);
  EXPECT_EQ(Fields4To7(m.lines[6 + 160]), "21,30,10.9894,11.0060");
}

// "Add" before any step 7 has no calibration point to memorise: it must not
// put frame 0 at 00:00:00 into the list.
TEST(LedGraphWindow, AddBeforeAnyFitMemorisesNothing) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  Find<QPushButton>(*w, "Button4")->click();
  Find<QPushButton>(*w, "Button11")->click();
  w->ListBox1->setCurrentRow(0);
  Find<QPushButton>(*w, "Button8")->click();
  ASSERT_EQ(m.points.size(), 1u);
  m.dialogs.messages.clear();
  Find<QPushButton>(*w, "Button7")->click();
  EXPECT_EQ(m.points, std::vector<std::string>{"0001 00299 21:30:15.9566487"});
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text.toStdString(), "No calibration point has been found yet: run step 7 first.");
}

}  // namespace

namespace {

// Nonsense in every edit and clicks in any order over the LED table never
// crash the window.
TEST(LedGraphWindow, MonkeyNeverCrashesIt) {
  FakeMain m;
  MonkeyOptions o;
  o.seed = 45;
  o.steps = 300;
  o.reopen = [&]() -> QWidget* { return m.Open(); };
  EXPECT_GT(RunMonkey(m.Open(), o), 30);
}

}  // namespace

namespace {

// Timing rates the main window once passed on whole: far beyond any camera
// (typed into its rate edit or read from a table) or below one frame. The
// observer's steps and the histogram and line buttons take them.
TEST(LedGraphWindow, AnyTimingRateLeavesTheStepsWhole) {
  const std::pair<const char*, long double> rows[] = {
      {"IntMaximum", 2147483647.0L}, {"Huge", 1e20L}, {"BelowOneFrame", 0.2L}};
  for (const auto& [name, rate] : rows) {
    SCOPED_TRACE(name);
    FakeMain m;
    m.rate = rate;
    TLEDGraph* w = m.Open();
    ASSERT_NE(w, nullptr);
    w->show();
    PickAndSpread(*w);
    for (const char* button : {"Button1", "Button2", "Button5"}) Find<QPushButton>(*w, button)->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(m.lines.size(), BuildLedTestTable().size());
    w->close();
  }
}

}  // namespace

namespace {

// A table loaded from a damaged file can hold cells no run writes, in the LED
// brightness, the recorded PC time or the frame number of a row; the observer's
// steps and the apply take them without a crash, and the table keeps its rows.
TEST(LedGraphWindow, OddCellsOfADamagedTableLeaveTheStepsWhole) {
  struct Odd {
    const char* name;
    int field;  // 0: the whole row
    const char* cell;
  };
  const Odd rows[] = {
      {"LedNotANumber", 2, "nan"},   {"LedHuge", 2, "1e308"},     {"LedEmpty", 2, ""},
      {"PcHourText", 8, "xx"},       {"PcSecondHuge", 10, "1e308"}, {"PcMinuteNegative", 9, "-99999"},
      {"FrameText", 1, "x"},         {"FrameHuge", 1, "99999999999"}, {"FrameNegative", 1, "-5"},
      {"RowOfTwoCells", 0, "160.0,0"}, {"EmptyRow", 0, ""},
  };
  for (const Odd& r : rows) {
    SCOPED_TRACE(r.name);
    FakeMain m;
    for (int line : {6 + 150, 6 + 160}) {
      std::string& row = m.lines[static_cast<size_t>(line)];
      if (r.field == 0) {
        row = r.cell;
        continue;
      }
      SetCsvField(row, r.field, r.cell);
    }
    const size_t lines = m.lines.size();
    TLEDGraph* w = m.Open();
    ASSERT_NE(w, nullptr);
    w->show();
    PickAndSpread(*w);
    for (const char* button : {"Button5", "Button7", "Button6", "Button11", "Button1", "Button2"})
      Find<QPushButton>(*w, button)->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(m.lines.size(), lines);
    // Two damaged rows do not move the corrected time of the others by hours.
    if (m.applied > 0) {
      EXPECT_EQ(Fields4To7(m.lines[6 + 0]).substr(0, 6), "21,30,");
    }
    for (const auto& message : m.dialogs.messages)
      EXPECT_FALSE(message.text.trimmed().isEmpty());
    w->close();
  }
}

// The monkey over the window part-way through the observer's steps: with
// the pulse picked and the dots spread, and after the fit too.
TEST(LedGraphWindow, MonkeyPartWayThroughTheStepsNeverCrashesIt) {
  const std::pair<bool, uint32_t> rows[] = {{false, 46}, {true, 47}};
  for (const auto& [fitted, seed] : rows) {
    SCOPED_TRACE(fitted ? "after the fit" : "after the pick");
    FakeMain m;
    auto open = [&, fitted = fitted]() -> QWidget* {
      TLEDGraph* w = m.Open();
      w->show();
      PickAndSpread(*w);
      if (fitted) w->Button5->click();
      return w;
    };
    MonkeyOptions o;
    o.seed = seed;
    o.steps = 300;
    o.reopen = open;
    EXPECT_GT(RunMonkey(open(), o), 30);
  }
}

}  // namespace

namespace {

// Two points memorised, then every row removed from the results table (step
// 1 run again or not): applying says why nothing is applied, changes no line
// and tells the main window nothing was applied.
void ExpectApplyRefusedWithoutRows(bool rerun_step_one) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  w->Button4->click();
  w->Button11->click();
  ASSERT_EQ(m.points.size(), 2u);
  m.lines.resize(6);
  if (rerun_step_one) w->Button4->click();
  const size_t before = m.dialogs.messages.size();
  w->Button6->click();
  ASSERT_EQ(m.dialogs.messages.size(), before + 1);
  EXPECT_EQ(m.dialogs.messages.back().text.toStdString(),
            "The results table holds no rows: no time can be given to them.");
  EXPECT_EQ(m.lines.size(), 6u);
  EXPECT_EQ(m.applied, 0);
}

// Once an empty warning box.
TEST(LedGraphWindow, ApplyToATableWithoutRowsSaysSo) { ExpectApplyRefusedWithoutRows(true); }

// The window still counts the rows step 1 saw; once reported as applied.
TEST(LedGraphWindow, ApplyAfterTheRowsWereRemovedWithoutStepOneSaysSo) { ExpectApplyRefusedWithoutRows(false); }

// Rows measured or removed after step 1, which is not run again: "Apply to
// Analysis" times every row of the table as it stands by its own frame
// number, each end within 0.3 ms of the frame's true end (the PC clock reads
// 0.31 s late).
TEST(LedGraphWindow, ApplyTimesTheRowsOfTheTableAsItStands) {
  const struct {
    const char* name;
    int rows_at_step_one;  // rows 0.. of the table step 1 sees
    int kept, step;        // then rows 0..kept-1 kept and frames kept..299 added with the step
  } cases[] = {
      {"rows measured on after step 1", 200, 200, 1},
      {"rows removed", 300, 250, 0},
      {"rows removed and measured again with a step", 300, 200, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMain m;
    const std::vector<std::string> full = m.lines;
    m.lines.resize(static_cast<size_t>(6 + c.rows_at_step_one));
    TLEDGraph* w = m.Open();
    PickAndSpread(*w);
    Find<QPushButton>(*w, "Button5")->click();
    m.lines.resize(static_cast<size_t>(6 + c.kept));
    for (int f = c.kept; c.step > 0 && f < kLedTableRows; f += c.step)
      m.lines.push_back(full[static_cast<size_t>(6 + f)]);
    const size_t rows = m.lines.size();
    Find<QPushButton>(*w, "Button6")->click();
    EXPECT_EQ(m.applied, 1);
    ASSERT_EQ(m.lines.size(), rows);
    for (size_t i = 6; i < rows; ++i) {
      const std::string& row = m.lines[i];
      const auto field = [&](int n) { return static_cast<double>(ParseLongDouble(GetCsvField(row, n)).value_or(-1)); };
      const double end = field(4) * 3600 + field(5) * 60 + field(7);
      EXPECT_NEAR(end, LedTableFrameEndMicros(static_cast<int>(field(1))) / 1e6, 3e-4) << row;
    }
    w->close();
  }
}

// An LED that never lights, at any steady level: the signal is the
// background fit's rounding noise, so step 7 finds no offset rather than one
// from that noise, and no calibration point to memorise.
TEST(LedGraphWindow, LedThatNeverLightsGivesNoOffset) {
  for (const char* level : {"20.3", "137.7", "4095.9", "0.0"}) {
    SCOPED_TRACE(level);
    FakeMain m;
    for (size_t i = 6; i < m.lines.size(); ++i) SetCsvField(m.lines[i], 2, level);
    TLEDGraph* w = m.Open();
    PickAndSpread(*w);
    const size_t before = m.dialogs.messages.size();
    Find<QPushButton>(*w, "Button5")->click();
    ASSERT_EQ(m.dialogs.messages.size(), before + 1);
    EXPECT_TRUE(m.dialogs.messages.back().text.startsWith("The LED signal does not change over the chosen cycles"));
    EXPECT_EQ(Find<QLineEdit>(*w, "Edit21")->text(), "");
    EXPECT_EQ(Find<QLineEdit>(*w, "Edit18")->text(), "");
    // No slope: the error of a crossing is 0, as for a signal that is exactly flat.
    EXPECT_EQ(Find<QLineEdit>(*w, "Edit27")->text(), "0.000000000");
    EXPECT_EQ(m.state.LedTimeOffset, 0);
    Find<QPushButton>(*w, "Button7")->click();
    EXPECT_TRUE(m.points.empty());
    EXPECT_EQ(m.dialogs.messages.back().text, "No calibration point has been found yet: run step 7 first.");
    w->close();
  }
}

}  // namespace

namespace {

// A blinking LED of known timing, worked out from its physics alone: every
// exposure is a whole frame long and integrates the part of the 1PPS pulse
// (lit for `lit` seconds from each whole UTC second) it overlaps; the LED
// switches on `onset_into` of a frame after the start of frame `onset_frame`'s
// exposure, at 21:30:11 UTC; the PC clock reads `delay` seconds late.
struct Blink {
  long double rate = 29.97L;
  int rows = 300;
  int onset_frame = 160;
  double onset_into = 0.37;
  double lit = 0.1;
  double delay = 0.2345;
  double drift = 0.01;  // grey levels a frame the dark LED brightens by
  double bow = 0;       // grey levels the dark LED's first and last frames lie above a straight line
  double Period() const { return 1.0 / static_cast<double>(rate); }
  double TrueEnd(int f) const {
    return 77411.0 + (1.0 - onset_into) * Period() + (f - onset_frame) * Period();
  }
  double Level(int f) const {
    const double end = TrueEnd(f), start = end - Period();
    double overlap = 0;
    for (double s = std::floor(start) - 1; s <= end; s += 1)
      overlap += std::max(0.0, std::min(end, s + lit) - std::max(start, s));
    const double u = 2.0 * f / (rows - 1) - 1;
    return 20 + drift * f + bow * u * u + 200 * overlap / Period();
  }
  std::vector<std::string> Table() const {
    std::vector<TableRowCells> cells(static_cast<size_t>(rows));
    for (int f = 0; f < rows; ++f) {
      cells[static_cast<size_t>(f)].No = FormatInt(f);
      cells[static_cast<size_t>(f)].Signal1 = FormatFixed(Level(f), 4, 15);
      cells[static_cast<size_t>(f)].Objects[0].Value = "100.0";
    }
    std::vector<std::string> lines = BuildResultTable(3, 1, cells);
    for (int f = 0; f < rows; ++f) {
      const double pc = TrueEnd(f) + delay + 0.00005 * ((37 * f) % 21 - 10);
      const int h = static_cast<int>(pc / 3600), m = static_cast<int>((pc - h * 3600) / 60);
      std::string& line = lines[static_cast<size_t>(6 + f)];
      SetCsvField(line, 8, FormatInt(h));
      SetCsvField(line, 9, FormatInt(m));
      SetCsvField(line, 10, FormatFixed(pc - h * 3600 - m * 60, 4, 15));
    }
    return lines;
  }
};

double DaySeconds(const std::string& h, const std::string& m, const std::string& sec) {
  return static_cast<double>(ParseLongDouble(h).value_or(-1) * 3600 + ParseLongDouble(m).value_or(-1) * 60 +
                             ParseLongDouble(sec).value_or(-1));
}

// Each case clicked, fitted and applied as the observer does; the offset,
// the memorised point and every row's centre and end must be the truth.
TEST(LedGraphWindow, BlinkOfKnownTimingIsTimedToItsTruth) {
  const struct {
    const char* name;
    Blink blink;
    int lower, upper;  // cycles whose frames the pulse's edge falls in
    int calibration_frame;  // where the edge meets the frame's end; held at the first row when before it
  } cases[] = {
      {"rising 1 ms a cycle, mid video", {29.97L, 300, 160, 0.36}, -5, 4, -470},
      {"falling 1 ms a cycle at 30.03", {30.03L, 700, 40, 0.355}, -1, 15, 670},
      {"pulse in the first second", {29.97L, 300, 3, 0.36}, 0, 9, -627},
      {"pulse in the last second", {29.97L, 300, 290, 0.36}, -9, 0, -340},
      {"edge near the frame's end", {29.97L, 300, 160, 0.95}, 0, 4, 130},
      {"59.94", {59.94L, 400, 100, 0.36}, -1, 4, -500},
      {"100 s of video", {29.97L, 3000, 1500, 0.36, 0.1, 0.2345, 0.001}, -5, 4, 870},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMain m;
    m.rate = c.blink.rate;
    m.lines = c.blink.Table();
    m.last_measured = m.last_frame = c.blink.rows - 1;
    TLEDGraph* w = m.Open();
    Find<QPushButton>(*w, "Button4")->click();
    Find<TRadioGroup>(*w, "RadioGroup1")->SetItemIndex(1);
    const int p0 = c.blink.onset_frame;
    // The straight background is fitted exactly: the signal is the lit part.
    EXPECT_NEAR(static_cast<double>(w->Samples()[static_cast<size_t>(p0)].Signal), 200 * (1 - c.blink.onset_into),
                0.01);
    PressAt(Find<QLabel>(*w, "LEDImage1"), w->SignalDot(p0));
    ASSERT_EQ(Find<QLineEdit>(*w, "Edit20")->text().toStdString(), std::to_string(p0));
    EXPECT_TRUE(m.dialogs.messages.empty());  // the pulse moves as the rate says
    Find<TUpDown>(*w, "UpDown1")->setValue(c.lower);
    Find<TUpDown>(*w, "UpDown2")->setValue(c.upper);
    Find<QPushButton>(*w, "Button5")->click();
    EXPECT_EQ(Find<QLineEdit>(*w, "Edit21")->text().toStdString(), std::to_string(c.calibration_frame));
    EXPECT_NEAR(Find<QLineEdit>(*w, "Edit18")->text().toDouble(), -c.blink.delay, 1e-4);
    Find<QPushButton>(*w, "Button7")->click();
    ASSERT_EQ(m.points.size(), 1u);
    const std::string& point = m.points[0];
    const int point_frame = std::max(c.calibration_frame, 0);
    EXPECT_EQ(std::stoi(point.substr(5, 5)), point_frame) << point;
    EXPECT_NEAR(DaySeconds(point.substr(11, 2), point.substr(14, 2), point.substr(17)), c.blink.TrueEnd(point_frame),
                2e-4)
        << point;
    const std::vector<std::string> shown = MemoLines(Find<QPlainTextEdit>(*w, "Memo2"));
    ASSERT_EQ(shown.size(), static_cast<size_t>(3 + c.blink.rows));
    Find<QPushButton>(*w, "Button6")->click();
    ASSERT_EQ(m.applied, 1);
    for (int f = 0; f < c.blink.rows; ++f) {
      const std::string& row = m.lines[static_cast<size_t>(6 + f)];
      // What is written is what the time table shows: centre, and the end's seconds.
      const std::string& table = shown[static_cast<size_t>(3 + f)];
      EXPECT_EQ(DaySeconds(GetCsvField(table, 5), GetCsvField(table, 6), GetCsvField(table, 7)),
                DaySeconds(GetCsvField(row, 4), GetCsvField(row, 5), GetCsvField(row, 6)))
          << table << " / " << row;
      EXPECT_EQ(ParseLongDouble(GetCsvField(table, 10)), ParseLongDouble(GetCsvField(row, 7))) << table << " / " << row;
      // Fields 4 and 5 are the centre's hour and minute; the end may lie in the next minute.
      const double centre = DaySeconds(GetCsvField(row, 4), GetCsvField(row, 5), GetCsvField(row, 6));
      double end = DaySeconds(GetCsvField(row, 4), GetCsvField(row, 5), GetCsvField(row, 7));
      if (end < centre) end += 60;
      EXPECT_NEAR(end, c.blink.TrueEnd(f), 3e-4) << row;
      EXPECT_NEAR(centre, c.blink.TrueEnd(f) - c.blink.Period() / 2, 3e-4) << row;
    }
    w->close();
  }
}

}  // namespace

// Another video opened under the calibrated window: nothing of the last
// video's steps (its offset, its time table, its graph and picked pulse) may
// stand beside the new rows as if it were theirs; the steps start again at
// step 1, which then calibrates the new rows.
TEST(LedGraphWindow, AnotherVideoStartsTheStepsAfresh) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  Find<QPushButton>(*w, "Button5")->click();
  ASSERT_EQ(Find<QLineEdit>(*w, "Edit18")->text(), "-0.3125975");

  // What the main window does on opening a video whose PC clock reads an hour later.
  for (size_t i = 6; i < m.lines.size(); ++i) SetCsvField(m.lines[i], 8, "22");
  m.points.clear();
  ForgetLedCalibration(m.state);
  w->VideoChanged();

  for (const char* name : {"Edit18", "Edit20", "Edit21", "Edit27", "Edit28"})
    EXPECT_EQ(Find<QLineEdit>(*w, name)->text(), "") << name;
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit19")->text(), "Offset");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit16")->text(), "0");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit17")->text(), "0");
  EXPECT_EQ(MemoLines(w->Memo2), std::vector<std::string>{"Recorded and corrected time of each frame."});
  for (const char* name : {"Button5", "Button6", "Button11", "UpDown1", "UpDown2", "RadioGroup1"})
    EXPECT_FALSE(Find<QWidget>(*w, name)->isEnabled()) << name;
  EXPECT_EQ(w->RadioGroup1->ItemIndex(), 0);
  for (const TLedFrameSample& s : w->Samples()) EXPECT_FALSE(s.PpsRising || s.InFit || s.Lit);
  QImage white(w->Picture.size(), w->Picture.format());
  white.fill(Qt::white);
  EXPECT_TRUE(w->Picture == white);

  PickAndSpread(*w);
  Find<QPushButton>(*w, "Button5")->click();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit18")->text(), "-0.3125975");
  Find<QPushButton>(*w, "Button6")->click();
  EXPECT_EQ(Fields4To7(m.lines[6 + 160]), "22,30,10.9894,11.0060");
  w->close();
}

// Step 1 run again clears the picked pulse: the cycle range and step 7 wait
// for a new click instead of fitting the cycle lines from line 0, which
// nobody chose, and presenting that as the calibration.
TEST(LedGraphWindow, StepOneAgainWaitsForANewPick) {
  FakeMain m;
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  Find<QPushButton>(*w, "Button5")->click();
  Find<QPushButton>(*w, "Button4")->click();
  Find<TRadioGroup>(*w, "RadioGroup1")->SetItemIndex(1);
  for (const char* name : {"UpDown1", "UpDown2", "Button5"})
    EXPECT_FALSE(Find<QWidget>(*w, name)->isEnabled()) << name;
  EXPECT_EQ(w->UpDown1->Position(), 0);
  EXPECT_EQ(w->UpDown2->Position(), 0);
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit16")->text(), "0");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit17")->text(), "0");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit20")->text(), "");
  int in_fit = 0;
  for (const TLedFrameSample& s : w->Samples()) in_fit += s.InFit + s.PpsRising;
  EXPECT_EQ(in_fit, 0);

  PickAndSpread(*w);
  Find<QPushButton>(*w, "Button5")->click();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit18")->text(), "-0.3125975");
  w->close();
}

// An LED lit for most of each second (a long pulse, or one wired to go dark
// on it) makes the lit level the background: the pulse's first frame lies
// below it, and the crossing of that signal is where the pulse meets the
// frame's start, not its end, one frame (33 ms) from the truth. Step 7 says
// so instead of giving that offset.
TEST(LedGraphWindow, PulseDarkerThanTheBackgroundIsRefused) {
  FakeMain m;
  const Blink blink{29.97L, 300, 160, 0.36, 0.9};
  m.lines = blink.Table();
  TLEDGraph* w = m.Open();
  PickAndSpread(*w);
  ASSERT_EQ(Find<QLineEdit>(*w, "Edit20")->text(), "160");
  ASSERT_LT(w->Samples()[160].Signal, 0);
  const size_t before = m.dialogs.messages.size();
  Find<QPushButton>(*w, "Button5")->click();
  ASSERT_EQ(m.dialogs.messages.size(), before + 1);
  EXPECT_TRUE(m.dialogs.messages.back().text.startsWith("The chosen frame is darker than the LED's background"))
      << m.dialogs.messages.back().text.toStdString();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit18")->text(), "");
  EXPECT_FALSE(m.state.CorrectedTimesSet);
  EXPECT_FALSE(Find<QPushButton>(*w, "Button6")->isEnabled());
  w->close();
}

// Rows shorter than one blink period hold no second cycle line: the click
// says so, not that the frame rate suits only the other drift, and step 7
// stays closed.
TEST(LedGraphWindow, RowsShorterThanOneCycleAreTold) {
  for (int rows : {3, 20, 30}) {
    SCOPED_TRACE(rows);
    FakeMain m;
    const Blink blink{29.97L, rows, 1, 0.36};
    m.lines = blink.Table();
    m.last_measured = m.last_frame = rows - 1;
    TLEDGraph* w = m.Open();
    Find<QPushButton>(*w, "Button4")->click();
    Find<TRadioGroup>(*w, "RadioGroup1")->SetItemIndex(1);
    PressAt(Find<QLabel>(*w, "LEDImage1"), w->SignalDot(1));
    ASSERT_EQ(Find<QLineEdit>(*w, "Edit20")->text(), "1");
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].text.toStdString(),
              "The rows hold no frame a whole cycle (30 frames) from the chosen one: the time correction needs the "
              "LED measured over more than one cycle.");
    EXPECT_EQ(w->UpDown1->minimum(), 0);
    EXPECT_EQ(w->UpDown2->maximum(), 0);
    EXPECT_FALSE(Find<QPushButton>(*w, "Button5")->isEnabled());
    w->close();
  }
}

// A new background band or degree after step 7 changes the signal the cycle
// was fitted on: the old fitted line, its offset and its calibration point
// are not this signal's, and "Apply to Analysis" must not write them.
TEST(LedGraphWindow, NewBackgroundAfterTheFitNeedsTheFitAgain) {
  FakeMain m;
  Blink blink;
  blink.bow = 40;
  m.lines = blink.Table();
  TLEDGraph* w = m.Open();
  Find<QPushButton>(*w, "Button4")->click();
  // A straight background misses the bow: the offset found on it is wrong.
  Find<TUpDown>(*w, "UpDown14")->setValue(1);
  Find<TRadioGroup>(*w, "RadioGroup1")->SetItemIndex(1);
  PressAt(Find<QLabel>(*w, "LEDImage1"), w->SignalDot(blink.onset_frame));
  ASSERT_EQ(Find<QLineEdit>(*w, "Edit20")->text().toStdString(), std::to_string(blink.onset_frame));
  Find<TUpDown>(*w, "UpDown1")->setValue(-5);
  Find<TUpDown>(*w, "UpDown2")->setValue(4);
  Find<QPushButton>(*w, "Button5")->click();
  const double straight = Find<QLineEdit>(*w, "Edit18")->text().toDouble();
  ASSERT_GT(std::fabs(straight + blink.delay), 1e-3);

  struct Change {
    const char* name;
    int position;
  };
  for (const Change& change : {Change{"UpDown13", 30}, Change{"UpDown14", 2}}) {
    SCOPED_TRACE(change.name);
    Find<QPushButton>(*w, "Button5")->click();
    ASSERT_FALSE(Find<QLineEdit>(*w, "Edit18")->text().isEmpty());
    Find<TUpDown>(*w, change.name)->setValue(change.position);
    ExpectNoFitShown(*w);
    ExpectApplyRefused(m, *w,
                       "The LED background was fitted again after step 7: run step 7 again, or memorise two points "
                       "or more, before applying.");
    Find<QPushButton>(*w, "Button7")->click();
    EXPECT_TRUE(m.points.empty());
  }

  // Step 7 on the background now shown finds the truth, and that is applied.
  Find<QPushButton>(*w, "Button5")->click();
  EXPECT_NEAR(Find<QLineEdit>(*w, "Edit18")->text().toDouble(), -blink.delay, 1e-4);
  Find<QPushButton>(*w, "Button6")->click();
  ASSERT_EQ(m.applied, 1);
  const std::string& row = m.lines[static_cast<size_t>(6 + 200)];
  EXPECT_NEAR(DaySeconds(GetCsvField(row, 4), GetCsvField(row, 5), GetCsvField(row, 7)), blink.TrueEnd(200), 3e-4)
      << row;
  w->close();
}

// The pulse, the cycle range or the timing rate changed after step 7 no
// longer match the offset it found: "Apply to Analysis" and "Add" must not
// write that offset as if it were the one the window now shows. Each first
// fit is wrong on purpose (cycles beyond the edge, the pulse's trailing
// frame, a mistyped rate); the observer mends the setting and forgets step 7.
TEST(LedGraphWindow, ChangedSettingsAfterTheFitNeedTheFitAgain) {
  const struct {
    const char* name;
    Blink blink;
    long double first_rate;
    int first_pick, first_lower, first_upper;
    int pick, lower, upper;  // the settings the observer mends to
    const char* told;
  } cases[] = {
      // Lit 5 % at the edge frame: cycles before it are dark, not on the line.
      {"lower bound narrowed", {29.97L, 300, 160, 0.95}, 29.97L, 160, -5, 4, 160, 0, 4,
       "The cycle range was changed after step 7"},
      // Lit 95 %: two cycles on, the frame is full and the signal stops rising.
      {"upper bound narrowed", {29.97L, 300, 160, 0.05}, 29.97L, 160, -5, 4, 160, -5, 1,
       "The cycle range was changed after step 7"},
      // Frame 163 holds the pulse's end, three frames after its start.
      {"another pulse frame picked", {29.97L, 300, 160, 0.36}, 29.97L, 163, -5, 4, 160, -5, 4,
       "Another PPS rising frame was picked after step 7"},
      {"rate typed anew", {29.97L, 300, 160, 0.36}, 30.03L, 160, -5, 4, 160, -5, 4,
       "The timing rate was changed after step 7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMain m;
    m.lines = c.blink.Table();
    m.rate = c.first_rate;
    TLEDGraph* w = m.Open();
    auto pick = [&](int line, int lower, int upper) {
      PressAt(Find<QLabel>(*w, "LEDImage1"), w->SignalDot(line));
      ASSERT_EQ(Find<QLineEdit>(*w, "Edit20")->text().toStdString(), std::to_string(line));
      Find<TUpDown>(*w, "UpDown1")->setValue(lower);
      Find<TUpDown>(*w, "UpDown2")->setValue(upper);
    };
    Find<QPushButton>(*w, "Button4")->click();
    const std::vector<std::string> recorded_times = MemoLines(w->Memo2);
    Find<TRadioGroup>(*w, "RadioGroup1")->SetItemIndex(1);
    pick(c.first_pick, c.first_lower, c.first_upper);
    Find<QPushButton>(*w, "Button5")->click();
    ASSERT_GT(std::fabs(Find<QLineEdit>(*w, "Edit18")->text().toDouble() + c.blink.delay), 5e-4);

    if (c.first_rate != c.blink.rate) {
      m.rate = c.blink.rate;
      w->RateChanged();
    }
    if (c.pick != c.first_pick) pick(c.pick, c.lower, c.upper);
    Find<TUpDown>(*w, "UpDown1")->setValue(c.lower);
    Find<TUpDown>(*w, "UpDown2")->setValue(c.upper);
    ExpectNoFitShown(*w);
    // The time table shows the recorded times again, not the forgotten fit's.
    EXPECT_EQ(MemoLines(w->Memo2), recorded_times);
    ExpectApplyRefused(m, *w, std::string(c.told) +
                                  ": run step 7 again, or memorise two points or more, before applying.");
    Find<QPushButton>(*w, "Button7")->click();
    EXPECT_TRUE(m.points.empty());

    // Step 7 on the settings shown finds the truth, and that is applied.
    ASSERT_TRUE(Find<QPushButton>(*w, "Button5")->isEnabled());
    Find<QPushButton>(*w, "Button5")->click();
    EXPECT_NEAR(Find<QLineEdit>(*w, "Edit18")->text().toDouble(), -c.blink.delay, 1e-4);
    Find<QPushButton>(*w, "Button6")->click();
    ASSERT_EQ(m.applied, 1);
    for (int f : {0, 160, 299}) {
      const std::string& row = m.lines[static_cast<size_t>(6 + f)];
      const double centre = DaySeconds(GetCsvField(row, 4), GetCsvField(row, 5), GetCsvField(row, 6));
      EXPECT_NEAR(centre, c.blink.TrueEnd(f) - c.blink.Period() / 2, 3e-4) << row;
    }
    w->close();
  }
}

// Two memorised points applied, then one deleted: with a single point left
// "Apply to Analysis" writes the last cycle fit's times, the ones steps 7
// and 8 show, not those of the line through points no longer listed; with
// no cycle fit made it says so and writes nothing.
TEST(LedGraphWindow, ApplyWithOnePointLeftWritesTheCycleFit) {
  for (const bool fitted : {true, false}) {
    SCOPED_TRACE(fitted ? "after step 7" : "without step 7");
    FakeMain m;
    const Blink blink;
    m.lines = blink.Table();
    TLEDGraph* w = m.Open();
    if (fitted) {
      PickAndSpread(*w);
      Find<QPushButton>(*w, "Button5")->click();
      ASSERT_NEAR(Find<QLineEdit>(*w, "Edit18")->text().toDouble(), -blink.delay, 1e-4);
      Find<QPushButton>(*w, "Button7")->click();  // the calibration, held at frame 0
    } else {
      Find<QPushButton>(*w, "Button4")->click();
    }
    // The PC time of the last frame, a quarter second late, as a second point.
    Find<QPushButton>(*w, "Button11")->click();
    ASSERT_EQ(m.points.size(), 2u);
    ASSERT_EQ(m.points[1].substr(5, 5), "00299");
    Find<QPushButton>(*w, "Button6")->click();
    ASSERT_EQ(m.applied, 1);
    w->ListBox1->setCurrentRow(1);
    Find<QPushButton>(*w, "Button8")->click();
    ASSERT_EQ(m.points.size(), 1u);

    if (!fitted) {
      m.applied = 0;
      ExpectApplyRefused(m, *w,
                         "No calibration has been made since step 1: run step 7, or memorise two points or more, "
                         "before applying.");
      w->close();
      continue;
    }
    Find<QPushButton>(*w, "Button6")->click();
    ASSERT_EQ(m.applied, 2);
    for (int f : {0, 160, 299}) {
      const std::string& row = m.lines[static_cast<size_t>(6 + f)];
      const double centre = DaySeconds(GetCsvField(row, 4), GetCsvField(row, 5), GetCsvField(row, 6));
      EXPECT_NEAR(centre, blink.TrueEnd(f) - blink.Period() / 2, 3e-4) << row;
    }
    w->close();
  }
}

// Step 1 run again, in the same window or in one opened anew, starts the
// steps again: step 8 shows no results of the step 7 before it, and "Add"
// has no calibration point to memorise until step 7 is run again.
TEST(LedGraphWindow, StepOneAgainForgetsTheLastFitsPoint) {
  for (const bool reopen : {false, true}) {
    SCOPED_TRACE(reopen ? "window opened anew" : "same window");
    FakeMain m;
    TLEDGraph* w = m.Open();
    PickAndSpread(*w);
    Find<QPushButton>(*w, "Button5")->click();
    ASSERT_EQ(Find<QLineEdit>(*w, "Edit18")->text(), "-0.3125975");
    if (reopen) {
      w->close();
      QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      w = m.Open();
      ASSERT_NE(w, nullptr);
    }
    Find<QPushButton>(*w, "Button4")->click();
    ExpectNoFitShown(*w);
    Find<QPushButton>(*w, "Button11")->click();
    ASSERT_EQ(m.points.size(), 2u);
    m.dialogs.messages.clear();
    Find<QPushButton>(*w, "Button7")->click();
    EXPECT_EQ(m.points.size(), 2u);
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].text, "No calibration point has been found yet: run step 7 first.");
    w->close();
  }
}
