#pragma once
// Magnitudes of the two components of a double star, the magnitude drop, the
// noise ratio and S/N of the event, and the event time corrected for the
// step inside an integrated frame and for the camera's delay.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "events/ChartEventState.h"

// Level windows in the order pre, step, post.
struct LevelWindows {
  std::array<double, 3> Mean{0, 0, 0};
  std::array<double, 3> StdError{0, 0, 0};
  std::array<int32_t, 3> Count{0, 0, 0};
};

// Captured once when the calculator opens.
struct CapturedIntensities {
  long double Combined = 0, First = 0, Second = 0;
  long double CombinedError = 0, FirstError = 0, SecondError = 0;
};
CapturedIntensities CaptureIntensities(const LevelWindows& w, bool double_star, double step_height_percent);

enum class EventCamera { Off, Wat100N, Wat120N, Wat910HX };

// Camera delay in ms: rows 120N field 1/2, 910HX field 1/2; column the
// integration position 0..9.
extern const std::array<std::array<int32_t, 10>, 4> CameraDelayTable;
int32_t CameraDelay(EventCamera camera, int field, int position);

struct BaseTime {
  int32_t Hour = 0, Minute = 0;
  double Second = 0;
};

struct MagnitudeInputs {
  LevelWindows Levels;
  CapturedIntensities Intensities;
  std::string PairMagnitudeText = "0.00";  // as the calculator shows it
  long double PairMagnitude = 0;
  // The diffraction panel.
  bool DoubleStar = false;
  bool StepWindowSet = false;  // the step window's two offsets differ
  bool DiffractionFitted = false;
  double EventWidthRecords = 0;  // records the fitted event takes to pass
  // Frames from one record to the next when every n-th one is measured, and
  // the frames averaged into one record of an integrated video's blocks
  // (below 2: none).
  int RecordStep = 1;
  int32_t BlockFrames = 0;
  std::string Offset1Text = "0", Offset2Text;  // fitted offsets of the components, ms
  std::string ContactAngleText;
  std::string PredictedDropText;
  bool DropConsidered = false;
  double StepHeightPercent = 50;
  // The calculator's settings.
  EventCamera Camera = EventCamera::Off;
  bool StepCorrection = false;  // "Consider step hight for time estimation"
  int IntegrationPosition = 0;
  std::string IntegrationText = "0";
  int FieldSelection = 0;
  bool FieldRecords = false;  // the chart's records are fields, each stamped at its end
  std::array<BaseTime, 2> BaseTimes{};
  std::array<bool, 2> BaseTimeRead{true, true};  // false: the frame's stamp gave no time for the field
  int SecondsDigits = 3;
  double TimingFrameRate = 29.97;
  const TReportLightCurveElement* Element = nullptr;
};

// Texts that later operations (the event list) read; they keep their last
// values when a calculation stops early.
struct EventResultTexts {
  std::string EventHourText, EventMinuteText, EventSecondText;
  std::string SecondEventHourText, SecondEventMinuteText, SecondEventSecondText;
  // The second component's event came first (a reappearance): the first
  // event's error and S/N texts go with the second component's time.
  bool SecondComponentFirst = false;
  std::string TimingErrorText, FirstTimingErrorText, SecondTimingErrorText;
  std::string EventSnText, FirstEventSnText, SecondEventSnText;
  std::string MeasuredDropText, PredictedDropText;
  uint8_t EventIsDisappearance = 0;
  std::string MeasuredContactAngleText, PredictedContactAngleText;
  int32_t IntegrationFrames = 0;
};

struct MagnitudeResult {
  std::string Edit5 = "---", Edit6 = "---", Edit7 = "---", Edit8 = "---";
  std::vector<std::string> Memo1, Memo2;
  // This call set the event texts; otherwise they are an earlier event's.
  bool EventTimed = false;
};

// Shown instead of an event time when the chosen field's base time was not read.
inline constexpr const char* kNoBaseTimeMessage =
    "The frame's time stamp gave no base time for this field. Type the base time into its edits and press "
    "\"Apply the edit time and Re-open graph\".";

MagnitudeResult MagnitudeCalculation(const MagnitudeInputs& in, EventResultTexts& keep);
