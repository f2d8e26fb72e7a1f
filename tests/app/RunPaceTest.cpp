#include "app/RunPace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

TEST(RunPace, TickStepsTheFramesDueCapped) {
  struct Row {
    const char* name;
    int64_t elapsed_us;
    int interval_ms;
    int64_t credited;
    int max_frames;
    int64_t max_debt;
    int frames;
    int64_t credited_after;
  };
  const Row rows[] = {
      {"first tick on time", 1000, 1, 0, 4, 50, 1, 1},
      {"tick a little early still steps one", 999, 1, 0, 4, 50, 1, 1},
      {"late tick catches up", 3500, 1, 1, 4, 50, 2, 3},
      {"ahead of the clock steps one", 2100, 1, 3, 4, 50, 1, 4},
      {"debt of exactly the cap", 5000, 1, 1, 4, 50, 4, 5},
      {"debt above the cap waits for the next tick", 6000, 1, 1, 4, 50, 4, 5},
      {"a short stall is made up later", 20000, 1, 0, 4, 50, 4, 4},
      {"a long stall is forgiven beyond the limit", 1000000, 1, 10, 4, 50, 4, 950},
      {"no debt kept", 6000, 1, 1, 4, 0, 4, 6},
      {"slow speed control, on time", 100000, 40, 1, 4, 4, 1, 2},
      {"slow speed control, early", 79999, 40, 1, 4, 4, 1, 2},
      {"slow speed control, one tick lost", 120000, 40, 1, 4, 4, 2, 3},
      {"interval 0 counts as 1 ms", 3000, 0, 0, 4, 50, 3, 3},
      {"clock before the start", -5, 1, 0, 4, 50, 1, 1},
      {"cap of one: one frame a tick", 10000, 1, 0, 1, 0, 1, 10},
  };
  for (const Row& r : rows) {
    const PaceTick t = PlanPaceTick(r.elapsed_us, r.interval_ms, r.credited, r.max_frames, r.max_debt);
    EXPECT_EQ(t.Frames, r.frames) << r.name;
    EXPECT_EQ(t.Credited, r.credited_after) << r.name;
  }
}

// Frames a run steps in one second of a 1 ms timer that behaves as Qt's
// precise timer: the next timeout is set as a tick fires, one interval on,
// or one interval after the tick when that tick came late (its phase
// restarts), so time lost to a slow frame is never given back by the timer.
int64_t FramesInOneSecond(bool catch_up, const std::function<int64_t(int64_t frame)>& cost_us) {
  const int64_t interval_us = 1000, end_us = 1000000;
  int64_t now = 0, timeout = interval_us, credited = 0, frames = 0;
  while (true) {
    now = std::max(now, timeout);
    if (now >= end_us) return frames;
    timeout += interval_us;
    if (timeout < now) timeout = now + interval_us;
    int n = 1;
    if (catch_up) {
      const PaceTick t = PlanPaceTick(now, 1, credited, RunPaceClock::kMaxFramesPerTick, RunPaceClock::kCatchUpMs);
      credited = t.Credited;
      n = t.Frames;
    }
    for (int i = 0; i < n; ++i, ++frames) now += cost_us(frames);
  }
}

TEST(RunPace, RunWithSlowFramesAveragesTheTimerRate) {
  // Every fifth frame flushes something: 0.98 ms a frame on average.
  auto flushes = [](int64_t frame) -> int64_t { return frame % 5 == 4 ? 2500 : 600; };
  EXPECT_GE(FramesInOneSecond(true, flushes), 990);
  EXPECT_LE(FramesInOneSecond(true, flushes), 1001);
  EXPECT_LT(FramesInOneSecond(false, flushes), 900);
  // The thread descheduled for 20 ms once: made up with the frames after it.
  auto stall = [](int64_t frame) -> int64_t { return frame == 100 ? 20000 : 600; };
  EXPECT_GE(FramesInOneSecond(true, stall), 998);
  EXPECT_LT(FramesInOneSecond(false, stall), 985);
}

}  // namespace
