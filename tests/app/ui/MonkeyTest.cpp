// The main window under a monkey: nonsense in every edit and clicks in any
// order, with and without a video or a measured table, never crash it nor
// the tool windows it opens.
#include "MainRoadFixture.h"
#include "support/WindowMonkey.h"

namespace {

// Items that reach the network or a capture device, and the closing item.
MonkeyOptions MainWindowMonkey(uint32_t seed) {
  MonkeyOptions o;
  o.seed = seed;
  o.steps = 600;
  o.skip = {"Exit1", "SoftwareUpdate1", "WebBrowser1", "Map1", "VideoCapture1"};
  return o;
}

enum class Loaded { Nothing, Video, Measured };

struct Case {
  const char* name;
  Loaded loaded;
  bool follow;
  uint32_t seed;
};

// A star that dims from frame 8 to frame 12; with Measured, object A on it
// measured to the end.
void Load(MainRoadWindow& m, Loaded loaded) {
  if (loaded == Loaded::Nothing) return;
  const auto path = m.Path("star.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(120, 100, 20, 60.3, 49.8, [](int n) {
                         return n >= 8 && n <= 12 ? 700.0 : 2000.0 + 10.0 * n;
                       })));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  if (loaded == Loaded::Video) return;
  m.ClickImage1(60, 50);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.Rows().size(), 20u);
}

class MainWindowMonkeyTest : public ::testing::TestWithParam<Case> {};

TEST_P(MainWindowMonkeyTest, NonsenseInputAndAnyClickOrderKeepTheWindowAlive) {
  const Case& c = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_NO_FATAL_FAILURE(Load(m, c.loaded));
  MonkeyOptions o = MainWindowMonkey(c.seed);
  o.follow_new_windows = c.follow;
  EXPECT_GT(RunMonkey(&m.W(), o), 100);
}

INSTANTIATE_TEST_SUITE_P(Seeds, MainWindowMonkeyTest,
                         ::testing::Values(Case{"NoVideo", Loaded::Nothing, false, 1},
                                           Case{"NoVideoAgain", Loaded::Nothing, false, 2},
                                           Case{"Video", Loaded::Video, false, 3},
                                           Case{"Measured", Loaded::Measured, false, 4},
                                           Case{"NoVideoAcrossWindows", Loaded::Nothing, true, 5},
                                           Case{"MeasuredAcrossWindows", Loaded::Measured, true, 6}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
