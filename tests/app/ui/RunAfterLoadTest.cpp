// Going on with a loaded results table: START, '1Frame' and 'DEL' continue
// from the table's last row and never write a frame it already holds.
#include <functional>

#include "MainRoadFixture.h"
#include "app/RunControl.h"

namespace {

constexpr int kWidth = 80, kHeight = 60;

void WriteStarVideo(const std::filesystem::path& path, int frames) {
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(kWidth, kHeight, frames, 40.2, 29.9, [](int) { return 1500.0; })));
}

std::vector<int> RowFrames(MainRoadWindow& m) {
  std::vector<int> out;
  for (const std::string& row : m.Rows()) out.push_back(RowFrameNumber(row));
  return out;
}

std::vector<int> Frames(int first, int last) {
  std::vector<int> out;
  for (int n = first; n <= last; ++n) out.push_back(n);
  return out;
}

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
  WriteStarVideo(video, 12);
  ASSERT_TRUE(first.OpenThroughButton1(video));
  first.ClickImage1(40, 30);
  for (int i = 0; i < 5; ++i) first.Click("Button16");
  ASSERT_EQ(RowFrames(first), Frames(0, 4));
  const auto csv = first.Path("table.csv");
  first.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  first.Click("Button6");
  ASSERT_TRUE(std::filesystem::exists(csv));
  if (c.frames_at_load != 12) WriteStarVideo(video, c.frames_at_load);

  MainRoadWindow m(Reader::OwnAvi);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  ASSERT_EQ(RowFrames(m), Frames(0, 4));
  c.act(m);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(RowFrames(m), c.expected);
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
    ::testing::Values(Case{"StartOnTheFrameShown", 12, Start, Frames(0, 11)},
                      Case{"StartInsideTheLoadedRows", 12, [](MainRoadWindow& m) { StartFrom(m, 2); }, Frames(0, 11)},
                      Case{"OneFrameOnTheFirstFrame", 12, [](MainRoadWindow& m) { OneFrameAt(m, 0); }, Frames(0, 4)},
                      Case{"OneFrameOnTheLastLoadedFrame", 12, [](MainRoadWindow& m) { OneFrameAt(m, 4); },
                           Frames(0, 5)},
                      Case{"DelOnTheLastLoadedFrame", 12, [](MainRoadWindow& m) { DeleteAt(m, 4); }, Frames(0, 3)},
                      // Rows reach past the video's end: there is nothing left to measure.
                      Case{"StartWhenTheRowsPassTheVideosEnd", 3, Start, Frames(0, 4)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
