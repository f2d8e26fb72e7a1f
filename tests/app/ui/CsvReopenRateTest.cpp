// 'Load CSV' reopens the table's video: timing then goes by that video's own
// frame rate, the one 'Open AVI' shows in Edit30, for every rate a camera
// records at; without its video the table's own rate cell decides.
#include <QLineEdit>

#include "MainRoadFixture.h"
#include "support/VideoFixtures.h"

namespace {

struct RateCase {
  const char* name;
  uint32_t rate, scale;
  double rate_without_video;  // what the table's rate cell gives
};

void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }

class CsvReopenRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(CsvReopenRate, TimingFollowsTheReopenedVideo) {
  const RateCase& c = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  const auto video = m.Path("run.avi");
  AviWriterOptions o;
  o.rate = c.rate;
  o.scale = c.scale;
  ASSERT_TRUE(WriteAvi(video.string(), StarFrames(80, 60, 6, 40.2, 29.9, [](int) { return 1500.0; }), o));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  const long double video_rate = w.Video.TimingFrameRate;
  const QString rate_text = m.Find<QLineEdit>("Edit30")->text();
  m.ClickImage1(40, 30);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const auto csv = m.Path("run.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));

  const auto other = m.Path("other.avi");
  ASSERT_TRUE(WriteAvi(other.string(), StarFrames(80, 60, 3, 40.2, 29.9, [](int) { return 1500.0; })));
  ASSERT_TRUE(m.OpenThroughButton1(other));
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  EXPECT_TRUE(m.dialogs.messages.empty());
  ASSERT_TRUE(w.Run.VideoLoaded);
  EXPECT_EQ(w.Video.TimingFrameRate, video_rate);
  EXPECT_EQ(m.Find<QLineEdit>("Edit30")->text(), rate_text);

  // Without its video the table's rate cell ("FrameRate=", two decimals) decides.
  std::filesystem::remove(video);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  EXPECT_DOUBLE_EQ(static_cast<double>(w.Video.TimingFrameRate), c.rate_without_video);
}

INSTANTIATE_TEST_SUITE_P(Rates, CsvReopenRate,
                         ::testing::Values(RateCase{"Ntsc", 30000, 1001, 29.97}, RateCase{"Pal", 25, 1, 25},
                                           RateCase{"Sixty", 60, 1, 60}, RateCase{"Fifteen", 15, 1, 15},
                                           RateCase{"FiftyNineNinetyFour", 60000, 1001, 59.94},
                                           RateCase{"Fifty", 50, 1, 50}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
