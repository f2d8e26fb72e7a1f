#pragma once
// The asteroidal event identification: the event record of the light curve,
// the identification texts, the report texts, stored sites, map coordinates
// and the checks of the date and time edits.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart/ChartEvents.h"
#include "events/PredictionElements.h"

// Object A's value (field 11) of records 0..n_rows (record k is line
// `header_lines` + k); 0 when no number.
std::vector<double> ObjectAValues(const std::vector<std::string>& lines, int header_lines, int n_rows);

// The record before the largest drop, or before the largest rise when that is
// more than twice the drop; 0 for an empty table.
int FindEventRecord(const std::vector<double>& values);

struct AsteroidTitles {
  std::string Title;
  std::optional<std::string> Code;  // nothing for a lunar event: the code stays
};
// video_date: "2024_5_12", or empty.
AsteroidTitles AsteroidIdentificationTexts(const Occelmnt_Format& e, std::string_view video_date,
                                           std::string_view observer);

// "2024 May 12" -> "2024|5|12"; a month that is no abbreviation stays and
// the day is left empty.
std::string ReportEventDate(std::string_view date);

// Degrees with "+" in front unless they start with "-" or "+".
std::string SignedDegreesText(std::string_view degrees);

// The record's site position from the typed degrees, minutes and seconds
// (the degrees signed as above); the joined texts are left as they are.
void StoreSitePosition(TReportLightCurveElement& r, const std::array<std::string, 3>& longitude,
                       const std::array<std::string, 3>& latitude);

// The joined longitude and latitude texts ("+135 30 15.0") from the parts.
void JoinSitePosition(TReportLightCurveElement& r);

// "HIP 123" -> {"HIP", "123"}; "ZC1234" -> {"ZC", "1234"}, "XZ 777" ->
// {"XZ80Q", "777"}; other texts: "Kepler2" and the text after the first blank.
std::pair<std::string, std::string> StarCatalogueOf(std::string_view star);

// Nine site texts joined by ":" and split again (the rest after the eighth
// separator, or after the last one there is, is the ninth; a site name, the
// eighth, may hold ":" itself).
std::string JoinSite(const std::array<std::string, 9>& texts);
std::array<std::string, 9> SplitSite(std::string_view value);

// "35.5, 139.25" -> latitude and longitude in degrees, minutes and seconds
// (one decimal), parts truncated toward zero; nothing for a text of 7
// characters or fewer, without ",", or with no number (1000 counts as none).
struct MapPosition {
  std::array<std::string, 3> Latitude, Longitude;
};
std::optional<MapPosition> MapCoordinates(std::string_view text);

// The date and time edits of the video: the accepted text, or nothing.
std::optional<std::string> AcceptVideoYear(std::string_view text);  // 1989..1999, 2000..2087
std::optional<int> AcceptInteger(std::string_view text, int min, int max);
std::optional<double> AcceptSecond(std::string_view text);          // 0 <= s < 60

// Start-up texts of the video date from the stamp's texts.
std::string VideoYearFromStamp(std::string_view year2);
std::string VideoDayOrMonthFromStamp(std::string_view text);

// B - V from the B and V edits when both are numbers of at least 4
// characters and -0.6 < B-V < 3.
std::optional<double> ColourIndexFromEdits(std::string_view b, std::string_view v);
std::optional<double> AcceptColourIndex(std::string_view text);
