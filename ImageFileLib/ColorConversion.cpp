#include "ImageFileLib/ColorConversion.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace ImageFile {

TColorMatrix InvertColorMatrix(const TColorMatrix& m) {
  const double a = m[0][0], b = m[0][1], c = m[0][2];
  const double d = m[1][0], e = m[1][1], f = m[1][2];
  const double g = m[2][0], h = m[2][1], i = m[2][2];
  const double cof[3][3] = {{e * i - f * h, -(d * i - f * g), d * h - e * g},
                            {-(b * i - c * h), a * i - c * g, -(a * h - b * g)},
                            {b * f - c * e, -(a * f - c * d), a * e - b * d}};
  const double det = a * cof[0][0] + b * cof[0][1] + c * cof[0][2];
  TColorMatrix r{};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) r[row][col] = cof[col][row] / det;
  for (int row = 0; row < 3; ++row)
    r[row][3] = -(r[row][0] * m[0][3] + r[row][1] * m[1][3] + r[row][2] * m[2][3]);
  r[3] = {0, 0, 0, 1};
  return r;
}

const TColorMatrix& ColorMatrices() {
  static const TColorMatrix inverse = InvertColorMatrix({{{0.299, 0.587, 0.114, 0},
                                                          {-0.16875, -0.33126, 0.5, 127.5},
                                                          {0.5, -0.41869, -0.08131, 127.5},
                                                          {0, 0, 0, 1}}});
  return inverse;
}

namespace {

uint8_t ClampByte(double v) {
  const double r = std::nearbyint(v);  // ties to even
  return static_cast<uint8_t>(std::clamp(r, 0.0, 255.0));
}

// The bytes a plane covers: every third from the plane's offset for 24-bit
// planes 0-2, otherwise every byte.
template <typename F>
void ForPlane(const TLinearBitmap& bitmap, int plane, F&& f) {
  if (!bitmap.Present) return;
  const bool one_plane = bitmap.PixelFormat == pf24Bit && plane >= 0 && plane <= 2;
  const int64_t step = one_plane ? 3 : 1;
  const int64_t count = one_plane ? bitmap.Size / 3 : bitmap.Size;
  const int64_t start = one_plane ? plane : 0;
  for (int64_t k = 0; k < count; ++k) f(static_cast<size_t>(start + k * step));
}

}  // namespace

std::array<uint32_t, 256> Histogram(const TLinearBitmap& bitmap, int plane) {
  std::array<uint32_t, 256> counts{};
  ForPlane(bitmap, plane, [&](size_t i) { ++counts[bitmap.Map[i]]; });
  return counts;
}

void ApplyLookupTable(const std::array<uint8_t, 256>& table, TLinearBitmap& bitmap, int plane) {
  ForPlane(bitmap, plane, [&](size_t i) { bitmap.Map[i] = table[bitmap.Map[i]]; });
}

int32_t CountColors(const TLinearBitmap& bitmap) {
  if (!bitmap.Present) return 0;
  if (bitmap.PixelFormat == pf24Bit) {
    std::vector<uint64_t> seen((size_t{1} << 24) / 64, 0);
    int32_t count = 0;
    const int64_t pixels = int64_t{bitmap.Width} * bitmap.Height;
    const uint8_t* p = bitmap.Map.data();
    for (int64_t k = 0; k < pixels; ++k, p += 3) {
      const uint32_t bit = (uint32_t{p[0]} + 256u * p[1]) * 256u + p[2];
      uint64_t& word = seen[bit >> 6];
      const uint64_t mask = uint64_t{1} << (bit & 63);
      if (!(word & mask)) {
        word |= mask;
        ++count;
      }
    }
    return count;
  }
  const auto counts = Histogram(bitmap, 3);
  return static_cast<int32_t>(std::count_if(counts.begin(), counts.end(), [](uint32_t c) { return c != 0; }));
}

void GreyCopy(const TLinearBitmap& source, TLinearBitmap& destination) {
  if (source.PixelFormat != pf24Bit) {
    destination.Assign(source);
    ConvertToGrayscale(destination);
    return;
  }
  TLinearBitmap grey;
  grey.New(source.Width, source.Height, pf8Bit);
  std::copy(GrayPalette().begin(), GrayPalette().end(), grey.Palette.begin());
  const int64_t pixels = int64_t{source.Width} * source.Height;
  for (int64_t k = 0; k < pixels; ++k) {
    const uint8_t* p = &source.Map[static_cast<size_t>(3 * k)];
    grey.Map[static_cast<size_t>(k)] = GreyValue(p[2], p[1], p[0]);
  }
  destination.TakeOver(grey);
}

void ConvertToGrayscale(TLinearBitmap& bitmap) {
  if (!bitmap.Present) return;
  if (bitmap.PixelFormat == pf32Bit) bitmap.PixelFormatConvert(pf24Bit);
  if (bitmap.PixelFormat == pf24Bit) {
    TLinearBitmap grey;
    GreyCopy(bitmap, grey);
    bitmap.TakeOver(grey);
    return;
  }
  // 16-bit grey is grey already.
  if (bitmap.PixelFormat != pf8Bit) return;
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    const uint8_t* e = &bitmap.Palette[static_cast<size_t>(3 * i)];
    table[static_cast<size_t>(i)] = GreyValue(e[2], e[1], e[0]);
  }
  ApplyLookupTable(table, bitmap, 3);
  std::copy(GrayPalette().begin(), GrayPalette().end(), bitmap.Palette.begin());
}

void ConvertBitmapColorSpace(TLinearBitmap& source, const TPixelRoutine& routine, TLinearBitmap* destination) {
  if (!source.Present || source.PixelFormat != pf24Bit) throw ELinearBitmap("Unsupported pixel format");
  TLinearBitmap* out = destination && destination != &source ? destination : &source;
  if (out != &source) out->New(source.Width, source.Height, pf24Bit);
  const int64_t pixels = int64_t{source.Width} * source.Height;
  for (int64_t k = 0; k < pixels; ++k) {
    const uint8_t* s = &source.Map[static_cast<size_t>(3 * k)];
    uint8_t* d = &out->Map[static_cast<size_t>(3 * k)];
    uint8_t blue, green, red;
    routine(s[2], s[1], s[0], blue, green, red);
    d[0] = blue;
    d[1] = green;
    d[2] = red;
  }
}

void YCbCrToRGBBitmap(TLinearBitmap& source, const TColorMatrix& m, TLinearBitmap* destination) {
  ConvertBitmapColorSpace(
      source,
      [&m](uint8_t y, uint8_t cb, uint8_t cr, uint8_t& blue, uint8_t& green, uint8_t& red) {
        const double c[3] = {double(y), double(cb), double(cr)};
        auto row = [&](int k) { return m[k][0] * c[0] + m[k][1] * c[1] + m[k][2] * c[2] + m[k][3]; };
        red = ClampByte(row(0));
        green = ClampByte(row(1));
        blue = ClampByte(row(2));
      },
      destination);
}

void LabToRGBPixel(uint8_t b2, uint8_t b1, uint8_t b0, uint8_t& blue, uint8_t& green, uint8_t& red) {
  const double L = b2 * 100.0 / 255.0;
  const double a = (b1 - 127.5) * 200.0 / 255.0;
  const double b = (b0 - 127.5) * 200.0 / 255.0;
  double Y = std::pow((L + 16.0) / 116.0, 3.0);
  if (!(Y > 0.008856)) Y = L / 903.3;
  const double fy = Y > 0.008856 ? std::cbrt(Y) : 7.787 * Y + 16.0 / 116.0;
  auto inverse = [](double f) { return f > 0.206893 ? f * f * f : (f - 16.0 / 116.0) / 7.787; };
  const double X = inverse(a / 500.0 + fy) * 0.950456;
  const double Z = inverse(fy - b / 200.0) * 1.088754;
  auto to_byte = [](double v) { return static_cast<uint8_t>(std::clamp(std::nearbyint(v * 255.0), 0.0, 255.0)); };
  red = to_byte(3.240479 * X - 1.53715 * Y - 0.498535 * Z);
  green = to_byte(-0.969256 * X + 1.875992 * Y + 0.041556 * Z);
  blue = to_byte(0.055648 * X - 0.204043 * Y + 1.057311 * Z);
}

void ReduceToPalette(TLinearBitmap& bitmap) {
  if (!bitmap.Present || bitmap.PixelFormat != pf24Bit) return;
  std::vector<uint32_t> colours;
  std::unordered_map<uint32_t, uint8_t> index_of;
  const int64_t pixels = int64_t{bitmap.Width} * bitmap.Height;
  auto key = [&](int64_t k) {
    const uint8_t* p = &bitmap.Map[static_cast<size_t>(3 * k)];
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  };
  for (int64_t k = 0; k < pixels; ++k) {
    const uint32_t c = key(k);
    if (index_of.count(c)) continue;
    if (colours.size() == 256) break;
    index_of.emplace(c, static_cast<uint8_t>(colours.size()));
    colours.push_back(c);
  }
  TLinearBitmap indexed;
  indexed.New(bitmap.Width, bitmap.Height, pf8Bit);
  std::fill(indexed.Palette.begin(), indexed.Palette.end(), 0);
  for (size_t i = 0; i < colours.size(); ++i)
    for (int k = 0; k < 3; ++k) indexed.Palette[3 * i + static_cast<size_t>(k)] = static_cast<uint8_t>(colours[i] >> (8 * k));
  // Nearest listed colour, the first of equals; a listed colour is its own.
  auto nearest = [&](uint32_t c) {
    int best = 0;
    int best_distance = INT32_MAX;
    for (size_t i = 0; i < colours.size(); ++i) {
      int distance = 0;
      for (int s = 0; s < 3; ++s) {
        const int diff = int((c >> (8 * s)) & 255) - int((colours[i] >> (8 * s)) & 255);
        distance += diff * diff;
      }
      if (distance < best_distance) {
        best_distance = distance;
        best = static_cast<int>(i);
      }
    }
    return static_cast<uint8_t>(best);
  };
  for (int64_t k = 0; k < pixels; ++k) {
    const uint32_t c = key(k);
    const auto found = index_of.find(c);
    indexed.Map[static_cast<size_t>(k)] = found != index_of.end() ? found->second : nearest(c);
  }
  bitmap.TakeOver(indexed);
}

}  // namespace ImageFile
