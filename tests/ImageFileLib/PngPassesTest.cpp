// Interlaced PNG whose rows use every filter type (each pass starts from a
// zero row of its own), read with their alpha, against Pillow's decoding; and
// MNG images with alpha and intrapixel differencing against their samples.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ImageFileLib/PngLoader.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

// For each NAME written, NAME.expect holds three lines: "rgb" and R, G, B of
// every pixel (8-bit: the high byte of 16-bit samples); "grey16" and the
// 16-bit grey values (16-bit grey only); "alpha" and the alpha values (8-bit).
const char* const kPassWriter = R"(import struct, sys, zlib, random
from PIL import Image
folder = sys.argv[1]
random.seed(5)
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xFFFFFFFF)
PASSES = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
def image_data(w, h, channels, depth, interlace, row_of):
    # Random filtered bytes: whatever they unfilter to is the picture.
    raw = b''
    for x0, y0, dx, dy in (PASSES if interlace else [(0, 0, 1, 1)]):
        pw = len(range(x0, w, dx))
        for y in range(y0, h, dy):
            if pw:
                raw += bytes([random.randrange(5)]) + row_of(pw, y)
    return zlib.compress(raw, 9)
def split_idat(z):
    # 7-byte IDAT chunks with empty ones between some of them.
    out = b''
    for i in range(0, len(z), 7):
        out += chunk(b'IDAT', z[i:i + 7]) + (chunk(b'IDAT', b'') if i % 21 == 0 else b'')
    return out
def write_expect(name, rgb, grey16, alpha):
    with open(folder + '/' + name + '.expect', 'w') as f:
        f.write('rgb ' + ' '.join(map(str, rgb)) + '\n')
        f.write('grey16 ' + ' '.join(map(str, grey16)) + '\n')
        f.write('alpha ' + ' '.join(map(str, alpha)) + '\n')
names = []
for ct, channels, depths in [(0, 1, (1, 2, 4, 8, 16)), (2, 3, (8, 16)), (3, 1, (1, 2, 4, 8)), (4, 2, (8, 16)), (6, 4, (8, 16))]:
    for depth in depths:
        for w, h in [(1, 1), (5, 3), (13, 10)]:
            name = 'ct%d_%d_%dx%d' % (ct, depth, w, h)
            row_of = lambda pw, y: bytes(random.randrange(256) for _ in range((pw * channels * depth + 7) // 8))
            data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, ct, 0, 0, 1))
            if ct == 3:
                data += chunk(b'PLTE', bytes(random.randrange(256) for _ in range(3 << depth)))
            data += split_idat(image_data(w, h, channels, depth, 1, row_of)) + chunk(b'IEND', b'')
            open(folder + '/' + name + '.png', 'wb').write(data)
            im = Image.open(folder + '/' + name + '.png')
            im.load()
            grey16 = list(im.getdata()) if im.mode.startswith('I') else []
            if grey16:
                rgb = [v >> 8 for v in grey16 for _ in range(3)]
            else:
                rgb = [v for p in im.convert('RGB').getdata() for v in p]
            alpha = [p[-1] for p in im.getdata()] if ct in (4, 6) else []
            write_expect(name, rgb, grey16, alpha)
            names.append(name + '.png')
# MNG: samples stored as differences from green (filter method 64).
for depth in (8, 16):
    for ct, channels in [(2, 3), (6, 4)]:
        w, h = 7, 6
        top = (1 << depth) - 1
        px = [[[random.randint(0, top) for _ in range(channels)] for x in range(w)] for y in range(h)]
        fmt = '>%d%s' % (channels, 'B' if depth == 8 else 'H')
        def stored(p):
            return [(p[0] - p[1]) & top, p[1], (p[2] - p[1]) & top] + p[3:]
        raw = b''
        for x0, y0, dx, dy in PASSES:
            for y in range(y0, h, dy):
                xs = range(x0, w, dx)
                if len(xs):
                    raw += b'\0' + b''.join(struct.pack(fmt, *stored(px[y][x])) for x in xs)
        name = 'diff_ct%d_%d' % (ct, depth)
        data = b'\x8aMNG\r\n\x1a\n' + chunk(b'MHDR', struct.pack('>7I', w, h, 1, 0, 0, 0, 1))
        data += chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, ct, 0, 64, 1))
        data += split_idat(zlib.compress(raw)) + chunk(b'IEND', b'') + chunk(b'MEND', b'')
        open(folder + '/' + name + '.mng', 'wb').write(data)
        shift = depth - 8
        write_expect(name, [p[c] >> shift for row in px for p in row for c in range(3)], [],
                     [p[3] >> shift for row in px for p in row] if channels == 4 else [])
        names.append(name + '.mng')
open(folder + '/names.txt', 'w').write(' '.join(names))
)";

struct Expected {
  std::vector<int> Rgb, Grey16, Alpha;
};

Expected ReadExpected(const std::string& path) {
  Expected e;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    std::vector<int>& into = key == "rgb" ? e.Rgb : key == "grey16" ? e.Grey16 : e.Alpha;
    for (int v; words >> v;) into.push_back(v);
  }
  return e;
}

}  // namespace

TEST(PngPasses, FilteredInterlacedPassesAndMngDifferencesReadWithTheirAlpha) {
  TempFolder folder;
  int status = 0;
  const std::string out = RunPython(folder, kPassWriter, folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  std::ifstream list(folder.File("names.txt"));
  int files = 0;
  for (std::string name; list >> name; ++files) {
    SCOPED_TRACE(name);
    const Expected e = ReadExpected(folder.File(name.substr(0, name.size() - 4) + ".expect"));
    TPNGLoader loader;
    loader.KeepAlpha = 1;
    TLinearBitmap b;
    loader.LoadFromFile(folder.File(name), name.substr(name.size() - 3) == "mng" ? "MNG" : "PNG", b);
    EXPECT_EQ(RgbValues(b), e.Rgb);
    if (!e.Grey16.empty()) {
      ASSERT_EQ(b.PixelFormat, pf16Grey);
      std::vector<int> grey16;
      for (int32_t i = 0; i < b.Size; i += 2) grey16.push_back(b.Map[i] | b.Map[i + 1] << 8);
      EXPECT_EQ(grey16, e.Grey16);
    }
    if (e.Alpha.empty()) {
      EXPECT_FALSE(loader.AlphaBitmap);
      continue;
    }
    ASSERT_TRUE(loader.AlphaBitmap);
    EXPECT_EQ(std::vector<int>(loader.AlphaBitmap->Map.begin(), loader.AlphaBitmap->Map.begin() + loader.AlphaBitmap->Size),
              e.Alpha);
  }
  EXPECT_EQ(files, 15 * 3 + 4);
}
