#include "events/EventIdentification.h"

#include <algorithm>
#include <cmath>

#include "base/CsvFields.h"
#include "base/DateText.h"
#include "base/NumberText.h"
#include "base/TextTools.h"

std::vector<double> ObjectAValues(const std::vector<std::string>& lines, int header_lines, int n_rows) {
  std::vector<double> v;
  for (int k = 0; k <= n_rows; ++k) {
    const int i = header_lines + k;
    if (i < 0 || i >= static_cast<int>(lines.size())) break;
    v.push_back(ParseDoubleOr(GetCsvCell(lines[static_cast<size_t>(i)], 11), 0));
  }
  return v;
}

int FindEventRecord(const std::vector<double>& values) {
  double rise = 0, drop = 0;
  int rise_at = 0, drop_at = 0;
  for (size_t k = 1; k < values.size(); ++k) {
    const double d = values[k] - values[k - 1];
    if (d > rise) rise = d, rise_at = static_cast<int>(k) - 1;
    if (-d > drop) drop = -d, drop_at = static_cast<int>(k) - 1;
  }
  return 2 * drop >= rise ? drop_at : rise_at;
}

AsteroidTitles AsteroidIdentificationTexts(const Occelmnt_Format& e, std::string_view video_date,
                                           std::string_view observer) {
  AsteroidTitles t;
  const std::string w(observer);
  if (e.ObjectName == "Moon") {
    t.Title = e.Date + "; " + e.Star + " Observed by " + w;
    return t;
  }
  const std::string n = FormatInt(e.ObjectNumber);
  t.Title = e.Date + "; (" + n + ") " + e.ObjectName + " occults " + e.Star + " Observed by " + w;
  std::string name;
  for (char c : e.ObjectName)
    if (c != ' ') name += c;
  std::string who = w;
  const size_t blank = who.find(' ');
  if (blank == std::string::npos) who = "_" + who;
  else who[blank] = '_';
  t.Code = std::string(video_date) + "-(" + n + ") " + name + "-" + who;
  // The code is proposed as the name of the saved table and picture: a "/"
  // of a comet's designation or in the observer's name would make it a folder.
  std::replace(t.Code->begin(), t.Code->end(), '/', '_');
  return t;
}

std::string ReportEventDate(std::string_view date) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= date.size()) {
    size_t b = date.find(' ', start);
    if (b == std::string_view::npos) b = date.size();
    if (b > start) parts.emplace_back(date.substr(start, b - start));
    start = b + 1;
  }
  parts.resize(std::max<size_t>(parts.size(), 3));
  std::string month = parts[1], day = parts[2];
  bool known = false;
  for (int m = 1; m <= 12; ++m)
    if (month == MonthAbbreviation(m)) month = FormatInt(m), known = true;
  if (!known) day.clear();
  return parts[0] + "|" + month + "|" + day;
}

std::string SignedDegreesText(std::string_view d) {
  // Degrees typed or shown with their "+" already keep it: "++135" would
  // read as no number.
  return !d.empty() && (d[0] == '-' || d[0] == '+') ? std::string(d) : "+" + std::string(d);
}

void StoreSitePosition(TReportLightCurveElement& r, const std::array<std::string, 3>& longitude,
                       const std::array<std::string, 3>& latitude) {
  r.LongitudeD = SignedDegreesText(longitude[0]);
  r.LongitudeM = longitude[1];
  r.LongitudeS = longitude[2];
  r.LatitudeD = SignedDegreesText(latitude[0]);
  r.LatitudeM = latitude[1];
  r.LatitudeS = latitude[2];
}

void JoinSitePosition(TReportLightCurveElement& r) {
  r.Longitude = r.LongitudeD + " " + r.LongitudeM + " " + r.LongitudeS;
  r.Latitude = r.LatitudeD + " " + r.LatitudeM + " " + r.LatitudeS;
}

std::pair<std::string, std::string> StarCatalogueOf(std::string_view star) {
  auto from = [&](size_t pos1) { return std::string(star.size() >= pos1 ? star.substr(pos1 - 1) : ""); };
  if (star.rfind("HIP", 0) == 0) return {"HIP", from(5)};
  if (star.rfind("TYC", 0) == 0) return {"TYC", from(5)};
  if (star.rfind("UCAC4", 0) == 0) return {"UCAC4", from(7)};
  // Lunar stars keep their own catalogues; a lunar XZ is reported as XZ80Q.
  auto after = [&](std::string_view prefix) { return std::string(TrimBlanks(star.substr(prefix.size()))); };
  if (star.rfind("ZC", 0) == 0) return {"ZC", after("ZC")};
  if (star.rfind("SAO", 0) == 0) return {"SAO", after("SAO")};
  if (star.rfind("XZ80Q", 0) == 0) return {"XZ80Q", after("XZ80Q")};
  if (star.rfind("XZ", 0) == 0) return {"XZ80Q", after("XZ")};
  const size_t blank = star.find(' ');
  return {"Kepler2", blank == std::string_view::npos ? std::string(star) : std::string(star.substr(blank + 1))};
}

std::string JoinSite(const std::array<std::string, 9>& t) {
  std::string s = t[0];
  for (size_t k = 1; k < t.size(); ++k) s += ":" + t[k];
  return s;
}

std::array<std::string, 9> SplitSite(std::string_view value) {
  std::array<std::string, 9> t;
  // The site name is the one text that may hold ":" itself: with more
  // separators than eight, it runs up to the last one.
  const bool long_site = std::count(value.begin(), value.end(), ':') > 8;
  size_t k = 0;
  while (k < (long_site ? 7 : 8)) {
    const size_t c = value.find(':');
    if (c == std::string_view::npos) break;
    t[k++] = std::string(value.substr(0, c));
    value.remove_prefix(c + 1);
  }
  if (long_site) {
    const size_t c = value.rfind(':');
    t[k] = std::string(value.substr(0, c));
    value.remove_prefix(c + 1);
  }
  t[8] = std::string(value);
  return t;
}

namespace {

std::array<std::string, 3> DegreesMinutesSeconds(double v) {
  // Counted in whole tenths of an arcsecond, truncated toward zero; a hair
  // below a tenth counts as the tenth, so 139.7 (binary 139.69999...) is
  // 139 42 0.0, not 139 41 60.0.
  const double sign = v < 0 ? -1 : 1;
  const double n = std::trunc(std::fabs(v) * 36000 + 1e-6);
  const double deg = sign * std::trunc(n / 36000);
  const double min = sign * std::trunc(std::fmod(n, 36000) / 600);
  const double tenths = sign * std::fmod(n, 600) / 10;
  // The degrees carry the sign into the record: less than a degree west or
  // south is "-0", not "0", which would read as east or north.
  const std::string deg_text = v < 0 && deg == 0 ? "-0" : FormatInt(TruncateToInt(deg));
  return {deg_text, FormatInt(TruncateToInt(min)), FormatFixed(tenths, 1, 5)};
}

}  // namespace

std::optional<MapPosition> MapCoordinates(std::string_view text) {
  std::string s;
  for (char c : text)
    if (c != ' ') s += c;
  const size_t comma = s.find(',');
  if (s.size() <= 7 || comma == std::string::npos) return std::nullopt;
  const auto lat = ParseDouble(std::string_view(s).substr(0, comma));
  const auto lon = ParseDouble(std::string_view(s).substr(comma + 1));
  if (!lat || !lon || *lat == 1000 || *lon == 1000) return std::nullopt;
  return MapPosition{DegreesMinutesSeconds(*lat), DegreesMinutesSeconds(*lon)};
}

std::optional<std::string> AcceptVideoYear(std::string_view text) {
  const auto y = ParseInt32(text);
  if (!y || *y < 1989 || *y > 2087) return std::nullopt;
  return FormatInt(*y >= 2000 ? *y - 2000 : *y - 1900);
}

std::optional<int> AcceptInteger(std::string_view text, int min, int max) {
  const auto v = ParseInt32(text);
  if (!v || *v < min || *v > max) return std::nullopt;
  return *v;
}

std::optional<double> AcceptSecond(std::string_view text) {
  const auto v = ParseDouble(text);
  if (!v || *v < 0 || *v >= 60) return std::nullopt;
  // Shown with four decimals: 59.99999 would read as 60.0000.
  if (ParseDoubleOr(FormatFixed(*v, 4, 8), 60) >= 60) return std::nullopt;
  return *v;
}

std::string VideoYearFromStamp(std::string_view year2) {
  const auto y = ParseInt32(year2);
  if (!y || *y == 88) return {};
  return FormatInt(YearOfTwoDigits(*y));
}

std::string VideoDayOrMonthFromStamp(std::string_view text) {
  const auto v = ParseInt32(text);
  if (!v || *v >= 60) return {};
  return FormatInt(*v);
}

std::optional<double> AcceptColourIndex(std::string_view text) {
  const auto v = ParseDouble(text);
  if (text.size() < 4 || !v || !(*v > -0.6 && *v < 3)) return std::nullopt;
  return *v;
}

std::optional<double> ColourIndexFromEdits(std::string_view b, std::string_view v) {
  const auto bv = ParseDouble(b), vv = ParseDouble(v);
  if (b.size() < 4 || v.size() < 4 || !bv || !vv) return std::nullopt;
  const double d = *bv - *vv;
  if (!(d > -0.6 && d < 3)) return std::nullopt;
  return d;
}
