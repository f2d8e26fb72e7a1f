#include "chart/ChartEvents.h"

void ApplyChartOpeningDefaults(ChartEvents& s, bool reset, uint8_t field_mode, int32_t total_frame_count) {
  DiffractionState& d = s.Diffraction;
  d.DoubleStarFit = 0;
  d.ComponentSeparation = 0;
  d.ComponentWeight = 0;
  d.StarAngularDiameter = 0;
  if (reset) {
    d.RateFactor = 1.0L;
    d.MeasuredContactAngle = 0;
    if (!s.Flags.AsteroidEventApplied && !s.Flags.AsteroidWorkflowStarted) {
      d.ObjectDistance = 384401000;
      d.ObjectVelocity = 700;
    }
  }
  d.FresnelTestWavelength = 600;
  d.LevelMean[0] = d.LevelMean[1] = kLevelUnset;
  d.UpperLevel = d.LowerLevel = kLevelUnset;
  d.UpperLevelFixed = d.LowerLevelFixed = d.CustomFitRange = 0;
  d.UpperLevelFirst = d.PreviousUpperLevelFirst = 1;
  d.FitRangeFrom = -30;
  d.FitRangeTo = 30;
  d.ThirdWindowFrom = d.ThirdWindowTo = 0;
  if (!field_mode) {
    d.PreEventWindowFrom = -30, d.PreEventWindowTo = -11, d.PostEventWindowFrom = 11, d.PostEventWindowTo = 30;
  } else if (total_frame_count < 120) {
    const int32_t t = total_frame_count;
    d.PreEventWindowFrom = -(t / 2), d.PreEventWindowTo = -(t / 3);
    d.PostEventWindowFrom = t / 3, d.PostEventWindowTo = t / 2;
  } else {
    d.PreEventWindowFrom = -60, d.PreEventWindowTo = -21, d.PostEventWindowFrom = 21, d.PostEventWindowTo = 60;
  }
}

void ResetLevelWindows(DiffractionState& d) {
  d.LevelWindowFrames = {-1, -1, -1, -1};
  d.UpperLevelFirst = 1;
  d.PreviousUpperLevelFirst = 1;
}
