#include "app/RunPace.h"

#include <algorithm>

PaceTick PlanPaceTick(int64_t elapsed_us, int interval_ms, int64_t credited, int max_frames, int64_t max_debt) {
  const int64_t period_us = int64_t(std::max(interval_ms, 1)) * 1000;
  const int64_t due = std::max<int64_t>(elapsed_us, 0) / period_us;
  const int64_t behind = due - credited;
  PaceTick t;
  t.Frames = int(std::clamp<int64_t>(behind, 1, std::max(max_frames, 1)));
  t.Credited = std::max(credited + t.Frames, due - std::max<int64_t>(max_debt, 0));
  return t;
}

void RunPaceClock::Start() {
  start_ = std::chrono::steady_clock::now();
  credited_ = 0;
}

int RunPaceClock::FramesThisTick(int interval_ms) {
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  const int64_t max_debt = std::max(kMaxFramesPerTick, kCatchUpMs / std::max(interval_ms, 1));
  const PaceTick t = PlanPaceTick(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count(),
                                  interval_ms, credited_, kMaxFramesPerTick, max_debt);
  credited_ = t.Credited;
  return t.Frames;
}
