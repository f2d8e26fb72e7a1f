#pragma once
// The time texts of the frame on screen, filled by the time-stamp readers and
// copied into every result row. Empty until a stamp is read.
#include <string>

struct FrameTimeTexts {
  std::string StampH1, StampM1, StampS1;  // field 1: hours, minutes, whole seconds
  std::string StampH2, StampM2, StampS2;  // field 2
  std::string StampS1Full, StampS2Full;   // seconds with fraction
  std::string StampCount1, StampCount2;   // IOTA-VTI counters
  std::string StampDate1, StampDate2, StampDate3;

  void Clear() { *this = FrameTimeTexts{}; }
};
