#include "measure/AperturePhotometry.h"

#include <algorithm>
#include <cmath>

#include "base/NumberText.h"

namespace {

// sqrt(dx^2 + dy^2) for |dx|, |dy| <= 25, so the half-flux sums use the same
// values whatever order they are computed in.
struct RadiusTable {
  double r[26][26];
  RadiusTable() {
    for (int i = 0; i < 26; ++i)
      for (int j = 0; j < 26; ++j) r[i][j] = std::sqrt(static_cast<double>(i * i + j * j));
  }
};
const RadiusTable kRadius;

// Integer accumulators per block: every pixel value is a byte, so the sums
// are exact and equal to the same sums taken in Doubles.
struct BlockAccumulator {
  int64_t ap[3] = {0, 0, 0};
  int64_t bg[3] = {0, 0, 0};
  int ap_count = 0;
  int bg_count = 0;
};

void ToSums(const BlockAccumulator (&acc)[3], ApertureSums& out) {
  for (int j = 0; j < 3; ++j) {
    for (int c = 0; c < 3; ++c) {
      out[j].Aperture[c] = static_cast<double>(acc[j].ap[c]);
      out[j].Background[c] = static_cast<double>(acc[j].bg[c]);
    }
    out[j].ApertureCount = acc[j].ap_count;
    out[j].BackgroundCount = acc[j].bg_count;
  }
}

// The offsets in [-reach, reach] whose pixel lies inside 0..size-1 (an empty
// range, lo > hi, when none does). Wide arithmetic: positions may come from
// a loaded file.
void InsideRange(int centre, int reach, int size, int& lo, int& hi) {
  const int64_t c = centre;
  lo = static_cast<int>(std::clamp<int64_t>(-c, -reach, reach + 1));
  hi = static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(size) - 1 - c, -reach - 1, reach));
}

}  // namespace

ApertureSums SumAperturePixels(const Bitmap24& frame, const ApertureClasses& classes, int outer, int x,
                               int y) {
  ApertureSums out{};
  const int reach = std::clamp(outer, 0, kMaskReach);
  int dx_lo, dx_hi, dy_lo, dy_hi;
  InsideRange(x, reach, frame.Width(), dx_lo, dx_hi);
  InsideRange(y, reach, frame.Height(), dy_lo, dy_hi);
  BlockAccumulator acc[3];
  int peak = 0;
  for (int dx = dx_lo; dx <= dx_hi; ++dx) {
    const uint8_t* column = frame.Data() + static_cast<size_t>(x + dx) * 3;
    for (int dy = dy_lo; dy <= dy_hi; ++dy) {
      const int32_t cls = classes.At(dx, dy);
      if (cls != 1 && cls != 2) continue;
      const int row = y + dy;
      const uint8_t* p = column + static_cast<size_t>(row) * static_cast<size_t>(frame.Stride());
      BlockAccumulator& field = acc[(row & 1) ? 1 : 2];
      if (cls == 1) {
        peak = std::max<int>(peak, p[0]);
        for (int c = 0; c < 3; ++c) {
          acc[0].ap[c] += p[c];
          field.ap[c] += p[c];
        }
        ++acc[0].ap_count;
        ++field.ap_count;
      } else {
        for (int c = 0; c < 3; ++c) {
          acc[0].bg[c] += p[c];
          field.bg[c] += p[c];
        }
        ++acc[0].bg_count;
        ++field.bg_count;
      }
    }
  }
  ToSums(acc, out);
  out[0].Peak = peak;

  // Half-flux diameter over the same aperture pixels, background per pixel
  // taken over all three planes.
  const double b = acc[0].bg_count == 0
                       ? 0.0
                       : (out[0].Background[0] + out[0].Background[1] + out[0].Background[2]) /
                             acc[0].bg_count;
  double s_sum = 0, t_sum = 0, farthest = 0;
  for (int dx = dx_lo; dx <= dx_hi; ++dx) {
    const uint8_t* column = frame.Data() + static_cast<size_t>(x + dx) * 3;
    for (int dy = dy_lo; dy <= dy_hi; ++dy) {
      if (classes.At(dx, dy) != 1) continue;
      const uint8_t* p = column + static_cast<size_t>(y + dy) * static_cast<size_t>(frame.Stride());
      const double s = static_cast<double>(p[0]) + p[1] + p[2] - b;
      const double r = kRadius.r[dx < 0 ? -dx : dx][dy < 0 ? -dy : dy];
      s_sum += s;
      t_sum += s * r;
      farthest = std::max(farthest, r);
    }
  }
  // Light inside the aperture has a diameter between 0 and the aperture's
  // own. Without light above the background (a vanished star leaves sky
  // noise) the ratio can come out at any size or sign: beyond those bounds
  // it is no measurement and is written as 0, as for no light at all.
  const double hfd = s_sum != 0 ? 2 * t_sum / s_sum : 0;
  out[0].Hfd = hfd >= 0 && hfd <= 2 * farthest ? hfd : 0;
  return out;
}

namespace {

ApertureSums SumRectangle(const Bitmap24& frame, const ApertureClasses& classes, int x, int y,
                          RectangleReference& ref, LimbProfileValues* profile) {
  ApertureSums out{};
  int dx_lo, dx_hi, dy_lo, dy_hi;
  InsideRange(x, kMaskReach, frame.Width(), dx_lo, dx_hi);
  InsideRange(y, kMaskReach, frame.Height(), dy_lo, dy_hi);
  bool index_by_row = false;
  if (profile) {
    profile->fill(0);
    int half_x = 0, half_y = 0;
    for (int i = 0; i <= kMaskReach; ++i) {
      if (classes.At(i, 0) == 1) half_x = i;
      if (classes.At(0, i) == 1) half_y = i;
    }
    index_by_row = half_x > half_y;
  }
  BlockAccumulator acc[3];
  for (int dx = dx_lo; dx <= dx_hi; ++dx) {
    const uint8_t* column = frame.Data() + static_cast<size_t>(x + dx) * 3;
    for (int dy = dy_lo; dy <= dy_hi; ++dy) {
      if (classes.At(dx, dy) != 1) continue;
      const int row = y + dy;
      const uint8_t* p = column + static_cast<size_t>(row) * static_cast<size_t>(frame.Stride());
      BlockAccumulator& field = acc[(row & 1) ? 1 : 2];
      for (int c = 0; c < 3; ++c) {
        acc[0].ap[c] += p[c];
        field.ap[c] += p[c];
      }
      ++acc[0].ap_count;
      ++field.ap_count;
      if (profile) (*profile)[static_cast<size_t>((index_by_row ? dy : dx) + kMaskReach)] += p[0] + p[1] + p[2];
    }
  }
  if (profile)
    for (double& v : *profile) v /= 3;
  ToSums(acc, out);
  out[0].BackgroundCount = 2;
  out[1].BackgroundCount = 1;
  out[2].BackgroundCount = 1;
  if (ref.Pending) {
    for (int j = 0; j < 3; ++j) {
      ref.Sums[static_cast<size_t>(j)] = out[j].Aperture;
      out[j].Aperture = {};
    }
    ref.Pending = false;
  } else {
    for (int j = 0; j < 3; ++j)
      for (int c = 0; c < 3; ++c) out[j].Aperture[c] -= ref.Sums[static_cast<size_t>(j)][c];
  }
  return out;
}

}  // namespace

ApertureSums SumBackgroundMean(const Bitmap24& frame, const ApertureClasses& classes, int x, int y,
                               RectangleReference& ref) {
  return SumRectangle(frame, classes, x, y, ref, nullptr);
}

ApertureSums SumBackgroundProfile(const Bitmap24& frame, const ApertureClasses& classes, int x, int y,
                                  RectangleReference& ref, LimbProfileValues& profile) {
  return SumRectangle(frame, classes, x, y, ref, &profile);
}

ApertureSums MeasureApertureSums(const Bitmap24& frame, const ApertureMeasureContext& ctx, int x, int y,
                                 const ApertureOptions& options) {
  if (!ctx.Classes) return {};
  if (ctx.BackgroundForm != 3) return SumAperturePixels(frame, *ctx.Classes, ctx.BackgroundOuter, x, y);
  RectangleReference scratch;
  RectangleReference& ref = ctx.Reference ? *ctx.Reference : scratch;
  if (options.LimbProfileForRectangle && ctx.Profile)
    return SumBackgroundProfile(frame, *ctx.Classes, x, y, ref, *ctx.Profile);
  return SumBackgroundMean(frame, *ctx.Classes, x, y, ref);
}

double BackgroundPerPixel(const ApertureBlockSums& s) {
  if (s.BackgroundCount == 0) return 0;
  return (s.Background[0] + s.Background[1] + s.Background[2]) / 3 / s.BackgroundCount;
}

double StoredPeak(const ApertureSums& sums, size_t j, const ApertureOptions& options) {
  return sums[0].Peak - (options.SubtractBackground ? BackgroundPerPixel(sums[j]) : 0.0);
}

void StoreApertureSums(const ApertureSums& sums, int k, DataLineBlocks& blocks, const ApertureOptions& options) {
  if (k < 1 || k > 3) return;
  const size_t obj = static_cast<size_t>(k - 1);
  for (size_t j = 0; j < 3; ++j) {
    const ApertureBlockSums& s = sums[j];
    ObjectResult& r = blocks[j].Objects[obj];
    r.AperturePixelCount = s.ApertureCount;
    r.BackgroundPixelCount = s.BackgroundCount;
    const double a = (s.Aperture[0] + s.Aperture[1] + s.Aperture[2]) / 3;
    double b = (s.Background[0] + s.Background[1] + s.Background[2]) / 3;
    int count = s.BackgroundCount;
    if (count == 0) {
      b = 0;
      count = 10;
    }
    double value = a - (static_cast<double>(s.ApertureCount) / count) * b;
    if (j > 0 && options.Accurate) {
      // A field without aperture pixels has nothing to scale.
      value = s.ApertureCount == 0
                  ? 0.0
                  : (static_cast<double>(sums[0].ApertureCount) / 2 / s.ApertureCount) * value;
    }
    r.Value = value;
    r.ApertureSum = static_cast<int32_t>(RoundHalfEven(a));
    r.BackgroundSum = static_cast<int32_t>(RoundHalfEven(b));
    r.FwhmHfd = s.Hfd;
    r.Peak = StoredPeak(sums, j, options);
  }
}

ApertureSums StoreApertureResult(const Bitmap24& frame, int k, DataLineBlocks& blocks, int x, int y,
                                 const ApertureMeasureContext& ctx, const ApertureOptions& options) {
  ApertureSums sums = MeasureApertureSums(frame, ctx, x, y, options);
  StoreApertureSums(sums, k, blocks, options);
  return sums;
}

ApertureReadout FormatApertureReadout(const ApertureSums& sums, const DataLineBlocks& blocks, int k) {
  ApertureReadout r;
  if (k < 1 || k > 3) return r;
  for (size_t j = 0; j < 3; ++j) {
    r.Value[j] = FormatOneDecimal(blocks[j].Objects[static_cast<size_t>(k - 1)].Value);
    r.ApertureCount[j] = FormatInt(sums[j].ApertureCount);
    r.BackgroundCount[j] = FormatInt(sums[j].BackgroundCount);
    r.BackgroundPerPixel[j] = FormatOneDecimal(BackgroundPerPixel(sums[j]));
  }
  r.HalfFluxDiameter = FormatWidth(sums[0].Hfd, 0, 2);
  return r;
}
