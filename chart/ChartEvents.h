#pragma once
// The event state the light-curve chart keeps: what it stores for the report,
// the diffraction-analysis variables it draws and resets, and the texts and
// flags of the event windows it reads. Plain structs, owned once (by the main
// window) and passed by reference; the event analysis adds its own part.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum class ReportKind : uint8_t { Asteroid = 0, Lunar = 1, Initial = 2 };

// What is known about the observation, filled by the identification windows
// and the chart, read by the reports.
struct TReportLightCurveElement {
  ReportKind Kind = ReportKind::Initial;
  std::string ObjectLabel, RecordingDate;
  std::string StartH, StartM, StartS, EndH, EndM, EndS, Duration;
  // Days 'Make Report' moved the start on from the recording date (a start
  // rounding up to midnight, or an hour past 24); 0 again when the chart
  // writes its own times.
  int32_t StartDays = 0;
  std::string LongitudeD, LongitudeM, LongitudeS, LatitudeD, LatitudeM, LatitudeS, Altitude;
  std::string Observer, Catalogue, StarNumber;
  std::array<std::string, 11> LunarValues;  // the fourth is the limb slope
  int32_t ValueCount = 0;
  std::vector<double> Values;  // from index 0, at most kMaxLightValues
  // Filled by the identification windows; read by the reports.
  std::string ObjectNumber, ObjectName;
  std::string EventDate, EventHour;  // "y|m|d" and the typed UT hour
  std::string Longitude, Latitude;   // signed degrees, minutes, seconds joined by blanks
  std::string CoObserver, Site, Country;
  std::string ZcLabel, ZcNumber;
  std::string BMag, VMag, RMag;
};
constexpr int32_t kMaxLightValues = 1000001;
// The eleven lunar values, as the report's "Object: Moon: " line lists them:
// position, axis and cusp angle, limb slope, the record's contact-angle text
// (the prediction's, or "0.0" for an asteroid), relative motion,
// illumination, Moon altitude, libration in longitude and latitude, apparent
// radius.
constexpr size_t kLunarLimbSlopeIndex = 3;
constexpr size_t kLunarContactAngleIndex = 4;

constexpr double kLevelUnset = -1000000.0;

// Diffraction-analysis variables; offsets are records from the selection.
struct DiffractionState {
  long double RateFactor = 1.0L;
  long double ModelFrameRate = 0.0L;
  int64_t ObjectDistance = 384401000;  // metres
  long double ObjectVelocity = 700.0L;
  double FresnelTestWavelength = 600;
  // Levels of the pre, step and post windows.
  std::array<double, 3> LevelMean{kLevelUnset, kLevelUnset, kLevelUnset};
  std::array<double, 3> LevelStdError{0, 0, 0};
  std::array<int32_t, 3> LevelCount{0, 0, 0};
  double UpperLevel = kLevelUnset, LowerLevel = kLevelUnset;
  uint8_t UpperLevelFixed = 0, LowerLevelFixed = 0;
  uint8_t UpperLevelFirst = 1, PreviousUpperLevelFirst = 1;
  uint8_t CustomFitRange = 0;
  int32_t FitRangeFrom = -30, FitRangeTo = 30;
  int32_t PreEventWindowFrom = -30, PreEventWindowTo = -11;
  int32_t PostEventWindowFrom = 11, PostEventWindowTo = 30;
  int32_t ThirdWindowFrom = 0, ThirdWindowTo = 0;
  std::array<int32_t, 2> FixedUpperWindow{0, 0}, FixedLowerWindow{0, 0};
  uint8_t DoubleStarFit = 0;
  int32_t ComponentSeparation = 0;  // ms
  int32_t ComponentWeight = 0;      // per mille, first component
  double StepHeightPercent = 50;
  uint8_t StarDiameterOn = 0;
  double StarAngularDiameter = 0;   // milliarcseconds
  double MeasuredContactAngle = 0;
  double BminusV = 0.65;
  uint8_t DiffractionFitted = 0;
  int32_t LevelWindowsChanged = 0;
  // First and last frames of the upper- and lower-level windows; -1 unset.
  std::array<int32_t, 4> LevelWindowFrames{-1, -1, -1, -1};
  // Results of the last fit.
  uint8_t ReappearanceFit = 0;
  int32_t FitOffset = 0;            // 0.1 ms
  long double FitResidual = 0;
  int32_t ObservedWindowCount = 1;
  double EventWidthRecords = 0;     // records the fitted event takes to pass
  uint8_t FresnelEditGuard = 0;
};

// Texts the chart shows in its title and information lines.
struct EventTexts {
  std::string DistanceText, VelocityText;
  std::array<std::string, 3> EventCentreText, EventErrorText;
  std::string ContactAngleText;
  std::string FittedContactAngleText;
  std::string IdentificationTitle, IdentificationCode;
};

struct EventFlags {
  uint8_t MagnitudeWindowShown = 0;
  uint8_t IdentificationOpen = 0;
  // Where the lunar identification window opens when the chart opens it.
  int32_t IdentificationChartParam = 0, IdentificationChartLeft = 0;
  uint8_t IdentificationFromChart = 0;
  int32_t IntegrationPhase = 0, IntegrationCount = 0;
  uint8_t AsteroidEventApplied = 0, AsteroidWorkflowStarted = 0;
  uint8_t IntegratedVideoMeasured = 0;
  int32_t IdentTextScrollPos1 = 12, IdentTextScrollPos2 = 400;
  int32_t PresetSelectedFrame = -1;
  double MagDrop = 0;
  std::array<uint8_t, 3> TimeFieldEdited{0, 0, 0};
};

struct ChartEvents {
  TReportLightCurveElement ReportLightCurveElement;
  DiffractionState Diffraction;
  EventTexts Texts;
  EventFlags Flags;
};

// The diffraction defaults the chart applies when its window opens.
// `total_frame_count` is the record count set by the opener.
void ApplyChartOpeningDefaults(ChartEvents& s, bool reset, uint8_t field_mode, int32_t total_frame_count);

// The chart's 'Reset': level-window frames unset, upper level first.
void ResetLevelWindows(DiffractionState& d);
