// Colour counting, grey conversion and the YCbCr and L*a*b* conversions of
// random pictures against numpy's working of the same formulas (its own
// matrix inverse, rint for ties to even), and the pixel accessors of the
// device-independent bitmap at its borders.
#include <gtest/gtest.h>

#include <sstream>

#include "ImageFileLib/ColorConversion.h"
#include "ImageFileLib/UniDIB.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

// Prints, for the picture given as B,G,R bytes on the command line: the
// colour count, then per pixel the grey value, the YCbCr result (R, G, B)
// and the L*a*b* result (R, G, B).
const char* const kNumpyColours = R"(import sys
import numpy as np
px = np.array([int(v) for v in sys.argv[1:]], dtype=np.float64).reshape(-1, 3)
b0, b1, b2 = px[:, 0], px[:, 1], px[:, 2]
print(len({tuple(p) for p in px.astype(int)}))
grey = (2 * b2.astype(int) + 3 * b1.astype(int) + b0.astype(int) + 3) // 6
m = np.array([[0.299, 0.587, 0.114, 0], [-0.16875, -0.33126, 0.5, 127.5], [0.5, -0.41869, -0.08131, 127.5], [0, 0, 0, 1]])
inv = np.linalg.inv(m)
ycc = inv @ np.vstack([b2, b1, b0, np.ones_like(b0)])
ycc = np.clip(np.rint(ycc[:3]), 0, 255).astype(int)
L = b2 * 100 / 255
a = (b1 - 127.5) * 200 / 255
b = (b0 - 127.5) * 200 / 255
Y = ((L + 16) / 116) ** 3
Y = np.where(Y > 0.008856, Y, L / 903.3)
fy = np.where(Y > 0.008856, np.cbrt(Y), 7.787 * Y + 16 / 116)
f = lambda t: np.where(t > 0.206893, t ** 3, (t - 16 / 116) / 7.787)
X = f(a / 500 + fy) * 0.950456
Z = f(fy - b / 200) * 1.088754
rgb = np.array([[3.240479, -1.53715, -0.498535], [-0.969256, 1.875992, 0.041556], [0.055648, -0.204043, 1.057311]]) @ np.vstack([X, Y, Z])
lab = np.clip(np.rint(rgb * 255), 0, 255).astype(int)
for k in range(len(px)):
    print(grey[k], *ycc[:, k], *lab[:, k])
)";

}  // namespace

TEST(ColourSpace, CountsGreyYCbCrAndLabAgreeWithNumpy) {
  // Random bytes, with every fourth pixel a repeat of an earlier one and the
  // corners at the ends of the range.
  TLinearBitmap picture;
  picture.New(13, 9, pf24Bit);
  uint32_t seed = 7;
  const int64_t pixels = int64_t{picture.Width} * picture.Height;
  for (int64_t k = 0; k < pixels; ++k)
    for (int c = 0; c < 3; ++c) {
      seed = seed * 1664525u + 1013904223u;
      picture.Map[static_cast<size_t>(3 * k + c)] =
          k % 4 == 3 ? picture.Map[static_cast<size_t>(3 * (k / 2) + c)] : static_cast<uint8_t>(seed >> 24);
    }
  for (int c = 0; c < 3; ++c) picture.Map[static_cast<size_t>(c)] = 0, picture.Map[static_cast<size_t>(3 * (pixels - 1) + c)] = 255;
  std::string args;
  for (int64_t i = 0; i < 3 * pixels; ++i) args += " " + std::to_string(picture.Map[static_cast<size_t>(i)]);
  TempFolder folder;
  int status = 0;
  std::istringstream numpy(RunPython(folder, kNumpyColours, args, status));
  ASSERT_EQ(status, 0) << numpy.str();
  int count = 0;
  numpy >> count;
  EXPECT_EQ(CountColors(picture), count);

  TLinearBitmap grey, ycc, lab;
  GreyCopy(picture, grey);
  TLinearBitmap source = picture;
  YCbCrToRGBBitmap(source, ColorMatrices(), &ycc);
  ConvertBitmapColorSpace(source, LabToRGBPixel, &lab);
  EXPECT_EQ(RgbValues(source), RgbValues(picture));  // a separate destination leaves the source alone
  std::vector<int> want_grey, want_ycc, want_lab, got_grey, got_ycc, got_lab;
  for (int64_t k = 0; k < pixels; ++k) {
    int v[7];
    for (int& x : v) numpy >> x;
    want_grey.push_back(v[0]);
    want_ycc.insert(want_ycc.end(), v + 1, v + 4);
    want_lab.insert(want_lab.end(), v + 4, v + 7);
    got_grey.push_back(grey.Map[static_cast<size_t>(k)]);
  }
  ASSERT_TRUE(numpy) << "numpy printed too few values";
  EXPECT_EQ(got_grey, want_grey);
  EXPECT_EQ(RgbValues(ycc), want_ycc);
  EXPECT_EQ(RgbValues(lab), want_lab);
  // In place gives the same.
  YCbCrToRGBBitmap(source, ColorMatrices(), nullptr);
  EXPECT_EQ(RgbValues(source), want_ycc);

  // 8-bit: the indexes used, and grey through the palette.
  TLinearBitmap indexed;
  indexed.New(5, 3, pf8Bit);
  for (int i = 0; i < 768; ++i) indexed.Palette[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 37 % 256);
  const uint8_t used[15] = {3, 3, 200, 7, 255, 0, 3, 7, 7, 200, 0, 0, 255, 3, 9};
  std::copy(used, used + 15, indexed.Map.begin());
  EXPECT_EQ(CountColors(indexed), 6);
  ConvertToGrayscale(indexed);
  for (int k = 0; k < 15; ++k) {
    const int i = used[k];  // entries are B, G, R: red is byte 3i + 2
    EXPECT_EQ(indexed.Map[static_cast<size_t>(k)],
              (2 * ((3 * i + 2) * 37 % 256) + 3 * ((3 * i + 1) * 37 % 256) + (3 * i) * 37 % 256 + 3) / 6)
        << "index " << i;
  }
  EXPECT_EQ(indexed.Palette[3 * 77 + 2], 77);
}

// Each case: the requested size and bit depth, the section's bit count,
// width, row bytes and rows.
TEST(UniDIB, SectionsRoundTheirDepthAndKeepEveryPixelToTheBorders) {
  struct Case {
    int32_t width, height;
    int bits, bit_count;
    int32_t made_width, bytes_per_line;
  };
  for (const Case c : {Case{33, 3, 1, 1, 33, 8}, Case{5, 2, 2, 4, 5, 4}, Case{3, 2, 8, 8, 3, 4},
                       Case{3, -10, 12, 16, 3, 8}, Case{0, 1, 24, 24, 1, 4}, Case{5, 1, 40, 32, 5, 20}}) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " at " + std::to_string(c.bits));
    TUniDIB dib(c.width, c.height, 0, c.bits);
    EXPECT_EQ(dib.BitCount, c.bit_count);
    EXPECT_EQ(dib.Width, c.made_width);
    EXPECT_EQ(dib.BytesPerLine, c.bytes_per_line);
    const int32_t rows = c.height < 0 ? -c.height : c.height;
    EXPECT_EQ(dib.Size, int64_t{c.bytes_per_line} * rows);
    EXPECT_EQ(dib.Usage, c.bit_count <= 8 ? 1 : 0);
    // Values that fit the depth (5-5-5 fields for 16 bits), written at random
    // access and read back in sequence, and the other way round.
    auto value = [&](int32_t x, int32_t y) {
      const uint32_t v = static_cast<uint32_t>(x * 2654435761u + y * 40503u + 12345u);
      if (c.bit_count == 16) return v & 0x1F1F1F;
      return c.bit_count == 32 ? v : v & ((1u << c.bit_count) - 1);
    };
    for (int32_t y = 0; y < rows; ++y)
      for (int32_t x = 0; x < dib.Width; ++x) dib.SetPixel(x, y, value(x, y));
    for (int32_t y = 0; y < rows; ++y) {
      dib.SetScanLine(0, y);
      for (int32_t x = 0; x < dib.Width; ++x) EXPECT_EQ(dib.ReadNext(), value(x, y)) << x << ", " << y;
    }
    for (int32_t y = rows - 1; y >= 0; --y) {
      dib.SetScanLine(0, y);
      for (int32_t x = 0; x < dib.Width; ++x) dib.WriteNext(value(x, y) ^ value(0, 0));
    }
    for (int32_t y = 0; y < rows; ++y)
      for (int32_t x = 0; x < dib.Width; ++x) EXPECT_EQ(dib.GetPixel(x, y), value(x, y) ^ value(0, 0));
  }
  // The 16-bit layouts with a sixth bit: every value whose bits lie in the
  // variant's fields comes back; the packed word is the 5-5-5 word with bit 15.
  const uint32_t fields[4] = {0x1F1F1F, 0x3F1F1F, 0x1F3F1F, 0x1F1F3F};
  for (int variant = 0; variant < 4; ++variant) {
    TUniDIB dib(2, 1, variant, 16);
    for (uint32_t v : {fields[variant], 0u, 0x010101u & fields[variant], 0x200000u & fields[variant],
                       0x002000u & fields[variant], 0x000020u & fields[variant], 0x1u}) {
      dib.SetPixel(1, 0, v);
      EXPECT_EQ(dib.GetPixel(1, 0), v) << "variant " << variant << " value " << v;
    }
    dib.SetPixel(1, 0, fields[variant]);
    EXPECT_EQ(dib.Bits[2] | dib.Bits[3] << 8, 0xFFFF - (variant == 0 ? 0x8000 : 0)) << variant;
    EXPECT_EQ(dib.Bits[0] | dib.Bits[1] << 8, 0) << "the neighbour stays untouched";
  }
}
