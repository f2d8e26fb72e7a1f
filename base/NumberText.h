#pragma once
// Number texts and roundings shared by every part of the program.
//
// The C library's formatting and parsing follow the locale Qt installs at
// start-up ("1,5" under a German locale). Result files, reports and settings
// always use "." and must not change with the user's locale, so all data
// texts go through this module, which never consults the locale.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Nearest integer, halves away from zero: 2.5 -> 3, -2.5 -> -3.
// The sum x +- 0.5 is formed in long double and truncated.
int64_t RoundHalfAway(long double x);
// x x 10^places to the nearest integer, halves away from zero on x's shortest
// decimal text: for a number read from a text ("9.95", "56.7895") a half of
// the text rounds away even where the binary value lies just below it.
int64_t RoundDecimalHalfAway(double x, int places);
// Nearest integer, halves to the even neighbour: 2.5 -> 2, 3.5 -> 4.
int64_t RoundHalfEven(long double x);
// Drops the fraction: -2.7 -> -2.
int64_t TruncateToInt(long double x);
// All three saturate beyond the 64-bit range and give 0 for NaN.

// RoundHalfAway for pixel positions and sizes.
inline int RoundHalfAwayToInt(long double x) { return static_cast<int>(RoundHalfAway(x)); }

// The fixed form with `decimals` decimals and precision `precision`: the value's
// decimal digits (18 significant) are rounded, halves away from zero, to at most
// `precision` significant digits and at most `decimals` decimals, then padded
// with zeros to `decimals` decimals. When the integer part has more digits than
// `precision` the text takes the general exponent form ("1.2345E10").
// A value that rounds to zero carries no minus sign.
std::string FormatFixed(long double x, int decimals, int precision);
// Seconds as FormatFixed gives them, with a "0" in front when the rounded text
// is below 10: 9.99999 with four decimals is "10.0000", not "010.0000".
// Negative and non-finite seconds keep the plain fixed form.
std::string FormatSeconds(long double s, int decimals, int precision);

// A time of day whose seconds are shown as FormatFixed rounds them: seconds
// that round up to 60 ("59.996" with two decimals) become 0 and carry into the
// minute, and a minute of 60 into the hour. The hour is not wrapped at 24.
struct CarriedClock {
  int64_t Hour = 0, Minute = 0;
  long double Second = 0;
  std::string SecondText;  // FormatFixed(Second, decimals, precision)
  bool Carried = false;
  bool NextDay = false;  // CarryRoundedTimeOfDay wrapped hour 24 to 0
};
CarriedClock CarryRoundedSeconds(int64_t hour, int64_t minute, long double second, int decimals, int precision);
// The same for a clock that shows hours 0 to 23: a carry out of 23:59 gives
// 0:00 of the next day. Hours of 24 and more that the time had already stay.
CarriedClock CarryRoundedTimeOfDay(int64_t hour, int64_t minute, long double second, int decimals, int precision);

// "%w.df": the fixed form with d decimals (precision 18), left-padded with
// blanks to at least `width` characters.
std::string FormatWidth(long double x, int width, int decimals);

// Plain decimal integer text.
std::string FormatInt(int64_t v);

// At least two digits: 7 -> "07", 12 -> "12", -3 -> "-3".
std::string TwoDigits(int64_t v);

// One decimal, the halves to even on the exact value (|x| x 10 is exact in long
// double, so a tie is a true tie); a negative value keeps its sign ("-0.0").
// Non-finite and very large values take the fixed form.
std::string FormatOneDecimal(long double x);

// Left-pads with blanks to `width` characters (longer texts stay as they are).
std::string PadLeft(std::string_view s, int width);

// The platform's general float text: at most `precision` significant digits,
// no trailing zeros, exponent form ("1.5E-6", "2E20") when the integer part
// has more than `precision` digits or |x| is below 0.00001.
std::string FormatGeneral(long double x, int precision);

// The text without every character that is not a digit: "1h2" -> "12".
std::string KeepDigits(std::string_view s);
// The digits and the first "." of the text; a leading "." gets a "0" in
// front, a trailing one a "0" after (".5" -> "0.5", "3." -> "3.0",
// "." -> "0.0"); empty when nothing is left.
std::string KeepDecimal(std::string_view s);

// Locale-free parsers. Leading and trailing blanks are allowed, a leading '+'
// or '-', digits with an optional '.' fraction and an optional exponent.
// Anything else, or an empty text, gives nothing. A number too small for the
// type reads as 0; one too large gives nothing.
std::optional<double> ParseDouble(std::string_view s);
std::optional<long double> ParseLongDouble(std::string_view s);
// Decimal integer with optional sign and leading blanks; nothing when the text
// has other characters or the value is out of range.
std::optional<int64_t> ParseInt64(std::string_view s);
std::optional<int32_t> ParseInt32(std::string_view s);

// Text to number with a default when the text does not convert.
double ParseDoubleOr(std::string_view s, double fallback);
