#include "app/RunControl.h"

#include <algorithm>
#include <cmath>

#include "base/CsvFields.h"
#include "base/NumberText.h"

int RowLineOfFrame(const std::vector<std::string>& lines, int header_lines, int start_frame, int n) {
  const long long first = std::max(header_lines, 0);
  const long long count = static_cast<long long>(lines.size());
  if (n < 0 || first >= count) return -1;
  const long long guess = first + n - static_cast<long long>(start_frame);
  // The guess may land on a field pair's second row (step 3: "7.5" sits where
  // frame 7's row would be one per frame); the frame's own row is the first.
  if (guess >= first && guess < count && RowFrameNumber(lines[static_cast<size_t>(guess)]) == n &&
      (guess == first || RowFrameNumber(lines[static_cast<size_t>(guess - 1)]) != n))
    return static_cast<int>(guess);
  long long lo = first, hi = count;
  while (lo < hi) {
    const long long mid = lo + (hi - lo) / 2;
    if (RowFrameNumber(lines[static_cast<size_t>(mid)]) < n)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo < count && RowFrameNumber(lines[static_cast<size_t>(lo)]) == n ? static_cast<int>(lo) : -1;
}

bool TableHasFieldRows(const std::vector<std::string>& lines, int header_lines) {
  const size_t first = static_cast<size_t>(std::max(header_lines, 0));
  if (lines.size() < first + 2) return false;
  const std::optional<double> a = ParseDouble(StripQuotes(GetCsvField(lines[first], 1)));
  const std::optional<double> b = ParseDouble(StripQuotes(GetCsvField(lines[first + 1], 1)));
  return a && b && *b - *a == 0.5;
}

std::optional<bool> HeaderNamesFieldRows(const std::vector<std::string>& lines, int header_lines) {
  if (header_lines < 2 || lines.size() < static_cast<size_t>(header_lines)) return std::nullopt;
  const std::string name = StripQuotes(GetCsvField(lines[static_cast<size_t>(header_lines) - 2], 6));
  if (name == "Field") return true;
  if (name == "Frame") return false;
  return std::nullopt;
}

int LastMeasuredFrameFromTable(const std::vector<std::string>& lines, int header_lines) {
  // A line added after the rows in a spreadsheet (a sum, a remark) names no
  // frame; the rows before it tell where measuring goes on.
  for (size_t i = lines.size(); i > static_cast<size_t>(std::max(header_lines, 0)); --i)
    if (const int frame = RowFrameNumber(lines[i - 1]); frame >= 0) return frame;
  return -1;
}

bool LastFrameAlreadyMeasured(int position, int last_measured_frame, int scroll_max) {
  return last_measured_frame > scroll_max || (position == last_measured_frame && position == scroll_max);
}

int ResumePosition(int position, int last_measured_frame, int scroll_max, int frame_step) {
  if (last_measured_frame < 0 || position == last_measured_frame) return position;
  const long long next = static_cast<long long>(last_measured_frame) + std::max(frame_step, 1);
  if (next > scroll_max) return std::clamp(last_measured_frame, 0, std::max(scroll_max, 0));
  return static_cast<int>(next);
}

bool NextStepPassesEnd(int position, int frame_step, int scroll_max) {
  return static_cast<long long>(position) + frame_step - 1 >= scroll_max;
}

TimerTick PlanTimerTick(int position, int frame_step, int scroll_max, bool play_backward) {
  TimerTick t;
  const long long next = static_cast<long long>(position) + frame_step;
  if (play_backward) {
    if (position <= 0) {
      t.StopTimer = true;
      t.PlayingOff = true;
      return t;
    }
    if (next >= 0) {
      t.Move = true;
      t.NewPosition = static_cast<int>(next);
      t.PlayingOff = next < 1;
      return t;
    }
    t.StopTimer = true;
    t.PlayingOff = true;
    t.EndOfRange = true;
    return t;
  }
  if (next <= scroll_max && next != position) {
    t.Move = true;
    t.NewPosition = static_cast<int>(next);
    t.PlayingOff = next >= scroll_max;
    return t;
  }
  t.StopTimer = true;
  t.PlayingOff = true;
  t.EndOfRange = true;
  return t;
}

DeletePlan PlanDeleteLastRows(const std::vector<std::string>& lines, int header_lines, int position,
                              int last_measured_frame, int scroll_max, bool field_measure) {
  DeletePlan p;
  p.NewPosition = position;
  p.NewLastMeasuredFrame = last_measured_frame;
  if (position == scroll_max && position == last_measured_frame) return p;
  const int header = std::max(header_lines, 0);
  const int rows = static_cast<int>(lines.size()) - header;
  if (position != last_measured_frame || rows < 1) return p;
  // A line added after the rows is no measured frame's row to take back.
  if (RowFrameNumber(lines.back()) < 0) return p;
  p.Acted = true;
  // A field pair's two rows go together; a last frame with one row left (a
  // table cut by hand) takes no row of the frame before it.
  p.LinesToDelete = 1;
  if (field_measure && rows >= 2 && RowFrameNumber(lines[lines.size() - 2]) == RowFrameNumber(lines.back()))
    p.LinesToDelete = 2;
  const int deleted_frame = RowFrameNumber(lines[lines.size() - static_cast<size_t>(p.LinesToDelete)]);
  if (rows > p.LinesToDelete) {
    p.NewLastMeasuredFrame = RowFrameNumber(lines[lines.size() - static_cast<size_t>(p.LinesToDelete) - 1]);
  } else {
    p.NewLastMeasuredFrame = -1;
  }
  int pos = p.NewLastMeasuredFrame >= 0 ? p.NewLastMeasuredFrame : (deleted_frame >= 0 ? deleted_frame : position);
  p.NewPosition = std::clamp(pos, 0, std::max(scroll_max, 0));
  return p;
}

std::optional<int> OneFrameTarget(int position, int last_measured_frame, int frame_step, int scroll_max) {
  if (last_measured_frame < 0) return position;
  if (position != last_measured_frame) return std::nullopt;
  const long long next = static_cast<long long>(position) + std::max(frame_step, 1);
  if (next > scroll_max) return std::nullopt;
  return static_cast<int>(next);
}

std::optional<int> StepButtonTarget(StepButton button, int position, int scroll_max, int frame_rate_rounded) {
  const int second = frame_rate_rounded;
  const long long ten = 10LL * frame_rate_rounded;
  switch (button) {
    case StepButton::Forward1:
      if (position < scroll_max) return position + 1;
      return std::nullopt;
    case StepButton::Back1:
      if (position > 0) return position - 1;
      return std::nullopt;
    case StepButton::Forward1s:
      if (second > 0 && position <= scroll_max - second) return position + second;
      return std::nullopt;
    case StepButton::Back1s:
      if (second > 0 && position >= second) return position - second;
      return std::nullopt;
    case StepButton::Forward10s:
      if (ten > 0 && position <= scroll_max - ten) return static_cast<int>(position + ten);
      return std::nullopt;
    case StepButton::Back10s:
      if (ten > 0 && position >= ten) return static_cast<int>(position - ten);
      return std::nullopt;
    case StepButton::ToStart:
      return 0;
  }
  return std::nullopt;
}

std::optional<int> GoToFrameTarget(int n, int scroll_max) {
  if (n < 0 || n > scroll_max) return std::nullopt;
  return n;
}

int GraphRowCount(const std::vector<std::string>& lines) {
  return static_cast<int>(lines.size()) - HeaderLineCountOf(lines) + 1;
}
