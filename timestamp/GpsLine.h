#pragma once
// The GPS lines IOTA-VTI and GHS inserters show at start-up: satellites,
// HDOP, UTC, position, altitude and geoid separation of the station.
#include <string>
#include <vector>

#include "base/Bitmap24.h"
#include "timestamp/GlyphRecognition.h"
#include "timestamp/StampLocator.h"
#include "timestamp/TimeStampReader.h"

// The station as the inserter shows it (type Station_string), in this order.
struct GpsStation {
  std::string satellites;
  std::string hdop;
  std::string utc;
  std::string latitude;   // IOTA: NMEA degrees and minutes "3541.2345 N"; GHS: "  35o 41' 22.2\" N "
  std::string longitude;
  std::string altitude;   // ends in " m MSL"
  std::string separation; // ends in " m"
};

// One outlined character cell (left, top, right, bottom) for the frame overlay.
struct GpsCellOutline {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct GpsReadResult {
  bool read = false;  // false: the start digit did not align, the station is unchanged
  std::vector<GpsCellOutline> outlines;
};

// Reads the IOTA-VTI GPS screen of the frame. Fills DigitX row 10 and the
// record; the texts are read only when the inserter type is IOTA.
GpsReadResult ReadIotaGpsLine(const Bitmap24& frame, GlyphContext& ctx, TimeStampState& state,
                              GpsStation& station);
// Reads longitude and latitude of a GHS GPS line starting at (x, y); needs
// more than 25 frames per second and the GHS locating flag.
GpsReadResult ReadGhsGpsLine(const Bitmap24& frame, int x, int y, GlyphContext& ctx, TimeStampState& state,
                             StampLocatorState& loc, const LocatorOptions& options, GpsStation& station);
