#pragma once
// The five text lines of the light-curve report ('Make Report') and their
// display form.
#include <string>
#include <vector>

#include "events/ChartEventState.h"

// False when the report is refused: an asteroid event with fewer than two
// timed events.
bool ReportAllowed(const TReportLightCurveElement& e, const TAsteroidTiming& timing);

// Normalises the start and end times and Duration of `e`, then returns the
// five lines (date, star, observer, object, values).
TReportLightCurveData MakeReportLines(TReportLightCurveElement& e);

// The date the report's start time goes with: the recording date, a day on
// when 'Make Report' rounded the start up to midnight.
std::string StartDateText(const TReportLightCurveElement& e);

// Line 2: "Observer: " with the site's longitude, latitude, altitude and the observer.
std::string LightCurveObserverLine(const TReportLightCurveElement& e);

// Lines 0 to 3, then line 4 cut after every ':' into pieces joined 50 to a line.
std::vector<std::string> ReportDisplayLines(const TReportLightCurveData& data);

// The preview lines of the hidden 'Button16'.
std::vector<std::string> ReportPreviewLines(const TReportLightCurveElement& e);
