#include "measure/StarTracking.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/GaussianStarField.h"
#include "support/ObjectMasks.h"

namespace {

TrackDisk Disk(int r) {
  TrackDisk d;
  BuildTrackMask(d, r, 1);
  return d;
}

void Grey(Bitmap24& bmp, int x, int y, uint8_t v) { bmp.Set(x, y, {v, v, v}); }

// ---------------------------------------------------------------- centroid

struct CentroidRow {
  const char* name;
  std::vector<std::pair<int, int>> lit;  // pixels of value 100 (offsets from the start)
  int threshold;
  int expect_dx, expect_dy;
};

TEST(TrackStarByCentroid, MovesToTheThresholdedCentroidWithEarliestShiftOnTies) {
  const CentroidRow rows[] = {
      {"on the start", {{0, 0}}, 50, 0, 0},
      {"offset star", {{3, -2}, {4, -2}, {2, -2}, {3, -1}, {3, -3}}, 50, 3, -2},
      // Centroid +0.5: shifts 0 and +1 score the same, the earlier (0) wins.
      {"half right ties to the left", {{0, 0}, {1, 0}}, 50, 0, 0},
      // Centroid -0.5: -1 and 0 tie, -1 is scanned first.
      {"half left ties to the left", {{-1, 0}, {0, 0}}, 50, -1, 0},
      {"half down ties upward", {{2, 5}, {2, 6}}, 50, 2, 5},
  };
  for (const auto& row : rows) {
    Bitmap24 bmp(200, 150);
    for (auto [dx, dy] : row.lit) Grey(bmp, 100 + dx, 70 + dy, 100);
    int32_t x = 100, y = 70;
    ASSERT_TRUE(TrackStarByCentroid(bmp, {10, row.threshold, 0}, Disk(10), x, y)) << row.name;
    EXPECT_EQ(x, 100 + row.expect_dx) << row.name;
    EXPECT_EQ(y, 70 + row.expect_dy) << row.name;
  }
}

TEST(TrackStarByCentroid, ThresholdDropsFaintCellsAndZeroKeepsThemAll) {
  Bitmap24 bmp(200, 150);
  Grey(bmp, 104, 70, 200);  // bright at +4 (sum of bytes 600)
  Grey(bmp, 96, 70, 60);    // faint at -4 (sum 180)
  int32_t x = 100, y = 70;
  ASSERT_TRUE(TrackStarByCentroid(bmp, {10, 50, 0}, Disk(10), x, y));
  EXPECT_EQ(x, 104);
  // Threshold 0: centroid (600 * 4 - 180 * 4) / 780 = 2.15 -> 2.
  x = 100;
  ASSERT_TRUE(TrackStarByCentroid(bmp, {10, 0, 0}, Disk(10), x, y));
  EXPECT_EQ(x, 102);
  // Threshold 99 keeps only cells above 594: the bright one.
  x = 100;
  ASSERT_TRUE(TrackStarByCentroid(bmp, {10, 99, 0}, Disk(10), x, y));
  EXPECT_EQ(x, 104);
}

TEST(TrackStarByCentroid, NeverReadsRowZero) {
  Bitmap24 bmp(200, 150);
  for (int x = 0; x < 200; ++x) Grey(bmp, x, 0, 255);  // a time-code row
  int32_t x = 100, y = 2;
  EXPECT_FALSE(TrackStarByCentroid(bmp, {10, 50, 0}, Disk(10), x, y));
  EXPECT_EQ(y, 2);
  Grey(bmp, 101, 1, 90);  // row 1 counts
  ASSERT_TRUE(TrackStarByCentroid(bmp, {10, 50, 0}, Disk(10), x, y));
  EXPECT_EQ(x, 101);
  EXPECT_EQ(y, 1);
}

// ---------------------------------------------------------------- profile

struct ProfileFixture {
  ApertureClasses classes = RingMasks(4, 6, 12);
  ObjectProfileState profile;
  PredictTrack track;
  TrackingSettings settings;
  ProfileTrackInputs in;

  explicit ProfileFixture(int object = 1, double width = 2.0, double amplitude = 150) {
    BuildProfileModel(profile.Model, width, amplitude, false);
    profile.MatchThresholdPercent = 50;
    // Net value of the modelled star in the aperture of radius 4.
    double v = 0;
    for (int dx = -4; dx <= 4; ++dx)
      for (int dy = -4; dy <= 4; ++dy)
        if (classes.At(dx, dy) == 1) v += profile.Model.At(dx, dy);
    profile.ReferenceValue = v;
    in.Object = object;
    in.TrackRadius = 10;
    in.Classes = &classes;
    ResetPredictTrack(track);
  }
};

TEST(TrackStarByProfile, MovesOntoAnOffsetStarExactly) {
  ProfileFixture f;
  const Bitmap24 bmp = RenderGaussianStars(300, 200, 30, {{153, 96, 150, 2.0}});
  int32_t x = 150, y = 100;
  const auto r = TrackStarByProfile(bmp, 7, f.in, f.settings, f.profile, f.track, x, y);
  EXPECT_TRUE(r.Moved);
  EXPECT_FALSE(r.Lost);
  EXPECT_EQ(x, 153);
  EXPECT_EQ(y, 96);
  EXPECT_NEAR(r.MatchedValue, f.profile.ReferenceValue, 0.02 * f.profile.ReferenceValue);
}

TEST(FindProfileMatch, EqualScoresGoToTheEarliestCandidate) {
  ProfileModel model;
  model.At(0, 0) = 100;
  const ApertureClasses classes = RingMasks(3, 5, 8);
  ProfileTrackWindow w;
  // Two equal pixels at +1 and +2 columns: offsets (1, 0) and (2, 0) both
  // score 40^2 + 60^2 (any offset away from them scores 100^2), and (1, 0)
  // is scanned first.
  w.At(1, 0) = 60;
  w.At(2, 0) = 60;
  auto m = FindProfileMatch(MatchSearch::Narrow, w, 0, model, classes, 10);
  EXPECT_EQ(m.U, 1);
  EXPECT_EQ(m.V, 0);
  EXPECT_DOUBLE_EQ(m.Score, std::sqrt(5200.0));
  EXPECT_DOUBLE_EQ(m.Value, 120.0);
  // The same in a column: (0, 1) before (0, 2).
  ProfileTrackWindow w2;
  w2.At(0, 1) = 60;
  w2.At(0, 2) = 60;
  m = FindProfileMatch(MatchSearch::Narrow, w2, 0, model, classes, 10);
  EXPECT_EQ(m.U, 0);
  EXPECT_EQ(m.V, 1);
  // A flat match everywhere: the very first candidate of the disk, (-R, 0).
  const ProfileModel zero;
  m = FindProfileMatch(MatchSearch::Narrow, ProfileTrackWindow{}, 0, zero, classes, 10);
  EXPECT_EQ(m.U, -14);
  EXPECT_EQ(m.V, 0);
  m = FindProfileMatch(MatchSearch::Wide, ProfileTrackWindow{}, 0, zero, classes, 10);
  EXPECT_EQ(m.U, -25);
}

// The start position is scored first to leave poor candidates early; a
// candidate scanned before it with the same score still wins, and a
// candidate scanned after it wins only with a strictly smaller one.
TEST(FindProfileMatch, TheStartPositionDoesNotJumpTheScanOrder) {
  ProfileModel model;
  model.At(0, 0) = 100;
  const ApertureClasses classes = RingMasks(3, 5, 8);
  struct Case {
    int other_u, other_v;
    double other, centre;
    int want_u, want_v;
  } cases[] = {
      {-3, 0, 100, 100, -3, 0},  // equal, scanned first
      {0, -2, 100, 100, 0, -2},  // equal, same column, scanned first
      {3, 0, 100, 100, 0, 0},    // equal, scanned after the start
      {3, 0, 100, 99, 3, 0},     // better, scanned after
      {-3, 0, 99, 100, 0, 0},    // worse, scanned first
  };
  for (const Case& c : cases) {
    ProfileTrackWindow w;
    w.At(c.other_u, c.other_v) = c.other;
    w.At(0, 0) = c.centre;
    const auto m = FindProfileMatch(MatchSearch::Narrow, w, 0, model, classes, 10);
    EXPECT_EQ(m.U, c.want_u) << c.other_u << "," << c.other_v;
    EXPECT_EQ(m.V, c.want_v) << c.other_u << "," << c.other_v;
  }
}

// The wide search runs its columns in parts on several threads: equal best
// scores in different parts still go to the one scanned first, and a better
// one in the last part still wins.
TEST(FindProfileMatch, WideSearchKeepsTheScanOrderAcrossParts) {
  ProfileModel model;
  model.At(0, 0) = 100;
  const ApertureClasses classes = RingMasks(3, 5, 8);
  // Two pixels 40 columns apart (beyond each other's disk): both offsets
  // score 40, the first scanned wins.
  ProfileTrackWindow w;
  w.At(-20, 4) = 60;
  w.At(20, 4) = 60;
  for (int i = 0; i < 20; ++i) {
    const auto m = FindProfileMatch(MatchSearch::Wide, w, 0, model, classes, 10);
    ASSERT_EQ(m.U, -20);
    ASSERT_EQ(m.V, 4);
    ASSERT_DOUBLE_EQ(m.Score, 40.0);
  }
  w.At(20, 4) = 90;
  const auto m = FindProfileMatch(MatchSearch::Wide, w, 0, model, classes, 10);
  EXPECT_EQ(m.U, 20);
  EXPECT_EQ(m.V, 4);
  EXPECT_DOUBLE_EQ(m.Score, 10.0);
}

TEST(TrackStarByProfile, BestMatchBeyondTheTrackingRadiusDoesNotMove) {
  ProfileFixture f;
  f.in.TrackRadius = 5;  // search radius 7
  // (5, 3) lies inside the search disk but 5.8 px away: found, not taken.
  const Bitmap24 bmp = RenderGaussianStars(300, 200, 30, {{155, 103, 150, 2.0}});
  int32_t x = 150, y = 100;
  const auto r = TrackStarByProfile(bmp, 1, f.in, f.settings, f.profile, f.track, x, y);
  EXPECT_FALSE(r.Moved);
  EXPECT_FALSE(r.Lost);
  EXPECT_NEAR(r.MatchedValue, f.profile.ReferenceValue, 0.02 * f.profile.ReferenceValue);
  EXPECT_EQ(x, 150);
  EXPECT_EQ(y, 100);
}

TEST(TrackStarByProfile, LostGuideIsSearchedAgainOverRadius25) {
  const Bitmap24 bmp = RenderGaussianStars(300, 200, 30, {{168, 93, 150, 2.0}});  // 19.3 px away
  for (int object : {1, 2, 3}) {
    ProfileFixture f(object);
    int32_t x = 150, y = 100;
    const auto r = TrackStarByProfile(bmp, 1, f.in, f.settings, f.profile, f.track, x, y);
    if (object == 2) {
      EXPECT_TRUE(r.WideSearch);
      EXPECT_TRUE(r.Moved);
      EXPECT_EQ(x, 168);
      EXPECT_EQ(y, 93);
    } else {
      EXPECT_FALSE(r.WideSearch) << object;
      EXPECT_EQ(x, 150) << object;
      EXPECT_EQ(y, 100) << object;
    }
  }
  // Not while a refit is pending.
  ProfileFixture f(2);
  f.settings.PsfRefitPending = true;
  int32_t x = 150, y = 100;
  EXPECT_FALSE(TrackStarByProfile(bmp, 1, f.in, f.settings, f.profile, f.track, x, y).WideSearch);
}

// A frame without structure (black, white, or read wholly outside the image)
// scores every candidate alike; with a threshold of 0 the first candidate of
// the disk used to count as a match, and the guide's search over radius 25
// moved it 25 pixels left on every step. The position stays, for every
// object, tracking radius and threshold.
TEST(TrackStarByProfile, FrameWithoutStructureKeepsThePosition) {
  struct Case {
    const char* name;
    uint8_t level;
    int32_t x, y;  // start
  };
  const Case cases[] = {
      {"black frame", 0, 150, 100},
      {"white frame", 255, 150, 100},
      {"far left of a black frame", 0, -400, 100},
      {"far below a white frame", 255, 150, 900},
  };
  for (const Case& c : cases) {
    Bitmap24 bmp(300, 200);
    for (int y = 0; y < bmp.Height(); ++y) std::fill_n(bmp.Row(y), 300 * 3, c.level);
    for (int object : {1, 2}) {
      for (int radius : {1, 10}) {
        for (int threshold : {0, 50}) {
          ProfileFixture f(object);
          f.in.TrackRadius = radius;
          f.profile.MatchThresholdPercent = threshold;
          int32_t x = c.x, y = c.y;
          const auto r = TrackStarByProfile(bmp, 1, f.in, f.settings, f.profile, f.track, x, y);
          const std::string at = std::string(c.name) + ", object " + std::to_string(object) + ", radius " +
                                 std::to_string(radius) + ", threshold " + std::to_string(threshold);
          EXPECT_EQ(x, c.x) << at;
          EXPECT_EQ(y, c.y) << at;
          EXPECT_EQ(r.MatchedValue, 0.0) << at;
          EXPECT_EQ(r.Lost, threshold > 0) << at;
        }
      }
    }
  }
}

TEST(TrackStarByProfile, LostStarFollowsThePredictedTrackWhenAsked) {
  ProfileFixture f;
  f.in.EstimatedTrack = true;
  // Feed the track through matched frames: x = 100 + n, y = 80.
  for (int n = 0; n < 12; ++n) {
    const Bitmap24 bmp = RenderGaussianStars(300, 200, 30, {{100.0 + n, 80, 150, 2.0}});
    int32_t x = 100 + n - 1, y = 80;
    const auto r = TrackStarByProfile(bmp, n, f.in, f.settings, f.profile, f.track, x, y);
    ASSERT_TRUE(r.Moved) << n;
    ASSERT_EQ(x, 100 + n);
  }
  EXPECT_EQ(f.track.LastSample, 11);
  // A star too faint to pass the threshold where the track expects it. (A
  // wholly flat frame matches every offset equally, so its best match is the
  // disk's first cell, beyond the tracking radius, and nothing moves.)
  const Bitmap24 empty = RenderGaussianStars(300, 200, 30, {{111, 80, 25, 2.0}});
  int32_t x = 111, y = 80;
  auto r = TrackStarByProfile(empty, 15, f.in, f.settings, f.profile, f.track, x, y);
  EXPECT_TRUE(r.Lost);
  EXPECT_FALSE(r.Predicted);  // 'Estimated track' unticked: stays
  EXPECT_EQ(x, 111);
  f.settings.EstimatedTrackChecked = true;
  r = TrackStarByProfile(empty, 15, f.in, f.settings, f.profile, f.track, x, y);
  EXPECT_TRUE(r.Predicted);
  EXPECT_EQ(x, 115);
  EXPECT_EQ(y, 80);
}

TEST(TrackStarByProfile, NeverReadsRowZero) {
  ProfileFixture f;
  Bitmap24 bmp = RenderGaussianStars(300, 200, 0, {});
  for (int x = 0; x < 300; ++x) Grey(bmp, x, 0, 255);
  int32_t x = 150, y = 3;
  const auto r = TrackStarByProfile(bmp, 0, f.in, f.settings, f.profile, f.track, x, y);
  EXPECT_FALSE(r.Moved);
  EXPECT_EQ(y, 3);
  // A star on row 16 under a bright time-code row is found. (Cells beyond
  // the frame count as 0, so a star whose search disk reaches past row 0
  // matches badly and is reported lost.)
  Bitmap24 top = RenderGaussianStars(300, 200, 20, {{147, 16, 150, 2.0}});
  for (int x0 = 0; x0 < 300; ++x0) Grey(top, x0, 0, 255);
  x = 150;
  y = 20;
  const auto rt = TrackStarByProfile(top, 0, f.in, f.settings, f.profile, f.track, x, y);
  EXPECT_TRUE(rt.Moved);
  EXPECT_EQ(x, 147);
  EXPECT_EQ(y, 16);
}

// ---------------------------------------------------------------- runs

}  // namespace

namespace {

TEST(TrackingSteps, PositionsFarOutsideTheFrameReadNothingAndNeverOverflow) {
  const Bitmap24 bmp = RenderGaussianStars(100, 80, 20, {{50, 40, 150, 2.0}});
  const TrackDisk disk = [] {
    TrackDisk d;
    BuildTrackMask(d, 10, 1);
    return d;
  }();
  for (int32_t start : {INT32_MAX, INT32_MIN, INT32_MAX - 3, INT32_MIN + 3}) {
    int32_t x = start, y = start;
    EXPECT_FALSE(TrackStarByCentroid(bmp, {10, 50, 0}, disk, x, y));
    EXPECT_EQ(x, start);
  }
  const ApertureClasses classes = RingMasks(4, 6, 12);
  ObjectProfileState profile;
  BuildProfileModel(profile.Model, 2.0, 150, false);
  PredictTrack track;
  for (int32_t start : {INT32_MAX, INT32_MIN}) {
    int32_t x = start, y = 40;
    TrackStarByProfile(bmp, 0, {2, 10, false, &classes}, TrackingSettings{}, profile, track, x, y);
  }
}

}  // namespace

namespace {

TEST(NeedsPixelAspectCorrection, OnlyForNtscRatesOnWideFramesWithoutTickStamps) {
  EXPECT_TRUE(NeedsPixelAspectCorrection(29.97, 720, 480, 0));
  EXPECT_TRUE(NeedsPixelAspectCorrection(30.0, 720, 480, 2));
  EXPECT_FALSE(NeedsPixelAspectCorrection(29.97, 720, 480, 3));  // capture-program stamps
  EXPECT_FALSE(NeedsPixelAspectCorrection(25.0, 720, 576, 0));
  EXPECT_FALSE(NeedsPixelAspectCorrection(29.97, 640, 480, 0));  // ratio 1.33
  EXPECT_FALSE(NeedsPixelAspectCorrection(31.0, 720, 480, 0));
  EXPECT_FALSE(NeedsPixelAspectCorrection(28.0, 720, 480, 0));
  EXPECT_FALSE(NeedsPixelAspectCorrection(29.97, 720, 0, 0));
}

}  // namespace
