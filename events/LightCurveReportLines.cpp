#include "events/LightCurveReportLines.h"

#include <array>
#include <charconv>
#include <cmath>

#include "base/DateText.h"
#include "base/NumberText.h"

bool ReportAllowed(const TReportLightCurveElement& e, const TAsteroidTiming& timing) {
  return !(e.Kind == ReportKind::Asteroid && timing.EntryCount < 2);
}

namespace {

// The six slots HIP, SAO, XZ80Q, Kepler2, TYC, UCAC4; `third` and `fifth`
// name the catalogues that fill slots 3 and 5.
std::string StarLine(const TReportLightCurveElement& e, bool preview) {
  std::string cat = e.Catalogue;
  if (!preview && cat == "XZ") cat = "XZ80Q";
  const std::array<std::string, 6> empty = {"0", "0", "0", "0", "0-0-0", "0-0"};
  std::array<std::string, 6> slot = empty;
  int index = -1;
  if (cat == "HIP") index = 0;
  else if (cat == "SAO") index = 1;
  // A "ZC" star here has no XZ number (one with it is stored as XZ80Q): its
  // ZC number in the XZ80Q slot would name another star, so no slot holds it.
  else if (cat == "XZ80Q") index = 2;
  else if (cat == "Kepler2") index = 3;
  else if (preview ? cat == "Tycho2" : cat == "TYC") index = 4;
  else if (cat == "UCAC4") index = 5;
  if (index >= 0) slot[static_cast<size_t>(index)] = e.StarNumber;
  std::string line = "Star: ";
  for (size_t i = 0; i < slot.size(); ++i) {
    line += slot[i];
    if (i + 1 < slot.size()) line += ": ";
  }
  return line;
}

}  // namespace

LightCurveClock ReportTimeOfDay(int64_t hour, int64_t minute, long double second, int decimals, int precision) {
  LightCurveClock r{CarryRoundedSeconds(hour, minute, second, decimals, precision), 0};
  if (r.Clock.Hour >= 24) {
    r.Days = static_cast<int>(r.Clock.Hour / 24);
    r.Clock.Hour %= 24;
  }
  return r;
}

std::string StartDateText(const TReportLightCurveElement& e) { return DateDaysOn(e.RecordingDate, e.StartDays); }

std::string LightCurveStarLine(const TReportLightCurveElement& e) { return StarLine(e, false); }

std::string LightCurveObserverLine(const TReportLightCurveElement& e) {
  return "Observer: " + e.LongitudeD + ":" + e.LongitudeM + ":" + e.LongitudeS + ": " + e.LatitudeD + ":" +
         e.LatitudeM + ":" + e.LatitudeS + ": " + e.Altitude + ": " + e.Observer;
}

namespace {

std::string LunarObjectLine(const TReportLightCurveElement& e) {
  std::string line = "Object: Moon: ";
  for (size_t i = 0; i < e.LunarValues.size(); ++i) {
    line += e.LunarValues[i];
    if (i + 1 < e.LunarValues.size()) line += ": ";
  }
  return line;
}

// The value rounded to a whole number, halves to even. Beyond the 64-bit
// range a double is whole already: its digits, not a saturated integer.
std::string WholeNumberText(double v) {
  if (std::fabs(v) < 9e18 || !std::isfinite(v)) return FormatInt(RoundHalfEven(v));
  char text[400];
  const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
  return std::string(text, r.ptr);
}

}  // namespace

TReportLightCurveData MakeReportLines(TReportLightCurveElement& e) {
  auto to_int = [](const std::string& s) { return ParseInt64(s).value_or(0); };
  auto to_real = [](const std::string& s) { return ParseLongDouble(s).value_or(0.0L); };
  const int64_t h1 = to_int(e.StartH), m1 = to_int(e.StartM), h2 = to_int(e.EndH), m2 = to_int(e.EndM);
  const long double s1 = to_real(e.StartS), s2 = to_real(e.EndS);
  auto write = [](int64_t h, int64_t m, long double s, std::string& ht, std::string& mt, std::string& st) {
    const LightCurveClock c = ReportTimeOfDay(h, m, s, 2, 6);
    st = c.Clock.SecondText;
    ht = FormatInt(c.Clock.Hour);
    mt = FormatInt(c.Clock.Minute);
    return c.Days;
  };
  // Written once, the start's time is of its own day: a later report without
  // a redraw finds it so and adds nothing.
  e.StartDays += write(h1, m1, s1, e.StartH, e.StartM, e.StartS);
  write(h2, m2, s2, e.EndH, e.EndM, e.EndS);
  long double span = (h2 * 3600 + m2 * 60 + s2) - (h1 * 3600 + m1 * 60 + s1);
  // A recording that runs past midnight ends at a smaller time of day.
  if (span < 0) span += 86400;
  e.Duration = FormatFixed(span, 2, 6);

  TReportLightCurveData d;
  d.Lines[0] = "Date: " + StartDateText(e) + " " + e.StartH + ":" + e.StartM + ":" + e.StartS + ": " + e.Duration +
               ": " + FormatInt(e.ValueCount);
  d.Lines[1] = StarLine(e, false);
  d.Lines[2] = LightCurveObserverLine(e);
  d.Lines[3] = e.Kind == ReportKind::Lunar ? LunarObjectLine(e) : "Object: Asteroid: " + e.ObjectLabel;
  std::string values = "Values";
  for (int32_t i = 0; i < e.ValueCount; ++i) {
    const double v = i < static_cast<int32_t>(e.Values.size()) ? e.Values[static_cast<size_t>(i)] : 0.0;
    values += ":" + WholeNumberText(v);
  }
  d.Lines[4] = values;
  return d;
}

std::vector<std::string> ReportDisplayLines(const TReportLightCurveData& data) {
  std::vector<std::string> out(data.Lines.begin(), data.Lines.begin() + 4);
  const std::string& v = data.Lines[4];
  std::string current;
  int pieces = 0;
  size_t start = 0;
  while (start < v.size()) {
    size_t colon = v.find(':', start);
    const size_t end = colon == std::string::npos ? v.size() : colon + 1;
    current += v.substr(start, end - start);
    start = end;
    if (++pieces == 50) {
      out.push_back(current);
      current.clear();
      pieces = 0;
    }
  }
  if (pieces > 0) out.push_back(current);
  return out;
}

std::vector<std::string> ReportPreviewLines(const TReportLightCurveElement& e) {
  return {"Date: " + e.RecordingDate + " ", StarLine(e, true), LightCurveObserverLine(e), LunarObjectLine(e)};
}
