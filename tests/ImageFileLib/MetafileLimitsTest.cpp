// Metafiles whose records cost far more than the file: many objects, many
// saved states of a large palette, many small coded bitmaps claiming large
// pictures. Each is read in time and memory that follow the file.
#include "ImageFileLib/MetafileLoader.h"
#include "ImageFileLib/MetafileRecords.h"
#include "ImageFileTestUtil.h"
#include "support/AllocationProbe.h"

using namespace ImageFile;

namespace {

// A plain WMF of a 10 x 10 window built record by record (words little-endian).
struct Wmf {
  Wmf() { Record(0x020C, {10, 10}); }  // SETWINDOWEXT
  std::vector<uint8_t> records;
  void Record(uint16_t function, const std::vector<uint16_t>& words, const std::vector<uint8_t>& raw = {}) {
    const uint32_t size = static_cast<uint32_t>(3 + words.size() + raw.size() / 2);
    for (int k = 0; k < 4; ++k) records.push_back(static_cast<uint8_t>(size >> (8 * k)));
    Word(function);
    for (uint16_t w : words) Word(w);
    records.insert(records.end(), raw.begin(), raw.end());
  }
  void Word(uint16_t w) {
    records.push_back(static_cast<uint8_t>(w));
    records.push_back(static_cast<uint8_t>(w >> 8));
  }
  // One rectangle, then the end record.
  std::vector<uint8_t> Finished() {
    Record(0x041B, {5, 5, 0, 0});  // RECTANGLE
    Record(0x0000, {});
    std::vector<uint8_t> file = {1, 0, 9, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    file.insert(file.end(), records.begin(), records.end());
    return file;
  }
};

// A packed RLE8 DIB of the given size whose data is only the end-of-bitmap code.
std::vector<uint8_t> EmptyRleDib(int32_t width, int32_t height) {
  std::vector<uint8_t> dib(40 + 4 * 256 + 2, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) dib[at + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
  };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(height));
  dib[12] = 1, dib[14] = 8;
  put32(16, 1);  // RLE8
  put32(32, 256);
  dib[dib.size() - 1] = 1;  // 0, 1: end of bitmap
  return dib;
}

}  // namespace

TEST(MetafileLimits, RecordsCostingFarMoreThanTheirFileAreReadWithinBounds) {
  // 200000 brushes never deleted: each takes the lowest free slot.
  Wmf objects;
  for (int i = 0; i < 200000; ++i) objects.Record(0x0142, {});
  objects.Record(0x01F0, {7});                // DELETEOBJECT frees slot 7
  objects.Record(0x02FC, {0, 0x00FF, 0, 0});  // a red brush takes slot 7
  objects.Record(0x012D, {7});                // SELECTOBJECT

  // A palette of 65535 colours, selected, then the state saved 10000 times.
  Wmf saves;
  std::vector<uint8_t> colours(4 * 65535, 1);
  saves.Record(0x00F7, {0x300, 65535}, colours);  // CREATEPALETTE
  saves.Record(0x0234, {0});                       // SELECTPALETTE
  for (int i = 0; i < 10000; ++i) saves.Record(0x001E, {});  // SAVEDC

  // Twenty bitmaps of 2000 x 2000 pixels in about a kilobyte each.
  Wmf bitmaps;
  const std::vector<uint8_t> dib = EmptyRleDib(2000, 2000);
  for (int i = 0; i < 20; ++i)
    bitmaps.Record(0x0F43, {0x0020, 0x00CC, 0, 2000, 2000, 0, 0, 10, 10, 0, 0}, dib);  // STRETCHDIB

  const struct {
    const char* what;
    std::vector<uint8_t> file;
    const char* message;  // "" when it reads
  } cases[] = {
      {"objects", objects.Finished(), ""},
      {"saved palettes", saves.Finished(), ""},
      {"bitmaps", bitmaps.Finished(), "Invalid bitmap size"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AllocationProbe probe;
    std::string error;
    MetaDrawing drawing;
    try {
      drawing = ReadMetafile(c.file, 64 << 20);
    } catch (const Exception& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.message);
    if (AllocationProbe::Available()) {
      EXPECT_LT(probe.Total(), size_t{256} << 20);
    }
    if (error.empty()) {
      EXPECT_EQ(drawing.width, 10);
      ASSERT_FALSE(drawing.shapes.empty());
    }
    if (std::string(c.what) == "objects" && !drawing.shapes.empty()) {
      EXPECT_EQ(drawing.shapes.back().brush.colour, (MetaColour{255, 0, 0}));
    }
  }
}

// An EMF of 10 x 10: the given records, then one STRETCHDIBITS of a 1 x 1
// black DIB (source rows sy, sh) over the whole picture.
std::vector<uint8_t> EmfOfOneBlackDot(int32_t sy, int32_t sh, const std::vector<uint8_t>& records_before = {}) {
  std::vector<uint8_t> f(88, 0);
  f.insert(f.end(), records_before.begin(), records_before.end());
  f.resize(f.size() + 124 + 20, 0);
  auto put = [&](size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) f[at + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
  };
  put(0, 1), put(4, 88), put(16, 9), put(20, 9), put(40, 0x464D4520);
  const size_t r = 88 + records_before.size();
  put(r, 81), put(r + 4, 124);
  put(r + 36, static_cast<uint32_t>(sy)), put(r + 40, 1), put(r + 44, static_cast<uint32_t>(sh));
  put(r + 48, 80), put(r + 52, 40), put(r + 56, 120), put(r + 60, 4);
  put(r + 68, 0x00CC0020), put(r + 72, 10), put(r + 76, 10);
  put(r + 80, 40), put(r + 84, 1), put(r + 88, 1), f[r + 92] = 1, f[r + 94] = 24;
  put(r + 124, 14), put(r + 128, 20);
  return f;
}

TEST(MetafileLimits, SourceRowsAtTheEndsOfTheirRangeDrawNothing) {
  // The first row is the bitmap's own: the picture is black.
  for (const auto& [sy, sh] : {std::pair{0, 1}, std::pair{INT32_MIN, 5}, std::pair{-1701603649, 1165259375},
                               std::pair{INT32_MAX, -5}}) {
    SCOPED_TRACE(sy);
    const TLinearBitmap picture = FromBytes(WMFLoader(), EmfOfOneBlackDot(sy, sh), "EMF");
    ASSERT_EQ(picture.Width, 10);
    EXPECT_EQ(RgbValues(picture), std::vector<int>(300, sy == 0 ? 0 : 255));
  }
}

// World transforms multiplied together past the largest double: the bitmap
// has no place on the picture, which loads white.
TEST(MetafileLimits, AWorldTransformMultipliedPastTheLargestNumberPlacesTheBitmapNowhere) {
  std::vector<uint8_t> records;
  auto transform = [&](uint32_t type, float scale, bool modify) {
    const float m[6] = {scale, 0, 0, 1, 0, 0};
    const uint32_t size = modify ? 36 : 32;
    for (uint32_t v : {type, size})
      for (int k = 0; k < 4; ++k) records.push_back(static_cast<uint8_t>(v >> (8 * k)));
    const auto* bytes = reinterpret_cast<const uint8_t*>(m);
    records.insert(records.end(), bytes, bytes + sizeof m);
    if (modify) records.insert(records.end(), {2, 0, 0, 0});  // MWT_LEFTMULTIPLY
  };
  transform(35, 3e38f, false);                          // SETWORLDTRANSFORM
  for (int i = 0; i < 8; ++i) transform(36, 3e38f, true);  // MODIFYWORLDTRANSFORM: 3e38^9 overflows
  const TLinearBitmap picture = FromBytes(WMFLoader(), EmfOfOneBlackDot(0, 1, records), "EMF");
  ASSERT_EQ(picture.Width, 10);
  EXPECT_EQ(RgbValues(picture), std::vector<int>(300, 255));
}
