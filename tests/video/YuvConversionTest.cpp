// Our own YUV conversion against swscale's exact path: every (Y, U, V) value,
// random frames of every layout, range and matrix, odd and tiny sizes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "video/FfmpegVideoSource.h"
#include "video/PixelConvert.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace {

// A frame's planes held in vectors, rows padded past the width the way
// decoders pad them.
struct YuvFrame {
  AVPixelFormat format = AV_PIX_FMT_NONE;
  int width = 0, height = 0;
  std::vector<uint8_t> planes[3];
  int linesize[4] = {0, 0, 0, 0};

  YuvFrame(AVPixelFormat f, int w, int h) : format(f), width(w), height(h) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(f);
    if (d->flags & AV_PIX_FMT_FLAG_PLANAR) {
      const int cw = (w + (1 << d->log2_chroma_w) - 1) >> d->log2_chroma_w;
      const int ch = (h + (1 << d->log2_chroma_h) - 1) >> d->log2_chroma_h;
      linesize[0] = w + 32, linesize[1] = linesize[2] = cw + 32;
      planes[0].resize(size_t(linesize[0]) * size_t(h) + 64);
      planes[1].resize(size_t(linesize[1]) * size_t(ch) + 64);
      planes[2].resize(size_t(linesize[2]) * size_t(ch) + 64);
    } else {
      linesize[0] = ((w + 1) / 2) * 4 + 32;
      planes[0].resize(size_t(linesize[0]) * size_t(h) + 64);
    }
  }
  void Fill(std::mt19937& rng) {
    for (auto& p : planes)
      for (auto& b : p) b = uint8_t(rng());
  }
  Bitmap24 Convert(YuvPath path, AVColorSpace matrix, AVColorRange range) const {
    const uint8_t* data[4] = {planes[0].data(), planes[1].empty() ? nullptr : planes[1].data(),
                              planes[2].empty() ? nullptr : planes[2].data(), nullptr};
    QuietFfmpegLog();
    SwscaleToBgr scaler(path);
    Bitmap24 out;
    EXPECT_TRUE(scaler.Convert(data, linesize, width, height, format, matrix, range, out));
    return out;
  }
};

// First differing pixel, for a readable failure.
std::string FirstDifference(const Bitmap24& a, const Bitmap24& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return "sizes differ";
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (!(a.Get(x, y) == b.Get(x, y))) {
        Bgr p = a.Get(x, y), q = b.Get(x, y);
        return "at " + std::to_string(x) + "," + std::to_string(y) + ": own " + std::to_string(p.b) + " " +
               std::to_string(p.g) + " " + std::to_string(p.r) + ", swscale " + std::to_string(q.b) + " " +
               std::to_string(q.g) + " " + std::to_string(q.r);
      }
  return "";
}

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
