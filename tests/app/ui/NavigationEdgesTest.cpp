// The step buttons, playback and the frame bar at both ends of videos of
// several frame rates: the frame shown and its number read-out follow the
// moves worked out by hand, never past the ends.
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

#include "MainRoadFixture.h"
#include "support/VideoFixtures.h"

namespace {

struct RateCase {
  const char* name;
  uint32_t rate, scale;
  int second;  // frames one second of the buttons moves, rounded by hand (halves to even)
};

class NavigationEdges : public ::testing::TestWithParam<RateCase> {
 protected:
  void SetUp() override {
    const RateCase& c = GetParam();
    // Two frames more than ten seconds: "10sec+" fits once from frame 0.
    frame_count = 10 * c.second + 3;
    AviWriterOptions o;
    o.rate = c.rate;
    o.scale = c.scale;
    const auto path = m.Path("numbered.avi");
    ASSERT_TRUE(WriteAvi(path.string(), NumberedFrames(frame_count, 40, 8, 4), o));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    bar = m.Find<QScrollBar>("ScrollBar1");
    ASSERT_EQ(bar->maximum(), frame_count - 1);
    ASSERT_EQ(m.W().Video.FrameRateRounded, c.second);
  }

  // The bar, the read-out and the picture agree on frame n.
  void ExpectShown(int n, const std::string& what, bool picture = true) {
    SCOPED_TRACE(what);
    EXPECT_EQ(bar->value(), n);
    EXPECT_EQ(m.Find<QLineEdit>("Edit10")->text().toStdString(), std::to_string(n));
    if (picture) {
      EXPECT_EQ(ReadFrameNumber(m.ShownImage(), 4), n);
    }
  }

  MainRoadWindow m{Reader::OwnAvi};
  QScrollBar* bar = nullptr;
  int frame_count = 0;
};

TEST_P(NavigationEdges, StepButtonsAndBarStayInsideTheVideo) {
  const int R = GetParam().second;
  const int max = frame_count - 1;  // 10 R + 2
  struct Step {
    const char* button;
    int expected;
  };
  const Step steps[] = {
      {"SpeedButton5", 0},            // "-1Fr" at frame 0
      {"SpeedButton7", 0},            // "-1sec"
      {"SpeedButton9", 0},            // "-10sec"
      {"SpeedButton8", 10 * R},       // "10sec+"
      {"SpeedButton8", 10 * R},       // 10 R > max - 10 R
      {"SpeedButton6", 10 * R},       // "1sec+": 10 R > max - R
      {"SpeedButton4", 10 * R + 1},   // "1Fr+"
      {"SpeedButton4", max},          // the last frame
      {"SpeedButton4", max},          // nothing past it
      {"SpeedButton6", max},
      {"SpeedButton8", max},
      {"SpeedButton7", max - R},      // "-1sec"
      {"SpeedButton6", max},          // "1sec+" back onto the last frame
      {"SpeedButton9", 2},            // "-10sec"
      {"SpeedButton7", 2},            // 2 < R
      {"SpeedButton5", 1},
      {"SpeedButton6", 1 + R},
      {"SpeedButton3", 0},            // "|<"
      {"SpeedButton6", R},
      {"SpeedButton7", 0},
  };
  for (const Step& s : steps) {
    m.Click(s.button);
    ExpectShown(s.expected, s.button);
  }
  for (const int n : {max, max - 1, 1, 0, max}) {
    bar->setValue(n);
    ExpectShown(n, "bar to " + std::to_string(n));
  }
  // The bar itself holds its ends.
  bar->setValue(max + 1);
  ExpectShown(max, "bar past the end");
  bar->setValue(-1);
  ExpectShown(0, "bar before the start");
  EXPECT_TRUE(m.Rows().empty());
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// Playback with a step of 3 stops on the last frame the step reaches and never
// shows one past the end; backwards it stops short of frame 0 likewise.
TEST_P(NavigationEdges, PlaybackWithAStepStopsOnTheLastReachableFrame) {
  const int max = frame_count - 1;
  m.Find<QSpinBox>("UpDown9")->setValue(3);
  ASSERT_EQ(m.W().Run.FrameStep, 3);
  for (const int from : {0, 1, max - 3, max - 2}) {
    m.W().GoToFrame(from);
    m.Click("SpeedButton1");
    ASSERT_TRUE(m.WaitUntilStopped());
    const int last = from + (max - from) / 3 * 3;
    ExpectShown(last, "play from " + std::to_string(from));
    EXPECT_FALSE(m.W().Run.Playing);
  }
  for (const int from : {max, 5, 2, 1}) {
    m.W().GoToFrame(from);
    m.Click("SpeedButton10");
    ASSERT_TRUE(m.WaitUntilStopped());
    ExpectShown(from % 3, "back from " + std::to_string(from));
    EXPECT_EQ(m.W().Run.FrameStep, 3);
  }
  EXPECT_TRUE(m.Rows().empty());
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// 'Show Field' splits the picture into its fields; the read-out still names the
// frame the buttons moved to.
TEST_P(NavigationEdges, ShowFieldKeepsTheReadOutOnTheFrame) {
  const int R = GetParam().second;
  const int max = frame_count - 1;
  m.Find<QCheckBox>("CheckBox1")->setChecked(true);
  const std::pair<const char*, int> steps[] = {
      {"SpeedButton8", 10 * R}, {"SpeedButton4", 10 * R + 1}, {"SpeedButton4", max}, {"SpeedButton4", max},
      {"SpeedButton9", 2},      {"SpeedButton5", 1},          {"SpeedButton5", 0},   {"SpeedButton5", 0},
  };
  for (const auto& [button, expected] : steps) {
    m.Click(button);
    ExpectShown(expected, button, false);
  }
  EXPECT_TRUE(m.Rows().empty());
}

INSTANTIATE_TEST_SUITE_P(Rates, NavigationEdges,
                         ::testing::Values(RateCase{"r25", 25, 1, 25}, RateCase{"r29_97", 30000, 1001, 30},
                                           RateCase{"r30", 30, 1, 30}, RateCase{"r59_94", 60000, 1001, 60},
                                           RateCase{"r7_5", 15, 2, 8}, RateCase{"r12_5", 25, 2, 12}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A frame that cannot be read leaves the picture of the frame before it up;
// the read-out must name that picture, not the frame that failed.
TEST(NavigationUnreadable, TheReadOutNamesThePictureShownAfterAFailedFrame) {
  for (const Reader reader : {Reader::OwnAvi, Reader::Ffmpeg}) {
    for (const char* how : {"SpeedButton1", "SpeedButton4"}) {
      SCOPED_TRACE(std::string(ReaderName(reader)) + " " + how);
      MainRoadWindow m(reader);
      const auto path = m.Path("numbered.avi");
      ASSERT_TRUE(WriteAvi(path.string(), NumberedFrames(12, 40, 8, 4)));
      ASSERT_TRUE(m.OpenThroughButton1(path));
      std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
      for (int i = 0; i < 12 && m.dialogs.messages.empty(); ++i) {
        m.Click(how);
        ASSERT_TRUE(m.WaitUntilStopped());
      }
      ASSERT_EQ(m.dialogs.messages.size(), 1u);
      // Playback paints at most every 30 ms: let the last picture come up.
      QElapsedTimer clock;
      clock.start();
      while (clock.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      const int shown = ReadFrameNumber(m.ShownImage(), 4);
      ASSERT_GE(shown, 0);
      EXPECT_LT(shown, 11);
      EXPECT_EQ(m.Find<QLineEdit>("Edit10")->text().toStdString(), std::to_string(shown));
    }
  }
}

}  // namespace
