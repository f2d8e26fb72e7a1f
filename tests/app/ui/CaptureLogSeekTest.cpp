// A capture log and a video opened in either order, through either reader:
// every frame shown is the frame asked for, whatever nominal rate the log's
// window still holds from before.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <fstream>

#include "MainRoadFixture.h"
#include "support/VideoFixtures.h"
#include "video/ui/TRestoreNoTimeRecorded.h"

namespace {

// A camera that ran a little slower than the 25 frames per second written into the file.
constexpr const char* kLog =
    "StartCapture=2026-12-06 21:14:03.5000000\r\n"
    "EndCapture=2026-12-06 21:14:04.0000000\r\n"
    "ActualFrameRate=24.990000 fps\r\n"
    "FrameCount=12\r\n";

void LoadLog(MainRoadWindow& m, const char* text = kLog, const char* name = "capture.txt") {
  QAction* item = m.W().findChild<QAction*>("AddTimeToNoCmosTime1");
  ASSERT_NE(item, nullptr);
  item->trigger();
  TRestoreNoTimeRecorded* log = m.W().RestoreNoTimeRecorded.data();
  ASSERT_NE(log, nullptr);
  std::ofstream(m.Path(name), std::ios::binary) << text;
  m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path(name).string()));
  log->Button1->click();
  ASSERT_TRUE(m.W().CaptureLogTimes.Loaded());
}

void ChooseSharp(MainRoadWindow& m) {
  auto* combo = m.Find<QComboBox>("ComboBox1");
  combo->setCurrentIndex(3);
  emit combo->activated(3);
}

// The log loaded before the video, or after it with 'Sharp' chosen by hand.
void OpenWithLog(MainRoadWindow& m, const std::filesystem::path& path, bool log_first) {
  if (log_first) {
    LoadLog(m);
    ASSERT_TRUE(m.OpenThroughButton1(path));
  } else {
    ASSERT_TRUE(m.OpenThroughButton1(path));
    LoadLog(m);
    ChooseSharp(m);
  }
}

}  // namespace

TEST(CaptureLogSeek, EveryFrameShowsItselfInEitherOrderAndReader) {
  constexpr int kFrames = 12;
  for (const Reader reader : {Reader::OwnAvi, Reader::Ffmpeg}) {
    for (const bool log_first : {true, false}) {
      SCOPED_TRACE(std::string(ReaderName(reader)) + (log_first ? ", log then video" : ", video then log"));
      MainRoadWindow m(reader);
      AviWriterOptions o;
      o.rate = 25;
      const auto path = m.Path("numbered.avi");
      ASSERT_TRUE(WriteAvi(path.string(), NumberedFrames(kFrames, 64, 48), o));
      ASSERT_NO_FATAL_FAILURE(OpenWithLog(m, path, log_first));
      EXPECT_TRUE(m.dialogs.messages.empty());
      ASSERT_EQ(m.W().Options.TimeStampMode, 3);
      // The frames are timed by the camera's actual rate.
      EXPECT_DOUBLE_EQ(static_cast<double>(m.W().Video.VideoFrameRate), 24.99);
      auto* bar = m.Find<QScrollBar>("ScrollBar1");
      ASSERT_EQ(bar->maximum(), kFrames - 1);
      for (const int n : {1, 2, 3, 5, 7, 9, 11, 0, 10, 4, 6, 8}) {
        bar->setValue(n);
        EXPECT_EQ(ReadFrameNumber(m.ShownImage()), n) << "frame " << n;
      }
    }
  }
}

// The reader switched with the log's video open: the frames keep their own
// pictures and the log's rate keeps timing them. The camera's actual rate is
// far from the file's so that a seek on the wrong time line shows at once.
TEST(CaptureLogSeek, SwitchingTheReaderKeepsFramesAndRate) {
  constexpr int kFrames = 10;
  constexpr const char* kSlowLog =
      "StartCapture=2026-12-06 21:14:03.5000000\r\nActualFrameRate=20.000000 fps\r\nFrameCount=10\r\n";
  for (const Reader reader : {Reader::OwnAvi, Reader::Ffmpeg}) {
    SCOPED_TRACE(std::string("opened by ") + ReaderName(reader));
    MainRoadWindow m(reader);
    TPlatform& w = m.W();
    AviWriterOptions o;
    o.rate = 25;
    const auto path = m.Path("numbered.avi");
    ASSERT_TRUE(WriteAvi(path.string(), NumberedFrames(kFrames, 64, 48), o));
    std::ofstream(m.Path("slow.txt"), std::ios::binary) << kSlowLog;
    QAction* item = w.findChild<QAction*>("AddTimeToNoCmosTime1");
    ASSERT_NE(item, nullptr);
    item->trigger();
    m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path("slow.txt").string()));
    w.RestoreNoTimeRecorded->Button1->click();
    ASSERT_TRUE(m.OpenThroughButton1(path));
    ASSERT_EQ(w.Options.TimeStampMode, 3);
    auto* dshow = m.Find<QCheckBox>("CheckBox7");
    dshow->setChecked(reader == Reader::OwnAvi);
    ASSERT_EQ(w.Video.VideoAccessKind,
              static_cast<uint8_t>(reader == Reader::OwnAvi ? VideoAccess::DirectShow : VideoAccess::AviFile));
    EXPECT_TRUE(m.dialogs.messages.empty());
    EXPECT_DOUBLE_EQ(static_cast<double>(w.Video.VideoFrameRate), 20.0);
    EXPECT_EQ(m.Find<QLineEdit>("Edit30")->text(), "20.0000000");
    auto* bar = m.Find<QScrollBar>("ScrollBar1");
    for (const int n : {1, 3, 5, 8, 9, 0, 2, 4, 6, 7}) {
      bar->setValue(n);
      EXPECT_EQ(ReadFrameNumber(m.ShownImage()), n) << "frame " << n;
    }
    // Frame 7 ends its exposure 8 / 20 s after the start.
    EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text(), "03.9000000");
  }
}

// The table's header names the rate its rows are timed by: choosing 'Sharp'
// after the video opened gives the log's rate, not the file's 25.
TEST(CaptureLogSeek, TheHeaderCarriesTheRateTheRowsAreTimedBy) {
  for (const bool log_first : {true, false}) {
    SCOPED_TRACE(log_first ? "log then video" : "video then log");
    MainRoadWindow m(Reader::OwnAvi);
    AviWriterOptions o;
    o.rate = 25;
    const auto path = m.Path("numbered.avi");
    ASSERT_TRUE(WriteAvi(path.string(), NumberedFrames(4, 64, 48), o));
    ASSERT_NO_FATAL_FAILURE(OpenWithLog(m, path, log_first));
    const std::vector<std::string>& lines = m.W().Results.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "\"Video System : PAL\",\"FrameRate=24.99\",,,,,,,,,,");
  }
}

// Another capture's log loaded over the open video (the first was the wrong
// one): the frames are timed by the new log at once, the frame on show
// included, and the rate shown and written into the table's header is the
// new log's, not the old one's. Frame n ends its exposure (n + 1) / 10 s after
// 21:14:03.5.
TEST(CaptureLogSeek, AnotherLogLoadedOverTheOpenVideoRetimesIt) {
  constexpr const char* kTenLog =
      "StartCapture=2026-12-06 21:14:03.5000000\r\nActualFrameRate=10.000000 fps\r\nFrameCount=12\r\n";
  const char* const ends[] = {"03.6000000", "03.7000000", "03.8000000", "03.9000000", "04.0000000", "04.1000000",
                              "04.2000000", "04.3000000", "04.4000000", "04.5000000", "04.6000000", "04.7000000"};
  for (const Reader reader : {Reader::OwnAvi, Reader::Ffmpeg}) {
    SCOPED_TRACE(ReaderName(reader));
    MainRoadWindow m(reader);
    TPlatform& w = m.W();
    AviWriterOptions o;
    o.rate = 25;
    const auto path = m.Path("numbered.avi");
    ASSERT_TRUE(WriteAvi(path.string(), NumberedFrames(12, 64, 48), o));
    ASSERT_NO_FATAL_FAILURE(OpenWithLog(m, path, true));
    ASSERT_EQ(m.Find<QLineEdit>("Edit27")->text(), "03.5400160");
    ASSERT_NO_FATAL_FAILURE(LoadLog(m, kTenLog, "ten.txt"));
    EXPECT_TRUE(m.dialogs.messages.empty());
    EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text(), ends[0]);
    EXPECT_DOUBLE_EQ(static_cast<double>(w.Video.VideoFrameRate), 10.0);
    EXPECT_EQ(m.Find<QLineEdit>("Edit30")->text(), "10.0000000");
    auto* bar = m.Find<QScrollBar>("ScrollBar1");
    for (const int n : {1, 3, 5, 8, 11, 9, 2, 4, 10, 6, 7, 0}) {
      bar->setValue(n);
      EXPECT_EQ(ReadFrameNumber(m.ShownImage()), n) << "frame " << n;
      EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text(), ends[n]) << "frame " << n;
    }
    const std::vector<std::string>& lines = w.Results.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[2].find("\"FrameRate=10.00\""), std::string::npos) << lines[2];
  }
}
