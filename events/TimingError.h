#pragma once
// The expected 1-sigma error of an event time, in frames, for a noise ratio
// N/S, and the fixed-column occultation report line of a lunar event.
#include <string>
#include <string_view>

#include "events/ChartEventState.h"

// Two sixth-degree polynomials, split at N/S = 0.5 (0.5 itself uses the first).
long double TimingErrorFrames(long double noise_ratio);

struct ReportLineInput {
  std::string_view EventLine;   // "Event Time : 12h34m56.789s  +/- 0.033s  S/N=5.2"
  double PreMean = 0, PostMean = 0;
  std::string_view TimingErrorText;
  int SecondsDigits = 3;
};
// The 61-character line; empty unless the report record is a lunar event.
std::string BuildReportLine(const TReportLightCurveElement& e, const ReportLineInput& in);
