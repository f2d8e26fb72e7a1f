#pragma once
// What the chart shows of a diffraction fit: the two model levels and the
// direction, the 1-sigma timing error, the fitted curve, the event marker
// with its error bars and the residual curve of the lower panel, as drawing
// steps in chart pixels.
#include <string>
#include <vector>

#include "chart/ChartPicture.h"
#include "chart/ChartState.h"
#include "events/ChartEventState.h"
#include "events/DiffractionModel.h"

// The model's levels from the pre- and post-event means; a and b are the
// means as the timing error uses them (the lower one replaced by the
// magnitude-drop level when that is applied).
struct FitLevels {
  uint8_t Reappearance = 0;
  double Upper = 0, Lower = 0;
  double A = 0, B = 0;
};
FitLevels DecideFitLevels(double pre, double post, bool apply_mag_drop, double mag_drop, const DiffractionState& d);

// The fit's timing error. Not defined for a one-record window, equal levels
// or a noise ratio where the polynomial gives no positive error: the texts
// are then "---".
struct FitTimingError {
  bool Valid = false;
  double SigmaI = 0;     // intensity error of the vertical bar
  double Frames = 0;
  double Ms = 0;
  std::string FramesText = "---", MsText = "---", SecondsText = "---", CountText;
};
// The polynomial's error belongs to a step inside one exposure; an event
// spread over W records (`FitOutcome::EventWidthRecords`) adds the
// least-squares error N/S x sqrt(W - 1) records (`EventTimingErrorFrames`).
FitTimingError ComputeFitTimingError(long double residual, int observed_count, const DiffractionState& d, double a,
                                     double b, long double model_frame_rate, uint8_t field_mode,
                                     double event_width_records = 0);

struct FitDrawInput {
  ChartView View;              // scales and margins of the drawing just made
  int Selected = 0, FirstShown = 0, ShownCount = 0, RecordCount = 0;
  long double TimingFrameRate = 29.97;
  long double Factor = 1;
  int32_t FitOffset = 0;
  uint8_t Reappearance = 0;
  double Upper = 0, Lower = 0;
  FitTimingError Error;
  // Table milliseconds per model millisecond: records every n-th frame apart
  // state the error in the table's time, the drawing is in the model's.
  long double TimeScale = 1;
  int32_t ComponentSeparation = 0;
  Rgb CurveColour = chart_colour::Red;
  bool JoinResiduals = true;   // the chart's "Data" box
  int PointSize = 0;           // the chart's point size
};

struct FitPoint {
  int X = 0, Y = 0;
  long double Value = 0;
};
// The exposure-averaged model at t ms from the selected record, in pixels.
FitPoint MakeModelCurve(const DiffractionModel& model, const FitDrawInput& in, int t_ms);

struct FitDrawing {
  ChartPicture Curve;     // over the chart picture
  ChartPicture Residual;  // the lower panel, 740 x 150
  std::vector<std::string> CurveLines;  // "t X: x Y: y" per drawn point
};
FitDrawing BuildFitDrawing(const DiffractionModel& model, const FitDrawInput& in, const std::vector<double>& values);

// The fitted curve's colour chosen by the developer option: red, blue, gray, black.
Rgb FitCurveColour(int option_index);

// "fresnel textout": "t,value" (seconds, model value) at the start of the
// drawn curve and at every point the drawing computes.
std::vector<std::string> CurveValueListing(const DiffractionModel& model, const FitDrawInput& in);

// The model's disk intensity from +0.200 s down to -0.200 s in 1 ms steps,
// 401 lines.
std::vector<std::string> DiskIntensityListing(const DiffractionModel& model);
