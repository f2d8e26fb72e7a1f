// Playback, the speed bar, resuming a run and 'DataRemove' in the real window.
#include <QCheckBox>
#include <QImage>
#include <QPixmap>
#include <QSlider>

#include "MainRoadFixture.h"
#include "support/VideoFixtures.h"
#include "support/WindowControls.h"

namespace {

std::string FirstField(const std::string& row) { return StripQuotes(GetCsvField(row, 1)); }

// The frame number Image1 shows (-1 when none can be read).
int ShownFrameNumber(MainRoadWindow& m) {
  return ReadFrameNumber(m.ShownImage(), 3);
}

class MainRoadPlayback : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int n = 0; n < 12; ++n) frames.push_back(NumberedFrame(48, 32, n, 3));
    const auto path = m.Path("twelve.avi");
    ASSERT_TRUE(WriteAvi(path.string(), frames));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    // A's start position (40, 40) lies below this frame: a run is refused there.
    m.PutObject(0, 24, 16);
    bar = m.Find<QScrollBar>("ScrollBar1");
  }
  MainRoadWindow m{Reader::OwnAvi};
  std::vector<Bitmap24> frames;
  QScrollBar* bar = nullptr;
};

TEST_F(MainRoadPlayback, PlayRunsToTheLastFrameAndBackwardsToTheFirstWithoutRows) {
  TPlatform& w = m.W();
  m.Click("SpeedButton1");
  EXPECT_TRUE(w.Run.Playing);
  EXPECT_FALSE(m.Find<QCheckBox>("CheckBox14")->isEnabled());
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(bar->value(), 11);
  EXPECT_EQ(ShownFrameNumber(m), 11);  // the screen ends on the frame it stopped at
  EXPECT_TRUE(m.Rows().empty());
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox14")->isEnabled());

  m.Click("SpeedButton10");
  EXPECT_TRUE(w.Run.PlayBackward);
  EXPECT_EQ(w.Run.FrameStep, -1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(bar->value(), 0);  // and it does not turn round at frame 0
  EXPECT_EQ(ShownFrameNumber(m), 0);
  EXPECT_FALSE(w.Run.PlayBackward);
  EXPECT_EQ(w.Run.FrameStep, 1);
  EXPECT_TRUE(m.Rows().empty());
  EXPECT_TRUE(m.dialogs.messages.empty());
}

TEST_F(MainRoadPlayback, StartAfterMovingAwayResumesAfterTheLastMeasuredFrame) {
  TPlatform& w = m.W();
  for (int i = 0; i < 3; ++i) m.Click("Button16");  // rows of frames 0, 1, 2
  w.GoToFrame(7);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 12u);
  for (size_t n = 0; n < rows.size(); ++n) EXPECT_EQ(FirstField(rows[n]), std::to_string(n) + ".0");
  EXPECT_EQ(w.Run.StartFrame, 0);  // kept from the first '1Frame'
}

TEST_F(MainRoadPlayback, DataRemoveAsksAndClearsTheRowsOnlyOnYes) {
  TPlatform& w = m.W();
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.Rows().size(), 12u);

  m.dialogs.yes_no_answers = {false};
  m.Click("Button5");
  ASSERT_EQ(m.dialogs.questions.size(), 1);
  EXPECT_EQ(m.dialogs.questions[0], "Measurement data will be removed. Are you sure?");
  EXPECT_EQ(m.Rows().size(), 12u);

  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");
  EXPECT_TRUE(m.Rows().empty());
  EXPECT_EQ(w.Results.Count(), 6);
  EXPECT_EQ(w.Run.LastMeasuredFrame, -1);
  EXPECT_EQ(w.Run.StartFrame, -1);
  // A new run starts from the frame shown.
  m.Click("SpeedButton3");
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.Rows().size(), 12u);
}

}  // namespace

namespace {

// Playback through the FFmpeg ("DirectShow") source of an H.264 file with
// B-frames: every timer tick shows the next frame, decoded forward from the
// one before; only a jump seeks.
class MainRoadPlaybackFfmpeg : public ::testing::Test {
 protected:
  static constexpr int kW = 192, kH = 64, kCount = 36, kBlock = 8;
  void SetUp() override {
    std::vector<Bitmap24> numbered;
    for (int n = 0; n < kCount; ++n) numbered.push_back(NumberedFrame(kW, kH, n, kBlock));
    const auto raw = m.Path("numbered.avi");
    AviWriterOptions o;
    o.rate = 30;
    ASSERT_TRUE(WriteAvi(raw.string(), numbered, o));
    path = m.Path("numbered.mp4");
    ASSERT_TRUE(RunFfmpeg("-i '" + raw.string() + "' -c:v libx264 -preset ultrafast -crf 12 -bf 2 -g 12 '" +
                          path.string() + "'"));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    ASSERT_EQ(m.W().Video.VideoAccessKind, static_cast<uint8_t>(VideoAccess::DirectShow));
    bar = m.Find<QScrollBar>("ScrollBar1");
    ASSERT_EQ(bar->maximum(), kCount - 1);
    // Every frame the window grabs, in order, read back from its picture.
    QObject::connect(bar, &QScrollBar::valueChanged, [this](int) {
      shown.push_back(ReadFrameNumber(m.W().Driver.FrameBitmap, kBlock));
    });
  }
  int Seeks() { return m.W().Sources.DirectShow.Source().SeekCount(); }
  MainRoadWindow m{Reader::Ffmpeg};
  std::filesystem::path path;
  QScrollBar* bar = nullptr;
  std::vector<int> shown;
};

TEST_F(MainRoadPlaybackFfmpeg, PlayShowsEveryFrameInTurnWithoutSeeking) {
  TPlatform& w = m.W();
  const int seeks_before = Seeks();
  m.Click("SpeedButton1");
  EXPECT_TRUE(w.Run.Playing);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(bar->value(), kCount - 1);
  ASSERT_EQ(shown.size(), size_t(kCount - 1));
  for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], int(i) + 1) << i;
  EXPECT_EQ(Seeks(), seeks_before);
  EXPECT_TRUE(m.dialogs.messages.empty());
}

TEST_F(MainRoadPlaybackFfmpeg, StopAndPlayAgainGoOnFromTheFrameShown) {
  TPlatform& w = m.W();
  m.Find<QSlider>("TrackBar1")->setValue(30);
  const int seeks_before = Seeks();
  m.Click("SpeedButton1");
  ASSERT_TRUE(SpinUntil([&] { return bar->value() >= 10 || !w.Run.Playing; }, 60000));
  m.Click("SpeedButton2");
  EXPECT_FALSE(w.Run.Playing);
  const int stopped_at = bar->value();
  EXPECT_EQ(ReadFrameNumber(w.Driver.FrameBitmap, kBlock), stopped_at);
  m.Click("SpeedButton1");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(bar->value(), kCount - 1);
  for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], int(i) + 1) << i;
  EXPECT_EQ(Seeks(), seeks_before);
  // A jump back to a picture played through takes a kept picture, no seek;
  // playing on from there needs none either.
  w.GoToFrame(3);
  EXPECT_EQ(ReadFrameNumber(w.Driver.FrameBitmap, kBlock), 3);
  const int after_jump = Seeks();
  EXPECT_EQ(after_jump, seeks_before);
  shown.clear();
  m.Click("SpeedButton1");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(shown.size(), size_t(kCount - 4));
  for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], int(i) + 4) << i;
  EXPECT_EQ(Seeks(), after_jump);
}

}  // namespace
