#include "events/VelocityCalculator.h"

#include <cmath>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "events/PredictionElements.h"

namespace {

constexpr long double kPi = 3.14159265358979323846L;
constexpr long double kMoonRadius_m = 1738000;
constexpr long double kEarthRadius_km = 6378.137L;

long double Cleaned(std::string& text) {
  SanitizeNumericText(text);
  return ParseLongDouble(text).value_or(0);
}

// 2^63: rounding saturates there, and the saturated text is no result.
constexpr long double kIntegerTextLimit = 9223372036854775808.0L;

bool FitsIntegerText(long double v) { return std::fabs(v) < kIntegerTextLimit; }

std::optional<std::string> Rounded(long double v) {
  if (!FitsIntegerText(v)) return std::nullopt;
  return FormatInt(RoundHalfEven(v));
}

}  // namespace

std::optional<std::string> CalcLunarLimbVelocity(std::string& scale_factor) {
  const long double hsf = Cleaned(scale_factor);
  return Rounded(hsf / 60 * kMoonRadius_m * kPi / 180);
}

std::optional<std::string> CalcAsteroidVelocity(std::string& diameter, std::string& duration) {
  long double d = Cleaned(diameter), t = Cleaned(duration);
  if (d == 0) d = 1, diameter = "1";
  if (t == 0) t = 1, duration = "1";
  return Rounded(d / t * 1000);
}

std::optional<std::string> CalcAsteroidDistance(std::string& parallax) {
  const long double p = Cleaned(parallax);
  if (p == 0) return std::nullopt;
  return Rounded(kEarthRadius_km / kPi / p * 180 * 3600);
}

std::optional<ShadowVelocity> CalcShadowVelocity(const std::string& motion_text, const std::string& distance_text,
                                                 const std::string& angle_text) {
  // Texts that do not convert stop the calculation like values out of range.
  const long double m = ParseLongDouble(motion_text).value_or(-1);
  if (!(m > 0)) return std::nullopt;
  const int64_t d = ParseInt64(distance_text).value_or(-1);
  if (d < 350000 || d > 420000) return std::nullopt;
  long double a = std::fabs(ParseLongDouble(angle_text).value_or(1000));
  if (!(a < 1000)) return std::nullopt;
  if (a > 180) a = std::fabs(360 - a);
  const long double c = std::fabs(std::cos(a * kPi / 180));
  // cos(90°) in floating point is a few 1e-20, not 0: treat a graze as the
  // fixed velocity too.
  const long double v = c < 1e-12L ? 700 : m * d * 1000 * kPi / (c * 180 * 3600);
  if (!FitsIntegerText(v)) return std::nullopt;
  ShadowVelocity r;
  r.VelocityText = FormatInt(RoundHalfAway(v));
  r.DistanceText = FormatInt(d);
  // Folded whole turns first: one subtraction from 360 leaves 700 at 340.
  r.ContactAngleText = FormatFixed(FoldedContactAngle(static_cast<double>(a)), 1, 4);
  return r;
}
