#include "events/ObservationReport.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <optional>
#include <utility>

#include "base/NumberText.h"
#include "base/TextTools.h"
#include "events/TimingList.h"
#include "timestamp/TickStamp.h"

std::string ReportCatalogue(std::string_view typed, const TReportLightCurveElement& e) {
  if (typed == "TYC") return "Tycho2";
  if (typed == "HIP" || typed == "UCAC4") return std::string(typed);
  return e.Catalogue;
}

bool IsDecimalNumberText(std::string_view s) {
  if (s.empty() || s.front() == '.' || s.back() == '.') return false;
  int points = 0;
  for (char c : s) {
    if (c == '.')
      ++points;
    else if (c < '0' || c > '9')
      return false;
  }
  return points <= 1;
}

bool IsDigitsAndPoints(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c != '.' && (c < '0' || c > '9')) return false;
  return true;
}

std::string TodayUtcBarDate() {
  const auto days = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
  const std::chrono::year_month_day ymd{days};
  return FormatInt(static_cast<int>(ymd.year())) + "|" + FormatInt(static_cast<unsigned>(ymd.month())) + "|" +
         FormatInt(static_cast<unsigned>(ymd.day()));
}

namespace {

// Inserted texts may hold '&', '<' or '>', which would break the XML.
std::string Esc(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

std::string FirstChar(std::string_view s) { return s.empty() ? std::string(" ") : std::string(1, s.front()); }

std::string WithoutCode(std::string_view s) { return s.size() >= 2 ? std::string(s.substr(2)) : std::string(); }

// Only a leading zero of a two-digit text goes: an hour "0" typed into an
// event row is hour 0, not an empty field.
std::string XmlTwoDigits(std::string_view s) {
  std::string t(s);
  if (t.size() > 1 && t.front() == '0') t.erase(0, 1);
  if (t.size() == 1) t = " " + t;
  return t;
}

std::string XmlSeconds(std::string_view s) {
  std::string t(s);
  if (t.empty()) return t;
  const auto v = ParseLongDouble(t);
  if (v && RoundHalfEven(*v) < 10) {
    if (t.size() > 1 && t[0] == '0' && t[1] >= '0' && t[1] <= '9') t.erase(0, 1);
    t = " " + t;
  }
  return t;
}

struct Categories {
  // List positions (0-based) of the first four entries of each category:
  // normal D, normal R, minor D, minor R.
  std::array<std::vector<int>, 4> Pos;
};

Categories Sort(const TAsteroidTiming& t) {
  Categories c;
  for (int i = 0; i < ValidCount(t); ++i) {
    const TAsteroidEachEventTime& e = t.Entries[static_cast<size_t>(i)];
    const size_t k = (IsMinor(e) ? 2 : 0) + (IsDisappearance(e) ? 0 : 1);
    if (c.Pos[k].size() < 4) c.Pos[k].push_back(i);
  }
  return c;
}

// A joined site text ("+135 30 15.0") as its degrees, minutes and seconds;
// nothing without two blanks.
struct SiteParts {
  std::string Degrees, Minutes, Seconds;
};
std::optional<SiteParts> SplitSite(std::string_view joined) {
  const size_t b1 = joined.find(' ');
  const size_t b2 = b1 == std::string_view::npos ? b1 : joined.find(' ', b1 + 1);
  if (b2 == std::string_view::npos) return std::nullopt;
  return SiteParts{std::string(joined.substr(0, b1)), std::string(joined.substr(b1 + 1, b2 - b1 - 1)),
                   std::string(joined.substr(b2 + 1))};
}

// Map coordinates west or south come with every part negative ("-5 -30
// -15.0"); a report carries the sign on the degrees only, so a minus on the
// minutes or seconds moves to the degrees.
std::string SignOnDegrees(std::string_view joined) {
  std::optional<SiteParts> p = SplitSite(joined);
  if (!p || !(p->Minutes.starts_with('-') || p->Seconds.starts_with('-'))) return std::string(joined);
  auto& [deg, min, sec] = *p;
  if (min.starts_with('-')) min.erase(0, 1);
  if (sec.starts_with('-')) sec.erase(0, 1);
  if (deg.starts_with('+'))
    deg[0] = '-';
  else if (!deg.starts_with('-'))
    deg.insert(0, 1, '-');
  return deg + " " + min + " " + sec;
}

// No '|', which separates the report's fields, and no control character.
bool XmlFieldText(std::string_view s) {
  for (const char c : s)
    if (c == '|' || (static_cast<unsigned char>(c) < 0x20 && c != '\t')) return false;
  return true;
}

double EntrySn(const TAsteroidEachEventTime& e) {
  if (e.Approximate || !IsDecimalNumberText(Sn(e))) return -1;
  return ParseDoubleOr(Sn(e), -1);
}

}  // namespace

std::string XmlReportUnsafeInput(const TReportLightCurveElement& e, const ReportFormInputs& in) {
  const std::string catalogue = ReportCatalogue(in.Catalogue, e);
  const std::pair<const char*, const std::string*> inputs[] = {
      {"event hour", &e.EventHour},       {"catalogue", &catalogue},        {"star number", &in.StarNumber},
      {"asteroid number", &e.ObjectNumber}, {"asteroid name", &e.ObjectName}, {"observer", &in.Observer},
      {"co-observer", &in.CoObserver},    {"site", &in.Site},               {"country code", &in.Country},
      {"longitude", &e.Longitude},        {"latitude", &e.Latitude},        {"altitude", &e.Altitude},
      {"remarks", &in.Remarks}};
  for (const auto& [name, text] : inputs)
    if (!XmlFieldText(*text)) return name;
  return {};
}

std::string XmlReportUnsafeEvent(const TAsteroidTiming& timing) {
  for (int i = 0; i < ValidCount(timing); ++i) {
    const TAsteroidEachEventTime& e = timing.Entries[static_cast<size_t>(i)];
    if (!XmlFieldText(Hour(e)) || !XmlFieldText(Minute(e)) || !XmlFieldText(Second(e)))
      return "time of event " + FormatInt(i + 1);
    if (!XmlFieldText(e.Error)) return "error of event " + FormatInt(i + 1);
  }
  return {};
}

namespace {

// Every blank-separated part is a signed number or a lone sign (a part not typed yet).
bool NumbersOrNothing(std::string_view s) {
  size_t at = 0;
  while (at < s.size()) {
    const size_t end = std::min(s.find(' ', at), s.size());
    std::string_view part = s.substr(at, end - at);
    at = end + 1;
    if (part == "+" || part == "-" || part.empty()) continue;
    if (!ParseLongDouble(part)) return false;
  }
  return true;
}

}  // namespace

std::string XmlReportNoNumber(const TReportLightCurveElement& e, const TAsteroidTiming& timing) {
  if (!NumbersOrNothing(e.Longitude)) return "longitude";
  if (!NumbersOrNothing(e.Latitude)) return "latitude";
  if (!NumbersOrNothing(e.Altitude)) return "altitude";
  for (int i = 0; i < ValidCount(timing); ++i) {
    const TAsteroidEachEventTime& t = timing.Entries[static_cast<size_t>(i)];
    if (t.Approximate) continue;
    if (!NumbersOrNothing(Hour(t)) || !NumbersOrNothing(Minute(t)) || !NumbersOrNothing(Second(t)))
      return "time of event " + FormatInt(i + 1);
  }
  return {};
}

std::string XmlReportNoTimeOfDay(const TAsteroidTiming& timing) {
  // A part not typed yet is left to the reader; one that is no number is
  // named by XmlReportNoNumber.
  auto within = [](std::string_view part, long double below, bool whole) {
    const auto v = ParseLongDouble(part);
    return !v || (*v >= 0 && *v < below && (!whole || *v == std::floor(*v)));
  };
  for (int i = 0; i < ValidCount(timing); ++i) {
    const TAsteroidEachEventTime& t = timing.Entries[static_cast<size_t>(i)];
    if (t.Approximate) continue;
    if (!within(Hour(t), 24, true) || !within(Minute(t), 60, true) || !within(Second(t), 60, false))
      return "time of event " + FormatInt(i + 1);
  }
  return {};
}

std::vector<std::string> BuildXmlReport(const TAsteroidTiming& timing, const TReportLightCurveElement& e,
                                        const ReportFormInputs& in, std::string_view last_edited) {
  std::vector<std::string> out;
  out.push_back("<Observations>");
  out.push_back("  <Event>");
  // The guide shows an hour below 10 with a blank in front; readers of the
  // file take the field as it stands.
  out.push_back("    <Date>" + Esc(e.EventDate) + "|" + Esc(TrimBlanks(e.EventHour)) + "</Date>");
  out.push_back("    <Details>");
  out.push_back("      <Star>" + Esc(ReportCatalogue(in.Catalogue, e)) + "|" + Esc(in.StarNumber) +
                "|0||0.0000000000|0.000000000|0.00|0.00|0.00|0|0.00000000|0.0000000|25.00|25.00|25.00|0</Star>");
  out.push_back(
      "      <Asteroid>" + Esc(e.ObjectNumber) + "|" + Esc(e.ObjectName) +
      "|0.00000000|0.00000000|0.0000000|0.0000000|0.0000000|0.0000000|1.00000|0.00000|0.0|1.0|20.00</Asteroid>");
  out.push_back("    </Details>");
  out.push_back("    <Observations>");

  const std::string datum = in.DatumIndex <= 0 ? " " : FirstChar(in.DatumText);
  const std::string aperture = IsDigitsAndPoints(in.Aperture) ? in.Aperture : " ";
  const std::string telescope = in.TelescopeIndex <= 0 ? " " : FormatInt(in.TelescopeIndex);
  const std::string id = "|" + Esc(in.Observer) + "|" + Esc(in.CoObserver) + "|0|" + Esc(in.Site) + "|" +
                         Esc(in.Country) + "|" + Esc(SignOnDegrees(e.Longitude)) + "|" +
                         Esc(SignOnDegrees(e.Latitude)) + "|" + Esc(e.Altitude) +
                         "|" + datum + "|" + aperture + "|" + telescope + "|" + FirstChar(in.RecordingText) + "|" +
                         FirstChar(in.TimeKeepingText) + "</ID>";

  const Categories cat = Sort(timing);
  int block = 0;
  auto write_block = [&](int d_pos, int r_pos, bool third) {
    const TAsteroidEachEventTime& d = timing.Entries[static_cast<size_t>(d_pos)];
    const TAsteroidEachEventTime& r = timing.Entries[static_cast<size_t>(r_pos)];
    ++block;
    const double s1 = EntrySn(d), s2 = EntrySn(r);
    std::string sn;
    if (s1 != -1 && s2 != -1)
      sn = FormatFixed((s1 + s2) / 2, 2, 8);
    else if (s1 != -1)
      sn = FormatFixed(s1, 2, 8);
    else if (s2 != -1)
      sn = FormatFixed(s2, 2, 8);
    out.push_back("      <Observer>");
    out.push_back("        <ID>" + FormatInt(block) + id);
    out.push_back("        <Conditions>" + FirstChar(in.StabilityText) + "|" + FirstChar(in.TransparencyText) + "|" +
                  sn + "||" + Esc(in.Remarks) + "</Conditions>");
    if (d.Approximate) {
      static constexpr std::array<const char*, 4> kMinorLetter{"", "d", "G", "N"};
      const int k = in.MinorKind;
      if (!third)
        out.push_back("        <D>        . |D|||| </D>");
      else if (k >= 1 && k <= 3)
        out.push_back(std::string("        <D>        . |") + kMinorLetter[static_cast<size_t>(k)] + "|||| </D>");
    } else {
      out.push_back("        <D>" + Esc(XmlTwoDigits(Hour(d))) + " " + Esc(XmlTwoDigits(Minute(d))) + " " +
                    Esc(XmlSeconds(Second(d))) + "|D|" + Esc(d.Error) + "||| </D>");
    }
    if (r.Approximate)
      out.push_back("        <R>        . |R|||| </R>");
    else
      out.push_back("        <R>" + Esc(XmlTwoDigits(Hour(r))) + " " + Esc(XmlTwoDigits(Minute(r))) + " " +
                    Esc(XmlSeconds(Second(r))) + "|R|" + Esc(r.Error) + "||| </R>");
    out.push_back("      </Observer>");
  };
  if (ValidCount(timing) > 0) {
    const auto& p = cat.Pos;
    if (!p[0].empty() && !p[1].empty()) write_block(p[0][0], p[1][0], false);
    if (p[0].size() == 2 && p[1].size() == 2) write_block(p[0][1], p[1][1], false);
    if (!p[2].empty() && !p[3].empty()) write_block(p[2][0], p[3][0], true);
  }
  out.push_back("    </Observations>");
  out.push_back("    <LastEdited>" + std::string(last_edited) + "</LastEdited>");
  out.push_back("  </Event>");
  out.push_back("</Observations>");
  return out;
}

std::string FormatLongLat(std::string_view joined_text, bool latitude) {
  if (joined_text.size() < 5) return std::string(joined_text);
  const std::string joined = SignOnDegrees(joined_text);
  std::optional<SiteParts> p = SplitSite(joined);
  if (!p) return joined;
  auto& [deg, min, sec] = *p;
  const bool positive = !deg.empty() && deg.front() == '+';
  if (!deg.empty() && (deg.front() == '+' || deg.front() == '-')) deg.erase(0, 1);
  const char* hemisphere = latitude ? (positive ? "N" : "S") : (positive ? "E" : "W");
  return PadLeft(deg, 3) + "o" + min + "'" + sec + "\"  " + hemisphere;
}

namespace {

std::string BlankPadOne(std::string_view s) { return s.size() == 1 ? " " + std::string(s) : std::string(s); }

std::string TickTime(int64_t ticks) {
  // Ticks before year 1 have no calendar time.
  if (ticks < 0) return {};
  const TicksDateTime p = TicksToDateTime(ticks);
  const int64_t second = RoundHalfEven(static_cast<long double>(p.rest) / kTicksPerSecond);
  // 59.5 s and more round up to the next minute, not to "60s"; the ticks
  // carry a date, so the next day starts at 0h.
  const CarriedClock c = CarryRoundedSeconds(p.hour, p.minute, second, 0, 18);
  return FormatInt(c.Hour % 24) + "h" + FormatInt(c.Minute) + "m" + c.SecondText + "s";
}

std::string MeasuredExposure(double rate) {
  if (!(rate > 0)) return "---";
  const long double ms = 1000.0L / rate;
  const int decimals = ms >= 100 ? 0 : ms >= 10 ? 1 : ms >= 1 ? 2 : 3;
  return FormatFixed(ms, decimals, 18);
}

}  // namespace

std::vector<std::string> BuildTextReport(const TAsteroidTiming& timing, const TReportLightCurveElement& e,
                                         const ReportFormInputs& in, const ReportClock& clock) {
  static const std::string kBlankLabel(14, ' ');
  std::vector<std::string> out;
  out.push_back("**************  Asteroid occultation Report  **************");
  out.push_back("");
  std::string year, month, day;
  const std::string& d = e.EventDate;
  const size_t b1 = d.find('|');
  if (b1 != std::string::npos) {
    year = d.substr(0, b1);
    const size_t b2 = d.find('|', b1 + 1);
    if (b2 != std::string::npos) {
      month = d.substr(b1 + 1, b2 - b1 - 1);
      day = d.substr(b2 + 1);
    }
  }
  out.push_back("[Date      ]  " + year + "." + BlankPadOne(month) + "." + BlankPadOne(day) + "  [Approx hour]  " +
                e.EventHour);
  out.push_back("[Star      ]  " + ReportCatalogue(in.Catalogue, e) + " " + in.StarNumber);
  out.push_back("[Asteroid  ]  (" + e.ObjectNumber + ")" + e.ObjectName);
  out.push_back("");
  out.push_back("[Observer  ]  1: " + in.Observer + "  2: " + in.CoObserver);
  out.push_back("[Location  ]  " + in.Site + ", " + in.Country);
  out.push_back("[Longitude ]  " + FormatLongLat(e.Longitude, false));
  out.push_back("[Latitude  ]  " + FormatLongLat(e.Latitude, true));
  out.push_back("[Altitude  ]  " + e.Altitude + "m");
  out.push_back("[Datum     ]  " + in.DatumText);
  out.push_back("");
  const int count = ValidCount(timing);
  if (count == 0) out.push_back("[Event time]  No occultation has been detected.");
  for (int i = 0; i < count; ++i) {
    const TAsteroidEachEventTime& t = timing.Entries[static_cast<size_t>(i)];
    if (t.Approximate) continue;
    std::string line = (i == 0 ? std::string("[Event time]  ") : kBlankLabel) + (IsDisappearance(t) ? "D: " : "R: ");
    line += BlankPadOne(Hour(t)) + "h" + BlankPadOne(Minute(t)) + "m" + Second(t) + "s +/- " + t.Error +
            "s (UTC)  S/N=" + Sn(t);
    if (IsMinor(t)) {
      static constexpr std::array<const char*, 4> kMinor{"", "* 2nd star", " * Satellite", " * Ring"};
      if (in.MinorKind >= 0 && in.MinorKind <= 3) line += kMinor[static_cast<size_t>(in.MinorKind)];
    }
    // An event added without a fit has no contact angle.
    const std::string angle = t.ContactAngle.empty() ? "0.0" : t.ContactAngle;
    if (angle != "0.0") line += "  Ctt=" + angle + " ";
    out.push_back(line);
  }
  out.push_back("");
  const bool ticks = clock.TimeStampMode == 3;
  out.push_back("[Recorded  ]  From  " + (ticks ? TickTime(clock.FirstFrameTicks) : std::string()));
  out.push_back("              To    " + (ticks ? TickTime(clock.LastFrameTicks) : std::string()));
  if (count > 0) {
    out.push_back("");
    for (int i = 0; i < count; ++i) {
      const TAsteroidEachEventTime& t = timing.Entries[static_cast<size_t>(i)];
      out.push_back((i == 0 ? std::string("[Mag. drop ]  ") : kBlankLabel) + (IsDisappearance(t) ? "D: " : "R: ") +
                    "Measured: " + t.MeasuredDrop + " ; " + "Predicted: " + t.PredictedDrop);
    }
  }
  out.push_back("");
  out.push_back("[Telescope ]  Aperture: " + (IsDigitsAndPoints(in.Aperture) ? in.Aperture : std::string(" ")) +
                "cm   Type: " + in.TelescopeText + "   F=" + in.FNumber);
  out.push_back("[Camera    ]  " + WithoutCode(in.RecordingText) + " ,  Model= " + in.CameraModel);
  out.push_back("[Exposure  ]  Set: " + in.Exposure + "msec,  Measure: " + MeasuredExposure(clock.TimingFrameRate) +
                "msec");
  out.push_back("[Setting   ]  Area: " + in.CaptureArea + "  ;  Binning=" + in.Binning);
  out.push_back("              Gain: " + in.Gain + "  ;  Brightness: " + in.Brightness +
                "  ;  High Speed Mode: " + in.HighSpeedMode);
  out.push_back("[Time keep ]  " + WithoutCode(in.TimeKeepingText) + "  ;  Model: " + in.TimeKeepingModel);
  out.push_back("[Evidence  ]  GPS Time Log : " + in.TimeLog + "  ;  Screen shot: " + in.EvidenceShot);
  out.push_back("");
  out.push_back("[Condition ]  Stability: " + WithoutCode(in.StabilityText) +
                "  Transparency: " + WithoutCode(in.TransparencyText));
  out.push_back("[Remarks   ]  " + in.Remarks);
  out.push_back("");
  out.push_back("[Additional comment] ");
  out.push_back("");
  out.push_back("");
  out.push_back("");
  out.push_back("***********************************************************");
  return out;
}

std::optional<std::string> WithLimbSlope(std::string_view line, std::string_view slope) {
  if (line.substr(0, 12) != "Object: Moon") return std::nullopt;
  // Past "Object: Moon: ", three values with their ": ", then the slope.
  size_t pos = std::min<size_t>(14, line.size());
  for (int i = 0; i < 3 && pos < line.size(); ++i) {
    const size_t sep = line.find(": ", pos);
    pos = sep == std::string_view::npos ? line.size() : sep + 2;
  }
  const size_t slope_end = line.find(": ", pos);
  const std::string_view rest = slope_end == std::string_view::npos ? std::string_view{} : line.substr(slope_end + 2);
  return std::string(line.substr(0, pos)) + std::string(slope) + ": " + std::string(rest);
}
