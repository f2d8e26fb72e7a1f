// 'Load Camera setting file' of the capture-log window given a file that is
// no capture log after a log was loaded: a clear message, and the loaded log,
// its values and its text stay. Logs cut short anywhere load without harm.
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "MainRoadFixture.h"
#include "support/BrokenFiles.h"
#include "video/ui/TRestoreNoTimeRecorded.h"

namespace {

TEST(BrokenCaptureLog, AFileThatIsNoLogIsRefusedAndTheLoadedLogStays) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  QAction* item = w.findChild<QAction*>("AddTimeToNoCmosTime1");
  ASSERT_NE(item, nullptr);
  item->trigger();
  TRestoreNoTimeRecorded* log = w.RestoreNoTimeRecorded.data();
  ASSERT_NE(log, nullptr);
  m.dialogs.open_file_names.push_back(WriteFileBytes(m.Path("capture.txt"), kFiveFrameCaptureLog));
  log->Button1->click();
  ASSERT_TRUE(w.CaptureLogTimes.Loaded());
  ASSERT_EQ(log->Edit(16)->text(), "432099600000");
  const QString memo = log->Memo1->toPlainText();

  const std::vector<BrokenFile> cases = {{"empty", ""},
                                         {"another text", "Gain=300\r\nExposure=10ms\r\n"},
                                         {"binary", std::string("StartCapture=2026\0\x01\x02", 20)},
                                         Garbled(kFiveFrameCaptureLog, 0)};
  for (const BrokenFile& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(RefusedWithOneClearMessage(m.dialogs, m.Path("broken.txt"), c.bytes, [&] { log->Button1->click(); }));
    EXPECT_TRUE(w.CaptureLogTimes.Loaded());
    EXPECT_EQ(log->Edit(1)->text(), "2026");
    EXPECT_EQ(log->Edit(13)->text(), "25.000000");
    EXPECT_EQ(log->Edit(16)->text(), "432099600000");
    EXPECT_EQ(log->Memo1->toPlainText(), memo);
  }

  for (const BrokenFile& c : CutEvery(kFiveFrameCaptureLog, 1, 4)) {
    SCOPED_TRACE(c.name);
    m.dialogs.messages.clear();
    m.dialogs.open_file_names.push_back(WriteFileBytes(m.Path("cut.txt"), c.bytes));
    log->Button1->click();
    for (const auto& message : m.dialogs.messages) EXPECT_TRUE(IsClearMessage(message.text));
  }
}

}  // namespace
