// Roundings and number texts against values worked out by hand, including the
// values a failed fit can hand them (NaN, infinities, beyond 64 bits).
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "base/CsvFields.h"
#include "base/NumberText.h"

namespace {

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

TEST(NumberTextConformance, SanitizeTableOfTheHelpers) {
  const struct {
    const char* before;
    const char* after;
  } rows[] = {{"", "0"}, {".5", "0.5"}, {"12.", "12.0"}, {".", "0.0"},
              {"1.2.3", "1.23"}, {"-.5", ".5"}, {"-3", "3"}, {"abc", "0"}};
  for (const auto& r : rows) {
    std::string s = r.before;
    SanitizeNumericText(s);
    EXPECT_EQ(s, r.after) << r.before;
  }
}

TEST(NumberTextConformance, SetFieldTableOfTheHelpers) {
  const struct {
    const char* before;
    int n;
    const char* after;
  } rows[] = {{"a,b,c", 3, "a,b,X,"}, {"abc", 1, "X,"}, {"a,b,c,d", 2, "a,X,c,d"}, {"a", 3, "a,,X,"}, {"", 2, ""}};
  for (const auto& r : rows) {
    std::string s = r.before;
    SetCsvField(s, r.n, "X");
    EXPECT_EQ(s, r.after) << r.before << " " << r.n;
  }
}

TEST(NumberTextConformance, SixtiethFieldOfAFourHundredCharacterRow) {
  std::string row;
  for (int i = 1; i <= 70; ++i) row += "f" + std::to_string(i) + "_val,";
  ASSERT_GT(row.size(), 400u);
  EXPECT_EQ(GetCsvField(row, 60), "f60_val");
  EXPECT_EQ(StrToIntOrZero("12a"), 0);
  EXPECT_EQ(StrToIntOrZero("-7"), -7);
}

}  // namespace
