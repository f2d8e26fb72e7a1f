// Clearing 'Auto Location for LED' puts a frame step above 1 back to 1, also
// while the video plays backwards, which goes on backwards.
#include <QCheckBox>
#include <QSlider>
#include <QTimer>

#include "MainRoadFixture.h"
#include "base/ui/ControlEvents.h"

namespace {

class AutoLocationStep : public SteadyStarWindow {};

TEST_F(AutoLocationStep, ClearingReturnsTheStepToOneInEitherDirection) {
  TPlatform& w = m.W();
  for (const bool backward : {false, true}) {
    SCOPED_TRACE(backward ? "backward" : "forward");
    m.Find<TUpDown>("UpDown9")->setValue(3);
    ASSERT_EQ(std::abs(w.Run.FrameStep), 3);
    m.Find<QSlider>("TrackBar1")->setValue(1000);  // the next frame waits meanwhile
    if (backward) {
      w.GoToFrame(11);
      m.Click("SpeedButton10");
      ASSERT_TRUE(w.Run.PlayBackward);
    }
    auto* led = m.Find<QCheckBox>("CheckBox22");
    led->click();
    ASSERT_TRUE(led->isChecked());
    led->click();
    EXPECT_EQ(m.Find<TUpDown>("UpDown9")->Position(), 1);
    EXPECT_EQ(w.Run.FrameStep, backward ? -1 : 1);
    EXPECT_EQ(w.Run.PlayBackward, backward);
    w.GoToFrame(0);
  }
}

}  // namespace
