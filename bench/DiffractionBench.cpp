// The diffraction fit: the occultation fit with a stellar disk on a
// 121-record window and the old grazing scan with the disk on 41 and 121
// records, each on one thread and on all cores; drawing the fitted curve
// with the disk; and building the Fresnel tables.
#include <benchmark/benchmark.h>

#include "events/DiffractionDrawing.h"
#include "events/DiffractionFit.h"
#include "support/DiffractionCurves.h"

namespace {

struct Case {
  DiffractionModel Model;
  std::vector<double> Values;
};

Case MakeCase() {
  DiffractionParams p;
  p.ModelFrameRate = 29.97L;
  p.StarDiameterOn = 1;
  p.StarAngularDiameter = 5;
  const DiffractionModel m = LunarDiffractionModel(6000, p);
  std::vector<double> v;
  for (int r = 0; r < 200; ++r) v.push_back(static_cast<double>(m.RecordValue(r - 100, 0.8L, -517, -1, 200, 800, 16)));
  return {m, v};
}

void Run(benchmark::State& state, FitMode mode, int half_window) {
  static const Case c = MakeCase();
  FitInput in;
  in.Mode = mode;
  in.Base = 200;
  in.Amplitude = 800;
  in.Selected = 100;
  in.Range = FittingRange(true, -half_window, half_window, 0);
  FitHooks hooks;
  hooks.Threads = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(FitDiffractionModel(c.Model, c.Values, in, hooks));
}

void BM_OccultationFitDisk121(benchmark::State& state) { Run(state, FitMode::Occultation, 60); }
void BM_OldGrazingFitDisk41(benchmark::State& state) { Run(state, FitMode::GrazingOld, 20); }
void BM_OldGrazingFitDisk121(benchmark::State& state) { Run(state, FitMode::GrazingOld, 60); }
// The curve, marker and residuals of a fit over 200 shown records.
void BM_FitDrawingDisk200(benchmark::State& state) {
  static const Case c = MakeCase();
  FitDrawInput in;
  in.View.ChartXRatio = 3.5;
  in.View.ChartYScale = 0.2;
  in.Selected = 100, in.FirstShown = 0, in.ShownCount = 200, in.RecordCount = 200;
  in.Factor = 0.8L;
  in.FitOffset = 517;
  in.Upper = 1000, in.Lower = 200;
  for (auto _ : state) benchmark::DoNotOptimize(BuildFitDrawing(c.Model, in, c.Values));
}
void BM_BuildFresnelTables(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(BuildFresnelTables());
}

}  // namespace

// Arg: threads (1 serial, 0 one per core).
BENCHMARK(BM_OccultationFitDisk121)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_OldGrazingFitDisk41)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_OldGrazingFitDisk121)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FitDrawingDisk200)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BuildFresnelTables)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
