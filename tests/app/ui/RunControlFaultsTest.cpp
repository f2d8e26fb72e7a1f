// Run control faults met through the real window: controls a run holds.
#include <QCheckBox>
#include <QKeyEvent>
#include <QSlider>

#include "MainRoadFixture.h"

namespace {

class RunControlFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = m.Path("twelve.avi");
    ASSERT_TRUE(WriteSteadyStarVideo(path, 12));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    bar = m.Find<QScrollBar>("ScrollBar1");
    speed = m.Find<QSlider>("TrackBar1");
    m.ClickImage1(40, 30);
  }
  MainRoadWindow m{Reader::OwnAvi};
  QScrollBar* bar = nullptr;
  QSlider* speed = nullptr;
};

// Keys on the frame bar while a run waits for its next tick: the run must
// still measure every frame once, in turn.
TEST_F(RunControlFaults, TheFrameBarIsHeldDuringARun) {
  TPlatform& w = m.W();
  speed->setValue(1000);
  m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  ASSERT_EQ(m.RowFrames(), FrameRange(0, 0));
  for (const Qt::Key key : {Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
  }
  EXPECT_EQ(bar->value(), 0);
  speed->setValue(1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 11));
  EXPECT_TRUE(bar->isEnabled());

  // STOP in the middle gives the bar back as well.
  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");
  m.Click("SpeedButton3");
  speed->setValue(1000);
  m.Click("Button3");
  EXPECT_FALSE(bar->isEnabled());
  m.Click("Button4");
  EXPECT_TRUE(bar->isEnabled());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 0));
}

// A click on 'DShow' during a run would be refused by its handler after the
// box had already turned: it would show the other reader from then on.
TEST_F(RunControlFaults, TheReaderBoxIsHeldDuringARun) {
  TPlatform& w = m.W();
  QCheckBox* reader = m.Find<QCheckBox>("CheckBox7");
  const bool before = reader->isChecked();
  ASSERT_EQ(before, w.Video.UseDirectShow != 0);
  speed->setValue(1000);
  m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  reader->click();
  EXPECT_EQ(reader->isChecked(), before);
  speed->setValue(1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 11));
  EXPECT_TRUE(reader->isEnabled());
  EXPECT_EQ(reader->isChecked(), w.Video.UseDirectShow != 0);
}

}  // namespace
