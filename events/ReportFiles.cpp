#include "events/ReportFiles.h"

#include <cmath>

#include "base/DateText.h"
#include "base/NumberText.h"
#include "events/FixedColumns.h"
#include "events/LightCurveReportLines.h"
#include "events/TextColumns.h"

namespace {

std::string FirstBlankToUnderscore(std::string s) {
  const size_t b = s.find(' ');
  if (b != std::string::npos) s[b] = '_';
  return s;
}

// A typed name may hold a '/' ("A/B"): in a proposed file name it would
// point into a folder that does not exist and the save would fail.
std::string FileNameSafe(std::string s) {
  for (char& c : s)
    if (c == '/' || c == '\0') c = '_';
  return s;
}

}  // namespace

std::string MakeXmlFileName(const TReportLightCurveElement& e, std::string_view observer) {
  std::string name = "(" + e.ObjectNumber + ")" + e.ObjectName;
  const std::string& d = e.EventDate;
  const size_t b1 = d.find('|');
  const size_t b2 = b1 == std::string::npos ? std::string::npos : d.find('|', b1 + 1);
  std::string year = d.substr(0, b1);
  if (year.size() >= 4) year.erase(0, 2);
  const std::string month = b1 == std::string::npos ? "" : d.substr(b1 + 1, b2 == std::string::npos ? b2 : b2 - b1 - 1);
  const std::string day = b2 == std::string::npos ? "" : d.substr(b2 + 1);
  name += year + ZeroPadOne(month) + ZeroPadOne(day);
  // An hour text without a point is taken whole on both sides of "_", as
  // "10.5" gives "10_105".
  // The identification window shows an hour below 10 with a blank in front.
  const std::string h = RemoveLeadingBlanks(e.EventHour, static_cast<int>(e.EventHour.size()));
  const size_t dot = h.find('.');
  std::string joined = h;
  if (dot != std::string::npos) joined.erase(dot, 1);
  name += ZeroPadOne(h.substr(0, dot)) + "_" + joined;
  name += "-" + FirstBlankToUnderscore(std::string(observer)) + ".xml";
  return FileNameSafe(name);
}

std::string MakeLightCurveFileName(const TReportLightCurveElement& e) {
  std::string object;
  if (e.Kind == ReportKind::Asteroid) {
    const size_t c = e.ObjectLabel.find(':');
    if (c != std::string::npos && c > 0) object = e.ObjectLabel.substr(0, c);
  } else {
    object = e.Catalogue == "XZ80Q" ? "X" : e.Catalogue == "SAO" ? "S" : "";
    object += e.StarNumber;
  }
  long double second = ParseDoubleOr(e.StartS, 0);
  std::string hour = e.StartH, minute = e.StartM;
  std::string d = StartDateText(e);
  // 59.96 s rounds to the next minute, not to a second "60", and
  // 23:59:59.96 (or 24:00:01 of a table counting on past midnight) is the
  // next day's 00:00, not hour 24.
  const auto h = ParseInt64(hour), m = ParseInt64(minute);
  if (h && m) {
    const LightCurveClock c = ReportTimeOfDay(*h, *m, second, 1, 18);
    if (c.Clock.Carried || c.Days > 0) {
      d = DateDaysOn(d, c.Days);
      hour = FormatInt(c.Clock.Hour);
      minute = FormatInt(c.Clock.Minute);
      second = c.Clock.Second;
    }
  }
  const size_t m1 = d.find('-');
  const size_t m2 = m1 == std::string::npos ? std::string::npos : d.find('-', m1 + 1);
  const std::string year = m1 == std::string::npos ? "0000" : FourDigitYearText(d.substr(0, m1));
  const std::string month =
      m1 == std::string::npos ? "00" : d.substr(m1 + 1, m2 == std::string::npos ? m2 : m2 - m1 - 1);
  const std::string day = m2 == std::string::npos ? "" : d.substr(m2 + 1);
  const std::string date = year + ZeroPadOne(month) + ZeroPadOne(day);

  const std::string rounded = FormatFixed(second, 1, 18);
  std::string whole = rounded.substr(0, rounded.find('.'));
  if (ParseDoubleOr(rounded, 0) < 10) whole = "0" + whole;
  const std::string time = ZeroPadOne(hour) + ZeroPadOne(minute) + whole + "_";
  if (e.Kind == ReportKind::Asteroid)
    return FileNameSafe("(" + object + ")_" + date + "_" + time + FirstBlankToUnderscore(e.Observer) + ".dat");
  return FileNameSafe(object + "_" + date + "_" + time + ".dat");
}

CameraSettings ParseCameraSettings(const std::vector<std::string>& lines) {
  CameraSettings s;
  for (const std::string& line : lines) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq + 1);
    std::string value = line.substr(eq + 1);
    if (key == "Binning=" || key == "Capture Area=" || key == "High Speed Mode=" || key == "Gain=" ||
        key == "Brightness=" || key == "Exposure=")
      ++s.KeysFound;
    if (key == "Binning=")
      s.Binning = value;
    else if (key == "Capture Area=")
      s.CaptureArea = value;
    else if (key == "High Speed Mode=")
      s.HighSpeedMode = value;
    else if (key == "Gain=")
      s.Gain = value;
    else if (key == "Brightness=")
      s.Brightness = value;
    else if (key == "Exposure=") {
      const size_t m = value.find('m');
      if (m == std::string::npos) continue;
      value.erase(m);
      // Only decimals lose their trailing zeros: "100ms" stays 100.
      if (value.find('.') != std::string::npos)
        while (value.size() >= 2 && value.back() == '0' && value[value.size() - 2] != '.') value.pop_back();
      s.Exposure = value;
    }
  }
  return s;
}
