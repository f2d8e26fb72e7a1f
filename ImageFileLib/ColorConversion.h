#pragma once
// Colour counting and colour-space conversion over TLinearBitmap: what the
// metafile and plug-in loaders and the JPEG reader share.
#include <array>
#include <cstdint>
#include <functional>

#include "ImageFileLib/LinearBitmap.h"

namespace ImageFile {

// Rows map (c0, c1, c2, 1) to output k = m[k][0] c0 + m[k][1] c1 + m[k][2] c2 + m[k][3].
using TColorMatrix = std::array<std::array<double, 4>, 4>;

// The YCbCr-to-RGB matrix: the inverse of the fixed RGB-to-YCbCr matrix.
const TColorMatrix& ColorMatrices();
// Inverse by the transposed cofactors of the 3 x 3 part; the translation follows.
TColorMatrix InvertColorMatrix(const TColorMatrix& m);

int32_t CountColors(const TLinearBitmap& bitmap);
// Plane 0, 1, 2: that byte of every 24-bit pixel; 3 (or another format): every byte.
std::array<uint32_t, 256> Histogram(const TLinearBitmap& bitmap, int plane);
void ApplyLookupTable(const std::array<uint8_t, 256>& table, TLinearBitmap& bitmap, int plane);

// (2 red + 3 green + blue + 3) div 6.
inline uint8_t GreyValue(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint8_t>((2 * red + 3 * green + blue + 3) / 6);
}
void GreyCopy(const TLinearBitmap& source, TLinearBitmap& destination);
void ConvertToGrayscale(TLinearBitmap& bitmap);

// Pixel routine on (b2, b1, b0) writing blue, green, red.
using TPixelRoutine = std::function<void(uint8_t b2, uint8_t b1, uint8_t b0, uint8_t& blue, uint8_t& green, uint8_t& red)>;
// Destination nullptr (or the source) converts in place. The source must be 24-bit.
void YCbCrToRGBBitmap(TLinearBitmap& source, const TColorMatrix& matrix, TLinearBitmap* destination);
void ConvertBitmapColorSpace(TLinearBitmap& source, const TPixelRoutine& routine, TLinearBitmap* destination);
void LabToRGBPixel(uint8_t b2, uint8_t b1, uint8_t b0, uint8_t& blue, uint8_t& green, uint8_t& red);

// A 24-bit picture of at most 256 colours becomes an 8-bit palette picture
// holding its colours in order of first appearance; other pictures stay.
void ReduceToPalette(TLinearBitmap& bitmap);

}  // namespace ImageFile
