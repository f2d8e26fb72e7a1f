// Exposure times suited to the frame-offset method of 1PPS base-time
// calibration: the whole-millisecond table and the 0.1 ms search around a
// target. Pure calculators: nothing is read from or written to the results.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct TExposureRecord {
  double L = 0;       // LED capture time, s: 2 * E/D
  double EoverD = 0;  // E / D
  double E = 0;       // exposure, ms
  double F = 0;       // frames per second
  double D = 0;       // drift per F frames, ms
  double P = 0;       // drift as a share of the exposure, %
  uint8_t suitable = 0;
  uint8_t recommended = 0;
};

enum class ExposureFilter { Recommended = 0, Suitable = 1, All = 2 };

// Records 0..1200; record k is the exposure k ms, record 0 unused.
struct CmosExposureTable {
  static constexpr int kLast = 1200;
  std::array<TExposureRecord, kLast + 1> rec{};
  int32_t LedCaptureTimeLimit = 75;
  int32_t ShiftPercentLimit = 15;
};

void BuildExposureTable(CmosExposureTable& t);
void FilterExposureTable(CmosExposureTable& t);
// Header, empty line and the rows the filter chooses.
std::vector<std::string> ListExposureTable(const CmosExposureTable& t, ExposureFilter f);
const std::vector<std::string>& ExposureExplanation();

// The search around a target exposure.
struct CmosExp2State {
  static constexpr int kLast = 9000;
  std::vector<TExposureRecord> rec = std::vector<TExposureRecord>(kLast + 1);
  int count = 0;  // candidates in 1..count
  double TargetExposure = 30;
  double TargetFrameRate = 1000.0 / 30;
  double Exp2CaptureTimeLimit = 30;
  double ProcessDotLimit = 5;
  double Exp2ShiftPercentLimit = 8;
};

// Fills the candidates and flags, returns the listed lines.
std::vector<std::string> SearchExposures(CmosExp2State& s, bool include_integers);
const std::vector<std::string>& Exp2Header();
const std::vector<std::string>& Exp2ReadMe();

// The five digits hundreds, tens, units, tenths, hundredths.
using ExposureDigitSet = std::array<int, 5>;
struct TypedExposure {
  bool accepted = false;
  ExposureDigitSet digits{};
  double target = 0;  // hundredths dropped
};
// A typed target in 0.1 .. <900 ms; digits split from the integer hundredths.
TypedExposure SplitTypedExposure(double v);
// The target the digits give, in whole tenths: the hundredths are dropped.
double ExposureFromDigits(const ExposureDigitSet& d);
std::string ExposureEditText(double target);   // fixed, one decimal
std::string FrameRateEditText(double target);  // 1000/target, five decimals
