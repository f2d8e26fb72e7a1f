// Every row kernel the CPU has (plain, AVX2, AVX-512) on every (Y, U, V) of
// each layout against the fixed-point formula, and against swscale's exact
// path at widths that leave every length of row tail.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <tuple>

#include "support/YuvFrames.h"

namespace {

using Kernel = YuvToBgr::Kernel;

struct KernelCase {
  Kernel kernel;
  const char* name;
};
const KernelCase kKernels[] = {{Kernel::Plain, "plain"}, {Kernel::Avx2, "avx2"}, {Kernel::Avx512, "avx512"}};

struct LayoutCase {
  AVPixelFormat format;
  const char* name;
  int h_shift, v_shift;
};
const LayoutCase kLayouts[] = {{AV_PIX_FMT_YUV420P, "yuv420p", 1, 1},
                               {AV_PIX_FMT_YUV422P, "yuv422p", 1, 0},
                               {AV_PIX_FMT_YUV444P, "yuv444p", 0, 0},
                               {AV_PIX_FMT_YUYV422, "yuyv422", 1, 0},
                               {AV_PIX_FMT_UYVY422, "uyvy422", 1, 0}};

void PrintTo(const KernelCase& k, std::ostream* os) { *os << k.name; }
void PrintTo(const LayoutCase& l, std::ostream* os) { *os << l.name; }

class EveryKernel : public ::testing::TestWithParam<std::tuple<KernelCase, LayoutCase>> {
 protected:
  void SetUp() override {
    if (!YuvToBgr::Available(std::get<0>(GetParam()).kernel)) GTEST_SKIP() << "this CPU lacks the kernel";
  }
};

struct Yuv {
  int y, u, v;
};

// Pixel (x, row) of a 4096 x 4096 picture that holds every (Y, U, V) once;
// pixels sharing a chroma sample take neighbouring Y values.
Yuv EveryValueAt(const LayoutCase& l, int x, int row) {
  if (l.h_shift == 0) {
    const int p = row * 4096 + x;
    return {p & 255, (p >> 8) & 255, p >> 16};
  }
  if (l.v_shift == 0) {
    const int c = row * 2048 + x / 2;
    return {2 * (c >> 16) + (x & 1), c & 255, (c >> 8) & 255};
  }
  const int c = (row / 2) * 2048 + x / 2;
  return {4 * (c >> 16) + 2 * (row & 1) + (x & 1), c & 255, (c >> 8) & 255};
}

void Put(YuvFrame& f, const LayoutCase& l, int x, int row, Yuv p) {
  if (f.format == AV_PIX_FMT_YUYV422 || f.format == AV_PIX_FMT_UYVY422) {
    uint8_t* pair = f.planes[0].data() + size_t(row) * size_t(f.linesize[0]) + 4 * size_t(x / 2);
    const bool yuyv = f.format == AV_PIX_FMT_YUYV422;
    pair[(yuyv ? 0 : 1) + 2 * (x & 1)] = uint8_t(p.y);
    pair[yuyv ? 1 : 0] = uint8_t(p.u);
    pair[yuyv ? 3 : 2] = uint8_t(p.v);
    return;
  }
  f.planes[0][size_t(row) * size_t(f.linesize[0]) + size_t(x)] = uint8_t(p.y);
  const size_t c = size_t(row >> l.v_shift) * size_t(f.linesize[1]) + size_t(x >> l.h_shift);
  f.planes[1][c] = uint8_t(p.u), f.planes[2][c] = uint8_t(p.v);
}

TEST_P(EveryKernel, EveryValueMatchesFormula) {
  const auto& [k, l] = GetParam();
  constexpr int kSize = 4096, kStrip = 256;  // converted in strips to keep memory small
  for (AVColorRange range : {AVCOL_RANGE_MPEG, AVCOL_RANGE_JPEG}) {
    const YuvToBgr::Terms terms = YuvToBgr::TermsFor(AVCOL_SPC_UNSPECIFIED, range == AVCOL_RANGE_JPEG);
    YuvToBgr own(k.kernel);
    YuvFrame f(l.format, kSize, kStrip);
    Bitmap24 out;
    std::vector<uint8_t> expected(size_t(kSize) * 3);
    for (int top = 0; top < kSize; top += kStrip) {
      for (int row = 0; row < kStrip; ++row)
        for (int x = 0; x < kSize; ++x) Put(f, l, x, row, EveryValueAt(l, x, top + row));
      const uint8_t* data[4];
      f.Data(data);
      ASSERT_TRUE(own.Convert(data, f.linesize, kSize, kStrip, l.format, AVCOL_SPC_UNSPECIFIED, range, out));
      for (int row = 0; row < kStrip; ++row) {
        for (int x = 0; x < kSize; ++x) {
          const Yuv p = EveryValueAt(l, x, top + row);
          const Bgr e = ExactYuvPixel(p.y, p.u, p.v, terms);
          expected[size_t(3 * x)] = e.b, expected[size_t(3 * x + 1)] = e.g, expected[size_t(3 * x + 2)] = e.r;
        }
        if (std::memcmp(expected.data(), out.Row(row), expected.size()) == 0) continue;
        for (int x = 0; x < kSize; ++x) {
          const Yuv p = EveryValueAt(l, x, top + row);
          const Bgr e = ExactYuvPixel(p.y, p.u, p.v, terms), got = out.Get(x, row);
          ASSERT_EQ(got, e) << "Y " << p.y << " U " << p.u << " V " << p.v << " at " << x << "," << top + row
                            << " range " << int(range) << ": got " << int(got.b) << " " << int(got.g) << " "
                            << int(got.r) << ", want " << int(e.b) << " " << int(e.g) << " " << int(e.r);
        }
      }
    }
  }
}

TEST_P(EveryKernel, RowTailsMatchSwscale) {
  const auto& [k, l] = GetParam();
  // Every tail length of the 16- and 64-pixel loops, odd widths (uneven
  // chroma picks) among them; rows unpadded, so a read past a row's end
  // shows under the address sanitizer.
  std::vector<int> widths;
  for (int w = 1; w <= 80; ++w) widths.push_back(w);
  for (int w : {127, 128, 129, 191, 192, 193, 255, 256, 257, 721}) widths.push_back(w);
  const AVColorSpace matrices[] = {AVCOL_SPC_UNSPECIFIED, AVCOL_SPC_BT709, AVCOL_SPC_BT2020_NCL};
  std::mt19937 rng(11);
  for (size_t i = 0; i < widths.size(); ++i)
    for (AVColorRange range : {AVCOL_RANGE_MPEG, AVCOL_RANGE_JPEG}) {
      const AVColorSpace m = matrices[i % 3];
      YuvFrame f(l.format, widths[i], 3, 0);
      f.Fill(rng);
      // swscale reads past the planes' ends: it gets a copy with room there.
      YuvFrame roomy = f;
      for (auto& plane : roomy.planes) plane.resize(plane.size() + 256);
      EXPECT_EQ(FirstDifference(f.Convert(k.kernel, m, range), roomy.Convert(YuvPath::Swscale, m, range)), "")
          << "width " << widths[i] << " matrix " << int(m) << " range " << int(range);
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, EveryKernel, ::testing::Combine(::testing::ValuesIn(kKernels), ::testing::ValuesIn(kLayouts)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

}  // namespace
