#pragma once
// A fixed measurement: the brightness of a GPS-synchronised LED on video
// frames against the time the LED shone during each frame's exposure.
#include <array>
#include <string>
#include <vector>

// Intensity at shift index i = 0..70 (shift (i - 4) ms).
const std::array<double, 71>& LinearityIntensities();
// The straight line fitted over the rising part.
inline double LinearityFit(double i) { return 1530.33069230769 * i - 6551.42576923076; }
// Graph mapping on an image of w x h pixels.
int LinearityPx(int w, double x);
int LinearityPy(int h, double y);
const std::vector<std::string>& LinearityExplanation();
