#include "measure/FrameDriver.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "app/RunControl.h"
#include "support/SyntheticStars.h"

namespace {

// A frame source over generated frames and a row sink that keeps every block.
struct Rig {
  FrameDriverState state;
  DataLineBlocks lines{};
  FrameDriverSettings s;
  FrameIo io;
  FrameDriverHooks plain;
  std::vector<Bitmap24> frames;
  std::vector<DataLineBlocks> rows;
  int grabs = 0;
  bool fail = false;

  explicit Rig(std::vector<Bitmap24> f) : frames(std::move(f)) {
    s.ScrollMax = static_cast<int>(frames.size()) - 1;
    io.GrabFrame = [this](int n, Bitmap24& bmp) -> std::string {
      ++grabs;
      if (fail) {
        bmp.Resize(bmp.Width(), bmp.Height());
        return "Fail to get a bitmap.\r\nno frame";
      }
      bmp = frames[static_cast<size_t>(n)];
      return "";
    };
    io.AppendRows = [this](const DataLineBlocks& b) { rows.push_back(b); };
  }

  void Place(int k, int x, int y, TrackModeKind mode = TrackModeKind::Off, int ap = 6, int inner = 8, int outer = 25) {
    const int i = k - 1;
    SetObjectSetting(lines, i, &ObjectResult::ApertureRadius, ap);
    SetObjectSetting(lines, i, &ObjectResult::BackgroundInner, inner);
    SetObjectSetting(lines, i, &ObjectResult::BackgroundOuter, outer);
    SetObjectSetting(lines, i, &ObjectResult::PrevX, x);
    SetObjectSetting(lines, i, &ObjectResult::PrevY, y);
    SetObjectSetting(lines, i, &ObjectResult::TrackMode, static_cast<uint8_t>(mode));
    SetObjectSetting(lines, i, &ObjectResult::BandWidth, 1);
    RebuildObjectMasks(state, lines, s, k);
  }

  FrameOutcome Show(int n) { return ShowNeighbor(state, lines, s, n, io, plain); }
  FrameOutcome Show(int n, FrameDriverHooks& h) { return ShowNeighbor(state, lines, s, n, io, h); }
};

std::vector<Bitmap24> Occultation(int count, int event_frame) {
  std::vector<Bitmap24> v;
  for (int n = 0; n < count; ++n)
    v.push_back(MakeStarFrame(OccultationFrame(ThreeStarFrame(77), n, event_frame, 0.2)));
  return v;
}

std::vector<Bitmap24> Flat(int count, int w = 64, int h = 48, uint8_t value = 30) {
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.Set(x, y, {value, value, value});
  return std::vector<Bitmap24>(static_cast<size_t>(count), b);
}

// The window's chain: START measures the current frame, each Timer1 tick
// moves the position, the change measures it, the end-of-range rule stops.
void RunToEnd(Rig& rig, int start, int step) {
  int pos = start;
  rig.state.MeasuringRun = true;
  FrameOutcome out = rig.Show(pos);
  if (!rig.state.MeasuringRun || out.StopTimer) return;
  for (int guard = 0; guard < 10000; ++guard) {
    const TimerTick t = PlanTimerTick(pos, step, rig.s.ScrollMax, false);
    if (t.Move) {
      pos = t.NewPosition;
      out = rig.Show(pos);
      if (NextStepPassesEnd(pos, step, rig.s.ScrollMax)) {
        rig.state.MeasuringRun = false;
        return;
      }
      if (out.StopTimer) return;
    }
    if (t.StopTimer) {
      rig.state.MeasuringRun = false;
      return;
    }
  }
  FAIL() << "run did not end";
}

// Records the tracking calls; TrackStep moves toward a target one pixel per step.
struct Recorder : FrameDriverHooks {
  std::vector<int> order;
  std::vector<int> optimized;
  int target_x = -1, target_y = -1;
  int moves = 0;
  ObjectPosition TrackStep(FrameContext&, int k, ObjectPosition p) override {
    order.push_back(k);
    if (target_x < 0) return p;
    if (p.X < target_x) ++p.X, ++moves;
    if (p.Y < target_y) ++p.Y;
    return p;
  }
  void OptimizeDirection(FrameContext&, int k, ObjectPosition) override { optimized.push_back(k); }
};

}  // namespace

TEST(FrameDriver, ObjectOrderTwoThreeOne) {
  struct Row {
    int count;
    std::vector<int> order;
  } rows[] = {{1, {1}}, {2, {2, 1}}, {3, {2, 3, 1}}};
  for (const Row& r : rows) {
    Rig rig(Flat(2));
    rig.s.ObjectCount = r.count;
    for (int k = 1; k <= 3; ++k) rig.Place(k, 20 + 5 * k, 20, TrackModeKind::Anchor);
    Recorder h;
    rig.Show(0, h);
    EXPECT_EQ(h.order, r.order) << r.count;
  }
}

TEST(FrameDriver, RunOverOccultationRecordsKnownFluxes) {
  Rig rig(Occultation(10, 5));
  rig.s.ObjectCount = 3;
  rig.Place(1, 100, 100);
  rig.Place(2, 300, 200);
  rig.Place(3, 500, 350);
  RunToEnd(rig, 0, 1);
  ASSERT_EQ(rig.rows.size(), 10u);
  for (size_t n = 0; n < rig.rows.size(); ++n) {
    const DataLineBlocks& b = rig.rows[n];
    EXPECT_EQ(b[0].FrameNumberX10, static_cast<int>(10 * n));
    EXPECT_EQ(b[2].FrameNumberX10, static_cast<int>(10 * n));
    // Noise 2 per pixel over 137 aperture pixels and the background estimate: +-60.
    EXPECT_NEAR(b[0].Objects[0].Value, n < 5 ? 2500 : 500, 60) << n;
    EXPECT_NEAR(b[0].Objects[1].Value, 1500, 60) << n;
    EXPECT_NEAR(b[0].Objects[2].Value, 2000, 60) << n;
    // The fields split the star and the aperture between them; each field has
    // its own background estimate, so the values add up only to within the noise.
    EXPECT_NEAR(b[1].Objects[0].Value + b[2].Objects[0].Value, b[0].Objects[0].Value, 5) << n;
    EXPECT_EQ(b[1].Objects[0].AperturePixelCount + b[2].Objects[0].AperturePixelCount, 137) << n;
    EXPECT_NEAR(b[1].Objects[0].ApertureSum + b[2].Objects[0].ApertureSum, b[0].Objects[0].ApertureSum, 1) << n;
    EXPECT_EQ(b[0].Objects[0].X, 0);  // 'OFF' objects keep X, Y as stored
  }
  EXPECT_EQ(rig.state.LastMeasuredFrame, 9);
  EXPECT_FALSE(rig.state.MeasuringRun);
}

TEST(FrameDriver, FrameOutsideTheRangeIsBlackAndEndsTheTimer) {
  Rig rig(Flat(12));
  rig.Place(1, 30, 20);
  rig.state.MeasuringRun = true;
  const FrameOutcome out = rig.Show(12);
  EXPECT_TRUE(out.BlackFrame);
  EXPECT_FALSE(out.Measured);
  EXPECT_TRUE(out.StopTimer);
  EXPECT_EQ(rig.grabs, 0);
  EXPECT_TRUE(rig.rows.empty());
  EXPECT_FALSE(rig.state.MeasuringRun);
}

TEST(FrameDriver, DriverIsNotReentrant) {
  Rig rig(Flat(3));
  rig.Place(1, 30, 20);
  struct Nested {
    Rig* rig = nullptr;
    FrameOutcome inner;
  } h;
  h.rig = &rig;
  rig.io.AfterObjects = [&h](FrameContext&) { h.inner = h.rig->Show(1); };
  const FrameOutcome out = rig.Show(0);
  rig.io.AfterObjects = nullptr;
  EXPECT_TRUE(h.inner.Reentered);
  EXPECT_TRUE(out.Measured);
  EXPECT_FALSE(rig.state.InDriver);
  EXPECT_TRUE(rig.Show(1).Measured);  // the guard is released
}

TEST(FrameDriver, PlacedObjectGetsItsPositionWithThreeObjects) {
  Rig rig(Flat(3, 200, 100));
  rig.s.ObjectCount = 3;
  rig.Place(1, 50, 50, TrackModeKind::Anchor);
  rig.Place(2, 100, 50, TrackModeKind::Anchor);
  rig.Place(3, 150, 50, TrackModeKind::Anchor);
  Recorder h;
  h.target_x = 1000;  // every step moves one pixel right
  h.target_y = -1;
  rig.state.PositionJustSet = true;
  rig.state.ObjectBeingPlaced = {true, false, false};
  rig.Show(0, h);
  // Object A (processed last) took its tracked position as start and current.
  EXPECT_EQ(rig.lines[0].Objects[0].PrevX, 51);
  EXPECT_EQ(rig.lines[2].Objects[0].PrevX, 51);
  EXPECT_EQ(rig.lines[1].Objects[0].X, 51);
  // Object B tracked once ('Anchor') but kept its start position.
  EXPECT_EQ(rig.lines[0].Objects[1].PrevX, 100);
  EXPECT_EQ(rig.lines[0].Objects[1].X, 101);
  EXPECT_FALSE(rig.state.PositionJustSet);
}

TEST(FrameDriver, DirectionOptimisedAtTheSelectedObject) {
  Rig rig(Flat(3, 200, 100));
  rig.s.ObjectCount = 3;
  rig.s.SelectedObject = 3;
  for (int k = 1; k <= 3; ++k) rig.Place(k, 40 * k, 50, TrackModeKind::Anchor);
  Recorder h;
  rig.state.OptimizeDirectionNow = true;
  rig.s.AutoRectangleDirection = true;
  rig.Show(0, h);
  EXPECT_EQ(h.optimized, std::vector<int>{3});
  EXPECT_FALSE(rig.state.OptimizeDirectionNow);
}

TEST(FrameDriver, DriftIteratesAtMostFiveStepsOrUntilStill) {
  struct Row {
    const char* name;
    int target;
    bool placed;
    int steps;
    int final_x;
  } rows[] = {
      {"star found at once", 50, false, 1, 50},
      {"three pixels away", 53, false, 3, 53},
      {"keeps moving", 80, false, 5, 56},
      {"being placed", 80, true, 1, 52},
  };
  for (const Row& r : rows) {
    Rig rig(Flat(3, 200, 100));
    rig.Place(1, 50, 50, TrackModeKind::Drift);
    Recorder h;
    h.target_x = r.target;
    h.target_y = -1;
    rig.state.ObjectBeingPlaced[0] = r.placed;
    rig.Show(0, h);
    // The first step is the plain tracking step, then the drift loop.
    EXPECT_EQ(static_cast<int>(h.order.size()) - 1, r.steps) << r.name;
    EXPECT_EQ(rig.lines[0].Objects[0].X, r.final_x) << r.name;
    EXPECT_EQ(rig.lines[0].Objects[0].PrevX, rig.lines[0].Objects[0].X) << r.name;
  }
}

TEST(FrameDriver, ShowFieldSplitsRowsAndMeasuresNothing) {
  Bitmap24 f(4, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 4; ++x) f.Set(x, y, {static_cast<uint8_t>(y), 0, 0});
  Rig rig({f});
  rig.Place(1, 2, 2);
  rig.s.ShowField = true;
  rig.state.MeasuringRun = true;
  const FrameOutcome out = rig.Show(0);
  EXPECT_FALSE(out.Measured);
  EXPECT_TRUE(rig.rows.empty());
  ASSERT_EQ(out.FieldImage.Height(), 5);
  // Rows 0, 2 on top, 1, 3 below, the odd last row dropped (black).
  EXPECT_EQ(out.FieldImage.Get(0, 0).b, 0);
  EXPECT_EQ(out.FieldImage.Get(0, 1).b, 2);
  EXPECT_EQ(out.FieldImage.Get(0, 2).b, 1);
  EXPECT_EQ(out.FieldImage.Get(0, 3).b, 3);
  EXPECT_EQ(out.FieldImage.Get(0, 4).b, 0);
}

TEST(SignalAreas, BoxNeverCountsRowZero) {
  Bitmap24 f(10, 10);
  for (int x = 0; x < 10; ++x) f.Set(x, 0, {255, 255, 255});
  for (int y = 1; y < 10; ++y)
    for (int x = 0; x < 10; ++x) f.Set(x, y, {10, 20, 30});
  const BoxSums s = SumBoxRGB(f, 5, 0, 2, 1);  // rows -2..2, only 1..2 count
  EXPECT_EQ(s.Count, 6);
  EXPECT_EQ(s.B, 60);
  EXPECT_EQ(s.R, 180);
  EXPECT_EQ(SumBoxRGB(f, -10, 5, 2, 2).Count, 0);
  EXPECT_EQ(SumBoxRGB(f, 9, 9, 2, 2).Count, 9);
}

TEST(SignalAreas, ThresholdRulesAndRoundings) {
  // Two pixels 100 and 101 in rows 1 and 2 (row 0 of the box is never
  // counted): level 100.5, rounded half away from zero to 101.
  Bitmap24 g(10, 10);
  g.Set(4, 1, {100, 100, 100});
  g.Set(4, 2, {101, 101, 101});
  Signal1Box top{4, 1, 0, 1};  // rows 0..2, row 0 never counted
  EXPECT_DOUBLE_EQ(DetectSignal1(g, top, 0).Level, 100.5);
  EXPECT_TRUE(DetectSignal1(g, top, 101).Detected);
  EXPECT_FALSE(DetectSignal1(g, top, 102).Detected);
  Signal1Box outside{-50, -50, 2, 2};
  EXPECT_EQ(DetectSignal1(g, outside, 0).Level, 0.0);
  EXPECT_TRUE(DetectSignal1(g, outside, 0).Detected);
  EXPECT_FALSE(DetectSignal1(g, outside, 1).Detected);
  // Signal2: 5 x 5 box, integer mean. 24 pixels 100 and one 124: 2524 / 25 = 100.96 -> 100.
  Bitmap24 h(20, 20);
  for (int y = 8; y <= 12; ++y)
    for (int x = 8; x <= 12; ++x) h.Set(x, y, {100, 100, 100});
  h.Set(10, 10, {124, 124, 124});
  EXPECT_EQ(DetectSignal2(h, 10, 10, 100, 0), true);
  EXPECT_EQ(DetectSignal2(h, 10, 10, 101, 0), false);
  EXPECT_EQ(DetectSignal2(h, 10, 10, 101, 3), std::nullopt);
}

TEST(SignalAreas, ExtremeBoxesCountNothingOrClip) {
  Bitmap24 f(10, 10);
  EXPECT_EQ(SumBoxRGB(f, INT32_MAX, INT32_MAX, 2, 2).Count, 0);
  EXPECT_EQ(SumBoxRGB(f, INT32_MIN, 5, 2, 2).Count, 0);
  EXPECT_EQ(SumBoxRGB(f, 5, 5, INT32_MAX, INT32_MAX).Count, 90);  // rows 1..9 only
  EXPECT_EQ(SumBoxRGB(f, 5, 5, -3, 0).Count, 0);
  EXPECT_EQ(SumBoxRGB(Bitmap24{}, 0, 0, 2, 2).Count, 0);
}

TEST(FrameDriver, FailedFirstReadOutsideARunMeasuresAnEmptyFrameSafely) {
  Rig rig(Flat(3));
  rig.Place(1, 30, 20);
  rig.s.Signals.SignalMarkersOn = true;
  rig.s.Filters.GaussianIndex = 2;
  rig.s.Filters.GainTenths = 5;
  rig.s.Filters.FieldRotation = 3;
  rig.fail = true;
  const FrameOutcome out = rig.Show(1);
  EXPECT_FALSE(out.GrabError.empty());
  EXPECT_FALSE(out.StopTimer);
  EXPECT_EQ(rig.lines[0].Objects[0].AperturePixelCount, 0);
}
