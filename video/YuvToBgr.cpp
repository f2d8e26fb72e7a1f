#include "video/YuvToBgr.h"

#include "base/ParallelScan.h"

#include <algorithm>
#include <cstdlib>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

// Pictures from this size up are converted in bands side by side; a
// smaller one costs less than waking the workers.
constexpr int64_t kBandPixels = 256 * 256;
constexpr int kMaxBands = 4;

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

// One pixel: each sum is swscale's 32-bit sum, wrapping exactly as swscale's
// does (bright pixels of strong chroma wrap to black there, too).
inline void PixelToBgr(uint8_t y, uint8_t u, uint8_t v, const YuvToBgr::Terms& t, uint8_t* d) {
  const int32_t cu = (int32_t(u) - 128) * 512, cv = (int32_t(v) - 128) * 512;
  const uint32_t yt = uint32_t((int32_t(y) * 512 - t.y_offset) * t.y_coeff) + (1u << 21);
  d[0] = Channel(yt + uint32_t(cu * t.u2b));
  d[1] = Channel(yt + uint32_t(cv * t.v2g + cu * t.u2g));
  d[2] = Channel(yt + uint32_t(cv * t.v2r));
}

TESSARY_ROW_KERNEL
void RowToBgrPlain(const uint8_t* __restrict y, const uint8_t* __restrict u, const uint8_t* __restrict v, int n,
                   YuvToBgr::Terms t, uint8_t* __restrict d) {
  for (int i = 0; i < n; ++i) PixelToBgr(y[i], u[i], v[i], t, d + 3 * i);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same sums on 16 pixels at a time. With Y' = Y - offset/512, U' = U - 128
// and V' = V - 128 (all fit 16 bits), each sum is (Y' yc + U' a + V' b) << 9
// plus 1 << 21, so pmaddwd on (Y', U') and (Y', V') pairs gives it exactly;
// the shift left wraps as swscale's sums do, and the saturating packs clamp.
inline int32_t Pair(int32_t lo, int32_t hi) { return int32_t(uint32_t(uint16_t(lo)) | uint32_t(hi) << 16); }

__attribute__((target("avx2"), always_inline)) inline __m256i Finish(__m256i sum) {
  return _mm256_srai_epi32(_mm256_add_epi32(_mm256_slli_epi32(sum, 9), _mm256_set1_epi32(1 << 21)), 22);
}

// With `Pairs`, u and v hold one sample per two pixels.
template <bool Pairs>
__attribute__((target("avx2"), always_inline)) inline __m256i Chroma16(const uint8_t* c, int i) {
  if (!Pairs) return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(c + i)));
  const __m128i half = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(c + i / 2));
  return _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(half, half));
}

template <bool Pairs>
__attribute__((target("avx2"))) int RowToBgrAvx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, int n,
                                                 const YuvToBgr::Terms& t, uint8_t* d) {
  const __m256i y_off = _mm256_set1_epi16(int16_t(t.y_offset / 512)), c128 = _mm256_set1_epi16(128);
  const __m256i kb = _mm256_set1_epi32(Pair(t.y_coeff, t.u2b)), kg = _mm256_set1_epi32(Pair(t.y_coeff, t.u2g)),
                kgv = _mm256_set1_epi32(Pair(0, t.v2g)), kr = _mm256_set1_epi32(Pair(t.y_coeff, t.v2r));
  // Byte k of the 48 output bytes is channel k % 3 of pixel k / 3.
  alignas(16) static const int8_t shuffle[3][3][16] = {
      {{0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5},
       {-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1},
       {-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1}},
      {{-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1},
       {5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10},
       {-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1}},
      {{-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1},
       {-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1},
       {10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15}}};
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i y16 = _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i))), y_off);
    const __m256i u16 = _mm256_sub_epi16(Chroma16<Pairs>(u, i), c128);
    const __m256i v16 = _mm256_sub_epi16(Chroma16<Pairs>(v, i), c128);
    // unpack and pack both work inside 128-bit lanes, so the packs restore
    // the pixel order.
    const __m256i yu_lo = _mm256_unpacklo_epi16(y16, u16), yu_hi = _mm256_unpackhi_epi16(y16, u16);
    const __m256i yv_lo = _mm256_unpacklo_epi16(y16, v16), yv_hi = _mm256_unpackhi_epi16(y16, v16);
    const __m256i b = _mm256_packs_epi32(Finish(_mm256_madd_epi16(yu_lo, kb)), Finish(_mm256_madd_epi16(yu_hi, kb)));
    const __m256i g = _mm256_packs_epi32(
        Finish(_mm256_add_epi32(_mm256_madd_epi16(yu_lo, kg), _mm256_madd_epi16(yv_lo, kgv))),
        Finish(_mm256_add_epi32(_mm256_madd_epi16(yu_hi, kg), _mm256_madd_epi16(yv_hi, kgv))));
    const __m256i r = _mm256_packs_epi32(Finish(_mm256_madd_epi16(yv_lo, kr)), Finish(_mm256_madd_epi16(yv_hi, kr)));
    const __m256i bg = _mm256_permute4x64_epi64(_mm256_packus_epi16(b, g), 0xD8);
    const __m256i rr = _mm256_permute4x64_epi64(_mm256_packus_epi16(r, r), 0xD8);
    const __m128i ch[3] = {_mm256_castsi256_si128(bg), _mm256_extracti128_si256(bg, 1), _mm256_castsi256_si128(rr)};
    for (int part = 0; part < 3; ++part) {
      __m128i o = _mm_setzero_si128();
      for (int c = 0; c < 3; ++c)
        o = _mm_or_si128(o, _mm_shuffle_epi8(ch[c], _mm_load_si128(reinterpret_cast<const __m128i*>(shuffle[part][c]))));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * i + 16 * part), o);
    }
  }
  return i;
}
#endif

bool HaveAvx2() {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
#else
  return false;
#endif
}

// One row from per-pixel Y, U and V bytes.
void RowToBgr(const uint8_t* y, const uint8_t* u, const uint8_t* v, int n, const YuvToBgr::Terms& t, uint8_t* d) {
  int done = 0;
#if defined(__x86_64__) && defined(__GNUC__)
  if (HaveAvx2() && t.y_offset % 512 == 0) done = RowToBgrAvx2<false>(y, u, v, n, t, d);
#endif
  RowToBgrPlain(y + done, u + done, v + done, n - done, t, d + 3 * done);
}

// One row whose pixel x takes chroma sample x / 2; `pu`, `pv` are per-pixel
// buffers for what the vector loop leaves.
void PairRowToBgr(const uint8_t* y, const uint8_t* u, const uint8_t* v, int n, const YuvToBgr::Terms& t, uint8_t* d,
                  uint8_t* pu, uint8_t* pv) {
  int done = 0;
#if defined(__x86_64__) && defined(__GNUC__)
  if (HaveAvx2() && t.y_offset % 512 == 0) done = RowToBgrAvx2<true>(y, u, v, n, t, d);
#endif
  if (done == n) return;
  for (int x = done; x < n; ++x) pu[x] = u[x / 2], pv[x] = v[x / 2];
  RowToBgrPlain(y + done, pu + done, pv + done, n - done, t, d + 3 * done);
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
  // Rows are independent: large pictures are split into bands converted side
  // by side, each band with its own scratch rows.
  const int bands = int64_t(width) * height >= kBandPixels ? std::min(ScanParallelism(), kMaxBands) : 1;
  const size_t scratch = size_t(width) * size_t(bands);
  if (y_row_.size() < scratch) {
    y_row_.resize(scratch);
    u_row_.resize(scratch);
    v_row_.resize(scratch);
  }
  const auto band = [&](int k) {
    const size_t at = size_t(width) * size_t(k);
    ConvertRows(data, linesize, width, height * k / bands, height * (k + 1) / bands, static_cast<int>(info.layout),
                info.h_shift == 0, y_row_.data() + at, u_row_.data() + at, v_row_.data() + at, out);
  };
  if (bands == 1) {
    band(0);
  } else {
    RunParts(bands, band);
  }
  return true;
}

void YuvToBgr::ConvertRows(const uint8_t* const data[4], const int linesize[4], int width, int row0, int row1,
                           int layout_code, bool identity, uint8_t* y_row, uint8_t* u_row, uint8_t* v_row,
                           Bitmap24& out) const {
  const Layout layout = static_cast<Layout>(layout_code);
  for (int row = row0; row < row1; ++row) {
    const int crow = chroma_row_[size_t(row)];
    const uint8_t *y = y_row, *u = u_row, *v = v_row;
    if (layout == Layout::Planar) {
      y = data[0] + ptrdiff_t(linesize[0]) * row;
      const uint8_t* us = data[1] + ptrdiff_t(linesize[1]) * crow;
      const uint8_t* vs = data[2] + ptrdiff_t(linesize[2]) * crow;
      if (identity) {
        u = us, v = vs;
      } else if (pairs_) {
        PairRowToBgr(y, us, vs, width, terms_, out.Row(row), u_row, v_row);
        continue;
      } else {
        for (int x = 0; x < width; ++x) {
          const int c = column_[size_t(x)];
          u_row[x] = us[c], v_row[x] = vs[c];
        }
      }
    } else {
      const uint8_t* s = data[0] + ptrdiff_t(linesize[0]) * row;
      const int yo = layout == Layout::Yuyv ? 0 : 1, uo = layout == Layout::Yuyv ? 1 : 0;
      UnpackPairs(s, width, yo, uo, uo + 2, y_row, u_row, v_row);
      if (!pairs_) {
        // Odd widths pick chroma pairs unevenly: take them from the pairs.
        for (int x = 0; x < width; ++x) {
          const uint8_t* p = s + 4 * column_[size_t(x)];
          u_row[x] = p[uo], v_row[x] = p[uo + 2];
        }
      }
    }
    RowToBgr(y, u, v, width, terms_, out.Row(row));
  }
}
