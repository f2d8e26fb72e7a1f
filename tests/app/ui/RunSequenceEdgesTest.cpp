// Runs started, stopped, resumed, cut back and cleared in the real window:
// the rows' frames stay in step, none twice and none lost.
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

#include "MainRoadFixture.h"

namespace {

struct RunCase {
  const char* name;
  int step;
  int start;
  bool field;
  Reader reader = Reader::OwnAvi;
};

// Frames start, start + step, ... up to last, each once (twice with fields).
std::vector<int> InStep(int start, int last, int step, bool field) {
  std::vector<int> out;
  for (int n = start; n <= last; n += step) {
    out.push_back(n);
    if (field) out.push_back(n);
  }
  return out;
}

class RunSequenceEdges : public ::testing::TestWithParam<RunCase> {
 protected:
  // 13 frames: a step of 5 or 3 does not divide the last index 12 from every start.
  void SetUp() override {
    const auto path = m.Path("thirteen.avi");
    ASSERT_TRUE(WriteSteadyStarVideo(path, 13));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    bar = m.Find<QScrollBar>("ScrollBar1");
    m.ClickImage1(40, 30);
    if (GetParam().field) m.Find<QCheckBox>("CheckBox2")->setChecked(true);
    m.Find<QSpinBox>("UpDown9")->setValue(GetParam().step);
    ASSERT_EQ(m.W().Run.FrameStep, GetParam().step);
    m.W().GoToFrame(GetParam().start);
    ASSERT_EQ(bar->value(), GetParam().start);
  }

  // The last frame a run in step from `from` reaches.
  int LastReached(int from) const { return from + (kMax - from) / GetParam().step * GetParam().step; }

  void ExpectIdleControls() {
    EXPECT_FALSE(m.W().Run.MeasuringRun);
    EXPECT_FALSE(m.W().Run.Playing);
    EXPECT_FALSE(m.W().Timer1->isActive());
    EXPECT_TRUE(bar->isEnabled());
    for (const char* u : {"UpDown1", "UpDown2", "UpDown3", "UpDown6", "UpDown8"})
      EXPECT_TRUE(m.Find<QWidget>(u)->isEnabled()) << u;
    EXPECT_TRUE(m.Find<QWidget>("CheckBox14")->isEnabled());
    EXPECT_TRUE(m.Find<QWidget>("CheckBox21")->isEnabled());
  }

  static constexpr int kMax = 12;
  MainRoadWindow m{GetParam().reader};
  QScrollBar* bar = nullptr;
};

TEST_P(RunSequenceEdges, StopAndStartAgainContinueInStepToTheEnd) {
  const RunCase& c = GetParam();
  TPlatform& w = m.W();
  m.Click("Button3");
  m.Click("Button4");  // before the first tick
  ASSERT_EQ(m.RowFrames(), InStep(c.start, c.start, c.step, c.field));
  EXPECT_EQ(w.Run.LastMeasuredFrame, c.start);
  ExpectIdleControls();
  EXPECT_FALSE(m.Find<QWidget>("CheckBox2")->isEnabled());

  // The user looks back at frame 0, then resumes.
  m.Click("SpeedButton3");
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const int last = LastReached(c.start);
  EXPECT_EQ(m.RowFrames(), InStep(c.start, last, c.step, c.field));
  EXPECT_EQ(w.Run.LastMeasuredFrame, last);
  EXPECT_EQ(w.Run.StartFrame, c.start);
  EXPECT_EQ(m.Find<QLineEdit>("Edit53")->text().toStdString(), std::to_string(c.start));
  EXPECT_EQ(bar->value(), last);
  ExpectIdleControls();

  // Neither START nor '1Frame' adds a row past the end.
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  m.Click("Button16");
  EXPECT_EQ(m.RowFrames(), InStep(c.start, last, c.step, c.field));
  ExpectIdleControls();
  EXPECT_TRUE(m.dialogs.messages.empty());
}

TEST_P(RunSequenceEdges, DeletingTheOnlyRowOrRemovingAllRowsStartsAfresh) {
  const RunCase& c = GetParam();
  TPlatform& w = m.W();
  m.Click("Button3");
  m.Click("Button4");
  ASSERT_EQ(m.RowFrames(), InStep(c.start, c.start, c.step, c.field));
  m.Click("Button21");  // 'DEL' on the first row
  if (c.start == kMax) {
    // The last frame's row, with the last frame shown, is not deleted.
    EXPECT_EQ(m.RowFrames(), InStep(c.start, c.start, c.step, c.field));
    return;
  }
  EXPECT_TRUE(m.Rows().empty());
  EXPECT_EQ(w.Run.LastMeasuredFrame, -1);
  EXPECT_EQ(bar->value(), c.start);
  ExpectIdleControls();

  const int from = c.start > 0 ? c.start - 1 : c.start + 1;
  w.GoToFrame(from);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), InStep(from, LastReached(from), c.step, c.field));
  EXPECT_EQ(w.Run.StartFrame, from);

  m.dialogs.yes_no_answers = {true};
  ASSERT_TRUE(w.RemoveMeasurementData());
  ASSERT_TRUE(m.Rows().empty());
  if (c.field) m.Find<QCheckBox>("CheckBox2")->setChecked(true);
  w.GoToFrame(c.start);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), InStep(c.start, LastReached(c.start), c.step, c.field));
  EXPECT_EQ(w.Run.StartFrame, c.start);
  EXPECT_EQ(m.Find<QLineEdit>("Edit53")->text().toStdString(), std::to_string(c.start));
  ExpectIdleControls();
}

// The video loses its later frames while open: the run stops at the first
// frame it cannot read with one box, keeps the rows measured so far, and a
// START again fails the same way without a row twice.
TEST_P(RunSequenceEdges, AVideoCutShortEndsTheRunAndKeepsItsRows) {
  const RunCase& c = GetParam();
  TPlatform& w = m.W();
  const auto path = m.Path("thirteen.avi");
  // 13 equal frames after the headers: keep the bytes of the first 9 or so.
  std::filesystem::resize_file(path, std::filesystem::file_size(path) * 7 / 10);
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SCOPED_TRACE(attempt);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    ASSERT_EQ(m.dialogs.messages.size(), static_cast<size_t>(attempt));
    EXPECT_TRUE(m.dialogs.messages.back().text.startsWith("Fail to get a bitmap.\r\n"));
    const std::vector<int> frames = m.RowFrames();
    if (!frames.empty()) {
      EXPECT_EQ(frames, InStep(c.start, frames.back(), c.step, c.field));
      EXPECT_LT(frames.back(), kMax);
    }
    EXPECT_EQ(w.Run.LastMeasuredFrame, frames.empty() ? -1 : frames.back());
    ExpectIdleControls();
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, RunSequenceEdges,
                         ::testing::Values(RunCase{"step1_mid", 1, 6, false}, RunCase{"step5_first", 5, 0, false},
                                           RunCase{"step5_mid", 5, 4, false}, RunCase{"step3_last", 3, 12, false},
                                           RunCase{"step3_nearEnd", 3, 10, false}, RunCase{"field_step2", 2, 5, true},
                                           RunCase{"field_last", 1, 12, true},
                                           RunCase{"ffmpeg_step2", 2, 1, false, Reader::Ffmpeg},
                                           RunCase{"ffmpeg_field_step3", 3, 0, true, Reader::Ffmpeg}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A video of one frame: every control keeps to frame 0, and START measures it
// once however often it is pressed.
TEST(RunOneFrameVideo, EveryControlKeepsToFrameZeroAndMeasuresItOnce) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto path = m.Path("one.avi");
  ASSERT_TRUE(WriteSteadyStarVideo(path, 1));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  QScrollBar* bar = m.Find<QScrollBar>("ScrollBar1");
  ASSERT_EQ(bar->maximum(), 0);
  m.ClickImage1(40, 30);
  for (const int step : {1, 2048}) {
    m.Find<QSpinBox>("UpDown9")->setValue(step);
    for (const char* b : {"SpeedButton1", "SpeedButton10", "SpeedButton2", "SpeedButton3", "SpeedButton4",
                          "SpeedButton5", "SpeedButton6", "SpeedButton7", "SpeedButton8", "SpeedButton9", "Button3",
                          "Button4", "Button16", "Button21", "Button3"}) {
      m.Click(b);
      ASSERT_TRUE(m.WaitUntilStopped()) << b;
      EXPECT_EQ(bar->value(), 0) << b;
      EXPECT_EQ(m.Find<QLineEdit>("Edit10")->text(), "0") << b;
    }
    EXPECT_EQ(m.RowFrames(), std::vector<int>{0});
    EXPECT_EQ(m.W().Run.LastMeasuredFrame, 0);
    m.dialogs.yes_no_answers = {true};
    ASSERT_TRUE(m.W().RemoveMeasurementData());
  }
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_TRUE(bar->isEnabled());
  EXPECT_TRUE(m.Find<QWidget>("UpDown1")->isEnabled());
}

}  // namespace

namespace {

// START pressed while the video plays turns the playback into a run from the
// frame shown: its rows follow on in step from there to the end.
TEST(RunFromPlayback, StartWhilePlayingMeasuresFromTheFrameShown) {
  for (const char* play : {"SpeedButton1", "SpeedButton10"}) {
    SCOPED_TRACE(play);
    MainRoadWindow m(Reader::OwnAvi);
    const auto path = m.Path("thirteen.avi");
    ASSERT_TRUE(WriteSteadyStarVideo(path, 13));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    QScrollBar* bar = m.Find<QScrollBar>("ScrollBar1");
    m.ClickImage1(40, 30);
    m.Find<QSpinBox>("UpDown9")->setValue(2);
    m.W().GoToFrame(7);
    m.Click(play);
    m.Click("Button3");  // before the first tick
    ASSERT_TRUE(m.WaitUntilStopped());
    EXPECT_EQ(m.RowFrames(), (std::vector<int>{7, 9, 11}));
    EXPECT_EQ(m.W().Run.StartFrame, 7);
    EXPECT_EQ(m.W().Run.FrameStep, 2);
    EXPECT_EQ(bar->value(), 11);
    EXPECT_TRUE(m.Find<QWidget>("CheckBox14")->isEnabled());
  }
}

}  // namespace
