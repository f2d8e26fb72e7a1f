// Speed of a whole run in the real window (offscreen), printed next to the
// plain sequential grab rate of the same file. Prints only: timing figures are
// not asserted (a Release build gives the figures worth reporting).
#include <QSlider>
#include <cstdio>

#include "MainRoadFixture.h"
#include "base/NumberText.h"

namespace {

constexpr int kFrames = 150;

std::string Rate(int frames, qint64 ns) {
  return FormatFixed(ns > 0 ? frames * 1e9 / static_cast<double>(ns) : 0.0, 0, 9);
}

void SpeedOf(Reader reader) {
  MainRoadWindow m(reader);
  const auto path = m.Path("speed.avi");
  {
    SyntheticFrame f;
    f.Width = 720;
    f.Height = 480;
    f.Background = 30;
    f.NoiseSigma = 3;
    f.Stars = {SyntheticStar{200.3, 150.6, 2500, 1.6}, SyntheticStar{500.2, 300.4, 1800, 1.5},
               SyntheticStar{360.7, 380.1, 1200, 1.4}};
    const Bitmap24 frame = MakeStarFrame(f);
    AviWriter writer(path.string(), 720, 480);
    for (int n = 0; n < kFrames; ++n) writer.AddFrame(frame);
    ASSERT_TRUE(writer.Finish());
  }

  // The plain sequential grab through the same reader.
  qint64 grab_ns = 0;
  {
    VideoState state;
    state.UseDirectShow = reader == Reader::Ffmpeg ? 1 : 0;
    BeginOpenVideoFile(state, path.string());
    VideoSources sources;
    ASSERT_TRUE(OpenVideoStream(state, sources, {}).Ok);
    Bitmap24 bmp;
    std::string status;
    QElapsedTimer clock;
    clock.start();
    for (int n = 0; n < kFrames; ++n) ASSERT_TRUE(GrabVideoFrame(state, sources, n, bmp, status)) << n;
    grab_ns = clock.nsecsElapsed();
  }

  // A run of objects A, B and C with the speed bar at its fastest.
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  m.ClickImage1(200, 151);
  w.Run.ObjectCount = 3;
  for (DataLine& block : w.Frames.FrameDataLines) {
    block.Objects[1].PrevX = block.Objects[1].X = 500;
    block.Objects[1].PrevY = block.Objects[1].Y = 300;
    block.Objects[2].PrevX = block.Objects[2].X = 361;
    block.Objects[2].PrevY = block.Objects[2].Y = 380;
  }
  m.Find<QSlider>("TrackBar1")->setValue(1);
  QElapsedTimer clock;
  clock.start();
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const qint64 run_ns = clock.nsecsElapsed();
  ASSERT_EQ(m.Rows().size(), static_cast<size_t>(kFrames));
  EXPECT_TRUE(m.dialogs.messages.empty());

  // The same frames by '1Frame' presses: no timer between frames, and every
  // frame drawn on Image1.
  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");
  m.Click("SpeedButton3");
  ASSERT_TRUE(m.Rows().empty());
  clock.restart();
  for (int n = 0; n < kFrames; ++n) m.Click("Button16");
  const qint64 steps_ns = clock.nsecsElapsed();
  ASSERT_EQ(m.Rows().size(), static_cast<size_t>(kFrames));

  const std::string line = std::string(reader == Reader::OwnAvi ? "own AVI reader" : "FFmpeg source") +
                           ": 720x480, 3 objects, run " + Rate(kFrames, run_ns) + " frames/s; '1Frame' steps " +
                           Rate(kFrames, steps_ns) + " frames/s; sequential grab " + Rate(kFrames, grab_ns) +
                           " frames/s\n";
  std::fputs(line.c_str(), stdout);
}

TEST(MainRoadSpeed, PrintsTheFramesPerSecondOfAWholeRun) {
  SpeedOf(Reader::OwnAvi);
  SpeedOf(Reader::Ffmpeg);
}

}  // namespace
