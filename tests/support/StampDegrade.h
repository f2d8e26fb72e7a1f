#pragma once
// What a camera and a recorder do to a burnt-in stamp, applied to grey test
// frames: a shifted picture, blur along the rows, contrast, brightness and
// Gaussian noise.
#include <cstdint>

#include "base/Bitmap24.h"

struct StampDegradation {
  double noiseSigma = 0;  // Gaussian, grey levels
  double gain = 1.0;      // contrast
  int offset = 0;         // brightness
  int shiftX = 0;         // the whole picture moved right
  int shiftY = 0;         // and down
  bool blur = false;      // [1 2 1] / 4 along rows
};

// Grey frames only (the blue byte is taken for all three); reproducible by seed.
void DegradeStampFrame(Bitmap24& frame, const StampDegradation& d, uint32_t seed);
