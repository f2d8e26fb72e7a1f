#include "measure/SignalAreas.h"

#include <algorithm>

#include "app/NumberText.h"

BoxSums SumBoxRGB(const Bitmap24& frame, int cx, int cy, int half_height, int half_width) {
  BoxSums s;
  const int x_lo = std::max(cx - half_width, 0), x_hi = std::min(cx + half_width, frame.Width() - 1);
  const int y_lo = std::max(cy - half_height, 1), y_hi = std::min(cy + half_height, frame.Height() - 1);
  for (int y = y_lo; y <= y_hi; ++y) {
    const uint8_t* row = frame.Row(y);
    for (int x = x_lo; x <= x_hi; ++x) {
      const uint8_t* p = row + x * 3;
      s.B += p[0];
      s.G += p[1];
      s.R += p[2];
      ++s.Count;
    }
  }
  return s;
}

Signal1Reading DetectSignal1(const Bitmap24& frame, const Signal1Box& box, int threshold) {
  const BoxSums s = SumBoxRGB(frame, box.X, box.Y, box.HalfHeight, box.HalfWidth);
  Signal1Reading r;
  r.Level = s.Count == 0 ? 0.0 : static_cast<double>(s.R + s.G + s.B) / (3.0 * s.Count);
  r.Detected = !(threshold > RoundHalfAway(r.Level));
  return r;
}

std::optional<bool> DetectSignal2(const Bitmap24& frame, int x, int y, int threshold, int time_stamp_mode) {
  if (time_stamp_mode == 3) return std::nullopt;
  const BoxSums s = SumBoxRGB(frame, x, y, 2, 2);
  const int64_t mean = s.Count == 0 ? 0 : (s.R + s.G + s.B) / (3 * static_cast<int64_t>(s.Count));
  return !(threshold > mean);
}
