#pragma once
// Results tables of three noisy objects with a short drop in the first, as a
// long run writes them, for the chart benchmarks.
#include <random>
#include <string>
#include <vector>

#include "chart/ChartDrawing.h"
#include "support/ChartTestTables.h"

inline std::vector<std::string> NoisyChartTable(size_t rows, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0, 30);
  std::vector<std::vector<double>> v(3, std::vector<double>(rows));
  for (size_t i = 0; i < rows; ++i) {
    v[0][i] = (i > rows / 2 && i < rows / 2 + 100 ? 200 : 3000) + noise(rng);
    v[1][i] = 5000 + noise(rng);
    v[2][i] = 1500 + noise(rng);
  }
  return BuildResultTable(3, 3, RowsFromValues(v));
}

// A whole-width drawing of all three objects, as the chart opens.
inline void DrawWholeWidth(const std::vector<std::string>& lines, const ChartData& d, ChartPicture& pic) {
  ChartOptions opt;
  opt.Boxes = {true, true, true, false};
  ChartDrawResult res;
  TChartState st;
  st.TotalFrameCount = d.TotalFrameCount();
  ChartView view;
  GraphShow3(lines, d, st, view, opt, {}, {}, pic, res);
}
