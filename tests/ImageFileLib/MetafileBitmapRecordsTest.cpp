// Bitmap records of enhanced metafiles whose bitmap is shorter than a bitmap
// header: refused as broken files, never read past.
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

}  // namespace

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
