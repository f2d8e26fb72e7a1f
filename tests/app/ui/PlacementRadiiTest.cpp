// Placing an object with 'Photometry' ticked fits the star's profile; the
// fit's automatic radii reach the radius up-downs through the frame's outcome.
#include <QSpinBox>

#include "ObjectsFixture.h"

namespace {

TEST(PlacementRadii, ProfileFitSetsTheRadiusUpDownsFromTheStarsWidth) {
  // The aperture radius is the fitted width rounded; the inner background
  // radius lies 2 px outside it.
  const struct {
    double width;
    int aperture;
  } rows[] = {{2.2, 2}, {4.2, 4}};
  for (const auto& r : rows) {
    ObjectsWindow m;
    DriftingStarField f = SmallDriftingField(0, 0);
    f.Start[0].Width = r.width;
    ASSERT_TRUE(m.OpenField(f));
    m.Find<QCheckBox>("CheckBox14")->setChecked(true);
    m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
    EXPECT_EQ(m.Find<QSpinBox>("UpDown1")->value(), r.aperture) << r.width;
    EXPECT_EQ(m.Find<QSpinBox>("UpDown2")->value(), r.aperture + 2) << r.width;
    const ObjectResult& a = m.W().Frames.FrameDataLines[0].Objects[0];
    EXPECT_EQ(a.ApertureRadius, r.aperture) << r.width;
    // The shown position is the placed star's.
    EXPECT_TRUE(OnStar({m.Find<QLineEdit>("Edit7")->text().toInt(), m.Find<QLineEdit>("Edit8")->text().toInt()},
                       f.X(1, 0), f.Y(1, 0)))
        << r.width;
  }
}

}  // namespace
