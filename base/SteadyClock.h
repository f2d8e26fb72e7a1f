#pragma once
// Milliseconds on a clock that only runs forward: paces and elapsed times
// measured on it survive the wall clock being set (by hand or by NTP).
#include <chrono>
#include <cstdint>

inline int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
