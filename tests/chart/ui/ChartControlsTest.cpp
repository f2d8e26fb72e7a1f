// The chart's view controls, object boxes, click read-outs and command
// buttons, and the noise-reduction window's mode controls, driven through
// the controls themselves.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSpinBox>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "chart/ChartScale.h"
#include "chart/ui/TAvgBkg.h"
#include "chart/ui/Tchart1.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

struct Chart : ChartWindow {
  // A release on record `r` of curve A.
  void ClickRecord(int r) {
    const auto& rec = chart->Data().Records[static_cast<size_t>(r)];
    ReleaseAt(chart->ChartImg1, IndexToPixelX(chart->View(), r - session.ChartState.FirstShownFrame),
              ValueToPixelY(chart->View(), rec.Value[CurveA]));
  }
  QCheckBox* Box(const char* name) const { return Find<QCheckBox>(chart, name); }
};

std::vector<double> Zigzag(int n, double base) {
  std::vector<double> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = base + (i % 2 ? 100 : -100) + i;
  return v;
}

}  // namespace

TEST(ChartControls, YBarsAndLineBoxesSetTheViewAndSurviveReopening) {
  Chart c;
  c.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Zigzag(20, 1000)}));
  c.Open();
  const double max0 = static_cast<double>(c.session.ChartValueMax);
  ASSERT_GT(max0, 0);
  Find<QScrollBar>(c.chart, "ScrollBar2")->setValue(20);
  EXPECT_EQ(c.session.ChartState.YMaxPosition, 20);
  EXPECT_DOUBLE_EQ(static_cast<double>(c.session.ChartValueMax), 2 * max0);  // factor 20 / 10
  Find<QScrollBar>(c.chart, "ScrollBar3")->setValue(-15);
  EXPECT_EQ(c.session.ChartState.YMinPosition, -15);
  EXPECT_FALSE(Find<QLineEdit>(c.chart, "Edit1")->text().isEmpty());
  c.Box("CheckBox7")->click();  // 'Data' off: no S/N
  EXPECT_EQ(c.session.ChartState.DataLines, 0);
  EXPECT_TRUE(Find<QLineEdit>(c.chart, "Edit1")->text().isEmpty());
  c.Box("CheckBox8")->click();
  EXPECT_EQ(c.session.ChartState.AxisLines, 0);

  c.Open();  // no reset: the same view
  EXPECT_EQ(Find<QScrollBar>(c.chart, "ScrollBar2")->value(), 20);
  EXPECT_EQ(Find<QScrollBar>(c.chart, "ScrollBar3")->value(), -15);
  EXPECT_FALSE(c.Box("CheckBox7")->isChecked());
  EXPECT_FALSE(c.Box("CheckBox8")->isChecked());
}

TEST(ChartControls, FixedRangeStaysAsClicksRedrawTheChart) {
  Chart c;
  c.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Zigzag(20, 1000)}));
  c.Open();
  const double max0 = static_cast<double>(c.session.ChartValueMax);
  Find<QScrollBar>(c.chart, "ScrollBar2")->setValue(20);
  c.host.fix_range = true;
  for (int r : {3, 4, 5}) {
    c.ClickRecord(r);
    EXPECT_DOUBLE_EQ(static_cast<double>(c.session.ChartValueMax), 2 * max0) << r;
  }
  Find<QScrollBar>(c.chart, "ScrollBar2")->setValue(10);
  EXPECT_DOUBLE_EQ(static_cast<double>(c.session.ChartValueMax), max0);
}

TEST(ChartControls, ObjectBoxesKeepOneCurveTicked) {
  struct Step {
    const char* click;
    std::array<bool, 3> checked, enabled;
  };
  struct Case {
    int objects;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {3,
       {{"CheckBox5", {true, false, true}, {true, true, true}},
        {"CheckBox6", {true, false, false}, {false, true, true}},
        {"CheckBox5", {true, true, false}, {true, true, true}}}},
      {2,
       {{"CheckBox5", {true, false, false}, {false, true, false}},
        {"CheckBox5", {true, true, false}, {true, true, false}},
        {"CheckBox4", {false, true, false}, {true, false, false}}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.objects);
    Chart c;
    c.host.object_count = k.objects;
    std::vector<std::vector<double>> values;
    for (int o = 0; o < k.objects; ++o) values.push_back(Zigzag(30, 1000 + 300 * o));
    c.host.table.lines = BuildResultTable(3, k.objects, RowsFromValues(values));
    c.Open();
    for (const Step& s : k.steps) {
      SCOPED_TRACE(s.click);
      c.Box(s.click)->click();
      const char* names[3] = {"CheckBox4", "CheckBox5", "CheckBox6"};
      for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(c.Box(names[i])->isChecked(), s.checked[i]) << names[i];
        EXPECT_EQ(c.Box(names[i])->isEnabled(), s.enabled[i]) << names[i];
        EXPECT_EQ(c.session.ChartState.BoxChecked[i], s.checked[i]);
        EXPECT_EQ(c.session.ChartState.BoxEnabled[i], s.enabled[i]);
      }
    }
  }
}

TEST(ChartControls, ClickShowsTheRecordAndRestoresItsApertures) {
  Chart c;
  c.host.object_count = 2;
  auto rows = RowsFromValues({Zigzag(20, 1000), Zigzag(20, 400)}, 300);
  rows[5].Objects[0].X = "123";
  rows[5].Objects[0].Y = "45";
  rows[5].Objects[1].X = "77";
  rows[5].Objects[1].Y = "88";
  c.host.table.lines = BuildResultTable(3, 2, rows);
  c.Open();
  c.Box("CheckBox3")->click();  // 'Reproduce Aperture Position'
  c.ClickRecord(5);
  EXPECT_EQ(c.session.ChartState.SelectedFrame, 5);
  EXPECT_EQ(c.session.ChartState.SelectedFrameNo, 305);
  EXPECT_EQ(Find<QLineEdit>(c.chart, "Edit4")->text(), "305.0");
  EXPECT_EQ(Find<QLineEdit>(c.chart, "Edit6")->text().toStdString(), rows[5].Objects[0].Value);
  EXPECT_EQ(c.host.edit54, "TotalFrame : 19SelectDataNum : 5");  // 26 lines - 7
  EXPECT_EQ(c.host.shown_frames, std::vector<int>{305});
  ASSERT_GE(c.host.apertures.size(), 2u);
  EXPECT_EQ(c.host.apertures[0], (std::array<int, 3>{1, 123, 45}));
  EXPECT_EQ(c.host.apertures[1], (std::array<int, 3>{2, 77, 88}));

  c.ClickRecord(5);  // the same point again: no selection
  EXPECT_EQ(c.session.ChartState.SelectedFrame, -1);
  EXPECT_TRUE(Find<QLineEdit>(c.chart, "Edit4")->text().isEmpty());
  EXPECT_TRUE(Find<QLineEdit>(c.chart, "Edit6")->text().isEmpty());
  EXPECT_EQ(c.host.shown_frames.size(), 1u);

  c.Box("CheckBox2")->click();  // 'Show Image of Clicked point' off
  c.ClickRecord(8);
  EXPECT_EQ(c.session.ChartState.SelectedFrame, 8);
  EXPECT_EQ(c.host.shown_frames.size(), 1u);
}

TEST(ChartControls, CopyPreviewReportAndClose) {
  Chart c;
  c.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Zigzag(12, 1000)}));
  c.Open();
  QClipboard* clip = QGuiApplication::clipboard();
  for (const char* how : {"Button7", "a1"}) {
    SCOPED_TRACE(how);
    clip->clear();
    if (std::string(how) == "a1")
      c.chart->findChild<QAction*>("a1")->trigger();
    else
      Find<QPushButton>(c.chart, how)->click();
    const QImage copied = clip->image();
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied.size(), c.chart->Picture().size());
    EXPECT_EQ(copied.pixelColor(60, 30), c.chart->Picture().pixelColor(60, 30));
  }

  TReportLightCurveElement& e = c.events.ReportLightCurveElement;
  e.RecordingDate = "2024/03/05";
  e.Catalogue = "Tycho2";
  e.StarNumber = "1234-567-1";
  Find<QPushButton>(c.chart, "Button16")->click();
  const QStringList preview = Find<QPlainTextEdit>(c.chart, "Memo2")->toPlainText().split('\n');
  ASSERT_EQ(preview.size(), 4);
  EXPECT_EQ(preview[0], "Date: 2024/03/05 ");
  EXPECT_EQ(preview[1], "Star: 0: 0: 0: 0: 1234-567-1: 0-0");
  EXPECT_TRUE(preview[3].startsWith("Object: Moon: "));

  e.Kind = ReportKind::Lunar;
  Find<QPushButton>(c.chart, "Button17")->click();
  ASSERT_EQ(c.host.report_lines.size(), 5u);
  EXPECT_EQ(c.host.report_lines[0].rfind("Date: 2024/03/05 10:20:0.00: 0.37: 12", 0), 0u) << c.host.report_lines[0];
  EXPECT_EQ(c.host.report_lines[4].rfind("Values:900:1101:", 0), 0u) << c.host.report_lines[4];

  c.host.fix_range = true;
  Find<QPushButton>(c.chart, "Button1")->click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(c.chart.isNull());
  EXPECT_EQ(c.session.ChartOpen, 0);
  EXPECT_FALSE(c.host.fix_range);
  EXPECT_FALSE(c.host.fix_range_enabled);
}

TEST(TAvgBkg, EachModeEnablesItsOwnControls) {
  Chart c;
  c.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Zigzag(30, 1000)}));
  c.Open();
  Find<QPushButton>(c.chart, "SpeedButton1")->click();
  auto* w = c.chart->findChild<TAvgBkg*>("AvgBkg");
  ASSERT_NE(w, nullptr);
  struct Row {
    int mode;
    bool average, fft_group, cutoff, wavelet;
  };
  for (Row r : {Row{3, false, true, true, false}, Row{4, false, false, true, true}, Row{2, true, false, false, false},
                Row{0, true, false, false, false}}) {
    SCOPED_TRACE(r.mode);
    Find<QRadioButton>(w, ("RadioGroup1_" + std::to_string(r.mode)).c_str())->click();
    EXPECT_EQ(Find<QWidget>(w, "UpDown1")->isEnabled(), r.average);
    EXPECT_EQ(Find<QWidget>(w, "CheckBox1")->isEnabled(), r.average);
    EXPECT_EQ(Find<QWidget>(w, "GroupBox4")->isEnabled(), r.fft_group);
    EXPECT_EQ(Find<QWidget>(w, "RadioGroup2")->isEnabled(), r.fft_group);
    // The cut-off edit and its frequency are usable in both transform modes.
    EXPECT_EQ(Find<QWidget>(w, "Edit15")->isEnabled(), r.cutoff);
    EXPECT_EQ(Find<QWidget>(w, "Edit16")->isEnabled(), r.cutoff);
    EXPECT_EQ(Find<QWidget>(w, "GroupBox7")->isEnabled(), r.wavelet);
    EXPECT_EQ(Find<QWidget>(w, "Edit21")->isEnabled(), r.wavelet);
    EXPECT_EQ(Find<QWidget>(w, "Edit22")->isEnabled(), r.wavelet);
  }
}

TEST(ChartControls, WidthAndScaleCentreTheSelectedRecord) {
  Chart c;
  c.host.table.lines = BuildResultTable(3, 1, RowsFromValues({Zigzag(2000, 1000)}));
  c.Open();
  auto* part = Find<QRadioButton>(c.chart, "RadioGroup1_0");
  auto* entire = Find<QRadioButton>(c.chart, "RadioGroup1_1");
  auto* scroll = Find<QScrollBar>(c.chart, "ScrollBar1");
  auto* scale = Find<QSpinBox>(c.chart, "UpDown2");
  part->click();
  scroll->setValue(1400);
  c.ClickRecord(1500);
  ASSERT_EQ(c.session.ChartState.SelectedFrame, 1500);
  entire->click();
  EXPECT_EQ(c.session.ChartState.FirstShownFrame, 0);
  EXPECT_EQ(scroll->value(), 0);
  EXPECT_FALSE(scale->isEnabled());
  part->click();  // 340 records across: the selection in the middle
  EXPECT_EQ(c.session.ChartState.FirstShownFrame, 1500 - 170);
  EXPECT_EQ(scroll->value(), 1500 - 170);
  EXPECT_TRUE(scale->isEnabled());
  scale->setValue(6);  // 4 pixels a record: 170 across
  EXPECT_EQ(Find<QLineEdit>(c.chart, "Edit5")->text(), "2");
  EXPECT_EQ(c.session.ChartState.VisibleFrameCount, 170);
  EXPECT_EQ(c.session.ChartState.FirstShownFrame, 1500 - 85);
}

namespace {

void PressKey(QWidget* w, int key) {
  QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void TypeAndEnter(QLineEdit* e, const QString& text) {
  e->setText(text);
  PressKey(e, Qt::Key_Return);
}

}  // namespace

TEST(TAvgBkg, FrameRangeEditsAndMarksOfUnappliedWindows) {
  Chart c;
  const std::vector<double> values = Zigzag(30, 1000);
  c.host.table.lines = BuildResultTable(3, 1, RowsFromValues({values}, 300));
  c.Open();
  Find<QPushButton>(c.chart, "SpeedButton1")->click();
  auto* w = c.chart->findChild<TAvgBkg*>("AvgBkg");
  ASSERT_NE(w, nullptr);
  auto* begin = Find<QLineEdit>(w, "Edit10");
  auto* end = Find<QLineEdit>(w, "Edit11");
  TypeAndEnter(end, "400");  // past the last frame 329: kept
  EXPECT_EQ(end->text(), "329");
  TypeAndEnter(end, "310");
  EXPECT_EQ(w->EndFrame(), 310);
  TypeAndEnter(begin, "200");  // before the first frame: kept
  EXPECT_EQ(begin->text(), "300");
  TypeAndEnter(begin, "305");
  EXPECT_EQ(w->BeginFrame(), 305);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit25")->text(), "5");
  EXPECT_EQ(Find<QLineEdit>(w, "Edit26")->text(), "10");
  double sum = 0;
  for (int r = 5; r <= 10; ++r) sum += values[static_cast<size_t>(r)];
  EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text().toStdString(), FormatOneDecimal(sum / 6));

  Find<QRadioButton>(w, "RadioGroup1_3")->click();  // FFT: its edits take keys
  TypeAndEnter(Find<QLineEdit>(w, "Edit12"), "");
  EXPECT_EQ(Find<QLineEdit>(w, "Edit12")->text(), "0");
  TypeAndEnter(Find<QLineEdit>(w, "Edit15"), "2000");  // not below the block size 1024
  EXPECT_EQ(Find<QLineEdit>(w, "Edit15")->text(), "100");

  Find<QRadioButton>(w, "RadioGroup1_0")->click();
  auto* width = Find<QLineEdit>(w, "Edit1");
  Find<QSpinBox>(w, "UpDown1")->setValue(2);
  EXPECT_EQ(width->text(), "5");
  EXPECT_FALSE(width->styleSheet().isEmpty());
  EXPECT_FALSE(Find<QCheckBox>(w, "CheckBox1")->styleSheet().isEmpty());
  Find<QPushButton>(w, "Button1")->click();  // Apply clears the marks
  EXPECT_TRUE(width->styleSheet().isEmpty());
  EXPECT_TRUE(Find<QCheckBox>(w, "CheckBox1")->styleSheet().isEmpty());
}

TEST(TCorrection, TakesTheChartsStayOnTopWhileOpen) {
  Chart c;
  c.host.object_count = 2;
  c.host.table.lines = BuildResultTable(3, 2, RowsFromValues({Zigzag(20, 1000), Zigzag(20, 500)}));
  c.Open();
  c.chart->show();
  ASSERT_TRUE(c.chart->windowFlags() & Qt::WindowStaysOnTopHint);
  c.ClickRecord(4);
  Find<QPushButton>(c.chart, "Button11")->click();
  auto* w = c.chart->findChild<QWidget*>("Correction");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(c.session.CorrectionOpen, 1);
  EXPECT_FALSE(c.chart->windowFlags() & Qt::WindowStaysOnTopHint);
  Find<QSpinBox>(w, "UpDown1")->setValue(3);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit3")->text(), "7");
  Find<QPushButton>(c.chart, "Button11")->click();  // one window at a time
  EXPECT_EQ(c.chart->findChildren<QWidget*>("Correction").size(), 1);
  w->close();
  EXPECT_EQ(c.session.CorrectionOpen, 0);
  EXPECT_TRUE(c.chart->windowFlags() & Qt::WindowStaysOnTopHint);
}
