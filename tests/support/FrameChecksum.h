#pragma once
// A position-weighted sum of a frame's bytes, so that tests can compare a
// whole frame with one number computed outside this program.
#include <cstdint>

#include "base/Bitmap24.h"

// Sum of byte x (i mod 251 + 1) over the bytes in scan order (B, G, R).
inline int64_t FrameChecksum(const Bitmap24& f) {
  int64_t s = 0, i = 0;
  for (int y = 0; y < f.Height(); ++y)
    for (int x = 0; x < f.Width(); ++x) {
      const Bgr p = f.Get(x, y);
      for (uint8_t v : {p.b, p.g, p.r}) {
        s += static_cast<int64_t>(v) * (i % 251 + 1);
        ++i;
      }
    }
  return s;
}
