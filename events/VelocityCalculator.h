#pragma once
// The object velocity calculator: the Moon's limb velocity from the
// horizontal scale factor, an asteroid's shadow velocity from its diameter
// and the longest duration, its distance from the horizontal parallax, and
// the shadow velocity of a lunar event from the relative motion, the Moon's
// distance and the contact angle. Texts in, texts out, as the window shows them.
#include <optional>
#include <string>

// Each of the first three cleans its input texts in place (as the window
// writes them back) and gives the result rounded half to even. All four give
// nothing for a result beyond the range of a 64-bit integer.
std::optional<std::string> CalcLunarLimbVelocity(std::string& scale_factor_deg_per_min);
std::optional<std::string> CalcAsteroidVelocity(std::string& diameter_km, std::string& duration_s);
// Nothing for a parallax of 0, which has no finite distance.
std::optional<std::string> CalcAsteroidDistance(std::string& parallax_arcsec);

struct ShadowVelocity {
  std::string VelocityText;      // m/s, rounded half away from zero
  std::string DistanceText;      // km, as typed
  std::string ContactAngleText;  // degrees 0..90, one decimal
};
// Nothing when the motion is not above 0, the distance is not an integer in
// 350,000..420,000 km, the angle is not below 1000 degrees or the velocity
// is beyond the 64-bit range.
std::optional<ShadowVelocity> CalcShadowVelocity(const std::string& motion_arcsec_per_s,
                                                 const std::string& distance_km, const std::string& contact_angle_deg);
