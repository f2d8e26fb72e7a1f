// A change of the inserter type refused during a run or playback: the combo
// shows the type the frames are still read with.
#include <QComboBox>

#include "MainRoadFixture.h"

namespace {

struct BusyCase {
  const char* name;
  const char* start;  // the button that starts it
  const char* stop;
};

class InserterRefused : public ::testing::TestWithParam<BusyCase> {};

TEST_P(InserterRefused, ComboShowsTheTypeInUse) {
  MainRoadWindow m(Reader::OwnAvi);  // its settings choose 'KIWI'
  ASSERT_TRUE(WriteSteadyStarVideo(m.Path("twelve.avi"), 12));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("twelve.avi")));
  TPlatform& w = m.W();
  auto* combo = m.Find<QComboBox>("ComboBox1");
  ASSERT_EQ(w.Options.TimeStampMode, 1);
  ASSERT_EQ(combo->currentIndex(), 1);
  m.ClickImage1(40, 30);

  m.Click(GetParam().start);
  ASSERT_TRUE(w.Run.Playing || w.Run.MeasuringRun);
  combo->setCurrentIndex(2);  // GHS, chosen by the user
  emit combo->activated(2);
  EXPECT_EQ(w.Options.TimeStampMode, 1);
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_EQ(combo->currentText(), "KIWI");
  m.Click(GetParam().stop);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(combo->currentIndex(), w.Options.TimeStampMode);
}

INSTANTIATE_TEST_SUITE_P(RunOrPlayback, InserterRefused,
                         ::testing::Values(BusyCase{"Playback", "SpeedButton1", "SpeedButton2"},
                                           BusyCase{"Run", "Button3", "Button4"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
