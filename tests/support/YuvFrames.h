#pragma once
// YUV frames held in vectors, for checking colour conversion against
// swscale's exact path and against the fixed-point formula by hand.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/Bitmap24.h"
#include "video/PixelConvert.h"

// A frame's planes, each row `pad` bytes past the data the way decoders pad
// them (pad 0 lets the address sanitizer catch reads past a row's end).
struct YuvFrame {
  AVPixelFormat format = AV_PIX_FMT_NONE;
  int width = 0, height = 0;
  std::vector<uint8_t> planes[3];
  int linesize[4] = {0, 0, 0, 0};

  YuvFrame(AVPixelFormat f, int w, int h, int pad = 32);
  void Fill(std::mt19937& rng);
  // Plane pointers for the converters.
  void Data(const uint8_t* data[4]) const;
  Bitmap24 Convert(YuvPath path, AVColorSpace matrix, AVColorRange range) const;
  Bitmap24 Convert(YuvToBgr::Kernel kernel, AVColorSpace matrix, AVColorRange range) const;
};

// First differing pixel of two pictures, "" when they are equal.
std::string FirstDifference(const Bitmap24& a, const Bitmap24& b);

// One pixel by swscale's fixed-point sums, written out in 64-bit integers and
// cut to 32 bits at the end as swscale's 32-bit sums wrap.
Bgr ExactYuvPixel(int y, int u, int v, const YuvToBgr::Terms& terms);
