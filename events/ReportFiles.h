#pragma once
// File names of the saved reports and the camera-setting text file that
// fills the report's camera edits.
#include <string>
#include <string_view>
#include <vector>

#include "events/ChartEventState.h"

// "(number)name" + yymmdd + hour part + "-" + observer + ".xml".
std::string MakeXmlFileName(const TReportLightCurveElement& e, std::string_view observer);
// The proposed name of the text light curve (".dat").
std::string MakeLightCurveFileName(const TReportLightCurveElement& e);

struct CameraSettings {
  std::string CaptureArea, Binning, HighSpeedMode, Gain, Exposure, Brightness;
  int KeysFound = 0;  // lines with one of the six keys
};
// Key=value lines; later lines replace earlier values; the exposure is cut
// before its "m" unit and stripped of trailing zeros ("12.5000ms" -> "12.5").
CameraSettings ParseCameraSettings(const std::vector<std::string>& lines);
