// Per-frame measurement speed: the driver core on a 720 x 480 frame with
// three objects (aperture photometry, radii 6 / 8 / 25, filters off), the
// frame read excluded (the source leaves the bitmap in place).
#include <benchmark/benchmark.h>

#include "measure/FrameDriver.h"
#include "support/SyntheticStars.h"

namespace {

struct Setup {
  FrameDriverState state;
  DataLineBlocks lines{};
  FrameDriverSettings s;
  FrameIo io;
  FrameDriverHooks hooks;
  Bitmap24 frame = MakeStarFrame(ThreeStarFrame(5));
  int appended = 0;

  Setup() {
    s.ScrollMax = 1 << 30;
    s.ObjectCount = 3;
    const int pos[3][2] = {{100, 100}, {300, 200}, {500, 350}};
    for (int k = 1; k <= 3; ++k) {
      const int i = k - 1;
      SetObjectSetting(lines, i, &ObjectResult::ApertureRadius, 6);
      SetObjectSetting(lines, i, &ObjectResult::BackgroundInner, 8);
      SetObjectSetting(lines, i, &ObjectResult::BackgroundOuter, 25);
      SetObjectSetting(lines, i, &ObjectResult::PrevX, pos[i][0]);
      SetObjectSetting(lines, i, &ObjectResult::PrevY, pos[i][1]);
      SetObjectSetting(lines, i, &ObjectResult::TrackMode, static_cast<uint8_t>(TrackModeKind::Anchor));
      RebuildObjectMasks(state, lines, s, k);
    }
    state.FrameBitmap = frame;
    io.GrabFrame = [](int, Bitmap24&) { return std::string(); };
    io.AppendRows = [this](const DataLineBlocks&) { ++appended; };
    state.MeasuringRun = true;
  }
};

void BM_FrameDriverThreeObjects(benchmark::State& st) {
  Setup setup;
  int n = 0;
  for (auto _ : st) {
    FrameOutcome out = ShowNeighbor(setup.state, setup.lines, setup.s, n++, setup.io, setup.hooks);
    benchmark::DoNotOptimize(out.RowsAppended);
  }
  st.counters["frames/s"] = benchmark::Counter(static_cast<double>(st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameDriverThreeObjects);

void BM_StoreApertureResultOneObject(benchmark::State& st) {
  Setup setup;
  ApertureMeasureContext ctx{&setup.state.Classes[0], 0, 25, nullptr, nullptr};
  for (auto _ : st) {
    ApertureSums sums = StoreApertureResult(setup.frame, 1, setup.lines, 100, 100, ctx, {});
    benchmark::DoNotOptimize(sums[0].Hfd);
  }
  st.counters["objects/s"] = benchmark::Counter(static_cast<double>(st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StoreApertureResultOneObject);

void BM_GaussianFilter5x5(benchmark::State& st) {
  Bitmap24 frame = MakeStarFrame(ThreeStarFrame(5));
  for (auto _ : st) {
    GaussianFilter(frame, 2);
    benchmark::DoNotOptimize(frame.Data());
  }
  st.counters["frames/s"] = benchmark::Counter(static_cast<double>(st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GaussianFilter5x5);

}  // namespace
