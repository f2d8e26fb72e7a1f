#pragma once
// Predicted occultation events read from a prediction text, and the texts the
// event identification window shows for a chosen event.
//
// Two formats are read:
// - An elements file in an XML-like form, read line by line (not as XML):
//   "<Occultations>" at the very start of a line opens the list; each event
//   is a line "<Event>" up to a line starting "</Event>"; the tags
//   "<Elements>", "<Star>" and "<Object>" start their lines (after leading
//   blanks or tabs) and are followed by comma-separated fields. A closing tag
//   stuck to the last field ("...,1.5</Object>") is cut off; line ends may be
//   CR LF, LF or CR. Several tags on one line give nothing.
// - A pasted lunar prediction listing (first line "Occultation prediction
//   for ..."), one event per line at fixed columns.
// Nonsense numbers keep the reset value or the stated default; nothing throws.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Occelmnt_Format {
  std::string Date;  // "2024 May 12": year, month abbreviation, day
  double UT = 0;     // hours
  int32_t ObjectNumber = 0;
  std::string ObjectName;  // "Moon" for a lunar event
  double ObjectMagnitude = 0;
  double ObjectDiameter = 0;  // km
  std::string Star;
  double B = 0, V = 0, R = 0;
  double BminusV = -1;  // -1: no colour index
  std::string SpectralType;
  double StarDiameter = 0;  // milliarcseconds
  double CombinedMagnitude = 0;
  double Velocity = 0;      // shadow velocity, m/s
  double Distance = 0;      // km
  double ContactAngle = 0;  // degrees, 0..90
  std::string Observer;
  std::string Camera;
};

// What a prediction text gave: one record per event and the event list's lines.
struct PredictionList {
  std::vector<Occelmnt_Format> Events;
  std::vector<std::string> Lines;  // list line k shows event k
  // The B-V of the last event read (the diffraction panel's colour follows it).
  std::optional<double> LastBminusV;
  // The text ended inside an event (a file cut short), or a pasted line
  // inside one of its values: that event is left out.
  bool LastEventCut = false;
};

inline constexpr std::string_view kPastedPredictionStart = "Occultation prediction for";
inline constexpr size_t kMaxPredictionEvents = 5000;

// A listed contact angle folded into 0..90 degrees: its size, above 90 the
// supplement; angles beyond 180 (or a full turn) are first brought back into
// 0..180, so 270 gives 90 and 350 gives 10.
double FoldedContactAngle(double degrees);

// -2.5 log10(K^m1 + K^m2), K = 10^-0.4 to seven digits.
double CombinedMagnitude(double m1, double m2);

// "Jan".."Dec" for 1..12; empty otherwise.
std::string MonthAbbreviation(int month);

// Nothing when the text holds no "<Event>" line (the previous list stays).
// With "<Event>" lines but no "<Occultations>" line: reset records, no lines.
std::optional<PredictionList> ParseXmlPredictionFile(const std::vector<std::string>& lines);

// Nothing when no line is an event line.
std::optional<PredictionList> ParsePastedLunarPrediction(const std::vector<std::string>& lines);

// The text read as the window reads it: the pasted listing when the first
// line starts with kPastedPredictionStart, else the elements file.
std::optional<PredictionList> ReadPredictionText(const std::vector<std::string>& lines);

// The date text of the video as the listing writes it: "2024 May  5".
// Empty when the month is no month number 1..12 or the year no integer.
std::string VideoDateText(std::string_view stamp_year2, std::string_view stamp_month, std::string_view stamp_day);

// The lunar event nearest the video's date and time within 0.05 h (an event
// on the neighbouring day counts across midnight; of two equally near the
// first); -1 when none, or when the first event is not the Moon.
int SelectEventByVideoTime(const std::vector<Occelmnt_Format>& events, const std::string& video_date,
                           double video_ut_hours);

// R^2 / (D * 600 nm) with R half the diameter and D the distance, in metres;
// 0 when the distance is 0.
double FresnelNumber(double diameter_km, double distance_km);

// The texts the identification window shows for an event.
struct PredictionEventTexts {
  std::string Date, UT, Object, ObjectMagnitude, ObjectDiameter;
  std::string Star, B, V, R, BminusV;
  std::string StarDiameter, Velocity, Distance, MagnitudeDrop, ContactAngle;
  std::string CombinedMagnitude, FresnelNumber;
  double Combined = 0;  // the combined magnitude the event now carries
};
PredictionEventTexts DescribePredictionEvent(const Occelmnt_Format& e);
