// The sound indicator on a WAV with a beep in frame 20.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>

#include "base/ui/ControlEvents.h"
#include "support/BeepWav.h"
#include "support/TemporaryFolder.h"
#include "support/VideoFixtures.h"
#include "timing/ui/FindControl.h"
#include "timing/ui/TSoundIndicator.h"

namespace {

TEST(SoundIndicatorWindow, LampFollowsTheBeepFrame) {
  TemporaryFolder dir;
  int frame = 0;
  bool measuring = false, closed = false;
  std::vector<std::pair<int, bool>> reports;
  SoundIndicatorHost host;
  host.WavFileName = BeepWav(dir);
  host.CurrentFrame = [&] { return frame; };
  host.FrameCount = [] { return 40; };
  host.TimingFrameRate = [] { return 25.0; };
  host.MeasuringRun = [&] { return measuring; };
  host.Report = [&](bool d, const std::string&) { reports.emplace_back(frame, d); };
  host.Closed = [&] { closed = true; };
  auto* w = new TSoundIndicator(host);
  EXPECT_EQ(w->windowTitle(), "Audio cannel display");
  ASSERT_TRUE(w->SoundInit());
  w->SamplingRateShow();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit2")->text(), "SamplingRate = 8000");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit4")->text(), "Sample/Frame= 320");
  for (frame = 18; frame <= 22; ++frame) w->GraphDraw();
  const std::vector<std::pair<int, bool>> expected = {{18, false}, {19, false}, {20, true}, {21, false}, {22, false}};
  EXPECT_EQ(reports, expected);
  frame = 20;
  w->GraphDraw();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit7")->text(), "100.00");
  EXPECT_EQ(Find<QLabel>(*w, "Panel1")->palette().color(QPalette::Window), QColor(Qt::red));
  // Gain 5 puts the threshold beyond the beep.
  Find<TUpDown>(*w, "UpDown2")->setValue(5);
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit1")->text(), "5");
  EXPECT_EQ(Find<TUpDown>(*w, "UpDown1")->Position(), 5);
  EXPECT_FALSE(w->SoundSignalDetected);
  Find<QRadioButton>(*w, "RadioGroup2_1")->click();  // redraws
  measuring = true;
  Find<QPushButton>(*w, "Button1")->click();
  EXPECT_TRUE(w->isVisible() || !closed);
  measuring = false;
  Find<QPushButton>(*w, "Button1")->click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(closed);
}

// Per cent of frame f (25 fps) covered by the beeps [from, to) in seconds.
double BeepShare(const std::vector<std::pair<double, double>>& beeps, int f) {
  double s = 0;
  for (const auto& [from, to] : beeps) s += std::max(0.0, std::min((f + 1) / 25.0, to) - std::max(f / 25.0, from));
  return s * 25 * 100;
}

// Sound made by ffmpeg with beeps at known times: a 1 kHz tone on the left
// from 1.23 s to 1.5 s (frames 30.75 to 37.5 at 25 fps), 700 Hz on the right
// from 2.01 s to 2.33 s (frames 50.25 to 58.25). The window shows the share
// of each frame that the beeps cover, for the channel chosen, and draws the
// left beep's start a quarter frame after the centre of frame 30.
TEST(SoundIndicatorWindow, BeepsAtTheirTimesForEveryRateAndChannel) {
  const std::vector<std::pair<double, double>> left = {{1.23, 1.5}}, right = {{2.01, 2.33}};
  const struct {
    int rate;
    const char* codec;
  } formats[] = {{48000, "pcm_s16le"}, {44100, "pcm_s16le"}, {8000, "pcm_u8"}};
  TemporaryFolder dir;
  for (const auto& fmt : formats) {
    SCOPED_TRACE(fmt.rate);
    const std::string wav = (dir.Path() / "tsy.wav").string();
    ASSERT_TRUE(RunFfmpeg("-f lavfi -i \"aevalsrc=exprs='0.75*sin(2*PI*1000*t)*between(t,1.23,1.5)|"
                          "0.75*sin(2*PI*700*t)*between(t,2.01,2.33)':s=" +
                          std::to_string(fmt.rate) + ":d=4\" -c:a " + fmt.codec + " " + wav));
    int frame = 0;
    SoundIndicatorHost host;
    host.WavFileName = wav;
    host.CurrentFrame = [&] { return frame; };
    host.FrameCount = [] { return 100; };
    host.TimingFrameRate = [] { return 25.0; };
    TSoundIndicator w(host);
    ASSERT_TRUE(w.SoundInit());
    EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text(), "Sample/Frame= " + QString::number(fmt.rate / 25));
    const struct {
      const char* button;
      std::vector<std::pair<double, double>> beeps;
    } channels[] = {{"RadioGroup1_0", left}, {"RadioGroup1_1", right}, {"RadioGroup1_2", {left[0], right[0]}}};
    for (const auto& ch : channels) {
      SCOPED_TRACE(ch.button);
      Find<QRadioButton>(w, ch.button)->click();
      for (int f : {29, 30, 31, 37, 45, 50, 58, 59}) {
        frame = f;
        w.GraphDraw();
        const double share = BeepShare(ch.beeps, f);
        EXPECT_NEAR(Find<QLineEdit>(w, "Edit7")->text().toDouble(), share, 1.0) << f;
        EXPECT_EQ(w.SoundSignalDetected, share > 0) << f;
      }
    }
    frame = 30;
    Find<QRadioButton>(w, "RadioGroup1_0")->click();
    // 11 pixels a frame: the quarter frame before the beep stays quiet.
    EXPECT_NE(w.Picture.pixelColor(168, 10), QColor(Qt::red));
    EXPECT_EQ(w.Picture.pixelColor(169, 10), QColor(Qt::red));
    EXPECT_EQ(w.Picture.pixelColor(243, 10), QColor(Qt::red));  // the end, 7 frames on
    EXPECT_NE(w.Picture.pixelColor(244, 10), QColor(Qt::red));
  }
}

TEST(SoundIndicatorWindow, MissingFileShowsNothing) {
  SoundIndicatorHost host;
  host.WavFileName = "/nonexistent/tsy.wav";
  TSoundIndicator w(host);
  EXPECT_FALSE(w.SoundInit());
}

}  // namespace
