#pragma once
// The arithmetic of measurement runs and playback, without the window: the
// rules START, STOP, '1Frame', 'DEL', the run timer, the step buttons and
// GoToFrame apply to the frame position (ScrollBar1) and the results table.
// The main window gathers its state, calls these, and applies the answer.
#include <optional>
#include <string>
#include <vector>

#include "base/ResultCsvFormat.h"

// Lines before the first result row plus one: 7 for table versions 1..3, else 4.

// The line of frame n's row (its first row when measuring fields), -1 when no
// row holds it. Rows are one per frame from start_frame in the usual table;
// with a measurement step or field rows they are found by their frame
// numbers, which grow down the table.
int RowLineOfFrame(const std::vector<std::string>& lines, int header_lines, int start_frame, int n);

// The rows come in field pairs: the second row stands half a frame after
// the first ("10.0", "10.5"). header_lines as below.
bool TableHasFieldRows(const std::vector<std::string>& lines, int header_lines);

// The layout a table's header names for its rows: "Field" or "Frame" in
// column 6 of the second header line; nothing when it names neither (the
// oldest tables). Tells the layout of a table that has no rows yet.
std::optional<bool> HeaderNamesFieldRows(const std::vector<std::string>& lines, int header_lines);

// The frame of the table's last row that names one (lines without a frame
// number after the rows are passed over), -1 when no row names one.
// header_lines is the number of lines before the first row in this table.
int LastMeasuredFrameFromTable(const std::vector<std::string>& lines, int header_lines);

// START does nothing when the last frame is already measured, or when the
// table's rows reach past the video's end (a loaded table of a video that
// has lost frames since): no frame is left that would follow them.
bool LastFrameAlreadyMeasured(int position, int last_measured_frame, int scroll_max);

// START resumes with the frame after the last measured one when the position
// was moved away from it: frame_step frames on, so the rows keep their step.
// When equal, the position stays (the frame is not measured twice); so it
// does, on the last measured frame, when no frame in step is left.
int ResumePosition(int position, int last_measured_frame, int scroll_max, int frame_step);

// The next step of the run would pass the last frame: end the run or
// playback after this frame.
bool NextStepPassesEnd(int position, int frame_step, int scroll_max);

// One tick of Timer1.
struct TimerTick {
  bool Move = false;         // set the position to NewPosition
  int NewPosition = 0;
  bool PlayingOff = false;   // Playing := 0
  bool StopTimer = false;    // Timer1 stops
  bool EndOfRange = false;   // apply the end-of-range actions (STOP a run, enable controls)
};
// A step that would pass either end ends the run or playback instead of
// leaving the timer ticking in place.
TimerTick PlanTimerTick(int position, int frame_step, int scroll_max, bool play_backward);

// 'DEL': removes the last frame's row(s) and steps back.
struct DeletePlan {
  bool Acted = false;        // false: nothing to do
  int LinesToDelete = 0;     // never more than the rows the table has
  int NewPosition = 0;
  int NewLastMeasuredFrame = -1;
};
// header_lines: lines before the first row in this table (never deleted).
// With field measuring a frame has two rows. Position and LastMeasuredFrame
// come from the new last row (-1 and the deleted row's frame when none is left),
// so a FrameStep above 1 stays in step.
DeletePlan PlanDeleteLastRows(const std::vector<std::string>& lines, int header_lines, int position,
                              int last_measured_frame, int scroll_max, bool field_measure);

// '1Frame': measures one frame of a run. With no rows yet it measures the
// frame shown (the result is the position itself); when the frame shown is
// the last measured one it moves on by frame_step; otherwise nothing.
std::optional<int> OneFrameTarget(int position, int last_measured_frame, int frame_step, int scroll_max);

enum class StepButton { Forward1, Back1, Forward1s, Back1s, Forward10s, Back10s, ToStart };
// The new position of a step button, none when the target lies outside the range.
std::optional<int> StepButtonTarget(StepButton button, int position, int scroll_max, int frame_rate_rounded);
// GoToFrame(n): n when 0 <= n <= scroll_max.
std::optional<int> GoToFrameTarget(int n, int scroll_max);

// The chart's row count: lines less the table's header count plus one.
int GraphRowCount(const std::vector<std::string>& lines);
