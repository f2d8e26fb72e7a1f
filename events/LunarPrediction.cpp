#include "events/LunarPrediction.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "base/CsvFields.h"
#include "base/DateText.h"
#include "base/NumberText.h"
#include "events/PredictionElements.h"
#include "events/TextColumns.h"

namespace {

constexpr int64_t kDefaultDistanceM = 384410000;

int LabelPos(std::string_view header, std::string_view label, int offset) {
  const size_t p = header.find(label);
  if (p == std::string_view::npos) return 0;
  return static_cast<int>(p) + 1 + offset;
}

// Two-digit years of the stamp and of the event lines, read alike.
int SearchYear(std::string_view two) {
  const int y = StrToIntOrZero(two);
  if (y < 0) return 2000;
  return YearOfTwoDigits(y);
}

std::string TimeText(int year, int month, int day, int h, int m, int s) {
  return FormatInt(year) + "." + FormatInt(month) + "." + FormatInt(day) + " " + FormatInt(h) + ":" +
         FormatInt(m) + ":" + FormatInt(s);
}

std::optional<int64_t> Seconds(int year, int month, int day, int h, int m, int s) {
  const auto days = DayNumber(year, month, day);
  if (!days) return std::nullopt;
  return (*days * 24 + h) * 3600 + int64_t{m} * 60 + s;
}

std::string SignedDegrees(std::string s) { return !s.empty() && s[0] == '-' ? s : "+" + s; }

std::string AllLeadingBlanksRemoved(std::string_view s) { return RemoveLeadingBlanks(s, static_cast<int>(s.size())); }

}  // namespace

int LunarHeaderLineIndex(const std::vector<std::string>& lines) {
  if (lines.size() <= 3) return -1;
  if (lines[3].find("Cct") != std::string::npos || lines.size() < 5) return 3;
  return 4;
}

LunarColumnPositions ComputeLunarColumns(std::string_view h) {
  LunarColumnPositions c;
  c.ContactAngle = LabelPos(h, "Cct", -1);
  c.ShadowVelocity = LabelPos(h, "SV", -28);
  c.MoonDistance = LabelPos(h, "Mdist", -26);
  c.Star = LabelPos(h, "Star", 0);
  c.Libration = LabelPos(h, "Libration", 0);
  c.Duration = LabelPos(h, "durn", 0);
  c.SpectralType = LabelPos(h, "Sp ", 0);
  c.AxisAngle = LabelPos(h, "AA", -1);
  c.RelativeMotion = LabelPos(h, "RV", -1);
  c.PositionAngle = LabelPos(h, "PA", -1);
  c.CuspAngle = LabelPos(h, "CA", 0);
  c.Illumination = LabelPos(h, "%", -2);
  c.MoonAltitude = LabelPos(h, "Moon", -1);
  return c;
}

int MonthIndexOf(std::string_view five) {
  for (int m = 1; m <= 12; ++m)
    if (five == " " + MonthAbbreviation(m) + " ") return m;
  return -1;
}

namespace {
constexpr std::array<const char*, 12> kFullMonths{"January", "February", "March",     "April",   "May",      "June",
                                                  "July",    "August",   "September", "October", "November", "December"};
}

int MonthIndexOfFullName(std::string_view name) {
  for (size_t m = 0; m < kFullMonths.size(); ++m)
    if (name == kFullMonths[m]) return static_cast<int>(m) + 1;
  return 0;
}

std::string FullMonthName(int month) {
  if (month < 1 || month > 12) return {};
  return kFullMonths[static_cast<size_t>(month - 1)];
}

std::optional<int64_t> DayNumber(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  using namespace std::chrono;
  // Days past the month's end run on into the next month, as a day count does.
  const sys_days first{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} / 1};
  return first.time_since_epoch().count() + day - 1;
}

namespace {

struct LineTime {
  int Year, Month, Day, Hour, Minute, Second;
  int64_t Seconds;
};

// The date and time an event line starts with; nothing for another line.
std::optional<LineTime> EventLineTime(std::string_view line) {
  const int month = MonthIndexOf(Columns(line, 3, 5));
  if (month < 0) return std::nullopt;
  LineTime t{SearchYear(Columns(line, 1, 2)),     month,
             StrToIntOrZero(Columns(line, 8, 2)),  StrToIntOrZero(Columns(line, 11, 2)),
             StrToIntOrZero(Columns(line, 14, 2)), StrToIntOrZero(Columns(line, 17, 2)),
             0};
  const auto seconds = Seconds(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
  if (!seconds) return std::nullopt;
  t.Seconds = *seconds;
  return t;
}

std::optional<int64_t> StampSeconds(const StampDateTime& stamp) {
  return Seconds(SearchYear(stamp.Year2), static_cast<int>(ParseInt32(stamp.Month).value_or(1)),
                 static_cast<int>(ParseInt32(stamp.Day).value_or(1)), StrToIntOrZero(stamp.Hour),
                 StrToIntOrZero(stamp.Minute), StrToIntOrZero(stamp.Second));
}

}  // namespace

std::optional<LunarSearchResult> SearchPredictionByStampTime(const std::vector<std::string>& text,
                                                             const StampDateTime& stamp) {
  if (text.size() < 6) return std::nullopt;
  LunarSearchResult out;
  out.Lines.assign(text.begin(), text.begin() + 5);
  const int year = SearchYear(stamp.Year2);
  const int month = static_cast<int>(ParseInt32(stamp.Month).value_or(1));
  const int day = static_cast<int>(ParseInt32(stamp.Day).value_or(1));
  const int h = StrToIntOrZero(stamp.Hour), mi = StrToIntOrZero(stamp.Minute),
            s = StrToIntOrZero(stamp.Second);
  const auto stamp_seconds = StampSeconds(stamp);
  if (!stamp_seconds) return out;
  for (size_t i = 5; i < text.size(); ++i) {
    const std::string& line = text[i];
    const auto t = EventLineTime(line);
    if (!t) continue;
    // Neighbouring months only; December and January meet at the new year.
    const int month_gap = std::abs(t->Month - month);
    if (month_gap > 1 && month_gap != 11) continue;
    out.LastLineTime = TimeText(t->Year, t->Month, t->Day, t->Hour, t->Minute, t->Second);
    out.StampTime = TimeText(year, month, day, h, mi, s);
    if (std::llabs(t->Seconds - *stamp_seconds) > 10) continue;
    out.Lines.push_back(line);
    while (i + 1 < text.size() && MonthIndexOf(Columns(text[i + 1], 3, 5)) < 0) out.Lines.push_back(text[++i]);
  }
  return out;
}

std::optional<StarBlock> ReadStarBlock(const std::vector<std::string>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("Star = ", 0) != 0) continue;
    StarBlock b;
    const std::string rest = lines[i].substr(7);
    if (!rest.empty() && rest[0] == 'R') b.Target = "ZC " + rest.substr(1);
    else if (!rest.empty() && rest[0] == 'S') b.Target = "SAO " + rest.substr(1);
    else if (!rest.empty() && rest[0] == 'X') b.Target = "XZ " + rest.substr(1);
    else b.Target = rest;
    if (i + 1 < lines.size() && lines[i + 1].rfind("Observer =  ", 0) == 0) b.Observer = lines[i + 1].substr(12);
    if (i >= 2) {
      const std::string& d = lines[i - 2];
      for (int m = 1; m <= 12; ++m)
        if (Columns(d, 6, 3) == MonthAbbreviation(m)) b.Month = m;
      b.Year = Columns(d, 1, 4);
      b.Day = RemoveLeadingBlanks(Columns(d, 10, 2), 1);
    }
    return b;
  }
  return std::nullopt;
}

bool HoldsLunarPredictions(const std::vector<std::string>& lines) {
  for (const std::string& l : lines)
    if (MonthIndexOf(Columns(l, 3, 5)) > 0) return true;
  return ReadStarBlock(lines).has_value();
}

LunarListing ListPredictionLines(const std::vector<std::string>& lines, int duration_pos, bool detail,
                                 std::string_view stamp_year2, const StampDateTime* nearest_to) {
  LunarListing out;
  for (std::string line : lines) {
    const bool event_or_heading = line.size() > 10 && line[0] != ' ';
    if ((event_or_heading || line.rfind("       day", 0) == 0 || line.rfind(" y ", 0) == 0) && duration_pos >= 1 &&
        static_cast<size_t>(duration_pos) <= line.size())
      line.erase(static_cast<size_t>(duration_pos - 1), 25);
    bool month = false;
    for (int m = 1; m <= 12 && !month; ++m) month = Columns(line, 4, 3) == MonthAbbreviation(m);
    if (detail || month) out.Lines.push_back(std::move(line));
  }
  if (out.Lines.empty()) return out;
  // Stars of a cluster reach the limb seconds apart: of the events found by
  // the stamp's time the nearest is the observed one.
  if (const auto stamp = nearest_to ? StampSeconds(*nearest_to) : std::nullopt) {
    int64_t best = 0;
    for (size_t k = 0; k < out.Lines.size(); ++k) {
      const auto t = EventLineTime(out.Lines[k]);
      if (!t) continue;
      const int64_t gap = std::llabs(t->Seconds - *stamp);
      if (out.Selected < 0 || gap < best) out.Selected = static_cast<int>(k), best = gap;
    }
    if (out.Selected >= 0) return out;
  }
  // The stamp's year as a number: a year picked in the list is written "4",
  // the listing writes "04".
  const auto year = ParseInt32(stamp_year2);
  int first_event = -1;
  for (size_t k = 0; k < out.Lines.size(); ++k) {
    const std::string& l = out.Lines[k];
    if (year && ParseInt32(l.substr(0, 2)) == year) {
      out.Selected = static_cast<int>(k);
      return out;
    }
    if (first_event < 0 && MonthIndexOf(Columns(l, 3, 5)) > 0) first_event = static_cast<int>(k);
  }
  // No line of the stamp's year: an event of the year before (found across
  // New Year) rather than a heading line.
  out.Selected = std::max(first_event, 0);
  return out;
}

std::string LunarRecordingDate(const StampDateTime& stamp) {
  // The date lists write a single digit with a blank in front (" 5").
  auto trimmed = [](std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
  };
  const std::string year = FourDigitYearText(trimmed(stamp.Year2));
  auto drop_zero = [](std::string s) { return !s.empty() && s[0] == '0' ? s.substr(1) : s; };
  return year + "-" + drop_zero(trimmed(stamp.Month)) + "-" + drop_zero(trimmed(stamp.Day));
}

std::string LunarLineFault(std::string_view line, const LunarColumnPositions& c) {
  struct Column {
    int pos, count;
    const char* name;
  };
  const Column columns[] = {{c.Star - 1, 6, "star number"},
                            {c.Star + 9, 4, "V magnitude"},
                            {c.Star + 14, 4, "R magnitude"},
                            {c.ContactAngle, 5, "contact angle"},
                            {c.ShadowVelocity, 7, "shadow velocity"},
                            {c.MoonDistance, 6, "Moon distance"}};
  for (const Column& col : columns) {
    // A column the heading does not name, or one the line does not reach, is
    // blank and takes its default.
    if (col.pos < 1 || line.size() < static_cast<size_t>(col.pos)) continue;
    const bool ends_inside = line.size() < static_cast<size_t>(col.pos - 1 + col.count);
    if (ends_inside && Columns(line, col.pos, col.count).find_first_not_of(' ') != std::string::npos)
      return "The prediction line ends inside its " + std::string(col.name) + " column.";
  }
  return {};
}

LunarApplication ApplyLunarLine(std::string_view line, std::string_view second, const LunarColumnPositions& c,
                                const StampDateTime& stamp, const ZcToXzTable& zc_to_xz) {
  LunarApplication a;
  a.RecordingDate = LunarRecordingDate(stamp);
  if (second.rfind("E. Longitude", 0) == 0) {
    auto col = [&](int p, int n) { return AllLeadingBlanksRemoved(Columns(second, p, n)); };
    a.Site = std::array<std::string, 7>{SignedDegrees(col(14, 4)), col(19, 2), col(22, 4),
                                        SignedDegrees(col(38, 3)), col(42, 2), col(45, 4), col(57, 4)};
  }
  for (int m = 1; m <= 12 && !a.HasEvent; ++m)
    if (Columns(line, 4, 3) == MonthAbbreviation(m)) {
      a.HasEvent = true;
      a.Month = m;
    }
  if (!a.HasEvent) return a;
  a.Fault = LunarLineFault(line, c);
  if (!a.Fault.empty()) return a;
  const int yy = StrToIntOrZero(Columns(line, 1, 2));
  a.Year = YearOfTwoDigits(yy);
  a.Day = StrToIntOrZero(RemoveLeadingBlanks(Columns(line, 8, 2), 1));

  a.StarNumber = AllLeadingBlanksRemoved(Columns(line, c.Star - 1, 6));
  const std::string kind = Columns(line, c.Star - 2, 1);
  const int64_t number = ParseInt64(a.StarNumber).value_or(0);
  if (kind == "X") a.Catalogue = "XZ";
  else if (kind == " ") a.Catalogue = number >= 9000 ? "SAO" : "ZC";
  a.Target = a.Catalogue + " " + a.StarNumber;
  if (a.Catalogue == "ZC") {
    a.ZcNumber = a.StarNumber;
    a.XzNumber = XzNumberOf(a.StarNumber, zc_to_xz);
  }

  a.ContactAngle = FoldedContactAngle(ParseDoubleOr(Columns(line, c.ContactAngle, 5), 0));
  a.ContactAngleShown = FormatFixed(a.ContactAngle, 1, 6);
  a.ContactAngleText = RemoveLeadingBlanks(Columns(line, c.ContactAngle - 1, 6), 2);

  a.Velocity = ParseDoubleOr(Columns(line, c.ShadowVelocity, 7), 700);
  a.VelocityShown = FormatFixed(a.Velocity, 1, 6);

  if (auto d = ParseDouble(Columns(line, c.MoonDistance, 6)); d && *d > 0)
    a.DistanceM = RoundHalfAway(static_cast<long double>(*d) * 1e6L);
  if (a.DistanceM <= 0) a.DistanceM = kDefaultDistanceM;
  a.DistanceKmShown = FormatInt(a.DistanceM / 1000);
  a.ApparentRadius = FormatFixed(static_cast<long double>(kDefaultDistanceM) / a.DistanceM, 3, 5);

  a.SpectralShown = Columns(line, c.SpectralType, 2);
  a.SpectralModel = a.SpectralShown;
  if (a.SpectralModel.size() == 1) a.SpectralModel += '5';
  if (a.SpectralModel.size() == 2 && (a.SpectralModel[1] < '0' || a.SpectralModel[1] > '9')) a.SpectralModel[1] = '5';

  a.AxisAngle = RemoveLeadingBlanks(Columns(line, c.AxisAngle, 3), 2);
  a.RelativeMotion = "0" + Columns(line, c.RelativeMotion, 4);
  a.PositionAngle = RemoveLeadingBlanks(Columns(line, c.PositionAngle, 3), 2);
  a.CuspAngle = RemoveLeadingBlanks(Columns(line, c.CuspAngle, 3), 1);
  a.Illumination = RemoveLeadingBlanks(Columns(line, c.Illumination, 3), 2);
  a.MoonAltitude = RemoveLeadingBlanks(Columns(line, c.MoonAltitude, 2), 1);
  a.LibrationL = Columns(line, c.Libration, 4);
  a.LibrationB = Columns(line, c.Libration + 5, 4);

  a.V = ParseDoubleOr(RemoveLeadingBlanks(Columns(line, c.Star + 9, 4), 1), 100);
  a.R = ParseDoubleOr(RemoveLeadingBlanks(Columns(line, c.Star + 14, 4), 4), 100);
  a.VShown = a.V >= 100 ? "" : FormatFixed(a.V, 1, 5);
  a.RShown = a.R >= 100 ? "" : FormatFixed(a.R, 1, 5);
  a.CombinedShown = FormatFixed(a.V, 1, 6);
  return a;
}

std::array<std::string, 11> LunarApplication::LunarValues() const {
  return {PositionAngle, AxisAngle,    CuspAngle,  "",         ContactAngleText, RelativeMotion,
          Illumination,  MoonAltitude, LibrationL, LibrationB, ApparentRadius};
}

namespace {

// The whole character that starts at byte `at`: a name's initial may be a
// letter written with more than one byte ("Ö"), and half of it is no text.
std::string CharacterAt(std::string_view s, size_t at) {
  size_t end = at + 1;
  while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) ++end;
  return std::string(s.substr(at, end - at));
}

size_t CharacterCount(std::string_view s) {
  size_t n = 0;
  for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

}  // namespace

IdentificationTexts ComposeIdentificationCode(std::string_view target, std::string_view year,
                                              std::string_view month_name, std::string_view day,
                                              std::string_view observer) {
  IdentificationTexts t;
  t.Title = std::string(target) + " ; " + std::string(year) + " " + std::string(month_name) + " " + std::string(day) +
            " ; " + std::string(observer);
  auto two = [](int v) { return (v < 10 ? "0" : "") + FormatInt(v); };
  t.Code = std::string(year.size() >= 2 ? year.substr(year.size() - 2) : year) +
           two(MonthIndexOfFullName(month_name)) + two(StrToIntOrZero(day));
  const size_t blank = observer.find(' ');
  if (target.size() >= 4 && CharacterCount(observer) >= 4 && blank != std::string_view::npos) {
    if (target.substr(0, 2) == "ZC") t.Code += "r" + std::string(target.substr(3));
    else if (target.substr(0, 2) == "SA") t.Code += "s" + std::string(target.substr(4));
    else if (target.substr(0, 2) == "XZ") t.Code += "x" + std::string(target.substr(3));
    else t.Code += "U";
    t.Code += CharacterAt(observer, 0);
    if (blank + 1 < observer.size()) t.Code += CharacterAt(observer, blank + 1);
  }
  return t;
}

std::string TargetBeforeOccults(std::string_view text) {
  const size_t p = text.find(" occults");
  return std::string(p == std::string_view::npos ? text : text.substr(0, p));
}
