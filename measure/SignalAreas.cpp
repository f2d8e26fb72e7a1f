#include "measure/SignalAreas.h"

#include <algorithm>

#include "base/NumberText.h"

BoxSums SumBoxRGB(const Bitmap24& frame, int cx, int cy, int half_height, int half_width) {
  BoxSums s;
  // Wide arithmetic: box positions and sizes come from the settings file.
  const int64_t hw = std::max<int64_t>(half_width, -1), hh = std::max<int64_t>(half_height, -1);
  // min(max()) rather than std::clamp: an empty frame gives bounds in reverse order.
  auto clip = [](int64_t v, int64_t lo, int64_t hi) { return static_cast<int>(std::min(std::max(v, lo), hi)); };
  const int x_lo = clip(int64_t{cx} - hw, 0, int64_t{frame.Width()});
  const int x_hi = clip(int64_t{cx} + hw, -1, int64_t{frame.Width()} - 1);
  const int y_lo = clip(int64_t{cy} - hh, 1, int64_t{frame.Height()});
  const int y_hi = clip(int64_t{cy} + hh, 0, int64_t{frame.Height()} - 1);
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
