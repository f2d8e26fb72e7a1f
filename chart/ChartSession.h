#pragma once
// State of the chart and its tool windows that outlives the windows: the
// view state other windows read, the FFT block size, the open flags and the
// captured raw texts of the absorption correction. Owned by the main window.
#include <cstdint>

#include "chart/AbsorptionCorrection.h"
#include "chart/ChartState.h"

struct ChartSession {
  TChartState ChartState;
  int32_t FftLength = 1024;
  uint8_t ChartOpen = 0;
  uint8_t DiffractionMode = 0;
  uint8_t AsteroidChartMode = 0;
  uint8_t AvgBkgShown = 0;
  uint8_t AvgBkgWindowOpen = 0;
  uint8_t CorrectionOpen = 0;
  uint8_t LEDGraphOpen = 0;
  uint8_t MutualAverageOpen = 0;
  // The range of the last drawing, and the data range it was scaled from,
  // which is kept while the range is fixed.
  long double ChartValueMax = 0, ChartValueMin = 0;
  long double ChartRangeMax = 0, ChartRangeMin = 0;
  int32_t LedGraphCurrentLine = 0;
  int32_t SelectedOffsetMin = 0, SelectedOffsetMax = 0;
  AbsorptionCorrection Absorption;
};
