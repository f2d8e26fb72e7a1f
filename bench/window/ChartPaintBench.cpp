// A whole redraw of the light-curve chart on a million rows: the drawing
// steps and their painting, as the chart window does on every change.
#include <benchmark/benchmark.h>

#include "chart/ChartDrawing.h"
#include "chart/ui/ChartPainter.h"
#include "bench/NoisyChartTables.h"

namespace {

void ChartRedraw1M(benchmark::State& state) {
  const auto lines = NoisyChartTable(1000000, 2);
  const ChartData d = ReadChartData(lines, 3);
  ChartPicture pic;
  for (auto _ : state) {
    DrawWholeWidth(lines, d, pic);
    QImage img = PaintChartPicture(pic);
    benchmark::DoNotOptimize(img.constBits());
  }
  state.counters["ops"] = static_cast<double>(pic.Ops.size());
}
BENCHMARK(ChartRedraw1M)->Unit(benchmark::kMillisecond);

}  // namespace
