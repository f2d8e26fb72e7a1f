#include "video/PixelConvert.h"

#include <cstring>

#include "base/ByteOrder.h"
#include "base/PixelMask.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

void EnsureSize(Bitmap24& out, int width, int height) {
  if (out.Width() != width || out.Height() != height) out.Resize(width, height);
}

size_t PackedRowBytes(const PackedPixels& l, int width) {
  size_t w = size_t(width);
  switch (l.kind) {
    case PackedPixels::Kind::Bytes3: return w * 3;
    case PackedPixels::Kind::Bytes4:
    case PackedPixels::Kind::Masked32: return w * 4;
    case PackedPixels::Kind::Masked16: return w * 2;
    case PackedPixels::Kind::Palette: return (w * size_t(l.bits) + 7) / 8;
    case PackedPixels::Kind::Grey8: return w;
  }
  return w * 3;
}

void ConvertPacked(const uint8_t* top_row, ptrdiff_t stride, int width, int height,
                   const PackedPixels& l, Bitmap24& out) {
  EnsureSize(out, width, height);
  using K = PackedPixels::Kind;
  if (l.kind == K::Bytes3 && l.b_off == 0 && l.g_off == 1 && l.r_off == 2) {
    for (int y = 0; y < height; ++y) std::memcpy(out.Row(y), top_row + stride * y, size_t(width) * 3);
    return;
  }
  MaskField fr, fg, fb;
  if (l.kind == K::Masked16 || l.kind == K::Masked32) fr = MaskField(l.r_mask), fg = MaskField(l.g_mask), fb = MaskField(l.b_mask);
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = top_row + stride * y;
    uint8_t* d = out.Row(y);
    switch (l.kind) {
      case K::Bytes3:
      case K::Bytes4: {
        int step = l.kind == K::Bytes3 ? 3 : 4;
        for (int x = 0; x < width; ++x, s += step, d += 3) d[0] = s[l.b_off], d[1] = s[l.g_off], d[2] = s[l.r_off];
        break;
      }
      case K::Masked16:
        for (int x = 0; x < width; ++x, s += 2, d += 3) {
          uint32_t px = uint32_t(s[0] | s[1] << 8);
          d[0] = fb(px), d[1] = fg(px), d[2] = fr(px);
        }
        break;
      case K::Masked32:
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
          const uint32_t px = Le32(s);
          d[0] = fb(px), d[1] = fg(px), d[2] = fr(px);
        }
        break;
      case K::Palette: {
        const int bits = l.bits, per_byte = 8 / bits, mask = (1 << bits) - 1;
        for (int x = 0; x < width; ++x, d += 3) {
          int idx = s[x / per_byte] >> ((per_byte - 1 - x % per_byte) * bits) & mask;
          Bgr c = idx < l.palette_size ? l.palette[size_t(idx)] : Bgr{};
          d[0] = c.b, d[1] = c.g, d[2] = c.r;
        }
        break;
      }
      case K::Grey8:
        for (int x = 0; x < width; ++x, d += 3) d[0] = d[1] = d[2] = s[x];
        break;
    }
  }
}

bool PackedLayoutOf(AVPixelFormat f, PackedPixels& l) {
  l = PackedPixels{};
  using K = PackedPixels::Kind;
  auto bytes = [&](K k, int b, int g, int r) {
    l.kind = k, l.b_off = b, l.g_off = g, l.r_off = r;
    return true;
  };
  auto masked = [&](uint32_t r, uint32_t g, uint32_t b) {
    l.kind = K::Masked16, l.r_mask = r, l.g_mask = g, l.b_mask = b;
    return true;
  };
  switch (f) {
    case AV_PIX_FMT_BGR24: return bytes(K::Bytes3, 0, 1, 2);
    case AV_PIX_FMT_RGB24: return bytes(K::Bytes3, 2, 1, 0);
    case AV_PIX_FMT_BGRA:
    case AV_PIX_FMT_BGR0: return bytes(K::Bytes4, 0, 1, 2);
    case AV_PIX_FMT_RGBA:
    case AV_PIX_FMT_RGB0: return bytes(K::Bytes4, 2, 1, 0);
    case AV_PIX_FMT_ARGB:
    case AV_PIX_FMT_0RGB: return bytes(K::Bytes4, 3, 2, 1);
    case AV_PIX_FMT_ABGR:
    case AV_PIX_FMT_0BGR: return bytes(K::Bytes4, 1, 2, 3);
    case AV_PIX_FMT_RGB555LE: return masked(0x7C00, 0x03E0, 0x001F);
    case AV_PIX_FMT_BGR555LE: return masked(0x001F, 0x03E0, 0x7C00);
    case AV_PIX_FMT_RGB565LE: return masked(0xF800, 0x07E0, 0x001F);
    case AV_PIX_FMT_BGR565LE: return masked(0x001F, 0x07E0, 0xF800);
    case AV_PIX_FMT_GRAY8: l.kind = K::Grey8; return true;
    case AV_PIX_FMT_PAL8: l.kind = K::Palette, l.bits = 8; return true;
    case AV_PIX_FMT_MONOWHITE:
    case AV_PIX_FMT_MONOBLACK: {
      l.kind = K::Palette, l.bits = 1, l.palette_size = 2;
      Bgr black{}, white{255, 255, 255};
      l.palette[0] = f == AV_PIX_FMT_MONOWHITE ? white : black;
      l.palette[1] = f == AV_PIX_FMT_MONOWHITE ? black : white;
      return true;
    }
    default: return false;
  }
}

bool SwscaleToBgr::Convert(const uint8_t* const data[4], const int linesize[4], int width, int height,
                           AVPixelFormat format, AVColorSpace matrix, AVColorRange range, Bitmap24& out) {
  if (width <= 0 || height <= 0) return false;
  if (path_ == YuvPath::Own && YuvToBgr::Handles(format))
    return own_.Convert(data, linesize, width, height, format, matrix, range, out);
  if (!ctx_ || width != width_ || height != height_ || format != format_ || matrix != matrix_ || range != range_) {
    ctx_.reset(sws_getContext(width, height, format, width, height, AV_PIX_FMT_BGR24,
                              SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_BITEXACT, nullptr, nullptr,
                              nullptr));
    if (!ctx_) return false;
    width_ = width, height_ = height, format_ = format, matrix_ = matrix, range_ = range;
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    bool yuv = d && !(d->flags & AV_PIX_FMT_FLAG_RGB) && d->nb_components >= 3;
    if (yuv) {
      bool full = range == AVCOL_RANGE_JPEG;
      const int* coeffs = sws_getCoefficients(SwsColorspaceOf(matrix));
      sws_setColorspaceDetails(ctx_.get(), coeffs, full ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
                               1 << 16);
    }
  }
  // swscale's vector code may write past the end of a row: give it an aligned,
  // padded buffer, then copy the rows.
  const int stride = (width * 3 + 63) & ~63;
  buffer_.resize(size_t(stride) * size_t(height) + 256);
  uint8_t* aligned = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(buffer_.data()) + 63) & ~uintptr_t(63));
  uint8_t* dst[4] = {aligned, nullptr, nullptr, nullptr};
  int dst_stride[4] = {stride, 0, 0, 0};
  if (sws_scale(ctx_.get(), data, linesize, 0, height, dst, dst_stride) != height) return false;
  EnsureSize(out, width, height);
  for (int y = 0; y < height; ++y) std::memcpy(out.Row(y), aligned + size_t(stride) * size_t(y), size_t(width) * 3);
  return true;
}

bool AvFrameToBitmap(const AVFrame& frame, SwscaleToBgr& scaler, Bitmap24& out) {
  auto format = AVPixelFormat(frame.format);
  if (frame.width <= 0 || frame.height <= 0 || !frame.data[0]) return false;
  PackedPixels l;
  if (PackedLayoutOf(format, l)) {
    if (format == AV_PIX_FMT_PAL8) {
      if (!frame.data[1]) return false;
      l.palette_size = 256;
      for (int i = 0; i < 256; ++i) {
        const uint8_t* p = frame.data[1] + 4 * i;  // native 0xAARRGGBB: B, G, R, A in memory
        l.palette[size_t(i)] = {p[0], p[1], p[2]};
      }
    }
    ConvertPacked(frame.data[0], frame.linesize[0], frame.width, frame.height, l, out);
    return true;
  }
  if (format == AV_PIX_FMT_GBRP) {
    EnsureSize(out, frame.width, frame.height);
    for (int y = 0; y < frame.height; ++y) {
      const uint8_t* g = frame.data[0] + ptrdiff_t(frame.linesize[0]) * y;
      const uint8_t* b = frame.data[1] + ptrdiff_t(frame.linesize[1]) * y;
      const uint8_t* r = frame.data[2] + ptrdiff_t(frame.linesize[2]) * y;
      uint8_t* d = out.Row(y);
      for (int x = 0; x < frame.width; ++x, d += 3) d[0] = b[x], d[1] = g[x], d[2] = r[x];
    }
    return true;
  }
  AVColorRange range = frame.color_range;
  if (format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
      format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P)
    range = AVCOL_RANGE_JPEG;
  return scaler.Convert(frame.data, frame.linesize, frame.width, frame.height, format, frame.colorspace, range, out);
}
