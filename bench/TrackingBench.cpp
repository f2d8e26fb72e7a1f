// Tracking and profile photometry per frame on 720 x 480 frames of three
// drifting, shaking Gaussian stars.
#include <benchmark/benchmark.h>

#include <vector>

#include "measure/PsfFit.h"
#include "measure/StarTracking.h"
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

}  // namespace
