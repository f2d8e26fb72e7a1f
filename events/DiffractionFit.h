#pragma once
// The level windows around the selected record and the least-squares fit of
// the exposure-averaged diffraction model to object A's values. The searches
// take the first strict minimum in their stated scan order; the model values
// of one level's candidates come from a look-up grid computed on several
// threads (`DiffractionGrid`), the choice stays the serial one.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "events/DiffractionModel.h"

struct LevelWindowOffsets {
  int32_t PreFrom = -30, PreTo = -11;
  int32_t StepFrom = 0, StepTo = 0;
  int32_t PostFrom = 11, PostTo = 30;
};

// Means, standard errors and counts of the pre, step and post windows over
// the records that exist (values[r], r = selected + offset).
struct LevelAverages {
  std::array<double, 3> Mean{};
  std::array<double, 3> StdError{};
  std::array<int32_t, 3> Count{};
};
LevelAverages AverageLevelWindows(const std::vector<double>& values, int selected, const LevelWindowOffsets& w);

enum class FitMode { Occultation, GrazingNew, GrazingOld };

// The fitting window: the custom range clipped to -120..+120, else -30..+30
// records (-60..+60 for field records, the same span of time).
struct FitRange {
  int From = -30, To = 30;
};
FitRange FittingRange(bool custom, int from, int to, uint8_t field_mode);
constexpr int kObservedWindowHalf = 120;

struct FitInput {
  FitMode Mode = FitMode::Occultation;
  bool Rising = false;           // reappearance: the model rises with time
  long double Factor = 1;        // velocity factor to start from
  long double Base = 0;          // lower level
  long double Amplitude = 1;     // upper minus lower level
  int Selected = 0;              // selected record
  FitRange Range;
};

struct FitHooks {
  std::function<void(int)> Progress;                 // the progress bar's position; the fitting thread
  std::function<void(const std::string&)> Memo;      // progress lines, in order
  const std::atomic<bool>* Cancel = nullptr;         // set: stop at the next candidate
  int Threads = 0;                                   // 0: one per core
};

struct FitOutcome {
  bool Cancelled = false;
  // False when the residual does not change with the offset (the levels are
  // equal or the factor is about 0) or the fitted curve hardly changes over
  // the window (a shadow at a crawl): the offset found is no event time.
  bool Determined = true;
  // True when every level of the offset search took its outermost candidate
  // on the same side: the event lies beyond the search, not at its end.
  bool AtSearchEnd = false;
  long double Factor = 1;
  int32_t Offset = 0;          // FitOffset: o for a reappearance, -o otherwise (0.1 ms)
  int32_t SearchOffset = 0;    // o
  long double Residual = 0;    // FitResidual
  int32_t ObservedWindowCount = 1;
  // Records the fitted event takes to pass: the squared step over the sum of
  // the squared changes per record of the fitted curve (about 1 for a step
  // inside one exposure, more for a star disk or a slow edge).
  double EventWidthRecords = 1;
  std::string TargetText;      // "target: " + o
  std::string ResidualText;    // the residual, 12 significant digits
};

// values: object A of every record (0 for empty or non-numeric cells and
// for empty lines).
FitOutcome FitDiffractionModel(const DiffractionModel& model, const std::vector<double>& values, const FitInput& in,
                               const FitHooks& hooks = {});

// Sum of squared residuals of the model with factor F and offset o (0.1 ms)
// over the fitting window: exposed for the drawing and for tests.
long double ModelResidual(const DiffractionModel& model, const std::vector<double>& values, const FitInput& in,
                          long double factor, int64_t offset);
