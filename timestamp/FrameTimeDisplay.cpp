#include "timestamp/FrameTimeDisplay.h"

#include <optional>

#include "base/CsvFields.h"
#include "base/NumberText.h"

FrameTimeSource SelectFrameTimeSource(bool csvCarriesCmosTimes, bool ledTimesAvailable, TimeStampMode mode) {
  if (csvCarriesCmosTimes) return FrameTimeSource::CsvCmosTimes;
  if (ledTimesAvailable) return FrameTimeSource::LedCorrected;
  return mode == TimeStampMode::Sharp ? FrameTimeSource::EmbeddedTicks : FrameTimeSource::InserterText;
}

FrameTimeEdits EditsFromCsvRow(std::string_view line) {
  FrameTimeEdits e;
  e.colour = TimeEditColour::Aqua;
  e.edit26BlackFont = true;
  if (line.empty()) return e;
  // A table saved with every cell quoted shows the same times.
  e.Edit24 = GetCsvCell(line, 4);
  e.Edit25 = GetCsvCell(line, 5);
  e.Edit26 = GetCsvCell(line, 6);
  e.Edit27 = GetCsvCell(line, 7);
  return e;
}

bool CsvRowShowsTime(std::string_view line) {
  for (int field = 4; field <= 7; ++field) {
    const std::string cell = GetCsvCell(line, field);
    if (cell.find_first_not_of(" \t") != std::string::npos) return true;
  }
  return false;
}

FrameTimeEdits EditsFromStampTexts(const StampTexts& t) {
  FrameTimeEdits e;
  e.Edit24 = t.StampH1;
  e.Edit25 = t.StampM1;
  e.Edit26 = t.StampS1Full;
  e.Edit27 = t.StampS2Full;
  return e;
}

namespace {

// Hours below 24, minutes below 60, seconds below 61 (a leap second); an
// empty pair was not read.
bool PossiblePair(const std::string& pair, int limit) {
  if (pair.empty()) return true;
  const std::optional<int32_t> v = ParseInt32(pair);
  return v && *v >= 0 && *v < limit;
}

}  // namespace

void DropImpossibleFieldTimes(StampTexts& t, bool fieldMeasure, bool dateOnFieldOneLine) {
  // The field's counter was read on the same misread line: it goes too, and
  // so does a date read there (a lit area reads as "88 88 88").
  if (!PossiblePair(t.StampH1, 24) || !PossiblePair(t.StampM1, 60) || !PossiblePair(t.StampS1, 61)) {
    for (std::string* s : {&t.StampH1, &t.StampM1, &t.StampS1, &t.StampS1Full, &t.StampCount1}) s->clear();
    if (dateOnFieldOneLine)
      for (std::string* s : {&t.StampDate1, &t.StampDate2, &t.StampDate3}) s->clear();
  }
  const bool hm2 = fieldMeasure && (!PossiblePair(t.StampH2, 24) || !PossiblePair(t.StampM2, 60));
  if (!hm2 && PossiblePair(t.StampS2, 61)) return;
  if (fieldMeasure)
    for (std::string* s : {&t.StampH2, &t.StampM2}) s->clear();
  t.StampS2.clear();
  t.StampS2Full.clear();
  t.StampCount2.clear();
}

std::string DateEditText(const StampTexts& t) { return t.StampDate1 + " " + t.StampDate2 + " " + t.StampDate3; }

std::string SecondsText4(long double seconds) {
  // On a 1e-8 grid first, so 12.3 does not truncate to 12.2999.
  const int64_t units = RoundHalfAway(seconds * 100000000.0L);
  // The centre of a frame ending just after midnight lies before 0 s: keep its sign.
  const int64_t a = units < 0 ? -units : units;
  const int64_t whole = a / 100000000;
  const int64_t frac = (a % 100000000) / 10000;
  std::string f = FormatInt(frac);
  while (f.size() < 4) f.insert(f.begin(), '0');
  return (units < 0 && (whole != 0 || frac != 0) ? "-" : "") + TwoDigits(whole) + "." + f;
}

void FormatFrameTimeRecord(const LedFrameTime& r, StampTexts& t) {
  t.SetHoursMinutes(r.centreHour, r.centreMinute, r.endHour, r.endMinute);
  t.StampS1Full = SecondsText4(r.centreSeconds);
  t.StampS2Full = SecondsText4(r.endSeconds);
  t.StampS1 = t.StampS1Full.substr(0, t.StampS1Full.find('.'));
  t.StampS2 = t.StampS2Full.substr(0, t.StampS2Full.find('.'));
}

FrameTimeEdits EditsFromLedRecord(const LedFrameTime& r) {
  FrameTimeEdits e;
  e.colour = TimeEditColour::Aqua;
  // Carried as the corrected results rows are, so both show one time.
  const CarriedClock centre = CarryRoundedSeconds(r.centreHour, r.centreMinute, r.centreSeconds, 4, 8);
  e.Edit24 = FormatInt(centre.Hour);
  e.Edit25 = FormatInt(centre.Minute);
  e.Edit26 = centre.SecondText;
  e.Edit27 = CarryRoundedSeconds(r.endHour, r.endMinute, r.endSeconds, 4, 8).SecondText;
  return e;
}

ShowFrameTimeResult ShowFrameTime(const ShowFrameTimeInputs& in, TimeStampState& state, StampTexts& texts) {
  ShowFrameTimeResult r;
  r.source = SelectFrameTimeSource(in.csvCarriesCmosTimes, in.ledRecord.has_value(), in.glyphs.mode);
  static const Bitmap24 kNoFrame;
  const Bitmap24& frame = in.frame ? *in.frame : kNoFrame;
  switch (r.source) {
    case FrameTimeSource::CsvCmosTimes:
      r.edits = EditsFromCsvRow(in.csvRow);
      break;
    case FrameTimeSource::LedCorrected:
      FormatFrameTimeRecord(*in.ledRecord, texts);
      r.edits = EditsFromLedRecord(*in.ledRecord);
      break;
    case FrameTimeSource::EmbeddedTicks:
      if (in.embedded.captureLogTime || TicksPlausible(ReadTickCount(frame, in.embedded.ticksRow))) {
        r.stampYear = ReadEmbeddedTimeStamp(frame, in.embedded, texts);
      } else {
        // Bytes that are no count (a frame without one, the wrong row) give
        // the frame no time rather than one centuries off; the dates stay.
        StampTexts scratch;
        r.stampYear = ReadEmbeddedTimeStamp(frame, in.embedded, scratch);
        for (std::string* t : {&texts.StampH1, &texts.StampM1, &texts.StampS1, &texts.StampH2, &texts.StampM2,
                               &texts.StampS2, &texts.StampS1Full, &texts.StampS2Full})
          t->clear();
      }
      r.edits = EditsFromStampTexts(texts);
      break;
    case FrameTimeSource::InserterText:
      r.stampResult = ReadTimeStamp(frame, in.glyphs, in.readOptions, state, texts);
      DropImpossibleFieldTimes(texts, in.readOptions.fieldMeasure, in.glyphs.mode == TimeStampMode::Ghs);
      r.edits = EditsFromStampTexts(texts);
      break;
  }
  r.Edit59 = DateEditText(texts);
  return r;
}
