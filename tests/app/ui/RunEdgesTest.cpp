// Edges of single-frame measuring and backward playback in the real window.
#include <QCheckBox>
#include <QSpinBox>

#include "MainRoadFixture.h"

namespace {

constexpr int kWidth = 80, kHeight = 60;
constexpr int kStarX = 40, kStarY = 30;

class RunEdges : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = m.Path("twelve.avi");
    ASSERT_TRUE(WriteAvi(path.string(), StarFrames(kWidth, kHeight, 12, 40.2, 29.9, [](int) { return 1500.0; })));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    bar = m.Find<QScrollBar>("ScrollBar1");
  }
  MainRoadWindow m{Reader::OwnAvi};
  QScrollBar* bar = nullptr;
};

// Rows measured one frame at a time keep their layout: a click on 'Field
// Measure' would rewrite the header and drop them.
TEST_F(RunEdges, OneFrameRowsLockFieldMeasureAsARunDoes) {
  m.ClickImage1(kStarX, kStarY);
  QCheckBox* field = m.Find<QCheckBox>("CheckBox2");
  ASSERT_TRUE(field->isEnabled());
  m.Click("Button16");
  m.Click("Button16");
  ASSERT_EQ(m.Rows().size(), 2u);
  EXPECT_FALSE(field->isEnabled());
  field->click();
  EXPECT_FALSE(field->isChecked());
  EXPECT_EQ(m.Rows().size(), 2u);
}

}  // namespace
