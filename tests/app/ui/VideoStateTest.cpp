// The window and the frame sources share one video state: whatever reads the
// open video's size and rates through the window follows each new video, a
// failed open clears them, a loaded table's rate is not lost by a reader
// switch, and a reopen after a failed switch shows the video again.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

#include "MainRoadFixture.h"
#include "support/VideoFixtures.h"

namespace {

class VideoStateOwner : public ::testing::TestWithParam<Reader> {};

std::filesystem::path WriteVideo(MainRoadWindow& m, const std::string& name, int w, int h, uint32_t rate,
                                 uint32_t scale) {
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 4; ++n) frames.push_back(NumberedFrame(w, h, n, 2));
  const auto path = m.Path(name);
  AviWriterOptions o;
  o.rate = rate;
  o.scale = scale;
  EXPECT_TRUE(WriteAvi(path.string(), frames, o));
  return path;
}

TEST_P(VideoStateOwner, ReadOutsFollowEachNewVideoAndAFailedOpenClearsThem) {
  MainRoadWindow m(GetParam());
  TPlatform& w = m.W();
  ASSERT_TRUE(m.OpenThroughButton1(WriteVideo(m, "ntsc.avi", 64, 48, 30000, 1001)));
  EXPECT_EQ(w.ChartLink.FrameRateRounded(), 30);

  const auto pal = WriteVideo(m, "pal.avi", 32, 24, 25, 1);
  ASSERT_TRUE(m.OpenThroughButton1(pal));
  EXPECT_EQ(m.Find<QLineEdit>("Edit48")->text(), "32");
  EXPECT_EQ(m.Find<QLineEdit>("Edit49")->text(), "24");
  EXPECT_EQ(m.Find<QLineEdit>("Edit30")->text(), "25.0000000");
  EXPECT_EQ(w.Video.FrameWidth, 32);
  EXPECT_EQ(w.Video.FrameHeight, 24);
  // The chart and the report windows read the same video as the frame sources.
  EXPECT_EQ(w.ChartLink.FrameRateRounded(), 25);
  EXPECT_DOUBLE_EQ(w.ChartLink.TimingFrameRate(), 25.0);
  EXPECT_DOUBLE_EQ(w.ReportLink.TimingFrameRate(), 25.0);
  EXPECT_EQ(w.ChartLink.VideoFileName(), pal.string());
  EXPECT_EQ(w.CsvParams().FrameRateRounded, 25);
  EXPECT_EQ(w.CsvParams().VideoFileName, pal.string());
  EXPECT_NEAR(static_cast<double>(w.Video.FrameInterval), 0.04, 1e-12);

  const auto broken = m.Path("broken.avi");
  std::ofstream(broken, std::ios::binary) << "RIFF\x04\0\0\0AVI no video here";
  EXPECT_FALSE(m.OpenThroughButton1(broken));
  for (const char* e : {"Edit48", "Edit49", "Edit30", "Edit5"}) EXPECT_TRUE(m.Find<QLineEdit>(e)->text().isEmpty()) << e;
  EXPECT_EQ(w.Video.FrameWidth, 0);
  EXPECT_EQ(w.Video.FrameHeight, 0);
  EXPECT_EQ(w.Video.VideoFrameRate, 0);
  EXPECT_EQ(w.Video.VideoAccessKind, static_cast<uint8_t>(VideoAccess::None));
}

// A table loaded without its video keeps the table's rate even when the
// reader switch cannot reopen the open video.
TEST_P(VideoStateOwner, ALoadedTablesRateOutlastsAFailedReaderSwitch) {
  MainRoadWindow m(GetParam());
  TPlatform& w = m.W();
  const auto pal = WriteVideo(m, "pal.avi", 32, 24, 25, 1);
  ASSERT_TRUE(m.OpenThroughButton1(pal));
  m.ClickImage1(16, 12);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_FALSE(m.Rows().empty());
  const auto csv = m.Path("pal.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));
  std::filesystem::remove(pal);

  const auto slow = WriteVideo(m, "slow.avi", 32, 24, 10, 1);
  ASSERT_TRUE(m.OpenThroughButton1(slow));
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_EQ(m.dialogs.messages.size(), 1u);  // the table's video is gone
  EXPECT_DOUBLE_EQ(w.ChartLink.TimingFrameRate(), 25.0);

  std::filesystem::remove(slow);
  QCheckBox* dshow = m.Find<QCheckBox>("CheckBox7");
  dshow->setChecked(!dshow->isChecked());
  ASSERT_EQ(m.dialogs.messages.size(), 2u);
  EXPECT_EQ(m.dialogs.messages[1].kind, MessageKind::Error);
  EXPECT_FALSE(w.Run.VideoLoaded);
  EXPECT_DOUBLE_EQ(w.ChartLink.TimingFrameRate(), 25.0);
  EXPECT_DOUBLE_EQ(w.ReportLink.TimingFrameRate(), 25.0);
}

// A reader switch that cannot reopen the file, then a switch back or the
// camcorder-time option that can (the file is back): the video is open again
// and the window shows and moves through it.
void ReopenAfterAFailedReaderSwitch(Reader reader, bool by_camcorder_time) {
  MainRoadWindow m(reader);
  TPlatform& w = m.W();
  const auto path = WriteVideo(m, "back.avi", 32, 24, 25, 1);
  ASSERT_TRUE(m.OpenThroughButton1(path));
  const auto away = m.Path("away.avi");
  std::filesystem::rename(path, away);
  QCheckBox* dshow = m.Find<QCheckBox>("CheckBox7");
  dshow->setChecked(!dshow->isChecked());
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_FALSE(w.Run.VideoLoaded);

  std::filesystem::rename(away, path);
  if (by_camcorder_time) w.DisplayCamcordersTime2->trigger();
  else dshow->setChecked(!dshow->isChecked());
  EXPECT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.Video.FrameSourceOpen, 1);
  EXPECT_TRUE(w.Run.VideoLoaded);
  m.Find<QScrollBar>("ScrollBar1")->setValue(2);
  EXPECT_TRUE(m.ShownImage() == NumberedFrame(32, 24, 2, 2));
}

TEST_P(VideoStateOwner, AReopenAfterAFailedReaderSwitchShowsTheVideoAgain) {
  for (const bool by_camcorder_time : {false, true}) {
    SCOPED_TRACE(by_camcorder_time ? "camcorder time" : "reader switch");
    ReopenAfterAFailedReaderSwitch(GetParam(), by_camcorder_time);
  }
}

INSTANTIATE_TEST_SUITE_P(BothReaders, VideoStateOwner, ::testing::Values(Reader::OwnAvi, Reader::Ffmpeg),
                         [](const auto& info) { return info.param == Reader::OwnAvi ? "Own" : "Ffmpeg"; });

}  // namespace
