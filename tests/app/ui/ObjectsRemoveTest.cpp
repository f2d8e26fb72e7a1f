// Removing object B of three: C moves into B's place with everything that
// measures it, and C's slot starts afresh.
#include "ObjectsFixture.h"

namespace {

TEST(ObjectsRemove, CMovesIntoBWithItsDirectionAndTrackingDisk) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.PlaceThree(f);
  ASSERT_EQ(w.Run.ObjectCount, 3);
  // B and C with their own tracking disks and background directions, as
  // the up-down and 'Direction Setting' give them.
  m.Select(2);
  m.Find<QSpinBox>("UpDown5")->setValue(3);
  m.Select(3);
  m.Find<QSpinBox>("UpDown5")->setValue(9);
  w.Driver.Geometry[1].DirectionX = 7;
  w.Driver.Geometry[1].DirectionY = 0;
  w.Driver.Geometry[2].DirectionX = 0;
  w.Driver.Geometry[2].DirectionY = 9;
  const TrackDisk c_disk = w.Driver.Track[2];
  ASSERT_FALSE(c_disk.Cells == w.Driver.Track[1].Cells);

  m.Select(2);
  m.Trigger("Remove1");
  ASSERT_EQ(w.Run.ObjectCount, 2);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].TrackRadius, 9);
  EXPECT_TRUE(w.Driver.Track[1].Cells == c_disk.Cells);
  EXPECT_EQ(w.Driver.Geometry[1].DirectionX, 0);
  EXPECT_EQ(w.Driver.Geometry[1].DirectionY, 9);
  // The rows carry the direction the masks were cut with.
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].DirectionY, 9);
  // C's slot holds its start-up direction again, for an object added later.
  EXPECT_EQ(w.Driver.Geometry[2].DirectionX, 0);
  EXPECT_EQ(w.Driver.Geometry[2].DirectionY, -100);
}

}  // namespace

namespace {

// 'Rectangle Aperture' belongs to one object: switching objects shows the
// tick, sizes and controls of the one selected, and the menu acts on it alone.
TEST(ObjectsRemove, RectangleApertureFollowsTheSelectedObject) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.PlaceThree(f);
  auto* width = m.Find<QSpinBox>("UpDown8");
  auto* height = m.Find<QSpinBox>("UpDown6");
  m.Select(1);
  m.Find<QRadioButton>("RadioButton5")->setChecked(true);  // A drifts
  const ObjectResult a_before = w.Frames.FrameDataLines[0].Objects[0];
  m.Select(3);
  w.RectangleAperture1->trigger();
  width->setValue(7);
  height->setValue(31);

  m.Select(1);
  EXPECT_FALSE(w.RectangleAperture1->isChecked());
  EXPECT_EQ(width->maximum(), 25);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton1")->isEnabled());
  EXPECT_EQ(width->value(), a_before.BandWidth);
  EXPECT_EQ(height->value(), a_before.Gap);

  m.Select(3);
  EXPECT_TRUE(w.RectangleAperture1->isChecked());
  EXPECT_EQ(width->value(), 7);
  EXPECT_EQ(height->value(), 31);
  EXPECT_TRUE(width->isEnabled());
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton1")->isEnabled());

  // 'Show Field' gives back the controls a rectangle uses, not the form buttons.
  m.Find<QCheckBox>("CheckBox1")->setChecked(true);
  m.Find<QCheckBox>("CheckBox1")->setChecked(false);
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton1")->isEnabled());
  EXPECT_TRUE(width->isEnabled());
  EXPECT_TRUE(w.RectangleAperture1->isChecked());
  // So does the click that ends 'Direction Setting'.
  m.Click("Button7");
  ASSERT_TRUE(w.Run.DirectionSettingMode);
  m.ClickImage1(ObjectsWindow::Px(f.X(3, 0)) + 5, ObjectsWindow::Px(f.Y(3, 0)));
  ASSERT_FALSE(w.Run.DirectionSettingMode);
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton1")->isEnabled());
  EXPECT_TRUE(w.RectangleAperture1->isChecked());

  // On A the menu switches A's own rectangle on and off; C keeps its.
  m.Select(1);
  w.RectangleAperture1->trigger();
  const ObjectResult& a = w.Frames.FrameDataLines[0].Objects[0];
  const ObjectResult& c = w.Frames.FrameDataLines[0].Objects[2];
  EXPECT_EQ(a.BackgroundForm, 3);
  EXPECT_EQ(c.BackgroundForm, 3);
  w.RectangleAperture1->trigger();
  EXPECT_NE(a.BackgroundForm, 3);
  EXPECT_EQ(a.TrackMode, a_before.TrackMode);
  EXPECT_EQ(a.BandWidth, a_before.BandWidth);
  EXPECT_EQ(a.Gap, a_before.Gap);
  EXPECT_EQ(c.BackgroundForm, 3);
  EXPECT_EQ(w.RectAperture.RectangleWidth[2], 7);

  // Removing B moves C with its rectangle into B's place.
  m.Select(2);
  m.Trigger("Remove1");
  ASSERT_EQ(w.Run.SelectedObject, 2);
  EXPECT_TRUE(w.RectangleAperture1->isChecked());
  EXPECT_EQ(width->value(), 7);
  EXPECT_EQ(height->value(), 31);
  EXPECT_EQ(w.RectAperture.RectangleWidth[1], 7);
  EXPECT_EQ(w.RectAperture.RectangleHeight[1], 31);
}

}  // namespace

namespace {

// An object added in a slot an earlier object was removed from starts
// afresh: it tracks without the earlier one's 'Estimated track' and its
// fitted width; an object moved into B's place keeps both.
struct FreedSlotCase {
  int count;    // objects placed
  int ticked;   // the one given 'Estimated track'
  int removed;  // the one removed, then added again as the last
};

class ObjectsRemoveFreedSlot : public ::testing::TestWithParam<FreedSlotCase> {};

TEST_P(ObjectsRemoveFreedSlot, NewObjectStartsWithoutTheRemovedOnesTrack) {
  const FreedSlotCase c = GetParam();
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // profile tracking fits each star's width
  m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
  const auto add = [&](int k) {
    m.RightClickImage1(ObjectsWindow::Px(f.X(k, 0)), ObjectsWindow::Px(f.Y(k, 0)));
    m.Trigger("Add1");
  };
  for (int k = 2; k <= c.count; ++k) add(k);
  ASSERT_EQ(w.Run.ObjectCount, c.count);
  const size_t last = static_cast<size_t>(c.count - 1), ticked = static_cast<size_t>(c.ticked - 1);

  auto* estimated = m.Find<QCheckBox>("CheckBox4");
  m.Select(c.ticked);
  m.Find<QRadioButton>("RadioButton5")->setChecked(true);  // Drift
  ASSERT_TRUE(estimated->isEnabled());
  estimated->setChecked(true);
  ASSERT_EQ(w.Tracking.PredictTracks[ticked].Enabled, 1);
  const double last_width = w.Stars.ObjectFitWidth[last];
  ASSERT_GT(last_width, 0);

  m.Select(c.removed);
  m.Trigger("Remove1");
  ASSERT_EQ(w.Run.ObjectCount, c.count - 1);
  EXPECT_EQ(w.Tracking.PredictTracks[last].Enabled, 0);
  EXPECT_EQ(w.Stars.ObjectFitWidth[last], 0);
  if (c.removed < c.count) {
    // C went into B's place with its tick and width.
    EXPECT_EQ(w.Tracking.PredictTracks[1].Enabled, 1);
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].EstimatedTrack, 1);
    EXPECT_EQ(w.Stars.ObjectFitWidth[1], last_width);
  }

  add(c.count);
  ASSERT_EQ(w.Run.ObjectCount, c.count);
  m.Select(1);
  m.Select(c.count);
  EXPECT_FALSE(estimated->isChecked());
  EXPECT_EQ(w.Tracking.PredictTracks[last].Enabled, 0);
  for (const DataLine& b : w.Frames.FrameDataLines) EXPECT_EQ(b.Objects[last].EstimatedTrack, 0);
}

INSTANTIATE_TEST_SUITE_P(Slots, ObjectsRemoveFreedSlot,
                         ::testing::Values(FreedSlotCase{3, 3, 3}, FreedSlotCase{3, 3, 2}, FreedSlotCase{2, 2, 2}));

}  // namespace
