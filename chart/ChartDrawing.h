#pragma once
// One whole drawing of the light-curve chart: range, scales, grid, the curves
// A, B, C and L, point marks, frame labels, title and information lines, the
// S/N read-out and the light-curve values handed to the report.
#include <array>
#include <string>
#include <vector>

#include "chart/ChartPicture.h"
#include "chart/ChartScale.h"
#include "chart/ChartState.h"
#include "chart/ChartTable.h"

// Colour tables, entries 1..12 at index 0..11; 1-4 A, B, C, L, 5-8 their
// light variants, 9-12 black.
struct CurveColours {
  std::array<Rgb, 12> Line{};
  std::array<Rgb, 12> Point{};
};
CurveColours MakeCurveColours();

// Drawing order of the curves for the main window's selected object
// (1 or 4: C, B, A; 2: C, A, B; 3: B, A, C), L always last.
std::array<ChartCurve, 4> CurveOrder(int selected_object);

struct ChartOptions {
  CurveBoxes Boxes{true, false, false, false};  // A, B, C, L
  bool Data = true;         // CheckBox7
  bool Axis = true;         // CheckBox8
  bool Hilight = false;     // CheckBox10
  bool Information = true;  // CheckBox9
  bool Id = false;          // CheckBox12
  bool FixRange = false;    // main window's 'Fix Graph's Min & Max'
  int SelectedObject = 1;
  int FrameStep = 1;        // at least 1 is used
  int FrameRateRounded = 0;
};

// Diffraction and asteroid marks around the selected record.
struct ChartMarks {
  bool DiffractionMode = false;
  int ThirdWindowFrom = 0, ThirdWindowTo = 0;
  int PreEventWindowFrom = -30, PreEventWindowTo = -11;
  int PostEventWindowFrom = 11, PostEventWindowTo = 30;
  bool CustomFitRange = false;
  int FitRangeFrom = -30, FitRangeTo = 30;
  bool UpperLevelFixed = false, LowerLevelFixed = false;
  std::array<int, 2> FixedUpperWindow{0, 0}, FixedLowerWindow{0, 0};
  bool AsteroidChartMode = false;
  int IntegrationPhase = 0, IntegrationCount = 0;
};

// Texts for the title and information lines.
struct ChartTexts {
  std::string FileName;
  std::string IdentificationTitle;
  bool PsfPhotometry = false;  // main window's 'Photometry'
  std::string Edit24, Edit25, Edit26, Edit27;  // the frame's time read-out
  std::string DistanceText, VelocityText;
  std::string EventCentreText, EventErrorText, ContactAngleText;
  bool MagnitudeWindowShown = false;
};

struct ChartDrawResult {
  bool Drawn = false;             // false: a zero range, nothing was drawn
  bool TimeButtonsEnabled = true;
  std::string SnText;             // Edit1
  bool ValuesWritten = false;     // curve A was drawn: the report fields below are set
  std::string StartH, StartM, StartS, EndH, EndM, EndS;
  int ValueCount = 0;
  std::vector<double> Values;
};

// The S/N read-out of a set of values: "S/N= " mean/sd with one decimal;
// empty for no values or a standard deviation of 0. Running sums.
class SnAccumulator {
 public:
  void Add(double v);
  std::string Text() const;
  long n() const { return count_; }

 private:
  long count_ = 0;
  long double mean_ = 0, m2_ = 0;
};

// Value grid lines and labels, the bottom axis and the left axis.
void XAxisShow(const ChartView& view, bool axis_lines, int frame_step, ChartPicture& pic, ChartView* out_view = nullptr);
void YAxisShow(const ChartView& view, ChartPicture& pic);

// The information line text ("" without a selection).
std::string InformationText(const std::vector<std::string>& lines, const ChartData& data, const TChartState& state,
                            const ChartMarks& marks, const ChartTexts& texts);

// The whole drawing (the chart's GraphShow3).
void GraphShow3(const std::vector<std::string>& lines, const ChartData& data, TChartState& state, ChartView& view,
                const ChartOptions& options, const ChartMarks& marks, const ChartTexts& texts,
                ChartPicture& pic, ChartDrawResult& result);
