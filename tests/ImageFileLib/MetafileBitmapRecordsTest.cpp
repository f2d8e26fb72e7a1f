// Bitmap records of metafiles: bitmaps whose colour table or masks sit
// between header and pixels are read from their pixels, and a bitmap shorter
// than a bitmap header is refused as a broken file, never read past.
#include "ImageFileLib/MetafileLoader.h"
#include "ImageFileLib/MetafileRecords.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) bytes[at + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
}

// A 10 x 10 EMF: header, the one record, end record.
std::vector<uint8_t> EmfWith(const std::vector<uint8_t>& record) {
  std::vector<uint8_t> file(88, 0);
  Put32(file, 0, 1);
  Put32(file, 4, 88);
  Put32(file, 16, 9);
  Put32(file, 20, 9);
  Put32(file, 40, 0x464D4520);
  file.insert(file.end(), record.begin(), record.end());
  std::vector<uint8_t> end(20, 0);
  Put32(end, 0, 14);
  Put32(end, 4, 20);
  file.insert(file.end(), end.begin(), end.end());
  return file;
}

void Put16(std::vector<uint8_t>& bytes, uint16_t v) {
  bytes.push_back(static_cast<uint8_t>(v));
  bytes.push_back(static_cast<uint8_t>(v >> 8));
}

// A packed DIB of 2 x 1 pixels: 40-byte header, `between` (masks, colour
// table), then the one row.
std::vector<uint8_t> PackedDib(int bits, uint32_t compression, uint32_t colours_used, const std::vector<uint8_t>& between,
                               const std::vector<uint8_t>& row) {
  std::vector<uint8_t> dib(40, 0);
  Put32(dib, 0, 40);
  Put32(dib, 4, 2);
  Put32(dib, 8, 1);
  dib[12] = 1;
  dib[14] = static_cast<uint8_t>(bits);
  Put32(dib, 16, compression);
  Put32(dib, 32, colours_used);
  dib.insert(dib.end(), between.begin(), between.end());
  dib.insert(dib.end(), row.begin(), row.end());
  return dib;
}

// The DIB drawn 1:1 by an EMF STRETCHDIBITS record into a 2 x 1 picture.
std::vector<uint8_t> EmfDrawing(const std::vector<uint8_t>& dib, uint32_t bits_offset) {
  std::vector<uint8_t> record(80, 0);
  Put32(record, 0, 81);
  Put32(record, 4, static_cast<uint32_t>(80 + dib.size()));
  Put32(record, 40, 2);  // source width and height
  Put32(record, 44, 1);
  Put32(record, 48, 80);
  Put32(record, 52, bits_offset);
  Put32(record, 56, 80 + bits_offset);
  Put32(record, 60, static_cast<uint32_t>(dib.size()) - bits_offset);
  Put32(record, 68, 0x00CC0020);
  Put32(record, 72, 2);  // destination width and height
  Put32(record, 76, 1);
  record.insert(record.end(), dib.begin(), dib.end());
  std::vector<uint8_t> file = EmfWith(record);
  Put32(file, 16, 1);  // bounds (0, 0)-(1, 0)
  Put32(file, 20, 0);
  return file;
}

// The same by a plain WMF STRETCHDIB record in a 2 x 1 window.
std::vector<uint8_t> WmfDrawing(const std::vector<uint8_t>& dib) {
  std::vector<uint8_t> file = {1, 0, 9, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (uint16_t w : {5, 0, 0x020C, 1, 2}) Put16(file, w);  // SETWINDOWEXT 1 x 2
  Put16(file, static_cast<uint16_t>(14 + dib.size() / 2));
  Put16(file, 0);
  Put16(file, 0x0F43);
  for (uint16_t w : {0x0020, 0x00CC, 0, 1, 2, 0, 0, 1, 2, 0, 0}) Put16(file, w);  // source copy, 2 x 1 to 2 x 1
  file.insert(file.end(), dib.begin(), dib.end());
  for (uint16_t w : {3, 0, 0}) Put16(file, w);  // EOF
  return file;
}

}  // namespace

TEST(MetafileBitmapRecords, PixelsAfterAColourTableOrFourMasksAreTheOnesDrawn) {
  struct Case {
    const char* name;
    std::vector<uint8_t> dib;
    size_t bits_offset;
  };
  const std::vector<uint8_t> table_of_two = {0x55, 0x55, 0x55, 0, 0x55, 0x55, 0x55, 0};
  std::vector<uint8_t> four_masks(16, 0);
  Put32(four_masks, 0, 0xFF0000);
  Put32(four_masks, 4, 0xFF00);
  Put32(four_masks, 8, 0xFF);
  Put32(four_masks, 12, 0xFF000000u);
  std::vector<uint8_t> masks_565(12, 0);
  Put32(masks_565, 0, 0xF800);
  Put32(masks_565, 4, 0x07E0);
  Put32(masks_565, 8, 0x001F);
  std::vector<uint8_t> masks_and_table = masks_565;
  masks_and_table.insert(masks_and_table.end(), {0x55, 0x55, 0x55, 0});
  // Every picture: red, then blue.
  const Case cases[] = {
      {"24-bit with two colours used", PackedDib(24, 0, 2, table_of_two, {0, 0, 255, 255, 0, 0, 0, 0}), 48},
      {"32-bit with an alpha mask", PackedDib(32, 6, 0, four_masks, {0, 0, 255, 255, 255, 0, 0, 255}), 56},
      {"16-bit 5-6-5 with one colour used", PackedDib(16, 3, 1, masks_and_table, {0x00, 0xF8, 0x1F, 0x00}), 56}};
  for (const Case& c : cases) {
    for (const bool enhanced : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (enhanced ? " in an EMF" : " in a WMF"));
      const std::vector<uint8_t> file =
          enhanced ? EmfDrawing(c.dib, static_cast<uint32_t>(c.bits_offset)) : WmfDrawing(c.dib);
      TMemStream stream;
      stream.Write(file.data(), static_cast<int64_t>(file.size()));
      stream.SetPosition(0);
      TLinearBitmap picture;
      ASSERT_EQ(ErrorOf([&] { WMFLoader().LoadFromStream(stream, enhanced ? "EMF" : "WMF", picture); }), "");
      EXPECT_EQ(RgbValues(picture), (std::vector<int>{255, 0, 0, 0, 0, 255}));
    }
  }
}

TEST(MetafileBitmapRecords, ABitmapShorterThanItsHeaderIsRefused) {
  struct Case {
    uint32_t type;          // STRETCHDIBITS, BITBLT, STRETCHBLT
    uint32_t fixed;         // bytes before the bitmap
    size_t bmi_at, bits_at, rop_at;
    uint32_t header_bytes;  // what the record gives of the bitmap header
  };
  const Case cases[] = {{81, 80, 48, 56, 68, 0}, {81, 80, 48, 56, 68, 4}, {81, 80, 48, 56, 68, 11},
                        {76, 100, 84, 92, 40, 4}, {76, 100, 84, 92, 40, 8}, {77, 108, 84, 92, 40, 4},
                        {77, 108, 84, 92, 40, 11}};
  for (const Case& c : cases) {
    SCOPED_TRACE("record " + std::to_string(c.type) + " with " + std::to_string(c.header_bytes) + " header bytes");
    const uint32_t size = (c.fixed + c.header_bytes + 3) & ~3u;
    std::vector<uint8_t> record(size, 0);
    Put32(record, 0, c.type);
    Put32(record, 4, size);
    Put32(record, c.bmi_at, c.fixed);
    Put32(record, c.bmi_at + 4, c.header_bytes);
    Put32(record, c.bits_at, c.fixed + c.header_bytes);
    Put32(record, c.bits_at + 4, 0);
    Put32(record, c.rop_at, 0x00CC0020);  // source copy
    // Destination (and for the stretching records source) extents of 5 x 5.
    if (c.type == 81) Put32(record, 72, 5), Put32(record, 76, 5);
    else Put32(record, 32, 5), Put32(record, 36, 5);
    if (c.type == 77) Put32(record, 100, 5), Put32(record, 104, 5);
    EXPECT_EQ(ErrorOf([&] { ReadMetafile(EmfWith(record), 1 << 24); }), "Unsupported file format");
  }
}
