// The sound indicator on a WAV with a beep in frame 20.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>
#include <gtest/gtest.h>

#include "base/ui/ControlEvents.h"
#include "support/BeepWav.h"
#include "support/TemporaryFolder.h"
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

TEST(SoundIndicatorWindow, MissingFileShowsNothing) {
  SoundIndicatorHost host;
  host.WavFileName = "/nonexistent/tsy.wav";
  TSoundIndicator w(host);
  EXPECT_FALSE(w.SoundInit());
}

}  // namespace
