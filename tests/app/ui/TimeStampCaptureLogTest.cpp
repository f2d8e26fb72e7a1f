// The capture-log window: loading a capture program's log gives every frame of
// a video without stamps the end time of its exposure, in the edits and rows.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <fstream>

#include "MainRoadFixture.h"
#include "support/StampRender.h"
#include "support/VideoFixtures.h"
#include "support/WindowControls.h"
#include "video/ui/TRestoreNoTimeRecorded.h"

namespace {

constexpr const char* kLog =
    "[Camera]\n"
    "Gain=300\r\n"
    "StartCapture=2026-12-06 12:00:09.9600000\r\n"
    "EndCapture=2026-12-06 12:00:10.1600000\r"
    "ActualFrameRate=25.000000 fps\n"
    "FrameCount=5\r\n";

std::string Column(const std::string& row, int n) { return StripQuotes(GetCsvField(row, n)); }

TRestoreNoTimeRecorded* OpenLogWindow(MainRoadWindow& m) {
  QAction* item = m.W().findChild<QAction*>("AddTimeToNoCmosTime1");
  EXPECT_NE(item, nullptr);
  if (item) item->trigger();
  return m.W().RestoreNoTimeRecorded.data();
}

// 'Load Camera setting file' with the dialog answering a file of these bytes.
void LoadLog(MainRoadWindow& m, TRestoreNoTimeRecorded* log, const std::string& bytes,
             const char* name = "capture.txt") {
  const auto log_path = m.Path(name);
  std::ofstream(log_path, std::ios::binary) << bytes;
  m.dialogs.open_file_names.push_back(QString::fromStdString(log_path.string()));
  log->Button1->click();
}

// A video of `count` plain frames without stamps at `rate`, opened with 'Open AVI'.
bool OpenPlainVideo(MainRoadWindow& m, int count, int rate) {
  std::vector<Bitmap24> frames(static_cast<size_t>(count), Bitmap24(64, 48));
  for (Bitmap24& f : frames) FillFrame(f, 20);
  AviWriterOptions o;
  o.rate = rate;
  return WriteAvi(m.Path("plain.avi").string(), frames, o) && m.OpenThroughButton1(m.Path("plain.avi"));
}

// The window opened and a log that times the frames loaded, then a plain
// video opened; null when any step fails.
TRestoreNoTimeRecorded* LoadLogThenVideo(MainRoadWindow& m, const std::string& log_text, int count, int rate) {
  TRestoreNoTimeRecorded* log = OpenLogWindow(m);
  if (!log) return nullptr;
  LoadLog(m, log, log_text);
  if (!m.W().CaptureLogTimes.Loaded() || !OpenPlainVideo(m, count, rate)) return nullptr;
  return log;
}

}  // namespace

TEST(TimeStampCaptureLog, LoadedLogTimesEveryFrameAtTheEndOfItsExposure) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  TRestoreNoTimeRecorded* log = OpenLogWindow(m);
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(log->Edit(21)->text(), "30.00");
  // The capture program's nominal rate, typed in.
  log->Edit(21)->setText("25");
  emit log->Edit(21)->editingFinished();
  EXPECT_DOUBLE_EQ(w.CaptureLogTimes.CaptureLogNominalFrameRate, 25.0);

  LoadLog(m, log, kLog);
  EXPECT_TRUE(w.CaptureLogTimes.Loaded());
  EXPECT_EQ(log->Edit(1)->text(), "2026");
  EXPECT_EQ(log->Edit(4)->text(), "12");
  EXPECT_EQ(log->Edit(6)->text(), "9.9600000");
  EXPECT_EQ(log->Edit(13)->text(), "25.000000");
  EXPECT_EQ(log->Edit(15)->text(), "4");
  EXPECT_EQ(log->Edit(16)->text(), "432099600000");  // 12:00:09.96 in 100-ns units
  EXPECT_TRUE(log->Memo1->toPlainText().contains("ActualFrameRate"));

  // A video without stamps now opens with the log's times.
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 5; ++n) {
    Bitmap24 f(64, 48);
    FillFrame(f, 20);
    frames.push_back(f);
  }
  AviWriterOptions o;
  o.rate = 25;
  const auto path = m.Path("plain.avi");
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_EQ(w.Options.TimeStampMode, 3);
  EXPECT_DOUBLE_EQ(static_cast<double>(w.Video.VideoFrameRate), 25.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(w.Video.FrameRateFactor), 1.0);
  // Frame 0 ends its exposure one interval after the start.
  EXPECT_EQ(m.Find<QLineEdit>("Edit24")->text(), "12");
  EXPECT_EQ(m.Find<QLineEdit>("Edit25")->text(), "00");
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text(), "10.0000000");
  EXPECT_EQ(m.Find<QLineEdit>("Edit59")->text(), "26 12 06");
  EXPECT_EQ(log->Edit(20)->text(), "0");
  EXPECT_EQ(log->Edit(19)->text(), "100000000");

  // Closing the window frees it; the frames keep their times.
  log->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.RestoreNoTimeRecorded.isNull());
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 5u);
  const char* seconds[] = {"10.0000000", "10.0400000", "10.0800000", "10.1200000", "10.1600000"};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(Column(rows[i], 8), "12") << rows[i];
    EXPECT_EQ(Column(rows[i], 9), "00") << rows[i];
    EXPECT_EQ(Column(rows[i], 10), seconds[i]) << rows[i];
  }

  // Reopened, the window shows the last values; 'Reset' unloads the log.
  log = OpenLogWindow(m);
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(log->Edit(21)->text(), "25.00");
  EXPECT_EQ(log->Edit(13)->text(), "25.000000");
  log->Button2->click();
  EXPECT_FALSE(w.CaptureLogTimes.Loaded());
  EXPECT_TRUE(log->Edit(13)->text().isEmpty());
  EXPECT_TRUE(log->Memo1->toPlainText().isEmpty());
}

TEST(TimeStampCaptureLog, CancelledOrMissingFileChangesNothing) {
  MainRoadWindow m(Reader::OwnAvi);
  TRestoreNoTimeRecorded* log = OpenLogWindow(m);
  ASSERT_NE(log, nullptr);
  log->Button1->click();  // cancelled
  EXPECT_TRUE(m.dialogs.messages.empty());
  // A file gone since it was chosen is told, once.
  m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path("none.txt").string()));
  log->Button1->click();
  EXPECT_FALSE(m.W().CaptureLogTimes.Loaded());
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text.toStdString(), "Cannot open \"" + m.Path("none.txt").string() + "\".");
  // Opening the item again raises the same window.
  EXPECT_EQ(OpenLogWindow(m), log);
}

// The loaded values are read whole at the window's opening size.
TEST(TimeStampCaptureLog, LoadedValuesFitTheirEdits) {
  MainRoadWindow m(Reader::OwnAvi);
  TRestoreNoTimeRecorded* log = OpenLogWindow(m);
  ASSERT_NE(log, nullptr);
  LoadLog(m, log, kLog);
  ASSERT_TRUE(m.W().CaptureLogTimes.Loaded());
  log->show();
  QCoreApplication::processEvents();
  for (int i = 1; i <= 21; ++i) {
    QLineEdit* e = log->Edit(i);
    SCOPED_TRACE("Edit" + std::to_string(i) + " '" + e->text().toStdString() + "'");
    EXPECT_GE(e->width(), e->fontMetrics().horizontalAdvance(e->text()) + 10);
  }
}

// The window goes (with the program) while the rate edit holds typed text:
// its leaving must not run the handler of the half-destroyed window.
TEST(TimeStampCaptureLog, DestroyedWhileTheRateEditHasTheFocus) {
  MainRoadWindow m(Reader::OwnAvi);
  TRestoreNoTimeRecorded* log = OpenLogWindow(m);
  ASSERT_NE(log, nullptr);
  log->Edit(21)->clear();
  ASSERT_TRUE(LeaveTypingIn(log, log->Edit(21), "25"));
  delete log;
  EXPECT_DOUBLE_EQ(m.W().CaptureLogTimes.CaptureLogNominalFrameRate, 30.0);
}

// A log saved as "Unicode" loads, and the window lists its lines readably.
TEST(TimeStampCaptureLog, Utf16LogLoadsAndShowsItsLines) {
  MainRoadWindow m(Reader::OwnAvi);
  TRestoreNoTimeRecorded* log = OpenLogWindow(m);
  ASSERT_NE(log, nullptr);
  std::string bytes = "\xFF\xFE";
  for (const char* c = kLog; *c; ++c) bytes += {*c, '\0'};
  LoadLog(m, log, bytes);
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_TRUE(m.W().CaptureLogTimes.Loaded());
  EXPECT_EQ(log->Edit(16)->text(), "432099600000");
  EXPECT_TRUE(log->Memo1->toPlainText().contains("ActualFrameRate=25.000000 fps"));
}

// A log whose capture ran over midnight, with its start line twice and lines
// of other text between, timing a run that starts at frame 2: each row holds
// the end of its own frame's exposure, 23:59:59.9 + (n + 1) / 30 s, worked out
// by hand; hours go on past 24. Field rows share their frame's time.
TEST(TimeStampCaptureLog, RowsOfARunFromALaterFrameOverMidnight) {
  const char* const log_text =
      "junk\r\nStartCapture=2026-12-06 23:59:59.9000000\nStartCapture=2026-12-06 23:59:59.9000000\r\n"
      "\xFF garbage\nActualFrameRate=30.000000fps\nFrameCount=3\n";
  const char* const seconds[] = {"00.0000000", "00.0333333", "00.0666667", "00.1000000"};  // frames 2..5
  for (const bool field : {false, true}) {
    SCOPED_TRACE(field ? "fields" : "frames");
    MainRoadWindow m(Reader::OwnAvi);
    ASSERT_NE(LoadLogThenVideo(m, log_text, 6, 30), nullptr);
    m.Find<QCheckBox>("CheckBox2")->setChecked(field);
    m.Find<QScrollBar>("ScrollBar1")->setValue(2);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    const std::vector<std::string> rows = m.Rows();
    const size_t per_frame = field ? 2 : 1;
    ASSERT_EQ(rows.size(), 4 * per_frame);
    for (size_t i = 0; i < rows.size(); ++i) {
      const char* s = seconds[i / per_frame];
      EXPECT_EQ(Column(rows[i], 8), "24") << rows[i];
      EXPECT_EQ(Column(rows[i], 9), "00") << rows[i];
      EXPECT_EQ(Column(rows[i], 10), s) << rows[i];
      EXPECT_EQ(Column(rows[i], 6), field ? s : "") << rows[i];
    }
  }
}

// A nominal rate of nought or below is no rate: it is not taken, the edit goes
// back to the rate in use with a word, and a video read through FFmpeg still
// finds its frames instead of failing on each one.
TEST(TimeStampCaptureLog, ANominalRateOfNoughtOrBelowIsNotTaken) {
  MainRoadWindow m(Reader::Ffmpeg);
  TPlatform& w = m.W();
  TRestoreNoTimeRecorded* log = OpenLogWindow(m);
  ASSERT_NE(log, nullptr);
  LoadLog(m, log, kLog);
  ASSERT_TRUE(w.CaptureLogTimes.Loaded());
  for (const char* typed : {"0", "-25", "-0", "abc", ""}) {
    SCOPED_TRACE(typed);
    m.dialogs.messages.clear();
    log->Edit(21)->setText(typed);
    emit log->Edit(21)->editingFinished();
    EXPECT_DOUBLE_EQ(w.CaptureLogTimes.CaptureLogNominalFrameRate, 30.0);
    // The edit shows the rate still in use, and says why.
    EXPECT_EQ(log->Edit(21)->text(), "30.00");
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(m.dialogs.messages[0].text, QString("\"%1\" is no frame rate: the frame rate given by the capture "
                                                  "software stays 30.00.").arg(typed));
  }
  m.dialogs.messages.clear();
  AviWriterOptions o;
  o.rate = 30;
  ASSERT_TRUE(WriteAvi(m.Path("numbered.avi").string(), NumberedFrames(5, 64, 48), o));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("numbered.avi")));
  m.Find<QScrollBar>("ScrollBar1")->setValue(4);
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_EQ(ReadFrameNumber(m.ShownImage()), 4);
}

// A file from which no frame time follows (no rate line after a start line)
// says so, rather than showing its values as if a log were loaded.
TEST(TimeStampCaptureLog, AFileThatTimesNoFrameSaysSo) {
  const struct {
    const char* name;
    const char* text;
  } cases[] = {
      {"start only", "StartCapture=2026-12-06 12:00:09.9600000\r\nFrameCount=5\r\n"},
      {"rate before start", "ActualFrameRate=25.000000 fps\r\nStartCapture=2026-12-06 12:00:09.9600000\r\n"},
      {"rate only", "ActualFrameRate=25.000000 fps\r\nFrameCount=5\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MainRoadWindow m(Reader::OwnAvi);
    TRestoreNoTimeRecorded* log = OpenLogWindow(m);
    ASSERT_NE(log, nullptr);
    LoadLog(m, log, c.text);
    EXPECT_FALSE(m.W().CaptureLogTimes.Loaded());
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Warning);
    EXPECT_TRUE(m.dialogs.messages[0].text.startsWith("No frame times were taken from this file"));
  }
  // A complete log says nothing.
  MainRoadWindow m(Reader::OwnAvi);
  LoadLog(m, OpenLogWindow(m), kLog);
  EXPECT_TRUE(m.W().CaptureLogTimes.Loaded());
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// A capture that started on the stroke of midnight is a capture like any
// other: its log loads without a word and frame n ends its exposure
// (n + 1) / 25 s after 00:00:00.
TEST(TimeStampCaptureLog, ACaptureStartedAtMidnightTimesItsFrames) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  TRestoreNoTimeRecorded* log = OpenLogWindow(m);
  ASSERT_NE(log, nullptr);
  LoadLog(m, log, "StartCapture=2026-12-07 00:00:00.0000000\nActualFrameRate=25.000000 fps\nFrameCount=3\n");
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_TRUE(w.CaptureLogTimes.Loaded());
  EXPECT_EQ(log->Edit(16)->text(), "0");
  ASSERT_TRUE(OpenPlainVideo(m, 3, 25));
  EXPECT_EQ(m.Find<QLineEdit>("Edit59")->text(), "26 12 07");
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 3u);
  const char* const seconds[] = {"00.0400000", "00.0800000", "00.1200000"};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(Column(rows[i], 8), "00") << rows[i];
    EXPECT_EQ(Column(rows[i], 9), "00") << rows[i];
    EXPECT_EQ(Column(rows[i], 10), seconds[i]) << rows[i];
  }
  // 'Reset' unloads it.
  log->Button2->click();
  EXPECT_FALSE(w.CaptureLogTimes.Loaded());
}

// 'Reset' or 'Load Camera setting file' clicked while a run measures would
// time the run's later rows from another log, or from none, under the same
// header: both are refused with a word, and every row of the run keeps the
// end of its own exposure, 12:00:09.96 + (n + 1) / 25 s, counted in whole
// 100-ns units.
TEST(TimeStampCaptureLog, TheLogIsNotChangedWhileARunMeasures) {
  const char* const other_log = "StartCapture=2026-12-06 20:30:00.0000000\nActualFrameRate=10.000000 fps\nFrameCount=12\n";
  for (const bool reset : {true, false}) {
    SCOPED_TRACE(reset ? "Reset" : "Load");
    MainRoadWindow m(Reader::OwnAvi);
    TRestoreNoTimeRecorded* log = LoadLogThenVideo(m, kLog, 5, 25);
    ASSERT_NE(log, nullptr);
    ASSERT_EQ(m.W().Options.TimeStampMode, 3);
    m.Click("Button3");
    ASSERT_TRUE(m.W().Run.MeasuringRun);
    if (reset)
      log->Button2->click();
    else
      LoadLog(m, log, other_log, "other.txt");
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Warning);
    EXPECT_TRUE(m.dialogs.messages[0].text.contains("while a measurement runs"));
    EXPECT_TRUE(m.W().CaptureLogTimes.Loaded());
    EXPECT_EQ(log->Edit(16)->text(), "432099600000");
    ASSERT_TRUE(m.WaitUntilStopped());
    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), 5u);
    for (int n = 0; n < 5; ++n) {
      const int64_t rest = 99600000 + (n + 1) * 400000;  // of the minute 12:00
      std::string frac = std::to_string(rest % 10000000);
      frac.insert(0, 7 - frac.size(), '0');
      const std::string seconds = (rest < 100000000 ? "0" : "") + std::to_string(rest / 10000000) + "." + frac;
      const std::string& row = rows[static_cast<size_t>(n)];
      EXPECT_EQ(Column(row, 8), "12") << row;
      EXPECT_EQ(Column(row, 9), "00") << row;
      EXPECT_EQ(Column(row, 10), seconds) << row;
    }
    // Once the run is over, 'Reset' unloads the log.
    log->Button2->click();
    EXPECT_FALSE(m.W().CaptureLogTimes.Loaded());
  }
}

// A log counting other frames than the video has may be another capture's:
// whichever comes second, the log or the video, a warning names both counts;
// the log still times the frames. Equal counts, or a log without a count,
// say nothing.
TEST(TimeStampCaptureLog, ALogCountingOtherFramesThanTheVideoIsTold) {
  const std::string warning =
      "The capture log counts 5 frames, the video 7. The log may belong to another video: the frame times taken from "
      "it would then be wrong.";
  for (const bool log_first : {true, false}) {
    SCOPED_TRACE(log_first ? "log first" : "video first");
    MainRoadWindow m(Reader::OwnAvi);
    TRestoreNoTimeRecorded* log = OpenLogWindow(m);
    ASSERT_NE(log, nullptr);
    if (log_first) LoadLog(m, log, kLog);
    ASSERT_TRUE(OpenPlainVideo(m, 7, 25));
    if (!log_first) LoadLog(m, log, kLog);
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(m.dialogs.messages[0].text.toStdString(), warning);
    EXPECT_TRUE(m.W().CaptureLogTimes.Loaded());
  }
  const struct {
    const char* name;
    const char* log;
  } quiet[] = {{"equal counts", kLog},
               {"no count", "StartCapture=2026-12-06 12:00:09.9600000\nActualFrameRate=25.000000 fps\n"},
               {"a count that is no number", "StartCapture=2026-12-06 12:00:09.9600000\nActualFrameRate=25 fps\nFrameCount=x\n"}};
  for (const auto& c : quiet) {
    SCOPED_TRACE(c.name);
    MainRoadWindow m(Reader::OwnAvi);
    TRestoreNoTimeRecorded* log = LoadLogThenVideo(m, c.log, 5, 25);
    ASSERT_NE(log, nullptr);
    LoadLog(m, log, c.log, "again.txt");
    EXPECT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages.front().text.toStdString();
  }
}
