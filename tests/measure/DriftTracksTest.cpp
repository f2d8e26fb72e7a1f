#include "measure/DriftTracks.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

PassedPointSet Passed(int f1, int x1, int y1, int f2, int x2, int y2) {
  PassedPointSet p;
  p.Frame1 = {f1, x1, y1};
  p.Frame2 = {f2, x2, y2};
  return p;
}

struct DriftRow {
  const char* name;
  PassedPointSet points;
  int frame;
  int expect_x, expect_y;
};

TEST(PredictDriftPosition, FollowsTheLineThroughBothPointsAndBackOntoEdges) {
  const DriftRow rows[] = {
      {"extrapolates forward", Passed(10, 100, 50, 20, 110, 55), 30, 120, 60},
      {"interpolates, half to even", Passed(10, 100, 50, 20, 110, 55), 15, 105, 52},
      {"extrapolates backward", Passed(10, 100, 50, 20, 110, 55), 0, 90, 45},
      {"points in either order", Passed(20, 110, 55, 10, 100, 50), 30, 120, 60},
      // x = 10 - n, y = 100 + n: the line meets x = 0 at y = 110.
      {"left of the image onto x = 0", Passed(0, 10, 100, 10, 0, 110), 20, 0, 110},
      // x = 50 + n, y = 5 - n: meets y = 0 at x = 55.
      {"above the image onto y = 0", Passed(0, 50, 5, 1, 51, 4), 9, 55, 0},
      // x = 700 + 2n, y = 100 + n: meets x = 720 at y = 110.
      {"right of the image onto x = width", Passed(0, 700, 100, 1, 702, 101), 30, 720, 110},
      // Horizontal drift keeps its row when put back on the right edge.
      {"horizontal drift onto x = width", Passed(0, 700, 100, 10, 710, 100), 30, 720, 100},
      // x = 300, y = 470 + n: meets y = 480 at x = 300.
      {"vertical drift onto y = height", Passed(0, 300, 470, 1, 300, 471), 40, 300, 480},
  };
  for (const auto& row : rows) {
    int32_t x = -7, y = -7;
    ASSERT_TRUE(PredictDriftPosition(row.points, row.frame, 720, 480, x, y)) << row.name;
    EXPECT_EQ(x, row.expect_x) << row.name;
    EXPECT_EQ(y, row.expect_y) << row.name;
  }
}

TEST(PredictDriftPosition, LeavesTheTrackedPositionWithoutTwoDistinctPoints) {
  const PassedPointSet cases[] = {
      Passed(10, 100, 50, 10, 110, 55),            // same frame
      Passed(-100, -100, -100, 20, 110, 55),       // Frame1 unset
      Passed(10, 100, 50, -100, -100, -100),       // Frame2 unset
      PassedPointSet{},                            // nothing set
  };
  for (const auto& points : cases) {
    int32_t x = 33, y = 44;
    EXPECT_FALSE(PredictDriftPosition(points, 50, 720, 480, x, y));
    EXPECT_EQ(x, 33);
    EXPECT_EQ(y, 44);
  }
}

LinkedPointTable Linked(int fb, int fe, std::array<std::array<int, 4>, 3> xy) {
  LinkedPointTable t;
  for (int k = 0; k < 3; ++k) {
    t[k].Begin = {fb, xy[k][0], xy[k][1]};
    t[k].End = {fe, xy[k][2], xy[k][3]};
  }
  return t;
}

// Object 1 turning a quarter round a guide that stays put, object 3 beside
// it, with object k's 'Begin' (unset 0 or 2) and/or 'End' (unset 1 or 2) cleared.
LinkedPointTable RotatedWithoutPoints(int k, int unset) {
  auto t = Linked(0, 100, {{{300, 200, 200, 300}, {200, 200, 200, 200}, {200, 150, 250, 200}}});
  if (unset != 1) t[k].Begin.Clear();
  if (unset != 0) t[k].End.Clear();
  return t;
}

TEST(InterpolateLinkedOffsets, ShiftMovesEachOffsetLinearly) {
  // Offsets: object 1 (-100, -100) -> (-140, -80); object 3 (100, -50) -> (50, -50).
  const auto t = Linked(0, 100, {{{100, 100, 110, 120}, {200, 200, 250, 200}, {300, 150, 300, 150}}});
  EXPECT_EQ(InterpolateLinkedOffsets(t, 0, LinkMotion::Shift, 25), (LinkedOffsets{-100, -100, 100, -50}));
  EXPECT_EQ(InterpolateLinkedOffsets(t, 50, LinkMotion::Shift, 25), (LinkedOffsets{-120, -90, 75, -50}));
  EXPECT_EQ(InterpolateLinkedOffsets(t, 100, LinkMotion::Shift, 25), (LinkedOffsets{-140, -80, 50, -50}));
  // Beyond End the offsets keep changing at the same rate.
  EXPECT_EQ(InterpolateLinkedOffsets(t, 150, LinkMotion::Shift, 25), (LinkedOffsets{-160, -70, 25, -50}));
  // Object 1 at 1/4: -100 + 0.25 * -40 = -110, -100 + 0.25 * 20 = -95; object 3 87.5 -> 88 (half to even).
  EXPECT_EQ(InterpolateLinkedOffsets(t, 25, LinkMotion::Shift, 25), (LinkedOffsets{-110, -95, 88, -50}));
}

TEST(InterpolateLinkedOffsets, RotateTurnsEachObjectAtItsOwnRateTheShortWay) {
  // Guide at (200, 200) both times. Object 1 turns from (100, 0) to (0, 100):
  // a quarter turn counter-clockwise in pixel coordinates. Object 3 turns from
  // (0, -50) (angle 3 pi / 2) to (50, 0) (angle 0): a quarter turn the other
  // way across the seam, which must not go three quarters round.
  const auto t = Linked(0, 100, {{{300, 200, 200, 300}, {200, 200, 200, 200}, {200, 150, 250, 200}}});
  for (int n : {0, 25, 50, 75, 100, 200}) {
    const auto got = InterpolateLinkedOffsets(t, n, LinkMotion::Rotate, 25);
    ASSERT_TRUE(got);
    const double a1 = (std::numbers::pi / 2) * n / 100.0;
    const double a3 = 3 * std::numbers::pi / 2 + (std::numbers::pi / 2) * n / 100.0;
    EXPECT_EQ(got->Dx1, std::lrint(100 * std::cos(a1))) << n;
    EXPECT_EQ(got->Dy1, std::lrint(100 * std::sin(a1))) << n;
    EXPECT_EQ(got->Dx3, std::lrint(50 * std::cos(a3))) << n;
    EXPECT_EQ(got->Dy3, std::lrint(50 * std::sin(a3))) << n;
  }
  const auto mid = *InterpolateLinkedOffsets(t, 50, LinkMotion::Rotate, 25);
  EXPECT_EQ(mid, (LinkedOffsets{71, 71, 35, -35}));
}

// Object 3 without a 'Begin' or an 'End' point of its own (added after they
// were marked) has no offset: it follows the guide. Object 1 keeps its own.
TEST(InterpolateLinkedOffsets, ObjectThreeWithoutPointsIsNotLinked) {
  for (LinkMotion motion : {LinkMotion::Shift, LinkMotion::Rotate})
    for (int unset : {0, 1, 2}) {
      const auto got = InterpolateLinkedOffsets(RotatedWithoutPoints(2, unset), 50, motion, 25);
      ASSERT_TRUE(got);
      EXPECT_FALSE(got->ThirdLinked) << unset;
      if (motion == LinkMotion::Shift) {
        EXPECT_EQ(got->Dx1, 50) << unset;
        EXPECT_EQ(got->Dy1, 50) << unset;
      } else {
        EXPECT_EQ(got->Dx1, 71) << unset;
        EXPECT_EQ(got->Dy1, 71) << unset;
      }
    }
  const auto both = Linked(0, 100, {{{300, 200, 200, 300}, {200, 200, 200, 200}, {200, 150, 250, 200}}});
  EXPECT_TRUE(InterpolateLinkedOffsets(both, 50, LinkMotion::Shift, 25)->ThirdLinked);
}

// A guide without a 'Begin' or an 'End' point of its own (C moved into the
// guide's slot after the points were marked) gives no offsets: counted from
// the unset value they would put object 1 some hundred pixels off its star.
TEST(InterpolateLinkedOffsets, GuideWithoutPointsGivesNoOffsets) {
  for (LinkMotion motion : {LinkMotion::Shift, LinkMotion::Rotate})
    for (int unset : {0, 1, 2}) {
      EXPECT_FALSE(InterpolateLinkedOffsets(RotatedWithoutPoints(1, unset), 50, motion, 25)) << unset;
    }
}

TEST(PredictTrack, FitSucceedsFromTheEleventhSampleAndPredictsTheLine) {
  PredictTrack track;
  ResetPredictTrack(track);
  EXPECT_EQ(track.Enabled, 1);
  for (int f = 100; f < 110; ++f) AddPredictTrackSample(track, f, 2.0 * f + 5, 300.0 - 0.5 * f);
  EXPECT_EQ(FitPredictTrack(track), 1);
  EXPECT_EQ(track.SlopeX, 0.0);
  AddPredictTrackSample(track, 110, 2.0 * 110 + 5, 300.0 - 0.5 * 110);
  ASSERT_EQ(FitPredictTrack(track), 0);
  EXPECT_NEAR(track.SlopeX, 2.0, 1e-9);
  EXPECT_NEAR(track.InterceptY, 300.0, 1e-6);
  EXPECT_EQ(PredictTrackX(track, 150), 305);
  // 300 - 0.5 * 151 = 224.5: halves away from zero.
  EXPECT_EQ(PredictTrackY(track, 151), 225);
}

// Samples of a single frame fix no slope: the track stays at their mean
// position (a line through them would be undetermined).
TEST(PredictTrack, SamplesOfOneFramePredictTheirMeanPosition) {
  struct Case {
    const char* name;
    std::vector<std::array<double, 2>> xy;  // every sample at frame 500
    int32_t x, y;                           // predicted for frame 501
  };
  const Case cases[] = {
      {"still star", std::vector<std::array<double, 2>>(12, {300, 200}), 300, 200},
      {"two places", {{10, 20}, {12, 24}, {10, 20}, {12, 24}, {10, 20}, {12, 24},
                      {10, 20}, {12, 24}, {10, 20}, {12, 24}, {10, 20}, {12, 24}}, 11, 22},
  };
  for (const Case& c : cases) {
    PredictTrack track;
    ResetPredictTrack(track);
    for (const auto& p : c.xy) AddPredictTrackSample(track, 500, p[0], p[1]);
    ASSERT_EQ(FitPredictTrack(track), 0) << c.name;
    EXPECT_EQ(track.SlopeX, 0.0) << c.name;
    EXPECT_EQ(PredictTrackX(track, 501), c.x) << c.name;
    EXPECT_EQ(PredictTrackY(track, 501), c.y) << c.name;
  }
}

TEST(PredictTrack, RingWrapsAfterAThousandSamples) {
  PredictTrack track;
  ResetPredictTrack(track);
  track.FrameRange = 300;
  for (int i = 0; i < 1000; ++i) AddPredictTrackSample(track, i, i, i);
  EXPECT_EQ(track.RingIndex, 999);
  AddPredictTrackSample(track, 1000, 1000, 1000);
  EXPECT_EQ(track.RingIndex, 0);
  EXPECT_EQ(track.LastSample, 1000);
  EXPECT_EQ(PredictTrackRingIndex(track, 0), 0);
  EXPECT_EQ(PredictTrackRingIndex(track, -1), 999);
  EXPECT_EQ(track.Frames[PredictTrackRingIndex(track, -1)], 999);
  EXPECT_EQ(PredictTrackRingIndex(track, -300), 700);
  EXPECT_EQ(PredictTrackRingIndex(track, -301), PredictTrack::kNoSlot);
  EXPECT_EQ(PredictTrackRingIndex(track, 1), PredictTrack::kNoSlot);
}

}  // namespace

namespace {

TEST(SetLinkedPoints, StoresEveryObjectAndSwapsReversedPairsOnceBothAreSet) {
  LinkedPointTable t;
  SetLinkedPoints(t, LinkedPointKind::End, 50, {{{10, 11}, {20, 21}, {30, 31}}});
  EXPECT_EQ(t[1].End, (TrackPoint{50, 20, 21}));
  EXPECT_FALSE(t[0].Begin.HasFrame());
  // Begin marked later than End: both ends are swapped for every object.
  SetLinkedPoints(t, LinkedPointKind::Begin, 80, {{{12, 13}, {22, 23}, {32, 33}}});
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(t[k].Begin.Frame, 50) << k;
    EXPECT_EQ(t[k].End.Frame, 80) << k;
  }
  EXPECT_EQ(t[2].Begin, (TrackPoint{50, 30, 31}));
  EXPECT_EQ(t[2].End, (TrackPoint{80, 32, 33}));
  // In order: nothing swaps.
  SetLinkedPoints(t, LinkedPointKind::End, 90, {{{1, 1}, {2, 2}, {3, 3}}});
  EXPECT_EQ(t[0].Begin.Frame, 50);
  EXPECT_EQ(t[0].End.Frame, 90);
}

}  // namespace
