// What the tracking steps and the driver hand back as values: the position a
// step found, the drift start, and a frame's shown position and PSF results.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/FrameDriverRig.h"
#include "support/GaussianStarField.h"

namespace {

// Six lit pixels on black. Their intensity-weighted centre, by hand:
//   sum v = 50 + 200 + 100 + 200 + 100 + 150 = 800
//   x = (29*50 + 30*200 + 31*100 + 32*200 + 30*100 + 30*150) / 800 = 24450 / 800 = 30.5625
//   y = (20*550 + 19*100 + 21*150) / 800 = 16050 / 800 = 20.0625
// so a centroid step lands on (31, 20).
constexpr ObjectPosition kCentre{31, 20};

Bitmap24 SmallStar() {
  Bitmap24 b(64, 48);
  const struct {
    int x, y;
    uint8_t v;
  } lit[] = {{29, 20, 50}, {30, 20, 200}, {31, 20, 100}, {32, 20, 200}, {30, 19, 100}, {30, 21, 150}};
  for (const auto& p : lit) b.Set(p.x, p.y, {p.v, p.v, p.v});
  return b;
}

TEST(TrackingStepValues, CentroidStepReturnsTheWeightedCentre) {
  struct Row {
    const char* name;
    ObjectPosition from;
    ObjectPosition expected;
  } rows[] = {
      {"on the centre", {31, 20}, kCentre},
      {"down left", {28, 22}, kCentre},
      {"up right", {34, 17}, kCentre},
      {"five to the left", {26, 20}, kCentre},
      {"no lit pixel in reach: stays", {55, 40}, {55, 40}},
  };
  for (const Row& r : rows) {
    FrameDriverRig rig(SmallStar());
    rig.Place(1, r.from.X, r.from.Y, TrackModeKind::Anchor);
    FrameContext ctx = rig.Context();
    const ObjectPosition p = rig.Steps.TrackStep(ctx, 1, r.from);
    EXPECT_EQ(p.X, r.expected.X) << r.name;
    EXPECT_EQ(p.Y, r.expected.Y) << r.name;
  }
}

TEST(TrackingStepValues, DriftStartIsOnTheLineThroughBothPassedPoints) {
  FrameDriverRig rig(SmallStar());
  rig.Place(2, 5, 5, TrackModeKind::Drift);
  PassedPointSet& points = rig.Tracking.PassedPoints[1];
  points.Frame1 = {0, 10, 10};
  FrameContext only_one = rig.Context(5);
  EXPECT_FALSE(rig.Steps.DriftStart(only_one, 2, {5, 5})) << "one point gives no line";
  points.Frame2 = {10, 30, 20};
  // 2 px right and 1 px down per frame from (10, 10) at frame 0.
  const struct {
    int frame;
    ObjectPosition expected;
  } rows[] = {{0, {10, 10}}, {5, {20, 15}}, {10, {30, 20}}, {20, {50, 30}}};
  for (const auto& r : rows) {
    FrameContext ctx = rig.Context(r.frame);
    const std::optional<ObjectPosition> p = rig.Steps.DriftStart(ctx, 2, {5, 5});
    ASSERT_TRUE(p) << r.frame;
    EXPECT_EQ(*p, r.expected) << r.frame;
  }
}

TEST(TrackingStepValues, FrameShowsTheSelectedObjectsPosition) {
  struct Row {
    const char* name;
    TrackModeKind mode;
    int selected;
    bool show_field;
    int frame;
    std::optional<ObjectPosition> expected;
  } rows[] = {
      {"tracked: where the step found the star", TrackModeKind::Anchor, 1, false, 0, kCentre},
      {"'OFF': where it stands", TrackModeKind::Off, 1, false, 0, ObjectPosition{28, 22}},
      {"another object selected: its own position", TrackModeKind::Anchor, 2, false, 0, ObjectPosition{8, 40}},
      {"'Show Field': nothing", TrackModeKind::Anchor, 1, true, 0, std::nullopt},
      {"past the last frame: nothing", TrackModeKind::Anchor, 1, false, 10, std::nullopt},
  };
  for (const Row& r : rows) {
    FrameDriverRig rig(SmallStar());
    rig.Settings.ObjectCount = 2;
    rig.Settings.SelectedObject = r.selected;
    rig.Settings.ShowField = r.show_field;
    rig.Place(1, 28, 22, r.mode);
    rig.Place(2, 8, 40, TrackModeKind::Off);
    const FrameOutcome out = rig.Show(r.frame);
    EXPECT_EQ(out.ShownPosition, r.expected) << r.name;
  }
}

// Two stars of known amplitude and width; PSF photometry of both objects.
struct PsfRig : FrameDriverRig {
  static constexpr double kWidth = 3.0;
  static constexpr double kAmplitude[2] = {160, 80};
  PsfRig()
      : FrameDriverRig(RenderGaussianStars(128, 64, 20, {{40, 30, kAmplitude[0], kWidth}, {90, 30, kAmplitude[1], kWidth}})) {
    Settings.ObjectCount = 2;
    Settings.PsfPhotometry = true;
    Place(1, 40, 30, TrackModeKind::Off);
    Place(2, 90, 30, TrackModeKind::Off);
    for (auto& p : Tracking.Profiles) p.PsfWidth = kWidth;
  }
};

TEST(TrackingStepValues, FrameCarriesTheSelectedObjectsPsfResult) {
  for (int k : {1, 2}) {
    PsfRig rig;
    rig.Settings.SelectedObject = k;
    const FrameOutcome out = rig.Show(0);
    ASSERT_TRUE(out.SelectedPsf) << k;
    EXPECT_NEAR(out.SelectedPsf->Amplitude, PsfRig::kAmplitude[k - 1], 0.05 * PsfRig::kAmplitude[k - 1]) << k;
    EXPECT_NEAR(out.SelectedPsf->Background, 20, 1) << k;
    EXPECT_DOUBLE_EQ(out.SelectedPsf->Width, PsfRig::kWidth) << "'Fixed' keeps the stored width";
    EXPECT_FALSE(out.LastRefit) << "no refit was asked for";
  }
  PsfRig aperture;
  aperture.Settings.PsfPhotometry = false;
  EXPECT_FALSE(aperture.Show(0).SelectedPsf);
}

// The peak column means the brightest aperture pixel whichever photometry
// runs: each frame's own, not one left from an earlier frame.
TEST(TrackingStepValues, PsfFrameCarriesItsOwnPeakPixel) {
  struct Case {
    bool subtract_background;
    double peak[2];  // star centres: background 20 plus the amplitude
  };
  for (const Case c : {Case{false, {180, 100}}, Case{true, {160, 80}}}) {
    PsfRig rig;
    rig.Settings.Aperture.SubtractBackground = c.subtract_background;
    for (auto& block : rig.Lines)
      for (auto& o : block.Objects) o.Peak = 999;
    rig.Show(0);
    for (size_t j = 0; j < 3; ++j)
      for (size_t k = 0; k < 2; ++k)
        EXPECT_DOUBLE_EQ(rig.Lines[j].Objects[k].Peak, c.peak[k]) << c.subtract_background << " block " << j;
  }
}

// A refit belongs to the frame it ran on: the next frame carries no width and
// no radii of it.
TEST(TrackingStepValues, RefitResultsBelongToTheirFrameOnly) {
  PsfRig rig;
  rig.Settings.SelectedObject = 2;
  rig.State.PsfRefitPending = true;
  const FrameOutcome refit = rig.Show(0);
  ASSERT_TRUE(refit.LastRefit);
  EXPECT_NEAR(refit.LastRefit->Width, PsfRig::kWidth, 0.25);
  ASSERT_TRUE(refit.AutoApertureRadius());
  EXPECT_EQ(*refit.AutoApertureRadius(), 3);  // the width 3 rounded
  const FrameOutcome next = rig.Show(1);
  EXPECT_FALSE(next.LastRefit);
  EXPECT_FALSE(next.AutoApertureRadius());
  EXPECT_TRUE(next.SelectedPsf);
}


// A drifting star half beyond the right edge, its position predicted from the
// two passed points onto column W, the first column beyond the frame; a
// tracking disk of radius 0 there holds no pixel, so the step leaves it. Its
// PSF value is the star's volume, pi s^2 A / 2, within the grids' few percent.
TEST(TrackingStepValues, DriftPredictedOntoTheColumnBeyondTheFrameMeasuresTheStar) {
  constexpr int kW = 80;
  const GaussianStar star{kW - 0.4, 30, 200, 3.0};
  FrameDriverRig rig(RenderGaussianStars(kW, 60, 30, {star}));
  rig.Settings.ScrollMax = 30;
  rig.Settings.ObjectCount = 1;
  rig.Settings.PsfPhotometry = true;
  rig.Place(1, kW - 20, 30, TrackModeKind::Drift, 0);
  rig.Tracking.PassedPoints[0].Frame1 = {0, kW - 20, 30};
  rig.Tracking.PassedPoints[0].Frame2 = {10, kW - 10, 30};
  rig.Tracking.Profiles[0].PsfWidth = star.Width;
  const FrameOutcome out = rig.Show(20);
  EXPECT_EQ(rig.Lines[0].Objects[0].X, kW);
  ASSERT_TRUE(out.SelectedPsf);
  const double truth = std::numbers::pi * star.Width * star.Width * star.Amplitude / 2;
  EXPECT_NEAR(rig.Lines[0].Objects[0].Value, truth, 0.05 * truth);
}

}  // namespace
