#pragma once
// LED signal areas: two small boxes of the frame whose brightness tells
// whether an LED (a 1PPS pulse, a shutter marker) is lit in this frame.
// Row 0 of the frame is never counted.
#include <cstdint>
#include <optional>

#include "base/Bitmap24.h"

struct BoxSums {
  int Count = 0;
  int64_t R = 0, G = 0, B = 0;
};

// Pixels (cx + dx, cy + dy), |dx| <= half_width, |dy| <= half_height, counted
// only when 0 <= x < frame width and 1 <= y < frame height.
BoxSums SumBoxRGB(const Bitmap24& frame, int cx, int cy, int half_height, int half_width);

struct Signal1Box {
  int X = 0, Y = 0;          // Signal1X, Signal1Y
  int HalfWidth = 0;         // Signal1HalfWidth
  int HalfHeight = 0;        // Signal1HalfHeight
};

struct Signal1Reading {
  bool Detected = false;  // Panel1 'S1' red when set, white otherwise
  double Level = 0;       // mean of R, G, B over the box, 0 for an empty box
};

// Lit when the mean (rounded half away from zero) reaches the threshold
// (UpDown4, 0..255).
Signal1Reading DetectSignal1(const Bitmap24& frame, const Signal1Box& box, int threshold);

// A fixed 5 x 5 box; the mean is the integer quotient. With time-stamp mode 3
// the flag (and panel) stay as they are: no value.
std::optional<bool> DetectSignal2(const Bitmap24& frame, int x, int y, int threshold, int time_stamp_mode);
