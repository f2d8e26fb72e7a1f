#include "events/TimingError.h"

#include <array>
#include <cmath>

#include "base/NumberText.h"
#include "events/FixedColumns.h"
#include "timing/TimingError.h"

long double TimingErrorFrames(long double x) { return TimingErrorCurve(x, 0.5L); }

namespace {
// The upper polynomial, fitted to simulations up to N/S 1.5, peaks at N/S
// 1.885 (13.9 frames) and falls beyond it, to 2.2 frames at 2.4 and below 0
// at 2.44: an error that shrinks as the noise grows is no error.
constexpr long double kLastRisingNoiseRatio = 1.8850711613688347L;
}  // namespace

long double EventTimingErrorFrames(long double x, double width) {
  if (x > kLastRisingNoiseRatio) return 0;
  const long double polynomial = TimingErrorFrames(x);
  // A step inside one exposure (a width of about one record) is the
  // polynomial's case; each further record the event spreads over adds its
  // least-squares share.
  if (!(polynomial > 0) || !(width > 1)) return polynomial;
  return std::sqrt(polynomial * polynomial + x * x * (static_cast<long double>(width) - 1));
}

namespace {

std::string_view Between(std::string_view s, size_t from, char end, size_t* next) {
  const size_t e = s.find(end, from);
  if (e == std::string_view::npos) {
    *next = s.size();
    return from < s.size() ? s.substr(from) : std::string_view{};
  }
  *next = e + 1;
  return s.substr(from, e - from);
}

}  // namespace

std::optional<std::string> BuildReportLine(std::string_view line, const TReportLightCurveElement& e, bool disappearance,
                                           std::string_view timing_error_text, int seconds_digits) {
  if (e.Kind != ReportKind::Lunar) return std::nullopt;
  std::string out(61, ' ');
  const std::string& date = e.RecordingDate;
  const size_t d1 = date.find('-');
  const size_t d2 = d1 == std::string::npos ? std::string::npos : date.find('-', d1 + 1);
  const std::string year = date.substr(0, d1);
  const std::string month =
      d1 == std::string::npos ? "" : date.substr(d1 + 1, d2 == std::string::npos ? d2 : d2 - d1 - 1);
  const std::string day = d2 == std::string::npos ? "" : date.substr(d2 + 1);
  PutAtColumn(out, 1, year);
  PutAtColumn(out, 5, ZeroPadOne(month));
  PutAtColumn(out, 7, day);

  size_t pos = line.find(": ");
  pos = pos == std::string_view::npos ? line.size() : pos + 2;
  const std::string_view hours = Between(line, pos, 'h', &pos);
  const std::string_view minutes = Between(line, pos, 'm', &pos);
  std::string seconds(Between(line, pos, 's', &pos));
  if (seconds.size() == static_cast<size_t>(seconds_digits) + 2) seconds = "0" + seconds;
  PutAtColumn(out, 9, ZeroPadOne(hours) + ZeroPadOne(minutes) + seconds);

  const bool zc = e.ZcLabel == "ZC";
  std::string letter = " ";
  if (zc)
    letter = "R";
  else if (!e.Catalogue.empty() && (e.Catalogue[0] == 'S' || e.Catalogue[0] == 'X'))
    letter = e.Catalogue.substr(0, 1);
  PutAtColumn(out, 19, letter);
  PutEndingAtColumn(out, 25, zc ? e.ZcNumber : e.StarNumber);
  PutAtColumn(out, 27, disappearance ? "DD" : "RD");
  PutAtColumn(out, 34, "EG G");
  PutAtColumn(out, 38, timing_error_text);
  const size_t sn_at = line.find("S/N=");
  const std::string_view sn_text = sn_at == std::string_view::npos ? std::string_view{} : line.substr(sn_at + 4);
  double sn = ParseDoubleOr(sn_text, 9.9);
  if (sn > 10) sn = 9.9;
  // The text's own halves round away: "9.95" is 10.0.
  PutAtColumn(out, 44, FormatFixed(static_cast<long double>(RoundDecimalHalfAway(sn, 1)) / 10, 1, 18));
  PutAtColumn(out, 53, "T");
  PutAtColumn(out, 60, "AA");
  return out;
}
