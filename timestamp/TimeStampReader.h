#pragma once
// Reading the time burnt into a frame by a video time inserter: the character
// cell layouts, the text row of each field, the small row and column offsets
// found anew on every frame, and the shared time texts of the frame.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Bitmap24.h"
#include "base/FrameTimeTexts.h"
#include "timestamp/GlyphRecognition.h"

// Character-cell x positions per layout; rows 1..20 are used (1-4 fixed KIWI
// layouts, 5 located, 10 IOTA GPS line, 20 GHS GPS line), row 0 is unused.
using DigitXRow = std::array<int32_t, 36>;
using DigitXTable = std::array<DigitXRow, 21>;

inline constexpr int kLocatedLayout = 5;
inline constexpr int kIotaGpsLayout = 10;
inline constexpr int kGhsGpsLayout = 20;

// Fields 7..18 of layouts 1..5 for KIWI-OSD stamps.
extern const std::array<std::array<int32_t, 12>, 5> KiwiDigitPositions;
void LoadKiwiDigitPositions(DigitXTable& digitX);

// 'Field Order' of the main window.
enum class FieldOrder : uint8_t { OddFirst = 0, EvenFirst = 1 };

// The time texts of the frame on screen, copied into every result row.
using StampTexts = FrameTimeTexts;

// Layout and per-frame offsets; lives as long as the open video.
struct TimeStampState {
  DigitXTable DigitX{};
  int32_t AutoRowOffset0 = 0;
  int32_t AutoRowOffset1 = 0;
  int32_t AutoColumnOffset = 0;
  int32_t LocatedStampRow = 0;
  // Frame row of the glyph top of each field of a located IOTA-VTI or GHS
  // line (index 0 the even rows, 1 the odd rows); -1 when not measured.
  std::array<int32_t, 2> LocatedFieldTop{-1, -1};
  uint8_t FieldOrderState = 2;  // IOTA: 0/1 the fraction group (first/second) of field 1; 2 not read yet
  uint8_t StampFieldOrder = 0;  // 1: the stamp says the even field is earlier
};

// Main-window settings a read depends on besides the glyph context.
struct StampReadOptions {
  FieldOrder fieldOrder = FieldOrder::OddFirst;
  bool fieldMeasure = false;  // 'Field Measure': read hours and minutes of field 2 too
};

// Fixed layout of a frame: 1/2 wider than 640 pixels, 3/4 otherwise; the
// second of each pair at 25 frames per second or fewer. The offset search and
// the read both use this one rule.
int FixedStampLayout(int frameWidth, int frameRateRounded);

// Image row of the text for field argument 0 or 1 (anything but 1 counts as 0).
int TimeStampRow(int layout, int field, const GlyphContext& ctx, const TimeStampState& state,
                 int frameHeight);

// The two fields' lines of a located stamp line lie one frame row apart, and
// either field may be the upper one (a picture moved down by one line puts
// the odd field on top). Frame rows of both when one lies on row y (index 0
// the even rows, 1 the odd rows): the other is the neighbour of y on which
// the time digits at xs read best. {-1, -1} when neither neighbour reads.
std::array<int32_t, 2> LocatedFieldRows(const Bitmap24& frame, int y, const GlyphContext& ctx, const DigitXRow& xs);

// Searches the row offset of one field argument and the column offset; 1 or 0
// when a stamp was found (0: it sits 10 pixels further left), 2 when none.
int AutoOffsetTimeStamp(const Bitmap24& frame, int field, const GlyphContext& ctx,
                        TimeStampState& state);

// Empties the time and counter texts of both fields; the dates stay.
void ClearStampTimes(StampTexts& texts);

// Reads all texts of the frame; returns the offset result (1, 0, or 2 = no stamp).
int ReadTimeStamp(const Bitmap24& frame, const GlyphContext& ctx, const StampReadOptions& options,
                  TimeStampState& state, StampTexts& texts);

// 2 when either text is empty, 1 when a is not earlier than b (across the
// minute wrap), 0 otherwise.
int CompareFieldSeconds(std::string_view a, std::string_view b);
