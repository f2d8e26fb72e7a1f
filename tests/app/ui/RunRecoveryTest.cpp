// What a run leaves for the next press: after a frame that cannot be read,
// after 'DataRemove', after another video is opened.
#include <QLineEdit>
#include <QSlider>

#include "MainRoadFixture.h"

namespace {

class RunRecovery : public SteadyStarWindow {
 protected:
  void SetUp() override {
    SteadyStarWindow::SetUp();
    m.Find<QSlider>("TrackBar1")->setValue(1);
    m.ClickImage1(40, 30);
  }
  QLineEdit* StartEdit() { return m.Find<QLineEdit>("Edit53"); }
};

class RunRecoveryBothReaders : public ::testing::TestWithParam<Reader> {};

// The run stops on the first frame that is gone; 'DEL' then removes the last
// row and '1Frame' measures the frame after the last row again, as after STOP.
TEST_P(RunRecoveryBothReaders, DelAndOneFrameWorkAfterARunStoppedByAnUnreadableFrame) {
  MainRoadWindow m(GetParam());
  TPlatform& w = m.W();
  const auto path = m.Path("twelve.avi");
  ASSERT_TRUE(WriteSteadyStarVideo(path, 12));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  QScrollBar* bar = m.Find<QScrollBar>("ScrollBar1");
  m.Find<QSlider>("TrackBar1")->setValue(1);
  m.ClickImage1(40, 30);
  std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  const std::vector<int> measured = m.RowFrames();
  ASSERT_GE(measured.size(), 2u);
  ASSERT_LT(measured.back(), bar->maximum());
  EXPECT_EQ(bar->value(), measured.back());
  EXPECT_EQ(w.Run.LastMeasuredFrame, measured.back());

  m.Click("Button21");  // 'DEL'
  std::vector<int> fewer = measured;
  fewer.pop_back();
  EXPECT_EQ(m.RowFrames(), fewer);
  EXPECT_EQ(bar->value(), fewer.back());

  m.Click("Button16");  // '1Frame'
  EXPECT_EQ(m.RowFrames(), measured);
  EXPECT_EQ(m.dialogs.messages.size(), 1u);

  // The next press meets the missing frame again: one box, no row.
  m.Click("Button16");
  EXPECT_EQ(m.RowFrames(), measured);
  ASSERT_EQ(m.dialogs.messages.size(), 2u);
  EXPECT_EQ(bar->value(), measured.back());
  m.Click("Button21");
  EXPECT_EQ(m.RowFrames(), fewer);
}

INSTANTIATE_TEST_SUITE_P(Readers, RunRecoveryBothReaders, ::testing::Values(Reader::OwnAvi, Reader::Ffmpeg),
                         [](const auto& info) { return std::string(ReaderName(info.param)); });

// The start frame shown goes with the table: emptied with its rows, and set
// again by the next run.
TEST_F(RunRecovery, StartFrameReadoutFollowsDataRemoveAndTheNextRun) {
  TPlatform& w = m.W();
  bar->setValue(3);
  m.Click("Button16");
  ASSERT_EQ(m.RowFrames(), FrameRange(3, 3));
  EXPECT_EQ(StartEdit()->text(), "3");

  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");  // 'DataRemove'
  ASSERT_TRUE(m.Rows().empty());
  EXPECT_EQ(w.Run.StartFrame, -1);
  EXPECT_EQ(StartEdit()->text(), "");

  bar->setValue(7);
  m.Click("Button16");
  EXPECT_EQ(StartEdit()->text(), "7");

  // Another video starts without a start frame.
  const auto other = m.Path("other.avi");
  ASSERT_TRUE(WriteSteadyStarVideo(other, 5));
  ASSERT_TRUE(m.OpenThroughButton1(other));
  EXPECT_EQ(w.Run.StartFrame, -1);
  EXPECT_EQ(StartEdit()->text(), "");
}

}  // namespace
