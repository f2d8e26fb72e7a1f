// Every row of a run holds the measurement of the frame it names, whichever
// reader decodes ahead, whatever the step and when it changes.
#include <QCoreApplication>
#include <QSpinBox>

#include "MainRoadFixture.h"
#include "base/NumberText.h"

namespace {

double FluxOf(int n) { return 1200.0 + 60.0 * n; }

struct ValuesCase {
  const char* name;
  Reader reader;
  int step, changed_step;
};

class RunFrameValues : public ::testing::TestWithParam<ValuesCase> {};

TEST_P(RunFrameValues, EachRowMeasuresTheFrameItNames) {
  const ValuesCase& c = GetParam();
  MainRoadWindow m(c.reader);
  const auto path = m.Path("rising.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(80, 60, 24, 40.2, 29.9, FluxOf)));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(40, 30);
  m.Find<QSpinBox>("UpDown9")->setValue(c.step);
  m.W().GoToFrame(1);
  m.Click("Button3");
  m.Click("Button4");
  m.Click("SpeedButton3");  // looks back at frame 0 between the runs
  m.Click("Button3");
  // The step changes while the run goes on.
  while (m.W().Run.MeasuringRun && m.Rows().size() < 4) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  m.Find<QSpinBox>("UpDown9")->setValue(c.changed_step);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(m.dialogs.messages.empty());
  const std::vector<int> frames = m.RowFrames();
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(frames.front(), 1);
  for (size_t i = 1; i < frames.size(); ++i) {
    const int gap = frames[i] - frames[i - 1];
    EXPECT_TRUE(gap == c.step || gap == c.changed_step) << "row " << i << " frame " << frames[i];
  }
  EXPECT_GT(frames.back() + c.changed_step, 23);
  const std::vector<std::string> rows = m.Rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(frames[i]));
    const double value = ParseDoubleOr(StripQuotes(GetCsvField(rows[i], 11)), -1e9);
    // The star's flux steps by 60 a frame: within 20 names exactly one frame
    // (the part outside the aperture and the byte rounding stay below 1 %).
    EXPECT_NEAR(value, FluxOf(frames[i]), 20.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, RunFrameValues,
                         ::testing::Values(ValuesCase{"own_1_3", Reader::OwnAvi, 1, 3},
                                           ValuesCase{"ffmpeg_1_3", Reader::Ffmpeg, 1, 3},
                                           ValuesCase{"ffmpeg_3_2", Reader::Ffmpeg, 3, 2},
                                           ValuesCase{"ffmpeg_2_1", Reader::Ffmpeg, 2, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
