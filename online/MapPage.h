#pragma once
// The station map page: an XHTML page around the Google Maps script, centred
// on the station read from the GPS line, and the GPS lines shown beside it.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "timestamp/GpsLine.h"

// What the coordinate parsers give for a text without a usable position.
inline constexpr double kNoCoordinate = 1000.0;

using MapPageSlots = std::array<std::string, 51>;  // lines 0..32 are the page

// The template page, centred on its default position.
MapPageSlots BuildMapPage();

// "3542.5990 N" (degrees x 100 plus minutes, a blank, the hemisphere) to
// unsigned decimal degrees; kNoCoordinate when unusable.
double ParseNmeaCoordinate(std::string_view text);
// The fixed-column form of the GHS inserter ("  35o 42' 35.9\" N"): signed
// decimal degrees; kNoCoordinate when shorter than the hemisphere's column,
// without a hemisphere letter there, or with a digit left blank.
double ParseDmsCoordinate(std::string_view text);

// Whole degrees, whole minutes and the seconds text of |value| (2 decimals).
struct DmsParts {
  int degrees = 0;
  int minutes = 0;
  std::string seconds;
};
DmsParts SplitDegrees(double value);

// The page for a station: inserter mode 0 reads the NMEA texts, the others
// the fixed-column texts. Without a usable position (or with one past a pole
// or the date line, or degrees and minutes not in the GPS line's form) the
// page shows a note instead of a map.
MapPageSlots MapPageForStation(const GpsStation& station, int time_stamp_mode);
// True when the page holds a map for this station.
bool StationHasPosition(const GpsStation& station, int time_stamp_mode);

// The lines under the map (Memo2).
std::vector<std::string> MapGpsLines(const GpsStation& station, int time_stamp_mode);

// Slots 0..32 joined with CR LF.
std::string MapPageText(const MapPageSlots& page);

inline constexpr const char* kNoPositionNote = "No station position could be read from the GPS line.";
