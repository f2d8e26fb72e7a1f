// Results tables of any content through the chart's reader, drawing and the
// table rewrites (noise reduction, absorption correction, spectrum).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chart/AbsorptionCorrection.h"
#include "chart/ChartDrawing.h"
#include "chart/ChartSelection.h"
#include "chart/NoiseReduction.h"
#include "chart/SpectrumListing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 200000 || size < 2) return 0;
  const int version = data[0] % 4;
  const int mode = data[1] % 6;
  std::vector<std::string> lines(1);
  for (size_t i = 2; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\n') lines.emplace_back();
    else lines.back() += c;
  }
  const ChartData d = ReadChartData(lines, version);
  TChartState st;
  st.TotalFrameCount = d.TotalFrameCount();
  st.SelectedFrame = st.TotalFrameCount / 2;
  ChartView view;
  ChartOptions opt;
  opt.Boxes = {true, true, true, true};
  opt.FrameStep = mode;
  ChartMarks marks;
  marks.AsteroidChartMode = mode & 1;
  marks.IntegrationCount = mode;
  ChartPicture pic;
  ChartDrawResult res;
  GraphShow3(lines, d, st, view, opt, marks, {}, pic, res);
  NearestVisibleIndex(d, st, view, 100, 100, mode & 1);
  AperturePositionsOf(lines.back(), version);

  NoiseReductionParams p;
  p.CsvVersion = version;
  p.ObjectCount = 3;
  p.Objects = {true, true, true};
  p.Mode = static_cast<NoiseFilterMode>(mode);
  p.FftLength = 512;
  p.HalfWidth = {mode, 1, 2};
  p.BandPassCheck = mode & 1;
  p.BandFrom = -5;
  p.BandTo = 100000;
  p.SpotErasing = true;
  p.SpotFrom = 3;
  p.SpotTo = 7000;
  ApplyNoiseReduction(lines, p);
  AvgBkgStatistics(lines, version, 3, 0, 1000000, mode & 1);

  AbsorptionCorrection ac;
  ac.Open(lines, version, st.TotalFrameCount);
  const AbsorptionResult r = ac.Correct(lines, version, st.SelectedFrame, mode);
  ac.Restore(r.Changed ? r.Lines : lines, version);
  SpectrumListing(lines, version, 512, 25, mode & 1);
  return 0;
}
