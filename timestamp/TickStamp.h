#pragma once
// The capture time some capture programs store in the frame itself: a 64-bit
// count of 100-ns ticks since 0001-01-01 00:00 (proleptic Gregorian), one byte
// per pixel in the red bytes of pixels 0..7 of row 0 or 1, least significant first.
#include <cstdint>
#include <optional>
#include <string>

#include "base/Bitmap24.h"
#include "timestamp/TimeStampReader.h"

inline constexpr int64_t kTicksPerSecond = 10000000;
inline constexpr int64_t kTicksPerDay = 86400 * kTicksPerSecond;
inline constexpr int64_t kMaxTicksBetweenFrames = 1000000000;  // 100 s

// The count stored in a row (rows outside the frame read as 0).
int64_t ReadTickCount(const Bitmap24& frame, int row);
// 693500 days < t < 803000 days, strictly.
bool TicksPlausible(int64_t t);
// Both counts of a row of two consecutive frames plausible, at most 100 s apart.
bool TestEmbeddedTicksRow(int row, const Bitmap24& frameN, const Bitmap24& frameN1);
// The row that carries the count: 0 when row 0 passes, else 1 when row 1 passes, else 0.
int DetectEmbeddedTicksRow(const Bitmap24& first, const Bitmap24& second);

struct TicksDateTime {
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
  int64_t rest = 0;  // ticks of the minute
};

int32_t TicksToDays(int64_t t);
TicksDateTime TicksToDateTime(int64_t t);

// What the frame rate derivation needs; the two counts are only read when
// neither a capture log nor a fixed frame interval decides the rate.
struct TickRateInputs {
  bool captureLogLoaded = false;
  long double captureLogFrameRate = 0;
  long double captureLogNominalFrameRate = 0;
  long double fixedFrameInterval = 0;  // seconds; > 0 overrides the counts
  int64_t firstTicks = 0;              // count of the first frame
  int64_t lastTicks = 0;               // count of the last frame
  int32_t lastFrame = 0;               // index of the last frame
};

struct TickRateResult {
  bool rateSet = false;
  long double videoFrameRate = 0;
  bool factorSet = false;
  long double frameRateFactor = 0;
  bool spanSet = false;  // the counts were plausible and increasing
  long double videoDuration = 0;
  int64_t firstFrameTicks = 0, lastFrameTicks = 0;
  std::string Edit60, Edit61, Edit62, Edit63, Edit64;
};

// True when DeriveFrameRateFromTicks will look at the frame counts.
bool DeriveFrameRateNeedsFrames(const TickRateInputs& in);
TickRateResult DeriveFrameRateFromTicks(const TickRateInputs& in);

struct EmbeddedStampOptions {
  int ticksRow = 0;
  long double frameInterval = 0;  // seconds per frame
  // When a capture log is loaded: its time of the frame, used in place of the count.
  std::optional<TicksDateTime> captureLogTime;
};

// Fills the time texts from the frame's count; returns the year (StampYear).
// Field 1 carries the middle of the exposure (half a frame earlier), all of
// its date, hours, minutes and seconds taken from that one instant; field 2
// the capture time itself ("ss.sssssss").
int32_t ReadEmbeddedTimeStamp(const Bitmap24& frame, const EmbeddedStampOptions& options, StampTexts& texts);

// "ss.sssssss" of the ticks of a minute.
std::string TickSecondsText(int64_t restOfMinute);
