// The longest timing-error simulation run: 10000 integrated-ramp trials.
#include <benchmark/benchmark.h>

#include "base/ProgramRandom.h"
#include "timing/TimingErrorSimulation.h"

namespace {

void BM_RampTrials10000(benchmark::State& state) {
  for (auto _ : state) {
    SetRandomState(0);
    benchmark::DoNotOptimize(RunRampTrials(SimSettings{}, 10000, static_cast<int>(state.range(0))));
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_RampTrials10000)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
