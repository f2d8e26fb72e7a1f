#include "events/TimingError.h"

#include <array>

#include "base/NumberText.h"

long double TimingErrorFrames(long double x) {
  static constexpr std::array<long double, 7> kLow{0.000861085973516832L, 0.262693911737246L, 10.6156500352604L,
                                                   -62.1345811519649L,    156.572146985533L,  -57.7858223341369L,
                                                   -108.758169727983L};
  static constexpr std::array<long double, 7> kHigh{0.0305187343200233L, -0.508930499520982L, 7.51029253431152L,
                                                    -4.90320241926873L,  4.65091487833908L,   -1.57333176862108L,
                                                    -0.00573391971885274L};
  const auto& c = x <= 0.5L ? kLow : kHigh;
  long double sum = 0, power = 1;
  for (long double k : c) {
    sum += k * power;
    power *= x;
  }
  return sum;
}

namespace {

void Overwrite(std::string& line, size_t column, std::string_view text) {
  for (size_t i = 0; i < text.size() && column - 1 + i < line.size(); ++i) line[column - 1 + i] = text[i];
}

std::string Between(std::string_view s, size_t from, char end) {
  if (from > s.size()) return {};
  const size_t e = s.find(end, from);
  return std::string(s.substr(from, e == std::string_view::npos ? std::string_view::npos : e - from));
}

}  // namespace

std::string BuildReportLine(const TReportLightCurveElement& e, const ReportLineInput& in) {
  if (e.Kind != ReportKind::Lunar) return {};
  std::string line(61, ' ');
  const std::string& date = e.RecordingDate;
  const size_t d1 = date.find('-');
  const size_t d2 = d1 == std::string::npos ? std::string::npos : date.find('-', d1 + 1);
  const std::string year = date.substr(0, d1);
  std::string month = d1 == std::string::npos ? "" : date.substr(d1 + 1, d2 == std::string::npos ? d2 : d2 - d1 - 1);
  const std::string day = d2 == std::string::npos ? "" : date.substr(d2 + 1);
  if (month.size() == 1) month = "0" + month;
  Overwrite(line, 1, year);
  Overwrite(line, 5, month);
  Overwrite(line, 7, day);

  const std::string_view ev = in.EventLine;
  const size_t colon = ev.find(": ");
  const size_t hs = colon == std::string_view::npos ? ev.size() : colon + 2;
  std::string hh = Between(ev, hs, 'h');
  const size_t ms = hs + hh.size() + 1;
  std::string mm = Between(ev, ms, 'm');
  const size_t ss = ms + mm.size() + 1;
  std::string sec = Between(ev, ss, 's');
  if (hh.size() == 1) hh = "0" + hh;
  if (mm.size() == 1) mm = "0" + mm;
  if (static_cast<int>(sec.size()) == in.SecondsDigits + 2) sec = "0" + sec;
  Overwrite(line, 9, hh + mm + sec);

  const bool zc = e.ZcLabel == "ZC";
  const std::string letter = zc ? "R" : (!e.Catalogue.empty() && (e.Catalogue[0] == 'S' || e.Catalogue[0] == 'X'))
                                            ? std::string(1, e.Catalogue[0])
                                            : " ";
  Overwrite(line, 19, letter);
  const std::string number = zc ? e.ZcNumber : e.StarNumber;
  if (number.size() <= 6) Overwrite(line, 26 - number.size(), number);
  Overwrite(line, 27, in.PreMean >= in.PostMean ? "DD" : "RD");
  Overwrite(line, 34, "EG G");
  Overwrite(line, 38, in.TimingErrorText);
  const size_t sn = ev.find("S/N=");
  const auto snv = sn == std::string_view::npos ? std::nullopt : ParseDouble(ev.substr(sn + 4));
  const double s = !snv || *snv > 10 ? 9.9 : *snv;
  Overwrite(line, 44, FormatFixed(s, 1, 18));
  Overwrite(line, 53, "T");
  Overwrite(line, 60, "AA");
  return line;
}
