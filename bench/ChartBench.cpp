// Light-curve chart hot paths on tables of 100,000 and 1,000,000 records, and the FFT.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "chart/ChartDrawing.h"
#include "chart/ChartScale.h"
#include "chart/ChartTable.h"
#include "chart/Fourier.h"
#include "bench/NoisyChartTables.h"
#include "support/ChartTestTables.h"

namespace {

const std::vector<std::string>& Table100k() {
  static const std::vector<std::string> lines = NoisyChartTable(100000, 1);
  return lines;
}

const std::vector<std::string>& Table1M() {
  static const std::vector<std::string> lines = NoisyChartTable(1000000, 2);
  return lines;
}

void BM_ChartReadTable(benchmark::State& state, const std::vector<std::string>& (*table)()) {
  const auto& lines = table();
  for (auto _ : state) {
    ChartData d = ReadChartData(lines, 3);
    benchmark::DoNotOptimize(d.Records.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK_CAPTURE(BM_ChartReadTable, 100k, Table100k)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ChartReadTable, 1M, Table1M)->Unit(benchmark::kMillisecond);

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

// The drawing steps of a whole-width redraw.
void BM_ChartDrawingSteps(benchmark::State& state, const std::vector<std::string>& (*table)()) {
  const auto& lines = table();
  const ChartData d = ReadChartData(lines, 3);
  ChartPicture pic;
  for (auto _ : state) {
    DrawWholeWidth(lines, d, pic);
    benchmark::DoNotOptimize(pic.Ops.data());
  }
  state.counters["ops"] = static_cast<double>(pic.Ops.size());
}
BENCHMARK_CAPTURE(BM_ChartDrawingSteps, 100k, Table100k)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ChartDrawingSteps, 1M, Table1M)->Unit(benchmark::kMillisecond);

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
