#pragma once
// The lunar prediction listing: a fixed-column text written by an outside
// prediction program for one observing site.
//
// Contract: lines 1-5 are the heading; line 4 is the column header when it
// holds "Cct", else line 5. The header's labels give the columns of the
// values. An event line starts "yy Mon dd hh mm ss" (month abbreviation at
// characters 4-6); a line without a month there continues the event before
// it. A second layout holds a "Star = " line. Values that do not convert take
// their defaults. Day numbers come from the calendar for any year (no table),
// and lines with an invalid month are skipped.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ZcToXzTable.h"

// 1-based character positions in an event line; 0 or below: label absent.
struct LunarColumnPositions {
  int ContactAngle = 0, ShadowVelocity = 0, MoonDistance = 0, Star = 0, Libration = 0, Duration = 0,
      SpectralType = 0, AxisAngle = 0, RelativeMotion = 0, PositionAngle = 0, CuspAngle = 0,
      Illumination = 0, MoonAltitude = 0;
};

// Index of the column header line (3 or 4); -1 for a text of 3 lines or fewer.
int LunarHeaderLineIndex(const std::vector<std::string>& lines);
LunarColumnPositions ComputeLunarColumns(std::string_view header);

// 1..12 for " Jan " .. " Dec " (five characters), else -1.
int MonthIndexOf(std::string_view five);
// "January".."December" for 1..12; 0 otherwise.
int MonthIndexOfFullName(std::string_view name);
std::string FullMonthName(int month);

// Days since 1970-01-01; nothing for a month outside 1..12 or a day outside 1..31.
std::optional<int64_t> DayNumber(int year, int month, int day);

// The stamp's date and time texts (two-digit year, month, day, h, m, s).
struct StampDateTime {
  std::string Year2, Month, Day, Hour, Minute, Second;
};

// The automatic search: the heading and the event lines (with their
// continuation lines) within 10 seconds of the stamp's time.
struct LunarSearchResult {
  std::vector<std::string> Lines;
  std::string LastLineTime, StampTime;  // "2024.5.12 3:4:5" of the last compared line
};
// Nothing when the text has fewer than 6 lines.
std::optional<LunarSearchResult> SearchPredictionByStampTime(const std::vector<std::string>& text,
                                                             const StampDateTime& stamp);

// The "Star = " layout.
struct StarBlock {
  std::string Target;
  std::optional<std::string> Observer;
  // From the line two above: year text, month 1..12 (-1 none), day text.
  std::optional<std::string> Year;
  int Month = -1;
  std::string Day;
};
std::optional<StarBlock> ReadStarBlock(const std::vector<std::string>& lines);

// Whether the text is a lunar listing at all: one event line (a month
// abbreviation at characters 4-6) or a "Star = " line.
bool HoldsLunarPredictions(const std::vector<std::string>& lines);

// The lines offered for choice and the one selected (-1 for an empty list):
// with `nearest_to`, the event line nearest that time (of two equally near
// the first); else the first line of the stamp's two-digit year ("4" and
// "04" alike), else the first event line, else the first line.
struct LunarListing {
  std::vector<std::string> Lines;
  int Selected = -1;
};
LunarListing ListPredictionLines(const std::vector<std::string>& lines, int duration_pos, bool detail,
                                 std::string_view stamp_year2, const StampDateTime* nearest_to = nullptr);

// Everything applying a chosen line gives.
struct LunarApplication {
  std::string RecordingDate;
  // The site from the second list line ("E. Longitude ..."): longitude d, m,
  // s, latitude d, m, s (degrees signed), altitude.
  std::optional<std::array<std::string, 7>> Site;
  bool HasEvent = false;  // the line carries a month; nothing below is set otherwise
  // Why the event line is not applied (nothing below is set then): see LunarLineFault.
  std::string Fault;
  int Year = 0, Month = 0, Day = 0;
  std::string Catalogue, StarNumber, Target;
  std::string ZcNumber;                 // for a ZC star
  std::optional<int32_t> XzNumber;      // when the ZC number has an XZ entry
  double ContactAngle = 0;
  std::string ContactAngleShown, ContactAngleText;
  long double Velocity = 700;
  std::string VelocityShown;
  int64_t DistanceM = 384410000;
  std::string DistanceKmShown, ApparentRadius;
  std::string SpectralShown, SpectralModel;
  std::string AxisAngle, RelativeMotion, PositionAngle, CuspAngle, Illumination, MoonAltitude, LibrationL,
      LibrationB;
  double V = 100, R = 100;
  std::string VShown, RShown, CombinedShown;
  // The eleven values the report's object line lists: position angle, axis
  // angle, cusp angle, limb slope (empty here), contact angle, relative
  // motion, illumination, Moon altitude, libration L, libration B, apparent radius.
  std::array<std::string, 11> LunarValues() const;
};

// Why an event line cannot be applied, empty when it can: it ends inside the
// star number, V or R magnitude, contact angle, shadow velocity or Moon
// distance column with a part of the value written (a file cut short: "-1"
// of "-120"). A column the line does not reach is blank and takes its default
// as before.
std::string LunarLineFault(std::string_view line, const LunarColumnPositions& cols);

LunarApplication ApplyLunarLine(std::string_view line, std::string_view second_list_line,
                                const LunarColumnPositions& cols, const StampDateTime& stamp,
                                const ZcToXzTable& zc_to_xz);

// The recording date "2024-5-12" from the stamp's date texts, blank-padded
// (" 5") or zero-padded ("05"); a two-digit year below 50 is 20xx, else 19xx.
std::string LunarRecordingDate(const StampDateTime& stamp);

struct IdentificationTexts {
  std::string Title, Code;
};
// From the target text, the three date list texts and the observer.
IdentificationTexts ComposeIdentificationCode(std::string_view target, std::string_view year,
                                              std::string_view month_name, std::string_view day,
                                              std::string_view observer);

// The target text before " occults" (all of it when absent).
std::string TargetBeforeOccults(std::string_view text);
