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
