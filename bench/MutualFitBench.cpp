// The mutual-event range search over 300 units at degree 6: every start and
// end within the widened range is fitted. Units 61..240 are marked, so the
// widened range 1..300 gives 61 x 61 fits of 180..300 points (the largest
// count a 300-unit event can ask for).
#include <benchmark/benchmark.h>

#include <cmath>
#include <thread>

#include "chart/MutualFit.h"

namespace {

TypAvgDataArray Units300() {
  TypAvgDataArray units(301);
  for (int u = 1; u <= 300; ++u) {
    TypAvgData& a = units[static_cast<size_t>(u)];
    const long double t = 10 + 0.534L * u;  // 16 frames per unit at 29.97 fps
    a.Hour = 21;
    a.Minute = static_cast<int32_t>(t / 60);
    a.Second = t - 60 * a.Minute;
    const long double d = (u - 150) / 60.0L;
    a.TargetRatio = 1800 - 600 * std::exp(-d * d) + 15 * std::sin(u * 1.7L);
  }
  return units;
}

void BM_MutualRangeSearch300(benchmark::State& state) {
  const TypAvgDataArray units = Units300();
  MutualRangeSearchInput in{61, 240, 1, 300, 4, false};
  int threads = static_cast<int>(state.range(0));
  if (threads == 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  for (auto _ : state) {
    MutualRangeSearchResult r = MutualRangeSearch(units, in, nullptr, threads);
    benchmark::DoNotOptimize(r.BestResidual);
  }
  state.SetItemsProcessed(state.iterations() * 61 * 61);
}
// Argument: threads (0: one per processor).
BENCHMARK(BM_MutualRangeSearch300)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
