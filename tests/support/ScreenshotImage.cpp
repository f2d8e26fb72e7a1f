#include "ScreenshotImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
struct Lcg {
  uint32_t State;
  uint32_t Next() {
    State = State * 1664525u + 1013904223u;
    return State >> 8;
  }
};

void Put(std::vector<uint8_t>& img, int width, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
  uint8_t* p = &img[(static_cast<size_t>(y) * width + x) * 3];
  p[0] = b;
  p[1] = g;
  p[2] = r;
}
}  // namespace

std::vector<uint8_t> MakeScreenshotImage(int width, int height) {
  std::vector<uint8_t> img(static_cast<size_t>(width) * height * 3);
  Lcg rng{12345};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (y < 24) {  // title bar gradient
        Put(img, width, x, y, static_cast<uint8_t>(200 - x * 100 / width), static_cast<uint8_t>(120 + y), 40);
      } else if (x < 160) {  // side panel with text-like glyphs
        const bool ink = ((y / 14) % 2 == 0) && ((x / 6 + y / 14) % 5 != 0) && (((x * 7 + y * 3) >> 2) & 3) == 1 &&
                         (y % 14) > 2 && (y % 14) < 11;
        if (ink) Put(img, width, x, y, 20, 20, 20);
        else Put(img, width, x, y, 240, 240, 240);
      } else if (y > height - 160) {  // chart: white, grid, curves
        uint8_t b = 255, g = 255, r = 255;
        if (x % 40 == 0 || y % 30 == 0) b = g = r = 200;
        const double t = (x - 160) / 60.0;
        const int c1 = height - 80 + static_cast<int>(40 * std::sin(t));
        const int c2 = height - 80 + static_cast<int>(25 * std::cos(t * 1.7));
        if (std::abs(y - c1) <= 1) b = g = 0, r = 220;
        if (std::abs(y - c2) <= 1) b = 220, g = 80, r = 0;
        Put(img, width, x, y, b, g, r);
      } else {  // video pane: dark noisy sky with a few stars
        const uint32_t n = rng.Next() % 12;
        const auto v = static_cast<uint8_t>(16 + n);
        Put(img, width, x, y, v, v, v);
      }
    }
  for (int s = 0; s < 12; ++s) {
    const int cx = 200 + static_cast<int>(rng.Next() % static_cast<uint32_t>(std::max(1, width - 260)));
    const int cy = 40 + static_cast<int>(rng.Next() % static_cast<uint32_t>(std::max(1, height - 240)));
    for (int dy = -4; dy <= 4; ++dy)
      for (int dx = -4; dx <= 4; ++dx) {
        if (cx + dx < 0 || cx + dx >= width || cy + dy < 0 || cy + dy >= height) continue;
        const double f = 230.0 * std::exp(-(dx * dx + dy * dy) / 4.0);
        uint8_t* p = &img[(static_cast<size_t>(cy + dy) * width + cx + dx) * 3];
        for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(std::min(255.0, p[k] + f));
      }
  }
  return img;
}

std::vector<uint8_t> MakeRandomBytes(size_t count, uint32_t seed) {
  std::vector<uint8_t> out(count);
  Lcg rng{seed};
  for (auto& b : out) b = static_cast<uint8_t>(rng.Next());
  return out;
}
