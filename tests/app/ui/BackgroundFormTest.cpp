// The background form chosen with the form buttons is written into both
// field rows of a frame, not only the frame block.
#include <QCheckBox>
#include <QRadioButton>

#include "MainRoadFixture.h"

namespace {

TEST(BackgroundForm, FieldRowsCarryTheChosenForm) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto path = m.Path("field.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(120, 100, 3, 60.3, 49.8, [](int) { return 2000.0; })));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(60, 50);
  m.Find<QCheckBox>("CheckBox2")->setChecked(true);  // 'Field Measure'
  ASSERT_TRUE(m.Find<QCheckBox>("CheckBox2")->isChecked());
  m.Find<QRadioButton>("RadioButton3")->setChecked(true);  // 'Meteor/Lunar Limb'
  for (const auto& block : m.W().Frames.FrameDataLines) EXPECT_EQ(block.Objects[0].BackgroundForm, 2);
  m.Click("Button16");  // '1Frame'
  const auto rows = m.Rows();
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& row : rows) EXPECT_EQ(GetCsvField(row, 17 + 7), "\"Meteor/LunarLimb\"") << row;

  m.Find<QRadioButton>("RadioButton2")->setChecked(true);  // 'Avoid Sunlit Face'
  m.Click("Button16");
  const auto more = m.Rows();
  ASSERT_EQ(more.size(), 4u);
  for (size_t i = 2; i < 4; ++i) EXPECT_EQ(GetCsvField(more[i], 17 + 7), "\"AvoidSunlitFace\"") << more[i];
}

}  // namespace
