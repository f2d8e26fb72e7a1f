#pragma once
// The event-analysis state: the chart's part (chart/ChartEvents.h) and what
// only the event windows use: the report lines, the event timing list, the
// star's spectrum and the identification windows' state. Owned once (by the
// main window) and passed by reference.
#include <array>
#include <cstdint>
#include <string>

#include "chart/ChartEvents.h"
#include "events/IdentificationState.h"
#include "events/SpectralModel.h"

// The five report lines: date, star, observer, object, values.
struct TReportLightCurveData {
  std::array<std::string, 5> Lines;
};

// Texts: hour, minute, second, S/N; Flag1: disappearance (1 D, 0 R);
// Flag2: minor change. Read them through events/TimingList.h.
struct TAsteroidEachEventTime {
  std::array<std::string, 4> Texts;
  uint8_t Flag1 = 1;
  uint8_t Flag2 = 0;
  int32_t Value1 = 0, Value2 = 0;
  std::string Error;
  double SortKey = 0;    // seconds of the day, written by Sort
  uint8_t Approximate = 0;
  std::string ContactAngle, MeasuredDrop, PredictedDrop;
};

constexpr int32_t kMaxTimedEvents = 100;
struct TAsteroidTiming {
  int32_t EntryCount = 0;
  int32_t Counter2 = 0;
  std::array<TAsteroidEachEventTime, kMaxTimedEvents> Entries;
};

// What opening a video does to the list: empty, the times and S/N cleared,
// every entry a main disappearance again; the other fields stay.
void ResetTimingList(TAsteroidTiming& t);

struct ChartEventState : ChartEvents {
  TReportLightCurveData ReportLightCurveData;
  TAsteroidTiming AsteroidTiming;
  SpectralModel Spectral;
  IdentificationState Identification;
};

// What opening a video clears: the timing list, the time-field edit flags,
// the integrated-video mark; the fit's model rate becomes the start factor.
void ResetForOpenedVideo(ChartEventState& s);
