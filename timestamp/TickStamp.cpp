#include "timestamp/TickStamp.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "base/NumberText.h"

int64_t ReadTickCount(const Bitmap24& frame, int row) {
  uint64_t u = 0;
  for (int x = 0; x < 8; ++x) u |= static_cast<uint64_t>(frame.Get(x, row).r) << (8 * x);
  return static_cast<int64_t>(u);
}

bool TicksPlausible(int64_t t) { return t > 693500 * kTicksPerDay && t < 803000 * kTicksPerDay; }

bool TestEmbeddedTicksRow(int row, const Bitmap24& frameN, const Bitmap24& frameN1) {
  const int64_t a = ReadTickCount(frameN, row);
  const int64_t b = ReadTickCount(frameN1, row);
  // Plausible counts lie in a narrow window, so their difference cannot overflow.
  if (!TicksPlausible(a)) return false;
  if (!TicksPlausible(b)) return false;
  return std::llabs(a - b) <= kMaxTicksBetweenFrames;
}

int DetectEmbeddedTicksRow(const Bitmap24& first, const Bitmap24& second) {
  if (TestEmbeddedTicksRow(0, first, second)) return 0;
  if (TestEmbeddedTicksRow(1, first, second)) return 1;
  return 0;
}

int32_t TicksToDays(int64_t t) { return static_cast<int32_t>((t / kTicksPerSecond) / 86400); }

namespace {

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

}  // namespace

TicksDateTime TicksToDateTime(int64_t t) {
  TicksDateTime r;
  const int32_t days = TicksToDays(t);
  int64_t d = static_cast<int64_t>(days) + 1;
  int64_t year = 1;
  // Whole 400-year cycles (146097 days) first; the month walk below is then short.
  if (d > 146097) {
    const int64_t cycles = (d - 1) / 146097;
    d -= cycles * 146097;
    year += cycles * 400;
  }
  bool found = false;
  while (!found) {
    for (int m = 0; m < 12; ++m) {
      const int64_t candidate = d;
      d -= kMonthDays[m] + ((m == 1 && IsLeap(year)) ? 1 : 0);
      if (d <= 0) {
        r.year = static_cast<int32_t>(year);
        r.month = m + 1;
        r.day = static_cast<int32_t>(candidate);
        found = true;
        break;
      }
    }
    if (!found) ++year;
  }
  const int64_t tod = t - static_cast<int64_t>(days) * kTicksPerDay;
  const int64_t hour = tod / (3600 * kTicksPerSecond);
  const int64_t minute = (tod - hour * 3600 * kTicksPerSecond) / 60 / kTicksPerSecond;
  r.hour = static_cast<int32_t>(hour);
  r.minute = static_cast<int32_t>(minute);
  r.rest = tod - hour * 3600 * kTicksPerSecond - minute * 60 * kTicksPerSecond;
  return r;
}

bool DeriveFrameRateNeedsFrames(const TickRateInputs& in) { return !(in.fixedFrameInterval > 0); }

TickRateResult DeriveFrameRateFromTicks(const TickRateInputs& in) {
  TickRateResult r;
  auto fromLog = [&] {
    if (!in.captureLogLoaded) return;
    r.rateSet = true;
    r.videoFrameRate = in.captureLogFrameRate;
    r.factorSet = true;
    r.frameRateFactor = in.captureLogFrameRate != 0 ? in.captureLogNominalFrameRate / in.captureLogFrameRate : 1.0L;
  };
  fromLog();
  if (in.fixedFrameInterval > 0) {
    r.rateSet = true;
    r.videoFrameRate = 1.0L / in.fixedFrameInterval;
    return r;
  }
  const int64_t a = in.firstTicks, b = in.lastTicks;
  if (!TicksPlausible(a) || !TicksPlausible(b) || !(a < b)) return r;
  const long double duration = static_cast<long double>(b - a) / kTicksPerSecond;
  r.Edit63 = FormatInt(b);
  r.Edit64 = FormatInt(a);
  r.Edit60 = FormatInt(b - a);
  r.Edit61 = FormatInt(in.lastFrame);
  r.Edit62 = FormatFixed(duration, 7, 12);
  r.spanSet = true;
  r.videoDuration = duration;
  r.firstFrameTicks = a;
  r.lastFrameTicks = b;
  if (in.captureLogLoaded) {
    fromLog();
  } else {
    r.rateSet = true;
    r.videoFrameRate = in.lastFrame / duration;
  }
  return r;
}

std::string TickSecondsText(int64_t rest) {
  std::string s;
  if (rest >= 0 && rest < 100 * kTicksPerSecond) {
    std::string frac = FormatInt(rest % kTicksPerSecond);
    while (frac.size() < 7) frac.insert(frac.begin(), '0');
    s = TwoDigits(rest / kTicksPerSecond) + "." + frac;
  } else {
    const long double sec = static_cast<long double>(rest) / kTicksPerSecond;
    s = FormatFixed(sec, 7, 10);
    if (sec < 10) s = "0" + s;
  }
  return s.substr(0, 10);
}

int32_t ReadEmbeddedTimeStamp(const Bitmap24& frame, const EmbeddedStampOptions& o, StampTexts& t) {
  TicksDateTime capture, centre;
  if (o.captureLogTime) {
    capture = centre = *o.captureLogTime;
  } else {
    const int64_t ticks = ReadTickCount(frame, o.ticksRow);
    // A frame interval beyond a day is nonsense; keep the shift bounded.
    const long double interval = std::clamp(o.frameInterval, -86400.0L, 86400.0L);
    const int64_t half = RoundHalfAway(interval * kTicksPerSecond / 2.0L);
    int64_t centreTicks;
    if (__builtin_sub_overflow(ticks, half, &centreTicks))  // nonsense bytes: saturate
      centreTicks = half > 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    capture = TicksToDateTime(ticks);
    centre = TicksToDateTime(centreTicks);
  }
  t.StampDate1 = TwoDigits(centre.year % 100);
  t.StampDate2 = TwoDigits(centre.month);
  t.StampDate3 = TwoDigits(centre.day);
  // The capture instant's own hour and minute go with its seconds: half a
  // frame after a minute starts, the centre is still in the minute before.
  t.SetHoursMinutes(centre.hour, centre.minute, capture.hour, capture.minute);
  t.StampS1Full = TickSecondsText(centre.rest);
  t.StampS1 = t.StampS1Full.substr(0, 2);
  t.StampS2Full = TickSecondsText(capture.rest);
  return centre.year;
}
