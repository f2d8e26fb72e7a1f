#pragma once
// Frame times from a capture program's settings log (a video recorded without
// time stamps): capture start, end, actual frame rate and frame count. Frame n
// ends its exposure at start + (n + 1) actual frame intervals.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The loaded log; lives for the whole program run, whether its window is open or not.
struct CaptureLogState {
  int64_t CaptureLogStartTime = 0;  // time of day in 100-ns units
  // A rate line followed a start line, so the frames are timed. Kept apart
  // from the start time, which is 0 for a capture started at midnight.
  bool CaptureLogTimesFrames = false;
  long double CaptureLogFrameInterval = 0;
  long double CaptureLogFrameRate = 0;
  int32_t CaptureLogLastFrame = 0;
  bool CaptureLogCountGiven = false;  // a frame count line read as a count above 0
  double CaptureLogNominalFrameRate = 0;
  int32_t CaptureLogYear = 0, CaptureLogMonth = 0, CaptureLogDay = 0;
  // Texts of the window's Edit1..Edit20 (index 0 is Edit1), restored when it reopens.
  std::array<std::string, 20> savedEdits;
  // Lines of the loaded file, listed again when the window reopens.
  std::string loadedText;

  bool Loaded() const { return CaptureLogTimesFrames; }
};

// Applies the lines of a log text in order (CRLF, LF or CR line ends).
void ApplyCaptureLogText(std::string_view text, CaptureLogState& state);

// The first line whose capture start or actual rate cannot be read, as a
// message; empty when every such line reads.
std::string CaptureLogFault(std::string_view text);

// Reads a log file (at most kMaxCaptureLogBytes; UTF-8, or UTF-16 with its
// byte-order mark) and applies it; `text` gets its lines as UTF-8. False with
// a message when the file cannot be read or a start or rate line is
// malformed; the state is then unchanged.
inline constexpr size_t kMaxCaptureLogBytes = 4 * 1024 * 1024;
bool LoadCaptureLogFile(const std::string& path, CaptureLogState& state, std::string* error,
                        std::string* text = nullptr);

// A message when the log counts other frames than the open video has (0: no
// video open); empty when they agree or the log gives no count.
std::string CaptureLogCountMismatch(const CaptureLogState& state, int32_t videoFrames);

// 'Reset': no log; the rates and saved texts stay.
void ResetCaptureLog(CaptureLogState& state);

// The nominal rate typed into Edit21: taken when it is a number above 0.
bool SetCaptureLogNominalRate(std::string_view text, CaptureLogState& state);

struct CaptureLogFrameTime {
  int32_t Year = 0, Month = 0, Day = 0;
  int32_t Hours = 0, Minutes = 0;  // hours run past 24 after midnight: the date does not advance
  int64_t RestOfMinute = 0;        // 100-ns units
};

// The end-of-exposure time of frame n. Pure: the window, when open, shows the
// result (Edit17..Edit20) itself.
CaptureLogFrameTime FrameTimeFromCaptureLog(const CaptureLogState& state, int32_t n);
