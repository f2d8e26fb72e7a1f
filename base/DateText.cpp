#include "base/DateText.h"

#include <array>
#include <charconv>
#include <chrono>

#include "base/NumberText.h"

namespace {

struct Field {
  size_t from = 0, size = 0;
  int value = 0;
};

}  // namespace

int YearOfTwoDigits(int yy) { return yy < 88 ? 2000 + yy : 1900 + yy; }

std::string FourDigitYearText(std::string_view year) {
  if (const auto yy = ParseInt32(year); yy && *yy >= 0 && *yy <= 99 && year.size() <= 2)
    return std::to_string(YearOfTwoDigits(*yy));
  return year.size() < 3 ? "20" + std::string(year) : std::string(year);
}

std::string DateDaysOn(std::string_view date, int days) {
  std::array<Field, 3> f;
  size_t at = 0;
  for (size_t k = 0; k < f.size(); ++k) {
    if (k > 0) {
      if (at >= date.size() || (date[at] >= '0' && date[at] <= '9')) return std::string(date);
      ++at;  // the separator
    }
    const char* begin = date.data() + at;
    const auto r = std::from_chars(begin, date.data() + date.size(), f[k].value);
    if (r.ec != std::errc{} || f[k].value < 0) return std::string(date);
    f[k].from = at;
    f[k].size = static_cast<size_t>(r.ptr - begin);
    at += f[k].size;
  }
  if (at != date.size()) return std::string(date);
  const bool short_year = f[0].size <= 2;
  const int year = short_year ? YearOfTwoDigits(f[0].value) : f[0].value;
  using namespace std::chrono;
  const year_month_day ymd{std::chrono::year{year}, month{static_cast<unsigned>(f[1].value)},
                           day{static_cast<unsigned>(f[2].value)}};
  if (!ymd.ok()) return std::string(date);
  const year_month_day next{sys_days{ymd} + std::chrono::days{days}};
  auto zero_led = [&](const Field& x) { return x.size == 2 && date[x.from] == '0'; };
  const bool padded = zero_led(f[1]) || zero_led(f[2]);
  auto text = [](int v, size_t width) {
    std::string s = std::to_string(v);
    return s.size() < width ? std::string(width - s.size(), '0') + s : s;
  };
  const int next_year = static_cast<int>(next.year());
  if (next_year < 0) return std::string(date);
  std::string out = short_year ? text(next_year % 100, f[0].size) : text(next_year, f[0].size);
  out += date[f[0].from + f[0].size];
  out += text(static_cast<int>(static_cast<unsigned>(next.month())), padded ? 2 : 1);
  out += date[f[1].from + f[1].size];
  out += text(static_cast<int>(static_cast<unsigned>(next.day())), padded ? 2 : 1);
  return out;
}
