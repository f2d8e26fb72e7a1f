// 'Load Camera setting file' given a file that cannot time the frames, with
// or without a log loaded before: one clear message, and nothing of the file
// is taken (a date of one capture with the start of another would time every
// frame wrongly without a word).
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "MainRoadFixture.h"
#include "support/BrokenFiles.h"
#include "video/ui/TRestoreNoTimeRecorded.h"

namespace {

constexpr const char* kLog =
    "StartCapture=2026-12-06 12:00:09.9600000\r\n"
    "EndCapture=2026-12-06 12:00:10.1600000\r\n"
    "ActualFrameRate=25.000000 fps\r\n"
    "FrameCount=5\r\n";

struct Snapshot {
  int64_t start;
  int32_t year, month, day, last;
  long double rate;
  QStringList edits;
  QString memo;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(TPlatform& w, TRestoreNoTimeRecorded* log) {
  const CaptureLogState& s = w.CaptureLogTimes;
  Snapshot r{s.CaptureLogStartTime, s.CaptureLogYear, s.CaptureLogMonth, s.CaptureLogDay, s.CaptureLogLastFrame,
             s.CaptureLogFrameRate, {}, log->Memo1->toPlainText()};
  for (int i = 1; i <= 16; ++i) r.edits << log->Edit(i)->text();
  return r;
}

TRestoreNoTimeRecorded* OpenLogWindow(TPlatform& w) {
  w.findChild<QAction*>("AddTimeToNoCmosTime1")->trigger();
  return w.RestoreNoTimeRecorded.data();
}

const BrokenFile kBadFiles[] = {
    {"a start line but no rate line", "StartCapture=2026-12-07 08:00:00.0000000\r\nFrameCount=9\r\n"},
    {"a rate line but no start line", "ActualFrameRate=30.000000 fps\r\nFrameCount=9\r\n"},
    {"a letter in the start hour", "StartCapture=2026-12-07 0x:00:00.0000000\r\nActualFrameRate=30.000000 fps\r\n"},
    {"minute 75", "StartCapture=2026-12-07 08:75:00.0000000\r\nActualFrameRate=30.000000 fps\r\n"},
    {"month 13", "StartCapture=2026-13-07 08:00:00.0000000\r\nActualFrameRate=30.000000 fps\r\n"},
    {"seconds no number", "StartCapture=2026-12-07 08:00:ab.0000000\r\nActualFrameRate=30.000000 fps\r\n"},
    {"start cut after the date", "StartCapture=2026-12-07\r\nActualFrameRate=30.000000 fps\r\n"},
    {"rate no number", "StartCapture=2026-12-07 08:00:00.0000000\r\nActualFrameRate=thirty fps\r\n"},
    {"negative rate", "StartCapture=2026-12-07 08:00:00.0000000\r\nActualFrameRate=-30 fps\r\n"},
};

}  // namespace

TEST(CaptureLogReload, AFileThatCannotTimeTheFramesLeavesTheLoadedLogWhole) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  TRestoreNoTimeRecorded* log = OpenLogWindow(w);
  ASSERT_NE(log, nullptr);
  m.dialogs.open_file_names.push_back(WriteFileBytes(m.Path("capture.txt"), kLog));
  log->Button1->click();
  ASSERT_TRUE(w.CaptureLogTimes.Loaded());
  const Snapshot loaded = Take(w, log);

  for (const BrokenFile& c : kBadFiles) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(RefusedWithOneClearMessage(m.dialogs, m.Path("other.txt"), c.bytes, [&] { log->Button1->click(); }));
    EXPECT_TRUE(Take(w, log) == loaded);
    // Frame 2 still ends its exposure 3 / 25 s after 12:00:09.96.
    const CaptureLogFrameTime t = FrameTimeFromCaptureLog(w.CaptureLogTimes, 2);
    EXPECT_EQ(t.Day, 6);
    EXPECT_EQ(t.Hours, 12);
    EXPECT_EQ(t.RestOfMinute, 100800000);
  }

  // A whole log of another capture replaces the first.
  m.dialogs.messages.clear();
  m.dialogs.open_file_names.push_back(WriteFileBytes(
      m.Path("next.txt"), "StartCapture=2026-12-07 08:00:00.5000000\r\nActualFrameRate=30.000000 fps\r\n"));
  log->Button1->click();
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_EQ(w.CaptureLogTimes.CaptureLogDay, 7);
  EXPECT_EQ(w.CaptureLogTimes.CaptureLogStartTime, 288005000000);
}

// With no log loaded, a file with a malformed start or rate line is refused
// and loads nothing; the window shows none of it.
TEST(CaptureLogReload, AMalformedLineLoadsNothing) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  TRestoreNoTimeRecorded* log = OpenLogWindow(w);
  ASSERT_NE(log, nullptr);
  for (const BrokenFile& c : kBadFiles) {
    if (std::string(c.bytes).find("ActualFrameRate=30") == 0 || c.bytes.find("FrameCount=9") != std::string::npos)
      continue;  // these read; they only time no frame (a warning, the values shown)
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(RefusedWithOneClearMessage(m.dialogs, m.Path("bad.txt"), c.bytes, [&] { log->Button1->click(); }));
    EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Error);
    EXPECT_FALSE(w.CaptureLogTimes.Loaded());
    EXPECT_EQ(w.CaptureLogTimes.CaptureLogYear, 0);
    EXPECT_TRUE(log->Memo1->toPlainText().isEmpty());
    EXPECT_TRUE(log->Edit(1)->text().isEmpty());
  }
}

// A second log without an end line or a frame count shows none of the first
// log's: its end time and frame count belonged to another capture. The same
// file loaded with no log before shows exactly the same.
TEST(CaptureLogReload, ALogWithoutEndOrCountShowsNoneOfTheLogBefore) {
  const char* const next = "StartCapture=2026-12-07 08:00:00.5000000\nActualFrameRate=30.000000 fps\n";
  auto shown_after = [&](bool first_log) {
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    TRestoreNoTimeRecorded* log = OpenLogWindow(w);
    if (first_log) {
      m.dialogs.open_file_names.push_back(WriteFileBytes(m.Path("capture.txt"), kLog));
      log->Button1->click();
      EXPECT_EQ(log->Edit(15)->text(), "4");
    }
    m.dialogs.open_file_names.push_back(WriteFileBytes(m.Path("next.txt"), next));
    log->Button1->click();
    EXPECT_TRUE(m.dialogs.messages.empty());
    EXPECT_TRUE(w.CaptureLogTimes.Loaded());
    Snapshot s = Take(w, log);
    // Closed and opened again, the window shows the same.
    log->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    log = OpenLogWindow(w);
    Snapshot again = Take(w, log);
    EXPECT_TRUE(again == s);
    s.memo.clear();
    return s;
  };
  const Snapshot fresh = shown_after(false);
  for (int i = 7; i <= 12; ++i) EXPECT_TRUE(fresh.edits[i - 1].isEmpty()) << i;
  EXPECT_TRUE(fresh.edits[14].isEmpty());
  EXPECT_EQ(fresh.edits[15], "288005000000");  // 08:00:00.5 in 100-ns units
  EXPECT_EQ(fresh.edits[0], "2026");
  EXPECT_EQ(fresh.edits[2], "7");
  EXPECT_TRUE(shown_after(true) == fresh);
}
