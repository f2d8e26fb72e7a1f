#pragma once
// The five text lines of the light-curve report ('Make Report') and their
// display form.
#include <cstdint>
#include <string>
#include <vector>

#include "base/NumberText.h"
#include "events/ChartEventState.h"

// False when the report is refused: an asteroid event with fewer than two
// timed events.
bool ReportAllowed(const TReportLightCurveElement& e, const TAsteroidTiming& timing);

// Normalises the start and end times and Duration of `e`, then returns the
// five lines (date, star, observer, object, values).
TReportLightCurveData MakeReportLines(TReportLightCurveElement& e);

// A time of the light curve as the reports write it: seconds rounded as
// FormatFixed(decimals, precision) carry into the minute and hour, and an
// hour of 24 or more (a carry out of 23:59, or a table whose times count on
// past midnight) is that of a later day, `Days` on.
struct LightCurveClock {
  CarriedClock Clock;
  int Days = 0;
};
LightCurveClock ReportTimeOfDay(int64_t hour, int64_t minute, long double second, int decimals, int precision);

// The date the report's start time goes with: the recording date, moved on
// by the days 'Make Report' took off the start's hour.
std::string StartDateText(const TReportLightCurveElement& e);

// Line 1: "Star: " with the star's number in its catalogue's slot.
std::string LightCurveStarLine(const TReportLightCurveElement& e);

// Line 2: "Observer: " with the site's longitude, latitude, altitude and the observer.
std::string LightCurveObserverLine(const TReportLightCurveElement& e);

// Lines 0 to 3, then line 4 cut after every ':' into pieces joined 50 to a line.
std::vector<std::string> ReportDisplayLines(const TReportLightCurveData& data);

// The preview lines of the hidden 'Button16'.
std::vector<std::string> ReportPreviewLines(const TReportLightCurveElement& e);
