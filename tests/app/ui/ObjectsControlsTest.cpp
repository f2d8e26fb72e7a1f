// What the window shows of its objects: the outlines on the frame in the
// object's colours, the radius and tracking controls, and the predicted-track
// settings window.
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QSpinBox>

#include "ObjectsFixture.h"
#include "base/ui/ControlEvents.h"
#include "app/ui/TSetPredictTrack.h"

namespace {

::testing::AssertionResult IsRgb(const Bitmap24& b, int x, int y, int r, int g, int bl) {
  const Bgr p = b.Get(x, y);
  if (p.r == r && p.g == g && p.b == bl) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is RGB(" << int(p.r) << "," << int(p.g) << ","
                                       << int(p.b) << ")";
}

TEST(ObjectsOverlay, PlacedObjectsAreOutlinedInTheirColours) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  // Nothing placed yet: the frame is shown as it is.
  EXPECT_TRUE(m.ShownImage() == w.Driver.FrameBitmap);

  m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
  ASSERT_EQ(m.Find<QSpinBox>("UpDown1")->value(), 6);
  ASSERT_EQ(m.Find<QSpinBox>("UpDown3")->value(), 20);
  const int ax = w.Driver.ObjectX[0], ay = w.Driver.ObjectY[0];
  Bitmap24 shown = m.ShownImage();
  // Selected A: aperture edge red, background rim cyan; inside untouched.
  EXPECT_TRUE(IsRgb(shown, ax + 6, ay, 255, 0, 0));
  EXPECT_TRUE(IsRgb(shown, ax - 6, ay, 255, 0, 0));
  EXPECT_TRUE(IsRgb(shown, ax, ay - 20, 0, 255, 255));
  EXPECT_TRUE(shown.Get(ax, ay) == w.Driver.FrameBitmap.Get(ax, ay));
  EXPECT_EQ(m.Find<QLineEdit>("Edit12")->text().toInt(), w.Frames.FrameDataLines[0].Objects[0].X);
  EXPECT_EQ(m.Find<QLineEdit>("Edit13")->text().toInt(), w.Frames.FrameDataLines[0].Objects[0].Y);

  // B added and selected: A turns dark.
  m.RightClickImage1(ObjectsWindow::Px(f.X(2, 0)), ObjectsWindow::Px(f.Y(2, 0)));
  m.Trigger("Add1");
  ASSERT_EQ(w.Run.SelectedObject, 2);
  shown = m.ShownImage();
  EXPECT_TRUE(IsRgb(shown, ax + 6, ay, 128, 0, 0));
  EXPECT_TRUE(IsRgb(shown, ax - 20, ay, 0, 0, 128));

  // Hide: no outline at all.
  w.Display.OutlineDisplayMode = 2;
  w.ShowNeighbor();
  EXPECT_TRUE(m.ShownImage() == w.Driver.FrameBitmap);
}

// In direction-setting mode only the selected object's patch is redrawn: its
// background in green and the direction line (vertical by default) 26 to 50
// pixels off the centre.
TEST(ObjectsOverlay, DirectionSettingModeShowsTheMagnifierWithItsDirectionLine) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.ClickImage1(ObjectsWindow::Px(f.X(2, 0)), ObjectsWindow::Px(f.Y(2, 0)));
  const int x = w.Driver.MagnifierX[0], y = w.Driver.MagnifierY[0];
  ASSERT_EQ(w.Driver.Geometry[0].DirectionX, 0);
  w.Run.DirectionSettingMode = true;
  w.ShowNeighbor();
  const Bitmap24 shown = m.ShownImage();
  for (int d : {26, 38, 50}) EXPECT_TRUE(IsRgb(shown, x, y - d, 0, 255, 0)) << d;
  EXPECT_TRUE(IsRgb(shown, x, y - 20, 0, 255, 0));  // background rim in green
  EXPECT_TRUE(IsRgb(shown, x + 6, y, 255, 0, 0));
  // A left click leaves the mode and shows the frame with its outlines again.
  m.ClickImage1(5, 5);
  EXPECT_FALSE(w.Run.DirectionSettingMode);
  EXPECT_TRUE(IsRgb(m.ShownImage(), x, y - 20, 0, 255, 255));
}

// By the 'Position Set' mode a click places the LED boxes or the digit box.
TEST(ObjectsControls, ClicksPlaceTheLedBoxesAndTheGhsDigitBox) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  const ObjectResult a = w.Frames.FrameDataLines[0].Objects[0];
  w.Options.PositionSetMode = 1;
  m.ClickImage1(50, 60);
  EXPECT_EQ(w.Marks.Signal1X, 50);
  EXPECT_EQ(w.Marks.Signal1Y, 60);
  EXPECT_TRUE(IsRgb(m.ShownImage(), 50 - w.Options.Signal1HalfWidth, 60, 255, 0, 255));
  w.Options.PositionSetMode = 2;
  m.ClickImage1(90, 100);
  EXPECT_EQ(w.Marks.Signal2X, 90);
  EXPECT_EQ(w.Marks.Signal2Y, 100);
  EXPECT_TRUE(IsRgb(m.ShownImage(), 88, 100, 0, 255, 0));
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].PrevX, a.PrevX);  // no star placed

  // GHS with 'KIWI': the click snaps to the character grid and the mode
  // returns to placing stars.
  w.Options.TimeStampMode = 2;
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);
  w.Options.PositionSetMode = 3;
  m.ClickImage1(45, 30);
  EXPECT_TRUE(w.Marks.DigitBoxSet);
  EXPECT_EQ(w.Marks.DigitBoxX, 34);
  EXPECT_EQ(w.Marks.DigitBoxY, 27);
  EXPECT_EQ(w.Options.PositionSetMode, 0);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton10")->isChecked());

  // 'Auto Location for LED': placing A puts the Signal1 box at the right edge
  // on A's row.
  m.Find<QCheckBox>("CheckBox22")->setChecked(true);
  m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
  EXPECT_EQ(w.Marks.Signal1X, f.Width - 20);
  EXPECT_EQ(w.Marks.Signal1Y, ObjectsWindow::Px(f.Y(1, 0)));
}

// GHS with 'KIWI': each located character of the stamp gets a blue box,
// pitch wide, from two rows above the stamp row down the character height.
TEST(ObjectsOverlay, LocatedGhsCharactersAreBoxed) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);
  w.Options.TimeStampMode = 2;
  w.StampLocator.DigitCentres = {20, 36, 52, 68, 84, 100, 116, 132, 148};
  w.Options.LocatedStampRow = 60;
  w.StampGlyphs.stampCharPitch = 16;
  w.StampLocator.StampCharHeight = 18;
  w.ShowNeighbor();
  const Bitmap24 shown = m.ShownImage();
  for (int c : {20, 84, 148}) {
    SCOPED_TRACE(c);
    EXPECT_TRUE(IsRgb(shown, c - 8, 58, 0, 0, 255));
    EXPECT_TRUE(IsRgb(shown, c - 8, 77, 0, 0, 255));
    EXPECT_TRUE(IsRgb(shown, c + 7, 70, 0, 0, 255));
    EXPECT_TRUE(shown.Get(c, 70) == w.Driver.FrameBitmap.Get(c, 70));
  }
}

TEST(ObjectsControls, RadiusAndTrackingControlsGoIntoTheSelectedObject) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.PlaceThree(f);
  m.Select(2);
  m.Find<QSpinBox>("UpDown3")->setValue(18);
  for (const DataLine& b : w.Frames.FrameDataLines) EXPECT_EQ(b.Objects[1].BackgroundOuter, 18);
  m.Find<QSpinBox>("UpDown5")->setValue(9);
  for (const DataLine& b : w.Frames.FrameDataLines) EXPECT_EQ(b.Objects[1].TrackRadius, 9);
  // 'OFF' disables the passed-point buttons; 'Drift' enables them again.
  m.Find<QRadioButton>("RadioButton6")->setChecked(true);
  for (const DataLine& b : w.Frames.FrameDataLines) EXPECT_EQ(b.Objects[1].TrackMode, 2);
  EXPECT_FALSE(m.Find<QPushButton>("Button11")->isEnabled());
  EXPECT_FALSE(m.Find<QCheckBox>("CheckBox6")->isEnabled());  // B not drifting: no 'Link'
  // 'CSV' on an object in mode 2 sets mode 3.
  m.Find<QRadioButton>("RadioButton14")->setChecked(true);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].TrackMode, 3);
  m.Find<QRadioButton>("RadioButton5")->setChecked(true);
  EXPECT_TRUE(m.Find<QPushButton>("Button11")->isEnabled());
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox6")->isEnabled());
  // Selecting another object shows its own settings.
  m.Select(1);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown3")->value(), w.Frames.FrameDataLines[0].Objects[0].BackgroundOuter);
  m.Select(2);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown3")->value(), 18);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown5")->value(), 9);

  // 'Set Position only' moves the selected object without tracking.
  m.RightClickImage1(70, 20);
  m.Trigger("SetPositiononly1");
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].PrevX, 70);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].PrevY, 20);
}

// The up-downs let the background ring start at its outer radius (a ring
// one pixel wide) and the aperture reach 24. Selecting another object and
// coming back must show and keep those radii, not narrow them by one.
TEST(ObjectsControls, SelectingBackKeepsARingOnePixelWide) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  m.PlaceThree(f);
  const int radii[][3] = {{6, 8, 8}, {24, 25, 25}, {0, 25, 25}, {0, 1, 1}};
  for (const auto& r : radii) {
    SCOPED_TRACE(std::to_string(r[0]) + "/" + std::to_string(r[1]) + "/" + std::to_string(r[2]));
    m.Select(1);
    for (auto [name, v] : {std::pair{"UpDown3", 25}, {"UpDown1", 0}, {"UpDown2", r[1]}, {"UpDown1", r[0]},
                           {"UpDown3", r[2]}})
      m.Find<QSpinBox>(name)->setValue(v);
    m.Select(2);
    m.Find<QSpinBox>("UpDown3")->setValue(12);
    m.Select(1);
    EXPECT_EQ(m.Find<QSpinBox>("UpDown1")->value(), r[0]);
    EXPECT_EQ(m.Find<QSpinBox>("UpDown2")->value(), r[1]);
    EXPECT_EQ(m.Find<QSpinBox>("UpDown3")->value(), r[2]);
    for (const DataLine& b : m.W().Frames.FrameDataLines) {
      EXPECT_EQ(b.Objects[0].ApertureRadius, r[0]);
      EXPECT_EQ(b.Objects[0].BackgroundInner, r[1]);
      EXPECT_EQ(b.Objects[0].BackgroundOuter, r[2]);
    }
  }
}

TEST(ObjectsControls, PredictedTrackWindowSetsEachObjectsTrack) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  w.Tracking.PredictTracks[1].FrameRange = 70;
  QCheckBox* estimated = m.Find<QCheckBox>("CheckBox4");
  // 'Estimated track' takes clicks with 'Tracking' and 'Drift' ticked.
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);
  m.Find<QRadioButton>("RadioButton4")->setChecked(true);
  m.Find<QRadioButton>("RadioButton5")->setChecked(true);
  ASSERT_TRUE(estimated->isEnabled());
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(2, 2), estimated->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(estimated, &menu);
  ASSERT_TRUE(w.SetPredictTrack);
  TSetPredictTrack* t = w.SetPredictTrack;
  EXPECT_TRUE(w.OpenWindows.PredictTrackFormOpen);
  EXPECT_TRUE(t->testAttribute(Qt::WA_DeleteOnClose));
  EXPECT_EQ(t->UpDown[1]->Position(), 70);
  EXPECT_EQ(t->UpDown[0]->Position(), 30);

  t->CheckBox[0]->setChecked(true);  // object A, the selected one
  EXPECT_EQ(w.Tracking.PredictTracks[0].Enabled, 1);
  EXPECT_TRUE(estimated->isChecked());
  t->CheckBox[2]->setChecked(true);
  EXPECT_EQ(w.Tracking.PredictTracks[2].Enabled, 1);
  t->UpDown[2]->setValue(120);
  EXPECT_EQ(w.Tracking.PredictTracks[2].FrameRange, 120);
  // The main window's tick reaches the open window.
  estimated->setChecked(false);
  EXPECT_EQ(w.Tracking.PredictTracks[0].Enabled, 0);
  EXPECT_FALSE(t->CheckBox[0]->isChecked());

  t->close();
  EXPECT_FALSE(w.OpenWindows.PredictTrackFormOpen);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(w.SetPredictTrack);
}

}  // namespace
