#pragma once
// Whether a video's pixels are taller than wide, for the tracking, the
// profile fit and the open video's own flag alike.

// NTSC-rate video digitised wider than tall (width / height above 1.4) has
// pixels 1.125 times taller than wide, unless the frames carry the capture
// program's own time stamps (time-inserter type 3).
inline bool NeedsPixelAspectCorrection(long double frame_rate, int width, int height, int time_stamp_mode) {
  return time_stamp_mode != 3 && frame_rate > 28.0L && frame_rate < 31.0L && height > 0 &&
         static_cast<long double>(width) / height > 1.4L;
}
