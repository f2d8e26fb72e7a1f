#pragma once
// The video format block of an AVI ('strf': BITMAPINFOHEADER, colour table or
// bit-field masks, codec extra data) and how its frames are decoded.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Bitmap24.h"
#include "video/PixelConvert.h"

struct DibFormat {
  enum class Decode { Packed, Yuv, Codec };
  Decode decode = Decode::Packed;
  int width = 0;
  int height = 0;
  bool top_down = false;
  int bit_count = 0;
  uint32_t compression = 0;
  PackedPixels packed;                    // Decode::Packed
  size_t row_stride = 0;                  // Decode::Packed: bytes per stored row
  AVPixelFormat yuv = AV_PIX_FMT_NONE;    // Decode::Yuv
  bool swap_chroma = false;               // YV12: V plane before U (also when named by the handler)
  std::vector<uint8_t> extra;             // bytes after the 40-byte header (codec extra data)
};

// Parses the strf block; `handler` is the stream header's fccHandler (used
// when biCompression says nothing). False with a reason for a block that is
// too short or a size out of range.
bool ParseDibFormat(const std::vector<uint8_t>& strf, uint32_t handler, DibFormat& out, std::string& error);

// Decodes one uncompressed frame (Packed or Yuv). False when the chunk is too
// short for the format.
bool DecodeDibFrame(const DibFormat& format, const uint8_t* data, size_t size, SwscaleToBgr& scaler, Bitmap24& out);
