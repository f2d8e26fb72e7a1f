#pragma once
// Inserters that show only two large seven-segment digits (tenths and
// hundredths of the second, "TIVi"): the box is found from a clicked point by
// scanning the bright glyph extents, and each digit is read by sampling nine
// points against the digit threshold.
#include <array>
#include <cstdint>
#include <string>

#include "base/Bitmap24.h"
#include "timestamp/GlyphRecognition.h"
#include "timestamp/TimeStampReader.h"

struct TiviPoint {
  int32_t x = 0, y = 0;
};

// Sampling points of one digit in template units.
using TiviSampleTemplate = std::array<TiviPoint, 9>;
TiviSampleTemplate DefaultTiviSampleTemplate();

// In tenths of a pixel: digit-1 centre x, y, digit-2 centre x, y, an unused
// value, digit height.
using TiviBox = std::array<int32_t, 6>;

// Image positions: digit 1 then digit 2.
using TiviSamplePoints = std::array<std::array<TiviPoint, 9>, 2>;

struct Rgb3x3Sum {
  int32_t r = 0, g = 0, b = 0;
};
Rgb3x3Sum Sum3x3RGB(const Bitmap24& frame, int x, int y);

struct GlyphExtent {
  int left = 0, leftRow = 0;
  int right = 0, rightRow = 0;
  int top = 0, bottom = 0;
};
// Extent of the bright glyph that starts near (x, y); threshold rnd(1.28 x digitThreshold).
GlyphExtent ScanGlyphExtent(const Bitmap24& frame, int x, int y, int digitThreshold);

// Finds the two-digit box from the point on the first digit; true (stamp
// located) when a glyph was found, else the default box.
bool LocateTiviBox(const Bitmap24& frame, int x, int y, int digitThreshold, TiviBox& box);
TiviSamplePoints PlaceDigitSamplePoints(const TiviBox& box, const TiviSampleTemplate& tpl);
// The two digits ("E" for an unreadable one).
std::string ReadTwoDigits(const Bitmap24& frame, const TiviSamplePoints& points, int digitThreshold);
// The digit of nine lit flags (flags[0] is point 1, never consulted).
char DecodeSegmentFlags(const std::array<bool, 9>& flags);

struct InserterDigitsDisplay {
  std::string Edit24, Edit25, Edit26, Edit27;  // 24, 25, 27 emptied
  bool TiviDigitsValid = false;
};
InserterDigitsDisplay ShowInserterDigits(const Bitmap24& frame, const TiviSamplePoints& points, int digitThreshold);

// Full KIWI-style line ('KIWI' ticked): positions of fields 7..14 of the
// located layout from two pairs of digits; false (stamp not located, nothing
// else changed) when no glyph was found.
bool LocateDigitPositions(const Bitmap24& frame, int x, int y, int digitThreshold, GlyphContext& ctx,
                          TimeStampState& state, long double& stampCharHeight);
