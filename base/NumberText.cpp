#include "base/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/TextTools.h"

namespace {

// An integral value to int64_t. Beyond the range the result saturates and NaN
// gives 0: a diverged fit hands us such values, and the plain conversion of
// them is undefined.
int64_t SaturatedInt64(long double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9223372036854775808.0L) return std::numeric_limits<int64_t>::max();
  if (v < -9223372036854775808.0L) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}

}  // namespace

int64_t RoundHalfAway(long double x) {
  if (x >= 0) return SaturatedInt64(std::trunc(x + 0.5L));
  return SaturatedInt64(std::trunc(x - 0.5L));
}

int64_t RoundDecimalHalfAway(double x, int places) {
  const long double scale = std::pow(10.0L, places);
  std::array<char, 400> buf{};
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::fixed);
  if (ec != std::errc() || places < 0 || places > 18) return RoundHalfAway(x * scale);
  // Move the decimal point in the text: a half there stays an exact half.
  std::string text(buf.data(), end);
  const size_t point = text.find('.');
  std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  if (point != std::string::npos) text.resize(point);
  const auto n = static_cast<size_t>(places);
  fraction.resize(std::max(fraction.size(), n), '0');
  text += fraction.substr(0, n) + "." + fraction.substr(n) + "0";
  if (auto v = ParseLongDouble(text)) return RoundHalfAway(*v);
  return RoundHalfAway(x * scale);
}

int64_t RoundHalfEven(long double x) {
  if (!std::isfinite(x)) return SaturatedInt64(x);
  long double f = std::floor(x);
  long double diff = x - f;
  if (diff > 0.5L) return SaturatedInt64(f + 1);
  if (diff < 0.5L) return SaturatedInt64(f);
  return SaturatedInt64(std::fmod(f, 2.0L) == 0 ? f : f + 1);
}

int64_t TruncateToInt(long double x) { return SaturatedInt64(std::trunc(x)); }

namespace {

constexpr int kDigits = 18;

// Decimal digits of |x|: digits[0..17] and exponent e such that
// |x| = 0.d0d1d2... x 10^e. Zero gives all zeros and e = 0.
struct DecimalDigits {
  char digits[kDigits];
  int exponent = 0;
  bool negative = false;
  bool zero = true;
};

DecimalDigits ToDecimal(long double x) {
  DecimalDigits d;
  std::memset(d.digits, '0', kDigits);
  d.negative = std::signbit(x);
  if (x == 0) return d;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific,
                           kDigits - 1);
  *res.ptr = 0;
  // Form: d.ddddddddddddddddde[+-]XX
  int k = 0;
  d.digits[k++] = buf[0];
  const char* p = buf + 2;
  while (*p && *p != 'e' && k < kDigits) d.digits[k++] = *p++;
  while (*p && *p != 'e') ++p;
  int e = 0;
  if (*p == 'e') {
    ++p;
    std::from_chars(*p == '+' ? p + 1 : p, res.ptr, e);
  }
  d.exponent = e + 1;
  d.zero = false;
  return d;
}

// Rounds to `count` significant digits, halves away from zero. `count` may be
// zero or negative (everything is rounded away or up to one unit).
void RoundDigits(DecimalDigits& d, int count) {
  if (d.zero) return;
  if (count >= kDigits) return;
  if (count < 0) {
    d = DecimalDigits{};
    std::memset(d.digits, '0', kDigits);
    return;
  }
  bool up = d.digits[count] >= '5';
  for (int i = count; i < kDigits; ++i) d.digits[i] = '0';
  if (up) {
    int i = count - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      // Carry out of the leading digit: 0.999 -> 1.000
      std::memmove(d.digits + 1, d.digits, kDigits - 1);
      d.digits[0] = '1';
      ++d.exponent;
    }
  }
  bool all_zero = true;
  for (char c : d.digits) all_zero = all_zero && c == '0';
  if (all_zero) {
    d.zero = true;
    d.exponent = 0;
  }
}

std::string SpecialText(long double x) {
  if (std::isnan(x)) return "NAN";
  return x < 0 ? "-INF" : "INF";
}

std::string GeneralExponent(DecimalDigits d, int precision) {
  RoundDigits(d, precision);
  int last = std::min(precision, kDigits) - 1;
  while (last > 0 && d.digits[last] == '0') --last;
  std::string s;
  if (d.negative) s += '-';
  s += d.digits[0];
  if (last > 0) {
    s += '.';
    s.append(d.digits + 1, d.digits + last + 1);
  }
  s += 'E';
  s += std::to_string(d.exponent - 1);
  return s;
}

}  // namespace

std::string FormatFixed(long double x, int decimals, int precision) {
  if (!std::isfinite(x)) return SpecialText(x);
  if (precision < 1) precision = 1;
  if (precision > kDigits) precision = kDigits;
  if (decimals < 0) decimals = 0;
  DecimalDigits d = ToDecimal(x);
  if (!d.zero && d.exponent > precision) return GeneralExponent(d, precision);
  RoundDigits(d, std::min(precision, d.exponent + decimals));
  if (!d.zero && d.exponent > precision) return GeneralExponent(d, precision);

  std::string s;
  if (d.negative && !d.zero) s += '-';
  auto digit = [&](int i) { return (i >= 0 && i < kDigits) ? d.digits[i] : '0'; };
  if (d.zero || d.exponent <= 0) {
    s += '0';
  } else {
    for (int i = 0; i < d.exponent; ++i) s += digit(i);
  }
  if (decimals > 0) {
    s += '.';
    for (int k = 0; k < decimals; ++k) {
      int i = d.exponent + k;  // digit index of the k-th decimal
      s += d.zero ? '0' : digit(i);
    }
  }
  return s;
}

std::string FormatSeconds(long double s, int decimals, int precision) {
  const std::string fixed = FormatFixed(s, decimals, precision);
  // Only a plain figure below 10 gets the "0": not "-5.00", "NAN" or "INF".
  const bool plain = !fixed.empty() && fixed.front() >= '0' && fixed.front() <= '9';
  return (plain && ParseLongDouble(fixed).value_or(10) < 10 ? "0" : "") + fixed;
}

CarriedClock CarryRoundedSeconds(int64_t hour, int64_t minute, long double second, int decimals, int precision) {
  CarriedClock c{hour, minute, second, FormatFixed(second, decimals, precision), false};
  if (ParseLongDouble(c.SecondText).value_or(0) < 60) return c;
  c.Second = 0;
  c.SecondText = FormatFixed(0, decimals, precision);
  c.Carried = true;
  // Times beyond any clock (saturated hours or minutes) stay where they are.
  if (c.Minute == std::numeric_limits<int64_t>::max() || c.Hour == std::numeric_limits<int64_t>::max()) return c;
  if (++c.Minute >= 60) {
    c.Minute -= 60;
    ++c.Hour;
  }
  return c;
}

CarriedClock CarryRoundedTimeOfDay(int64_t hour, int64_t minute, long double second, int decimals, int precision) {
  CarriedClock c = CarryRoundedSeconds(hour, minute, second, decimals, precision);
  if (c.Carried && hour == 23 && c.Hour == 24) {
    c.Hour = 0;
    c.NextDay = true;
  }
  return c;
}

std::string FormatWidth(long double x, int width, int decimals) {
  return PadLeft(FormatFixed(x, decimals, kDigits), width);
}

std::string FormatInt(int64_t v) { return std::to_string(v); }

std::string TwoDigits(int64_t v) {
  std::string s = FormatInt(v);
  return (v >= 0 && v < 10) ? "0" + s : s;
}

std::string FormatOneDecimal(long double x) {
  if (!std::isfinite(x) || std::fabs(x) >= 1e17L) return FormatFixed(x, 1, 18);
  const int64_t n = RoundHalfEven(std::fabs(x) * 10.0L);
  std::string text = x < 0 ? "-" : "";
  text += FormatInt(n / 10);
  text += '.';
  text += static_cast<char>('0' + n % 10);
  return text;
}

std::string PadLeft(std::string_view s, int width) {
  std::string out;
  if (static_cast<int>(s.size()) < width) out.assign(width - s.size(), ' ');
  out.append(s);
  return out;
}

std::string FormatGeneral(long double x, int precision) {
  if (!std::isfinite(x)) return SpecialText(x);
  if (precision < 1) precision = 1;
  if (precision > kDigits) precision = kDigits;
  DecimalDigits d = ToDecimal(x);
  RoundDigits(d, precision);
  if (d.zero) return "0";
  if (d.exponent > precision || d.exponent < -4) return GeneralExponent(d, precision);
  int last = precision - 1;
  while (last >= 0 && last >= d.exponent && d.digits[last] == '0') --last;
  std::string s;
  if (d.negative) s += '-';
  if (d.exponent <= 0) {
    s += "0.";
    s.append(static_cast<size_t>(-d.exponent), '0');
    s.append(d.digits, d.digits + last + 1);
    return s;
  }
  s.append(d.digits, d.digits + d.exponent);
  if (last >= d.exponent) {
    s += '.';
    s.append(d.digits + d.exponent, d.digits + last + 1);
  }
  return s;
}

std::string KeepDigits(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c >= '0' && c <= '9') out += c;
  return out;
}

std::string KeepDecimal(std::string_view s) {
  std::string out;
  bool point = false;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      out += c;
    } else if (c == '.' && !point) {
      out += c;
      point = true;
    }
  }
  if (out.empty()) return out;
  if (out.front() == '.') out.insert(out.begin(), '0');
  if (out.back() == '.') out += '0';
  return out;
}

namespace {

// Whether a well-formed unsigned number text ("123.45e-6") is below 1, judged
// on the decimal exponent of its leading digit: an out-of-range text is tiny
// or huge by that, whatever the sign of its written exponent ("1e-400" and
// "0.000...1" are tiny, "1000...0e-10" with 400 zeros is huge).
bool BelowOne(std::string_view s) {
  const size_t e = s.find_first_of("eE");
  const std::string_view mantissa = s.substr(0, e);
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t lead = mantissa.find_first_of("123456789");
  if (lead == std::string_view::npos) return true;
  // 10^magnitude <= value < 10^(magnitude + 1), before the written exponent.
  long double magnitude = lead < point ? static_cast<long double>(point - lead - 1)
                                       : -static_cast<long double>(lead - point);
  if (e != std::string_view::npos) {
    std::string_view exponent = s.substr(e + 1);
    const bool minus = !exponent.empty() && exponent.front() == '-';
    if (!exponent.empty() && (exponent.front() == '-' || exponent.front() == '+')) exponent.remove_prefix(1);
    // An exponent beyond 64 bits outweighs any mantissa a text can hold.
    const auto written = ParseInt64(exponent);
    magnitude = written ? magnitude + (minus ? -1.0L : 1.0L) * static_cast<long double>(*written)
                        : (minus ? -1.0L : 1.0L);
  }
  return magnitude < 0;
}

template <class T>
std::optional<T> ParseFloating(std::string_view s) {
  s = TrimBlanks(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '.'))
    return std::nullopt;
  T v{};
  auto res = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (res.ptr != s.data() + s.size()) return std::nullopt;
  if (res.ec == std::errc::result_out_of_range) {
    // Underflow gives zero; overflow has no value.
    if (!BelowOne(s)) return std::nullopt;
    return negative ? -T(0) : T(0);
  }
  if (res.ec != std::errc()) return std::nullopt;
  return negative ? -v : v;
}

}  // namespace

std::optional<double> ParseDouble(std::string_view s) { return ParseFloating<double>(s); }
std::optional<long double> ParseLongDouble(std::string_view s) {
  return ParseFloating<long double>(s);
}

std::optional<int64_t> ParseInt64(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  uint64_t v = 0;
  auto res = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
  if (negative) {
    if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return std::nullopt;
    return static_cast<int64_t>(0 - v);
  }
  if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
  return static_cast<int64_t>(v);
}

std::optional<int32_t> ParseInt32(std::string_view s) {
  auto v = ParseInt64(s);
  if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*v);
}

double ParseDoubleOr(std::string_view s, double fallback) {
  auto v = ParseDouble(s);
  return v ? *v : fallback;
}
