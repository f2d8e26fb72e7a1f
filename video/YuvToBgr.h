#pragma once
// Our own YUV to BGR24 conversion for the common 8-bit layouts (planar 4:2:0,
// 4:2:2 and 4:4:4, packed YUYV and UYVY), full and limited range. Every pixel
// equals swscale's exact path (SWS_POINT | SWS_ACCURATE_RND |
// SWS_FULL_CHR_H_INT | SWS_BITEXACT with the same colour details): the same
// fixed-point coefficients, the same 32-bit wrap-around, the same nearest
// chroma sample, including the uneven chroma picks of odd sizes.
#include <cstdint>
#include <vector>

#include "base/Bitmap24.h"
#include "video/FfmpegHandles.h"

// swscale's colour table (SWS_CS_*) for a stream's matrix; BT.601 when unknown.
int SwsColorspaceOf(AVColorSpace matrix);

class YuvToBgr {
 public:
  // The row code: plain C++, or vector code for CPUs with AVX2 or with
  // AVX-512 BW, VBMI and VNNI. All give the same bytes; Best is the fastest the CPU has.
  enum class Kernel { Best, Plain, Avx2, Avx512 };
  // False for vector code this CPU (or build) lacks; such a kernel asked for
  // falls back to Plain.
  static bool Available(Kernel kernel);

  explicit YuvToBgr(Kernel kernel = Kernel::Best);

  // True for the formats converted here.
  static bool Handles(AVPixelFormat format);

  // False (out untouched) for a format Handles() refuses or a size <= 0.
  bool Convert(const uint8_t* const data[4], const int linesize[4], int width, int height,
               AVPixelFormat format, AVColorSpace matrix, AVColorRange range, Bitmap24& out);

  // The fixed-point terms swscale derives from its colour table.
  struct Terms {
    int32_t y_offset = 0, y_coeff = 0, v2r = 0, v2g = 0, u2g = 0, u2b = 0;
  };
  static Terms TermsFor(AVColorSpace matrix, bool full_range);

 private:
  void Prepare(int width, int height, AVPixelFormat format, AVColorSpace matrix, AVColorRange range);
  // Rows row0 to row1 - 1, with scratch rows of `width` bytes of the band's own.
  void ConvertRows(const uint8_t* const data[4], const int linesize[4], int width, int row0, int row1,
                   int layout_code, bool identity, uint8_t* y_row, uint8_t* u_row, uint8_t* v_row,
                   Bitmap24& out) const;

  Kernel kernel_;
  int width_ = 0, height_ = 0;
  AVPixelFormat format_ = AV_PIX_FMT_NONE;
  AVColorSpace matrix_ = AVCOL_SPC_UNSPECIFIED;
  AVColorRange range_ = AVCOL_RANGE_UNSPECIFIED;
  Terms terms_;
  int chroma_w_ = 0;
  bool pairs_ = false;          // chroma sample x>>1 for every pixel x
  std::vector<int> column_;     // chroma sample of each pixel
  std::vector<int> chroma_row_; // chroma row of each row
  std::vector<uint8_t> y_row_, u_row_, v_row_;  // scratch rows, one set per band
};
