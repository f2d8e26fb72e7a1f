// BI_BITFIELDS frames: the three colour masks sit at offset 40 of the format
// block whatever biSize says, after the 40-byte header or as the fields of a
// longer one (V2 to V5). Reading them after a longer header took 565 frames
// for 555 ones (the ffmpeg tool decodes such files with the masks at 40).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/ByteOrder.h"
#include "video/DibFormat.h"

namespace {

struct MaskRow {
  int bit_count;
  uint32_t r_mask, g_mask, b_mask;
  std::vector<uint32_t> pixels;  // one row, left to right
  std::vector<Bgr> expected;     // 5- and 6-bit fields widened by repeating their high bits
};

std::vector<uint8_t> BitFieldsFormat(uint32_t header_size, int width, const MaskRow& r) {
  std::vector<uint8_t> strf(std::max<size_t>(header_size, 52), 0);
  PutLe32(&strf[0], header_size);
  PutLe32(&strf[4], uint32_t(width));
  PutLe32(&strf[8], 1);
  strf[12] = 1;
  strf[14] = uint8_t(r.bit_count);
  PutLe32(&strf[16], 3);  // BI_BITFIELDS
  PutLe32(&strf[40], r.r_mask);
  PutLe32(&strf[44], r.g_mask);
  PutLe32(&strf[48], r.b_mask);
  return strf;
}

TEST(DibBitFields, MasksAreReadAtOffset40ForEveryHeaderSize) {
  const MaskRow rows[] = {
      {16, 0xF800, 0x07E0, 0x001F, {0xF800, 0x07E0, 0x001F, 0x8410},
       {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {132, 130, 132}}},
      {32, 0x000000FF, 0x0000FF00, 0x00FF0000, {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00804020},
       {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0x80, 0x40, 0x20}}},
  };
  // 40: the masks follow the header; 52 and 56 (V2, V3), 108 (V4) and 124
  // (V5): they are the header's own fields.
  for (const uint32_t header_size : {40u, 52u, 56u, 108u, 124u})
    for (const MaskRow& r : rows) {
      SCOPED_TRACE("biSize " + std::to_string(header_size) + ", " + std::to_string(r.bit_count) + " bits");
      const int width = int(r.pixels.size());
      DibFormat f;
      std::string error;
      ASSERT_TRUE(ParseDibFormat(BitFieldsFormat(header_size, width, r), 0, f, error)) << error;
      std::vector<uint8_t> frame(size_t(width) * size_t(r.bit_count / 8), 0);
      for (size_t x = 0; x < r.pixels.size(); ++x)
        if (r.bit_count == 16) PutLe16(&frame[2 * x], uint16_t(r.pixels[x]));
        else PutLe32(&frame[4 * x], r.pixels[x]);
      SwscaleToBgr scaler;
      Bitmap24 out;
      ASSERT_TRUE(DecodeDibFrame(f, frame.data(), frame.size(), scaler, out));
      for (int x = 0; x < width; ++x) EXPECT_EQ(out.Get(x, 0), r.expected[size_t(x)]) << "pixel " << x;
    }
}

}  // namespace
