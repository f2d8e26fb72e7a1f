#pragma once
// The asteroidal-occultation observation report in its two forms: the
// line-oriented XML report and the plain-text report. Both are rebuilt from
// the event timing list, the report record and the report window's inputs.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "events/ChartEventState.h"

// What the report window's edits and lists hold. Selected list texts are the
// item texts as shown ("a GPS", "1 Steady"); an index of -1 means none.
struct ReportFormInputs {
  std::string Catalogue, StarNumber;   // Edit13, Edit14
  std::string Observer, CoObserver;    // Edit11, Edit12
  std::string Site, Country;           // Edit9, Edit10
  int DatumIndex = 0;                  // ComboBox2
  std::string DatumText = "WGS84";
  std::string Aperture = "20";         // Edit27, cm
  int TelescopeIndex = 2;              // ComboBox3
  std::string TelescopeText = "Newtonian";
  std::string FNumber = "4.0";         // Edit46
  std::string RecordingText = "a Analog or Digital video";  // ComboBox4
  std::string TimeKeepingText = "a GPS";                     // ComboBox5
  std::string StabilityText = "1 Steady";                    // ComboBox6
  std::string TransparencyText = "1 Clear";                  // ComboBox7
  std::string Remarks;                 // Edit38
  int MinorKind = 1;                   // ComboBox8: None, Doublestar, Sattelite, Ring
  std::string CameraModel, TimeKeepingModel;  // Edit44, Edit45
  std::string CaptureArea, Binning, HighSpeedMode, Gain, Exposure, Brightness;  // Edit47..Edit52
  std::string TimeLog = "Recorded", EvidenceShot = "Recorded";  // ComboBox10, ComboBox11
};

// What the text report needs of the main window.
struct ReportClock {
  int TimeStampMode = 0;         // 3: frames carry the capture program's tick stamps
  double TimingFrameRate = 29.97;
  int64_t FirstFrameTicks = 0, LastFrameTicks = 0;
};

// `last_edited` is the date of the <LastEdited> line, "y|m|d".
std::vector<std::string> BuildXmlReport(const TAsteroidTiming& timing, const TReportLightCurveElement& e,
                                        const ReportFormInputs& in, std::string_view last_edited);
std::vector<std::string> BuildTextReport(const TAsteroidTiming& timing, const TReportLightCurveElement& e,
                                         const ReportFormInputs& in, const ReportClock& clock);

// The name of the first input ("observer", "site", ...) whose text the XML
// report cannot carry: '|' separates the report's fields and control
// characters are not allowed in XML. Empty when every input can be written.
std::string XmlReportUnsafeInput(const TReportLightCurveElement& e, const ReportFormInputs& in);
// The same for the times and errors of the timed events ("time of event 2").
std::string XmlReportUnsafeEvent(const TAsteroidTiming& timing);

// The name of the first position, altitude or timed event's time ("time of
// event 2") that holds something other than numbers; parts left empty count
// as none. Empty when every one reads as numbers.
std::string XmlReportNoNumber(const TReportLightCurveElement& e, const TAsteroidTiming& timing);
// The first timed event ("time of event 2") whose hour, minute or second is
// beyond a day's clock (hour 0-23, minute 0-59, second below 60). Empty when
// every time is one.
std::string XmlReportNoTimeOfDay(const TAsteroidTiming& timing);

// Today's UTC date as "y|m|d" without leading zeros.
std::string TodayUtcBarDate();

// The catalogue name both reports print: "TYC" becomes "Tycho2", "HIP" and
// "UCAC4" stay, anything else gives the record's catalogue.
std::string ReportCatalogue(std::string_view typed, const TReportLightCurveElement& e);

// Non-empty, at most one '.', neither first nor last, the rest digits.
bool IsDecimalNumberText(std::string_view s);
// Non-empty, only digits and points.
bool IsDigitsAndPoints(std::string_view s);

// "+135 30 15.0" -> "135o30'15.0\"  E" (latitude: N/S). Short or unsplittable
// texts are returned unchanged.
std::string FormatLongLat(std::string_view joined, bool latitude);

// The lunar object line ("Object: Moon: " and eleven values joined by ": ")
// with its fourth value replaced by `slope`; nothing for other lines.
std::optional<std::string> WithLimbSlope(std::string_view object_line, std::string_view slope);
