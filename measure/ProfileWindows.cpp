#include "measure/ProfileWindows.h"

#include <algorithm>

#include "base/NumberText.h"

template <int Reach>
void FillMeanWindow(SquareWindow<Reach>& w, const Bitmap24& bmp, int x, int y, const GammaTable* gamma) {
  const int width = bmp.Width(), height = bmp.Height();
  for (int dx = -Reach; dx <= Reach; ++dx) {
    const int64_t px = static_cast<int64_t>(x) + dx;
    double* column = &w.At(dx, -Reach);
    for (int dy = -Reach; dy <= Reach; ++dy) {
      const int64_t py = static_cast<int64_t>(y) + dy;
      if (!IsReadablePixel(px, py, width, height)) {
        column[dy + Reach] = 0.0;
        continue;
      }
      const uint8_t* p = bmp.Row(static_cast<int>(py)) + static_cast<size_t>(px) * 3;
      const int sum = gamma ? (*gamma)[p[0]] + (*gamma)[p[1]] + (*gamma)[p[2]] : p[0] + p[1] + p[2];
      column[dy + Reach] = sum / 3.0;
    }
  }
}

template <int Reach>
void SmoothWindow(SquareWindow<Reach>& w, int reach, int kernel_index, SmoothRounding rounding) {
  const SmoothingKernel& k = SmoothingKernelFor(kernel_index);
  if (k.Radius == 0) return;
  if (reach + k.Radius > Reach) reach = Reach - k.Radius;
  const SquareWindow<Reach> src = w;
  for (int dx = -reach; dx <= reach; ++dx) {
    for (int dy = -reach; dy <= reach; ++dy) {
      double sum = 0;
      for (int j = -k.Radius; j <= k.Radius; ++j)
        for (int i = -k.Radius; i <= k.Radius; ++i)
          sum += k.Weights[static_cast<size_t>(j + k.Radius)][static_cast<size_t>(i + k.Radius)] *
                 src.At(dx + i, dy + j);
      const double v = sum / k.Divisor;
      w.At(dx, dy) = rounding == SmoothRounding::NearestEven ? static_cast<double>(RoundHalfEven(v)) : v;
    }
  }
}

template <int Reach>
double ApertureExcess(const SquareWindow<Reach>& w, const ApertureClasses& classes, int cx, int cy) {
  double sum1 = 0, sum2 = 0;
  int n1 = 0, n2 = 0;
  for (int dx = -25; dx <= 25; ++dx)
    for (int dy = -25; dy <= 25; ++dy) {
      const int c = classes.At(dx, dy);
      if (c == 1) {
        sum1 += w.At(dx + cx, dy + cy);
        ++n1;
      } else if (c == 2) {
        sum2 += w.At(dx + cx, dy + cy);
        ++n2;
      }
    }
  return sum1 - n1 * sum2 / std::max(n2, 1);
}

template void FillMeanWindow<53>(SquareWindow<53>&, const Bitmap24&, int, int, const GammaTable*);
template void FillMeanWindow<27>(SquareWindow<27>&, const Bitmap24&, int, int, const GammaTable*);
template void SmoothWindow<53>(SquareWindow<53>&, int, int, SmoothRounding);
template void SmoothWindow<27>(SquareWindow<27>&, int, int, SmoothRounding);
template double ApertureExcess<53>(const SquareWindow<53>&, const ApertureClasses&, int, int);
template double ApertureExcess<27>(const SquareWindow<27>&, const ApertureClasses&, int, int);
