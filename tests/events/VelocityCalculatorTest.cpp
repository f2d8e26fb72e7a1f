// The velocity calculator's four results against values worked out by hand
// (python: v = HSF/60 * 1738000 * pi/180, and so on).
#include <gtest/gtest.h>

#include "events/VelocityCalculator.h"

TEST(VelocityCalculator, LunarLimbVelocityAndCleanedInput) {
  struct Row {
    std::string in, cleaned, velocity;
  } rows[] = {
      {"1.40", "1.40", "708"},   // 707.789
      {"-1.40", "1.40", "708"},  // signs are cleaned away
      {".5", "0.5", "253"},      // 252.78
      {"", "0", "0"},
  };
  for (Row& r : rows) {
    std::string t = r.in;
    EXPECT_EQ(CalcLunarLimbVelocity(t).value_or("none"), r.velocity) << r.in;
    EXPECT_EQ(t, r.cleaned) << r.in;
  }
}

TEST(VelocityCalculator, AsteroidVelocityReplacesAZeroByOne) {
  std::string d = "120", t = "5.0";
  EXPECT_EQ(CalcAsteroidVelocity(d, t).value_or("none"), "24000");
  t = "0";
  EXPECT_EQ(CalcAsteroidVelocity(d, t).value_or("none"), "120000");
  EXPECT_EQ(t, "1");
  d = "x", t = "2";  // cleaned to "0", then 1
  EXPECT_EQ(CalcAsteroidVelocity(d, t).value_or("none"), "500");
  EXPECT_EQ(d, "1");
  d = "25", t = "2";  // 12500 exactly
  EXPECT_EQ(CalcAsteroidVelocity(d, t).value_or("none"), "12500");
}

TEST(VelocityCalculator, AsteroidDistanceFromTheParallax) {
  std::string p = "5.000";
  EXPECT_EQ(CalcAsteroidDistance(p).value_or(""), "263117039");  // 263,117,038.504
  p = "4.00";
  EXPECT_EQ(CalcAsteroidDistance(p).value_or(""), "328896298");  // 328,896,298.131
  p = "0";
  EXPECT_FALSE(CalcAsteroidDistance(p).has_value());
  p = "";
  EXPECT_FALSE(CalcAsteroidDistance(p).has_value());
  EXPECT_EQ(p, "0");
}

TEST(VelocityCalculator, LunarShadowVelocityWithinItsRanges) {
  struct Row {
    const char *motion, *distance, *angle;
    bool written;
    const char *velocity, *angle_out;
  } rows[] = {
      {"0.350", "384401", "0", true, "652", "0.0"},      // 652.270
      {"0.350", "384401", "120", true, "1305", "60.0"},  // cos 120 = -0.5: 1304.540
      {"0.350", "384401", "-60", true, "1305", "60.0"},
      {"0.350", "384401", "270", true, "700", "90.0"},   // 360 - 270 = 90: the fixed velocity
      {"0.350", "384401", "90", true, "700", "90.0"},
      {"0.350", "349999", "0", false, "", ""},
      {"0.350", "420001", "0", false, "", ""},
      {"0.350", "384401.5", "0", false, "", ""},  // not an integer
      {"0", "384401", "0", false, "", ""},
      {"abc", "384401", "0", false, "", ""},
      {"0.350", "384401", "1000", false, "", ""},
      {"0.350", "384401", "x", false, "", ""},
  };
  for (const Row& r : rows) {
    const auto v = CalcShadowVelocity(r.motion, r.distance, r.angle);
    ASSERT_EQ(v.has_value(), r.written) << r.motion << " " << r.distance << " " << r.angle;
    if (!v) continue;
    EXPECT_EQ(v->VelocityText, r.velocity) << r.angle;
    EXPECT_EQ(v->DistanceText, r.distance);
    EXPECT_EQ(v->ContactAngleText, r.angle_out) << r.angle;
  }
}

// A contact angle typed beyond one and a half turns reaches the diffraction
// panel as the angle it stands for, within 0..90 degrees (639 = 279 ->
// 81, 700 = 340 -> 20), not a negative angle the panel reads as 90.
TEST(VelocityCalculator, ContactAngleBeyondOneAndAHalfTurnsFoldsIntoZeroToNinety) {
  struct Row {
    const char *angle, *velocity, *angle_out;
  } rows[] = {
      {"639", "4170", "81.0"},  // |cos 81| = 0.1564: 4169.606 m/s
      {"999", "4170", "81.0"},
      {"700", "694", "20.0"},   // cos 20 = 0.9397: 694.131 m/s
      {"-700", "694", "20.0"},
  };
  for (const Row& r : rows) {
    const auto v = CalcShadowVelocity("0.350", "384401", r.angle);
    ASSERT_TRUE(v.has_value()) << r.angle;
    EXPECT_EQ(v->VelocityText, r.velocity) << r.angle;
    EXPECT_EQ(v->ContactAngleText, r.angle_out) << r.angle;
  }
}

// Results beyond what a 64-bit integer text holds are no numbers to show or
// hand on: the calculators give nothing rather than 9223372036854775807.
// The largest inputs that still fit give their exact values (python decimal).
TEST(VelocityCalculator, ResultsBeyondSixtyFourBitsGiveNothing) {
  std::string hsf = "1000000000000000";
  EXPECT_EQ(CalcLunarLimbVelocity(hsf).value_or("none"), "505563706661024134");
  hsf = "100000000000000000";  // 5.06e19 m/s
  EXPECT_FALSE(CalcLunarLimbVelocity(hsf).has_value());

  std::string d = "9000000000000000", t = "1";
  EXPECT_EQ(CalcAsteroidVelocity(d, t).value_or("none"), "9000000000000000000");
  d = "10000000000000000";  // 1e19 m/s
  EXPECT_FALSE(CalcAsteroidVelocity(d, t).has_value());

  std::string p = "0.0000001";
  EXPECT_EQ(CalcAsteroidDistance(p).value_or("none"), "13155851925224364");
  p = "0.0000000001";  // 1.3e19 km
  EXPECT_FALSE(CalcAsteroidDistance(p).has_value());

  const auto slow = CalcShadowVelocity("1000000000000", "384401", "0");
  ASSERT_TRUE(slow.has_value());
  EXPECT_EQ(slow->VelocityText, "1863628638321867");
  EXPECT_FALSE(CalcShadowVelocity("5000000000000000", "384401", "0").has_value());  // 1.9e19 m/s
  EXPECT_FALSE(CalcShadowVelocity("1e30", "384401", "0").has_value());
}
