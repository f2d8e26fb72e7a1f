#pragma once
// Where the time of the frame on screen comes from, and the texts the four
// time edits and the date edit of the main window show.
#include <cstdint>
#include <string>
#include <string_view>

#include <optional>

#include "base/Bitmap24.h"
#include "timestamp/GlyphRecognition.h"
#include "timestamp/TickStamp.h"
#include "timestamp/TimeStampReader.h"

// In order of priority: the loaded table's CMOS times, LED-corrected times,
// then the embedded tick count ('Sharp') or the inserter's burnt-in text.
enum class FrameTimeSource : uint8_t { CsvCmosTimes, LedCorrected, EmbeddedTicks, InserterText };

FrameTimeSource SelectFrameTimeSource(bool csvCarriesCmosTimes, bool ledTimesAvailable, TimeStampMode mode);

enum class TimeEditColour : uint8_t { White, Aqua };

// The texts of Edit24..Edit27 (hours, minutes, field-1 and field-2 seconds).
struct FrameTimeEdits {
  std::string Edit24, Edit25, Edit26, Edit27;
  TimeEditColour colour = TimeEditColour::White;
  bool edit26BlackFont = false;
};

// From a result row of a table with CMOS times (fields 4..7, without their
// quotes); an empty line (a frame before the table's first) empties the edits.
FrameTimeEdits EditsFromCsvRow(std::string_view line);
// Whether such a row holds a time to show in fields 4..7: a capture
// program's tick stamps keep only the end of the exposure (fields 8..10).
bool CsvRowShowsTime(std::string_view line);
// From the texts a stamp read or tick read just filled.
FrameTimeEdits EditsFromStampTexts(const StampTexts& texts);
// A field whose hours, minutes or seconds read as no time can be ("88" over a
// lit area, a minute 61) gets no time and no counter, as a field without a
// stamp does. A date read on field 1's line (GHS) goes with field 1's time.
void DropImpossibleFieldTimes(StampTexts& texts, bool fieldMeasure, bool dateOnFieldOneLine = false);
// The date edit: StampDate1 + " " + StampDate2 + " " + StampDate3.
std::string DateEditText(const StampTexts& texts);

// One LED-corrected frame time: centre and end of the exposure.
struct LedFrameTime {
  int32_t centreHour = 0, centreMinute = 0;
  long double centreSeconds = 0;
  int32_t endHour = 0, endMinute = 0;
  long double endSeconds = 0;
};

// Fills the time texts from an LED-corrected record: hours and minutes as two
// digits, whole seconds as two digits, and the seconds with four decimals in
// the one form every source uses ("ss.ssss", fraction truncated).
void FormatFrameTimeRecord(const LedFrameTime& record, StampTexts& texts);
// The edits for an LED-corrected record (seconds with 4 decimals, precision 8;
// a second that rounds to 60 moves the minute).
FrameTimeEdits EditsFromLedRecord(const LedFrameTime& record);

// "ss.ssss": two-digit whole seconds and four truncated decimals; "-ss.ssss"
// below 0.
std::string SecondsText4(long double seconds);

// Everything one frame's time display needs; the caller fills what its source uses.
struct ShowFrameTimeInputs {
  const Bitmap24* frame = nullptr;
  bool csvCarriesCmosTimes = false;
  std::string_view csvRow;                // the table row of this frame (empty before the first)
  std::optional<LedFrameTime> ledRecord;  // set when LED-corrected times are available
  GlyphContext glyphs;                    // inserter reads
  StampReadOptions readOptions;
  EmbeddedStampOptions embedded;          // tick-count reads
};

struct ShowFrameTimeResult {
  FrameTimeSource source = FrameTimeSource::InserterText;
  FrameTimeEdits edits;
  std::string Edit59;  // the date
  int stampResult = 1;  // ReadTimeStamp's result (2: no stamp) for inserter reads
  int32_t stampYear = 0;  // for tick-count reads
};

// The time of the frame on screen from the first available source; fills the
// time texts (except from a loaded table, whose rows already hold them).
ShowFrameTimeResult ShowFrameTime(const ShowFrameTimeInputs& in, TimeStampState& state, StampTexts& texts);
