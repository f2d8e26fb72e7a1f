#pragma once
// Mutual events (one satellite eclipsing another): the result rows are
// averaged into units of K frames, the target is divided by the smoothed,
// normalised comparison, and every unit gets a time. The drawing's geometry
// and the fitting range chosen on it live here too; the window only paints.
//
// Contract: lines are the results table; data line i (1-based) is line
// MutualHeaderLines + i - 2. Columns: 4 hour, 5 minute, 7 seconds (6 in a
// table of field rows), 11, 12, 13 objects 1, 2, 3. A cell that should hold a number and does not stops the
// calculation with a message naming it; nothing is changed then.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One frame's time and the two objects' values.
struct MutualSample {
  int32_t Hour = 0;
  int32_t Minute = 0;
  long double Second = 0;
  long double Target = 0;
  long double Comparison = 0;
};

// One averaged unit: its time and values, then its ratios.
struct TypAvgData : MutualSample {
  long double TargetRatio = 0;      // Target / SmoothedComparison, 777 when that is 0
  long double ComparisonRatio = 0;  // Comparison / SmoothedComparison, 777 when that is 0
  long double NormComparison = 0;   // Comparison / MutualMeanComparison
  long double SmoothedComparison = 0;
};
using TypAvgDataArray = std::vector<TypAvgData>;

// Frames per unit by the item of 'ComboBox1'.
inline constexpr std::array<int32_t, 11> UnitSizeTable = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024};

enum class MutualTimeSetting { ReadFromVideoImage = 0, BasedOnFirstFrame = 1, FirstAndLastFrame = 2 };

// Which objects form the target and the comparison ('ComboBox5').
enum class MutualObjects { FirstToSecond = 0, FirstToSecondAndThird = 1, FirstAndThirdToSecond = 2 };

struct MutualAverageInput {
  int CsvVersion = 3;
  int32_t FramesPerUnit = 32;     // K
  int32_t SmoothHalfWidth = 2;    // h: the smoothing window is 2h + 1 units
  MutualObjects Objects = MutualObjects::FirstToSecond;
  bool SingleObject = true;       // the comparison is ConstantComparison
  std::string ConstantComparison = "2000";
  MutualTimeSetting TimeSetting = MutualTimeSetting::BasedOnFirstFrame;
  // Frames per second of the recording (the timing frame rate): the rows are
  // this far apart with "Based on First Frame", twice as close in field mode.
  long double FrameRate = 29.97L;
  std::array<std::string, 3> FirstFrameTime;  // h, m, s texts
  std::array<std::string, 3> LastFrameTime;
};

enum class MutualAverageStatus {
  Done,
  NoData,        // "Data is not detected." in the list
  NoVideoTime,   // no time in the first row for "Read from Video image": Error says so
  Failed,        // Error holds the message
};

struct MutualAverageResult {
  MutualAverageStatus Status = MutualAverageStatus::Failed;
  std::string Error;
  std::vector<std::string> MemoLines;  // the notices, then one line per unit
  int32_t MutualHeaderLines = 7;
  int32_t MutualFrameCount = 0;
  int32_t MutualFramesPerUnit = 1;
  int32_t MutualSmoothUnits = 1;
  int32_t MutualUnitCount = 0;
  long double MutualMeanComparison = 0;
  long double MutualStartTime = 0;
  long double MutualEndTime = 0;
  long double MutualFrameRate = 0;
  TypAvgDataArray MutualUnits;  // 0..MutualUnitCount, entry 0 all zero
};

MutualAverageResult CalculateMutualUnits(const std::vector<std::string>& lines, const MutualAverageInput& in);

// The list line of one unit:
// " 3  7  5.123,   12346,    2000,   12346,    2000,   1.00000".
// A time rounding up out of 23:59 reads 0 h unless the units' hours run on
// past 24 (typed times are not wrapped).
std::string MutualUnitLine(const TypAvgData& unit, bool hours_run_on = false);

// Whether any unit's hour is 24 or more.
bool MutualHoursRunOn(const TypAvgDataArray& units);

// A unit's time in seconds of the day.
long double MutualUnitSeconds(const TypAvgData& unit);

// The drawing of the units: where unit u and value v lie, and the ticks.
struct MutualGraphView {
  int32_t MutualImageWidth = 0;
  int32_t MutualImageHeight = 0;
  long double MutualPlotWidth = 0;   // whole pixels
  long double MutualUnitStep = 0;    // pixels per unit
  long double MutualPlotHeight = 0;
  long double MutualYScale = 0;      // pixels per ratio unit
  int32_t OffsetPercent = 0;         // 'ScrollBar2'
  int32_t DivisorPercent = 100;      // 'ScrollBar3'

  int UnitX(int u) const;
  int ValueY(long double v, long double scale) const;
  int ValueY(long double v) const { return ValueY(v, MutualYScale); }
};

struct MutualTick {
  int Position = 0;  // x of a minute tick, y of a value tick
  int Length = 5;    // pixels
  std::string Label;
};

struct MutualGraphLayout {
  MutualGraphView View;
  std::vector<MutualTick> MinuteTicks;  // from (x, H - 30) up; label at (x - 3 * length, H - 27)
  std::vector<MutualTick> ValueTicks;   // from (50, y) right; label at (17, y - 5)
  std::string ScaleText;                // 'Edit10'
};

// Needs at least one unit (units.size() >= 2).
MutualGraphLayout LayoutMutualGraph(const TypAvgDataArray& units, int image_width, int image_height,
                                    int width_percent, int offset_percent, int divisor_percent);

// The unit under a click at x, kept inside 1..unit_count; nothing when the
// click lies left or right of the plot.
int MutualUnitAtX(const MutualGraphView& view, int x, int unit_count, bool* inside);

// The fitting range widened by a third of the marked range on each side,
// kept inside 1..unit_count; unchanged when first > last.
struct MutualFitRange {
  int32_t MutualFitFirstUnit = 1;
  int32_t MutualFitLastUnit = 1;
};
void SetFitRange(int32_t first, int32_t last, int32_t unit_count, MutualFitRange& range);
