// Light-curve chart hot paths on a 100,000-record table, and the FFT.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "chart/ChartDrawing.h"
#include "chart/ChartScale.h"
#include "chart/ChartTable.h"
#include "chart/Fourier.h"
#include "support/ChartTestTables.h"

namespace {

const std::vector<std::string>& Table100k() {
  static const std::vector<std::string> lines = [] {
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 30);
    std::vector<std::vector<double>> v(3, std::vector<double>(100000));
    for (size_t i = 0; i < 100000; ++i) {
      v[0][i] = (i > 50000 && i < 50100 ? 200 : 3000) + noise(rng);
      v[1][i] = 5000 + noise(rng);
      v[2][i] = 1500 + noise(rng);
    }
    return BuildResultTable(3, 3, RowsFromValues(v));
  }();
  return lines;
}

void BM_ChartReadTable100k(benchmark::State& state) {
  const auto& lines = Table100k();
  for (auto _ : state) {
    ChartData d = ReadChartData(lines, 3);
    benchmark::DoNotOptimize(d.Records.data());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_ChartReadTable100k)->Unit(benchmark::kMillisecond);

void BM_ChartRangeAndPixels100k(benchmark::State& state) {
  const ChartData d = ReadChartData(Table100k(), 3);
  TChartState st;
  st.TotalFrameCount = d.TotalFrameCount();
  for (auto _ : state) {
    ChartView v;
    ComputeYScale(v, GetMinMax(d, {true, true, true, false}), 10, -10);
    HRatioCalc(st, v, HRatioInput{static_cast<int>(d.LineCount), d.HeaderLineCount, 0, false});
    long sum = 0;
    for (int i = 0; i < st.VisibleFrameCount; ++i)
      for (int c = 0; c < 3; ++c) sum += IndexToPixelX(v, i) + ValueToPixelY(v, d.Records[static_cast<size_t>(i)].Value[static_cast<size_t>(c)]);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * 300000);
}
BENCHMARK(BM_ChartRangeAndPixels100k)->Unit(benchmark::kMillisecond);

void BM_ChartDrawingSteps100k(benchmark::State& state) {
  const auto& lines = Table100k();
  const ChartData d = ReadChartData(lines, 3);
  ChartOptions opt;
  opt.Boxes = {true, true, true, false};
  ChartPicture pic;
  ChartDrawResult res;
  for (auto _ : state) {
    TChartState st;
    st.TotalFrameCount = d.TotalFrameCount();
    ChartView v;
    GraphShow3(lines, d, st, v, opt, {}, {}, pic, res);
    benchmark::DoNotOptimize(pic.Ops.data());
  }
  state.counters["ops"] = static_cast<double>(pic.Ops.size());
}
BENCHMARK(BM_ChartDrawingSteps100k)->Unit(benchmark::kMillisecond);

void BM_FastFourierTransform(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  FftBlock input;
  input.Resize(n);
  for (size_t i = 0; i < n; ++i) input.InputRe[i] = std::sin(0.01 * static_cast<double>(i)) * 100 + static_cast<double>(i % 7);
  FftBlock b;
  // The transform overwrites its input, so each pass starts from a copy (the
  // copy is timed too; it is a small part).
  for (auto _ : state) {
    b.InputRe = input.InputRe;
    b.InputIm = input.InputIm;
    FastFourierTransform(b, FftDirection::Forward);
    benchmark::DoNotOptimize(b.OutputRe.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_FastFourierTransform)->Arg(1024)->Arg(16384)->Arg(65536)->Unit(benchmark::kMicrosecond);

}  // namespace
