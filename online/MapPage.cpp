#include "online/MapPage.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/NumberText.h"

namespace {

constexpr int kLatLngSlot = 13;
constexpr int kMarkerSlot = 21;
constexpr int kBodySlot = 29;
constexpr int kCanvasSlot = 30;
constexpr int kPageLines = 33;

const char* const kTemplate[kPageLines] = {
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\"",
    "  \"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">",
    "<html xmlns=\"http://www.w3.org/1999/xhtml\">",
    "  <head>",
    "    <meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\"/>",
    "    <title>Google Maps for observation station</title>",
    "    <style type=\"text/css\"> ",
    "      html, body, #map_canvas {margin: 0; padding: 0; height: 100%;}",
    "    </style>",
    "    <script type=\"text/javascript\"",
    "      src=\"https://maps.googleapis.com/maps/api/js?sensor=false\"></script>",
    "    <script type=\"text/javascript\">",
    "    function initialize() {",
    "      var latlng = new google.maps.LatLng(35.709984,139.810703);",
    "      var opts = {",
    "        zoom: 15,",
    "        center: latlng,",
    "        mapTypeId: google.maps.MapTypeId.ROADMAP",
    "      } ",
    "      var map = new google.maps.Map(document.getElementById(\"map_canvas\"), opts);",
    "      var markerOpts = {  ",
    "        position: new google.maps.LatLng(35.709984,139.810703),",
    "        map: map,",
    "        title: \"marker test\"",
    "      }; ",
    "      var marker = new google.maps.Marker(markerOpts); ",
    "    }",
    "    </script>",
    "  </head>",
    "  <body onload=\"initialize()\">",
    "    <div id=\"map_canvas\" style=\"width:865px; height:482px\"></div>",
    "  </body>",
    "</html> ",
};

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Characters first..last (1-based) as an integer when they are all digits;
// blanks may lead only where the field can be narrower. A blank elsewhere is
// a digit the reader could not make out.
std::optional<int> DigitColumns(std::string_view text, size_t first, size_t last, bool leadingBlanks) {
  std::string_view field = text.substr(first - 1, last - first + 1);
  while (leadingBlanks && !field.empty() && field.front() == ' ') field.remove_prefix(1);
  if (!AllDigits(field)) return std::nullopt;
  return ParseInt32(field);
}

char LastChar(std::string_view s) { return s.empty() ? '\0' : s.back(); }

// The degrees-and-minutes text as the GPS line gives it: `wholeDigits` digits
// (degrees with leading zeros, then two of whole minutes below 60), the
// point, at least one decimal, a blank and the hemisphere letter. Any other
// shape, or minutes past 59, comes from a misread line.
bool NmeaForm(std::string_view text, size_t wholeDigits) {
  if (text.size() < wholeDigits + 4 || text[wholeDigits] != '.' || text[text.size() - 2] != ' ') return false;
  if (!AllDigits(text.substr(0, wholeDigits)) || !AllDigits(text.substr(wholeDigits + 1, text.size() - wholeDigits - 3)))
    return false;
  return (text[wholeDigits - 2] - '0') * 10 + (text[wholeDigits - 1] - '0') < 60;
}

struct Position {
  double latitude = kNoCoordinate;
  double longitude = kNoCoordinate;
  bool wellFormed = true;
  bool usable() const { return std::fabs(latitude) != kNoCoordinate && std::fabs(longitude) != kNoCoordinate; }
  // A misread line can give a latitude past a pole or a longitude past the
  // date line, which the map service would clamp or wrap to another place.
  bool OnGlobe() const {
    return usable() && wellFormed && std::fabs(latitude) <= 90 && std::fabs(longitude) <= 180;
  }
};

bool OneOf(char c, char a, char b) { return c == a || c == b; }

Position StationPosition(const GpsStation& st, int mode) {
  Position p;
  if (st.latitude.empty()) return p;
  if (mode != 0) {
    // A latitude read with E or W (or a longitude with N or S) is a misread
    // line: its sign and axis are unknown.
    const bool letters = st.latitude.size() >= 17 && OneOf(st.latitude[16], 'N', 'S') &&
                         st.longitude.size() >= 17 && OneOf(st.longitude[16], 'E', 'W');
    if (!letters) return p;
    p.latitude = ParseDmsCoordinate(st.latitude);
    p.longitude = ParseDmsCoordinate(st.longitude);
    return p;
  }
  // Without its hemisphere letter a coordinate's sign is unknown.
  if (!OneOf(LastChar(st.latitude), 'N', 'S') || !OneOf(LastChar(st.longitude), 'E', 'W')) return p;
  p.wellFormed = NmeaForm(st.latitude, 4) && NmeaForm(st.longitude, 5);
  p.latitude = ParseNmeaCoordinate(st.latitude);
  p.longitude = ParseNmeaCoordinate(st.longitude);
  if (LastChar(st.latitude) != 'N') p.latitude = -p.latitude;
  if (LastChar(st.longitude) != 'E') p.longitude = -p.longitude;
  return p;
}

std::string DisplayLine(const std::string& label, const std::string& text, char positive, double value) {
  const char hemisphere = LastChar(text);
  const DmsParts d = SplitDegrees(value);
  std::string deg = std::to_string(d.degrees);
  if (deg.size() == 1) deg = "  " + deg;
  else if (deg.size() == 2) deg = " " + deg;
  std::string min = std::to_string(d.minutes);
  if (min.size() == 1) min = " " + min;
  std::string sec = d.seconds;
  if (ParseDoubleOr(sec, 0) < 10) sec = " " + sec;
  std::string line = label + (hemisphere == positive ? ":  " : ": -");
  line += deg + "o " + min + "'" + " " + sec + "\"" + " " + std::string(1, hemisphere) + "   (" + text + ")";
  return line;
}

}  // namespace

MapPageSlots BuildMapPage() {
  MapPageSlots page{};
  for (int i = 0; i < kPageLines; ++i) page[static_cast<size_t>(i)] = kTemplate[i];
  return page;
}

double ParseNmeaCoordinate(std::string_view text) {
  if (text.empty()) return kNoCoordinate;
  const size_t point = text.find('.');
  if (point == std::string_view::npos || point == 0) return kNoCoordinate;
  const size_t blank = text.find(' ');
  if (blank == std::string_view::npos || blank + 1 < 7) return kNoCoordinate;
  const double value = ParseDoubleOr(text.substr(0, blank), 0.0);
  const double degrees = std::trunc(value / 100.0);
  return degrees + (value - 100.0 * degrees) / 60.0;
}

double ParseDmsCoordinate(std::string_view text) {
  // Without the hemisphere letter the sign is unknown: no position.
  if (text.size() < 17 || std::string_view("NSEW").find(text[16]) == std::string_view::npos) return kNoCoordinate;
  // A digit left blank by the reader would silently count as 0.
  const std::optional<int> degrees = DigitColumns(text, 2, 4, true);
  const std::optional<int> minutes = DigitColumns(text, 7, 8, false);
  const std::optional<int> seconds = DigitColumns(text, 11, 12, false);
  const std::optional<int> tenths = DigitColumns(text, 14, 14, false);
  if (!degrees || !minutes || !seconds || !tenths || *minutes >= 60 || *seconds >= 60) return kNoCoordinate;
  const double sign = (text[16] == 'E' || text[16] == 'N') ? 1.0 : -1.0;
  return sign * (*degrees + *minutes / 60.0 + (*seconds + *tenths / 10.0) / 3600.0);
}

DmsParts SplitDegrees(double value) {
  // A misread line can give any number; whole degrees must still fit.
  double a = std::fabs(value);
  if (!(a <= 1e9)) a = std::isnan(a) ? 0 : 1e9;
  // Split whole hundredths of a second, so that a value a hair below a whole
  // minute carries into the minutes instead of showing 60.00 seconds.
  const int64_t hundredths = RoundHalfAway(static_cast<long double>(a) * 360000.0L);
  DmsParts d;
  d.degrees = static_cast<int>(hundredths / 360000);
  d.minutes = static_cast<int>(hundredths / 6000 % 60);
  d.seconds = FormatFixed(static_cast<long double>(hundredths % 6000) / 100.0L, 2, 5);
  return d;
}

bool StationHasPosition(const GpsStation& station, int time_stamp_mode) {
  return StationPosition(station, time_stamp_mode).OnGlobe();
}

MapPageSlots MapPageForStation(const GpsStation& station, int time_stamp_mode) {
  MapPageSlots page = BuildMapPage();
  const Position p = StationPosition(station, time_stamp_mode);
  if (!p.OnGlobe()) {
    page[kBodySlot] = "  <body>";
    page[kCanvasSlot] = std::string("    <p>") + kNoPositionNote + "</p>";
    return page;
  }
  const std::string lat = FormatFixed(p.latitude, 6, 10);
  const std::string lng = FormatFixed(p.longitude, 6, 10);
  page[kLatLngSlot] = "      var latlng = new google.maps.LatLng(" + lat + "," + lng + ");";
  page[kMarkerSlot] = "        position: new google.maps.LatLng(" + lat + "," + lng + "),";
  return page;
}

std::vector<std::string> MapGpsLines(const GpsStation& st, int time_stamp_mode) {
  const Position p = StationPosition(st, time_stamp_mode);
  std::vector<std::string> lines;
  if (time_stamp_mode != 0 || !p.usable()) {
    if (time_stamp_mode == 0) {
      lines.push_back("Satellites : " + st.satellites + "   " + "HDOP : " + st.hdop);
      lines.push_back("UTC        : " + st.utc);
    }
    lines.push_back("Latitude   :  " + st.latitude);
    lines.push_back("Longitude  :  " + st.longitude);
    if (!p.usable()) lines.push_back(kNoPositionNote);
    return lines;
  }
  lines.push_back("Satellites : " + st.satellites + "   " + "HDOP : " + st.hdop);
  lines.push_back("UTC        : " + st.utc);
  lines.push_back(DisplayLine("Latitude   ", st.latitude, 'N', p.latitude));
  lines.push_back(DisplayLine("Longitude  ", st.longitude, 'E', p.longitude));
  lines.push_back("Altitude   : " + st.altitude);
  lines.push_back("WGSSeparation : " + st.separation);
  return lines;
}

std::string MapPageText(const MapPageSlots& page) {
  std::string text;
  for (int i = 0; i < kPageLines; ++i) {
    text += page[static_cast<size_t>(i)];
    text += "\r\n";
  }
  return text;
}
