#pragma once
// How much each wavelength of the star's light counts in the measured
// signal: the star's blackbody spectrum times the sensor's sensitivity
// times the air's transparency, on the 81 wavelengths 400, 405, ..., 800 nm.
// Curves are indexed by wavelength - 400; only multiples of 5 carry values.
#include <array>
#include <string>
#include <vector>

using SpectralCurve = std::array<double, 401>;
constexpr int kSensorColumns = 11;  // 0 flat, 1..10 from the sensitivity file

struct SpectralModel {
  SpectralCurve AirTransparency{};
  SpectralCurve BlackbodySpectrum{};
  std::array<SpectralCurve, kSensorColumns> CcdSensitivity{};
  SpectralCurve SpectralWeight{};
  std::array<std::string, 10> CcdNames;  // sensors 1..10, empty until a file was read
  int CcdIndex = 0;
  int StarTemperature = 6650;  // kelvin
  // Set when the chosen sensor has no sensitivity in 400-800 nm: the weights
  // were then built with the flat sensor.
  bool FlatSensorUsed = false;
};

// The transmission of the air at wavelength L (nm) from the built-in knots;
// `knot` receives the index of the knot that ends L's interval.
double AirTransparencyAt(int wavelength_nm, int* knot = nullptr);
void InterpolateAirTransparency(SpectralModel& m);
// Blackbody at StarTemperature, largest grid value 1. A temperature of 0 K
// or less has no spectrum: the curve is then flat.
void ComputeBlackbodySpectrum(SpectralModel& m);
// Reads "CCDSpectralSensitivity.csv" (the full path is given). A missing or
// short file leaves every sensor flat.
void LoadCcdSensitivity(SpectralModel& m, const std::string& path);
void ComputeSpectralWeights(SpectralModel& m, const std::string& path);
void RecomputeSpectralModel(SpectralModel& m, const std::string& path);
// The listing of the air-transparency curve: "knot,wavelength,value".
std::vector<std::string> ListAirTransparency();

// The file name beside the executable.
inline constexpr const char* kSensitivityFileName = "CCDSpectralSensitivity.csv";
