// The tracking steps inside the per-frame driver: 500 frames of three stars
// drifting 0.3 px per frame with a random shake of up to 3 px, measured the
// way the main window runs them, checked against the known positions.
#include "measure/TrackingHooks.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/GaussianStarField.h"
#include "support/ObjectMasks.h"

namespace {

constexpr int kFrames = 500;

::testing::AssertionResult OnStar(int x, int y, double tx, double ty) {
  auto ok = [](int p, double t) {
    const double frac = std::fabs(t - std::floor(t) - 0.5);
    return std::fabs(p - t) <= (frac < 0.15 ? 0.65 : 0.5);
  };
  if (ok(x, tx) && ok(y, ty)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at (" << x << ", " << y << "), star at (" << tx << ", " << ty << ")";
}

struct Rig {
  DriftingStarField field = ThreeDriftingStars();
  FrameDriverState state;
  DataLineBlocks lines{};
  FrameDriverSettings s;
  TrackingState tracking;
  TrackingOptions options;
  TrackingHooks hooks{tracking, options};
  FrameIo io;

  explicit Rig(bool profile, bool drifting = true) {
    if (!drifting) field.RateX = field.RateY = 0;
    s.ScrollMax = kFrames - 1;
    s.ObjectCount = 3;
    s.SelectedObject = 1;
    s.ProfileTracking = profile;
    s.ApertureRadius = 5;
    s.BackgroundInner = 7;
    s.BackgroundOuter = 14;
    s.Threshold = 50;
    for (int k = 1; k <= 3; ++k) {
      const int i = k - 1;
      SetObjectSetting(lines, i, &ObjectResult::ApertureRadius, 5);
      SetObjectSetting(lines, i, &ObjectResult::BackgroundInner, 7);
      SetObjectSetting(lines, i, &ObjectResult::BackgroundOuter, 14);
      SetObjectSetting(lines, i, &ObjectResult::TrackRadius, 10);
      SetObjectSetting(lines, i, &ObjectResult::Threshold, 50);
      SetObjectSetting(lines, i, &ObjectResult::PrevX, std::lround(field.X(k, 0)));
      SetObjectSetting(lines, i, &ObjectResult::PrevY, std::lround(field.Y(k, 0)));
      RebuildObjectMasks(state, lines, s, k);
      BuildTrackMask(state.Track[static_cast<size_t>(i)], 10, 1);
    }
    io.GrabFrame = [this](int n, Bitmap24& bmp) {
      bmp = field.Frame(n);
      return std::string();
    };
  }

  void SetMode(int k, TrackModeKind mode) { SetObjectSetting(lines, k - 1, &ObjectResult::TrackMode, mode); }

  // Placement: a full fit of each object on frame 0 sets its profile, width
  // and tracking reference.
  void PlaceWithProfiles() {
    for (int k = 1; k <= 3; ++k) {
      s.SelectedObject = k;
      state.PsfRefitPending = true;
      const FrameOutcome out = ShowNeighbor(state, lines, s, 0, io, hooks);
      ASSERT_TRUE(out.LastRefit);
      auto& p = tracking.Profiles[static_cast<size_t>(k - 1)];
      p.PsfWidth = out.LastRefit->Width;
      p.MatchThresholdPercent = 50;
      // The window shows the automatic radii; this rig keeps 5 / 7 / 14.
      RebuildObjectMasks(state, lines, s, k);
    }
    s.SelectedObject = 1;
  }
};

// Objects A and C circle the shaking guide (a field rotating about it), one
// radian in 500 frames each way; 'Rotate' turns their offsets at each
// object's own rate.
TEST(TrackingHooks, RotatingLinkedObjectsFollowTheirAngles) {
  Rig rig(false, false);
  const double radius1 = 60, radius3 = 45, turn = 1.0 / 499;
  auto star = [&](int k, int n) {
    const double gx = 200 + rig.field.Shake.Dx[static_cast<size_t>(n)];
    const double gy = 150 + rig.field.Shake.Dy[static_cast<size_t>(n)];
    if (k == 2) return std::array<double, 2>{gx, gy};
    const double a = k == 1 ? 0.3 + turn * n : 2.0 - turn * n;
    const double r = k == 1 ? radius1 : radius3;
    return std::array<double, 2>{gx + r * std::cos(a), gy + r * std::sin(a)};
  };
  rig.io.GrabFrame = [&](int n, Bitmap24& bmp) {
    std::vector<GaussianStar> s;
    for (int k = 1; k <= 3; ++k) s.push_back({star(k, n)[0], star(k, n)[1], 150, 2.2});
    bmp = RenderGaussianStars(400, 300, 25, s, {2.0, static_cast<uint32_t>(n + 3)});
    return std::string();
  };
  rig.options.Rotate = true;
  rig.options.FrameRateRounded = 25;
  rig.SetMode(2, TrackModeKind::Drift);
  rig.s.Link = true;
  for (int k = 1; k <= 3; ++k) {
    auto& lp = rig.tracking.LinkedPoints[static_cast<size_t>(k - 1)];
    lp.Begin = {0, static_cast<int32_t>(std::lround(star(k, 0)[0])), static_cast<int32_t>(std::lround(star(k, 0)[1]))};
    lp.End = {499, static_cast<int32_t>(std::lround(star(k, 499)[0])), static_cast<int32_t>(std::lround(star(k, 499)[1]))};
    SetObjectSetting(rig.lines, k - 1, &ObjectResult::PrevX, lp.Begin.X);
    SetObjectSetting(rig.lines, k - 1, &ObjectResult::PrevY, lp.Begin.Y);
  }
  for (int n = 0; n < kFrames; ++n) {
    ShowNeighbor(rig.state, rig.lines, rig.s, n, rig.io, rig.hooks);
    for (int k = 1; k <= 3; ++k) {
      const auto p = star(k, n);
      ASSERT_TRUE(OnStar(rig.state.ObjectX[static_cast<size_t>(k - 1)], rig.state.ObjectY[static_cast<size_t>(k - 1)],
                         p[0], p[1]))
          << "object " << k << ", frame " << n;
    }
  }
}

// Objects placed while 'Tracking' was unticked have no fitted profile; once
// it is ticked they must still follow their drifting, shaking stars.
TEST(TrackingHooks, ProfileTrackingTickedAfterPlacementFollowsTheStars) {
  Rig rig(true);
  for (int k = 1; k <= 3; ++k) rig.SetMode(k, TrackModeKind::Drift);
  for (int n = 0; n < 60; ++n) {
    ShowNeighbor(rig.state, rig.lines, rig.s, n, rig.io, rig.hooks);
    for (int k = 1; k <= 3; ++k)
      ASSERT_TRUE(OnStar(rig.state.ObjectX[static_cast<size_t>(k - 1)], rig.state.ObjectY[static_cast<size_t>(k - 1)],
                         rig.field.X(k, n), rig.field.Y(k, n)))
          << "object " << k << ", frame " << n;
  }
  // Fitting the missing profile leaves no trace in the rows.
  for (const auto& block : rig.lines)
    for (const auto& o : block.Objects) EXPECT_EQ(o.PsfAmplitude, 0.0);
}

TEST(TrackingHooks, RefitOfTheSelectedObjectSetsRadiiAndRebuildsItsMasks) {
  Rig rig(true);
  rig.s.SyncTracking = true;
  rig.s.SelectedObject = 2;
  rig.state.PsfRefitPending = true;
  const FrameOutcome out = ShowNeighbor(rig.state, rig.lines, rig.s, 0, rig.io, rig.hooks);
  ASSERT_TRUE(out.AutoApertureRadius());
  const int r = *out.AutoApertureRadius();
  EXPECT_EQ(r, std::lround(out.LastRefit->Width));
  const ApertureClasses expected = RingMasks(r, r + 2, 14);
  EXPECT_EQ(rig.state.Classes[1].Cells, expected.Cells);
  EXPECT_EQ(rig.lines[0].Objects[1].TrackRadius, r);
  EXPECT_EQ(rig.state.Track[1].At(r + 1, 0), 0);
  EXPECT_EQ(rig.state.Track[1].At(r, 0), 1);
}

TEST(TrackingHooks, LostObjectAMarksItsFrame2PointWhenAsked) {
  Rig rig(true);
  rig.PlaceWithProfiles();
  rig.options.StoreLostAsFrame2 = true;
  // A frame where object A's star has faded below the threshold.
  rig.io.GrabFrame = [&rig](int n, Bitmap24& bmp) {
    DriftingStarField f = rig.field;
    f.Start[0].Amplitude = 20;
    bmp = f.Frame(n);
    return std::string();
  };
  ShowNeighbor(rig.state, rig.lines, rig.s, 7, rig.io, rig.hooks);
  EXPECT_TRUE(rig.tracking.DriftPassedFlag);
  // The position A keeps is the one it was last found at, on frame 0.
  EXPECT_EQ(rig.tracking.PassedPoints[0].Frame2.Frame, 0);
  EXPECT_EQ(rig.tracking.PassedPoints[0].Frame2.X, rig.state.ObjectX[0]);
}

}  // namespace

namespace {

// An occultation hides object A's star for 30 frames while the field drifts
// 1 px per frame and shakes by up to 3 px: 30 px, beyond the profile search.
// With 'Estimated track' the lost star follows the line fitted through its
// last positions and is found again where it reappears; without it the
// object stays where the star vanished and never finds it again.
TEST(TrackingHooks, StarHiddenByAnOccultationIsFoundAgainOnItsPredictedTrack) {
  constexpr int kHideFrom = 40, kHideTo = 70, kLast = 90;
  for (const bool estimated : {true, false}) {
    SCOPED_TRACE(estimated ? "estimated track" : "no estimated track");
    Rig rig(true);
    rig.field.RateX = 1.0;
    rig.field.RateY = 0.5;
    DriftingStarField hidden = rig.field;
    hidden.Start[0].Amplitude = 0;
    rig.io.GrabFrame = [&](int n, Bitmap24& bmp) {
      bmp = n >= kHideFrom && n < kHideTo ? hidden.Frame(n) : rig.field.Frame(n);
      return std::string();
    };
    for (int k = 1; k <= 3; ++k) rig.SetMode(k, TrackModeKind::Drift);
    rig.PlaceWithProfiles();
    rig.options.EstimatedTrackChecked = estimated;
    SetObjectSetting(rig.lines, 0, &ObjectResult::EstimatedTrack, uint8_t{estimated});
    for (auto& t : rig.tracking.PredictTracks) ResetPredictTrack(t);
    int found_after = 0;
    for (int n = 1; n <= kLast; ++n) {
      ShowNeighbor(rig.state, rig.lines, rig.s, n, rig.io, rig.hooks);
      const bool on = OnStar(rig.state.ObjectX[0], rig.state.ObjectY[0], rig.field.X(1, n), rig.field.Y(1, n));
      if (n < kHideFrom) {
        ASSERT_TRUE(on) << "frame " << n;
      }
      if (n >= kHideTo + 2 && on) ++found_after;
      // The guide and object C are not disturbed.
      ASSERT_TRUE(OnStar(rig.state.ObjectX[1], rig.state.ObjectY[1], rig.field.X(2, n), rig.field.Y(2, n))) << n;
    }
    if (estimated)
      EXPECT_EQ(found_after, kLast - kHideTo - 1);
    else
      EXPECT_EQ(found_after, 0);
  }
}

}  // namespace
