#pragma once
// Test generator: burns time-inserter characters into Bitmap24 frames the way
// the recogniser's cell templates describe them, and writes tick counts into
// the red bytes of a row. The cell geometry and the lit cells of each glyph are
// transcribed here on their own, apart from the recogniser's tables, so a slip
// in either shows up as a misread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bitmap24.h"

// The grey levels the stamp tests paint with: a dark background, bright strokes.
constexpr uint8_t kStampDark = 16;
constexpr uint8_t kStampStroke = 220;

enum class StampFont : uint8_t { Kiwi, Iota, Ghs };

struct StampGlyphStyle {
  StampFont font = StampFont::Iota;
  int variant = 2;             // cell-grid variant 0, 1 or 2
  double pitch = 21.5;         // character pitch; variant 2 scales by pitch / 21.5
  int rowStep = 4;             // image lines between grid rows (4 frame, 2 field view)
  int lineSpacing = 2;         // lines between the painted lines of one grid row
  int linesPerRow = 1;         // 1 thin (edge reading), 2 thick (per field)
  uint8_t level = 220;         // grey level of a stroke
  int trimOuter = 0;           // pixels left dark at the glyph's outer left and right edges
};

// Character cells of an IOTA-VTI line: 0,1 hours, 3,4 minutes, 6,7 seconds,
// 9-12 and 14-17 the two fraction groups, 19-26 the counter.
inline constexpr std::array<int, 22> kIotaStampCells = {0,  1,  3,  4,  6,  7,  9,  10, 11, 12, 14,
                                                        15, 16, 17, 19, 20, 21, 22, 23, 24, 25, 26};
// Character cells of a GHS line: date pairs at -9,-8 -6,-5 -3,-2, time at
// 0,1 3,4 6,7 and the fraction at 9,10,11; the second 0 is a filler for field 6.
inline constexpr std::array<int, 16> kGhsStampCells = {-9, -8, -6, -5, -3, -2, 0, 0, 1, 3, 4, 6, 7, 9, 10, 11};

// Left columns of the given cells of a line starting at x0:
// floor(x0 + pitch x cell + 0.5).
std::vector<int> StampCellXs(double x0, double pitch, const int* cells, size_t count);
std::vector<int> IotaCellXs(double x0, double pitch);
std::vector<int> GhsCellXs(double x0, double pitch);

// The cells lit in a character of a font (empty for an unknown character).
std::vector<int> StampGlyphLitCells(StampFont font, char ch);

// Paints one character with its reference point at (x, y) (grid row 0).
void DrawStampChar(Bitmap24& frame, char ch, int x, int y, const StampGlyphStyle& style);

// Paints text[i] at xs[i]; blanks and characters without glyphs leave the cell dark.
void DrawStampText(Bitmap24& frame, std::string_view text, const std::vector<int>& xs, int y,
                   const StampGlyphStyle& style);

// Both fields of an IOTA-VTI line in thick glyphs (two lines per field) at
// the cells xs: field 1 on the odd rows from top1, field 2 on the even rows
// from top1 - 1.
void DrawIotaFields(Bitmap24& frame, std::string_view field1, std::string_view field2, const std::vector<int>& xs,
                    int top1, double pitch);

// Both fields of a KIWI-OSD line at the 720x480, 30 fps layout in thin glyphs:
// field 1 on row `row`, field 2 on row + 1.
void DrawKiwiFields(Bitmap24& frame, std::string_view field1, std::string_view field2, int row);

// Two large digits of a seven-segment inserter ("E" or blank: no segments),
// centred at (cx, cy) and (cx + spacing, cy), `height` rows tall. Each digit
// has a bar down its left side and one along its top, so its extent can be
// scanned, and a lit 5x5 square on each sampling point its pattern lights.
// The bars keep clear of the squares for spacings of about 44 pixels (the
// box scan looks at most 46 columns to the right).
void DrawSegmentDigits(Bitmap24& frame, const std::string& two, int cx, int cy, int spacing, int height,
                       uint8_t level);

// Fills the frame with one grey level.
void FillFrame(Bitmap24& frame, uint8_t level);

// Adds uniform noise of +-amplitude to every byte (clamped), reproducible by seed.
void AddFrameNoise(Bitmap24& frame, int amplitude, uint32_t seed);

// A new frame of one grey level with noise of +-amplitude, reproducible by seed.
Bitmap24 NoisyFrame(int width, int height, uint32_t seed, uint8_t level = kStampDark, int amplitude = 6);

// Stores a 64-bit count little-endian in the red bytes of pixels 0..7 of a row.
void WriteTickCount(Bitmap24& frame, int row, int64_t ticks);

// Ticks of a calendar instant (proleptic Gregorian), computed by day counting
// independent of the reader.
int64_t TicksOf(int year, int month, int day, int hour, int minute, int64_t restTicks);
