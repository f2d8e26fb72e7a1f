// Objects A, B and C placed by clicks on a video of three drifting, shaking
// stars, measured with START through the real window: every row's positions
// are checked against where the stars were drawn.
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>
#include <vector>

#include "ObjectsFixture.h"
#include "base/NumberText.h"

namespace {

// Runs START from the current frame to the end and checks objects against
// their stars in the rows of that run.
void RunAndCheck(ObjectsWindow& m, const DriftingStarField& f, const std::vector<int>& objects, int first = 0) {
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(m.dialogs.messages.empty());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_GE(rows.size(), static_cast<size_t>(kObjFrames - first));
  const size_t base = rows.size() - static_cast<size_t>(kObjFrames - first);
  for (int n = first; n < kObjFrames; ++n) {
    const std::string& row = rows[base + static_cast<size_t>(n - first)];
    for (int k : objects)
      ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(row, k), f.X(k, n), f.Y(k, n))) << "object " << k << ", frame " << n;
  }
}

// 'Link' ticked, 'Begin' marked at the first frame and 'End' at the last
// with every object clicked onto its star there; then back at the first
// frame with every object on its star again.
void MarkLinkedBeginEnd(ObjectsWindow& m, const DriftingStarField& f) {
  TPlatform& w = m.W();
  m.Find<QCheckBox>("CheckBox6")->setChecked(true);
  m.Click("Button23");
  for (int n : {kObjFrames - 1, 0}) {
    w.GoToFrame(n);
    for (int k = 1; k <= w.Run.ObjectCount; ++k) {
      m.Select(k);
      m.ClickImage1(ObjectsWindow::Px(f.X(k, n)), ObjectsWindow::Px(f.Y(k, n)));
    }
    if (n > 0) m.Click("Button25");
  }
}

TEST(ObjectsTracking, ClickedAndAddedObjectsAreSelectedInStep) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.PlaceThree(f);
  EXPECT_EQ(w.Run.ObjectCount, 3);
  EXPECT_EQ(w.Run.SelectedObject, 3);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton9")->isChecked());
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton8")->isEnabled());
  EXPECT_FALSE(m.Find<QAction>("Object31")->isEnabled());
  EXPECT_TRUE(m.Find<QAction>("Object11")->isEnabled());
  EXPECT_FALSE(m.Find<QAction>("Add1")->isEnabled());  // C selected
  m.RightClickImage1(10, 10);
  w.ObjectStarAdd();  // a fourth object: nothing
  EXPECT_EQ(w.Run.ObjectCount, 3);
  for (int k = 1; k <= 3; ++k) {
    const ObjectResult& o = w.Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)];
    EXPECT_TRUE(OnStar({o.X, o.Y}, f.X(k, 0), f.Y(k, 0))) << k;
  }
  EXPECT_EQ(m.Find<QLineEdit>("Edit12")->text().toInt(), w.Frames.FrameDataLines[0].Objects[2].X);

  // The menu item selects B and ticks its radio button.
  m.Trigger("Object21");
  EXPECT_EQ(w.Run.SelectedObject, 2);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton8")->isChecked());
  EXPECT_FALSE(m.Find<QAction>("Object21")->isEnabled());
  // The radio button selects A.
  m.Find<QRadioButton>("RadioButton7")->setChecked(true);
  EXPECT_EQ(w.Run.SelectedObject, 1);
  EXPECT_FALSE(m.Find<QAction>("Remove1")->isEnabled());  // A cannot be removed
  w.RemoveObject();
  EXPECT_EQ(w.Run.ObjectCount, 3);

  // Removing B of three moves C into B.
  const ObjectResult c = w.Frames.FrameDataLines[0].Objects[2];
  m.Find<QRadioButton>("RadioButton8")->setChecked(true);
  m.Trigger("Remove1");
  EXPECT_EQ(w.Run.ObjectCount, 2);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].X, c.X);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].Y, c.Y);
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton9")->isEnabled());
  EXPECT_EQ(w.Run.SelectedObject, 2);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton8")->isChecked());
  // C's slot is free again: it holds its start-up settings.
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[2].X, w.Frames.InitialDataLines[0].Objects[2].X);
  // Removing the last added object leaves A alone; all object menu items off.
  m.Trigger("Remove1");
  EXPECT_EQ(w.Run.ObjectCount, 1);
  EXPECT_EQ(w.Run.SelectedObject, 1);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton7")->isChecked());
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton8")->isEnabled());
  for (const char* item : {"Object11", "Object21", "Object31"}) EXPECT_FALSE(m.Find<QAction>(item)->isEnabled()) << item;
  EXPECT_FALSE(m.Find<QCheckBox>("CheckBox6")->isEnabled());
}

TEST(ObjectsTracking, CentroidDriftHoldsThreeStars) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  m.PlaceThree(f, 0, 10);
  RunAndCheck(m, f, {1, 2, 3});
  // The selected object's last tracked position is shown.
  const auto last = ObjectsWindow::RowPosition(m.Rows().back(), m.W().Run.SelectedObject);
  EXPECT_EQ(m.Find<QLineEdit>("Edit7")->text().toInt(), last.first);
  EXPECT_EQ(m.Find<QLineEdit>("Edit8")->text().toInt(), last.second);
}

TEST(ObjectsTracking, ProfileDriftHoldsThreeStars) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);
  m.Find<QSpinBox>("UpDown7")->setValue(50);
  m.PlaceThree(f);
  for (int k = 1; k <= 3; ++k) EXPECT_GT(m.W().Tracking.Profiles[static_cast<size_t>(k - 1)].PsfWidth, 0) << k;
  m.SetTrackRadius(10);
  RunAndCheck(m, f, {1, 2, 3});
}

// Stars placed while 'Tracking' was unticked have no fitted profile yet;
// ticking it afterwards must keep the objects on their drifting stars.
TEST(ObjectsTracking, ProfileTrackingTickedAfterPlacementHoldsThreeStars) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  m.PlaceThree(f);
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);
  m.SetTrackRadius(10);
  RunAndCheck(m, f, {1, 2, 3});
}

// The width s of a profile model, from the fall of its centre row:
// model(3, 0) / model(0, 0) = exp(-2 * 9 / s^2), the stars' own shape.
double ModelWidth(const ProfileModel& model) {
  const double fall = model.At(3, 0) / model.At(0, 0);
  return std::sqrt(-2 * 9 / std::log(fall));
}

// A placed on a wide star with 'Tracking' ticked, then re-placed on a narrow
// star with it unticked: ticked again, A's next step fits the narrow star's
// profile instead of matching the one fitted for the wide star.
TEST(ObjectsTracking, ReplacedObjectDropsTheOldStarsProfile) {
  ObjectsWindow m;
  DriftingStarField f = SmallDriftingField(0, 0);
  f.Start = {{40.0, 40.0, 160, 3.5}, {110.0, 75.0, 160, 1.5}, {130.0, 20.0, 100, 2.0}};
  ASSERT_TRUE(m.OpenField(f));
  auto* tracking = m.Find<QCheckBox>("CheckBox15");
  const ProfileModel& model = m.W().Tracking.Profiles[0].Model;
  tracking->setChecked(true);
  m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
  ASSERT_GT(model.At(0, 0), 0);
  EXPECT_NEAR(ModelWidth(model), 3.5, 0.5);

  tracking->setChecked(false);
  m.ClickImage1(ObjectsWindow::Px(f.X(2, 0)), ObjectsWindow::Px(f.Y(2, 0)));
  const ObjectResult& a = m.W().Frames.FrameDataLines[0].Objects[0];
  EXPECT_TRUE(OnStar({a.X, a.Y}, f.X(2, 0), f.Y(2, 0)));
  tracking->setChecked(true);
  m.W().ScrollBar1->setValue(1);  // the next frame's tracking step
  ASSERT_GT(model.At(0, 0), 0);
  EXPECT_NEAR(ModelWidth(model), 1.5, 0.5);
}

// 'Anchor' steps once per frame from where the object was placed: it holds a
// shaking star and its start position never moves.
TEST(ObjectsTracking, AnchorHoldsAShakingStarAndDoesNotDrift) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.PlaceThree(f, 0, 10);
  for (int k = 1; k <= 3; ++k) {
    m.SetAnchor(k);
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)].TrackMode, 0) << k;
  }
  std::array<std::pair<int, int>, 3> placed{};
  for (size_t i = 0; i < 3; ++i)
    placed[i] = {w.Frames.FrameDataLines[0].Objects[i].PrevX, w.Frames.FrameDataLines[0].Objects[i].PrevY};
  RunAndCheck(m, f, {1, 2, 3});
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[i].PrevX, placed[i].first) << i;
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[i].PrevY, placed[i].second) << i;
  }
}

// Passed points at the first and last frame: each frame starts on the drift
// line and makes one step from there.
TEST(ObjectsTracking, DriftWithPassedPointsHoldsObjectA) {
  ObjectsWindow m;
  DriftingStarField f = SmallDriftingField(0.3, 0.2);
  // The points are marked on frames without shake, so the line is the drift.
  for (int n : {0, kObjFrames - 1}) f.Shake.Dx[static_cast<size_t>(n)] = f.Shake.Dy[static_cast<size_t>(n)] = 0;
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  const int last = kObjFrames - 1;
  w.GoToFrame(last);
  m.ClickImage1(ObjectsWindow::Px(f.X(1, last)), ObjectsWindow::Px(f.Y(1, last)));
  m.Click("Button13");
  EXPECT_EQ(m.Find<QLineEdit>("Edit41")->text(), QString::number(last));
  w.GoToFrame(0);
  m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
  m.Click("Button11");
  EXPECT_EQ(m.Find<QLineEdit>("Edit40")->text(), "0");
  ASSERT_TRUE(w.PassedPoints[0].Frame1.HasFrame() && w.PassedPoints[0].Frame2.HasFrame());
  RunAndCheck(m, f, {1});
}

// 'Link': B (the guide) drifts, A and C start each frame at B's shift.
TEST(ObjectsTracking, LinkedObjectsFollowTheGuide) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.PlaceThree(f, 0, 10);
  QCheckBox* link = m.Find<QCheckBox>("CheckBox6");
  ASSERT_TRUE(link->isEnabled());
  link->setChecked(true);
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox11")->isEnabled());  // 'Rotate' with three objects
  // A and C only step once from where the guide's shift puts them.
  for (int k : {1, 3}) {
    m.SetAnchor(k);
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)].TrackMode, 0);
  }
  RunAndCheck(m, f, {1, 2, 3});
}

// 'Link' with 'Begin' and 'End' marked: A and C start each frame at the
// guide's position plus their offsets interpolated between the two frames.
TEST(ObjectsTracking, LinkedPointsPlaceObjectsAtInterpolatedOffsets) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.PlaceThree(f, 0, 10);
  m.Find<QCheckBox>("CheckBox6")->setChecked(true);
  ASSERT_TRUE(m.Find<QPushButton>("Button23")->isEnabled());
  m.Click("Button23");
  EXPECT_EQ(m.Find<QLineEdit>("Edit11")->text(), "0");
  // The first run follows the guide's shift; its last frame marks 'End'.
  RunAndCheck(m, f, {1, 2, 3});
  ASSERT_EQ(w.ScrollBar1->value(), kObjFrames - 1);
  m.Click("Button25");
  EXPECT_EQ(m.Find<QLineEdit>("Edit32")->text(), QString::number(kObjFrames - 1));
  ASSERT_TRUE(w.LinkedPoints[0].Begin.HasFrame() && w.LinkedPoints[0].End.HasFrame());

  // Back at the first frame the objects are placed again; the second run
  // uses the interpolated offsets.
  w.GoToFrame(0);
  for (int k = 1; k <= 3; ++k) {
    m.Select(k);
    m.ClickImage1(ObjectsWindow::Px(f.X(k, 0)), ObjectsWindow::Px(f.Y(k, 0)));
  }
  m.SetTrackRadius(10);
  ASSERT_TRUE(m.Find<QCheckBox>("CheckBox6")->isChecked());
  RunAndCheck(m, f, {1, 2, 3});
}

// B of three removed after 'Begin' and 'End' were marked: C moves into B's
// place and becomes the guide, so A's offsets now count from C's own marked
// points and A stays on its star.
TEST(ObjectsTracking, LinkedPointsFollowCIntoBsPlaceWhenBIsRemoved) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.PlaceThree(f, 0, 10);
  MarkLinkedBeginEnd(m, f);
  m.SetTrackRadius(10);
  m.SetAnchor(1);
  m.Select(2);
  m.Trigger("Remove1");
  ASSERT_EQ(w.Run.ObjectCount, 2);
  ASSERT_TRUE(m.Find<QCheckBox>("CheckBox6")->isChecked());
  // C's star is now object B's.
  DriftingStarField g = f;
  g.Start.erase(g.Start.begin() + 1);
  RunAndCheck(m, g, {1, 2});
}

// An object added after 'Begin' and 'End' were marked, in a slot whose
// object was removed or was not in use then, has no marked points: it must
// follow the guide from where it was put, not start each frame where the
// removed object's (or an unused slot's) points would put it.
struct LinkedAddCase {
  int placed;                // objects placed on stars 1.. before marking
  int removed;               // object removed after marking, 0 for none
  std::vector<int> stars;    // the star of each object in the run
};

class ObjectsLinkedAdd : public ::testing::TestWithParam<LinkedAddCase> {};

TEST_P(ObjectsLinkedAdd, AddedObjectTracksItsOwnStar) {
  const LinkedAddCase c = GetParam();
  ObjectsWindow m;
  DriftingStarField f = SmallDriftingField(0.3, 0.2);
  f.Start.push_back({18.0, 92.0, 160, 2.2});  // a fourth star for the added object
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
  for (int k = 2; k <= c.placed; ++k) {
    m.RightClickImage1(ObjectsWindow::Px(f.X(k, 0)), ObjectsWindow::Px(f.Y(k, 0)));
    m.Trigger("Add1");
  }
  MarkLinkedBeginEnd(m, f);
  if (c.removed > 0) {
    m.Select(c.removed);
    m.Trigger("Remove1");
    ASSERT_EQ(w.Run.ObjectCount, c.placed - 1);
    if (w.Run.ObjectCount == 1) {
      // The guide is gone: no marked point is left to count from.
      EXPECT_EQ(m.Find<QLineEdit>("Edit11")->text(), "Frame1");
      EXPECT_EQ(m.Find<QLineEdit>("Edit32")->text(), "Frame2");
    }
  }
  const int added = static_cast<int>(c.stars.size());
  const int star = c.stars.back();
  m.Select(w.Run.ObjectCount);
  m.RightClickImage1(ObjectsWindow::Px(f.X(star, 0)), ObjectsWindow::Px(f.Y(star, 0)));
  m.Trigger("Add1");
  ASSERT_EQ(w.Run.ObjectCount, added);
  // Selecting B back at the first frame re-measured it with B still at its
  // last-frame spot, which moved a linked A along: A goes back on its star.
  m.Select(1);
  m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
  m.Find<QCheckBox>("CheckBox6")->setChecked(true);
  ASSERT_TRUE(m.Find<QCheckBox>("CheckBox6")->isChecked());
  m.SetTrackRadius(10);
  m.SetAnchor(1);
  DriftingStarField g = f;
  g.Start.clear();
  for (int s : c.stars) g.Start.push_back(f.Start[static_cast<size_t>(s - 1)]);
  std::vector<int> objects;
  for (int k = 1; k <= added; ++k) objects.push_back(k);
  RunAndCheck(m, g, objects);
}

INSTANTIATE_TEST_SUITE_P(Slots, ObjectsLinkedAdd,
                         ::testing::Values(LinkedAddCase{3, 3, {1, 2, 4}}, LinkedAddCase{2, 0, {1, 2, 4}},
                                           LinkedAddCase{2, 2, {1, 4}}, LinkedAddCase{3, 2, {1, 3, 4}}));

TEST(ObjectsTracking, GhsDigitBoxClicksSnapToTheCharacterGrid) {
  EXPECT_EQ(TPlatform::SnapToGhsGrid(45, 30), std::make_pair(34, 27));
  EXPECT_EQ(TPlatform::SnapToGhsGrid(28, 16), std::make_pair(34, 27));
  EXPECT_EQ(TPlatform::SnapToGhsGrid(8, 7), std::make_pair(-6, 9));  // -0.5 rounds away from zero
}

}  // namespace

namespace {

// 'Photometry' ticked: placing A fits its profile width, and every row
// carries the fitted volume pi s^2 A / 2 of the drawn star and its FWHM, 2
// sqrt(2 ln 2) sigma of a Gaussian of sigma s / 2.
TEST(ObjectsTracking, PsfPhotometryMeasuresTheVolumeOfAHeldStar) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  m.Find<QCheckBox>("CheckBox14")->setChecked(true);
  m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
  EXPECT_NEAR(w.Tracking.Profiles[0].PsfWidth, f.Start[0].Width, 0.15 * f.Start[0].Width);
  m.SetTrackRadius(10);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), static_cast<size_t>(kObjFrames));
  const double volume = 3.14159265358979 * f.Start[0].Width * f.Start[0].Width * f.Start[0].Amplitude / 2;
  const double fwhm = 2 * std::sqrt(2 * std::log(2.0)) * f.Start[0].Width / 2;
  for (int n = 0; n < kObjFrames; ++n) {
    const std::string& row = rows[static_cast<size_t>(n)];
    ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(row, 1), f.X(1, n), f.Y(1, n))) << "frame " << n;
    ASSERT_NEAR(ParseDoubleOr(StripQuotes(GetCsvField(row, 11)), -1), volume, 0.12 * volume) << "frame " << n;
    ASSERT_NEAR(ParseDoubleOr(StripQuotes(GetCsvField(row, 14)), -1), fwhm, 0.15 * fwhm) << "frame " << n;
  }
}

}  // namespace

namespace {

// 'Link' while the guide's star is occulted for 15 frames: B holds where it
// lost its star and finds it again when it returns; A and C go on following
// their own stars in every row.
TEST(ObjectsTracking, LinkedObjectsKeepTheirStarsWhileTheGuideIsOcculted) {
  constexpr int kHideFrom = 30, kHideTo = 45;
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  DriftingStarField hidden = f;
  hidden.Start[1].Amplitude = 0;
  std::vector<Bitmap24> frames;
  for (int n = 0; n < kObjFrames; ++n) frames.push_back(n >= kHideFrom && n < kHideTo ? hidden.Frame(n) : f.Frame(n));
  ASSERT_TRUE(m.OpenFrames(frames));
  m.PlaceThree(f, 0, 10);
  QCheckBox* link = m.Find<QCheckBox>("CheckBox6");
  ASSERT_TRUE(link->isEnabled());
  link->setChecked(true);
  for (int k : {1, 3}) m.SetAnchor(k);

  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(m.dialogs.messages.empty());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), static_cast<size_t>(kObjFrames));
  for (int n = 0; n < kObjFrames; ++n) {
    const std::string& row = rows[static_cast<size_t>(n)];
    for (int k : {1, 3})
      ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(row, k), f.X(k, n), f.Y(k, n))) << "object " << k << ", frame " << n;
    if (n < kHideFrom || n >= kHideTo + 1) {
      ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(row, 2), f.X(2, n), f.Y(2, n))) << "guide, frame " << n;
    }
  }
}

}  // namespace
