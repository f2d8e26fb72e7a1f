// BITMAPINFOHEADER of an AVI video stream.
//
// Contract: biSize below 40, a width/height of 0 or beyond 32768, or more
// than 2^26 pixels is refused. BI_RGB 1/2/4/8-bit frames use the colour table after the header
// (biClrUsed 0 means 2^bpp entries; a missing table gives a grey ramp, where
// Windows would use its system palette); 16-bit BI_RGB is x555; BI_BITFIELDS
// takes the three masks at offset 40: after the 40-byte header, or its own
// fields in the longer headers (V2 to V5). Negative biHeight means top-down.
// Y800/Y8/GREY are 8-bit grey, rows top-down; YUY2/YUYV/UYVY/I420/IYUV/YV12
// go to swscale (BT.601, limited range: AVI carries no colour information).
// Every other biCompression goes to libavcodec.
#include "video/DibFormat.h"

#include <algorithm>
#include <cstring>

#include "video/AviRiffReader.h"
#include "base/ByteOrder.h"

namespace {


constexpr int kMaxDimension = 32768;
constexpr int64_t kMaxPixels = int64_t(1) << 26;  // 64 M pixels: far beyond any camera

}  // namespace

bool ParseDibFormat(const std::vector<uint8_t>& strf, uint32_t handler, DibFormat& f, std::string& error) {
  f = DibFormat{};
  if (strf.size() < 40 || Le32(strf.data()) < 40) {
    error = "The video format block is too short.";
    return false;
  }
  const uint8_t* p = strf.data();
  int32_t w = int32_t(Le32(p + 4)), h = int32_t(Le32(p + 8));
  f.bit_count = Le16(p + 14);
  f.compression = Le32(p + 16);
  uint32_t clr_used = Le32(p + 32);
  if (w <= 0 || w > kMaxDimension || h == 0 || h < -kMaxDimension || h > kMaxDimension ||
      int64_t(w) * (h < 0 ? -int64_t(h) : int64_t(h)) > kMaxPixels) {
    error = "The frame size is out of range.";
    return false;
  }
  f.width = w;
  f.height = h < 0 ? -h : h;
  f.top_down = h < 0;
  size_t header = std::min<size_t>(Le32(p), strf.size());
  // Codec extra data follows the 40-byte header; some writers count it in biSize.
  f.extra.assign(strf.begin() + 40, strf.end());

  uint32_t c = f.compression;
  if (c == MakeFourCC('D', 'I', 'B', ' ') || c == MakeFourCC('R', 'G', 'B', ' ') || c == MakeFourCC('R', 'A', 'W', ' '))
    c = 0;
  if (c == 0 && handler != 0 && (f.bit_count == 0 || f.bit_count == 12)) c = handler;  // bit count missing: trust the handler
  using K = PackedPixels::Kind;
  auto read_masks = [&] {
    constexpr size_t at = 40;
    if (strf.size() < at + 12) return false;
    f.packed.r_mask = Le32(&strf[at]), f.packed.g_mask = Le32(&strf[at + 4]), f.packed.b_mask = Le32(&strf[at + 8]);
    return true;
  };
  auto packed = [&](K kind) {
    f.decode = DibFormat::Decode::Packed;
    f.packed.kind = kind;
    f.row_stride = (size_t(f.width) * size_t(f.bit_count) + 31) / 32 * 4;
    return true;
  };
  if (c == 0 || c == 3) {
    switch (f.bit_count) {
      case 24: return packed(K::Bytes3);
      case 32:
        if (c == 3 && read_masks()) return packed(K::Masked32);
        return packed(K::Bytes4);
      case 16:
        f.packed.r_mask = 0x7C00, f.packed.g_mask = 0x03E0, f.packed.b_mask = 0x001F;
        if (c == 3) read_masks();
        return packed(K::Masked16);
      case 1:
      case 2:
      case 4:
      case 8: {
        if (c != 0) break;
        size_t n = clr_used ? std::min<size_t>(clr_used, 256) : size_t(1) << f.bit_count;
        f.packed.bits = f.bit_count;
        if (strf.size() >= header + 4 * n) {
          f.packed.palette_size = int(n);
          for (size_t i = 0; i < n; ++i) f.packed.palette[i] = {strf[header + 4 * i], strf[header + 4 * i + 1], strf[header + 4 * i + 2]};
        } else {
          size_t full = size_t(1) << f.bit_count;
          f.packed.palette_size = int(full);
          for (size_t i = 0; i < full; ++i) {
            auto v = uint8_t(i * 255 / (full - 1));
            f.packed.palette[i] = {v, v, v};
          }
        }
        return packed(K::Palette);
      }
      default: break;
    }
    error = "Unsupported bit count " + std::to_string(f.bit_count) + ".";
    return false;
  }
  if (c == MakeFourCC('Y', '8', '0', '0') || c == MakeFourCC('Y', '8', ' ', ' ') || c == MakeFourCC('G', 'R', 'E', 'Y')) {
    f.bit_count = 8;
    f.top_down = true;
    f.decode = DibFormat::Decode::Packed;
    f.packed.kind = K::Grey8;
    f.row_stride = size_t(f.width);
    return true;
  }
  f.top_down = true;
  f.decode = DibFormat::Decode::Yuv;
  if (c == MakeFourCC('Y', 'U', 'Y', '2') || c == MakeFourCC('Y', 'U', 'Y', 'V')) f.yuv = AV_PIX_FMT_YUYV422;
  else if (c == MakeFourCC('U', 'Y', 'V', 'Y')) f.yuv = AV_PIX_FMT_UYVY422;
  else if (c == MakeFourCC('I', '4', '2', '0') || c == MakeFourCC('I', 'Y', 'U', 'V')) f.yuv = AV_PIX_FMT_YUV420P;
  else if (c == MakeFourCC('Y', 'V', '1', '2')) f.yuv = AV_PIX_FMT_YUV420P, f.swap_chroma = true;
  else f.decode = DibFormat::Decode::Codec;
  return true;
}

bool DecodeDibFrame(const DibFormat& f, const uint8_t* data, size_t size, SwscaleToBgr& scaler, Bitmap24& out) {
  const size_t w = size_t(f.width), h = size_t(f.height);
  if (f.decode == DibFormat::Decode::Packed) {
    size_t stride = f.row_stride;
    // Grey frames come packed or with DIB row padding: the chunk size tells.
    if (f.packed.kind == PackedPixels::Kind::Grey8 && size < stride * h) return false;
    if (f.packed.kind == PackedPixels::Kind::Grey8 && size >= ((w + 3) & ~size_t(3)) * h) stride = (w + 3) & ~size_t(3);
    if (size < stride * (h - 1) + PackedRowBytes(f.packed, f.width)) return false;
    if (f.top_down) ConvertPacked(data, ptrdiff_t(stride), f.width, f.height, f.packed, out);
    else ConvertPacked(data + stride * (h - 1), -ptrdiff_t(stride), f.width, f.height, f.packed, out);
    return true;
  }
  if (f.decode != DibFormat::Decode::Yuv) return false;
  const uint8_t* planes[4] = {data, nullptr, nullptr, nullptr};
  int lines[4] = {0, 0, 0, 0};
  if (f.yuv == AV_PIX_FMT_YUYV422 || f.yuv == AV_PIX_FMT_UYVY422) {
    size_t stride = ((w + 1) & ~size_t(1)) * 2;
    if (size < stride * h) return false;
    lines[0] = int(stride);
  } else {
    size_t cw = (w + 1) / 2, ch = (h + 1) / 2;
    if (size < w * h + 2 * cw * ch) return false;
    lines[0] = int(w), lines[1] = lines[2] = int(cw);
    planes[1] = data + w * h;
    planes[2] = planes[1] + cw * ch;
    if (f.swap_chroma) std::swap(planes[1], planes[2]);
  }
  return scaler.Convert(planes, lines, f.width, f.height, f.yuv, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG, out);
}
