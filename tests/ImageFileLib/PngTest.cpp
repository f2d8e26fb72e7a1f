// PNG and MNG: round trips over every variant, files checked by Pillow and
// pngcheck, Pillow's files (and hand-made interlaced ones) read back, and
// broken files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <map>
#include <sstream>

#include "ImageFileLib/BitmapLoaders.h"
#include "ImageFileLib/PngLoader.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

std::vector<uint8_t> SavePng(TPNGLoader& loader, const TLinearBitmap& b, const std::string& ext = "PNG") {
  TMemStream out;
  loader.SaveToStream(out, ext, b);
  return out.ToVector();
}

TLinearBitmap LoadPng(TPNGLoader& loader, const std::vector<uint8_t>& bytes) {
  TMemStream in;
  in.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  in.SetPosition(0);
  TLinearBitmap b;
  loader.LoadFromStream(in, "PNG", b);
  return b;
}

struct Chunk {
  std::string Type;
  std::vector<uint8_t> Data;
};

std::vector<Chunk> Chunks(const std::vector<uint8_t>& png) {
  std::vector<Chunk> out;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t len = uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 | png[at + 3];
    out.push_back({std::string(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8),
                   std::vector<uint8_t>(png.begin() + static_cast<long>(at) + 8,
                                        png.begin() + static_cast<long>(at + 8 + len))});
    at += 12 + len;
  }
  return out;
}

// The filtered rows (type byte first) of a file, inflated by zlib.
std::vector<uint8_t> FilteredRows(const std::vector<uint8_t>& png, size_t expected) {
  std::vector<uint8_t> idat;
  for (const auto& c : Chunks(png))
    if (c.Type == "IDAT") idat.insert(idat.end(), c.Data.begin(), c.Data.end());
  std::vector<uint8_t> out(expected);
  uLongf n = static_cast<uLongf>(expected);
  EXPECT_EQ(uncompress(out.data(), &n, idat.data(), static_cast<uLong>(idat.size())), Z_OK);
  EXPECT_EQ(n, expected);
  return out;
}

void ExpectSamePixels(const TLinearBitmap& a, const TLinearBitmap& b) {
  ASSERT_EQ(a.Width, b.Width);
  ASSERT_EQ(a.Height, b.Height);
  ASSERT_EQ(a.PixelFormat, b.PixelFormat);
  EXPECT_TRUE(std::equal(a.Map.begin(), a.Map.begin() + a.Size, b.Map.begin()));
  if (a.PixelFormat == pf8Bit) {
    EXPECT_EQ(RgbValues(a), RgbValues(b));
  }
}

struct Variant {
  std::string Name;
  TLinearBitmap Bitmap;
  int32_t BitDepth = 0;
  int32_t Transparent = -1;
};

std::vector<Variant> Variants() {
  std::vector<Variant> v;
  v.push_back({"24-bit", MakeTestBitmap(37, 23, pf24Bit)});
  v.push_back({"palette", MakeTestBitmap(37, 23, pf8Bit)});
  TLinearBitmap grey = MakeTestBitmap(37, 23, pf8Bit);
  std::memcpy(grey.Palette.data(), GrayPalette().data(), 768);
  v.push_back({"grey", grey});
  v.push_back({"16-bit grey", MakeTestBitmap(37, 23, pf16Grey)});
  v.push_back({"24-bit transparent", MakeTestBitmap(37, 23, pf24Bit), 0, 0x030201});
  v.push_back({"grey transparent", grey, 0, 77});
  v.push_back({"palette transparent", MakeTestBitmap(37, 23, pf8Bit), 0, 5});
  for (int depth : {1, 2, 4}) {
    TLinearBitmap small = MakeTestBitmap(37, 23, pf8Bit);
    for (int32_t i = 0; i < small.Size; ++i) small.Map[i] = static_cast<uint8_t>(small.Map[i] % (1 << depth));
    v.push_back({"palette " + std::to_string(depth) + "-bit", small, depth});
  }
  return v;
}

}  // namespace

TEST(Png, RoundTripOfEveryVariantAndFilterOption) {
  for (const auto& v : Variants())
    for (int32_t filter = -3; filter <= 4; ++filter)
      for (const char* ext : {"PNG", "MNG"}) {
        SCOPED_TRACE(v.Name + " filter " + std::to_string(filter) + " " + ext);
        TPNGLoader loader;
        loader.FilterOption = filter;
        loader.BitDepth = v.BitDepth;
        loader.TransparentColor = v.Transparent;
        const auto bytes = SavePng(loader, v.Bitmap, ext);
        TPNGLoader reader;
        const TLinearBitmap back = LoadPng(reader, bytes);
        ExpectSamePixels(back, v.Bitmap);
        EXPECT_EQ(reader.TransparentColor, v.Transparent);
      }
}

TEST(Png, PillowDecodesOurFilesToTheSamePixelsAndPngcheckPassesThem) {
  TempFolder folder;
  for (const auto& v : Variants())
    for (int32_t filter : {-3, -2, -1, 0, 1, 2, 3, 4}) {
      SCOPED_TRACE(v.Name + " filter " + std::to_string(filter));
      TPNGLoader loader;
      loader.FilterOption = filter;
      loader.BitDepth = v.BitDepth;
      loader.TransparentColor = v.Transparent;
      const std::string file = folder.File("ours.png");
      WriteFileBytes(file, SavePng(loader, v.Bitmap));
      int status = 0;
      const std::string check = RunCommand("pngcheck -q " + file + " 2>&1", status);
      EXPECT_EQ(status, 0) << check;
      if (v.Bitmap.PixelFormat == pf16Grey) {
        const PillowImage image = PillowDecode(folder, file, "");
        std::vector<int> expected;
        for (int32_t i = 0; i < v.Bitmap.Size; i += 2) expected.push_back(v.Bitmap.Map[i] | v.Bitmap.Map[i + 1] << 8);
        EXPECT_EQ(image.Values, expected);
        continue;
      }
      const PillowImage image = PillowDecode(folder, file, "RGB");
      EXPECT_EQ(image.Width, 37);
      EXPECT_EQ(image.Height, 23);
      EXPECT_EQ(image.Values, RgbValues(v.Bitmap));
    }
}

TEST(Png, FilesPillowWritesReadBackIdentically) {
  TempFolder folder;
  const std::string script = R"(import sys
from PIL import Image
folder = sys.argv[1]
w, h = 41, 29
rgb = Image.new('RGB', (w, h))
rgb.putdata([((x * 7 + y) % 256, (x * y) % 256, (255 - x * 3) % 256) for y in range(h) for x in range(w)])
rgb.save(folder + '/rgb.png')
rgb.save(folder + '/rgb_small_idat.png', compress_level=1)
rgb.convert('RGBA').save(folder + '/rgba.png')
rgb.convert('L').save(folder + '/l.png')
rgb.convert('LA').save(folder + '/la.png')
rgb.convert('P', palette=Image.ADAPTIVE, colors=200).save(folder + '/p.png')
rgb.convert('1').save(folder + '/bw.png')
g16 = Image.new('I', (w, h))
g16.putdata([(x * 1500 + y * 37) % 65536 for y in range(h) for x in range(w)])
g16.save(folder + '/g16.png')
)";
  int status = 0;
  const std::string out = RunPython(folder, script, folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  for (const char* name : {"rgb", "rgb_small_idat", "rgba", "l", "la", "p", "bw"}) {
    SCOPED_TRACE(name);
    const std::string file = folder.File(std::string(name) + ".png");
    TLinearBitmap b;
    b.LoadFromFile(file);
    EXPECT_EQ(RgbValues(b), PillowDecode(folder, file, "RGB").Values);
  }
  TLinearBitmap g16;
  g16.LoadFromFile(folder.File("g16.png"));
  ASSERT_EQ(g16.PixelFormat, pf16Grey);
  std::vector<int> values;
  for (int32_t i = 0; i < g16.Size; i += 2) values.push_back(g16.Map[i] | g16.Map[i + 1] << 8);
  EXPECT_EQ(values, PillowDecode(folder, folder.File("g16.png"), "").Values);
}

TEST(Png, InterlacedFilesWithManyIdatChunksReadLikePillowReadsThem) {
  // An independent Adam7 writer (zlib level 9, IDAT split every 50 bytes).
  TempFolder folder;
  const std::string script = R"(import sys, zlib, struct
folder = sys.argv[1]
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
passes = [(0,0,8,8),(4,0,8,8),(0,4,4,8),(2,0,4,4),(0,2,2,4),(1,0,2,2),(0,1,1,2)]
def write(name, w, h, depth, ctype, channels, sample, plte=None):
    raw = b''
    for (x0, y0, dx, dy) in passes:
        xs = list(range(x0, w, dx)); ys = list(range(y0, h, dy))
        if not xs or not ys: continue
        for y in ys:
            bits = []
            for x in xs:
                for c in range(channels):
                    bits.append(sample(x, y, c))
            if depth < 8:
                row = bytearray((len(bits) * depth + 7) // 8)
                for i, v in enumerate(bits):
                    row[(i * depth) // 8] |= v << (8 - depth - (i * depth) % 8)
            elif depth == 8:
                row = bytes(bits)
            else:
                row = b''.join(struct.pack('>H', v) for v in bits)
            raw += b'\x00' + bytes(row)
    z = zlib.compress(raw, 9)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, ctype, 0, 0, 1))
    if plte: data += chunk(b'PLTE', plte)
    for i in range(0, len(z), 50):
        data += chunk(b'IDAT', z[i:i+50])
    data += chunk(b'IEND', b'')
    open(folder + '/' + name, 'wb').write(data)
write('rgb.png', 13, 11, 8, 2, 3, lambda x, y, c: (x * 19 + y * 7 + c * 50) % 256)
write('rgba.png', 9, 9, 8, 6, 4, lambda x, y, c: (x * 30 + y * 3 + c * 60) % 256)
write('grey4.png', 17, 5, 4, 0, 1, lambda x, y, c: (x + y) % 16)
write('pal2.png', 10, 10, 2, 3, 1, lambda x, y, c: (x * y) % 4, bytes([255,0,0, 0,255,0, 0,0,255, 9,9,9]))
write('rgb16.png', 6, 7, 16, 2, 3, lambda x, y, c: (x * 9000 + y * 300 + c * 17) % 65536)
write('tiny.png', 1, 1, 8, 2, 3, lambda x, y, c: 100 + c)
)";
  int status = 0;
  const std::string out = RunPython(folder, script, folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  for (const char* name : {"rgb", "rgba", "grey4", "pal2", "rgb16", "tiny"}) {
    SCOPED_TRACE(name);
    const std::string file = folder.File(std::string(name) + ".png");
    TLinearBitmap b;
    b.LoadFromFile(file);
    EXPECT_EQ(RgbValues(b), PillowDecode(folder, file, "RGB").Values);
  }
}

TEST(Png, OneByOneLayoutAndZlibHeader) {
  TLinearBitmap b;
  b.New(1, 1, pf24Bit);
  b.ClearColor(0x123456);
  TPNGLoader loader;
  const auto bytes = SavePng(loader, b);
  const auto chunks = Chunks(bytes);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].Type, "IHDR");
  EXPECT_EQ(chunks[0].Data[8], 8);
  EXPECT_EQ(chunks[0].Data[9], 2);
  EXPECT_EQ(chunks[1].Type, "IDAT");
  EXPECT_EQ(chunks[1].Data[0], 0x78);
  EXPECT_EQ(chunks[1].Data[1], 0xDA);
  EXPECT_EQ(chunks[2].Type, "IEND");
  EXPECT_EQ(bytes.size(), 8 + 25 + 12 + chunks[1].Data.size() + 12);
}

TEST(Png, GreyRampPaletteIsWrittenAsGreyAndAnyOtherPaletteWithPlte) {
  TLinearBitmap b = MakeTestBitmap(8, 8, pf8Bit);
  std::memcpy(b.Palette.data(), GrayPalette().data(), 768);
  TPNGLoader loader;
  auto chunks = Chunks(SavePng(loader, b));
  EXPECT_EQ(chunks[0].Data[9], 0);
  EXPECT_EQ(chunks[1].Type, "IDAT");
  b.Palette[3 * 200] = 1;
  chunks = Chunks(SavePng(loader, b));
  EXPECT_EQ(chunks[0].Data[9], 3);
  EXPECT_EQ(chunks[1].Type, "PLTE");
}

TEST(Png, PlteCoversTheHighestUsedIndexEvenWhenItIsBlack) {
  TLinearBitmap b;
  b.New(4, 1, pf8Bit);
  std::fill(b.Palette.begin(), b.Palette.end(), 0);
  b.Palette[3] = 200;  // entry 1 coloured
  b.Map[0] = 0;
  b.Map[1] = 1;
  b.Map[2] = 0;
  b.Map[3] = 0;
  TPNGLoader loader;
  EXPECT_EQ(Chunks(SavePng(loader, b))[1].Data.size(), 6u);
  b.Palette[3] = 0;  // all black: one entry would do for index 0 ...
  b.Map[1] = 0;
  EXPECT_EQ(Chunks(SavePng(loader, b))[1].Data.size(), 3u);
  b.Map[3] = 9;  // ... but a pixel uses index 9
  EXPECT_EQ(Chunks(SavePng(loader, b))[1].Data.size(), 30u);
}

TEST(Png, LeastSumFilterPicksSubForAConstantRow) {
  TLinearBitmap b;
  b.New(16, 1, pf8Bit);
  std::memcpy(b.Palette.data(), GrayPalette().data(), 768);
  b.Clear(40);
  TPNGLoader loader;
  loader.FilterOption = -1;
  EXPECT_EQ(FilteredRows(SavePng(loader, b), 17)[0], 1);
}

TEST(Png, TransparentColourAndGammaChunks) {
  TLinearBitmap b = MakeTestBitmap(5, 5, pf24Bit);
  TPNGLoader loader;
  loader.TransparentColor = 0x030201;
  loader.Gamma = 0.45455;
  const auto chunks = Chunks(SavePng(loader, b));
  ASSERT_EQ(chunks[1].Type, "gAMA");
  EXPECT_EQ(chunks[1].Data, (std::vector<uint8_t>{0, 0, 0xB1, 0x8F}));
  ASSERT_EQ(chunks[2].Type, "tRNS");
  EXPECT_EQ(chunks[2].Data, (std::vector<uint8_t>{0, 1, 0, 2, 0, 3}));
  TPNGLoader reader;
  LoadPng(reader, SavePng(loader, b));
  EXPECT_DOUBLE_EQ(reader.Gamma, 0.45455);
}

TEST(Png, SixteenBitGreyIsWrittenHighByteFirst) {
  TLinearBitmap b;
  b.New(1, 1, pf16Grey);
  b.Map[0] = 0x34;
  b.Map[1] = 0x12;
  TPNGLoader loader;
  loader.FilterOption = 0;
  const auto bytes = SavePng(loader, b);
  EXPECT_EQ(Chunks(bytes)[0].Data[8], 16);
  EXPECT_EQ(FilteredRows(bytes, 3), (std::vector<uint8_t>{0, 0x12, 0x34}));
}

TEST(Png, MngSignatureAndIntrapixelDifferencing) {
  TLinearBitmap b;
  b.New(1, 1, pf24Bit);
  b.Map[0] = 10;   // blue
  b.Map[1] = 30;   // green
  b.Map[2] = 200;  // red
  TPNGLoader loader;
  loader.FilterOption = 0;
  const auto bytes = SavePng(loader, b, "MNG");
  EXPECT_EQ(bytes[0], 0x8A);
  EXPECT_EQ(Chunks(bytes)[0].Data[11], 64);
  EXPECT_EQ(FilteredRows(bytes, 4), (std::vector<uint8_t>{0, 170, 30, static_cast<uint8_t>(10 - 30)}));
  TPNGLoader reader;
  ExpectSamePixels(LoadPng(reader, bytes), b);
}

TEST(Png, SaveToFileReplacesTheFileOnlyWhenTheSaveSucceeds) {
  TempFolder folder;
  const std::string file = folder.File("picture.png");
  WriteFileBytes(file, {'o', 'l', 'd'});
  TLinearBitmap empty;
  EXPECT_THROW(empty.SaveToFile(file), ELinearBitmap);
  EXPECT_EQ(ReadFileBytes(file), (std::vector<uint8_t>{'o', 'l', 'd'}));
  const TLinearBitmap b = MakeTestBitmap(9, 9, pf24Bit);
  b.SaveToFile(file);
  TLinearBitmap back;
  back.LoadFromFile(file);
  ExpectSamePixels(back, b);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), std::filesystem::directory_iterator()), 1);
}

namespace {
std::string TryLoad(const std::vector<uint8_t>& bytes, bool verify) {
  try {
    TPNGLoader loader;
    loader.VerifyChecksums = verify;
    LoadPng(loader, bytes);
    return "";
  } catch (const Exception& e) {
    return e.what();
  }
}
}  // namespace

TEST(Png, ReaderErrorsHaveTheirTexts) {
  const auto good = SavePng(PNGLoader(), MakeTestBitmap(6, 6, pf24Bit));
  auto bad_sig = good;
  bad_sig[1] = 'Q';
  EXPECT_EQ(TryLoad(bad_sig, true), "Invalid PNG header");
  auto bad_crc = good;
  bad_crc[8 + 8 + 13] ^= 1;  // IHDR CRC
  EXPECT_EQ(TryLoad(bad_crc, true), "CRC error");
  auto bad_adler = good;
  const size_t idat_len = Chunks(good)[1].Data.size();  // IHDR, IDAT, IEND
  const size_t idat_type = 8 + 25 + 4;
  bad_adler[idat_type + 4 + idat_len - 1] ^= 1;  // last byte of the Adler-32
  const uint32_t crc = crc32(0, &bad_adler[idat_type], static_cast<uInt>(4 + idat_len));
  for (size_t k = 0; k < 4; ++k) bad_adler[idat_type + 4 + idat_len + k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
  EXPECT_EQ(TryLoad(bad_adler, true), "Adler32 error");
  auto critical = good;
  std::memcpy(&critical[12], "IHDX", 4);
  EXPECT_EQ(TryLoad(critical, false), "Unsupported PNG data");
  auto long_plte = SavePng(PNGLoader(), MakeTestBitmap(6, 6, pf8Bit));
  long_plte[33 + 2] = 0x03;  // PLTE length 768 + 3: 257 entries
  long_plte[33 + 3] = 0x03;
  EXPECT_EQ(TryLoad(long_plte, false), "Invalid PNG data");
  auto widest = good;  // width and height 2^31 - 1: the size check must not overflow
  for (int k : {16, 20}) widest[static_cast<size_t>(k)] = 0x7F, widest[static_cast<size_t>(k) + 1] = 0xFF,
                         widest[static_cast<size_t>(k) + 2] = 0xFF, widest[static_cast<size_t>(k) + 3] = 0xFF;
  EXPECT_EQ(TryLoad(widest, false), "Invalid PNG data");
  auto huge = good;
  huge[16] = 0x7F;  // width 2^30 and more
  EXPECT_EQ(TryLoad(huge, false), "Invalid PNG data");
}

TEST(Png, BitFlipSweepAndTruncationGiveErrorsNeverCrashes) {
  TLinearBitmap b = MakeTestBitmap(12, 9, pf8Bit);
  TPNGLoader writer;
  writer.TransparentColor = 3;
  writer.Gamma = 0.5;
  const auto good = SavePng(writer, b);
  int errors = 0, flips = 0;
  for (size_t bit = 0; bit < good.size() * 8; ++bit) {
    auto broken = good;
    broken[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
    ++flips;
    if (!TryLoad(broken, true).empty()) {
      ++errors;
    } else {
      // Only a chunk renamed into an unknown ancillary one may pass: it is skipped.
      size_t type_at = 0;
      for (size_t at = 8; at + 8 <= good.size(); at += 12 + (size_t{good[at + 2]} << 8 | good[at + 3]))
        if (bit / 8 >= at + 4 && bit / 8 < at + 8) type_at = at + 4;
      EXPECT_TRUE(type_at != 0 && (broken[type_at] & 0x20)) << "undetected flip of bit " << bit;
    }
    TryLoad(broken, false);  // deeper paths; must not crash
  }
  EXPECT_GT(errors, flips * 9 / 10);
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_FALSE(TryLoad(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)), true).empty()) << n;
}

TEST(Png, ColourReductionStaysWithinTheToleranceAndShrinksTheFile) {
  TLinearBitmap b = MakeTestBitmap(64, 48, pf24Bit);
  b.Map[3 * (64 * 10 + 10)] = 3;  // one pixel of the transparent colour (red 1, green 2, blue 3)
  b.Map[3 * (64 * 10 + 10) + 1] = 2;
  b.Map[3 * (64 * 10 + 10) + 2] = 1;
  TPNGLoader plain;
  const auto plain_file = SavePng(plain, b);
  TPNGLoader loader;
  loader.ReduceTolerance = 6;
  loader.TransparentColor = 0x030201;
  const auto reduced_file = SavePng(loader, b);
  EXPECT_LT(reduced_file.size(), plain_file.size());
  TPNGLoader reader;
  const TLinearBitmap back = LoadPng(reader, reduced_file);
  int worst = 0;
  for (int32_t i = 0; i < b.Size; ++i) worst = std::max(worst, std::abs(back.Map[i] - b.Map[i]));
  EXPECT_LE(worst, 6);
  EXPECT_EQ(back.Map[3 * (64 * 10 + 10)], 3);
  EXPECT_EQ(back.Map[3 * (64 * 10 + 10) + 2], 1);
  const auto rows = FilteredRows(reduced_file, 48 * (64 * 3 + 1));
  EXPECT_EQ(rows[0], 3);

  TLinearBitmap pal = MakeTestBitmap(40, 30, pf8Bit);
  loader.TransparentColor = 7;
  const TLinearBitmap pal_back = LoadPng(reader, SavePng(loader, pal));
  EXPECT_EQ(pal_back.Palette[3 * 7], pal.Palette[3 * 7]);  // the transparent entry keeps its place
  EXPECT_EQ(FilteredRows(SavePng(loader, pal), 30 * 41)[0], 4);
}

TEST(Png, SmallBitDepthIsUsedOnlyWhenEveryIndexFits) {
  TLinearBitmap b = MakeTestBitmap(9, 4, pf8Bit);
  TPNGLoader loader;
  loader.BitDepth = 2;  // e.g. left over from reading a 2-bit file
  const auto bytes = SavePng(loader, b);
  EXPECT_EQ(Chunks(bytes)[0].Data[8], 8);
  TPNGLoader reader;
  ExpectSamePixels(LoadPng(reader, bytes), b);
  for (int32_t i = 0; i < b.Size; ++i) b.Map[i] &= 3;
  EXPECT_EQ(Chunks(SavePng(loader, b))[0].Data[8], 2);
}

TEST(Png, KeepAlphaDeliversAlphaSamplesAndPaletteAlpha) {
  TempFolder folder;
  const std::string script = R"(import sys
from PIL import Image
folder = sys.argv[1]
im = Image.new('RGBA', (7, 5))
im.putdata([(x * 30, y * 40, 9, (x * 37 + y * 11) % 256) for y in range(5) for x in range(7)])
im.save(folder + '/rgba.png')
im.convert('LA').save(folder + '/la.png')
p = Image.new('P', (4, 1))
p.putpalette([0, 0, 0, 255, 0, 0, 0, 255, 0])
p.putdata([0, 1, 2, 1])
p.save(folder + '/p.png', transparency=bytes([255, 0, 128]))
print(' '.join(str(px[3]) for px in im.getdata()))
)";
  int status = 0;
  const std::string out = RunPython(folder, script, folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  std::vector<int> alpha;
  std::istringstream values(out);
  for (int v; values >> v;) alpha.push_back(v);
  for (const char* name : {"rgba.png", "la.png"}) {
    SCOPED_TRACE(name);
    TPNGLoader loader;
    loader.KeepAlpha = 1;
    TLinearBitmap b;
    loader.LoadFromFile(folder.File(name), "PNG", b);
    ASSERT_TRUE(loader.AlphaBitmap);
    EXPECT_EQ(std::vector<int>(loader.AlphaBitmap->Map.begin(), loader.AlphaBitmap->Map.begin() + 35), alpha);
  }
  TPNGLoader loader;
  loader.KeepAlpha = 1;
  TLinearBitmap b;
  loader.LoadFromFile(folder.File("p.png"), "PNG", b);
  ASSERT_TRUE(loader.PaletteAlpha);
  EXPECT_EQ((*loader.PaletteAlpha)[1], 0);
  EXPECT_EQ((*loader.PaletteAlpha)[2], 128);
  EXPECT_EQ((*loader.PaletteAlpha)[3], 255);
  TPNGLoader plain;
  plain.LoadFromFile(folder.File("p.png"), "PNG", b);
  EXPECT_EQ(plain.TransparentColor, 1);  // the first fully transparent entry
}

namespace {
// A seekable target that fails once it holds more than Limit bytes (a full disk).
class FullDiskStream : public TMemStream {
public:
  explicit FullDiskStream(int64_t limit) : Limit(limit) {}
  int64_t Write(const void* buffer, int64_t count) override {
    if (GetPosition() + count > Limit) throw EInOutError("Error writing to stream - No space left on device");
    return TMemStream::Write(buffer, count);
  }
  int64_t Limit;
};
}  // namespace

TEST(Png, TransparentIndexBeyondTheUsedPaletteStillGivesAValidFile) {
  // A tRNS chunk may not be longer than the PLTE chunk; pngcheck (like
  // libpng) refuses such a file, and libpng drops the transparency.
  TLinearBitmap b = MakeTestBitmap(9, 4, pf8Bit);
  for (int32_t i = 0; i < b.Size; ++i) b.Map[i] &= 3;
  for (int i = 3 * 4; i < 768; ++i) b.Palette[static_cast<size_t>(i)] = 0;  // entries 4.. black
  const struct {
    int32_t BitDepth, Transparent;
    uint8_t Depth;
    size_t PaletteEntries;
  } rows[] = {
      {0, 200, 8, 201},  // black entries up to the transparent index
      {2, 200, 8, 201},  // index 200 cannot be written in 2 bits
      {2, 3, 2, 4},
      {4, 9, 4, 10},
      {0, 2, 8, 4},
  };
  TempFolder folder;
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.BitDepth) + " " + std::to_string(r.Transparent));
    TPNGLoader loader;
    loader.BitDepth = r.BitDepth;
    loader.TransparentColor = r.Transparent;
    const auto bytes = SavePng(loader, b);
    const auto chunks = Chunks(bytes);
    EXPECT_EQ(chunks[0].Data[8], r.Depth);
    ASSERT_EQ(chunks[1].Type, "PLTE");
    EXPECT_EQ(chunks[1].Data.size(), 3 * r.PaletteEntries);
    ASSERT_EQ(chunks[2].Type, "tRNS");
    EXPECT_LE(chunks[2].Data.size(), r.PaletteEntries);
    const std::string file = folder.File("t.png");
    WriteFileBytes(file, bytes);
    int status = 0;
    const std::string check = RunCommand("pngcheck -q " + file + " 2>&1", status);
    EXPECT_EQ(status, 0) << check;
    TPNGLoader reader;
    ExpectSamePixels(LoadPng(reader, bytes), b);
    EXPECT_EQ(reader.TransparentColor, r.Transparent);
  }
}

TEST(Png, ColourReductionMakesNoPixelTransparentThatWasNot) {
  // Pixels a step away from the transparent colour (blue 10, green 20, red
  // 30) on a transparent background: the reduction pulls blue and green onto
  // the background's, and the red byte must then keep the pixel visible.
  const uint8_t transparent_bgr[3] = {10, 20, 30};
  TLinearBitmap b;
  b.New(16, 12, pf24Bit);
  std::vector<bool> clear(static_cast<size_t>(16 * 12));
  for (int32_t p = 0; p < 16 * 12; ++p) {
    uint8_t* px = &b.Map[3 * p];
    std::memcpy(px, transparent_bgr, 3);
    clear[static_cast<size_t>(p)] = (p % 16 + p / 16) % 3 != 1;
    if (!clear[static_cast<size_t>(p)]) {
      px[0] = static_cast<uint8_t>(11 + p % 3);
      px[1] = static_cast<uint8_t>(21 + p % 2);
    }
  }
  TPNGLoader loader;
  loader.ReduceTolerance = 5;
  loader.TransparentColor = 30 | 20 << 8 | 10 << 16;
  TempFolder folder;
  const std::string file = folder.File("reduced.png");
  WriteFileBytes(file, SavePng(loader, b));
  const PillowImage image = PillowDecode(folder, file, "RGBA");
  ASSERT_EQ(image.Values.size(), 4u * 16 * 12);
  for (int32_t p = 0; p < 16 * 12; ++p)
    EXPECT_EQ(image.Values[static_cast<size_t>(4 * p + 3)], clear[static_cast<size_t>(p)] ? 0 : 255) << "pixel " << p;
}
