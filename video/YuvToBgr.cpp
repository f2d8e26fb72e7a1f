#include "video/YuvToBgr.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libswscale/swscale.h>
}

// Row kernels get an AVX2 copy picked at load time; the plain copy serves
// every other x86-64.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define TESSARY_ROW_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define TESSARY_ROW_KERNEL
#endif

namespace {

enum class Layout { Planar, Yuyv, Uyvy };

struct FormatInfo {
  Layout layout = Layout::Planar;
  int h_shift = 0, v_shift = 0;  // chroma subsampling, as log2
};

bool InfoOf(AVPixelFormat f, FormatInfo& info) {
  switch (f) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P: info = {Layout::Planar, 1, 1}; return true;
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUVJ422P: info = {Layout::Planar, 1, 0}; return true;
    case AV_PIX_FMT_YUV444P:
    case AV_PIX_FMT_YUVJ444P: info = {Layout::Planar, 0, 0}; return true;
    case AV_PIX_FMT_YUYV422: info = {Layout::Yuyv, 1, 0}; return true;
    case AV_PIX_FMT_UYVY422: info = {Layout::Uyvy, 1, 0}; return true;
    default: return false;
  }
}

// swscale rounds each 16.16 coefficient to 13 fractional bits, saturating.
int32_t RoundToInt16(int64_t f) {
  int64_t r = (f + (1 << 15)) >> 16;
  return int32_t(r < -0x7FFF ? -0x8000 : r > 0x7FFF ? 0x7FFF : r);
}

// The source sample swscale's point sampler takes for each destination
// sample, chroma sited as its default (left edge, vertically centred).
std::vector<int> PointPicks(int src_n, int dst_n, int src_shift) {
  std::vector<int> pick(static_cast<size_t>(dst_n));
  const int64_t inc = ((int64_t(src_n) << 16) + (dst_n >> 1)) / dst_n;
  const int64_t src_pos = ((128 << src_shift) - 128 + 128) >> src_shift, dst_pos = 128;
  if (std::llabs(inc - 0x10000) < 10 && src_pos == dst_pos) {
    for (int i = 0; i < dst_n; ++i) pick[size_t(i)] = i;
    return pick;
  }
  int64_t at = ((dst_pos * inc) >> 8) - ((src_pos * 0x8000) >> 7);
  for (int i = 0; i < dst_n; ++i, at += inc) pick[size_t(i)] = std::clamp(int((at + (1 << 15)) >> 16), 0, src_n - 1);
  return pick;
}

inline uint8_t Channel(uint32_t sum) {
  const int32_t s = int32_t(sum) >> 22;
  return uint8_t(s < 0 ? 0 : s > 255 ? 255 : s);
}

// One row from per-pixel Y, U and V bytes. The 32-bit sums wrap exactly as
// swscale's do (bright pixels of strong chroma wrap to black there, too).
TESSARY_ROW_KERNEL
void RowToBgr(const uint8_t* __restrict y, const uint8_t* __restrict u, const uint8_t* __restrict v, int n,
              YuvToBgr::Terms t, uint8_t* __restrict d) {
  for (int i = 0; i < n; ++i) {
    const int32_t cu = (int32_t(u[i]) - 128) * 512, cv = (int32_t(v[i]) - 128) * 512;
    const uint32_t yt = uint32_t((int32_t(y[i]) * 512 - t.y_offset) * t.y_coeff) + (1u << 21);
    d[3 * i] = Channel(yt + uint32_t(cu * t.u2b));
    d[3 * i + 1] = Channel(yt + uint32_t(cv * t.v2g + cu * t.u2g));
    d[3 * i + 2] = Channel(yt + uint32_t(cv * t.v2r));
  }
}

TESSARY_ROW_KERNEL
void DoublePairs(const uint8_t* __restrict s, int n, uint8_t* __restrict d) {
  for (int j = 0; j < n / 2; ++j) d[2 * j] = d[2 * j + 1] = s[j];
  if (n & 1) d[n - 1] = s[n / 2];
}

// Packed 4:2:2 into Y, U and V per pixel; `yo`, `uo`, `vo` are the byte
// offsets inside each 4-byte pair.
TESSARY_ROW_KERNEL
void UnpackPairs(const uint8_t* __restrict s, int n, int yo, int uo, int vo, uint8_t* __restrict y,
                 uint8_t* __restrict u, uint8_t* __restrict v) {
  for (int j = 0; j < n / 2; ++j) {
    const uint8_t* p = s + 4 * j;
    y[2 * j] = p[yo], y[2 * j + 1] = p[yo + 2];
    u[2 * j] = u[2 * j + 1] = p[uo];
    v[2 * j] = v[2 * j + 1] = p[vo];
  }
  if (n & 1) {
    const uint8_t* p = s + 4 * (n / 2);
    y[n - 1] = p[yo], u[n - 1] = p[uo], v[n - 1] = p[vo];
  }
}

}  // namespace

int SwsColorspaceOf(AVColorSpace matrix) {
  return matrix == AVCOL_SPC_BT709 ? SWS_CS_ITU709
         : matrix == AVCOL_SPC_FCC ? SWS_CS_FCC
         : matrix == AVCOL_SPC_SMPTE240M ? SWS_CS_SMPTE240M
         : (matrix == AVCOL_SPC_BT2020_NCL || matrix == AVCOL_SPC_BT2020_CL) ? SWS_CS_BT2020
                                                                             : SWS_CS_ITU601;
}

bool YuvToBgr::Handles(AVPixelFormat format) {
  FormatInfo info;
  return InfoOf(format, info);
}

YuvToBgr::Terms YuvToBgr::TermsFor(AVColorSpace matrix, bool full_range) {
  const int* inv = sws_getCoefficients(SwsColorspaceOf(matrix));
  int64_t crv = inv[0], cbu = inv[1], cgu = -int64_t(inv[2]), cgv = -int64_t(inv[3]);
  int64_t cy = 1 << 16, oy = 0;
  if (!full_range) {
    cy = cy * 255 / 219;
    oy = int64_t(16) << 16;
  } else {
    crv = crv * 224 / 255, cbu = cbu * 224 / 255, cgu = cgu * 224 / 255, cgv = cgv * 224 / 255;
  }
  Terms t;
  t.y_coeff = RoundToInt16(cy * (1 << 13));
  t.y_offset = RoundToInt16(oy * (1 << 9));
  t.v2r = RoundToInt16(crv * (1 << 13));
  t.v2g = RoundToInt16(cgv * (1 << 13));
  t.u2g = RoundToInt16(cgu * (1 << 13));
  t.u2b = RoundToInt16(cbu * (1 << 13));
  return t;
}

void YuvToBgr::Prepare(int width, int height, AVPixelFormat format, AVColorSpace matrix, AVColorRange range) {
  if (width == width_ && height == height_ && format == format_ && matrix == matrix_ && range == range_) return;
  FormatInfo info;
  InfoOf(format, info);
  width_ = width, height_ = height, format_ = format, matrix_ = matrix, range_ = range;
  terms_ = TermsFor(matrix, range == AVCOL_RANGE_JPEG);
  chroma_w_ = (width + (1 << info.h_shift) - 1) >> info.h_shift;
  const int chroma_h = (height + (1 << info.v_shift) - 1) >> info.v_shift;
  column_ = PointPicks(chroma_w_, width, info.h_shift);
  chroma_row_ = PointPicks(chroma_h, height, info.v_shift);
  pairs_ = info.h_shift == 1;
  for (int x = 0; x < width && pairs_; ++x) pairs_ = column_[size_t(x)] == x >> 1;
  y_row_.resize(size_t(width));
  u_row_.resize(size_t(width));
  v_row_.resize(size_t(width));
}

bool YuvToBgr::Convert(const uint8_t* const data[4], const int linesize[4], int width, int height,
                       AVPixelFormat format, AVColorSpace matrix, AVColorRange range, Bitmap24& out) {
  FormatInfo info;
  if (width <= 0 || height <= 0 || !InfoOf(format, info) || !data[0]) return false;
  if (info.layout == Layout::Planar && (!data[1] || !data[2])) return false;
  Prepare(width, height, format, matrix, range);
  if (out.Width() != width || out.Height() != height) out.Resize(width, height);
  const bool identity = info.h_shift == 0;
  for (int row = 0; row < height; ++row) {
    const int crow = chroma_row_[size_t(row)];
    const uint8_t *y = y_row_.data(), *u = u_row_.data(), *v = v_row_.data();
    if (info.layout == Layout::Planar) {
      y = data[0] + ptrdiff_t(linesize[0]) * row;
      const uint8_t* us = data[1] + ptrdiff_t(linesize[1]) * crow;
      const uint8_t* vs = data[2] + ptrdiff_t(linesize[2]) * crow;
      if (identity) {
        u = us, v = vs;
      } else if (pairs_) {
        DoublePairs(us, width, u_row_.data());
        DoublePairs(vs, width, v_row_.data());
      } else {
        for (int x = 0; x < width; ++x) {
          const int c = column_[size_t(x)];
          u_row_[size_t(x)] = us[c], v_row_[size_t(x)] = vs[c];
        }
      }
    } else {
      const uint8_t* s = data[0] + ptrdiff_t(linesize[0]) * row;
      const int yo = info.layout == Layout::Yuyv ? 0 : 1, uo = info.layout == Layout::Yuyv ? 1 : 0;
      UnpackPairs(s, width, yo, uo, uo + 2, y_row_.data(), u_row_.data(), v_row_.data());
      if (!pairs_) {
        // Odd widths pick chroma pairs unevenly: take them from the pairs.
        for (int x = 0; x < width; ++x) {
          const uint8_t* p = s + 4 * column_[size_t(x)];
          u_row_[size_t(x)] = p[uo], v_row_[size_t(x)] = p[uo + 2];
        }
      }
    }
    RowToBgr(y, u, v, width, terms_, out.Row(row));
  }
  return true;
}
