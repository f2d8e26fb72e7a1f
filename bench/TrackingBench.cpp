// Tracking and profile photometry per frame on 720 x 480 frames of three
// drifting, shaking Gaussian stars.
#include <benchmark/benchmark.h>

#include <vector>

#include "measure/FrameDriver.h"
#include "measure/PsfFit.h"
#include "measure/StarTracking.h"
#include "measure/TrackingHooks.h"
#include "support/GaussianStarField.h"

namespace {

constexpr int kFrames = 16;

struct Scene {
  std::vector<Bitmap24> frames;
  std::array<GaussianStar, 3> stars{{{200, 150, 150, 2.5}, {420, 260, 120, 2.2}, {560, 380, 90, 2.8}}};
  Scene() {
    const ShakeTable shake = MakeShakeTable(kFrames, 3, 9);
    for (int n = 0; n < kFrames; ++n) {
      std::vector<GaussianStar> s;
      for (const auto& st : stars)
        s.push_back({st.X + 0.3 * n + shake.Dx[static_cast<size_t>(n)], st.Y + shake.Dy[static_cast<size_t>(n)],
                     st.Amplitude, st.Width});
      frames.push_back(RenderGaussianStars(720, 480, 25, s, {3.0, static_cast<uint32_t>(n + 1)}));
    }
  }
};

const Scene& TheScene() {
  static const Scene scene;
  return scene;
}

struct Objects {
  std::array<ApertureClasses, 3> classes{};
  ObjectProfileTable profiles{};
  PredictTrackTable tracks{};
  PsfHistory history;
  DataLineBlocks blocks{};
  std::array<int32_t, 3> x{}, y{};

  explicit Objects(int track_radius) {
    const Scene& scene = TheScene();
    PsfFitSettings refit;
    refit.RefitPending = true;
    for (size_t k = 0; k < 3; ++k) {
      BkgLineGeometry g;
      MaskSettings m;
      m.ApertureRadius = 5;
      m.BackgroundInner = 7;
      m.BackgroundOuter = 14;
      BuildObjectMasks(classes[k], g, m);
      profiles[k].PsfWidth = scene.stars[k].Width;
      profiles[k].MatchThresholdPercent = 50;
      x[k] = static_cast<int32_t>(scene.stars[k].X);
      y[k] = static_cast<int32_t>(scene.stars[k].Y);
      Refit(static_cast<int>(k + 1), scene.frames[0], x[k], y[k], refit);
      ResetPredictTrack(tracks[k]);
      blocks[0].Objects[k].TrackRadius = track_radius;
    }
  }

  // Object k (1..3): one profile step from (x, y), radius 10 unless given.
  ProfileTrackResult Step(int k, const Bitmap24& frame, int n, const TrackingSettings& tracking, int32_t& at_x,
                          int32_t& at_y, int radius = 10) {
    const size_t i = static_cast<size_t>(k - 1);
    const ProfileTrackInputs in{k, radius, false, &classes[i]};
    return TrackStarByProfile(frame, n, in, tracking, profiles[i], tracks[i], at_x, at_y);
  }
  // The measure-only fit of object k at (x, y).
  PsfFitResult Measure(int k, bool selected, const Bitmap24& frame, int32_t at_x, int32_t at_y,
                       const PsfFitSettings& fit) {
    const size_t i = static_cast<size_t>(k - 1);
    const PsfFitTarget target{k, selected, &classes[i]};
    return StorePsfResult(target, frame, at_x, at_y, fit, profiles[i], history, blocks);
  }
  // The full fit of object k at (x, y), as when it is placed.
  PsfFitResult Refit(int k, const Bitmap24& frame, int32_t at_x, int32_t at_y, const PsfFitSettings& fit) {
    const size_t i = static_cast<size_t>(k - 1);
    const PsfFitTarget target{k, false, &classes[i]};
    return FitStarProfile(PsfFitKind::Full, target, frame, at_x, at_y, fit, profiles[i], history, blocks);
  }
};

void ReportItems(benchmark::State& state, const char* label) {
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(label);
}

const Bitmap24& FrameAt(int n) { return TheScene().frames[static_cast<size_t>(n % kFrames)]; }

// The figure that matters: three objects, profile tracking of radius 10 and a
// measure-only profile fit each, per frame.
void BM_ThreeObjectsProfileTrackingAndPsf(benchmark::State& state) {
  const int radius = static_cast<int>(state.range(0));
  Objects o(radius);
  TrackingSettings tracking;
  PsfFitSettings fit;
  int n = 0;
  for (auto _ : state) {
    const Bitmap24& frame = FrameAt(n);
    for (int k : {2, 3, 1}) {
      const size_t i = static_cast<size_t>(k - 1);
      o.Step(k, frame, n, tracking, o.x[i], o.y[i], radius);
      benchmark::DoNotOptimize(o.Measure(k, k == 1, frame, o.x[i], o.y[i], fit));
    }
    ++n;
  }
  ReportItems(state, "frames (3 objects)");
}
BENCHMARK(BM_ThreeObjectsProfileTrackingAndPsf)->Arg(10);

// Per object and frame: one profile step and one measure-only fit.
void BM_ProfileTrackAndPsfPerObject(benchmark::State& state) {
  Objects o(10);
  TrackingSettings tracking;
  PsfFitSettings fit;
  int n = 0;
  for (auto _ : state) {
    const Bitmap24& frame = FrameAt(n);
    o.Step(1, frame, n, tracking, o.x[0], o.y[0]);
    benchmark::DoNotOptimize(o.Measure(1, true, frame, o.x[0], o.y[0], fit));
    ++n;
  }
  ReportItems(state, "object-frames");
}
BENCHMARK(BM_ProfileTrackAndPsfPerObject);

void BM_CentroidTrackPerObject(benchmark::State& state) {
  TrackDisk disk;
  BuildTrackMask(disk, 10, 1);
  int32_t x = 200, y = 150;
  int n = 0;
  for (auto _ : state) {
    TrackStarByCentroid(FrameAt(n), {10, 50, 0}, disk, x, y);
    ++n;
  }
  ReportItems(state, "object-frames");
}
BENCHMARK(BM_CentroidTrackPerObject);

// The per-frame measure-only fit ('Fixed' width).
void BM_PsfMeasureOnly(benchmark::State& state) {
  Objects o(10);
  PsfFitSettings fit;
  for (auto _ : state) benchmark::DoNotOptimize(o.Measure(1, false, FrameAt(0), 200, 150, fit));
  ReportItems(state, "fits");
}
BENCHMARK(BM_PsfMeasureOnly);

void BM_ProfileStepOnly(benchmark::State& state) {
  Objects o(10);
  TrackingSettings tracking;
  int n = 0;
  for (auto _ : state) {
    int32_t x = 200, y = 150;
    benchmark::DoNotOptimize(o.Step(1, FrameAt(n), n, tracking, x, y));
    ++n;
  }
  ReportItems(state, "steps");
}
BENCHMARK(BM_ProfileStepOnly);

// The full fit run when an object is placed or refitted.
void BM_PsfFullRefit(benchmark::State& state) {
  Objects o(10);
  PsfFitSettings refit;
  refit.RefitPending = true;
  for (auto _ : state) benchmark::DoNotOptimize(o.Refit(1, FrameAt(0), 200, 150, refit));
  ReportItems(state, "fits");
}
BENCHMARK(BM_PsfFullRefit);

// The same through the per-frame driver (ShowNeighbor with the tracking
// hooks): frame copy from a decoded source, tracking, fit, bookkeeping.
void BM_DriverThreeObjectsProfileTrackingAndPsf(benchmark::State& state) {
  const Scene& scene = TheScene();
  FrameDriverState st;
  DataLineBlocks lines{};
  FrameDriverSettings s;
  s.ScrollMax = 1 << 30;
  s.ObjectCount = 3;
  s.ProfileTracking = true;
  s.PsfPhotometry = true;
  s.ApertureRadius = 5;
  s.BackgroundInner = 7;
  s.BackgroundOuter = 14;
  TrackingState tracking;
  TrackingOptions options;
  TrackingHooks hooks(tracking, options);
  for (int k = 1; k <= 3; ++k) {
    const size_t i = static_cast<size_t>(k - 1);
    SetObjectSetting(lines, k - 1, &ObjectResult::ApertureRadius, 5);
    SetObjectSetting(lines, k - 1, &ObjectResult::BackgroundInner, 7);
    SetObjectSetting(lines, k - 1, &ObjectResult::BackgroundOuter, 14);
    SetObjectSetting(lines, k - 1, &ObjectResult::TrackRadius, 10);
    SetObjectSetting(lines, k - 1, &ObjectResult::TrackMode, TrackModeKind::Drift);
    SetObjectSetting(lines, k - 1, &ObjectResult::PrevX, static_cast<int32_t>(scene.stars[i].X));
    SetObjectSetting(lines, k - 1, &ObjectResult::PrevY, static_cast<int32_t>(scene.stars[i].Y));
    RebuildObjectMasks(st, lines, s, k);
    BuildTrackMask(st.Track[i], 10, 1);
    tracking.Profiles[i].PsfWidth = scene.stars[i].Width;
    tracking.Profiles[i].MatchThresholdPercent = 50;
  }
  FrameIo io;
  io.GrabFrame = [&scene](int n, Bitmap24& bmp) {
    bmp = scene.frames[static_cast<size_t>(n % kFrames)];
    return std::string();
  };
  for (int k = 1; k <= 3; ++k) {  // placement fits
    s.SelectedObject = k;
    st.PsfRefitPending = true;
    ShowNeighbor(st, lines, s, 0, io, hooks);
    RebuildObjectMasks(st, lines, s, k);
  }
  s.SelectedObject = 1;
  int n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ShowNeighbor(st, lines, s, n, io, hooks));
    ++n;
  }
  ReportItems(state, "frames (3 objects, drift)");
}
BENCHMARK(BM_DriverThreeObjectsProfileTrackingAndPsf);

}  // namespace
