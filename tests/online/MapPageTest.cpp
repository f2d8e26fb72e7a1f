// The station map page and GPS lines for given GPS texts (values computed by
// hand from the degrees-and-minutes texts).
#include <gtest/gtest.h>

#include "online/MapPage.h"

namespace {

GpsStation Station(const std::string& lat, const std::string& lng) {
  GpsStation s;
  s.satellites = "07";
  s.hdop = "1.2";
  s.utc = "12:34:56";
  s.latitude = lat;
  s.longitude = lng;
  s.altitude = "21.5 m MSL";
  s.separation = "39.2 m";
  return s;
}

// The page for the texts holds a marker at `centre`, or (nullptr) the note.
void ExpectPageCentre(const char* lat, const char* lng, int mode, const char* centre) {
  SCOPED_TRACE(std::string(lat) + " " + lng);
  const GpsStation st = Station(lat, lng);
  const MapPageSlots page = MapPageForStation(st, mode);
  EXPECT_EQ(StationHasPosition(st, mode), centre != nullptr);
  if (centre) {
    EXPECT_EQ(page[13], std::string("      var latlng = new google.maps.LatLng(") + centre + ");");
    EXPECT_EQ(page[29], "  <body onload=\"initialize()\">");
  } else {
    EXPECT_EQ(page[13], BuildMapPage()[13]);
    EXPECT_EQ(page[30], std::string("    <p>") + kNoPositionNote + "</p>");
  }
}

}  // namespace

TEST(MapPage, CentreAndMarkerHoldTheStation) {
  const struct {
    const char *lat, *lng;
    int mode;
    const char* centre;
  } rows[] = {
      {"3542.5990 N", "13948.6422 E", 0, "35.709983,139.810703"},
      {"3542.5990 N", "13948.6422 W", 0, "35.709983,-139.810703"},
      {"3542.5990 S", "13948.6422 E", 0, "-35.709983,139.810703"},
      {"  35o 42' 35.9\" S ", " 139o 48' 38.5\" E ", 2, "-35.709972,139.810694"},
      {"  35o 42' 35.9\" N ", " 139o 48' 38.5\" W ", 2, "35.709972,-139.810694"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.lat);
    const MapPageSlots page = MapPageForStation(Station(r.lat, r.lng), r.mode);
    EXPECT_EQ(page[13], std::string("      var latlng = new google.maps.LatLng(") + r.centre + ");");
    EXPECT_EQ(page[21], std::string("        position: new google.maps.LatLng(") + r.centre + "),");
    EXPECT_EQ(page[29], "  <body onload=\"initialize()\">");
    EXPECT_TRUE(page[33].empty() && page[50].empty());
  }
  const MapPageSlots plain = BuildMapPage();
  EXPECT_EQ(plain[13], "      var latlng = new google.maps.LatLng(35.709984,139.810703);");
  EXPECT_EQ(plain[32], "</html> ");
  const std::string text = MapPageText(plain);
  EXPECT_EQ(text.substr(0, 58), "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\"\r\n");
  EXPECT_NE(text.find("/maps/api/js?sensor=false\"></script>\r\n"), std::string::npos);
}

TEST(MapPage, GpsLinesUnderTheMap) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(MapGpsLines(Station("3542.5990 N", "13948.6422 E"), 0),
            (Lines{"Satellites : 07   HDOP : 1.2", "UTC        : 12:34:56",
                   "Latitude   :   35o 42' 35.94\" N   (3542.5990 N)",
                   "Longitude  :  139o 48' 38.53\" E   (13948.6422 E)", "Altitude   : 21.5 m MSL",
                   "WGSSeparation : 39.2 m"}));
  // Five whole degrees, no whole minute, 9.498 seconds.
  const Lines small = MapGpsLines(Station("0500.1583 S", "00000.5000 W"), 0);
  EXPECT_EQ(small[2], "Latitude   : -  5o  0'  9.50\" S   (0500.1583 S)");
  EXPECT_EQ(small[3], "Longitude  : -  0o  0' 30.00\" W   (00000.5000 W)");
  EXPECT_EQ(MapGpsLines(Station("  35o 42' 35.9\" N ", " 139o 48' 38.5\" E "), 2),
            (Lines{"Latitude   :    35o 42' 35.9\" N ", "Longitude  :   139o 48' 38.5\" E "}));
}

TEST(MapPage, NoPositionShowsANoteInsteadOfASentinel) {
  const struct {
    const char *lat, *lng;
    int mode;
  } rows[] = {
      {"35.7 N", "13948.6422 E", 0},       // blank before the seventh character
      {"3542.5990 N", "139486422 E", 0},   // no decimal point
      {"3542.5990 N", "", 0},
      {"  35o 42' 35", " 139o 48' 38.5\" E ", 2},  // cut before the hemisphere
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.lat);
    const GpsStation st = Station(r.lat, r.lng);
    EXPECT_FALSE(StationHasPosition(st, r.mode));
    const std::string page = MapPageText(MapPageForStation(st, r.mode));
    EXPECT_EQ(page.find("1000"), std::string::npos);
    EXPECT_NE(page.find(std::string("<p>") + kNoPositionNote + "</p>"), std::string::npos);
    EXPECT_EQ(MapGpsLines(st, r.mode).back(), kNoPositionNote);
  }
  EXPECT_EQ(ParseNmeaCoordinate("35.7 N"), kNoCoordinate);
  EXPECT_EQ(ParseDmsCoordinate(""), kNoCoordinate);
  EXPECT_NEAR(ParseNmeaCoordinate("3542.5990 N"), 35.7099833333, 1e-9);
}

// A misread line can give a latitude past a pole or a longitude past the
// date line, which the map service would clamp or wrap to another place.
TEST(MapPage, PositionsOffTheGlobeShowTheNoteNotAMarker) {
  const struct {
    const char *lat, *lng;
    int mode;
    const char* centre;  // nullptr: no position
  } rows[] = {
      {"9542.5990 N", "13948.6422 E", 0, nullptr},               // 95.709983
      {"3542.5990 N", "19048.6422 E", 0, nullptr},               // 190.810703
      {"3542.5990 N", "18100.0000 W", 0, nullptr},               // -181
      {"9.9e300 N", "13948.6422 E", 0, nullptr},
      {" 095o 42' 35.9\" N ", " 139o 48' 38.5\" E ", 2, nullptr},
      {"  35o 42' 35.9\" S ", " 180o 00' 00.1\" W ", 2, nullptr},  // 180.000028
      {"3542.5990 N", "18000.0000 W", 0, "35.709983,-180.000000"},
      {"9000.0000 S", "00000.0000 E", 0, "-90.000000,0.000000"},
      {" 090o 00' 00.0\" N ", " 180o 00' 00.0\" E ", 2, "90.000000,180.000000"},
  };
  for (const auto& r : rows) ExpectPageCentre(r.lat, r.lng, r.mode, r.centre);
}

TEST(MapPage, MisreadLinesOfHugeNumbersStillGiveLines) {
  // 10^12 degrees and more: the whole degrees are shown at most 10^9.
  const struct {
    const char *lat, *line;
  } rows[] = {
      {"99999999999999.9 N", "Latitude   :  1000000000o  0'  0.00\" N   (99999999999999.9 N)"},
      {"292982000000.0 S", "Latitude   : -1000000000o  0'  0.00\" S   (292982000000.0 S)"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.lat);
    const std::vector<std::string> lines = MapGpsLines(Station(r.lat, "13948.6422 E"), 0);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], r.line);
  }
}

TEST(MapPage, WholeMinutesShowNoSixtySeconds) {
  // The decimal degrees of these texts lie a hair below the whole minute;
  // the read-out must still carry into the minutes.
  const struct {
    const char *lat, *line;
  } rows[] = {
      {"0101.0000 N", "Latitude   :    1o  1'  0.00\" N   (0101.0000 N)"},
      {"0104.0000 S", "Latitude   : -  1o  4'  0.00\" S   (0104.0000 S)"},
      {"0108.0000 N", "Latitude   :    1o  8'  0.00\" N   (0108.0000 N)"},
      {"3542.5990 N", "Latitude   :   35o 42' 35.94\" N   (3542.5990 N)"},
      {"0059.9999 N", "Latitude   :    0o 59' 59.99\" N   (0059.9999 N)"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.lat);
    EXPECT_EQ(MapGpsLines(Station(r.lat, "13948.6422 E"), 0)[2], r.line);
  }
  const DmsParts d = SplitDegrees(59.99999999);  // 59 deg 59' 59.99996": rounds up to a whole degree
  EXPECT_EQ(d.degrees, 60);
  EXPECT_EQ(d.minutes, 0);
  EXPECT_EQ(d.seconds, "0.00");
}

// A GPS line read only in part: a digit the reader could not make out shortens
// the degrees-and-minutes number or blanks a fixed column, and an unread
// hemisphere letter leaves the sign unknown. None of these is the station.
TEST(MapPage, PartlyReadLinesShowTheNoteNotAMarker) {
  const struct {
    const char *lat, *lng;
    int mode;
    const char* centre;  // nullptr: no position
  } rows[] = {
      {"3541.234 ?", "13938.1234 W", 0, nullptr},            // letter unread
      {"3541.2345 S", "13938.123 ?", 0, nullptr},
      {"3541.2345 S", "1393. E", 0, nullptr},                // a minutes digit lost: 14.55 E
      {"354. N", "13938.1234 W", 0, nullptr},
      {"3541. S", "13938.1234 W", 0, nullptr},               // no decimals
      {"3599.9999 N", "13938.1234 W", 0, nullptr},           // 99 minutes
      {"3541.2345 N", "13938.1234  W", 0, nullptr},
      {"3541.2345 S", "13938.12 W", 0, "-35.687242,-139.635333"},  // a decimal short: still the place
      {"0059.9999 N", "00000.0000 E", 0, "0.999998,0.000000"},
      {"  35o 4 ' 22.2\" S ", " 139o 38' 12.3\" W", 2, nullptr},  // a minutes digit blank
      {"  35o 41' 22.2\" S ", " 139o 38' 1 .3\" W", 2, nullptr},
      {"  35o 41' 22. \" S ", " 139o 38' 12.3\" W", 2, nullptr},
      {"  35o 41' 22.2\" S ", " 1 9o 38' 12.3\" W", 2, nullptr},
      {"  35o 41' 22.2\" S ", " 13 o 38' 12.3\" W", 2, nullptr},
      {"  35o 41' 22.2\"   ", " 139o 38' 12.3\" W", 2, nullptr},  // letter unread
      {"  35o 41' 22.2\" E ", " 139o 38' 12.3\" N", 2, nullptr},  // letters of the other axis
      {"  35o 41' 22.2\" W ", " 139o 38' 12.3\" E", 2, nullptr},
      {"  35o 41' 22.2\" N ", " 139o 38' 12.3\" S", 2, nullptr},
      {"  35o 61' 22.2\" S ", " 139o 38' 12.3\" W", 3, nullptr},
      {"   5o 41' 22.2\" S ", " 139o 38' 12.3\" W", 1, "-5.689500,-139.636750"},
      {"  35o 41' 22.2\" N ", "  39o 38' 12.3\" E", 2, "35.689500,39.636750"},
  };
  for (const auto& r : rows) ExpectPageCentre(r.lat, r.lng, r.mode, r.centre);
  // Without a hemisphere letter the lines keep the texts as read.
  EXPECT_EQ(MapGpsLines(Station("3541.234 ?", "13938.1234 W"), 0),
            (std::vector<std::string>{"Satellites : 07   HDOP : 1.2", "UTC        : 12:34:56", "Latitude   :  3541.234 ?",
                                      "Longitude  :  13938.1234 W", kNoPositionNote}));
}
