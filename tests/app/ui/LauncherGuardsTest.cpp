// Tool launchers that wait while the video plays: pressed during playback
// they open nothing and the playback goes on.
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <functional>

#include "MainRoadFixture.h"

namespace {

struct PlayingLauncher {
  const char* button;
  std::function<bool(TPlatform&)> opened;
};

class LauncherDuringPlayback : public SteadyStarWindow, public ::testing::WithParamInterface<PlayingLauncher> {};

TEST_P(LauncherDuringPlayback, OpensNothing) {
  TPlatform& w = m.W();
  m.Find<QSlider>("TrackBar1")->setValue(1000);  // the next frame waits meanwhile
  m.Click("SpeedButton1");
  ASSERT_TRUE(w.Run.Playing);
  m.Click(GetParam().button);
  EXPECT_FALSE(GetParam().opened(w));
  EXPECT_TRUE(w.Run.Playing);
  EXPECT_TRUE(w.Timer1->isActive());
  EXPECT_TRUE(w.Run.VideoLoaded);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, LauncherDuringPlayback,
    ::testing::Values(PlayingLauncher{"Button41", [](TPlatform& w) { return !w.AsteroidIdentification.isNull(); }},
                      PlayingLauncher{"Button37", [](TPlatform& w) { return !w.Capture_1.isNull(); }}),
    [](const auto& info) { return std::string(info.param.button); });

}  // namespace
