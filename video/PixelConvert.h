#pragma once
// Frame pixels to Bitmap24. Packed RGB, palette and grey layouts are converted
// by our own code, bit-exact (time stamps are read from pixel values); the
// common YUV layouts by YuvToBgr, with swscale's exact pixels; everything else
// goes through swscale with the stream's matrix and range.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Bitmap24.h"
#include "video/FfmpegHandles.h"
#include "video/YuvToBgr.h"

struct PackedPixels {
  enum class Kind { Bytes3, Bytes4, Masked16, Masked32, Palette, Grey8 };
  Kind kind = Kind::Bytes3;
  int b_off = 0, g_off = 1, r_off = 2;  // Bytes3 / Bytes4
  uint32_t r_mask = 0, g_mask = 0, b_mask = 0;  // Masked16 / Masked32
  int bits = 8;  // Palette: 1, 2, 4 or 8 bits per pixel, first pixel in the high bits
  std::array<Bgr, 256> palette{};
  int palette_size = 0;
};

// Bytes of one row of `width` pixels (without padding).
size_t PackedRowBytes(const PackedPixels& layout, int width);

// Converts `height` rows; `top_row` is the row shown at the top and `stride`
// the (possibly negative) distance to the next row down.
void ConvertPacked(const uint8_t* top_row, ptrdiff_t stride, int width, int height,
                   const PackedPixels& layout, Bitmap24& out);

// The packed layout of an FFmpeg pixel format we convert ourselves; false for
// formats that need swscale. The palette of PAL8 comes from the frame.
bool PackedLayoutOf(AVPixelFormat format, PackedPixels& layout);

// Which code converts the YUV layouts YuvToBgr handles: ours (the same
// pixels, several times faster) or swscale's exact path itself.
enum class YuvPath { Own, Swscale };

// swscale to BGR24, the context kept between frames; common YUV layouts go
// through YuvToBgr.
class SwscaleToBgr {
 public:
  explicit SwscaleToBgr(YuvPath path = YuvPath::Own) : path_(path) {}
  bool Convert(const uint8_t* const data[4], const int linesize[4], int width, int height,
               AVPixelFormat format, AVColorSpace matrix, AVColorRange range, Bitmap24& out);

 private:
  SwsPtr ctx_;
  int width_ = 0, height_ = 0;
  AVPixelFormat format_ = AV_PIX_FMT_NONE;
  AVColorSpace matrix_ = AVCOL_SPC_UNSPECIFIED;
  AVColorRange range_ = AVCOL_RANGE_UNSPECIFIED;
  std::vector<uint8_t> buffer_;
  YuvPath path_;
  YuvToBgr own_;
};

// A decoded FFmpeg frame to Bitmap24. False for a frame we cannot convert.
bool AvFrameToBitmap(const AVFrame& frame, SwscaleToBgr& scaler, Bitmap24& out);

// Makes `out` width x height without clearing when it already has that size.
void EnsureSize(Bitmap24& out, int width, int height);
