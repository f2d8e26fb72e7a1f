#include "timing/Linearity.h"

#include "base/NumberText.h"

const std::array<double, 71>& LinearityIntensities() {
  static const std::array<double, 71> v = {
      14.5,    0,       -1,      0,       0,       890.1,   2443.8,  4046.3,  5684,    7263.1,  8859.8,
      10440,   11994,   13592.2, 15019.1, 16578.8, 18071.2, 19513.6, 20916.5, 22399.5, 23847.6, 25329.5,
      26945.6, 28517.7, 30116.2, 31753.2, 33252.9, 34874.3, 36339.2, 37916.7, 39053.4, 39011.7, 39079.2,
      39000.6, 39070.4, 38966.7, 39010.9, 38931.7, 37857.1, 36264.2, 34681.3, 33001.1, 31467.2, 29920.5,
      28201.3, 26582.1, 25188.4, 23762.6, 22320.1, 20921.9, 19470,   18074.6, 16487.6, 14923.1, 13398.5,
      11785.7, 10292.9, 8731.7,  7152.7,  5578.6,  4039.9,  2398.2,  873.8,   -106.8,  -84,     14,
      22.5,    -55.7,   -35.5,   22.2,    -18.8};
  return v;
}

int LinearityPx(int w, double x) { return static_cast<int>(RoundHalfAway((w - 70) * static_cast<long double>(x) / 70)) + 40; }
int LinearityPy(int h, double y) {
  return h - 60 - static_cast<int>(RoundHalfAway((h - 80) * static_cast<long double>(y) / 45000));
}

const std::vector<std::string>& LinearityExplanation() {
  static const std::vector<std::string> lines = {
      "Explanation",
      "",
      std::string("NTSC signal consists of 29.97 interlaced frames of video per second.  ") +
          "Due to this no-integer frame rate, " +
          "the start of frame exposure loses 1.001 milli socond per a second (30/29.97).  " +
          "As a result of it, the start of the LED flash, which synchronized to GPS" + "'" +
          " accurate 1 PPS, appears to \"drift\" through the video frame " +
          "at a rate of 1 millisecond per second.  " + "When the photometric analysis is made on each 30 frame, " +
          "the luminous intensity recorded on frame is expected to be in proportion " +
          "to the time from the begining of flush starting frame. ",
      std::string("Above graph shows that the luminous intensity measured by Tessary is ") +
          "in proportion to time length of LED illumination very well.  " +
          "From this experiment, it is concluded that the observation with video " +
          "has extremely high accuracy which is smaller than 1 milli second.  "};
  return lines;
}
