// A run paced by its own clock (late timer ticks step the frames they owe)
// and, on the FFmpeg reader, decoding each next frame while the current one
// is measured, writes the very rows that single '1Frame' steps write.
#include <QScrollBar>
#include <QSlider>

#include "MainRoadFixture.h"
#include "support/VideoFixtures.h"

namespace {

constexpr int kFrames = 30;

struct CatchUpCase {
  const char* name;
  Reader reader;
  const char* ffmpeg_args;  // empty: the uncompressed file itself
};

class RunCatchUp : public ::testing::TestWithParam<CatchUpCase> {
 protected:
  void SetUp() override {
    const auto raw = m.Path("star.avi");
    ASSERT_TRUE(WriteAvi(raw.string(), StarFrames(120, 100, kFrames, 60.3, 49.8, [](int n) {
                           return 1500.0 + 40.0 * n;
                         })));
    auto path = raw;
    if (*GetParam().ffmpeg_args) {
      path = m.Path("star_coded.avi");
      ASSERT_TRUE(RunFfmpeg("-i '" + raw.string() + "' " + GetParam().ffmpeg_args + " '" + path.string() + "'"));
    }
    ASSERT_TRUE(m.OpenThroughButton1(path));
    m.ClickImage1(60, 50);
    m.Find<QSlider>("TrackBar1")->setValue(1);
  }

  void BackToTheStart() {
    m.dialogs.yes_no_answers = {true};
    m.Click("Button5");
    m.Click("SpeedButton3");
    ASSERT_TRUE(m.Rows().empty());
  }

  MainRoadWindow m{GetParam().reader};
};

TEST_P(RunCatchUp, RunWritesTheRowsOfSingleSteps) {
  for (int n = 0; n < kFrames; ++n) m.Click("Button16");
  const std::vector<std::string> stepped = m.Rows();
  ASSERT_EQ(stepped.size(), size_t(kFrames));

  BackToTheStart();
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.Rows(), stepped);

  // Stopped part-way and started again: the frame decoded ahead at STOP is
  // dropped, and the run goes on from the frame after the last row.
  BackToTheStart();
  QScrollBar* bar = m.Find<QScrollBar>("ScrollBar1");
  m.Click("Button3");
  while (m.W().Run.MeasuringRun && bar->value() < 10) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  m.Click("Button4");
  EXPECT_FALSE(m.W().Run.MeasuringRun);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.Rows(), stepped);
  EXPECT_TRUE(m.dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Readers, RunCatchUp,
    ::testing::Values(CatchUpCase{"OwnAviUncompressed", Reader::OwnAvi, ""},
                      CatchUpCase{"FfmpegUncompressed", Reader::Ffmpeg, ""},
                      CatchUpCase{"FfmpegMjpeg", Reader::Ffmpeg, "-c:v mjpeg -q:v 3 -pix_fmt yuvj420p"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
