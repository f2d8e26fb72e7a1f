// 'Open AVI' answered with Cancel, or given a file that is missing or is no
// video, leaves the objects, their forms and the digit threshold as they were.
#include <QRadioButton>
#include <QSpinBox>

#include "MainRoadFixture.h"

namespace {

enum class Choice { Cancelled, Missing, NotAVideo };

struct RefusedCase {
  const char* name;
  Choice choice;
  size_t messages;
};

class OpenVideoRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(OpenVideoRefused, LeavesTheObjectsAsTheyWere) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(WriteSteadyStarVideo(m.Path("twelve.avi"), 12));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("twelve.avi")));
  TPlatform& w = m.W();
  m.ClickImage1(40, 30);
  m.Find<QRadioButton>("RadioButton2")->click();  // 'Avoid Sunlit Face'
  w.UpDown4->setValue(60);
  const ObjectResult placed = w.Frames.FrameDataLines[0].Objects[0];
  ASSERT_EQ(placed.BackgroundForm, 1);
  const int threshold = w.UpDown4->value();
  ASSERT_NE(threshold, 100);

  switch (GetParam().choice) {
    case Choice::Cancelled:
      break;
    case Choice::Missing:
      m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path("gone.avi").string()));
      break;
    case Choice::NotAVideo: {
      const auto text = m.Path("notes.avi");
      std::ofstream(text, std::ios::binary) << "these are notes, not frames\r\n";
      m.dialogs.open_file_names.push_back(QString::fromStdString(text.string()));
      break;
    }
  }
  m.dialogs.messages.clear();
  m.Click("Button1");
  EXPECT_EQ(m.dialogs.messages.size(), GetParam().messages);
  const ObjectResult& now = w.Frames.FrameDataLines[0].Objects[0];
  EXPECT_EQ(now.X, placed.X);
  EXPECT_EQ(now.Y, placed.Y);
  EXPECT_EQ(now.BackgroundForm, 1);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton2")->isChecked());
  EXPECT_EQ(w.UpDown4->value(), threshold);
}

INSTANTIATE_TEST_SUITE_P(Choices, OpenVideoRefused,
                         ::testing::Values(RefusedCase{"Cancelled", Choice::Cancelled, 0},
                                           RefusedCase{"Missing", Choice::Missing, 1},
                                           RefusedCase{"NotAVideo", Choice::NotAVideo, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
