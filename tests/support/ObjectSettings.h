#pragma once
// An object's settings as a result row stores them, for tests that build or
// expect object blocks.
#include <cstdint>

#include "base/FrameResult.h"

inline ObjectResult ObjectWithSettings(int ap, int in, int out, int form, int x, int y, int dx, int dy, int width,
                                       int gap, int mode, int track_radius, int threshold) {
  ObjectResult o;
  o.ApertureRadius = ap;
  o.BackgroundInner = in;
  o.BackgroundOuter = out;
  o.BackgroundForm = static_cast<uint8_t>(form);
  o.X = x;
  o.Y = y;
  o.DirectionX = dx;
  o.DirectionY = dy;
  o.BandWidth = width;
  o.Gap = gap;
  o.TrackMode = static_cast<uint8_t>(mode);
  o.TrackRadius = track_radius;
  o.Threshold = threshold;
  return o;
}
