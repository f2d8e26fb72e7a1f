// Whole runs of 500 frames: three stars drifting 0.3 px per frame (0.2 in
// rows) with a common random shake of up to 3 px, tracked the way the
// per-frame driver combines the steps: the guide (object 2) first, 'Drift'
// objects placed on their drift line or stepped up to five times, linked
// objects put at their offset from the guide before their own step.
#include <gtest/gtest.h>

#include <cmath>

#include "measure/DriftTracks.h"
#include "measure/StarTracking.h"
#include "support/GaussianStarField.h"

namespace {

constexpr int kFrames = 500;
constexpr int kWidth = 400, kHeight = 300;

struct Field {
  ShakeTable shake = MakeShakeTable(kFrames, 3, 2024);
  // Objects 1 (A), 2 (B, the guide), 3 (C) at frame 0.
  std::array<GaussianStar, 3> start{{{60.4, 120.2, 140, 2.2}, {100.0, 60.0, 160, 2.5}, {130.7, 180.6, 110, 2.0}}};
  double X(int k, int n) const { return start[static_cast<size_t>(k - 1)].X + 0.3 * n + shake.Dx[static_cast<size_t>(n)]; }
  double Y(int k, int n) const { return start[static_cast<size_t>(k - 1)].Y + 0.2 * n + shake.Dy[static_cast<size_t>(n)]; }
  Bitmap24 Frame(int n) const {
    std::vector<GaussianStar> s;
    for (int k = 1; k <= 3; ++k) s.push_back({X(k, n), Y(k, n), start[static_cast<size_t>(k - 1)].Amplitude, start[static_cast<size_t>(k - 1)].Width});
    return RenderGaussianStars(kWidth, kHeight, 25, s, {2.0, static_cast<uint32_t>(n + 11)});
  }
};

// The tracked pixel is the one nearest the true centre; within 0.15 px of a
// half either neighbour is accepted.
::testing::AssertionResult OnStar(int32_t x, int32_t y, double tx, double ty) {
  auto ok = [](int32_t p, double t) {
    const double frac = std::fabs(t - std::floor(t) - 0.5);
    return std::fabs(p - t) <= (frac < 0.15 ? 0.65 : 0.5);
  };
  if (ok(x, tx) && ok(y, ty)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at (" << x << ", " << y << "), star at (" << tx << ", " << ty << ")";
}

TrackDisk Disk(int r) {
  TrackDisk d;
  BuildTrackMask(d, r, 1);
  return d;
}

const CentroidTrackParams kCentroid{10, 50, 0};

TEST(TrackingRuns, DriftWithPassedPointsHoldsEveryFrame) {
  const Field field;
  // The marks carry the shake of their frames (up to 3 px) and each frame
  // adds its own, so the drift line may start a step up to 6 px per axis off
  // the star: a radius of 15 keeps the whole star inside the one step's disk.
  const TrackDisk disk = Disk(15);
  const CentroidTrackParams params{15, 50, 0};
  // The user marks object A where the tracker had it on frames 0 and 499.
  PassedPointSet points;
  points.Frame1 = {0, static_cast<int32_t>(std::lround(field.X(1, 0))), static_cast<int32_t>(std::lround(field.Y(1, 0)))};
  points.Frame2 = {499, static_cast<int32_t>(std::lround(field.X(1, 499))), static_cast<int32_t>(std::lround(field.Y(1, 499)))};
  for (int n = 0; n < kFrames; ++n) {
    const Bitmap24 frame = field.Frame(n);
    int32_t x = -1, y = -1;
    ASSERT_TRUE(PredictDriftPosition(points, n, kWidth, kHeight, x, y));
    TrackStarByCentroid(frame, params, disk, x, y);  // exactly one step
    ASSERT_TRUE(OnStar(x, y, field.X(1, n), field.Y(1, n))) << "frame " << n;
  }
}

TEST(TrackingRuns, DriftWithoutPassedPointsStepsUntilSettled) {
  const Field field;
  const TrackDisk disk = Disk(10);
  int32_t x = 60, y = 120;
  int most_steps = 0;
  for (int n = 0; n < kFrames; ++n) {
    const Bitmap24 frame = field.Frame(n);
    int steps = 0;
    for (; steps < 5; ++steps) {
      const int32_t px = x, py = y;
      TrackStarByCentroid(frame, kCentroid, disk, x, y);
      if (x == px && y == py) break;
    }
    most_steps = std::max(most_steps, steps);
    ASSERT_TRUE(OnStar(x, y, field.X(1, n), field.Y(1, n))) << "frame " << n;
  }
  EXPECT_GE(most_steps, 1);
}

TEST(TrackingRuns, LinkedObjectsFollowTheGuideByProfile) {
  const Field field;
  // Profiles as the placement fit leaves them.
  ObjectProfileTable profiles{};
  std::array<ApertureClasses, 3> classes{};
  PredictTrackTable tracks{};
  for (size_t k = 0; k < 3; ++k) {
    BkgLineGeometry g;
    MaskSettings m;
    m.ApertureRadius = 4;
    m.BackgroundInner = 6;
    m.BackgroundOuter = 12;
    BuildObjectMasks(classes[k], g, m);
    BuildProfileModel(profiles[k].Model, field.start[k].Width, field.start[k].Amplitude, false);
    double net = 0;
    for (int dx = -4; dx <= 4; ++dx)
      for (int dy = -4; dy <= 4; ++dy)
        if (classes[k].At(dx, dy) == 1) net += profiles[k].Model.At(dx, dy);
    profiles[k].ReferenceValue = net;
    profiles[k].MatchThresholdPercent = 50;
  }
  // Linked points marked on frames 0 and 499 at the tracked pixels.
  LinkedPointTable linked;
  for (int k = 1; k <= 3; ++k) {
    auto& p = linked[static_cast<size_t>(k - 1)];
    p.Begin = {0, static_cast<int32_t>(std::lround(field.X(k, 0))), static_cast<int32_t>(std::lround(field.Y(k, 0)))};
    p.End = {499, static_cast<int32_t>(std::lround(field.X(k, 499))), static_cast<int32_t>(std::lround(field.Y(k, 499)))};
  }
  TrackingSettings settings;
  std::array<int32_t, 3> x{linked[0].Begin.X, linked[1].Begin.X, linked[2].Begin.X};
  std::array<int32_t, 3> y{linked[0].Begin.Y, linked[1].Begin.Y, linked[2].Begin.Y};
  for (int n = 0; n < kFrames; ++n) {
    const Bitmap24 frame = field.Frame(n);
    ProfileTrackInputs guide{2, 10, false, &classes[1]};
    TrackStarByProfile(frame, n, guide, settings, profiles[1], tracks[1], x[1], y[1]);
    ASSERT_TRUE(OnStar(x[1], y[1], field.X(2, n), field.Y(2, n))) << "guide, frame " << n;
    const auto off = InterpolateLinkedOffsets(linked, n, LinkMotion::Shift, 25);
    ASSERT_TRUE(off);
    x[0] = x[1] + off->Dx1;
    y[0] = y[1] + off->Dy1;
    x[2] = x[1] + off->Dx3;
    y[2] = y[1] + off->Dy3;
    for (int k : {3, 1}) {
      const size_t i = static_cast<size_t>(k - 1);
      ProfileTrackInputs in{k, 10, false, &classes[i]};
      TrackStarByProfile(frame, n, in, settings, profiles[i], tracks[i], x[i], y[i]);
      ASSERT_TRUE(OnStar(x[i], y[i], field.X(k, n), field.Y(k, n))) << "object " << k << ", frame " << n;
    }
  }
}

}  // namespace
