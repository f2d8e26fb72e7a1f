#pragma once
// The run's own clock beside Timer1. A tick that comes late (a slow frame, a
// paint, the event loop's millisecond rounding) is not made up by the timer:
// Qt restarts its phase from the late tick, so each late tick loses time. The
// run instead counts the frames the timer's rate owes it since it started,
// and a tick steps those that are due, a few at most.
#include <chrono>
#include <cstdint>

struct PaceTick {
  int Frames = 1;        // frames this tick steps: never fewer than one, as one tick always did
  int64_t Credited = 0;  // frames the clock counts as stepped after this tick
};

// elapsed_us since the clock started, the timer's interval, the frames
// credited so far. A tick steps at most max_frames; a debt above max_debt
// frames is forgiven, so a long stall (a box, a window opening) is not
// followed by a long burst of frames.
PaceTick PlanPaceTick(int64_t elapsed_us, int interval_ms, int64_t credited, int max_frames, int64_t max_debt);

class RunPaceClock {
 public:
  static constexpr int kMaxFramesPerTick = 4;
  // A stall this long (the thread descheduled on a busy machine) is made up.
  static constexpr int kCatchUpMs = 50;
  // When the timer (re)starts or its interval changes.
  void Start();
  // Frames the tick arriving now steps.
  int FramesThisTick(int interval_ms);

 private:
  std::chrono::steady_clock::time_point start_{};
  int64_t credited_ = 0;
};
