#pragma once
// The LED's brightness per row of the results table (field 2) and the
// background under it: the frames in which the LED is dark are those within a
// band around the most frequent brightness, and a polynomial through them is
// subtracted to leave the LED's own signal.
//
// Also the statistics of the LED box's pixels in one frame and the model
// histogram of a lit box with Gaussian noise, matched to the measured one.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/Bitmap24.h"
#include "base/ResultCsvFormat.h"

// One data line of the results table as the LED correction sees it.
struct TLedFrameSample {
  double FrameNumber = 0;             // field 1
  long double Brightness = 0;         // field 2
  long double BackgroundSample = 0;   // the brightness inside the band, else -1
  long double FittedBackground = 0;
  long double Signal = 0;             // Brightness - FittedBackground
  uint8_t Lit = 0;                    // outside the background band
  uint8_t PpsRising = 0;              // the chosen PPS rising line
  uint8_t InFit = 0;                  // a cycle line of the fit
  long double FittedSignal = -200.0L; // the cycle-fit line here; -200 until fitted
  uint8_t ZeroCrossing = 0;           // nearest line to the fitted zero crossing
  uint8_t CycleMember = 0;            // a whole number of cycles from the PPS line
};

// Lines before the first result record plus one: 7 for table versions 1-3, else 4.
// The highest data-line index: line count - header (negative: no rows).
int CountLedDataLines(const std::vector<std::string>& lines, int header_line_count);
// Table line of data line i.
inline int LedTableLine(int header_line_count, int i) { return header_line_count - 1 + i; }

// Sum of c_j x^j, j = 0..degree; 0 for degrees outside 1..20.
long double EvaluatePolynomial(std::span<const long double> coefficients, int degree, long double x);

struct LedBackgroundFit {
  std::array<int32_t, 256> Histogram{};  // counts of the rounded brightness
  int Mode = 0;
  long double Sigma = 0;                  // width of the dark peak
  int BackgroundCount = 0;                // lines inside the band
  std::vector<long double> Coefficients;  // c0..c_degree
};

// Reads fields 1 and 2 of data lines 0..last_line into `samples` (which must
// hold at least last_line + 1 records), classes each line as background or
// lit by the band mode +- sigma * band_factor and fits the background
// polynomial of the given degree through the background lines. Lines past
// the end of `lines` read as 0 and are neither counted nor background.
LedBackgroundFit FitLedBackground(const std::vector<std::string>& lines, int header_line_count, int last_line,
                                  double band_factor, int degree, std::vector<TLedFrameSample>& samples);

struct LedValueRange {
  long double Minimum = 0, Maximum = 0;  // both start at 0
};
LedValueRange LedBrightnessRange(const std::vector<std::string>& lines, int header_line_count, int last_line);

// ---- the LED box's pixels ----

using LedBoxHistogram = std::array<int32_t, 256>;

struct LedBox {
  int X = 0, Y = 0, HalfWidth = 0, HalfHeight = 0;
};

// Grey levels (R + G + B) / 3, rounded, of the box's pixels. A column outside
// 0..width is skipped; a row outside the picture counts as grey 0.
LedBoxHistogram GrabLedBoxHistogram(const Bitmap24& frame, const LedBox& box);

struct LedBoxStats {
  long double Mean = 0;
  long double StdDev = 1.0L;  // population; 1 below two pixels
};
LedBoxStats LedBoxStatistics(const LedBoxHistogram& h);
// Mean and sample standard deviation (divisor count - 1) shown under the panel.
LedBoxStats LedBoxSampleStatistics(const LedBoxHistogram& h);

long double LedNoiseModel(long double a, long double b, long double x);
// The box's standard deviation over the noise expected at its mean.
long double VRatio(const LedBoxStats& stats);

// The model histogram of a lit 17 x 17 box: level L as a fraction of full
// scale, noise from the noise factor.
long double ModelStdDev(long double noise_factor, long double level);
long double ModelCount(long double noise_factor, long double level, int grey);

struct ModelHistogramFit {
  bool Fitted = false;  // only for noise factors in (0, 15]
  long double BestLevel = 0;   // before division by the noise factor
  long double ModelLevel = 0;  // BestLevel / noise factor
  std::array<long double, 256> Model{};
};
ModelHistogramFit FitModelHistogram(const LedBoxHistogram& h, long double noise_factor);
