// Our own YUV conversion against swscale's exact path: every (Y, U, V) value,
// random frames of every layout, range and matrix, odd and tiny sizes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/YuvFrames.h"

namespace {

TEST(YuvConversion, EveryValueMatchesSwscale) {
  // 4096 x 4096 pixels of 4:4:4 hold every (Y, U, V) once.
  YuvFrame f(AV_PIX_FMT_YUV444P, 4096, 4096);
  for (int row = 0; row < 4096; ++row)
    for (int x = 0; x < 4096; ++x) {
      const uint32_t p = uint32_t(row) * 4096 + uint32_t(x);
      f.planes[0][size_t(row) * size_t(f.linesize[0]) + size_t(x)] = uint8_t(p);
      f.planes[1][size_t(row) * size_t(f.linesize[1]) + size_t(x)] = uint8_t(p >> 8);
      f.planes[2][size_t(row) * size_t(f.linesize[2]) + size_t(x)] = uint8_t(p >> 16);
    }
  for (AVColorRange range : {AVCOL_RANGE_MPEG, AVCOL_RANGE_JPEG}) {
    Bitmap24 own = f.Convert(YuvPath::Own, AVCOL_SPC_UNSPECIFIED, range);
    Bitmap24 exact = f.Convert(YuvPath::Swscale, AVCOL_SPC_UNSPECIFIED, range);
    EXPECT_EQ(FirstDifference(own, exact), "") << "range " << int(range);
  }
}

struct Layout {
  const char* name;
  AVPixelFormat format;
};

class RandomFrames : public ::testing::TestWithParam<Layout> {};

TEST_P(RandomFrames, MatchSwscaleAtEverySize) {
  const struct { int w, h; } sizes[] = {{720, 480}, {723, 481}, {257, 301}, {1, 1}, {2, 2}, {3, 3}, {5, 7}, {17, 9}, {33, 5}, {64, 3}, {7, 64}, {101, 11}};
  const AVColorSpace matrices[] = {AVCOL_SPC_UNSPECIFIED, AVCOL_SPC_BT709, AVCOL_SPC_BT2020_NCL};
  std::mt19937 rng(23);
  for (auto s : sizes)
    for (AVColorSpace m : matrices)
      for (AVColorRange r : {AVCOL_RANGE_MPEG, AVCOL_RANGE_JPEG}) {
        YuvFrame f(GetParam().format, s.w, s.h);
        f.Fill(rng);
        EXPECT_EQ(FirstDifference(f.Convert(YuvPath::Own, m, r), f.Convert(YuvPath::Swscale, m, r)), "")
            << s.w << "x" << s.h << " matrix " << int(m) << " range " << int(r);
      }
}

INSTANTIATE_TEST_SUITE_P(Layouts, RandomFrames,
                         ::testing::Values(Layout{"yuv420p", AV_PIX_FMT_YUV420P}, Layout{"yuvj420p", AV_PIX_FMT_YUVJ420P},
                                           Layout{"yuv422p", AV_PIX_FMT_YUV422P}, Layout{"yuvj422p", AV_PIX_FMT_YUVJ422P},
                                           Layout{"yuv444p", AV_PIX_FMT_YUV444P}, Layout{"yuyv422", AV_PIX_FMT_YUYV422},
                                           Layout{"uyvy422", AV_PIX_FMT_UYVY422}),
                         [](const auto& info) { return std::string(info.param.name); });

// Hand-computed pixels of BT.601 limited range: black, white, and a bright
// pixel of strong blue whose blue sum wraps past 31 bits to black.
TEST(YuvConversion, KnownPixels) {
  YuvFrame f(AV_PIX_FMT_YUV444P, 3, 1);
  const uint8_t y[3] = {16, 235, 255}, u[3] = {128, 128, 255}, v[3] = {128, 128, 128};
  for (int x = 0; x < 3; ++x) f.planes[0][size_t(x)] = y[x], f.planes[1][size_t(x)] = u[x], f.planes[2][size_t(x)] = v[x];
  Bitmap24 out = f.Convert(YuvPath::Own, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG);
  EXPECT_EQ(out.Get(0, 0), (Bgr{0, 0, 0}));
  EXPECT_EQ(out.Get(1, 0), (Bgr{255, 255, 255}));
  EXPECT_EQ(out.Get(2, 0).b, 0);
  EXPECT_EQ(out.Get(2, 0).r, 255);
}

}  // namespace
