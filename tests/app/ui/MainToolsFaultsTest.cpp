// Faults of the main window's tools met through its controls.
#include <QAction>
#include <QRadioButton>
#include <QSpinBox>

#include "MainRoadFixture.h"

namespace {

// A second object is placed beside object A on the steady-star video.
class TwoObjects : public SteadyStarWindow {
 protected:
  void SetUp() override {
    SteadyStarWindow::SetUp();
    m.ClickImage1(40, 30);
    m.W().Mouse.PopupX = 20;
    m.W().Mouse.PopupY = 20;
    m.W().Mouse.PopupPlacement = true;
    m.Find<QAction>("Add1")->trigger();
    ASSERT_EQ(m.W().Run.ObjectCount, 2);
    m.Find<QRadioButton>("RadioButton7")->click();
    ASSERT_EQ(m.W().Run.SelectedObject, 1);
  }
};

// While 'Direction Setting' waits for its click the object cannot change; the
// object buttons go on showing the object the radii go to.
TEST_F(TwoObjects, ObjectButtonsRefusedInDirectionSettingShowTheSelectedObject) {
  TPlatform& w = m.W();
  m.Find<QRadioButton>("RadioButton2")->click();  // 'Avoid Sunlit Face'
  m.Click("Button7");                             // 'Direction Setting'
  ASSERT_TRUE(w.Run.DirectionSettingMode);
  m.Find<QRadioButton>("RadioButton8")->click();  // object B
  EXPECT_EQ(w.Run.SelectedObject, 1);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton7")->isChecked());
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton8")->isChecked());
}

}  // namespace
