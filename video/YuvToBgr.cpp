#include "video/YuvToBgr.h"

#include "base/ParallelScan.h"

#include <algorithm>
#include <cstdlib>

#if defined(__x86_64__)
// GCC 12 takes the intrinsics' deliberately undefined start values for
// uninitialised reads.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

extern "C" {
#include <libswscale/swscale.h>
}

// The plain rows get an AVX2 copy picked at load time as well.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define TESSARY_ROW_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define TESSARY_ROW_KERNEL
#endif

namespace {

// Pictures from this size up are converted in bands side by side. The
// vector kernels convert a smaller one on one thread about as fast as memory
// allows, and waking the workers for it costs more than the bands save.
constexpr int64_t kBandPixels = int64_t(2560) * 1440;
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

// Plain rows: `u` and `v` hold one sample per pixel (planar) or one per two
// pixels (pairs), or they sit inside packed 4-byte pairs (YUYV or UYVY).
TESSARY_ROW_KERNEL
void PlanarPlain(const uint8_t* __restrict y, const uint8_t* __restrict u, const uint8_t* __restrict v, int n,
                 const YuvToBgr::Terms& t, uint8_t* __restrict d) {
  for (int i = 0; i < n; ++i) PixelToBgr(y[i], u[i], v[i], t, d + 3 * i);
}

TESSARY_ROW_KERNEL
void PairsPlain(const uint8_t* __restrict y, const uint8_t* __restrict u, const uint8_t* __restrict v, int n,
                const YuvToBgr::Terms& t, uint8_t* __restrict d) {
  for (int i = 0; i < n; ++i) PixelToBgr(y[i], u[i / 2], v[i / 2], t, d + 3 * i);
}

void PackedPlain(const uint8_t* s, int n, bool uyvy, const YuvToBgr::Terms& t, uint8_t* d) {
  const int yo = uyvy ? 1 : 0, uo = uyvy ? 0 : 1;
  for (int i = 0; i < n; ++i) {
    const uint8_t* p = s + 4 * (i / 2);
    PixelToBgr(p[yo + 2 * (i & 1)], p[uo], p[uo + 2], t, d + 3 * i);
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The vector code forms each channel's sum as Y yc + U a + V b + c over the
// plain bytes, c holding the offsets and the rounding term: that is
// swscale's sum shifted right 9, the same modulo 2^23, which is all the final
// shift keeps. pmaddwd gives Y yc for the even and the odd pixel of a pair
// from one vector, and the chroma terms once per pair for 4:2:x. From each
// pair of 32-bit sums, bits 7 to 22 are joined into 16-bit words whose
// arithmetic shift right 6 is swscale's wrapped value; the saturating pack
// to bytes clamps it.
struct VectorTerms {
  int32_t y_even, y_odd, u2b, uv2g, v2r, b0, g0, r0;
};

inline int32_t Pair(int32_t lo, int32_t hi) { return int32_t(uint32_t(uint16_t(lo)) | uint32_t(hi) << 16); }

// Only for an offset of whole luma steps, as every swscale table has.
bool VectorTermsOf(const YuvToBgr::Terms& t, VectorTerms& v) {
  if (t.y_offset % 512 != 0) return false;
  const int64_t base = 4096 - int64_t(t.y_offset / 512) * t.y_coeff;
  v = {Pair(t.y_coeff, 0),
       Pair(0, t.y_coeff),
       Pair(t.u2b, 0),
       Pair(t.u2g, t.v2g),
       Pair(0, t.v2r),
       int32_t(base - 128 * int64_t(t.u2b)),
       int32_t(base - 128 * (int64_t(t.u2g) + t.v2g)),
       int32_t(base - 128 * int64_t(t.v2r))};
  return true;
}

#define TESSARY_AVX2 __attribute__((target("avx2")))
#define TESSARY_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline
#define TESSARY_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vnni")))
#define TESSARY_AVX512_INLINE __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vnni"), always_inline)) inline

// pshufb masks that spread 8 pixels of each 128-bit lane (B and G bytes in
// one register, R in another) into 24 bytes: lane 0 gives output bytes 0-15
// (`big`) and 16-23 (`small`, low half), lane 1 gives 24-31 (`small`, high
// half) and 32-47 (`big`).
struct Avx2Spread {
  alignas(32) int8_t big_bg[32], big_r[32], small_bg[32], small_r[32];
};

constexpr Avx2Spread MakeAvx2Spread() {
  Avx2Spread m{};
  for (int k = 0; k < 32; ++k) m.big_bg[k] = m.big_r[k] = m.small_bg[k] = m.small_r[k] = -1;
  for (int lane = 0; lane < 2; ++lane)
    for (int ob = 0; ob < 24; ++ob) {
      const int px = ob / 3, c = ob % 3;
      const bool big = lane == 0 ? ob < 16 : ob >= 8;
      const int at = 16 * lane + (lane == 0 ? (big ? ob : ob - 16) : (big ? ob - 8 : ob + 8));
      (big ? m.big_bg : m.small_bg)[at] = int8_t(c == 0 ? px : c == 1 ? 8 + px : -1);
      (big ? m.big_r : m.small_r)[at] = int8_t(c == 2 ? px : -1);
    }
  return m;
}
constexpr Avx2Spread kAvx2Spread = MakeAvx2Spread();

struct Avx2Terms {
  __m256i y_even, y_odd, u2b, uv2g, v2r, b0, g0, r0;
};

TESSARY_AVX2_INLINE Avx2Terms Avx2TermsOf(const VectorTerms& v) {
  return {_mm256_set1_epi32(v.y_even), _mm256_set1_epi32(v.y_odd), _mm256_set1_epi32(v.u2b),
          _mm256_set1_epi32(v.uv2g),   _mm256_set1_epi32(v.v2r),   _mm256_set1_epi32(v.b0),
          _mm256_set1_epi32(v.g0),     _mm256_set1_epi32(v.r0)};
}

TESSARY_AVX2_INLINE __m256i Words(__m256i even, __m256i odd) {
  return _mm256_srai_epi16(_mm256_blend_epi16(_mm256_srli_epi32(even, 7), _mm256_slli_epi32(odd, 9), 0xAA), 6);
}

// 16 pixels: dword j of `yw` holds the Y words of pixels 2j and 2j + 1, of
// `uve` and `uvo` their (U, V) words; out come B, G and R words in pixel order.
template <bool Pairs>
TESSARY_AVX2_INLINE void Sums16(const Avx2Terms& k, __m256i yw, __m256i uve, __m256i uvo, __m256i& b, __m256i& g,
                                __m256i& r) {
  const __m256i e = _mm256_madd_epi16(yw, k.y_even), o = _mm256_madd_epi16(yw, k.y_odd);
  const __m256i be = _mm256_add_epi32(_mm256_madd_epi16(uve, k.u2b), k.b0);
  const __m256i ge = _mm256_add_epi32(_mm256_madd_epi16(uve, k.uv2g), k.g0);
  const __m256i re = _mm256_add_epi32(_mm256_madd_epi16(uve, k.v2r), k.r0);
  __m256i bo = be, go = ge, ro = re;
  if (!Pairs) {
    bo = _mm256_add_epi32(_mm256_madd_epi16(uvo, k.u2b), k.b0);
    go = _mm256_add_epi32(_mm256_madd_epi16(uvo, k.uv2g), k.g0);
    ro = _mm256_add_epi32(_mm256_madd_epi16(uvo, k.v2r), k.r0);
  }
  b = Words(_mm256_add_epi32(e, be), _mm256_add_epi32(o, bo));
  g = Words(_mm256_add_epi32(e, ge), _mm256_add_epi32(o, go));
  r = Words(_mm256_add_epi32(e, re), _mm256_add_epi32(o, ro));
}

TESSARY_AVX2_INLINE __m256i Load32(const int8_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }

TESSARY_AVX2_INLINE void Store16(__m256i b, __m256i g, __m256i r, uint8_t* d) {
  const __m256i bg = _mm256_packus_epi16(b, g), rr = _mm256_packus_epi16(r, r);
  const Avx2Spread& m = kAvx2Spread;
  const __m256i big = _mm256_or_si256(_mm256_shuffle_epi8(bg, Load32(m.big_bg)), _mm256_shuffle_epi8(rr, Load32(m.big_r)));
  const __m256i small =
      _mm256_or_si256(_mm256_shuffle_epi8(bg, Load32(m.small_bg)), _mm256_shuffle_epi8(rr, Load32(m.small_r)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(big));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16),
                   _mm_blend_epi32(_mm256_castsi256_si128(small), _mm256_extracti128_si256(small, 1), 0xC));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), _mm256_extracti128_si256(big, 1));
}

// Converts the first multiple of 16 pixels and returns how many.
template <bool Pairs>
TESSARY_AVX2 int PlanarAvx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, int n, const VectorTerms& vt,
                            uint8_t* d) {
  const Avx2Terms k = Avx2TermsOf(vt);
  const __m128i split = _mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i yw = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i)));
    __m256i uve, uvo, b, g, r;
    if (Pairs) {
      const __m128i us = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + i / 2));
      const __m128i vs = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + i / 2));
      uve = uvo = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(us, vs));
    } else {
      const __m128i us = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u + i)), split);
      const __m128i vs = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i)), split);
      uve = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(us, vs));
      uvo = _mm256_cvtepu8_epi16(_mm_unpackhi_epi8(us, vs));
    }
    Sums16<Pairs>(k, yw, uve, uvo, b, g, r);
    Store16(b, g, r, d + 3 * i);
  }
  return i;
}

TESSARY_AVX2 int PackedAvx2(const uint8_t* s, int n, bool uyvy, const VectorTerms& vt, uint8_t* d) {
  const Avx2Terms k = Avx2TermsOf(vt);
  const __m256i low = _mm256_set1_epi16(0xFF);
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * i));
    const __m256i lo = _mm256_and_si256(p, low), hi = _mm256_srli_epi16(p, 8);
    __m256i b, g, r;
    Sums16<true>(k, uyvy ? hi : lo, uyvy ? lo : hi, uyvy ? lo : hi, b, g, r);
    Store16(b, g, r, d + 3 * i);
  }
  return i;
}

// The AVX-512 code feeds VNNI dot products with each sample as
// (X - 128) << 8 and doubled coefficients, so each 32-bit sum is swscale's
// own (its sum << 9, wrapping the same) and its top word already holds the
// bits the final shift keeps; one masked pshufb joins the top words of an
// even and an odd pixel. The blue coefficient of limited range does not fit
// 16 bits doubled: its product is added twice instead.
struct WideTerms {
  int32_t y_even, y_odd, u2b, uv2g, v2r, base;
};

// False where a doubled coefficient leaves 16 bits (no swscale table does).
bool WideTermsOf(const YuvToBgr::Terms& t, WideTerms& w) {
  if (t.y_offset % 512 != 0) return false;
  for (int32_t c : {t.y_coeff, t.u2g, t.v2g, t.v2r})
    if (2 * c < -32768 || 2 * c > 32767) return false;
  const int64_t base = 4096 + int64_t(128 - t.y_offset / 512) * t.y_coeff;
  w = {Pair(2 * t.y_coeff, 0), Pair(0, 2 * t.y_coeff), Pair(t.u2b, 0),
       Pair(2 * t.u2g, 2 * t.v2g), Pair(0, 2 * t.v2r), int32_t(uint32_t(uint64_t(base) * 512u))};
  return true;
}

// vpermb tables. The packs leave B, G and R of 64 pixels in three registers
// as (B 0-31, G 0-31), (R 0-31, B 32-63), (G 32-63, R 32-63), each pack
// taking 8 pixels per 128-bit lane from either side; `out` gathers the three
// 64-byte stores from them. The others put sample bytes into the high byte
// of words: `y_words` one per pixel, `pairs_uv` (U, V) of one chroma
// sample per pixel pair, `even_uv` / `odd_uv` of the even / odd pixels.
struct Avx512Tables {
  alignas(64) uint8_t out[3][64];
  uint64_t out1_from_third;  // bytes of store 1 taken from the third register
  alignas(64) uint8_t y_words[2][64], pairs_uv[2][64], even_uv[2][64], odd_uv[2][64];
  alignas(64) uint8_t join[64];  // each dword's top word to its bottom
};

constexpr Avx512Tables MakeAvx512Tables() {
  Avx512Tables t{};
  for (int o = 0; o < 192; ++o) {
    const int x = o / 3, c = o % 3, half = x / 32, xx = x % 32;
    const int packed = 3 * half + c, reg = packed / 2, side = packed % 2;
    const int byte = 16 * (xx / 8) + 8 * side + xx % 8;
    const int q = o / 64, at = o % 64;
    const int first = q == 2 ? 1 : 0;  // the register permutex2var takes as its first
    t.out[q][at] = uint8_t(byte + (reg > first ? 64 : 0));
    if (q == 1 && reg == 2) t.out1_from_third |= uint64_t(1) << at;
  }
  for (int h = 0; h < 2; ++h) {
    for (int k = 0; k < 32; ++k) t.y_words[h][2 * k + 1] = uint8_t(32 * h + k);
    for (int j = 0; j < 16; ++j) {
      t.pairs_uv[h][4 * j + 1] = uint8_t(16 * h + j), t.pairs_uv[h][4 * j + 3] = uint8_t(64 + 16 * h + j);
      t.even_uv[h][4 * j + 1] = uint8_t(32 * h + 2 * j), t.even_uv[h][4 * j + 3] = uint8_t(64 + 32 * h + 2 * j);
      t.odd_uv[h][4 * j + 1] = uint8_t(32 * h + 2 * j + 1), t.odd_uv[h][4 * j + 3] = uint8_t(65 + 32 * h + 2 * j);
    }
  }
  for (int k = 0; k < 64; ++k) t.join[k] = uint8_t((k & 12) + 2 + (k & 1));
  return t;
}
constexpr Avx512Tables kAvx512Tables = MakeAvx512Tables();
constexpr __mmask64 kHighBytes = 0xAAAAAAAAAAAAAAAAu, kLowWords = 0x3333333333333333u;

struct Avx512Terms {
  __m512i y_even, y_odd, u2b, uv2g, v2r, base;
};

TESSARY_AVX512_INLINE Avx512Terms Avx512TermsOf(const WideTerms& w) {
  return {_mm512_set1_epi32(w.y_even), _mm512_set1_epi32(w.y_odd), _mm512_set1_epi32(w.u2b),
          _mm512_set1_epi32(w.uv2g),   _mm512_set1_epi32(w.v2r),   _mm512_set1_epi32(w.base)};
}

TESSARY_AVX512_INLINE __m512i Load64(const uint8_t* p) { return _mm512_load_si512(p); }

// Words of 32 pixels in order from the sums of the even and the odd ones.
TESSARY_AVX512_INLINE __m512i Join(__m512i even, __m512i odd) {
  return _mm512_srai_epi16(_mm512_mask_shuffle_epi8(odd, kLowWords, even, Load64(kAvx512Tables.join)), 6);
}

// 32 pixels: dword j of `yw` holds the Y words of pixels 2j and 2j + 1, of
// `uve` and `uvo` their (U, V) words; out come B, G and R words in pixel order.
TESSARY_AVX512_INLINE void Sums32(const Avx512Terms& k, __m512i yw, __m512i uve, __m512i uvo, __m512i& b,
                                  __m512i& g, __m512i& r) {
  const __m512i e = _mm512_dpwssd_epi32(k.base, yw, k.y_even), o = _mm512_dpwssd_epi32(k.base, yw, k.y_odd);
  b = Join(_mm512_dpwssd_epi32(_mm512_dpwssd_epi32(e, uve, k.u2b), uve, k.u2b),
           _mm512_dpwssd_epi32(_mm512_dpwssd_epi32(o, uvo, k.u2b), uvo, k.u2b));
  g = Join(_mm512_dpwssd_epi32(e, uve, k.uv2g), _mm512_dpwssd_epi32(o, uvo, k.uv2g));
  r = Join(_mm512_dpwssd_epi32(e, uve, k.v2r), _mm512_dpwssd_epi32(o, uvo, k.v2r));
}

// The first n of 64 bytes (n may be <= 0 or > 64).
inline uint64_t FirstBytes(int n) { return n <= 0 ? 0 : n >= 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1; }

// B, G and R words of pixels 0-31 and 32-63 to the first `bytes` of 192.
TESSARY_AVX512_INLINE void Store64(__m512i b0, __m512i g0, __m512i r0, __m512i b1, __m512i g1, __m512i r1,
                                   uint8_t* d, int bytes) {
  const Avx512Tables& t = kAvx512Tables;
  const __m512i p0 = _mm512_packus_epi16(b0, g0), p1 = _mm512_packus_epi16(r0, b1), p2 = _mm512_packus_epi16(g1, r1);
  const __m512i s1 = Load64(t.out[1]);
  const __m512i o0 = _mm512_permutex2var_epi8(p0, Load64(t.out[0]), p1);
  const __m512i o1 = _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(p0, s1, p1), t.out1_from_third, s1, p2);
  const __m512i o2 = _mm512_permutex2var_epi8(p1, Load64(t.out[2]), p2);
  if (bytes >= 192) {
    _mm512_storeu_si512(d, o0);
    _mm512_storeu_si512(d + 64, o1);
    _mm512_storeu_si512(d + 128, o2);
  } else {
    _mm512_mask_storeu_epi8(d, FirstBytes(bytes), o0);
    if (bytes > 64) _mm512_mask_storeu_epi8(d + 64, FirstBytes(bytes - 64), o1);
    if (bytes > 128) _mm512_mask_storeu_epi8(d + 128, FirstBytes(bytes - 128), o2);
  }
}

// Whole rows, 64 pixels at a time, the last block masked.
template <bool Pairs>
TESSARY_AVX512 void PlanarAvx512(const uint8_t* y, const uint8_t* u, const uint8_t* v, int n, const WideTerms& w,
                                 uint8_t* d) {
  const Avx512Terms k = Avx512TermsOf(w);
  const Avx512Tables& t = kAvx512Tables;
  const __m512i flip = _mm512_set1_epi8(char(0x80));
  for (int i = 0; i < n; i += 64) {
    const int rest = n - i;
    const uint8_t *uc = u + (Pairs ? i / 2 : i), *vc = v + (Pairs ? i / 2 : i);
    __m512i ys, us, vs;
    if (rest >= 64) {
      ys = _mm512_loadu_si512(y + i);
      if (Pairs) {
        us = _mm512_zextsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(uc)));
        vs = _mm512_zextsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(vc)));
      } else {
        us = _mm512_loadu_si512(uc), vs = _mm512_loadu_si512(vc);
      }
    } else {
      const int chroma = Pairs ? (rest + 1) / 2 : rest;
      ys = _mm512_maskz_loadu_epi8(FirstBytes(rest), y + i);
      us = _mm512_maskz_loadu_epi8(FirstBytes(chroma), uc);
      vs = _mm512_maskz_loadu_epi8(FirstBytes(chroma), vc);
    }
    ys = _mm512_xor_si512(ys, flip), us = _mm512_xor_si512(us, flip), vs = _mm512_xor_si512(vs, flip);
    const __m512i y0 = _mm512_maskz_permutexvar_epi8(kHighBytes, Load64(t.y_words[0]), ys);
    const __m512i y1 = _mm512_maskz_permutexvar_epi8(kHighBytes, Load64(t.y_words[1]), ys);
    __m512i b0, g0, r0, b1, g1, r1;
    if (Pairs) {
      const __m512i uv0 = _mm512_maskz_permutex2var_epi8(kHighBytes, us, Load64(t.pairs_uv[0]), vs);
      const __m512i uv1 = _mm512_maskz_permutex2var_epi8(kHighBytes, us, Load64(t.pairs_uv[1]), vs);
      Sums32(k, y0, uv0, uv0, b0, g0, r0);
      Sums32(k, y1, uv1, uv1, b1, g1, r1);
    } else {
      Sums32(k, y0, _mm512_maskz_permutex2var_epi8(kHighBytes, us, Load64(t.even_uv[0]), vs),
             _mm512_maskz_permutex2var_epi8(kHighBytes, us, Load64(t.odd_uv[0]), vs), b0, g0, r0);
      Sums32(k, y1, _mm512_maskz_permutex2var_epi8(kHighBytes, us, Load64(t.even_uv[1]), vs),
             _mm512_maskz_permutex2var_epi8(kHighBytes, us, Load64(t.odd_uv[1]), vs), b1, g1, r1);
    }
    Store64(b0, g0, r0, b1, g1, r1, d + 3 * i, rest >= 64 ? 192 : 3 * rest);
  }
}

TESSARY_AVX512 void PackedAvx512(const uint8_t* s, int n, bool uyvy, const WideTerms& w, uint8_t* d) {
  const Avx512Terms k = Avx512TermsOf(w);
  const __m512i flip = _mm512_set1_epi8(char(0x80)), high = _mm512_set1_epi16(int16_t(0xFF00));
  for (int i = 0; i < n; i += 64) {
    const int rest = n - i;
    __m512i p0, p1;
    if (rest >= 64) {
      p0 = _mm512_loadu_si512(s + 2 * i), p1 = _mm512_loadu_si512(s + 2 * i + 64);
    } else {
      // An odd last pixel still has its whole pair.
      const int bytes = 4 * ((rest + 1) / 2);
      p0 = _mm512_maskz_loadu_epi8(FirstBytes(bytes), s + 2 * i);
      p1 = bytes > 64 ? _mm512_maskz_loadu_epi8(FirstBytes(bytes - 64), s + 2 * i + 64) : _mm512_setzero_si512();
    }
    // Words of the first byte of each pair of bytes moved high, and of the second kept high.
    p0 = _mm512_xor_si512(p0, flip), p1 = _mm512_xor_si512(p1, flip);
    const __m512i first0 = _mm512_slli_epi16(p0, 8), second0 = _mm512_and_si512(p0, high);
    const __m512i first1 = _mm512_slli_epi16(p1, 8), second1 = _mm512_and_si512(p1, high);
    __m512i b0, g0, r0, b1, g1, r1;
    const __m512i uv0 = uyvy ? first0 : second0, uv1 = uyvy ? first1 : second1;
    Sums32(k, uyvy ? second0 : first0, uv0, uv0, b0, g0, r0);
    Sums32(k, uyvy ? second1 : first1, uv1, uv1, b1, g1, r1);
    Store64(b0, g0, r0, b1, g1, r1, d + 3 * i, rest >= 64 ? 192 : 3 * rest);
  }
}
#endif

bool CpuHas(YuvToBgr::Kernel k) {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  static const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
                             __builtin_cpu_supports("avx512vnni");
  return k == YuvToBgr::Kernel::Avx2 ? avx2 : k == YuvToBgr::Kernel::Avx512 ? avx512 : true;
#else
  return k == YuvToBgr::Kernel::Best || k == YuvToBgr::Kernel::Plain;
#endif
}

// One row with the chosen kernel; with `Pairs`, u and v hold one sample per
// two pixels.
template <bool Pairs>
void Row(YuvToBgr::Kernel k, const uint8_t* y, const uint8_t* u, const uint8_t* v, int n, const YuvToBgr::Terms& t,
         uint8_t* d) {
  int done = 0;
#if defined(__x86_64__) && defined(__GNUC__)
  WideTerms w;
  if (k == YuvToBgr::Kernel::Avx512 && WideTermsOf(t, w)) return PlanarAvx512<Pairs>(y, u, v, n, w, d);
  VectorTerms vt;
  if (k != YuvToBgr::Kernel::Plain && VectorTermsOf(t, vt)) {
    done = PlanarAvx2<Pairs>(y, u, v, n, vt, d);
  }
#endif
  if constexpr (Pairs)
    PairsPlain(y + done, u + done / 2, v + done / 2, n - done, t, d + 3 * done);
  else
    PlanarPlain(y + done, u + done, v + done, n - done, t, d + 3 * done);
}


void PackedRow(YuvToBgr::Kernel k, const uint8_t* s, int n, bool uyvy, const YuvToBgr::Terms& t, uint8_t* d) {
  int done = 0;
#if defined(__x86_64__) && defined(__GNUC__)
  WideTerms w;
  if (k == YuvToBgr::Kernel::Avx512 && WideTermsOf(t, w)) return PackedAvx512(s, n, uyvy, w, d);
  VectorTerms vt;
  if (k != YuvToBgr::Kernel::Plain && VectorTermsOf(t, vt)) {
    done = PackedAvx2(s, n, uyvy, vt, d);
  }
#endif
  PackedPlain(s + 2 * done, n - done, uyvy, t, d + 3 * done);
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

bool YuvToBgr::Available(Kernel kernel) { return CpuHas(kernel); }

YuvToBgr::YuvToBgr(Kernel kernel) : kernel_(CpuHas(kernel) ? kernel : Kernel::Plain) {
  if (kernel_ == Kernel::Best)
    kernel_ = CpuHas(Kernel::Avx512) ? Kernel::Avx512 : CpuHas(Kernel::Avx2) ? Kernel::Avx2 : Kernel::Plain;
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
    uint8_t* d = out.Row(row);
    if (layout == Layout::Planar) {
      const uint8_t* y = data[0] + ptrdiff_t(linesize[0]) * row;
      const uint8_t* us = data[1] + ptrdiff_t(linesize[1]) * crow;
      const uint8_t* vs = data[2] + ptrdiff_t(linesize[2]) * crow;
      if (identity) {
        Row<false>(kernel_, y, us, vs, width, terms_, d);
      } else if (pairs_) {
        Row<true>(kernel_, y, us, vs, width, terms_, d);
      } else {
        for (int x = 0; x < width; ++x) {
          const int c = column_[size_t(x)];
          u_row[x] = us[c], v_row[x] = vs[c];
        }
        Row<false>(kernel_, y, u_row, v_row, width, terms_, d);
      }
      continue;
    }
    const uint8_t* s = data[0] + ptrdiff_t(linesize[0]) * row;
    if (pairs_) {
      PackedRow(kernel_, s, width, layout == Layout::Uyvy, terms_, d);
      continue;
    }
    const int yo = layout == Layout::Yuyv ? 0 : 1, uo = layout == Layout::Yuyv ? 1 : 0;
    UnpackPairs(s, width, yo, uo, uo + 2, y_row, u_row, v_row);
    // Odd widths pick chroma pairs unevenly: take them from the pairs.
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = s + 4 * column_[size_t(x)];
      u_row[x] = p[uo], v_row[x] = p[uo + 2];
    }
    Row<false>(kernel_, y_row, u_row, v_row, width, terms_, d);
  }
}
