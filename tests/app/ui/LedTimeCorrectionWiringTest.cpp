// 'SharpCap Timing Analysis' and the chart's button open the LED window over
// the results table; its 'Apply to Analysis' rewrites the time fields of the
// rows and the time shown for each frame then comes from the LED correction.
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <fstream>

#include "MainRoadFixture.h"
#include "base/CsvFields.h"
#include "base/ui/ControlEvents.h"
#include "support/AviWriter.h"
#include "support/SpreadsheetSaves.h"
#include "support/LedTestTable.h"
#include "timing/ui/TLEDGraph.h"

namespace {

void PressAt(QWidget* w, QPoint p) {
  QMouseEvent e(QEvent::MouseButtonPress, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton, Qt::LeftButton,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// Steps 1 to 7: the pulse's first lit frame clicked, cycles -5..4 fitted.
void CalibrateAtThePulse(TLEDGraph* w) {
  w->Button4->click();
  w->RadioGroup1->SetItemIndex(1);
  PressAt(w->LEDImage1, w->SignalDot(kLedPulseFrame));
  w->UpDown1->setValue(-5);
  w->UpDown2->setValue(4);
  w->Button5->click();
}

TEST(LedTimeCorrectionWiring, ApplyCorrectsTheRowsAndTheShownTime) {
  MainRoadWindow m(Reader::OwnAvi);
  OpenLedVideo(m);
  EXPECT_EQ(m.Find<QPushButton>("BitBtn2")->text(), "SharpCap Timing Analysis");
  m.Click("BitBtn2");
  auto* w = qobject_cast<TLEDGraph*>(m.W().LEDGraph.data());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(m.W().Chart.LEDGraphOpen, 1);
  m.Click("BitBtn2");  // open already: no second window
  EXPECT_EQ(m.W().findChildren<TLEDGraph*>().size(), 1u);

  CalibrateAtThePulse(w);
  EXPECT_EQ(m.W().Edit27->toolTip(), "Time (end of exposure) corrected by 1PPS LED light.");
  w->Button7->click();
  ASSERT_EQ(m.Find<QListWidget>("ListBox1")->count(), 1);
  EXPECT_EQ(m.W().ListBox1->item(0)->text(), "0001 00010 21:30:06.0009948");
  w->Button6->click();
  EXPECT_TRUE(m.W().Options.SharpCapTimeAvailable);
  const std::string row = m.W().Results.Line(6 + 160);
  EXPECT_EQ(GetCsvField(row, 4) + "," + GetCsvField(row, 5) + "," + GetCsvField(row, 6) + "," + GetCsvField(row, 7),
            "21,30,10.9894,11.0060");

  // The time-stamp reading shows the frame's time (inserter texts ticked).
  m.W().CheckBox5->setChecked(true);
  m.W().ScrollBar1->setValue(160);
  EXPECT_EQ(m.W().Edit24->text(), "21");
  EXPECT_EQ(m.W().Edit25->text(), "30");
  EXPECT_EQ(m.W().Edit26->text(), "10.9894");
  EXPECT_EQ(m.W().Edit27->text(), "11.0060");
  EXPECT_EQ(m.W().Times.StampS2Full, "11.0060");

  // The memorised points outlive the window.
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.W().Chart.LEDGraphOpen, 0);
  EXPECT_TRUE(m.W().ChartLink.ToolAvailable(ChartTool::LedGraph));
  m.W().ChartLink.OpenTool(ChartTool::LedGraph, nullptr);
  w = qobject_cast<TLEDGraph*>(m.W().LEDGraph.data());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->ListBox1->count(), 1);
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The LED window opened over the LED video's table, calibrated at the pulse
// and the point memorised; the table counts as saved.
void OpenCalibratedAndMemorised(MainRoadWindow& m, TLEDGraph*& w) {
  OpenLedVideo(m);
  m.Click("BitBtn2");
  w = qobject_cast<TLEDGraph*>(m.W().LEDGraph.data());
  ASSERT_NE(w, nullptr);
  CalibrateAtThePulse(w);
  w->Button7->click();
  ASSERT_EQ(w->ListBox1->count(), 1);
  // The histogram panel of a frame of this video.
  w->Button1->click();
  ASSERT_FALSE(w->Edit7->text().isEmpty());
  ASSERT_FALSE(w->Histogram->pixmap().isNull());
  m.W().Results.MarkSaved();
}

// Nor does the last video's histogram panel stay beside the new rows.
void ExpectHistogramPanelCleared(const TLEDGraph& w) {
  for (const QLineEdit* e : {w.Edit1, w.Edit7, w.Edit8}) EXPECT_EQ(e->text(), "") << e->objectName().toStdString();
  EXPECT_TRUE(w.Histogram->pixmap().isNull());
}

// The LED table with its PC times an hour later: rows of another recording.
std::vector<std::string> TableAnHourLater() {
  std::vector<std::string> rows = BuildLedTestTable();
  for (size_t i = 6; i < rows.size(); ++i) SetCsvField(rows[i], 8, "22");
  return rows;
}

// A calibration belongs to the video it was made on: after another video
// is opened under the still open LED window, "Apply to Analysis" and "Add"
// give the new rows nothing of it.
TEST(LedTimeCorrectionWiring, AnotherVideoLeavesNoCalibrationToApply) {
  MainRoadWindow m(Reader::OwnAvi);
  TLEDGraph* w = nullptr;
  ASSERT_NO_FATAL_FAILURE(OpenCalibratedAndMemorised(m, w));

  const auto other = m.Path("other.avi");
  ASSERT_TRUE(WriteAvi(other.string(), std::vector<Bitmap24>(kLedTableRows, Bitmap24(32, 24))));
  ASSERT_TRUE(m.OpenThroughButton1(other));
  ASSERT_EQ(m.W().LEDGraph.data(), w);
  EXPECT_EQ(w->ListBox1->count(), 0);
  // Nor is the last video's offset shown beside it, or step 7 open to it.
  EXPECT_EQ(w->Edit18->text(), "");
  EXPECT_FALSE(w->Button5->isEnabled());
  ExpectHistogramPanelCleared(*w);
  // Rows of the new video, measured an hour later.
  const std::vector<std::string> rows = TableAnHourLater();
  m.W().Results.Assign(rows);
  m.W().Run.StartFrame = 0;
  m.W().Run.LastMeasuredFrame = kLedTableRows - 1;
  EXPECT_FALSE(w->Button6->isEnabled());
  w->Button6->click();
  EXPECT_FALSE(m.W().Options.SharpCapTimeAvailable);
  EXPECT_EQ(m.W().Results.Lines(), rows);
  w->Button7->click();
  EXPECT_EQ(w->ListBox1->count(), 0);
  EXPECT_EQ(m.W().ListBox1->count(), 0);
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// So does a results file loaded while the window is open, also one whose
// video is not found.
TEST(LedTimeCorrectionWiring, ALoadedTableLeavesNoCalibrationToApply) {
  MainRoadWindow m(Reader::OwnAvi);
  TLEDGraph* w = nullptr;
  ASSERT_NO_FATAL_FAILURE(OpenCalibratedAndMemorised(m, w));

  // Rows of another recording, at 59.94 fps.
  std::vector<std::string> rows = TableAnHourLater();
  const size_t rate_at = rows[2].find("FrameRate=29.97");
  ASSERT_NE(rate_at, std::string::npos);
  rows[2].replace(rate_at, 15, "FrameRate=59.94");
  const auto csv = m.Path("other.csv");
  {
    std::ofstream out(csv, std::ios::binary);
    for (const std::string& line : rows) out << line << "\r\n";
  }
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_FALSE(m.dialogs.messages.empty());
  EXPECT_EQ(m.dialogs.messages.back().text, ".avi file is not found");
  const std::vector<std::string> loaded = m.W().Results.Lines();
  ASSERT_EQ(loaded.size(), rows.size());
  EXPECT_EQ(w->ListBox1->count(), 0);
  // The still open window starts again at step 1, with the loaded rows' cycle.
  EXPECT_EQ(w->Edit18->text(), "");
  EXPECT_EQ(w->Edit23->text(), "60");
  EXPECT_EQ(w->Edit24->text(), " 16.68x60=1001.0");
  ExpectHistogramPanelCleared(*w);
  w->Button6->click();
  EXPECT_FALSE(m.W().Options.SharpCapTimeAvailable);
  EXPECT_EQ(m.W().Results.Lines(), loaded);
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(LedTimeCorrectionWiring, TablesWithCmosTimesAreRefused) {
  MainRoadWindow m(Reader::OwnAvi);
  OpenLedVideo(m);
  m.W().Run.CsvCmosTime = true;
  m.Click("BitBtn2");
  EXPECT_EQ(m.W().LEDGraph.data(), nullptr);
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text, "SharpCap Timing Analysis can't be used for already analyzed CSV file.");
}

// The corrected table saved, and saved again by a program that quotes every
// cell ("21"), also with every line as long as the longest, then loaded: its
// video is found and each frame shows the table's own corrected times, not
// the cells with their quotes.
TEST(LedTimeCorrectionWiring, ALoadedCorrectedTableWithEveryCellQuotedShowsItsTimes) {
  MainRoadWindow m(Reader::OwnAvi);
  OpenLedVideo(m);
  m.Click("BitBtn2");
  auto* w = qobject_cast<TLEDGraph*>(m.W().LEDGraph.data());
  ASSERT_NE(w, nullptr);
  CalibrateAtThePulse(w);
  w->Button6->click();
  std::string table;
  for (size_t i = 0; i < m.W().Results.Lines().size(); ++i)
    table += (i == 1 ? "\"FileName : " + m.Path("led.avi").string() + "\"" : m.W().Results.Line(i)) + "\r\n";
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  const struct {
    const char* name;
    std::string text;
  } saves[] = {{"as saved", table},
               {"every cell quoted", SavedWithEveryCellQuoted(table)},
               {"every cell quoted, lines padded", SavedWithEveryCellQuoted(WithEveryLineAsLongAsTheLongest(table))}};
  for (const auto& [name, text] : saves) {
    SCOPED_TRACE(name);
    MainRoadWindow loaded(Reader::OwnAvi);
    const auto csv = loaded.Path("corrected.csv");
    {
      std::ofstream out(csv, std::ios::binary);
      out << text;
    }
    loaded.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
    loaded.Click("Button20");
    ASSERT_TRUE(loaded.W().Run.VideoLoaded);
    ASSERT_TRUE(loaded.W().Run.CsvCmosTime);
    loaded.W().CheckBox5->setChecked(true);
    loaded.W().GoToFrame(160);
    // The corrected row of frame 160, as the corrected table holds it.
    EXPECT_EQ((loaded.W().Edit24->text() + "," + loaded.W().Edit25->text() + "," + loaded.W().Edit26->text() + "," +
               loaded.W().Edit27->text())
                  .toStdString(),
              "21,30,10.9894,11.0060");
  }
}

// The LED window opened by 'SharpCap Timing Analysis' over the LED video's table.
TLEDGraph* OpenOverLedVideo(MainRoadWindow& m) {
  OpenLedVideo(m);
  m.Click("BitBtn2");
  return qobject_cast<TLEDGraph*>(m.W().LEDGraph.data());
}

// The times shown for a frame (and stored with the rows measured next) are
// those "Apply to Analysis" wrote, until the next apply: step 1 run again
// (which clears the corrected times for a new calibration) or a new fit not
// yet applied must not show 00:00:00 or other times beside the rows.
TEST(LedTimeCorrectionWiring, ShownTimesStayTheAppliedOnesUntilTheNextApply) {
  MainRoadWindow m(Reader::OwnAvi);
  TLEDGraph* w = OpenOverLedVideo(m);
  ASSERT_NE(w, nullptr);
  CalibrateAtThePulse(w);
  w->Button6->click();
  ASSERT_TRUE(m.W().Options.SharpCapTimeAvailable);
  m.W().CheckBox5->setChecked(true);
  auto shown_at = [&](int frame) {
    m.W().ScrollBar1->setValue(frame == 0 ? 1 : 0);
    m.W().ScrollBar1->setValue(frame);
    return m.W().Edit24->text() + "," + m.W().Edit25->text() + "," + m.W().Edit26->text() + "," +
           m.W().Edit27->text();
  };
  ASSERT_EQ(shown_at(160), "21,30,10.9894,11.0060");

  w->Button4->click();
  EXPECT_EQ(shown_at(160), "21,30,10.9894,11.0060");
  EXPECT_EQ(m.W().Times.StampS2Full, "11.0060");
  // A fit on the pulse's falling edge, not applied, gives another offset.
  w->RadioGroup1->SetItemIndex(1);
  PressAt(w->LEDImage1, w->SignalDot(kLedPulseFrame + 3));
  w->UpDown1->setValue(-5);
  w->UpDown2->setValue(4);
  w->Button5->click();
  ASSERT_NE(w->Edit18->text(), "-0.3125975");
  EXPECT_EQ(shown_at(160), "21,30,10.9894,11.0060");
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A results table loaded without its video (not found) holds PC times, but
// no frame of an open video for them: step 1 and the steps after it say
// that, not that the table holds no PC time, and change no row.
TEST(LedTimeCorrectionWiring, ATableLoadedWithoutItsVideoIsToldWhy) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto csv = m.Path("led.csv");
  {
    std::ofstream out(csv, std::ios::binary);
    for (const std::string& line : BuildLedTestTable()) out << line << "\r\n";
  }
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_FALSE(m.dialogs.messages.empty());
  ASSERT_EQ(m.dialogs.messages.back().text, ".avi file is not found");
  const std::vector<std::string> loaded = m.W().Results.Lines();
  ASSERT_EQ(loaded.size(), 6u + kLedTableRows);
  m.W().ChartLink.OpenTool(ChartTool::LedGraph, nullptr);
  auto* w = qobject_cast<TLEDGraph*>(m.W().LEDGraph.data());
  ASSERT_NE(w, nullptr);
  const QString why =
      "The rows lie beyond the last frame of the open video (frame 0): open the video the table was measured from "
      "to make the time correction.";
  m.dialogs.messages.clear();
  w->Button4->click();
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text, why);
  w->Button11->click();
  ASSERT_EQ(m.dialogs.messages.size(), 2u);
  EXPECT_EQ(m.dialogs.messages[1].text, why);
  EXPECT_EQ(w->ListBox1->count(), 0);
  w->RadioGroup1->SetItemIndex(1);
  PressAt(w->LEDImage1, w->SignalDot(kLedPulseFrame));
  w->UpDown2->setValue(1);
  m.dialogs.messages.clear();
  w->Button5->click();
  ASSERT_FALSE(m.dialogs.messages.empty());
  EXPECT_EQ(m.dialogs.messages.back().text, why);
  EXPECT_EQ(m.W().Results.Lines(), loaded);
  EXPECT_FALSE(m.W().Options.SharpCapTimeAvailable);
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The rate typed key by key into the main window's rate edit.
void TypeRate(MainRoadWindow& m, const QString& rate) {
  QLineEdit* edit30 = m.Find<QLineEdit>("Edit30");
  edit30->clear();
  for (QChar c : rate) {
    QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit30, &e);
  }
}

// A rate typed into the main window's rate edit reaches the open LED window.
TEST(LedTimeCorrectionWiring, TypedRateReachesTheOpenWindow) {
  MainRoadWindow m(Reader::OwnAvi);
  TLEDGraph* w = OpenOverLedVideo(m);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->Edit23->text(), "30");
  TypeRate(m, "59.94");
  EXPECT_EQ(w->Edit23->text(), "60");
  EXPECT_EQ(w->Edit22->text(), "0.001001");
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A rate typed after step 7 is not the one its offset was found with:
// "Apply to Analysis" leaves the rows until step 7 is made at that rate.
TEST(LedTimeCorrectionWiring, RateTypedAfterTheFitNeedsTheFitAgain) {
  MainRoadWindow m(Reader::OwnAvi);
  TLEDGraph* w = OpenOverLedVideo(m);
  ASSERT_NE(w, nullptr);
  CalibrateAtThePulse(w);
  ASSERT_EQ(w->Edit18->text(), "-0.3125975");
  TypeRate(m, "29.98");
  EXPECT_EQ(w->Edit18->text(), "");
  const std::vector<std::string> rows = m.W().Results.Lines();
  w->Button6->click();
  EXPECT_FALSE(m.W().Options.SharpCapTimeAvailable);
  EXPECT_EQ(m.W().Results.Lines(), rows);
  CalibrateAtThePulse(w);
  w->Button6->click();
  EXPECT_TRUE(m.W().Options.SharpCapTimeAvailable);
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
