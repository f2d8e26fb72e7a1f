#pragma once
// A results table of a video with a GPS one-pulse-per-second LED in view:
// 29.97 frames per second, 300 rows of frames 0..299, the LED brightness in
// field 2 and the PC clock time of each frame in fields 8-10.
//
// Everything is integer arithmetic, so a second implementation (the Python
// reference beside the LED tests) builds the same texts:
//   end of frame f, microseconds of the day: E0 + (f * 100000000 + 1498) / 2997
//   the LED is lit from every whole second for 100 ms; a frame's exposure is
//   the 33367 us before its end; brightness in thousandths
//   20000 + 2 f + 200000 * lit overlap / 33367
//   PC time in 0.1 ms: end / 100 + 3127 + 5 * ((37 f) % 21 - 10)
// E0 puts the end of frame 160 6 ms after the whole second 21:30:11.
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kLedTableRows = 300;
inline constexpr int kLedPulseFrame = 160;  // the first frame lit by its pulse

int64_t LedTableFrameEndMicros(int frame);
std::vector<std::string> BuildLedTestTable();

// The same table measured with a measurement step (frames 0, step, 2 step ...)
// and, with field_rows, two rows per frame numbered "f.0" and "f.5", both with
// the frame's LED brightness and PC time.
std::vector<std::string> BuildLedTestTable(int step, bool field_rows);
