// Run and playback details checked through the real window: what START and
// play reset before the timer starts.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>

#include "MainRoadFixture.h"

namespace {

constexpr int kWidth = 120, kHeight = 100;

// Every ring of the predicted tracks filled with samples of an earlier pass.
void FillStaleRings(TPlatform& w) {
  for (PredictTrack& t : w.Tracking.PredictTracks) {
    t.LastSample = 7;
    t.RingIndex = 7;
    for (size_t j = 0; j < 8; ++j) {
      t.Frames[j] = 500 + static_cast<int32_t>(j);
      t.Xs[j] = 33.0;
      t.Ys[j] = 44.0;
    }
  }
}

// The ring slots 1..7 hold the reset values (slot 0 may take this frame's sample).
void ExpectRingsReset(const TPlatform& w) {
  for (size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE("object " + std::to_string(k + 1));
    const PredictTrack& t = w.Tracking.PredictTracks[k];
    EXPECT_LE(t.LastSample, 0);
    for (size_t j = 1; j < 8; ++j) {
      EXPECT_EQ(t.Frames[j], 0);
      EXPECT_EQ(t.Xs[j], 100.0);
      EXPECT_EQ(t.Ys[j], 100.0);
    }
  }
}

struct Opened {
  MainRoadWindow m{Reader::OwnAvi};
  Opened() {
    const auto frames = StarFrames(kWidth, kHeight, 12, 60.3, 49.8, [](int) { return 2000.0; });
    const auto path = m.Path("star.avi");
    EXPECT_TRUE(WriteAvi(path.string(), frames));
    EXPECT_TRUE(m.OpenThroughButton1(path));
    m.ClickImage1(60, 50);
  }
};

TEST(RunConformance, StartWithEstimatedTrackEmptiesThePredictedTrackRings) {
  Opened o;
  TPlatform& w = o.m.W();
  FillStaleRings(w);
  o.m.Find<QCheckBox>("CheckBox4")->setChecked(true);
  o.m.Click("Button3");
  o.m.Click("Button4");
  ExpectRingsReset(w);
}

TEST(RunConformance, ARunLocksItsControlsAndStopGivesThemBackButFieldMeasure) {
  Opened o;
  TPlatform& w = o.m.W();
  o.m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  const char* locked[] = {"UpDown1", "UpDown2", "UpDown3", "UpDown6", "UpDown8"};
  for (const char* name : locked) EXPECT_FALSE(o.m.Find<QWidget>(name)->isEnabled()) << name;
  for (const char* name : {"Button40", "CheckBox2", "CheckBox14", "CheckBox21"})
    EXPECT_FALSE(o.m.Find<QWidget>(name)->isEnabled()) << name;
  EXPECT_FALSE(w.Add1->isEnabled());
  EXPECT_FALSE(w.Remove1->isEnabled());
  EXPECT_EQ(o.m.Find<QPlainTextEdit>("Memo3")->toPlainText(), "S0");

  o.m.Click("Button4");
  EXPECT_FALSE(w.Run.MeasuringRun);
  EXPECT_FALSE(w.Run.Playing);
  EXPECT_FALSE(w.Timer1->isActive());
  for (const char* name : locked) EXPECT_TRUE(o.m.Find<QWidget>(name)->isEnabled()) << name;
  for (const char* name : {"CheckBox14", "CheckBox21", "ScrollBar1"})
    EXPECT_TRUE(o.m.Find<QWidget>(name)->isEnabled()) << name;
  EXPECT_FALSE(o.m.Find<QWidget>("CheckBox2")->isEnabled());  // one row layout until 'DataRemove'
  EXPECT_EQ(o.m.Find<QPlainTextEdit>("Memo3")->toPlainText(), "S0\n0");

  // Resumed: StartFrame is kept, the log shows where it went on from.
  w.GoToFrame(4);
  o.m.Click("Button3");
  EXPECT_EQ(o.m.Find<QLineEdit>("Edit53")->text(), "0");
  EXPECT_EQ(w.Run.StartFrame, 0);
  ASSERT_TRUE(o.m.WaitUntilStopped());
  EXPECT_EQ(o.m.Find<QPlainTextEdit>("Memo3")->toPlainText(), "S0\n0\nS1\n11");
  EXPECT_EQ(o.m.Rows().size(), 12u);
}

TEST(RunConformance, DataRemoveGivesFieldMeasureBackOnlyOnYes) {
  Opened o;
  TPlatform& w = o.m.W();
  o.m.Click("Button3");
  ASSERT_TRUE(o.m.WaitUntilStopped());
  QWidget* field = o.m.Find<QWidget>("CheckBox2");
  EXPECT_FALSE(field->isEnabled());
  o.m.dialogs.yes_no_answers = {false};
  EXPECT_FALSE(w.RemoveMeasurementData());
  EXPECT_FALSE(field->isEnabled());
  EXPECT_EQ(o.m.Rows().size(), 12u);
  o.m.dialogs.yes_no_answers = {true};
  EXPECT_TRUE(w.RemoveMeasurementData());
  EXPECT_TRUE(field->isEnabled());
  EXPECT_TRUE(o.m.Rows().empty());
}

TEST(RunConformance, StepButtonsMoveBySecondsAtTwentyFiveFramesPerSecond) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto frames = StarFrames(kWidth, kHeight, 260, 60.3, 49.8, [](int) { return 2000.0; });
  const auto path = m.Path("long.avi");
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  QScrollBar* bar = m.Find<QScrollBar>("ScrollBar1");
  ASSERT_EQ(bar->maximum(), 259);
  ASSERT_EQ(w.Video.FrameRateRounded, 25);
  struct Step {
    const char* button;
    int expected;
  };
  const Step steps[] = {
      {"SpeedButton8", 250},  // "10sec+"
      {"SpeedButton8", 250},  // within 249 frames of the end: nothing
      {"SpeedButton6", 250},  // "1sec+": 250 > 259 - 25
      {"SpeedButton4", 251},  // "1Fr+"
      {"SpeedButton9", 1},    // "-10sec"
      {"SpeedButton9", 1},    // 1 < 250: nothing
      {"SpeedButton7", 1},    // "-1sec": 1 < 25: nothing
      {"SpeedButton5", 0},    // "-1Fr"
      {"SpeedButton5", 0},    // at 0: nothing
      {"SpeedButton6", 25},   // "1sec+"
      {"SpeedButton7", 0},    // "-1sec"
      {"SpeedButton4", 1},
      {"SpeedButton3", 0},    // back to start
  };
  for (const Step& s : steps) {
    m.Click(s.button);
    EXPECT_EQ(bar->value(), s.expected) << s.button;
  }
  // Ignored while playing.
  m.Click("SpeedButton1");
  ASSERT_TRUE(w.Run.Playing);
  const int at = bar->value();
  m.Click("SpeedButton8");
  EXPECT_EQ(bar->value(), at);
  m.Click("SpeedButton2");
  EXPECT_TRUE(m.Rows().empty());
}

}  // namespace
