#pragma once
// The mutual-event model: a polynomial of degree 2..14 through the target
// ratios of the marked units, its minimum to a tenth of a second, the
// residual, the slope per unit and the sign changes of the third derivative.
// x of unit u is its time in seconds from unit 1; the fit is made, and the
// model evaluated, on x scaled to -1..1 over the fitted units.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "chart/MutualEvent.h"

// 'ComboBox4' ('Dimension'): items "2".."14" and an empty last item.
inline constexpr int MutualDegreeItemCount = 14;

// The coefficients of the running fit and what the evaluators read at every
// call: the degree item and 'Increase'.
struct MutualFitModel {
  std::array<long double, 17> Coef{};  // powers of x, as listed
  // The fit as made, p(x) = sum of Scaled[j] ((x - Centre) / Half)^j, which
  // the evaluators use when Fitted: at high degrees the powers of x of units
  // far from unit 1 cancel each other beyond long double's digits.
  std::array<long double, 17> Scaled{};
  long double Centre = 0, Half = 1;
  bool Fitted = false;
  int DegreeItem = 6;     // degree = item + 2 for items 0..12; any other item evaluates to 0
  bool Increase = false;  // a fading event negates slope and third derivative

  int Degree() const { return DegreeItem >= 0 && DegreeItem <= 12 ? DegreeItem + 2 : 0; }
  // Coefficients fitted: item + 3 (16 for the empty item).
  int TermCount() const { return DegreeItem + 3; }
};

long double EvalFitPolynomial(const MutualFitModel& m, long double x);
long double EvalFitPolynomialSlope(const MutualFitModel& m, long double x);
long double EvalFitThirdDerivative(const MutualFitModel& m, long double x);

// Fits the model to the marked units first..last (x = t(u), y = TargetRatio).
void FitMutualModel(const TypAvgDataArray& units, int first, int last, MutualFitModel& m);

// The model over units F..L as both 'Fit' and the range search show it.
struct MutualModelPoint {
  int Unit = 0;
  long double Value = 0;  // p(t(u))
  long double Slope = 0;
  long double Third = 0;
};
struct MutualModelPass {
  long double MutualFitTimeBase = 0;   // time of unit 1, seconds of the day
  std::vector<MutualModelPoint> Points;
  std::vector<std::string> SlopeLines;  // "h,m,s.ssss,slope" per unit
  long double MaxSlope = 0;
  long double SumSq = 0;
  int MinimumUnit = 0;                 // grey line
  long double MinimumX = 0;            // refined, seconds from unit 1
  std::string MinimumText;             // 'Edit10': "3h 7m 5.1s"
  // Units where the third derivative changes sign, with their time label.
  std::vector<std::pair<int, std::string>> ThirdDerivativeMarks;
};

// fit_first_unit is the recorded unit before any value lies below 1000000.
MutualModelPass EvaluateMutualModel(const TypAvgDataArray& units, int first, int last, int fit_first_unit,
                                    const MutualFitModel& m);

// "k c" per coefficient k = 0..degree item + 2, general form with 15 digits.
std::vector<std::string> MutualCoefficientLines(const MutualFitModel& m);

// The root mean square over units first..last (last > first) with 1 decimal.
std::string MutualResidualText(long double sum_sq, int first, int last);

// The range search: every start s = fit_first..first and end
// e = last..fit_last is fitted to units s..e, and the fit with the smallest
// residual over first..last is kept (the earliest of equal ones). Start units
// may run on several threads; the result does not depend on their number.
struct MutualRangeSearchInput {
  int First = 0, Last = 0, FitFirst = 0, FitLast = 0;
  int DegreeItem = 6;
  bool Increase = false;
};
struct MutualRangeSearchProgress {
  std::atomic<int> StartsDone{0};   // start units finished
  std::atomic<bool> Cancel{false};
};
struct MutualRangeSearchResult {
  bool Cancelled = false;
  MutualFitModel Model;             // the best fit
  int BestStart = 0, BestEnd = 0;
  long double BestResidual = 1e15L;
};
MutualRangeSearchResult MutualRangeSearch(const TypAvgDataArray& units, const MutualRangeSearchInput& in,
                                          MutualRangeSearchProgress* progress, int threads);
