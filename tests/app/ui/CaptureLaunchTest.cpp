// 'Video Capture' from the main window: two seconds recorded from the test
// pattern device through the real controls, stopped with 'ESC', and on
// 'Close' the recording opens in the main window. ffprobe and the ffmpeg
// CLI's own rendering of the pattern check the file independently.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "MainRoadFixture.h"
#include "support/VideoFixtures.h"
#include "support/WindowControls.h"
#include "video/ui/TCapture_1.h"
#include "video/ui/TRestoreNoTimeRecorded.h"

namespace {

int RowOf(QListWidget* list, const QString& text) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text() == text) return i;
  return -1;
}

template <class Done>
bool Spin(Done done, int limit_ms = 30000) {
  return SpinUntil(done, limit_ms);
}

TEST(CaptureLaunch, TwoSecondsOfTestPatternOpenInTheMainWindow) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  // A video is open before: the capture closes it and the recording replaces it.
  ASSERT_TRUE(WriteAvi(m.Path("before.avi").string(), {NumberedFrame(32, 24, 0, 2), NumberedFrame(32, 24, 1, 2)}));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("before.avi")));

  m.Find<QAction>("VideoCapture1")->trigger();
  TCapture_1* cap = w.Capture_1;
  ASSERT_NE(cap, nullptr);
  EXPECT_TRUE(w.OpenWindows.CaptureWindowOpen);
  EXPECT_EQ(w.Video.FrameSourceOpen, 0);
  EXPECT_FALSE(m.Find<QPushButton>("Button1")->isEnabled());
  EXPECT_FALSE(m.Find<QPushButton>("Button20")->isEnabled());
  m.Find<QPushButton>("Button37")->click();  // already open: nothing more
  EXPECT_EQ(w.findChildren<TCapture_1*>().size(), 1);

  // The folder button keeps its choice in the settings file.
  const QString folder = QString::fromStdString(m.dir.Path().string());
  m.dialogs.folder_names.push_back(folder);
  Find<QPushButton>(cap, "SpeedButton1")->click();
  EXPECT_EQ(Find<QLineEdit>(cap, "Edit1")->text(), folder);
  EXPECT_EQ(w.Settings.CaptureFolder, m.dir.Path().string());
  std::ifstream ini_file(m.dir.Path() / "bin" / "tessary.ini", std::ios::binary);
  const std::string ini((std::istreambuf_iterator<char>(ini_file)), std::istreambuf_iterator<char>());
  EXPECT_NE(ini.find("Capture File Path=" + m.dir.Path().string() + "\r\n"), std::string::npos);

  auto* devices = Find<QListWidget>(cap, "ListBox1");
  const int pattern = RowOf(devices, kTestPatternName);
  ASSERT_GE(pattern, 0);
  ClickListRow(devices, pattern);
  EXPECT_EQ(cap->SelectedVideoDevice(), pattern);
  auto* compressors = Find<QListWidget>(cap, "ListBox2");
  EXPECT_EQ(compressors->item(cap->SelectedCompressor())->text(), kDvEncoderName);
  const int raw = RowOf(compressors, "Uncompressed RGB");
  ClickListRow(compressors, raw);
  EXPECT_EQ(Find<QLineEdit>(cap, "Edit4")->text(), QString::number(raw));
  Find<QLineEdit>(cap, "Edit2")->setText("obs");

  Find<QPushButton>(cap, "SpeedButton2")->click();  // 'F1'
  EXPECT_EQ(Find<QLabel>(cap, "StaticText1")->text(), "Recording now..");
  EXPECT_FALSE(Find<QPushButton>(cap, "SpeedButton2")->isEnabled());
  ASSERT_TRUE(Spin([&] { return cap->Session().FramesWritten() >= 50; }));  // two seconds at 25 frames/s
  EXPECT_FALSE(Find<QLabel>(cap, "Panel1")->pixmap().isNull());
  Find<QPushButton>(cap, "SpeedButton3")->click();  // 'ESC'
  EXPECT_EQ(Find<QLabel>(cap, "StaticText1")->text(), "Preview");
  EXPECT_TRUE(Find<QPlainTextEdit>(cap, "Memo1")->toPlainText().contains("pMediaControl Stop : S_OK"));
  const std::string file = (m.dir.Path() / "obs.avi").string();
  EXPECT_EQ(cap->RecordedFile(), file);
  const long frames = static_cast<long>(cap->FramesRecorded());
  EXPECT_GE(frames, 50);

  Find<QPushButton>(cap, "Button3")->click();  // 'Close'
  QCoreApplication::processEvents();
  EXPECT_FALSE(w.Capture_1);
  EXPECT_FALSE(w.OpenWindows.CaptureWindowOpen);
  EXPECT_TRUE(m.Find<QPushButton>("Button1")->isEnabled());
  EXPECT_TRUE(m.Find<QPushButton>("Button20")->isEnabled());

  // The recording is the main window's video now.
  EXPECT_TRUE(w.Run.VideoLoaded);
  EXPECT_EQ(w.Video.VideoFileName, file);
  EXPECT_EQ(m.Find<QLineEdit>("Edit5")->text().toStdString(), file);
  EXPECT_EQ(m.Find<QLineEdit>("Edit48")->text(), "320");
  EXPECT_EQ(m.Find<QLineEdit>("Edit49")->text(), "240");
  EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->maximum(), frames - 1);
  const auto probe = ProbeVideo(file);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->frames, frames);
  EXPECT_EQ(probe->rate, "25/1");
  const std::vector<Bitmap24> first = FfmpegTestPattern(320, 240, 25, 1);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_TRUE(m.ShownImage() == first[0]);
}

// A capture program's log loaded first (LF line ends, a start just before
// midnight, a rate that is not the file's, a frame count that is not the
// recording's), then a recording made through the window: the recording opens
// timed by the log. Each row holds the end of its frame's exposure,
// 23:59:59.96 + (n + 1) / 24.95 s to the nearest 100 ns, worked out by hand
// with exact fractions; the hours run on past 24. The rows are the frames
// ffprobe counts in the file.
TEST(CaptureLaunch, ARecordingIsTimedByTheLoadedCaptureLog) {
  const char* const ends[] = {"00.0000802", "00.0401603", "00.0802405", "00.1203206", "00.1604008", "00.2004810",
                              "00.2405611", "00.2806413", "00.3207214", "00.3608016", "00.4008818", "00.4409619"};
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  w.findChild<QAction*>("AddTimeToNoCmosTime1")->trigger();
  TRestoreNoTimeRecorded* log = w.RestoreNoTimeRecorded.data();
  ASSERT_NE(log, nullptr);
  std::ofstream(m.Path("capture.txt"), std::ios::binary)
      << "StartCapture=2026-12-31 23:59:59.9600000\nEndCapture=2027-01-01 00:00:40.0000000\n"
         "ActualFrameRate=24.950000 fps\nFrameCount=1000\n";
  m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path("capture.txt").string()));
  log->Button1->click();
  ASSERT_TRUE(w.CaptureLogTimes.Loaded());

  m.Find<QAction>("VideoCapture1")->trigger();
  TCapture_1* cap = w.Capture_1;
  ASSERT_NE(cap, nullptr);
  Find<QLineEdit>(cap, "Edit1")->setText(QString::fromStdString(m.dir.Path().string()));
  auto* devices = Find<QListWidget>(cap, "ListBox1");
  ClickListRow(devices, RowOf(devices, kTestPatternName));
  auto* compressors = Find<QListWidget>(cap, "ListBox2");
  ClickListRow(compressors, RowOf(compressors, "Uncompressed RGB"));
  Find<QPushButton>(cap, "SpeedButton2")->click();
  ASSERT_TRUE(Spin([&] { return cap->Session().FramesWritten() >= 8; }));
  Find<QPushButton>(cap, "SpeedButton3")->click();
  Find<QPushButton>(cap, "Button3")->click();
  QCoreApplication::processEvents();
  const std::string file = (m.dir.Path() / "Untitled.avi").string();
  ASSERT_EQ(w.Video.VideoFileName, file);
  const auto probe = ProbeVideo(file);
  ASSERT_TRUE(probe);
  ASSERT_GE(probe->frames, 8);
  ASSERT_LE(probe->frames, 12);
  EXPECT_DOUBLE_EQ(static_cast<double>(w.Video.VideoFrameRate), 24.95);
  EXPECT_EQ(m.Find<QLineEdit>("Edit24")->text(), "24");
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text(), ends[0]);

  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(static_cast<long>(rows.size()), probe->frames);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(StripQuotes(GetCsvField(rows[i], 8)), "24") << rows[i];
    EXPECT_EQ(StripQuotes(GetCsvField(rows[i], 9)), "00") << rows[i];
    EXPECT_EQ(StripQuotes(GetCsvField(rows[i], 10)), ends[i]) << rows[i];
  }
}

TEST(CaptureLaunch, ClosingWithoutARecordingReopensThePreviousVideo) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  ASSERT_TRUE(WriteAvi(m.Path("keep.avi").string(), {NumberedFrame(32, 24, 0, 2), NumberedFrame(32, 24, 1, 2)}));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("keep.avi")));
  w.Run.Playing = true;  // 'Capture' waits while the video plays
  m.Click("Button37");
  EXPECT_FALSE(w.Capture_1);
  w.Run.Playing = false;
  m.Click("Button37");
  ASSERT_TRUE(w.Capture_1);
  EXPECT_EQ(w.Video.FrameSourceOpen, 0);
  Find<QPushButton>(w.Capture_1.data(), "Button3")->click();
  QCoreApplication::processEvents();
  EXPECT_EQ(w.Video.FrameSourceOpen, 1);
  EXPECT_EQ(w.Video.VideoFileName, m.Path("keep.avi").string());
  EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->maximum(), 1);
}


// While the capture holds the frame path the main window's step controls do
// nothing: no frame to read, so no error box for each click.
TEST(CaptureLaunch, StepControlsRestWhileTheCaptureWindowIsOpen) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  std::vector<Bitmap24> frames;
  for (int i = 0; i < 40; ++i) frames.push_back(NumberedFrame(32, 24, i, 2));
  ASSERT_TRUE(WriteAvi(m.Path("steps.avi").string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("steps.avi")));
  m.Click("Button37");
  ASSERT_TRUE(w.Capture_1);
  m.dialogs.messages.clear();
  const char* const controls[] = {"SpeedButton4", "SpeedButton6", "SpeedButton8", "SpeedButton5",
                                  "SpeedButton3", "SpeedButton1", "SpeedButton10"};
  for (const char* step : controls)
    m.Click(step);
  m.Find<QScrollBar>("ScrollBar1")->setValue(7);
  m.Click("Button3");  // 'START' has no frames to measure either
  EXPECT_FALSE(w.Run.MeasuringRun);
  EXPECT_FALSE(w.Run.Playing);
  EXPECT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages.front().text.toStdString();
  Find<QPushButton>(w.Capture_1.data(), "Button3")->click();
  QCoreApplication::processEvents();
  // The video is back and the steps work on it again.
  m.Click("SpeedButton4");
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_TRUE(m.ShownImage() == frames[static_cast<size_t>(m.Find<QScrollBar>("ScrollBar1")->value())]);
}

}  // namespace
