#include "support/YuvFrames.h"

#include <algorithm>
#include <gtest/gtest.h>

#include "video/FfmpegVideoSource.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

YuvFrame::YuvFrame(AVPixelFormat f, int w, int h, int pad) : format(f), width(w), height(h) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(f);
  if (d->flags & AV_PIX_FMT_FLAG_PLANAR) {
    const int cw = (w + (1 << d->log2_chroma_w) - 1) >> d->log2_chroma_w;
    const int ch = (h + (1 << d->log2_chroma_h) - 1) >> d->log2_chroma_h;
    linesize[0] = w + pad, linesize[1] = linesize[2] = cw + pad;
    planes[0].resize(size_t(linesize[0]) * size_t(h) + size_t(2 * pad));
    planes[1].resize(size_t(linesize[1]) * size_t(ch) + size_t(2 * pad));
    planes[2].resize(size_t(linesize[2]) * size_t(ch) + size_t(2 * pad));
  } else {
    linesize[0] = ((w + 1) / 2) * 4 + pad;
    planes[0].resize(size_t(linesize[0]) * size_t(h) + size_t(2 * pad));
  }
}

void YuvFrame::Fill(std::mt19937& rng) {
  for (auto& p : planes)
    for (auto& b : p) b = uint8_t(rng());
}

void YuvFrame::Data(const uint8_t* data[4]) const {
  data[0] = planes[0].data();
  data[1] = planes[1].empty() ? nullptr : planes[1].data();
  data[2] = planes[2].empty() ? nullptr : planes[2].data();
  data[3] = nullptr;
}

Bitmap24 YuvFrame::Convert(YuvPath path, AVColorSpace matrix, AVColorRange range) const {
  const uint8_t* data[4];
  Data(data);
  QuietFfmpegLog();
  SwscaleToBgr scaler(path);
  Bitmap24 out;
  EXPECT_TRUE(scaler.Convert(data, linesize, width, height, format, matrix, range, out));
  return out;
}

Bitmap24 YuvFrame::Convert(YuvToBgr::Kernel kernel, AVColorSpace matrix, AVColorRange range) const {
  const uint8_t* data[4];
  Data(data);
  YuvToBgr own(kernel);
  Bitmap24 out;
  EXPECT_TRUE(own.Convert(data, linesize, width, height, format, matrix, range, out));
  return out;
}

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

namespace {
// The top 10 bits of the sum's low 32, as a signed number, clamped.
uint8_t Top(int64_t sum) {
  const int32_t low = int32_t(uint32_t(uint64_t(sum) & 0xFFFFFFFFu));
  return uint8_t(std::clamp(low / (1 << 22) - (low % (1 << 22) < 0 ? 1 : 0), 0, 255));
}
}  // namespace

Bgr ExactYuvPixel(int y, int u, int v, const YuvToBgr::Terms& t) {
  const int64_t luma = int64_t(y * 512 - t.y_offset) * t.y_coeff + (int64_t(1) << 21);
  const int64_t cu = int64_t(u - 128) * 512, cv = int64_t(v - 128) * 512;
  return {Top(luma + cu * t.u2b), Top(luma + cv * t.v2g + cu * t.u2g), Top(luma + cv * t.v2r)};
}
