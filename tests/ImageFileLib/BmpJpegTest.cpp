// BMP and JPEG against Pillow, the own bitmap-file decoder (RLE, top-down,
// old-style headers, broken files) and the device-independent bitmap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "ImageFileLib/BmpLoader.h"
#include "ImageFileLib/DibFile.h"
#include "ImageFileLib/DynamicList.h"
#include "ImageFileLib/JpegLoader.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

std::vector<uint8_t> Save(TBitmapLoader& loader, const TLinearBitmap& b, const std::string& ext) {
  TMemStream out;
  loader.SaveToStream(out, ext, b);
  return out.ToVector();
}

TLinearBitmap Load(TBitmapLoader& loader, const std::vector<uint8_t>& bytes, const std::string& ext) {
  TMemStream in;
  in.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  in.SetPosition(0);
  TLinearBitmap b;
  loader.LoadFromStream(in, ext, b);
  return b;
}

double MeanAbsDifference(const std::vector<int>& a, const std::vector<int>& b) {
  EXPECT_EQ(a.size(), b.size());
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
  return sum / static_cast<double>(a.size());
}

int MaxAbsDifference(const std::vector<int>& a, const std::vector<int>& b) {
  int m = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) m = std::max(m, std::abs(a[i] - b[i]));
  return m;
}

}  // namespace

TEST(Bmp, RoundTripAndPillowDecodeOfEveryWrittenFormat) {
  TempFolder folder;
  struct Row {
    const char* Name;
    TLinearBitmap Bitmap;
  } rows[] = {{"8-bit", MakeTestBitmap(33, 17, pf8Bit)},
              {"16-bit grey", MakeTestBitmap(33, 17, pf16Grey)},
              {"24-bit", MakeTestBitmap(33, 17, pf24Bit)},
              {"32-bit", MakeTestBitmap(33, 17, pf32Bit)}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    const std::string file = folder.File("ours.bmp");
    row.Bitmap.SaveToFile(file);
    TLinearBitmap back;
    back.LoadFromFile(file);
    EXPECT_EQ(RgbValues(back), RgbValues(row.Bitmap));
    EXPECT_EQ(back.PixelFormat, row.Bitmap.PixelFormat == pf8Bit || row.Bitmap.PixelFormat == pf16Grey ? pf8Bit : pf24Bit);
    EXPECT_EQ(PillowDecode(folder, file, "RGB").Values, RgbValues(row.Bitmap));
  }
}

TEST(Bmp, FilesPillowWritesReadBackIdentically) {
  TempFolder folder;
  const std::string script = R"(import sys, struct
from PIL import Image
folder = sys.argv[1]
w, h = 23, 14
rgb = Image.new('RGB', (w, h))
rgb.putdata([((x * 11 + y) % 256, (x * y * 3) % 256, (200 - x * 5) % 256) for y in range(h) for x in range(w)])
rgb.save(folder + '/rgb.bmp')
rgb.convert('L').save(folder + '/l.bmp')
rgb.convert('P', palette=Image.ADAPTIVE, colors=16).save(folder + '/p16.bmp')
rgb.convert('P', palette=Image.ADAPTIVE, colors=100).save(folder + '/p.bmp')
rgb.convert('1').save(folder + '/bw.bmp')
rgb.convert('RGBA').save(folder + '/rgba.bmp')
# top-down: negative height, rows in reading order
data = bytearray(open(folder + '/rgb.bmp', 'rb').read())
off = struct.unpack_from('<I', data, 10)[0]
stride = (w * 3 + 3) & ~3
rows = [data[off + i * stride: off + (i + 1) * stride] for i in range(h)]
struct.pack_into('<i', data, 22, -h)
data[off:] = b''.join(reversed(rows))
open(folder + '/topdown.bmp', 'wb').write(data)
)";
  int status = 0;
  const std::string out = RunPython(folder, script, folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  for (const char* name : {"rgb", "l", "p16", "p", "bw", "rgba", "topdown"}) {
    SCOPED_TRACE(name);
    const std::string file = folder.File(std::string(name) + ".bmp");
    TLinearBitmap b;
    b.LoadFromFile(file);
    EXPECT_EQ(RgbValues(b), PillowDecode(folder, file, "RGB").Values);
  }
}

namespace {
// A "BM" file with a 40-byte header, the given palette and pixel bytes.
std::vector<uint8_t> MakeBmp(int32_t w, int32_t h, int bits, int compression, const std::vector<uint8_t>& palette_quads,
                             const std::vector<uint8_t>& pixels, uint32_t colours_used = 0) {
  std::vector<uint8_t> f(54 + palette_quads.size() + pixels.size(), 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) f[at + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(10, static_cast<uint32_t>(54 + palette_quads.size()));
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  f[26] = 1;
  f[28] = static_cast<uint8_t>(bits);
  put32(30, static_cast<uint32_t>(compression));
  put32(46, colours_used);
  std::copy(palette_quads.begin(), palette_quads.end(), f.begin() + 54);
  std::copy(pixels.begin(), pixels.end(), f.begin() + 54 + static_cast<long>(palette_quads.size()));
  put32(2, static_cast<uint32_t>(f.size()));
  return f;
}

std::vector<uint8_t> GreyQuads(int n) {
  std::vector<uint8_t> q;
  for (int i = 0; i < n; ++i) q.insert(q.end(), {static_cast<uint8_t>(i * 10), static_cast<uint8_t>(i * 10), static_cast<uint8_t>(i * 10), 0});
  return q;
}

std::vector<int> Indexes(const TLinearBitmap& b) { return {b.Map.begin(), b.Map.begin() + b.Size}; }
}  // namespace

TEST(Bmp, RunLengthCodedFilesDecodeToTheirPixels) {
  // RLE8, 4 x 3: bottom row "1 1 1 2", then a delta to the top row, absolute "3 4 5", end.
  const std::vector<uint8_t> rle8 = {3, 1, 1, 2, 0, 0, 0, 2, 0, 1, 0, 3, 3, 4, 5, 0, 0, 1};
  TLinearBitmap b = Load(BMPLoader(), MakeBmp(4, 3, 8, 1, GreyQuads(256), rle8), "BMP");
  EXPECT_EQ(Indexes(b), (std::vector<int>{3, 4, 5, 0, 0, 0, 0, 0, 1, 1, 1, 2}));
  // RLE4, 5 x 1: run of 5 alternating 6/7, end.
  const std::vector<uint8_t> rle4 = {5, 0x67, 0, 1};
  b = Load(BMPLoader(), MakeBmp(5, 1, 4, 2, GreyQuads(16), rle4), "BMP");
  EXPECT_EQ(Indexes(b), (std::vector<int>{6, 7, 6, 7, 6}));
  // Runs that leave the picture are clipped, not written outside it.
  const std::vector<uint8_t> wild = {200, 9, 0, 2, 250, 250, 100, 8, 0, 1};
  b = Load(BMPLoader(), MakeBmp(4, 2, 8, 1, GreyQuads(256), wild), "BMP");
  EXPECT_EQ(Indexes(b), (std::vector<int>{0, 0, 0, 0, 9, 9, 9, 9}));
}

namespace {

// Random RLE8 and RLE4 files of odd widths: encoded runs, absolute runs (odd
// lengths, word padding), ends of lines, deltas over rows and within them,
// and an end of bitmap that may come before the last row. Each file is
// written as argv[1]/N.bmp; printed per file: width, height and the palette
// index of every pixel, top row first, as the coder laid them down (pixels
// no code reaches are 0).
const char* const kRleFiles = R"(import sys, random, struct
folder = sys.argv[1]
random.seed(17)
for case in range(30):
    bits = 8 if case % 2 == 0 else 4
    w, h = random.randint(1, 40) | 1, random.randint(1, 9)
    grid = [[0] * w for _ in range(h)]  # rows as stored: bottom first
    code = bytearray()
    x = y = 0
    while y < h:
        left = w - x
        r = random.random()
        if r < 0.03 and y > 0:
            break  # end of bitmap early
        if left == 0 or r < 0.1:
            code += b'\0\0'
            x, y = 0, y + 1
        elif r < 0.16:
            dx, dy = random.randint(0, left), random.randint(0, 1)
            code += bytes((0, 2, dx, dy))
            x, y = x + dx, y + dy
        elif r < 0.6 or left < 3:
            n = random.randint(1, min(left, 255))
            a, b = random.randrange(1 << bits), random.randrange(16)
            code += bytes((n, a if bits == 8 else a << 4 | b))
            for i in range(n):
                grid[y][x + i] = a if bits == 8 or i % 2 == 0 else b
            x += n
        else:
            n = random.randint(3, min(left, 255))
            vals = [random.randrange(1 << bits) for _ in range(n)]
            body = bytes(vals) if bits == 8 else bytes(vals[i] << 4 | (vals + [0])[i + 1] for i in range(0, n, 2))
            code += bytes((0, n)) + body + b'\0' * (len(body) % 2)
            for i in range(n):
                grid[y][x + i] = vals[i]
            x += n
    code += b'\0\1'
    pal = b''.join(bytes((i, i, i, 0)) for i in range(1 << bits))
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, 1 if bits == 8 else 2, len(code), 0, 0, 0, 0)
    off = 14 + 40 + len(pal)
    open('%s/%d.bmp' % (folder, case), 'wb').write(b'BM' + struct.pack('<IHHI', off + len(code), 0, 0, off) + info + pal + code)
    print(w, h, ' '.join(str(v) for row in reversed(grid) for v in row))
)";

}  // namespace

TEST(Bmp, RandomRunLengthCodesDecodeToThePixelsTheirCoderLaidDown) {
  TempFolder folder;
  int status = 0;
  std::istringstream coder(RunPython(folder, kRleFiles, folder.Path().string(), status));
  ASSERT_EQ(status, 0) << coder.str();
  for (int k = 0; k < 30; ++k) {
    SCOPED_TRACE("file " + std::to_string(k) + (k % 2 ? " (RLE4)" : " (RLE8)"));
    int32_t width = 0, height = 0;
    coder >> width >> height;
    std::vector<int> want(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int& v : want) coder >> v;
    ASSERT_TRUE(coder) << "the coder printed too few values";
    TLinearBitmap b;
    b.LoadFromFile(folder.File(std::to_string(k) + ".bmp"));
    ASSERT_EQ(b.Width, width);
    ASSERT_EQ(b.Height, height);
    EXPECT_EQ(Indexes(b), want);
  }
}

TEST(Bmp, BrokenFilesAreRefused) {
  auto refused = [](const std::vector<uint8_t>& bytes) {
    try {
      Load(BMPLoader(), bytes, "BMP");
      return false;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Unsupported file format");
      return true;
    }
  };
  EXPECT_TRUE(refused({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(refused(MakeBmp(4, 4, 8, 0, GreyQuads(256), std::vector<uint8_t>(16, 1), 300)));  // palette > 256
  EXPECT_TRUE(refused(MakeBmp(4, 4, 24, 0, {}, std::vector<uint8_t>(20, 1))));                  // truncated rows
  EXPECT_TRUE(refused(MakeBmp(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, {}, {})));                        // absurd size
  EXPECT_TRUE(refused(MakeBmp(4, 4, 3, 0, {}, std::vector<uint8_t>(64, 1))));                   // 3 bits
  auto far_offset = MakeBmp(4, 4, 24, 0, {}, std::vector<uint8_t>(64, 1));
  far_offset[13] = 0x7F;  // pixel data "beyond" the file
  EXPECT_TRUE(refused(far_offset));
  const auto good = Save(BMPLoader(), MakeTestBitmap(5, 4, pf8Bit), "BMP");
  for (size_t n = 0; n < 54; ++n) EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n))));
  for (size_t bit = 0; bit < 54 * 8; ++bit) {  // header flips: an error or a picture, never a crash
    auto broken = good;
    broken[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
    try {
      Load(BMPLoader(), broken, "BMP");
    } catch (const Exception&) {
    }
  }
}

TEST(Bmp, OldStyleHeaderUsesTheDefaultPalette) {
  std::vector<uint8_t> f = {0, 0, 16, 0, 2, 0, 2, 0, 1, 1};  // 16 x 2, 2 bytes per row, 1 bit
  f.insert(f.end(), {0xF0, 0x0F, 0xAA, 0x55});
  const TLinearBitmap b = Load(BMPLoader(), f, "BMP");
  ASSERT_EQ(b.Width, 16);
  EXPECT_EQ(b.ScanLine(0)[0], 1);  // top row is the second file row: 0xAA 0x55
  EXPECT_EQ(b.ScanLine(0)[1], 0);
  EXPECT_EQ(b.ScanLine(1)[0], 1);
  EXPECT_EQ(b.ScanLine(1)[4], 0);
  EXPECT_EQ(b.Palette[3], 255);
}

// The 12-byte (OS/2) header holds its width and height as unsigned words,
// three-byte palette entries and bottom-up rows: a picture taller than 32767
// rows is no top-down one.
TEST(Bmp, TwelveByteHeadersReadAsPillowReadsThem) {
  TempFolder folder;
  const std::string script = R"(import sys, struct
folder = sys.argv[1]
def write(name, w, h, bits, index):
    stride = ((w * bits + 31) // 32) * 4
    pal = b''.join(bytes(((i * 37) % 256, (i * 91 + 5) % 256, 255 - i)) for i in range(1 << bits)) if bits <= 8 else b''
    rows = b''
    for y in range(h):
        row = bytearray(stride)
        for x in range(w):
            v = index(x, y)
            if bits < 8:
                row[x * bits // 8] |= v << (8 - bits - (x * bits) % 8)
            else:
                row[x * bits // 8:(x + 1) * bits // 8] = v.to_bytes(bits // 8, 'little')
        rows += bytes(row)
    off = 14 + 12 + len(pal)
    open(folder + '/' + name + '.bmp', 'wb').write(b'BM' + struct.pack('<IHHIIHHHH', off + len(rows), 0, 0, off, 12, w, h, 1, bits) + pal + rows)
write('one', 9, 3, 1, lambda x, y: (x + y) % 2)
write('four', 5, 4, 4, lambda x, y: (x * 3 + y) % 16)
write('eight', 3, 2, 8, lambda x, y: x * 40 + y)
write('colour', 7, 3, 24, lambda x, y: x * 0x10305 + y * 0x4000 + 17)
write('tall', 1, 40000, 8, lambda x, y: (y * 7) % 256)
write('widest', 40000, 1, 1, lambda x, y: (x // 3) % 2)
)";
  int status = 0;
  const std::string out = RunPython(folder, script, folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  for (const char* name : {"one", "four", "eight", "colour", "tall", "widest"}) {
    SCOPED_TRACE(name);
    const std::string file = folder.File(std::string(name) + ".bmp");
    TLinearBitmap b;
    ASSERT_EQ(ErrorOf([&] { b.LoadFromFile(file); }), "");
    const PillowImage pillow = PillowDecode(folder, file, "RGB");
    EXPECT_EQ(b.Width, pillow.Width);
    EXPECT_EQ(b.Height, pillow.Height);
    EXPECT_TRUE(RgbValues(b) == pillow.Values);
  }
}

TEST(Jpeg, OurFilesDecodeWithPillowAndPillowFilesWithUs) {
  TempFolder folder;
  const TLinearBitmap colour = MakeTestBitmap(48, 32, pf24Bit);
  const std::string ours = folder.File("ours.jpg");
  colour.SaveToFile(ours);
  TLinearBitmap back;
  back.LoadFromFile(ours);
  const PillowImage pillow = PillowDecode(folder, ours, "RGB");
  EXPECT_EQ(pillow.Mode, "RGB");
  EXPECT_LE(MaxAbsDifference(RgbValues(back), pillow.Values), 2);  // two IDCTs of the same file
  EXPECT_LT(MeanAbsDifference(RgbValues(back), RgbValues(colour)), 6.0);

  TLinearBitmap grey = MakeTestBitmap(40, 24, pf8Bit);
  std::memcpy(grey.Palette.data(), GrayPalette().data(), 768);
  const std::string grey_file = folder.File("grey.jpeg");
  grey.SaveToFile(grey_file);
  EXPECT_EQ(PillowDecode(folder, grey_file, "").Mode, "L");
  back.LoadFromFile(grey_file);
  EXPECT_EQ(back.PixelFormat, pf8Bit);
  EXPECT_TRUE(back.IsGrayScale());

  const std::string script = R"(import sys
from PIL import Image
folder = sys.argv[1]
im = Image.new('RGB', (50, 30))
im.putdata([((x * 5) % 256, (y * 8) % 256, (x * y) % 256) for y in range(30) for x in range(50)])
im.save(folder + '/pillow.jpg', quality=85)
im.convert('L').save(folder + '/pillow_l.jpg', quality=85)
im.save(folder + '/pillow_prog.jpg', quality=85, progressive=True)
)";
  int status = 0;
  const std::string out = RunPython(folder, script, folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  for (const char* name : {"pillow.jpg", "pillow_l.jpg", "pillow_prog.jpg"}) {
    SCOPED_TRACE(name);
    TLinearBitmap b;
    b.LoadFromFile(folder.File(name));
    EXPECT_LE(MaxAbsDifference(RgbValues(b), PillowDecode(folder, folder.File(name), "RGB").Values), 2);
  }
}

TEST(Jpeg, ReadingScalesDownWhileHalfTheSizeStaysLargeEnough) {
  const TLinearBitmap b = MakeTestBitmap(200, 120, pf24Bit);
  const auto file = Save(JPEGLoader(), b, "JPG");
  TJPEGLoader loader;
  loader.MinWidth = 50;
  loader.MinHeight = 30;
  const TLinearBitmap small = Load(loader, file, "JPG");
  EXPECT_EQ(small.Width, 50);
  EXPECT_EQ(small.Height, 30);
  EXPECT_EQ(loader.FullWidth, 200);
  EXPECT_EQ(loader.FullHeight, 120);
}

TEST(Jpeg, BrokenFilesGiveErrorsNeverCrashes) {
  const auto good = Save(JPEGLoader(), MakeTestBitmap(16, 16, pf24Bit), "JPG");
  int errors = 0;
  for (size_t n = 0; n < good.size(); n += 7) {
    try {
      Load(JPEGLoader(), std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)), "JPG");
    } catch (const Exception&) {
      ++errors;
    }
  }
  EXPECT_GT(errors, 0);
  for (size_t bit = 0; bit < good.size() * 8; bit += 5) {
    auto broken = good;
    broken[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
    try {
      Load(JPEGLoader(), broken, "JPG");
    } catch (const Exception&) {
    }
  }
}

TEST(Jpeg, SixteenBitGreyIsSavedAsAGreyJpegOfItsHighBytes) {
  TempFolder folder;
  TLinearBitmap b;
  b.New(16, 8, pf16Grey);
  for (int32_t i = 0; i < b.Size; i += 2) {
    b.Map[i] = 0xFF;
    b.Map[i + 1] = static_cast<uint8_t>(i * 3);
  }
  const std::string file = folder.File("grey16.jpg");
  b.SaveToFile(file);
  const PillowImage image = PillowDecode(folder, file, "");
  EXPECT_EQ(image.Mode, "L");
  std::vector<int> high;
  for (int32_t i = 0; i < b.Size; i += 2) high.push_back(b.Map[i + 1]);
  EXPECT_LT(MeanAbsDifference(image.Values, high), 4.0);
}

TEST(BufferedFile, ReadsAheadSeeksFromItsStartAndEnds) {
  TMemStream m;
  std::vector<uint8_t> data(200000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  m.Write("xx", 2);
  m.Write(data.data(), static_cast<int64_t>(data.size()));
  m.SetPosition(2);
  TBufferedFile file(m);
  EXPECT_EQ(file.StartOffset, 2);
  file.Fill(78);
  EXPECT_GE(file.Unread(), 78);
  EXPECT_EQ(file.ReadByte(), data[0]);
  file.Seek(150000);
  EXPECT_EQ(file.ReadByte(), data[150000]);
  std::vector<uint8_t> rest(60000);
  EXPECT_EQ(file.Read(rest.data(), 60000), 49999);
  EXPECT_EQ(rest[49998], data[199999]);
  EXPECT_EQ(file.ReadByte(), -1);
  file.Seek(0);
  file.EnsureBufferSize(100000);
  EXPECT_GE(file.BufferSize, 100000);
  EXPECT_EQ(file.ReadByte(), data[0]);
}

#include <jpeglib.h>

namespace {

// libjpeg-turbo fed red-green-blue rows the plain way, as an independent
// encoding of the same picture.
std::vector<uint8_t> EncodeRgbRows(const std::vector<uint8_t>& rgb, int w, int h, int quality) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&rgb[static_cast<size_t>(c.next_scanline) * static_cast<size_t>(w) * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

}  // namespace

// 24- and 32-bit pictures go to the encoder as blue-green-red rows: the file
// is the very one the red-green-blue rows give.
TEST(JpegSave, BlueGreenRedRowsGiveTheSameFile) {
  const int w = 37, h = 23;
  for (uint8_t format : {uint8_t(pf24Bit), uint8_t(pf32Bit)}) {
    TLinearBitmap b;
    b.New(w, h, format);
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = b.ScanLine(y) + b.PixelSize * x;
        p[0] = static_cast<uint8_t>(x * 7 + y), p[1] = static_cast<uint8_t>(y * 11), p[2] = static_cast<uint8_t>(x * y);
        if (b.PixelSize == 4) p[3] = 99;
        uint8_t* q = &rgb[(static_cast<size_t>(y) * w + static_cast<size_t>(x)) * 3];
        q[0] = p[2], q[1] = p[1], q[2] = p[0];
      }
    TJPEGLoader jpeg;
    jpeg.Quality = 85;
    EXPECT_EQ(Save(jpeg, b, "jpg"), EncodeRgbRows(rgb, w, h, 85)) << "format " << int(format);
  }
}
