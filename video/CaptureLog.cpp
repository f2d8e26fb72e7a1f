// Capture-log reader.
//
// Contract: a text file of lines (CRLF, LF or CR). A line may hold any of the
// keys "StartCapture=", "EndCapture=", "ActualFrameRate=" (with "fps" after
// it) and "FrameCount="; lines without them are ignored. After a date key the
// fields sit at fixed offsets from the end of the key:
//   yyyy-mm-dd hh:mm:ss.sssssss   (year 0-3, month 5-6, day 8-9, hour 11-12,
//                                  minute 14-15, seconds 17-26)
// The rate is the text between the key and "fps"; the count the rest of the line.
// Deviations from the capture program's own reading, which took absolute
// character positions: the fields are taken relative to the key wherever it
// sits in the line, a trailing CR and blanks around a field are ignored, and a
// rate of zero or beyond 1e-9..1e9 fps is taken as 1.0 (and shown so). A field
// that does not convert counts as 0 in ApplyCaptureLogText; LoadCaptureLogFile
// refuses a file whole when its start date and time do not read or its rate
// is negative or no number, as it refuses files beyond 4 MB, binary files and
// files without any of the keys. UTF-16 files (with their byte-order mark) are
// read as UTF-8; zero bytes at the end of a file are dropped.
#include "video/CaptureLog.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <iterator>

#include "base/AtomicFile.h"
#include "base/NumberText.h"
#include "base/TextTools.h"

namespace {

std::string_view Field(std::string_view rest, size_t offset, size_t length) {
  if (offset >= rest.size()) return {};
  return TrimBlanks(rest.substr(offset, length));
}

int32_t IntField(std::string_view rest, size_t offset, size_t length) {
  return ParseInt32(Field(rest, offset, length)).value_or(0);
}

struct LogInstant {
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
  long double seconds = 0;
};

LogInstant ParseInstant(std::string_view rest) {
  LogInstant t;
  t.year = IntField(rest, 0, 4);
  t.month = IntField(rest, 5, 2);
  t.day = IntField(rest, 8, 2);
  t.hour = IntField(rest, 11, 2);
  t.minute = IntField(rest, 14, 2);
  const auto s = ParseLongDouble(Field(rest, 17, 10));
  // Ten characters hold no sane second count beyond this: such a field counts as 0.
  t.seconds = (s && std::isfinite(*s) && std::fabs(*s) < 1e9L) ? *s : 0;
  return t;
}

void ShowInstant(const LogInstant& t, std::array<std::string, 20>& edits, int first) {
  edits[first + 0] = FormatInt(t.year);
  edits[first + 1] = FormatInt(t.month);
  edits[first + 2] = FormatInt(t.day);
  edits[first + 3] = FormatInt(t.hour);
  edits[first + 4] = FormatInt(t.minute);
  edits[first + 5] = FormatWidth(t.seconds, 0, 7);
}

// The text after `key` in the line, or nothing when the key is absent.
bool AfterKey(std::string_view line, std::string_view key, std::string_view& rest) {
  const size_t p = line.find(key);
  if (p == std::string_view::npos) return false;
  rest = line.substr(p + key.size());
  return true;
}

// Calls take(line) for each line of the text; stops early when it returns false.
template <class Take>
void ForEachLine(std::string_view text, Take take) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    if (!take(line)) return;
  }
}

bool IntIn(std::string_view rest, size_t offset, size_t length, int32_t low, int32_t high) {
  const auto v = ParseInt32(Field(rest, offset, length));
  return v && *v >= low && *v <= high;
}

// A start line whose date or time does not read would time every frame wrongly.
bool StartReads(std::string_view rest) {
  const auto s = ParseLongDouble(Field(rest, 17, 10));
  return IntIn(rest, 0, 4, 1, 9999) && IntIn(rest, 5, 2, 1, 12) && IntIn(rest, 8, 2, 1, 31) &&
         IntIn(rest, 11, 2, 0, 23) && IntIn(rest, 14, 2, 0, 59) && s && *s >= 0 && *s < 61;
}

}  // namespace

std::string CaptureLogFault(std::string_view text) {
  std::string fault;
  int number = 0;
  ForEachLine(text, [&](std::string_view line) {
    ++number;
    std::string_view rest;
    const char* what = nullptr;
    if (AfterKey(line, "StartCapture=", rest) && !StartReads(rest)) what = "a capture start that is no date and time";
    if (AfterKey(line, "ActualFrameRate=", rest) && rest.find("fps") != std::string_view::npos) {
      // 0 is the capture program's own "unknown" and counts as 1 frame per second.
      const auto r = ParseLongDouble(TrimBlanks(rest.substr(0, rest.find("fps"))));
      if (!r || !std::isfinite(*r) || *r < 0) what = "a frame rate that is no number of frames per second";
    }
    if (!what) return true;
    fault = "Line " + std::to_string(number) + " holds " + what + ":\r\n" + std::string(line.substr(0, 80)) +
            "\r\nNo value of the file was taken.";
    return false;
  });
  return fault;
}

void ApplyCaptureLogText(std::string_view text, CaptureLogState& st) {
  LogInstant start;
  ForEachLine(text, [&](std::string_view line) {
    std::string_view rest;
    if (AfterKey(line, "StartCapture=", rest)) {
      start = ParseInstant(rest);
      ShowInstant(start, st.savedEdits, 0);
      st.CaptureLogYear = start.year;
      st.CaptureLogMonth = start.month;
      st.CaptureLogDay = start.day;
    }
    if (AfterKey(line, "EndCapture=", rest)) ShowInstant(ParseInstant(rest), st.savedEdits, 6);
    if (AfterKey(line, "ActualFrameRate=", rest) && rest.find("fps") != std::string_view::npos) {
      const auto r = ParseLongDouble(TrimBlanks(rest.substr(0, rest.find("fps"))));
      long double rate = r ? *r : 1.0L;
      if (!(rate > 0) || !std::isfinite(rate) || rate > 1e9L || rate < 1e-9L) rate = 1.0L;
      st.savedEdits[12] = FormatWidth(rate, 0, 6);
      st.CaptureLogFrameRate = rate;
      st.CaptureLogFrameInterval = 1.0L / rate;
      st.savedEdits[13] = FormatWidth(1000.0L / rate, 0, 6);
      // Seconds are bounded by the field width (10 characters), so this stays in range.
      st.CaptureLogStartTime = RoundHalfEven(start.seconds * 10000000.0L) +
                               static_cast<int64_t>(start.minute) * 600000000LL +
                               static_cast<int64_t>(start.hour) * 36000000000LL;
      st.savedEdits[15] = FormatInt(st.CaptureLogStartTime);
      // Without a start line (or with one whose date does not read) no frame has a time.
      st.CaptureLogTimesFrames = start.year > 0;
    }
    if (AfterKey(line, "FrameCount=", rest)) {
      const int64_t count = ParseInt32(TrimBlanks(rest)).value_or(0);
      st.CaptureLogLastFrame = static_cast<int32_t>(count - 1);
      st.CaptureLogCountGiven = count > 0;
      st.savedEdits[14] = FormatInt(st.CaptureLogLastFrame);
    }
    return true;
  });
}

bool LoadCaptureLogFile(const std::string& path, CaptureLogState& state, std::string* error, std::string* shown) {
  // A folder or a named pipe is no log: it is refused, never waited on.
  std::optional<std::string> read = ReadWholeFile(path, kMaxCaptureLogBytes);
  if (!read) {
    if (error)
      *error = IsPlainFileLargerThan(path, kMaxCaptureLogBytes) ? "\"" + path + "\" is too large for a capture log."
                                                                : "Cannot open \"" + path + "\".";
    return false;
  }
  std::string text = std::move(*read);
  // A log saved as "Unicode" by a Windows editor.
  if (auto utf8 = Utf16FileText(text)) text = std::move(*utf8);
  if (text.starts_with(kUtf8Bom)) text.erase(0, kUtf8Bom.size());
  // A write cut short by a crash can leave the file's end as zero bytes; the lines before are whole.
  text.erase(text.find_last_not_of('\0') + 1);
  // Another kind of file would replace the loaded log's text and leave its values.
  if (text.find('\0') != std::string::npos) {
    if (error) *error = "\"" + path + "\" is not a capture log (it is no text file).";
    return false;
  }
  bool has_key = false;
  for (std::string_view key : {"StartCapture=", "EndCapture=", "ActualFrameRate=", "FrameCount="})
    has_key = has_key || text.find(key) != std::string::npos;
  if (!has_key) {
    if (error)
      *error = "\"" + path + "\" is not a capture log (it holds no StartCapture=, EndCapture=, ActualFrameRate= or "
               "FrameCount= line).";
    return false;
  }
  if (const std::string fault = CaptureLogFault(text); !fault.empty()) {
    if (error) *error = "\"" + path + "\" cannot be used as a capture log.\r\n" + fault;
    return false;
  }
  ApplyCaptureLogText(text, state);
  if (shown) *shown = std::move(text);
  return true;
}

std::string CaptureLogCountMismatch(const CaptureLogState& st, int32_t videoFrames) {
  const int64_t logFrames = static_cast<int64_t>(st.CaptureLogLastFrame) + 1;
  if (!st.Loaded() || !st.CaptureLogCountGiven || videoFrames <= 0 || logFrames == videoFrames) return {};
  return "The capture log counts " + std::to_string(logFrames) + " frames, the video " + std::to_string(videoFrames) +
         ". The log may belong to another video: the frame times taken from it would then be wrong.";
}

void ResetCaptureLog(CaptureLogState& st) {
  st.CaptureLogYear = st.CaptureLogMonth = st.CaptureLogDay = 0;
  st.CaptureLogStartTime = 0;
  st.CaptureLogTimesFrames = false;
  st.loadedText.clear();
  st.CaptureLogLastFrame = 0;
  st.CaptureLogCountGiven = false;
  st.CaptureLogFrameInterval = 0;
}

bool SetCaptureLogNominalRate(std::string_view text, CaptureLogState& st) {
  const auto v = ParseDouble(text);
  // A rate of 0 or below would stop every frame of the video being found.
  if (!v || !std::isfinite(*v) || !(*v > 0)) return false;
  st.CaptureLogNominalFrameRate = *v;
  return true;
}

CaptureLogFrameTime FrameTimeFromCaptureLog(const CaptureLogState& st, int32_t n) {
  CaptureLogFrameTime r;
  r.Year = st.CaptureLogYear;
  r.Month = st.CaptureLogMonth;
  r.Day = st.CaptureLogDay;
  long double offset = (static_cast<long double>(n) + 1) * st.CaptureLogFrameInterval * 10000000.0L;
  offset = std::clamp(offset, -4e18L, 4e18L);  // a state set by hand may hold anything
  int64_t t;
  if (__builtin_add_overflow(st.CaptureLogStartTime, RoundHalfEven(offset), &t)) t = 0;
  const int64_t hours = t / 36000000000LL;
  t -= hours * 36000000000LL;
  const int64_t minutes = t / 600000000LL;
  t -= minutes * 600000000LL;
  r.Hours = static_cast<int32_t>(hours);
  r.Minutes = static_cast<int32_t>(minutes);
  r.RestOfMinute = t;
  return r;
}
