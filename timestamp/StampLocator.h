#pragma once
// Locating the stamp line of IOTA-VTI and GHS inserters on a frame: a first
// digit is found near its nominal place, each character cell is aligned with
// the recogniser, and a straight line (cell index against x) fitted through
// the aligned cells gives the located layout (DigitX row 5).
#include <string>
#include <utility>
#include <vector>

#include "base/Bitmap24.h"
#include "timestamp/GlyphRecognition.h"
#include "timestamp/TimeStampReader.h"

struct LocatorOptions {
  bool iotaWideScan = false;     // 'IOTA-VTI Wide scan '
  bool ghsLocateEnabled = false;
};

// What a locate leaves besides the layout and the glyph context.
struct StampLocatorState {
  long double StampCharHeight = 28.0L;
  std::vector<double> DigitCentres;  // fitted cell centres before rounding
  bool GhsSearchU = true;            // cleared by a click that gives the start point
  std::string Edit55;                // GHS background level as shown
  // The last locate found no line: the next frames shown are searched again.
  bool LocatePending = false;
  // Searches since then; a run over a video without a stamp searches only
  // now and then, since a search that finds nothing costs many frames' time.
  int32_t RetriesSinceMiss = 0;
};

// Whether the frame now shown is searched for the missing stamp: every frame
// outside a run; in a run each of the first 16 frames, then every 16th, since
// a search that finds nothing takes about as long as measuring 16 frames.
bool StampRetryDue(StampLocatorState& loc, bool measuringRun);

// Moves x to the best column near it; true when a digit scored above 200.
bool AlignDigitX(const Bitmap24& frame, int& x, int y, const GlyphContext& ctx, bool wideScan);
// Moves y by the row offset (-4..4) with the best positive score; true when one scored.
bool AlignDigitY(const Bitmap24& frame, int x, int& y, const GlyphContext& ctx);
// The score of the first "U" on row y between columns first and last (110
// and 210 on a 720-pixel frame); x gets its column.
double FindUColumn(const Bitmap24& frame, int& x, int y, const GlyphContext& ctx, int first = 110, int last = 210);

using FitPoints = std::vector<std::pair<long double, long double>>;  // (cell index, x)
struct LineFit {
  long double slope = 0, intercept = 0;
  long double slopeError = 0, interceptError = 0;  // probable errors; 0 below 3 points
};
LineFit FitLine(const FitPoints& points);

// The odd row an IOTA line is read from, by band (below 27 fps: 547, 545,
// 511, 509; else 437, 435, 401, 399).
int SnapIotaStampRow(int y, int frameRateRounded);

// The layout used when the frame cannot be fetched.
void SetIotaFallbackLayout(int frameWidth, GlyphContext& ctx, TimeStampState& state, StampLocatorState& loc);

// Locates an IOTA-VTI line; false (layout unchanged) when no start digit aligns.
bool LocateIotaTimeStamp(const Bitmap24& frame, GlyphContext& ctx, TimeStampState& state,
                         StampLocatorState& loc, const LocatorOptions& options);
// Locates a GHS line from a start point (x, y), moved to where the line was
// found; false when the frame rate or the enabling flag rule it out or no digit aligns.
// Columns follow the frame width (the inserter's grid is drawn for 720 pixels).
bool LocateGhsTimeStamp(const Bitmap24& frame, int& x, int& y, GlyphContext& ctx, TimeStampState& state,
                        StampLocatorState& loc, const LocatorOptions& options);

// Background of the IOTA stamp area: RoundHalfAway((mean + max) / 2) of R+G+B
// over the inclusive rows and columns.
double IotaBackgroundLevel(const Bitmap24& frame, int top, int bottom, int left, int right);
// Background of the GHS stamp area at a start point: brightest R+G+B / 3 - 40.
double GhsBackgroundLevel(const Bitmap24& frame, int x, int y);
