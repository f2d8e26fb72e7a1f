// A star that fades to nothing for 20 frames (an occultation) and comes back
// where it was, seen through 1 px of seeing and noise of 6 grey levels:
// whichever tracking holds it, the aperture must stay on the place of the star
// while it is gone and be back on it when it reappears.
#include <gtest/gtest.h>

#include <cmath>

#include "support/FrameDriverRig.h"
#include "support/GaussianStarField.h"

namespace {

constexpr double kStarX = 80.3, kStarY = 60.2;
constexpr int kFadeFrom = 12, kGoneFrom = 16, kBackFrom = 36, kLast = 44;

double Amplitude(int n) {
  if (n < kFadeFrom || n >= kBackFrom) return 150;
  if (n < kGoneFrom) return 150.0 * (kGoneFrom - n) / (kGoneFrom - kFadeFrom);
  return 0;
}

TEST(OccultedStar, ApertureHoldsWhileTheStarIsGoneAndFindsItAgain) {
  const ShakeTable seeing = MakeShakeTable(kLast + 1, 1, 5);
  // The seeing rests while the star fades, so where it is while hidden is known.
  auto star_x = [&](int n) { return kStarX + (n < kFadeFrom || n >= kBackFrom ? seeing.Dx[static_cast<size_t>(n)] : 0); };
  auto star_y = [&](int n) { return kStarY + (n < kFadeFrom || n >= kBackFrom ? seeing.Dy[static_cast<size_t>(n)] : 0); };
  struct Case {
    bool profile;
    TrackModeKind mode;
  };
  for (const Case c : {Case{false, TrackModeKind::Anchor}, Case{false, TrackModeKind::Drift},
                       Case{true, TrackModeKind::Anchor}, Case{true, TrackModeKind::Drift}}) {
    for (const double noise : {6.0}) {
      SCOPED_TRACE(::testing::Message() << (c.profile ? "profile " : "centroid ")
                                        << (c.mode == TrackModeKind::Anchor ? "Anchor" : "Drift") << ", noise " << noise);
      FrameDriverRig rig(Bitmap24(160, 120));
      rig.Settings.ScrollMax = kLast;
      rig.Settings.ProfileTracking = c.profile;
      rig.Settings.ObjectCount = 1;
      rig.Settings.Threshold = 50;  // the threshold shown, written back each frame
      rig.Io.GrabFrame = [&](int n, Bitmap24& bmp) {
        bmp = RenderGaussianStars(160, 120, 25, {{star_x(n), star_y(n), Amplitude(n), 2.2}},
                                  {noise, static_cast<uint32_t>(n + 1)});
        return std::string();
      };
      rig.Place(1, static_cast<int>(std::lround(star_x(0))), static_cast<int>(std::lround(star_y(0))), c.mode, 6, 50);
      if (c.profile) {
        // Placement: the full fit on frame 0 sets the profile and reference.
        rig.State.PsfRefitPending = true;
        ASSERT_TRUE(rig.Show(0).LastRefit);
        rig.Tracking.Profiles[0].MatchThresholdPercent = 50;
        RebuildObjectMasks(rig.State, rig.Lines, rig.Settings, 1);
      }
      for (int n = 1; n <= kLast; ++n) {
        rig.Show(n);
        const int x = rig.State.ObjectX[0], y = rig.State.ObjectY[0];
        if (n < kFadeFrom || n >= kBackFrom + 1) {
          ASSERT_LE(std::hypot(x - star_x(n), y - star_y(n)), 0.5) << "frame " << n << " at " << x << ", " << y;
        } else {
          // Gone (or going): no wandering off into the noise.
          ASSERT_LE(std::hypot(x - kStarX, y - kStarY), 1.5) << "frame " << n << " at " << x << ", " << y;
        }
      }
    }
  }
}

}  // namespace
