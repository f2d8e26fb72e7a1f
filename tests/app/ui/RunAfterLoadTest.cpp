// Going on with a loaded results table: START, '1Frame' and 'DEL' continue
// from the table's last row and never write a frame it already holds.
#include <functional>

#include "MainRoadFixture.h"

namespace {

struct Case {
  const char* name;
  int frames_at_load;  // the video may have lost frames since the table was saved
  std::function<void(MainRoadWindow&)> act;
  std::vector<int> expected;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class RunAfterLoad : public ::testing::TestWithParam<Case> {};

// Rows of frames 0..4 of a 12-frame video, saved; a fresh window loads them
// (and reopens the video), then the case acts.
TEST_P(RunAfterLoad, GoesOnFromTheLastLoadedRow) {
  const Case& c = GetParam();
  MainRoadWindow first(Reader::OwnAvi);
  const auto video = first.Path("twelve.avi");
  ASSERT_TRUE(WriteSteadyStarVideo(video, 12));
  ASSERT_TRUE(first.OpenThroughButton1(video));
  first.ClickImage1(40, 30);
  for (int i = 0; i < 5; ++i) first.Click("Button16");
  ASSERT_EQ(first.RowFrames(), FrameRange(0, 4));
  const auto csv = first.Path("table.csv");
  first.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  first.Click("Button6");
  ASSERT_TRUE(std::filesystem::exists(csv));
  if (c.frames_at_load != 12) {
    ASSERT_TRUE(WriteSteadyStarVideo(video, c.frames_at_load));
  }

  MainRoadWindow m(Reader::OwnAvi);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  ASSERT_EQ(m.RowFrames(), FrameRange(0, 4));
  c.act(m);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), c.expected);
}

void Start(MainRoadWindow& m) { m.Click("Button3"); }
void StartFrom(MainRoadWindow& m, int n) {
  m.W().GoToFrame(n);
  m.Click("Button3");
}
void OneFrameAt(MainRoadWindow& m, int n) {
  m.W().GoToFrame(n);
  m.Click("Button16");
}
void DeleteAt(MainRoadWindow& m, int n) {
  m.W().GoToFrame(n);
  m.Click("Button21");
}

INSTANTIATE_TEST_SUITE_P(
    Actions, RunAfterLoad,
    ::testing::Values(Case{"StartOnTheFrameShown", 12, Start, FrameRange(0, 11)},
                      Case{"StartInsideTheLoadedRows", 12, [](MainRoadWindow& m) { StartFrom(m, 2); },
                           FrameRange(0, 11)},
                      Case{"OneFrameOnTheFirstFrame", 12, [](MainRoadWindow& m) { OneFrameAt(m, 0); },
                           FrameRange(0, 4)},
                      Case{"OneFrameOnTheLastLoadedFrame", 12, [](MainRoadWindow& m) { OneFrameAt(m, 4); },
                           FrameRange(0, 5)},
                      Case{"DelOnTheLastLoadedFrame", 12, [](MainRoadWindow& m) { DeleteAt(m, 4); }, FrameRange(0, 3)},
                      // Rows reach past the video's end: there is nothing left to measure.
                      Case{"StartWhenTheRowsPassTheVideosEnd", 3, Start, FrameRange(0, 4)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
