#pragma once
// The time texts of the frame on screen, filled by the time-stamp readers and
// copied into every result row. Empty until a stamp is read.
#include <cstdint>
#include <string>

#include "base/NumberText.h"

struct FrameTimeTexts {
  std::string StampH1, StampM1, StampS1;  // field 1: hours, minutes, whole seconds
  std::string StampH2, StampM2, StampS2;  // field 2
  std::string StampS1Full, StampS2Full;   // seconds with fraction
  std::string StampCount1, StampCount2;   // IOTA-VTI counters
  std::string StampDate1, StampDate2, StampDate3;

  // Hours and minutes of both fields, two digits each.
  void SetHoursMinutes(int64_t h1, int64_t m1, int64_t h2, int64_t m2) {
    StampH1 = TwoDigits(h1);
    StampM1 = TwoDigits(m1);
    StampH2 = TwoDigits(h2);
    StampM2 = TwoDigits(m2);
  }
  void Clear() { *this = FrameTimeTexts{}; }
};
