// Bit-field bitmaps (16-bit 5-6-5 and 5-5-5, 32-bit with masks, the 40-,
// 108- and 124-byte headers) and CMYK JPEGs, read against Pillow's reading of
// the same files. The bitmaps are laid out by a Python script, byte by byte.
#include <gtest/gtest.h>

#include "ImageFileLib/LinearBitmap.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

// Writes every case's file into argv[1]; the pixels are a ramp with noise so
// that every channel value of each field width turns up.
const char* const kBitfieldWriter = R"(import struct, sys, random
folder = sys.argv[1]
random.seed(5)
W, H = 37, 11

def fields(masks, rgb):
    v = 0
    for m, c in zip(masks, rgb):
        if m == 0:
            continue
        shift = (m & -m).bit_length() - 1
        width = bin(m).count('1')
        v |= ((c * ((1 << width) - 1) + 127) // 255) << shift
    return v

def write(name, header_size, bits, compression, masks, top_down=False, alpha_mask=0):
    row = (W * bits // 8 + 3) & ~3
    rows = []
    for y in range(H):
        r = b''
        for x in range(W):
            rgb = ((x * 7 + random.randrange(5)) % 256, (y * 23 + x) % 256, (255 - x * 6) % 256)
            v = fields(masks, rgb) | alpha_mask
            r += struct.pack('<H' if bits == 16 else '<I', v)
        rows.append(r + b'\0' * (row - len(r)))
    data = b''.join(rows)
    info = struct.pack('<IiiHHIIiiII', header_size, W, -H if top_down else H, 1, bits, compression,
                       len(data), 2835, 2835, 0, 0)
    extra = struct.pack('<III', *masks)
    if header_size == 40:
        info += extra
    else:
        info += extra + struct.pack('<I', alpha_mask) + b'BGRs' + b'\0' * (header_size - 40 - 20)
    offset = 14 + len(info)
    f = b'BM' + struct.pack('<IHHI', offset + len(data), 0, 0, offset) + info + data
    open(folder + '/' + name, 'wb').write(f)

write('v3_565.bmp', 40, 16, 3, (0xF800, 0x07E0, 0x001F))
write('v3_555_topdown.bmp', 40, 16, 3, (0x7C00, 0x03E0, 0x001F), top_down=True)
write('v3_32.bmp', 40, 32, 3, (0xFF0000, 0x00FF00, 0x0000FF))
write('v4_565.bmp', 108, 16, 3, (0xF800, 0x07E0, 0x001F))
write('v4_32_rgba.bmp', 108, 32, 3, (0xFF0000, 0x00FF00, 0x0000FF), alpha_mask=0xFF000000)
write('v5_32_shifted.bmp', 124, 32, 3, (0xFF000000, 0x00FF0000, 0x0000FF00))
write('v5_555_topdown.bmp', 124, 16, 3, (0x7C00, 0x03E0, 0x001F), top_down=True)
)";

}  // namespace

TEST(Bmp, BitFieldFilesReadByTheirMasksAsPillowReadsThem) {
  TempFolder folder;
  int status = 0;
  const std::string out = RunPython(folder, kBitfieldWriter, folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  const struct {
    const char* name;
    int tolerance;  // 5- and 6-bit fields: Pillow scales by 255/31, we repeat the top bits
  } cases[] = {{"v3_565.bmp", 1},     {"v3_555_topdown.bmp", 1}, {"v3_32.bmp", 0},         {"v4_565.bmp", 1},
               {"v4_32_rgba.bmp", 0}, {"v5_32_shifted.bmp", 0},  {"v5_555_topdown.bmp", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TLinearBitmap b;
    ASSERT_EQ(ErrorOf([&] { b.LoadFromFile(folder.File(c.name)); }), "");
    EXPECT_EQ(b.PixelFormat, pf24Bit);
    const PillowImage pillow = PillowDecode(folder, folder.File(c.name), "RGB");
    ASSERT_EQ(pillow.Width, b.Width);
    ASSERT_EQ(pillow.Height, b.Height);
    const std::vector<int> ours = RgbValues(b);
    ASSERT_EQ(ours.size(), pillow.Values.size());
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(ours[i] - pillow.Values[i]));
    EXPECT_LE(worst, c.tolerance);
    // Full-scale fields are exact either way: the last column's blue is 255 - 36 x 6.
    EXPECT_EQ(ours[2], pillow.Values[2]);
  }
}

TEST(Bmp, BitFieldFilesWithoutMasksOrWithTooFewBitsAreRefused) {
  TempFolder folder;
  int status = 0;
  ASSERT_EQ(RunPython(folder, kBitfieldWriter, folder.Path().string(), status), "");
  std::vector<uint8_t> bytes = ReadFileBytes(folder.File("v3_565.bmp"));
  std::vector<uint8_t> zero = bytes;
  std::fill(zero.begin() + 54, zero.begin() + 66, 0);  // all three masks empty
  WriteFileBytes(folder.File("zero.bmp"), zero);
  std::vector<uint8_t> eight = bytes;
  eight[28] = 8;  // bit fields on a palette picture
  WriteFileBytes(folder.File("eight.bmp"), eight);
  std::vector<uint8_t> os2 = bytes;
  os2[14] = 64;  // the OS/2 header, where compression 3 is Huffman coding, not bit fields
  WriteFileBytes(folder.File("os2.bmp"), os2);
  bytes.resize(60);  // cut inside the masks
  WriteFileBytes(folder.File("cut.bmp"), bytes);
  for (const char* name : {"zero.bmp", "eight.bmp", "cut.bmp", "os2.bmp"}) {
    SCOPED_TRACE(name);
    TLinearBitmap b;
    EXPECT_EQ(ErrorOf([&] { b.LoadFromFile(folder.File(name)); }), "Unsupported file format");
  }
}

TEST(Jpeg, CmykFilesTurnIntoTheColoursPillowShows) {
  TempFolder folder;
  const std::string script = R"(import sys
from PIL import Image
folder = sys.argv[1]
im = Image.new('CMYK', (40, 24))
im.putdata([((x * 6) % 256, (y * 10) % 256, (x * y) % 256, (x + y * 3) % 120) for y in range(24) for x in range(40)])
im.save(folder + '/cmyk.jpg', quality=95)
im.save(folder + '/cmyk_prog.jpg', quality=90, progressive=True)
)";
  int status = 0;
  const std::string out = RunPython(folder, script, folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  for (const char* name : {"cmyk.jpg", "cmyk_prog.jpg"}) {
    SCOPED_TRACE(name);
    TLinearBitmap b;
    ASSERT_EQ(ErrorOf([&] { b.LoadFromFile(folder.File(name)); }), "");
    EXPECT_EQ(b.PixelFormat, pf24Bit);
    const PillowImage pillow = PillowDecode(folder, folder.File(name), "RGB");
    EXPECT_EQ(pillow.Mode, "CMYK");
    const std::vector<int> ours = RgbValues(b);
    ASSERT_EQ(ours.size(), pillow.Values.size());
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(ours[i] - pillow.Values[i]));
    EXPECT_LE(worst, 1);  // the same libjpeg decode; at most a rounding apart
  }
}
