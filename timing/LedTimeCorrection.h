#pragma once
// UTC of every frame from the PC times recorded with each row (fields 8-10)
// and a GPS one-pulse-per-second LED measured in field 2.
//
// A line of the recorded PC time against the data-line index smooths the PC
// clock. Because the frame rate is not a whole number, the pulse edge drifts
// through the frame by CycleDrift every cycle of N frames; a line of the LED
// signal of one frame per cycle against the cycle number finds the cycle at
// which the edge meets the frame's end, which ties the PC time to a whole UTC
// second. That offset then moves every frame's time.
//
// Times of day are seconds of the day in long double, split into hour,
// minute and seconds by truncation, with no wrap at midnight.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "timing/LedBackground.h"

struct TLedFrameTime {
  int32_t FitHour = 0, FitMinute = 0;
  long double FitSeconds = 0;
  int32_t CentreHour = 0, EndHour = 0, CentreMinute = 0, EndMinute = 0;
  long double CentreSeconds = 0, EndSeconds = 0;
};

struct TimeOfDay {
  int32_t Hour = 0, Minute = 0;
  long double Seconds = 0;
};
TimeOfDay SplitTimeOfDay(long double t);
inline long double Seconds(int32_t h, int32_t m, long double s) { return h * 3600.0L + m * 60.0L + s; }

// y = Intercept + Slope x by the normal equations; a zero determinant divides by 1.
struct LedLine {
  long double Slope = 0, Intercept = 0;
  int Count = 0;
};
LedLine FitLedLine(const std::vector<long double>& x, const std::vector<long double>& y);

// RoundHalfAway(rate) / rate - 1: seconds the pulse drifts through the frame per cycle.
long double CycleDrift(long double frame_rate);
// Frames per cycle: the rate rounded, halves away, at most 100000.
int32_t CycleFrames(long double frame_rate);

// Whether the pulse edge walks later (the cycle lasts more than a second) or
// earlier through the frame; a rate within 1e-4 of a whole number gives no
// drift to measure.
enum class LedCycleKind { Increase, Decrease, WholeRate };
LedCycleKind CycleKind(long double frame_rate);

// What outlives the LED window: owned by the main window.
struct LedCorrectionState {
  int32_t LedDataLineCount = 0;
  std::vector<TLedFrameTime> LedFrameTimes;  // one per frame 0..last frame of the video
  int32_t LedCycleFrames = 30;
  long double PcTimeSlope = 0, PcTimeIntercept = 0;
  bool PcTimeFitted = false;  // the last verification found recorded PC times to fit
  bool CorrectedTimesSet = false;  // a calibration has filled the corrected fields since then
  long double PpsCycleFraction = 0;
  int32_t PpsLine = 0;
  long double LedTimeOffset = 0;
  int32_t PpsFrame = 0;
  int32_t PpsEndHour = 0, PpsEndMinute = 0;
  double PpsEndSeconds = 0;
  bool PpsPointSet = false;  // a cycle fit since then has found a crossing and so the calibration point above
  // The times "Apply to Analysis" wrote into the rows, which each frame is
  // shown and measured with until the next apply: a new step 1 or an
  // unapplied fit must not change them under the rows already written.
  std::vector<TLedFrameTime> AppliedFrameTimes;
};

// Forgets the fits, the frame times and the calibration point: they belong
// to the video they were made on.
void ForgetLedCalibration(LedCorrectionState& s);

// The results table as the correction reads it.
struct LedTable {
  const std::vector<std::string>* Lines = nullptr;
  int HeaderLineCount = 4;
  int LastLine = -1;     // LedDataLineCount
  int StartFrame = 0;    // frame of data line 0
  int LastFrame = 0;     // the video's last frame (ScrollBar1.Max)
  const std::string& Line(int data_line) const;
  // Data lines with a frame record: StartFrame + i within 0..LastFrame.
  bool HasRecord(int data_line) const;
};

// The frame record a data line is timed by.
struct LedRowFrame {
  int Frame = 0;             // index into LedFrameTimes
  bool SecondField = false;  // the row half a frame after its frame's first
};
struct LedRowFrames {
  bool Consecutive = true;  // one row per frame: data line i is frame StartFrame + i
  bool FieldRows = false;   // two rows per frame, n and n + 0.5
  std::vector<LedRowFrame> Rows;  // one per data line; empty when the rows cannot be keyed
  std::string Problem;            // why not, or how the rows are read when not consecutive
  bool HasRecord(const LedTable& t, int data_line) const;
};
// Consecutive frame numbers (or unreadable ones) keep data line i at frame
// StartFrame + i. Otherwise (a measurement step, field rows) every row is
// keyed by its own frame number, counted from the first row's; numbers that
// do not rise in whole or half frames key nothing.
LedRowFrames KeyLedRows(const LedTable& t);

struct PcTimeFit {
  bool Fitted = false;             // false: no PC time recorded
  std::vector<std::string> Table;  // "frame  h  m  ss.sssssss field7"
  std::vector<std::string> Warnings;
};
// Sizes LedFrameTimes to last_frame + 1 cleared records, then fits the line
// and fills the fitted PC time of every frame. Rows without a frame record or
// without a readable PC time are left out of the fit and told, and so are
// rows that are not consecutive frames; fewer than two rows give no fit.
PcTimeFit FitRecordedPcTime(const LedTable& t, LedCorrectionState& s);

// The recorded PC time of data line i in seconds of the day; none unless
// its three time fields read as numbers a clock can show (hour 0-47).
std::optional<long double> RecordedPcTime(const LedTable& t, int data_line);

struct CycleFitResult {
  bool SlopeFound = false;
  long double Slope = 0, Intercept = 0, ZeroCycle = 0;
  std::optional<long double> Error;  // none with fewer than three lines flagged
  std::string Edit18, Edit19, Edit21, Edit27, Edit28;
  std::vector<std::string> Table;  // the recorded and corrected times
  std::string Refused;             // why no fit was made
};
// The cycle fit over cycles lower..upper from the PPS rising line and the
// corrected times of every frame. A flat fit keeps the previous offset.
CycleFitResult FitLedCycle(const LedTable& t, std::vector<TLedFrameSample>& samples, int lower, int upper,
                           long double frame_rate, LedCorrectionState& s);

// Corrected centre and end of every frame from the offset.
void ApplyLedOffset(long double frame_rate, LedCorrectionState& s);
std::vector<std::string> CorrectedTimeTable(const LedTable& t, const LedCorrectionState& s);

// ---- memorised calibration points ----
// "0001 00123 05:07:09.1234567": entry, frame, end time of the frame.
std::string FormatMemorisedPoint(int entry, int32_t frame, int32_t hour, int32_t minute, long double seconds);
struct MemorisedPoint {
  int32_t Frame = 1, Hour = 0, Minute = 0;
  long double Seconds = 1;
};
// Read by blank-separated tokens, so frames of six digits or more read back;
// unreadable parts take the defaults above.
MemorisedPoint ParseMemorisedPoint(const std::string& line);
// Ordered by frame and numbered from 1.
void SortAndRenumberPoints(std::vector<std::string>& points);
// Adds the point unless one with its frame exists; true when added.
bool AddMemorisedPoint(std::vector<std::string>& points, int32_t frame, int32_t hour, int32_t minute,
                       long double seconds);
// The line through the points gives the end of every frame; the centre lies
// half a fitted frame before it. Returns diagnostic lines.
std::vector<std::string> FitMemorisedPoints(const std::vector<std::string>& points, int last_frame,
                                            LedCorrectionState& s);
// Adds the fitted PC time of the first and last data line as two points (no
// LED correction); returns how many were new, none when the last
// verification found no recorded PC time to fit.
int AddPointsWithoutLedCorrection(std::vector<std::string>& points, const LedTable& t, const LedCorrectionState& s);

// ---- the PPS rising line and the cycle range ----
// Chooses among lines clicked-20..clicked+20 inside the data the lit line
// nearest to the click (distance in pixels); the first line of the range (at
// least line 0) when none is lit; nothing for a click beside the data.
template <class Distance>
std::optional<int> ChoosePpsRisingLine(const std::vector<TLedFrameSample>& samples, int last_line, int clicked,
                                       Distance distance);
// Marks the chosen line and the lines a whole number of cycles from it.
void MarkPpsRisingLine(std::vector<TLedFrameSample>& samples, int last_line, int line, int cycle_frames);
// Clears the choice, the fit flags and the fitted line.
void ClearPpsChoice(std::vector<TLedFrameSample>& samples);
// Clears the fitted line and its zero crossing only.
void ClearCycleFit(std::vector<TLedFrameSample>& samples);
// Mean signal over cycles -10..0 below cycles 0..10 from the line.
bool SignalRises(const std::vector<TLedFrameSample>& samples, int last_line, int line, int cycle_frames);
// A line whose trend matches the rate's drift: a good place to click.
bool ClickCandidate(const std::vector<TLedFrameSample>& samples, int last_line, int line, int cycle_frames,
                    LedCycleKind kind);
// The cycle bounds the data allow, held within -30..40.
struct CycleBounds {
  int Lower = 0, Upper = 0;
};
CycleBounds CycleRangeBounds(int last_line, int pps_line, int cycle_frames);
// The first PpsRising line, 0 when none.
int PpsRisingLine(const std::vector<TLedFrameSample>& samples, int last_line);
// Flags the cycle lines lower..upper (0 excluded) for the fit.
void MarkCycleRange(std::vector<TLedFrameSample>& samples, int last_line, int pps_line, int cycle_frames, int lower,
                    int upper);

// ---- apply to the results table ----
// Fields 4-7 of every data line with a record: centre hour, centre minute,
// centre seconds, end seconds. Nothing (the table stays as it is) when no
// frame has been measured, or when the rows cannot be keyed by frame.
// Field rows take the time of their own field: the first the frame's centre,
// the second its end, each with its hour and minute in fields 4 and 5 and
// field 7 left empty.
std::optional<std::vector<std::string>> ApplyLedTimesToTable(const LedTable& t, int last_measured_frame,
                                                             const LedCorrectionState& s);
// "05" / "12"; "09.1234" / "59.1234".
std::string LedSecondsField(long double seconds);

template <class Distance>
std::optional<int> ChoosePpsRisingLine(const std::vector<TLedFrameSample>& samples, int last_line, int clicked,
                                       Distance distance) {
  if (clicked < 0 || clicked > last_line) return std::nullopt;
  const int first = std::max(clicked - 20, 0);
  const int last = std::min({clicked + 20, last_line, static_cast<int>(samples.size()) - 1});
  if (first > last) return std::nullopt;
  int chosen = first;
  long double best = 0;
  for (int i = first; i <= last; ++i) {
    const long double d = samples[static_cast<size_t>(i)].Lit ? distance(i) : 100000.0L;
    if (i == first || d < best) {
      best = d;
      chosen = i;
    }
  }
  return chosen;
}
