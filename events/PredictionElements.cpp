#include "events/PredictionElements.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "base/CsvFields.h"
#include "base/DateText.h"
#include "base/NumberText.h"
#include "events/LunarPrediction.h"
#include "events/TextColumns.h"

namespace {

constexpr double kEarthRadiusKm = 6378.1;
constexpr double kAstronomicalUnitKm = 149597870.7;

std::string_view TrimTrailing(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

void KeepIfFinite(double& field, double value) {
  if (std::isfinite(value)) field = value;
}

// The fields after `tag` with a closing tag stuck to the end removed.
std::string TagFields(std::string_view line, std::string_view tag) {
  std::string_view rest = TrimTrailing(line.substr(tag.size()));
  const size_t close = rest.rfind("</");
  if (close != std::string_view::npos && rest.back() == '>') rest = rest.substr(0, close);
  return std::string(rest);
}

void ReadElements(Occelmnt_Format& e, const std::string& f) {
  const std::string month_text = GetCsvField(f, 4);
  const auto month = ParseInt32(month_text);
  const std::string month_name = month ? MonthAbbreviation(*month) : std::string();
  e.Date = GetCsvField(f, 3) + " " + (month_name.empty() ? month_text : month_name) + " " + GetCsvField(f, 5);
  if (auto ut = ParseDouble(GetCsvField(f, 6))) e.UT = *ut;
  const auto v1 = ParseDouble(GetCsvField(f, 9));
  const auto v2 = ParseDouble(GetCsvField(f, 10));
  // An absurd component must not give the diffraction model an infinite speed.
  if (v1 && v2) KeepIfFinite(e.Velocity, std::hypot(*v1, *v2) * kEarthRadiusKm * 1000.0 / 3600.0);
}

void ReadStar(Occelmnt_Format& e, const std::string& f) {
  e.Star = GetCsvField(f, 1);
  e.V = ParseDoubleOr(GetCsvField(f, 5), 0);
  if (auto b = ParseDouble(GetCsvField(f, 4))) {
    e.B = *b;
    e.BminusV = e.B != 0 ? e.B - e.V : -1;
  } else {
    e.BminusV = -1;
  }
  if (auto r = ParseDouble(GetCsvField(f, 6))) e.R = *r;
  if (auto d = ParseDouble(GetCsvField(f, 7))) e.StarDiameter = *d;
}

void ReadObject(Occelmnt_Format& e, const std::string& f) {
  if (auto n = ParseInt32(GetCsvField(f, 1))) e.ObjectNumber = *n;
  e.ObjectName = GetCsvField(f, 2);
  if (auto m = ParseDouble(GetCsvField(f, 3))) {
    e.ObjectMagnitude = *m;
    e.CombinedMagnitude = CombinedMagnitude(e.ObjectMagnitude, e.V);
  }
  if (auto d = ParseDouble(GetCsvField(f, 4))) e.ObjectDiameter = *d;
  if (auto au = ParseDouble(GetCsvField(f, 5))) KeepIfFinite(e.Distance, *au * kAstronomicalUnitKm);
}

std::string EventListLine(const Occelmnt_Format& e) {
  return e.Date + " " + FormatFixed(e.UT, 1, 4) + "h UT , " + " " + "(" + FormatInt(e.ObjectNumber) + ")" +
         e.ObjectName + " occults " + e.Star;
}

bool IsPastedEventLine(std::string_view line) {
  return line.size() >= 3 && line[2] == ' ' && ParseInt32(line.substr(0, 2)).has_value();
}

// A copy that stopped inside a value of the line: right-aligned columns end
// together with their value, so a line ending within one with a part of it
// written was cut ("38" of the distance "380.1").
bool PastedLineCut(std::string_view line) {
  struct Column {
    size_t first, count;  // 1-based
  };
  for (const Column c : {Column{25, 6}, Column{35, 4}, Column{40, 4}, Column{107, 6}, Column{139, 5}, Column{145, 5}}) {
    if (line.size() < c.first || line.size() >= c.first - 1 + c.count) continue;
    if (line.substr(c.first - 1).find_first_not_of(' ') != std::string_view::npos) return true;
  }
  return false;
}

Occelmnt_Format ReadPastedEvent(const std::string& line) {
  Occelmnt_Format e;
  e.ObjectName = "Moon";
  const int yy = StrToIntOrZero(Columns(line, 1, 2));
  e.Date = (yy >= 0 && YearOfTwoDigits(yy) < 2000 ? "19" : "20") + Columns(line, 1, 9);
  e.UT = ParseDoubleOr(Columns(line, 11, 2), 0) + ParseDoubleOr(Columns(line, 14, 2), 0) / 60.0 +
         ParseDoubleOr(Columns(line, 17, 4), 0) / 3600.0;
  const std::string letter = Columns(line, 24, 1);
  if (auto n = ParseInt64(Columns(line, 25, 6))) {
    const std::string number = FormatInt(*n);
    if (!letter.empty() && letter != " ") e.Star = "XZ" + number;
    else if (*n >= 10000) e.Star = "SAO" + number;
    else e.Star = "ZC" + number;
  }
  const std::string sp = Columns(line, 32, 2);
  if (sp.size() == 2 && std::string_view("OBAFGKM").find(sp[0]) != std::string_view::npos && sp[1] >= '0' &&
      sp[1] <= '9')
    e.SpectralType = sp;
  e.V = ParseDoubleOr(Columns(line, 35, 4), 0);
  e.R = ParseDoubleOr(Columns(line, 40, 4), 0);
  e.ContactAngle = FoldedContactAngle(ParseDoubleOr(Columns(line, 107, 6), 0));
  e.Distance = ParseDoubleOr(Columns(line, 139, 5), 388.4) * 1000.0;
  e.Velocity = ParseDoubleOr(Columns(line, 145, 5), 750);
  e.BminusV = e.SpectralType.empty() ? (e.V - e.R) * 1.845 - 0.055 : -1;
  return e;
}

}  // namespace

double FoldedContactAngle(double degrees) {
  if (!std::isfinite(degrees)) return 0;
  double a = std::fmod(std::fabs(degrees), 360.0);
  if (a > 180) a = 360 - a;
  if (a > 90) a = 180 - a;
  return a;
}

double CombinedMagnitude(double m1, double m2) {
  constexpr double k = 0.3981072389431686;
  // Factored out of the brighter magnitude, so that an absurd magnitude from an
  // elements file cannot overflow the powers into an infinite result.
  const double bright = std::min(m1, m2), faint = std::max(m1, m2);
  return -2.5 * (bright * std::log10(k) + std::log10(1 + std::pow(k, faint - bright)));
}

std::string MonthAbbreviation(int month) {
  static constexpr std::array<const char*, 12> kNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (month < 1 || month > 12) return {};
  return kNames[static_cast<size_t>(month - 1)];
}

std::optional<PredictionList> ParseXmlPredictionFile(const std::vector<std::string>& lines) {
  size_t count = 0;
  for (const std::string& l : lines)
    if (TrimLeading(l).substr(0, 7) == "<Event>") ++count;
  if (count == 0) return std::nullopt;
  PredictionList out;
  out.Events.resize(std::min(count, kMaxPredictionEvents));
  size_t i = 0;
  while (i < lines.size() && !StartsWithSkippingBom(lines[i], "<Occultations>")) ++i;
  size_t opened = 0;
  for (++i; i < lines.size() && opened < out.Events.size(); ++i) {
    if (lines[i].rfind("</Occultations>", 0) == 0) break;
    if (TrimTrailing(TrimLeading(lines[i])) != "<Event>") continue;
    Occelmnt_Format& e = out.Events[opened++];
    const std::optional<double> bminusv_before = out.LastBminusV;
    bool next_opened = false;
    for (++i; i < lines.size(); ++i) {
      const std::string_view l = TrimLeading(lines[i]);
      if (l.rfind("</Event>", 0) == 0) break;
      // An event that lost its "</Event>" line ends where the next begins:
      // read on, the next event's fields would replace its own and one
      // prediction would vanish from the list.
      if (TrimTrailing(l) == "<Event>") {
        next_opened = true;
        break;
      }
      if (l.rfind("<Elements>", 0) == 0) ReadElements(e, TagFields(l, "<Elements>"));
      else if (l.rfind("<Star>", 0) == 0) {
        ReadStar(e, TagFields(l, "<Star>"));
        out.LastBminusV = e.BminusV;
      } else if (l.rfind("<Object>", 0) == 0) ReadObject(e, TagFields(l, "<Object>"));
    }
    if (i >= lines.size()) {
      // Without its "</Event>" its fields may be cut too: listed, it would
      // show a wrong date, object or star as a prediction.
      e = Occelmnt_Format{};
      out.LastBminusV = bminusv_before;
      out.LastEventCut = true;
      break;
    }
    e.ContactAngle = 0;
    e.SpectralType = "0";
    out.Lines.push_back(EventListLine(e));
    if (next_opened) --i;
  }
  return out;
}

std::optional<PredictionList> ParsePastedLunarPrediction(const std::vector<std::string>& lines) {
  PredictionList out;
  for (const std::string& l : lines) {
    if (!IsPastedEventLine(l) || out.Events.size() >= kMaxPredictionEvents) continue;
    if (PastedLineCut(l)) {
      out.LastEventCut = true;
      continue;
    }
    out.Events.push_back(ReadPastedEvent(l));
    out.LastBminusV = out.Events.back().BminusV;
    out.Lines.push_back(l);
  }
  if (out.Events.empty()) return std::nullopt;
  return out;
}

std::optional<PredictionList> ReadPredictionText(const std::vector<std::string>& lines) {
  if (!lines.empty() && lines[0].rfind(kPastedPredictionStart, 0) == 0) return ParsePastedLunarPrediction(lines);
  return ParseXmlPredictionFile(lines);
}

std::string VideoDateText(std::string_view stamp_year2, std::string_view stamp_month, std::string_view stamp_day) {
  const auto yy = ParseInt32(stamp_year2);
  const auto month = ParseInt32(stamp_month);
  const auto day = ParseInt32(stamp_day);
  if (!yy || !month || !day || *yy < 0 || *yy > 99) return {};
  const std::string name = MonthAbbreviation(*month);
  if (name.empty()) return {};
  const int year = YearOfTwoDigits(*yy);
  return FormatInt(year) + " " + name + " " + (*day < 10 ? " " : "") + FormatInt(*day);
}

namespace {

// Days since 1970 of a date text "2024 May 12" (or "2024 May  5"); nothing
// when it does not read as a date.
std::optional<int64_t> DayOfDateText(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (parts.size() != 3) return std::nullopt;
  int month = 0;
  for (int m = 1; m <= 12; ++m)
    if (parts[1] == MonthAbbreviation(m)) month = m;
  const auto year = ParseInt32(parts[0]);
  const auto day = ParseInt32(parts[2]);
  if (!year || !day) return std::nullopt;
  return DayNumber(*year, month, *day);
}

}  // namespace

int SelectEventByVideoTime(const std::vector<Occelmnt_Format>& events, const std::string& video_date,
                           double video_ut_hours) {
  if (events.empty() || events[0].ObjectName != "Moon" || video_date.empty()) return -1;
  const auto video_day = DayOfDateText(video_date);
  // Stars of a cluster pass the limb minutes apart: the observed one is the
  // nearest in time, not the first listed within the window.
  int nearest = -1;
  double nearest_gap = 0;
  for (size_t k = 0; k < events.size(); ++k) {
    const Occelmnt_Format& e = events[k];
    double ut = e.UT;
    if (e.Date != video_date) {
      // An event on the day before or after counts when midnight lies between.
      const auto day = DayOfDateText(e.Date);
      if (!day || !video_day || std::llabs(*day - *video_day) != 1) continue;
      ut += static_cast<double>(*day - *video_day) * 24;
    }
    if (!(ut - 0.05 <= video_ut_hours && video_ut_hours <= ut + 0.05)) continue;
    const double gap = std::fabs(ut - video_ut_hours);
    if (nearest < 0 || gap < nearest_gap) nearest = static_cast<int>(k), nearest_gap = gap;
  }
  return nearest;
}

double FresnelNumber(double diameter_km, double distance_km) {
  const double d = distance_km * 1000.0;
  const double r = diameter_km * 1000.0 / 2.0;
  if (d == 0) return 0;
  return r * r * 1e9 / (d * 600.0);
}

PredictionEventTexts DescribePredictionEvent(const Occelmnt_Format& e) {
  PredictionEventTexts t;
  t.Date = e.Date;
  t.Velocity = FormatFixed(e.Velocity, 1, 14);
  t.Star = e.Star;
  t.V = FormatFixed(e.V, 2, 5);
  if (e.B == 0 && e.R == 0) {
    t.B = t.R = t.BminusV = " - ";
  } else {
    t.B = FormatFixed(e.B, 2, 5);
    t.R = FormatFixed(e.R, 2, 5);
    t.BminusV = e.BminusV == -1 ? "--" : FormatFixed(e.BminusV, 2, 5);
  }
  t.Combined = CombinedMagnitude(e.ObjectMagnitude, e.V);
  t.CombinedMagnitude = FormatFixed(t.Combined, 2, 5);
  t.StarDiameter = FormatFixed(e.StarDiameter, 1, 3);
  const std::string ut_blank = e.UT < 10 ? " " : "";
  if (e.ObjectName == "Moon") {
    t.UT = ut_blank + FormatFixed(e.UT, 4, 7);
    t.Object = e.ObjectName;
    t.ObjectMagnitude = t.ObjectDiameter = "--";
  } else {
    t.UT = ut_blank + FormatFixed(e.UT, 1, 7);
    t.Object = "(" + FormatInt(e.ObjectNumber) + ")" + e.ObjectName;
    t.ObjectMagnitude = FormatFixed(e.ObjectMagnitude, 2, 5);
    t.ObjectDiameter = FormatFixed(e.ObjectDiameter, 1, 7);
  }
  t.Distance = FormatFixed(e.Distance, 1, 15);
  t.MagnitudeDrop = FormatFixed(e.ObjectMagnitude - t.Combined, 1, 4);
  t.ContactAngle = FormatFixed(e.ContactAngle, 1, 5);
  const double f = FresnelNumber(e.ObjectDiameter, e.Distance);
  t.FresnelNumber = FormatFixed(f, f < 10 ? 2 : f < 100 ? 1 : 0, 8);
  return t;
}
