// 'Play' and 'Stop' show the video in Panel3 at its own rate through the
// FFmpeg source; with our own AVI reader they do nothing.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "MainRoadFixture.h"
#include "video/ui/TRestoreNoTimeRecorded.h"

namespace {

void Spin(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(Play, PlaysInPanel3UntilStopOrTheEnd) {
  MainRoadWindow m(Reader::Ffmpeg);
  const auto path = m.Path("play.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(120, 100, 12, 60.3, 49.8, [](int) { return 2000.0; })));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  ASSERT_TRUE(w.Video.UseDirectShow);
  const int rows_before = w.Results.Count();

  m.Click("Button19");  // 'Play'
  EXPECT_TRUE(w.Sources.DirectShow.Playing());
  EXPECT_TRUE(w.PlayTimer->isActive());
  Spin(150);
  EXPECT_FALSE(m.Find<QLabel>("Panel3")->pixmap().isNull());
  EXPECT_GE(w.Play.PlayShownFrame, 0);
  m.Click("Button27");  // 'Stop'
  EXPECT_FALSE(w.Sources.DirectShow.Playing());
  EXPECT_FALSE(w.PlayTimer->isActive());
  const int stopped_at = w.Play.PlayShownFrame;
  Spin(100);
  EXPECT_EQ(w.Play.PlayShownFrame, stopped_at);

  // Played to the end, it pauses by itself on the last frame.
  m.Click("Button19");
  QElapsedTimer t;
  t.start();
  while (w.PlayTimer->isActive() && t.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_FALSE(w.PlayTimer->isActive());
  EXPECT_FALSE(w.Sources.DirectShow.Playing());
  EXPECT_EQ(w.Play.PlayShownFrame, 11);
  EXPECT_EQ(w.Results.Count(), rows_before);  // playing measures nothing
}

// A tick that comes long after the last frame's time (a busy machine) still
// shows the last frame before the pause.
TEST(Play, ALateTickEndsOnTheLastFrame) {
  MainRoadWindow m(Reader::Ffmpeg);
  const auto path = m.Path("play.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(120, 100, 6, 60.3, 49.8, [](int) { return 2000.0; })));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  m.Click("Button19");
  w.Play.PlayStartMs -= 60000;
  w.PlayTimerTick();
  EXPECT_EQ(w.Play.PlayShownFrame, 5);
  EXPECT_FALSE(w.PlayTimer->isActive());
  EXPECT_FALSE(w.Sources.DirectShow.Playing());
}

// A nominal rate typed far out of range into the capture-log window becomes
// a Sharp-time video's playing rate: playing it overflows neither the frame
// number nor the timer's interval, and a rate far too fast ends on the last frame.
TEST(Play, ANominalRateFarOutOfRangeOverflowsNothing) {
  const struct {
    const char* typed;
    bool ends;
  } rows[] = {{"1e300", true}, {"99999999999999999999", true}, {"1e-300", false}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.typed);
    MainRoadWindow m(Reader::Ffmpeg);
    const auto path = m.Path("play.avi");
    ASSERT_TRUE(WriteAvi(path.string(), StarFrames(120, 100, 6, 60.3, 49.8, [](int) { return 2000.0; })));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    TPlatform& w = m.W();
    m.W().findChild<QAction*>("AddTimeToNoCmosTime1")->trigger();
    TRestoreNoTimeRecorded* log = w.RestoreNoTimeRecorded.data();
    ASSERT_NE(log, nullptr);
    log->Edit(21)->setText(r.typed);
    emit log->Edit(21)->editingFinished();
    auto* inserter = m.Find<QComboBox>("ComboBox1");
    inserter->setCurrentIndex(3);  // 'Sharp'
    emit inserter->activated(3);
    ASSERT_EQ(w.Options.TimeStampMode, 3);

    m.Click("Button19");
    EXPECT_GE(w.PlayTimer->interval(), 1);
    EXPECT_LE(w.PlayTimer->interval(), 60000);
    w.Play.PlayStartMs -= 5000;
    w.PlayTimerTick();
    if (r.ends) {
      EXPECT_EQ(w.Play.PlayShownFrame, 5);
      EXPECT_FALSE(w.PlayTimer->isActive());
    }
    m.Click("Button27");
  }
}

TEST(Play, DoesNothingWithOurOwnReader) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto path = m.Path("play.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(120, 100, 4, 60.3, 49.8, [](int) { return 2000.0; })));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.Click("Button19");
  EXPECT_FALSE(m.W().PlayTimer->isActive());
  EXPECT_TRUE(m.Find<QLabel>("Panel3")->pixmap().isNull());
}

}  // namespace
