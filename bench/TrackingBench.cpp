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
      PsfFitSettings refit;
      refit.RefitPending = true;
      PsfFitTarget target{static_cast<int>(k + 1), false, &classes[k]};
      FitStarProfile(PsfFitKind::Full, target, scene.frames[0], x[k], y[k], refit, profiles[k], history, blocks);
      ResetPredictTrack(tracks[k]);
      blocks[0].Objects[k].TrackRadius = track_radius;
    }
  }
};

// The figure that matters: three objects, profile tracking of radius 10 and a
// measure-only profile fit each, per frame.
void BM_ThreeObjectsProfileTrackingAndPsf(benchmark::State& state) {
  const Scene& scene = TheScene();
  Objects o(static_cast<int>(state.range(0)));
  TrackingSettings tracking;
  PsfFitSettings fit;
  int n = 0;
  for (auto _ : state) {
    const Bitmap24& frame = scene.frames[static_cast<size_t>(n % kFrames)];
    for (int k : {2, 3, 1}) {
      const size_t i = static_cast<size_t>(k - 1);
      ProfileTrackInputs in{k, static_cast<int>(state.range(0)), false, &o.classes[i]};
      TrackStarByProfile(frame, n, in, tracking, o.profiles[i], o.tracks[i], o.x[i], o.y[i]);
      PsfFitTarget target{k, k == 1, &o.classes[i]};
      benchmark::DoNotOptimize(
          StorePsfResult(target, frame, o.x[i], o.y[i], fit, o.profiles[i], o.history, o.blocks));
    }
    ++n;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("frames (3 objects)");
}
BENCHMARK(BM_ThreeObjectsProfileTrackingAndPsf)->Arg(10);

// Per object and frame: one profile step and one measure-only fit.
void BM_ProfileTrackAndPsfPerObject(benchmark::State& state) {
  const Scene& scene = TheScene();
  Objects o(10);
  TrackingSettings tracking;
  PsfFitSettings fit;
  int n = 0;
  for (auto _ : state) {
    const Bitmap24& frame = scene.frames[static_cast<size_t>(n % kFrames)];
    ProfileTrackInputs in{1, 10, false, &o.classes[0]};
    TrackStarByProfile(frame, n, in, tracking, o.profiles[0], o.tracks[0], o.x[0], o.y[0]);
    PsfFitTarget target{1, true, &o.classes[0]};
    benchmark::DoNotOptimize(StorePsfResult(target, frame, o.x[0], o.y[0], fit, o.profiles[0], o.history, o.blocks));
    ++n;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("object-frames");
}
BENCHMARK(BM_ProfileTrackAndPsfPerObject);

void BM_CentroidTrackPerObject(benchmark::State& state) {
  const Scene& scene = TheScene();
  TrackDisk disk;
  BuildTrackMask(disk, 10, 1);
  int32_t x = 200, y = 150;
  int n = 0;
  for (auto _ : state) {
    TrackStarByCentroid(scene.frames[static_cast<size_t>(n % kFrames)], {10, 50, 0}, disk, x, y);
    ++n;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("object-frames");
}
BENCHMARK(BM_CentroidTrackPerObject);

// The per-frame measure-only fit ('Fixed' width).
void BM_PsfMeasureOnly(benchmark::State& state) {
  const Scene& scene = TheScene();
  Objects o(10);
  PsfFitSettings fit;
  for (auto _ : state) {
    PsfFitTarget target{1, false, &o.classes[0]};
    benchmark::DoNotOptimize(StorePsfResult(target, scene.frames[0], 200, 150, fit, o.profiles[0], o.history, o.blocks));
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("fits");
}
BENCHMARK(BM_PsfMeasureOnly);

void BM_ProfileStepOnly(benchmark::State& state) {
  const Scene& scene = TheScene();
  Objects o(10);
  TrackingSettings tracking;
  int n = 0;
  for (auto _ : state) {
    int32_t x = 200, y = 150;
    ProfileTrackInputs in{1, 10, false, &o.classes[0]};
    benchmark::DoNotOptimize(TrackStarByProfile(scene.frames[static_cast<size_t>(n % kFrames)], n, in, tracking,
                                                o.profiles[0], o.tracks[0], x, y));
    ++n;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("steps");
}
BENCHMARK(BM_ProfileStepOnly);

// The full fit run when an object is placed or refitted.
void BM_PsfFullRefit(benchmark::State& state) {
  const Scene& scene = TheScene();
  Objects o(10);
  PsfFitSettings refit;
  refit.RefitPending = true;
  for (auto _ : state) {
    PsfFitTarget target{1, false, &o.classes[0]};
    benchmark::DoNotOptimize(FitStarProfile(PsfFitKind::Full, target, scene.frames[0], 200, 150, refit,
                                            o.profiles[0], o.history, o.blocks));
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("fits");
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
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("frames (3 objects, drift)");
}
BENCHMARK(BM_DriverThreeObjectsProfileTrackingAndPsf);

}  // namespace
