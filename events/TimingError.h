#pragma once
// The expected 1-sigma timing error of an event from its noise ratio, and the
// fixed-column occultation report line of a lunar event.
#include <optional>
#include <string>
#include <string_view>

#include "events/ChartEventState.h"

// Error in frames (or integration units) for a noise ratio N/S.
long double TimingErrorFrames(long double noise_ratio);

// The error of a fitted event in records: the polynomial's belongs to a step
// inside one exposure; an event spread over `width_records` records adds the
// least-squares error N/S x sqrt(width - 1) of the further records. Not
// positive where the polynomial gives no error: where it is negative, and
// beyond its peak, where it falls as the noise grows.
long double EventTimingErrorFrames(long double noise_ratio, double width_records);

// The 61-column report line of one event-time line ("Event Time : 12h34m56.789s
// +/- 0.012s  S/N=8.5"), or nothing unless the event is lunar.
// `disappearance`: the pre-event mean is not below the post-event mean.
std::optional<std::string> BuildReportLine(std::string_view event_line, const TReportLightCurveElement& e,
                                           bool disappearance, std::string_view timing_error_text,
                                           int seconds_digits);
