#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "base/NumberText.h"

namespace {

// Roundings against values worked out by hand, including what a failed fit can
// hand them (NaN, infinities, beyond 64 bits).
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
constexpr long double kInf = std::numeric_limits<long double>::infinity();

struct RoundRow {
  const char* name;
  long double x;
  int64_t away, even, trunc;
};

class RoundingConformance : public ::testing::TestWithParam<RoundRow> {};

TEST_P(RoundingConformance, HandValues) {
  const RoundRow& r = GetParam();
  EXPECT_EQ(RoundHalfAway(r.x), r.away);
  EXPECT_EQ(RoundHalfEven(r.x), r.even);
  EXPECT_EQ(TruncateToInt(r.x), r.trunc);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundingConformance,
    ::testing::Values(RoundRow{"TwoAndAHalf", 2.5L, 3, 2, 2}, RoundRow{"MinusTwoAndAHalf", -2.5L, -3, -2, -2},
                      RoundRow{"Half", 0.5L, 1, 0, 0}, RoundRow{"MinusHalf", -0.5L, -1, 0, 0},
                      RoundRow{"OneAndAHalf", 1.5L, 2, 2, 1}, RoundRow{"MinusOneAndAHalf", -1.5L, -2, -2, -1},
                      RoundRow{"BelowHalf", 2.49L, 2, 2, 2}, RoundRow{"SmallNegative", -0.4L, 0, 0, 0},
                      RoundRow{"Zero", 0.0L, 0, 0, 0}, RoundRow{"MinusSevenPointSix", -7.6L, -8, -8, -7},
                      RoundRow{"LargeTie", 4503599627370497.5L, 4503599627370498, 4503599627370498,
                               4503599627370497},
                      // Beyond the 64-bit range the result saturates; NaN gives 0.
                      RoundRow{"Huge", 1e30L, INT64_MAX, INT64_MAX, INT64_MAX},
                      RoundRow{"HugeNegative", -1e30L, INT64_MIN, INT64_MIN, INT64_MIN},
                      RoundRow{"Infinity", kInf, INT64_MAX, INT64_MAX, INT64_MAX},
                      RoundRow{"MinusInfinity", -kInf, INT64_MIN, INT64_MIN, INT64_MIN},
                      RoundRow{"NaN", kNaN, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });


// Every case runs under the C locale and a German one (decimal comma), when
// the machine has it: no text may change.
class NumberText : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::setlocale(LC_ALL, GetParam()) == nullptr) GTEST_SKIP() << "locale not installed";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

struct FixedRow {
  long double x;
  int decimals, precision;
  const char* text;
};

TEST_P(NumberText, FixedFormMatchesHandComputedTexts) {
  const FixedRow rows[] = {
      {1234.5L, 1, 8, "1234.5"},
      {0.25L, 1, 8, "0.3"},        // exact binary tie: away from zero
      {-0.25L, 1, 8, "-0.3"},
      {0.35, 1, 8, "0.3"},         // the double 0.3499999999999999778 is below the tie
      {2.5L, 0, 8, "3"},
      {12345.6L, 0, 8, "12346"},
      {1.0L, 5, 10, "1.00000"},
      {5.123L, 3, 6, "5.123"},
      {123456.789L, 1, 5, "1.2346E5"},   // integer part longer than the precision
      {99999.96L, 1, 5, "1E5"},          // rounding carries into a sixth digit
      {1.23456L, 4, 3, "1.2300"},        // precision cuts before the decimals
      {0.004L, 1, 8, "0.0"},
      {-0.04L, 1, 8, "0.0"},             // no minus on a zero text
      {0.06L, 1, 8, "0.1"},
      {0.0012L, 4, 6, "0.0012"},
      {0.0L, 2, 8, "0.00"},
      {9.995, 2, 8, "9.99"},             // the double is 9.99499999...
      {9.9951L, 2, 8, "10.00"},
      {29.97L, 2, 18, "29.97"},
      {1e-30L, 3, 8, "0.000"},
      {42.0L, 0, 8, "42"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(FormatFixed(r.x, r.decimals, r.precision), r.text)
        << "x=" << static_cast<double>(r.x) << " d=" << r.decimals << " p=" << r.precision;
}

TEST_P(NumberText, DoubleValuesRoundOnTheirOwnDecimalDigits) {
  // Values arrive as doubles; 0.15 is 0.1499999999999999944... as a double.
  EXPECT_EQ(FormatFixed(0.15, 1, 8), "0.1");
  EXPECT_EQ(FormatFixed(0.125, 2, 8), "0.13");
  EXPECT_EQ(FormatFixed(1234.55, 1, 8), "1234.5");  // 1234.549999999999954...
}

// Expected texts from Python's decimal module applied to the exact binary
// value of each double (18 significant digits, then halves away from zero).
TEST_P(NumberText, FixedFormAgreesWithDecimalArithmeticOnHardValues) {
  const FixedRow rows[] = {
      {0.5, 0, 18, "1"},          {1.5, 0, 18, "2"},         {-2.5, 0, 18, "-3"},
      {-0.125, 2, 18, "-0.13"},   {0.0005, 3, 18, "0.001"},  {-0.0005, 3, 18, "-0.001"},
      {0.285, 2, 18, "0.28"},     {0.285, 2, 15, "0.28"},    {1.005, 2, 18, "1.00"},
      {2.675, 2, 18, "2.67"},     {0.0625, 3, 18, "0.063"},  {9.9995, 3, 18, "9.999"},
      {9.99951, 3, 18, "10.000"}, {59.9995, 3, 18, "59.999"}, {59.99951, 3, 18, "60.000"},
      {999.5, 0, 3, "1E3"},       {9999.5, 0, 4, "1E4"},     {-0.0, 2, 18, "0.00"},
      {1e-300, 4, 18, "0.0000"},  {1234567.891, 2, 18, "1234567.89"},
      {12345678901234567.0, 0, 18, "12345678901234568"},
      {1.7976931348623157e308, 2, 15, "1.79769313486232E308"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(FormatFixed(r.x, r.decimals, r.precision), r.text)
        << "x=" << static_cast<double>(r.x) << " d=" << r.decimals << " p=" << r.precision;
}

// The "0" in front of seconds below 10 belongs to a plain figure only.
TEST_P(NumberText, SecondsGetALeadingZeroOnlyWhenShownBelowTen) {
  constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
  constexpr long double kInf = std::numeric_limits<long double>::infinity();
  const struct {
    long double s;
    int decimals;
    const char* text;
  } rows[] = {
      {0, 2, "00.00"},     {5.25, 2, "05.25"},  {9.996, 2, "10.00"}, {59.5, 0, "60"},
      {-5, 2, "-5.00"},    {-0.125, 3, "-0.125"}, {-0.0001, 2, "00.00"},
      {kNaN, 3, "NAN"},    {kInf, 3, "INF"},    {-kInf, 3, "-INF"},
  };
  for (const auto& r : rows) EXPECT_EQ(FormatSeconds(r.s, r.decimals, 18), r.text) << r.text;
}

TEST_P(NumberText, DecimalHalvesOfATextRoundAwayFromZero) {
  // Halves as Python's decimal rounds them (ROUND_HALF_UP); the binary values
  // of 56.7895, 9.85 and 59.9995 lie just below the half.
  struct Row {
    double x;
    int places;
    int64_t rounded;
  };
  for (const Row& r : {Row{56.7895, 3, 56790}, Row{56.7894, 3, 56789}, Row{59.9995, 3, 60000}, Row{9.85, 1, 99},
                       Row{9.95, 1, 100}, Row{-1.0005, 3, -1001}, Row{0.0005, 3, 1}, Row{12.0, 3, 12000},
                       Row{3.0, 0, 3}, Row{2.5, 0, 3}, Row{1e300, 3, std::numeric_limits<int64_t>::max()},
                       Row{std::numeric_limits<double>::quiet_NaN(), 3, 0}})
    EXPECT_EQ(RoundDecimalHalfAway(r.x, r.places), r.rounded) << r.x << " " << r.places;
}

TEST_P(NumberText, OneDecimalHalvesToEvenOnTheExactValue) {
  struct Row {
    long double v;
    const char* text;
  } rows[] = {
      {12.34, "12.3"}, {-0.04, "-0.0"}, {0.25, "0.2"},  {0.75, "0.8"},   {1.25, "1.2"},
      {2.5, "2.5"},    {-2.25, "-2.2"}, {0.0, "0.0"},   {-0.0, "0.0"},   {99.96, "100.0"},
      {0.35, "0.3"},   // the double 0.34999999999999997... lies below the tie
      {0.45, "0.5"},   // the double 0.45000000000000001... lies above it
      {0.35L, "0.4"},  // in long double x 10 rounds onto the tie
      {-7.25L, "-7.2"}, {-13700.05, "-13700.0"}, {123456.789, "123456.8"},
  };
  for (const Row& r : rows) EXPECT_EQ(FormatOneDecimal(r.v), r.text) << static_cast<double>(r.v);
  EXPECT_EQ(TwoDigits(7), "07");
  EXPECT_EQ(TwoDigits(12), "12");
  EXPECT_EQ(TwoDigits(-3), "-3");
}

TEST_P(NumberText, WidthFormPadsWithBlanks) {
  EXPECT_EQ(FormatWidth(9.5, 5, 2), " 9.50");
  EXPECT_EQ(FormatWidth(29.97, 5, 2), "29.97");
  EXPECT_EQ(FormatWidth(25, 5, 2), "25.00");
  EXPECT_EQ(FormatWidth(123.456, 5, 2), "123.46");
  EXPECT_EQ(PadLeft("12", 5), "   12");
  EXPECT_EQ(PadLeft("123456", 3), "123456");
}

// Seconds are shown rounded; a second that rounds up to 60 is the next minute.
TEST_P(NumberText, RoundedSecondsCarryIntoTheMinuteAndHour) {
  struct Row {
    int64_t h, m;
    long double s;
    int decimals, precision;
    const char* text;  // hour:minute:seconds
    bool carried;
  };
  const Row rows[] = {
      {12, 34, 59.994L, 2, 6, "12:34:59.99", false},
      {12, 34, 59.995L, 2, 6, "12:35:0.00", true},
      {12, 59, 59.996L, 2, 6, "13:0:0.00", true},
      {23, 59, 59.996L, 2, 6, "24:0:0.00", true},  // no wrap at midnight
      {12, 34, 59.99994L, 4, 18, "12:34:59.9999", false},
      {12, 34, 59.99995L, 4, 18, "12:35:0.0000", true},
      {12, 34, 59.96L, 1, 5, "12:35:0.0", true},
      {12, 34, 59.0L, 0, 18, "12:34:59", false},
      {12, 59, 60.0L, 0, 18, "13:0:0", true},
      {12, 34, 9.96L, 1, 5, "12:34:10.0", false},
  };
  for (const Row& r : rows) {
    const CarriedClock c = CarryRoundedSeconds(r.h, r.m, r.s, r.decimals, r.precision);
    EXPECT_EQ(FormatInt(c.Hour) + ":" + FormatInt(c.Minute) + ":" + c.SecondText, r.text) << r.text;
    EXPECT_EQ(c.Carried, r.carried) << r.text;
    if (c.Carried) {
      EXPECT_EQ(c.Second, 0.0L) << r.text;
    }
  }
}

// A clock of 0..23 h: the carry out of 23:59 is 0:00 of the next day; an
// hour past 24 that a time already had is not touched.
TEST_P(NumberText, RoundedSecondsOfTheDayWrapAtMidnight) {
  struct Row {
    int64_t h, m;
    long double s;
    int decimals, precision;
    const char* text;
    bool next_day;
  };
  const Row rows[] = {
      {23, 59, 59.996L, 2, 6, "0:0:0.00", true},         {23, 59, 59.99995L, 4, 18, "0:0:0.0000", true},
      {23, 59, 59.96L, 1, 18, "0:0:0.0", true},           {23, 59, 59.994L, 2, 6, "23:59:59.99", false},
      {23, 58, 59.996L, 2, 6, "23:59:0.00", false},      {22, 59, 59.996L, 2, 6, "23:0:0.00", false},
      {24, 59, 59.996L, 2, 6, "25:0:0.00", false},       {0, 0, 0.004L, 2, 6, "0:0:0.00", false},
  };
  for (const Row& r : rows) {
    const CarriedClock c = CarryRoundedTimeOfDay(r.h, r.m, r.s, r.decimals, r.precision);
    EXPECT_EQ(FormatInt(c.Hour) + ":" + FormatInt(c.Minute) + ":" + c.SecondText, r.text) << r.text;
    EXPECT_EQ(c.NextDay, r.next_day) << r.text;
  }
}

TEST_P(NumberText, GeneralFormKeepsFifteenDigitsWithoutTrailingZeros) {
  struct Row {
    long double x;
    const char* text;
  } rows[] = {
      {0, "0"},
      {1.5L, "1.5"},
      {-401.1984L, "-401.1984"},
      {1.0L / 3, "0.333333333333333"},
      {2.0L / 3, "0.666666666666667"},
      {0.00001L, "0.00001"},
      {0.0000015L, "1.5E-6"},
      {123456789012345.0L, "123456789012345"},
      {1234567890123456.0L, "1.23456789012346E15"},
      {1e20L, "1E20"},
      {-4.41610088e-11L, "-4.41610088E-11"},
  };
  for (const Row& r : rows) EXPECT_EQ(FormatGeneral(r.x, 15), r.text) << static_cast<double>(r.x);
}

TEST_P(NumberText, TypedTimeFiltersKeepDigitsAndOnePoint) {
  struct Row {
    const char* in;
    const char* digits;
    const char* decimal;
  } rows[] = {
      {"", "", ""},          {"12", "12", "12"},       {"1h2m", "12", "12"},
      {"5.123", "5123", "5.123"}, {"1.2.3", "123", "1.23"}, {".5", "5", "0.5"},
      {"3.", "3", "3.0"},    {".", "", "0.0"},          {"-4,5", "45", "45"},
      {"abc", "", ""},       {"..7", "7", "0.7"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(KeepDigits(r.in), r.digits) << r.in;
    EXPECT_EQ(KeepDecimal(r.in), r.decimal) << r.in;
  }
}

TEST_P(NumberText, NonFiniteValuesHaveNames) {
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 1, 8), "NAN");
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 1, 8), "INF");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 1, 8), "-INF");
}

TEST_P(NumberText, ParsersIgnoreTheLocale) {
  EXPECT_EQ(ParseDouble("1.5"), 1.5);
  EXPECT_EQ(ParseDouble(" -2.25 "), -2.25);
  EXPECT_EQ(ParseDouble("+3"), 3.0);
  EXPECT_EQ(ParseDouble(".5"), 0.5);
  EXPECT_EQ(ParseDouble("1e3"), 1000.0);
  EXPECT_EQ(ParseDouble("1E-2"), 0.01);
  EXPECT_FALSE(ParseDouble("1,5"));
  EXPECT_FALSE(ParseDouble(""));
  EXPECT_FALSE(ParseDouble("abc"));
  EXPECT_FALSE(ParseDouble("1.5x"));
  EXPECT_FALSE(ParseDouble("inf"));
  EXPECT_FALSE(ParseDouble("1e999"));
  EXPECT_EQ(ParseDouble("1e-999"), 0.0);
  EXPECT_EQ(ParseLongDouble("29.97"), 29.97L);
  EXPECT_EQ(ParseInt64("-7"), -7);
  EXPECT_EQ(ParseInt64("  42"), 42);
  EXPECT_FALSE(ParseInt64("12a"));
  EXPECT_FALSE(ParseInt64("1.0"));
  EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
  EXPECT_FALSE(ParseInt32("2147483648"));
  EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseDoubleOr("x", 4.0), 4.0);
}

// A text beyond the double range is huge or tiny by where its leading digit
// stands, whatever the sign of the exponent written after it.
TEST_P(NumberText, OutOfRangeTextsAreJudgedByTheirSize) {
  const std::string zeros(400, '0');
  const struct {
    std::string text;
    std::optional<double> value;
  } rows[] = {
      {"1e-400", 0.0},
      {"1" + zeros + "e-10", std::nullopt},  // 1e390
      {"0." + zeros + "1", 0.0},             // 1e-401
      {"0." + zeros + "1e5", 0.0},           // 1e-396
      {"1" + zeros, std::nullopt},
      {"12e-99999999999999999999", 0.0},
      {"12e99999999999999999999", std::nullopt},
      {"0e99999999999999999999", 0.0},
      {"2.4e-324", 0.0},
      {"1.7976931348623159e308", std::nullopt},
      {"1e-400x", std::nullopt},
  };
  for (const auto& r : rows) EXPECT_EQ(ParseDouble(r.text), r.value) << r.text.substr(0, 30);
  const std::optional<double> minus_tiny = ParseDouble("-1e-400");
  ASSERT_TRUE(minus_tiny);
  EXPECT_TRUE(*minus_tiny == 0 && std::signbit(*minus_tiny));
  EXPECT_EQ(ParseLongDouble("1" + zeros + "e-5400"), 0.0L);
  EXPECT_FALSE(ParseLongDouble("1" + zeros + "e4800"));
}

INSTANTIATE_TEST_SUITE_P(Locales, NumberText, ::testing::Values("C", "de_DE.UTF-8"));

TEST(NumberTextLocale, GermanLocaleIsInstalledForTheseTests) {
  // The setup script generates it; without it the locale rows above prove nothing.
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  EXPECT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
