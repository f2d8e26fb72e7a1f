#pragma once
// What the PNG writer, reader and colour reduction share of the format.
#include <cstdint>
#include <cstdlib>

namespace ImageFile {

inline constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
inline constexpr uint8_t MngSignature[8] = {0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// The Paeth predictor of filter type 4: left a, above b, upper left c.
inline int PaethPredictor(int a, int b, int c) {
  const int q = a + b - c;
  const int pa = std::abs(q - a), pb = std::abs(q - b), pc = std::abs(q - c);
  return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

}  // namespace ImageFile
