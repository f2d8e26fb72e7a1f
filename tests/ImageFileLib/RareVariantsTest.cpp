// Icon, cursor, PCX and bitmap files in the variants each reader takes, laid
// out byte by byte by a Python script, and read against Pillow's decoding of
// the same files (or, where Pillow refuses a legal file, against the pixels
// the script encoded).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "ImageFileLib/IconFile.h"
#include "ImageFileLib/PcxLoader.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

// Writes the files into argv[1]; for each NAME an "NAME.expect" holds
// "width height" and then R, G, B (and A for icons) of every pixel, top row
// first. Icons have one expectation per image: "NAME.I.expect".
const char* const kVariantWriter = R"(import struct, sys, random, io
from PIL import Image
folder = sys.argv[1]
random.seed(11)

def expect(name, im, alpha=False):
    if im.mode.startswith('I'):  # 16-bit grey: its high byte, as an 8-bit grey shows it
        vals = [v >> 8 for p in im.getdata() for v in (p, p, p)]
    else:
        im = im.convert('RGBA' if alpha else 'RGB')
        vals = [v for p in im.getdata() for v in p]
    open(folder + '/' + name + '.expect', 'w').write(' '.join(map(str, [im.size[0], im.size[1]] + vals)))

def expect_values(name, w, h, vals):
    open(folder + '/' + name + '.expect', 'w').write(' '.join(map(str, [w, h] + vals)))

# Indexes of 1 to 8 bits packed from the high end of each byte.
def pack(idx, bits):
    acc, n, out = 0, 0, []
    for i in idx:
        acc = (acc << bits) | i
        n += bits
        if n == 8:
            out.append(acc); acc = 0; n = 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)

# Icons: 1, 4, 8 and 24 bits, odd sizes, random masks, several per file.
def icon_image(w, h, bits):
    colours = [] if bits == 24 else [(random.randrange(256), random.randrange(256), random.randrange(256)) for _ in range(1 << bits)]
    xor_row = ((w * bits + 31) // 32) * 4
    and_row = ((w + 31) // 32) * 4
    xor = b''
    mask = b''
    for r in range(h):
        if bits == 24:
            row = bytes(random.randrange(256) for _ in range(3 * w))
        else:
            row = pack([random.randrange(1 << bits) for _ in range(w)], bits)
        xor += row + b'\0' * (xor_row - len(row))
        m = [random.random() < 0.3 for _ in range(w)]
        mb = []
        for k in range(0, w, 8):
            byte = 0
            for j in range(8):
                byte = (byte << 1) | (1 if k + j < w and m[k + j] else 0)
            mb.append(byte)
        mask += bytes(mb) + b'\0' * (and_row - len(mb))
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in colours)
    header = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, bits, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + pal + xor + mask

def icon_file(kind, images, fields):
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    body = b''
    for (w, h, bits, data), (f1, f2) in zip(images, fields):
        count = (1 << bits) & 255 if bits < 8 else 0
        out += struct.pack('<BBBBHHII', w, h, count, 0, f1, f2, len(data), offset)
        offset += len(data)
        body += data
    return out + body

sizes = [(13, 7, 1), (16, 16, 4), (9, 11, 4), (33, 5, 8), (7, 9, 24), (32, 32, 24)]
images = [(w, h, b, icon_image(w, h, b)) for (w, h, b) in sizes]
open(folder + '/multi.ico', 'wb').write(icon_file(1, images, [(1, b) for (_, _, b, _) in images]))
# Pillow orders a file's images by size: each is decoded from a file of its own.
for i, image in enumerate(images):
    open(folder + '/single.ico', 'wb').write(icon_file(1, [image], [(1, image[2])]))
    expect('multi.ico.%d' % i, Image.open(folder + '/single.ico').ico.frame(0), True)
cursor = [images[3]]
open(folder + '/arrow.cur', 'wb').write(icon_file(2, cursor, [(5, 6)]))
# Pillow opens only icons: the same bytes as type 1 give the expectation.
open(folder + '/arrow_as.ico', 'wb').write(icon_file(1, cursor, [(1, 8)]))
expect('arrow.cur.0', Image.open(folder + '/arrow_as.ico').ico.frame(0), True)

# Icons as Pillow writes them from palette, grey and two-level pictures;
# 32 wide, since Pillow leaves the mask rows of other widths unpadded.
pic = Image.new('RGB', (32, 12))
pic.putdata([((x * 13) % 256, (y * 29) % 256, (x * y) % 256) for y in range(12) for x in range(32)])
for name, im in [('pil_p', pic.convert('P', palette=Image.ADAPTIVE, colors=12)), ('pil_l', pic.convert('L')),
                 ('pil_1', pic.convert('1'))]:
    im.save(folder + '/' + name + '.ico', sizes=[(32, 12)], bitmap_format='bmp')
    expect(name + '.ico.0', Image.open(folder + '/' + name + '.ico').ico.frame(0), True)

# Entries this reader does not take: 32-bit colour and PNG-compressed images.
rgba = Image.new('RGBA', (16, 16), (10, 20, 30, 128))
rgba.save(folder + '/png.ico', sizes=[(16, 16)])
rgba.save(folder + '/bgra.ico', sizes=[(16, 16)], bitmap_format='bmp')

# PCX as Pillow writes it: odd widths pad each plane row to an even count.
w, h = 13, 5
rgb = Image.new('RGB', (w, h))
rgb.putdata([(random.randrange(256), random.randrange(4) * 60, (x * y * 7) % 256) for y in range(h) for x in range(w)])
# Pillow reads back its own three-plane files of width 3 wrongly (it takes
# the padding for a fourth plane), so the expectation is the picture saved.
for name, im in [('rgb', rgb), ('grey', rgb.convert('L')), ('pal', rgb.convert('P', palette=Image.ADAPTIVE, colors=7)),
                 ('dot', rgb.crop((0, 0, 3, 1))), ('col', rgb.crop((4, 0, 7, 5)))]:
    im.save(folder + '/' + name + '.pcx')
    expect(name + '.pcx', im)
rgb.convert('1').save(folder + '/mono.pcx')

# PCX with runs across row and plane ends, a run count of 0, an origin away
# from 0, 0 and padding: legal files Pillow's decoder refuses, so the
# expectation is the pixels encoded.
def runs(data):
    out = b''
    i = 0
    while i < len(data):
        n = 1
        while i + n < len(data) and n < 63 and data[i + n] == data[i]:
            n += 1
        if n == 1 and data[i] < 192:
            out += bytes([data[i]])
        else:
            out += bytes([192 + n, data[i]])
        i += n
    return out

def pcx_header(planes, w, h, bpl, x0, y0):
    head = struct.pack('<BBBBHHHHHH', 10, 5, 1, 8, x0, y0, x0 + w - 1, y0 + h - 1, 72, 72)
    head += b'\0' * 48 + b'\0' + bytes([planes]) + struct.pack('<HH', bpl, 1)
    return head + b'\0' * (128 - len(head))

w, h, bpl = 5, 4, 6
idx = [[(x // 2 + y) % 3 for x in range(bpl)] for y in range(h)]
for y in range(h):
    idx[y][bpl - 1] = idx[(y + 1) % h][0]  # padding that continues the next row's run
flat = bytes(v for row in idx for v in row)
palette = bytes(random.randrange(256) for _ in range(768))
data = runs(flat)
# A run of count 0 stands for one byte: replace the file's first single byte.
k = next(i for i in range(len(data)) if data[i] < 192 and (i == 0 or data[i - 1] < 192))
data = data[:k] + bytes([192, data[k]]) + data[k + 1:]
open(folder + '/across.pcx', 'wb').write(pcx_header(1, w, h, bpl, 2, 3) + data + b'\x0c' + palette)
expect_values('across.pcx', w, h, [palette[3 * idx[y][x] + c] for y in range(h) for x in range(w) for c in range(3)])

w, h, bpl = 3, 3, 4
pix = [[(random.choice([7, 9]), random.choice([7, 9]), random.choice([9, 250])) for x in range(w)] for y in range(h)]
flat = b''
for y in range(h):
    for c in range(3):
        flat += bytes(pix[y][x][c] for x in range(w)) + bytes([9])
open(folder + '/across24.pcx', 'wb').write(pcx_header(3, w, h, bpl, 0, 0) + runs(flat))
expect_values('across24.pcx', w, h, [v for row in pix for p in row for v in p])

# Bitmaps of the rarer kinds: 1 and 4 bits at odd widths with colour
# palettes, top-down 4 bits, 16 bits without masks (5-5-5), a short palette,
# run-length coding with runs, absolute runs, deltas and line ends, 24 bits
# with a long colour table.
def bmp(w, h, bits, rows_or_data, palette, compression=0, used=0):
    if compression == 0:
        stride = ((w * bits + 31) // 32) * 4
        data = b''.join(r + b'\0' * (stride - len(r)) for r in rows_or_data)
    else:
        data = rows_or_data
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, compression, len(data), 2835, 2835, used, 0)
    off = 14 + 40 + len(pal)
    return b'BM' + struct.pack('<IHHI', off + len(data), 0, 0, off) + info + pal + data

def rand_pal(n):
    return [(random.randrange(256), random.randrange(256), random.randrange(256)) for _ in range(n)]

cases = {}
w, h = 33, 5
cases['one'] = bmp(w, h, 1, [pack([random.randrange(2) for _ in range(w)], 1) for _ in range(h)], rand_pal(2))
w, h = 9, 6
cases['four'] = bmp(w, h, 4, [pack([random.randrange(16) for _ in range(w)], 4) for _ in range(h)], rand_pal(16))
t = bytearray(bmp(w, -h, 4, [pack([random.randrange(16) for _ in range(w)], 4) for _ in range(h)], rand_pal(16)))
cases['four_topdown'] = bytes(t)
w, h = 7, 3
cases['short_pal'] = bmp(w, h, 8, [bytes(random.randrange(20) for _ in range(w)) for _ in range(h)], rand_pal(20), used=20)
cases['rgb555'] = bmp(w, h, 16, [b''.join(struct.pack('<H', random.randrange(32768)) for _ in range(w)) for _ in range(h)], [])
# RLE8 9 x 4: bottom row a run and an odd absolute run, a delta over part of
# row 1 (left as index 0), row 2 by end of line, row 3 a run.
rle8 = bytes([4, 17, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 3, 9, 0, 2, 4, 1, 2, 33, 0, 0, 9, 8, 0, 1])
pal8 = rand_pal(256)
cases['rle8'] = bmp(9, 4, 8, rle8, pal8, compression=1)
# RLE4 7 x 3: alternating run, absolute run of 5 (3 bytes, padded), end of line, delta.
rle4 = bytes([7, 0x1F, 0, 0, 0, 5, 0x23, 0x45, 0x60, 0, 0, 0, 0, 2, 2, 0, 3, 0xAB, 0, 1])
pal4 = rand_pal(16)
cases['rle4'] = bmp(7, 3, 4, rle4, pal4, compression=2)
# 24 bits with a colour table longer than 256 entries, kept for palette displays.
w, h = 5, 3
cases['rgb_table'] = bmp(w, h, 24, [bytes(random.randrange(256) for _ in range(3 * w)) for _ in range(h)], rand_pal(300), used=300)
for name, data in cases.items():
    open(folder + '/' + name + '.bmp', 'wb').write(data)
    if not name.startswith('rle'):
        expect(name + '.bmp', Image.open(folder + '/' + name + '.bmp'))
# Pillow's run-length decoder misreads deltas and odd absolute runs: the
# expectation is the indexes worked out by hand, top row first.
rows8 = [[8] * 9, [0] * 7 + [33, 33], [9, 9, 9] + [0] * 6, [17] * 4 + [1, 2, 3, 4, 5]]
rows4 = [[0, 0, 10, 11, 10, 0, 0], [2, 3, 4, 5, 6, 0, 0], [1, 15, 1, 15, 1, 15, 1]]
for name, rows, pal in [('rle8', rows8, pal8), ('rle4', rows4, pal4)]:
    expect_values(name + '.bmp', len(rows[0]), len(rows), [v for row in rows for i in row for v in pal[i]])

# PNG of every colour type and bit depth, plain and interlaced, some with a
# transparent colour; rows unfiltered, samples random.
import zlib
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xFFFFFFFF)

def png(name, w, h, ct, depth, interlace, trns=None):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ct]
    top = (1 << depth) - 1
    samples = [[[random.randint(0, top) for _ in range(channels)] for x in range(w)] for y in range(h)]
    def row_bytes(px):
        if depth < 8:
            return pack([p[0] for p in px], depth)
        fmt = '>%d%s' % (len(px) * channels, 'B' if depth == 8 else 'H')
        return struct.pack(fmt, *[v for p in px for v in p])
    raw = b''
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)] if interlace else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        for y in range(y0, h, dy):
            px = [samples[y][x] for x in range(x0, w, dx)]
            if px:
                raw += b'\0' + row_bytes(px)
    out = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, ct, 0, 0, interlace))
    if ct == 3:
        out += chunk(b'PLTE', bytes(random.randrange(256) for _ in range(3 << depth)))
    if trns is not None:
        out += chunk(b'tRNS', trns)
    out += chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')
    open(folder + '/' + name + '.png', 'wb').write(out)
    expect(name + '.png', Image.open(folder + '/' + name + '.png'))

pngs = []
for ct, depths in [(0, (1, 2, 4, 8, 16)), (2, (8, 16)), (3, (1, 2, 4, 8)), (4, (8, 16)), (6, (8, 16))]:
    for depth in depths:
        for interlace in (0, 1):
            name = 'ct%d_%d_%s' % (ct, depth, 'adam7' if interlace else 'plain')
            png(name, 11, 7, ct, depth, interlace)
            pngs.append(name)
png('grey_trns', 9, 5, 0, 4, 0, struct.pack('>H', 3))
png('rgb_trns', 9, 5, 2, 8, 1, struct.pack('>HHH', 1, 2, 3))
png('pal_trns', 9, 5, 3, 2, 0, bytes([255, 0, 128]))
png('tiny_adam7', 1, 1, 2, 16, 1)
png('thin_adam7', 3, 9, 3, 4, 1)
# A single-image MNG: the header chunks around a PNG image whose samples are
# stored as differences from green (filter method 64).
def mng(name, w, h, depth):
    top = (1 << depth) - 1
    px = [[[random.randint(0, top) for _ in range(3)] for x in range(w)] for y in range(h)]
    fmt = '>%d%s' % (3 * w, 'B' if depth == 8 else 'H')
    raw = b''.join(b'\0' + struct.pack(fmt, *[v for r, g, b in row for v in ((r - g) & top, g, (b - g) & top)]) for row in px)
    out = b'\x8aMNG\r\n\x1a\n' + chunk(b'MHDR', struct.pack('>7I', w, h, 1, 0, 0, 0, 1))
    out += chunk(b'DEFI', struct.pack('>H', 0))
    out += chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, 2, 0, 64, 0))
    out += chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'') + chunk(b'MEND', b'')
    open(folder + '/' + name + '.mng', 'wb').write(out)
    expect_values(name + '.mng', w, h, [v >> (depth - 8) for row in px for p in row for v in p])

mng('diff8', 7, 4, 8)
mng('diff16', 5, 3, 16)
open(folder + '/pngs.txt', 'w').write(' '.join(pngs + ['grey_trns', 'rgb_trns', 'pal_trns', 'tiny_adam7', 'thin_adam7']))
)";

struct Expected {
  int32_t Width = 0, Height = 0;
  std::vector<int> Values;
};

Expected ReadExpected(const std::string& path) {
  Expected e;
  std::ifstream in(path);
  in >> e.Width >> e.Height;
  int v;
  while (in >> v) e.Values.push_back(v);
  return e;
}

class RareVariants : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    int status = 0;
    const std::string out = RunPython(*folder_, kVariantWriter, folder_->Path().string(), status);
    ASSERT_EQ(status, 0) << out;
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string File(const std::string& name) { return folder_->File(name); }
  static TempFolder* folder_;
};
TempFolder* RareVariants::folder_ = nullptr;

// Pillow's RGBA reading of an icon image as our reader shows it: pixels the
// mask clears take the transparent colour (red in the low byte).
std::vector<int> PillowIconValues(const std::vector<int>& rgba, uint32_t transparent) {
  std::vector<int> out;
  for (size_t k = 0; 4 * k + 3 < rgba.size(); ++k)
    for (int c = 0; c < 3; ++c)
      out.push_back(rgba[4 * k + 3] == 0 ? int(transparent >> (8 * c) & 255) : rgba[4 * k + static_cast<size_t>(c)]);
  return out;
}

}  // namespace

TEST_F(RareVariants, EveryImageOfAnIconOrCursorReadsAsPillowReadsIt) {
  const uint32_t transparent = 0x123456;
  for (const auto& [name, count] : std::vector<std::pair<std::string, int>>{{"multi.ico", 6}, {"arrow.cur", 1}, {"pil_p.ico", 1}, {"pil_l.ico", 1}, {"pil_1.ico", 1}}) {
    for (int i = 0; i < count; ++i) {
      SCOPED_TRACE(name + " image " + std::to_string(i));
      const Expected e = ReadExpected(File(name + "." + std::to_string(i) + ".expect"));
      TICOLoader loader;
      loader.TransparentColor = transparent;
      loader.SelectImage = [&](const TIconList& list, int32_t& index, uint32_t&) {
        EXPECT_EQ(list.Count(), count);
        index = i;
        return true;
      };
      const TLinearBitmap b = FromBytes(loader, ReadFileBytes(File(name)), "ICO");
      ASSERT_EQ(b.Width, e.Width);
      ASSERT_EQ(b.Height, e.Height);
      EXPECT_EQ(RgbValues(b), PillowIconValues(e.Values, transparent));
      if (name == "arrow.cur") {
        EXPECT_EQ(loader.HotspotX, 5);
        EXPECT_EQ(loader.HotspotY, 6);
      }
    }
  }
}

TEST_F(RareVariants, IconEntriesThisReaderDoesNotTakeAreRefusedWithTheirReason) {
  TICOLoader loader;
  loader.NoSelection = 1;
  EXPECT_EQ(ErrorOf([&] { FromBytes(loader, ReadFileBytes(File("png.ico")), "ICO"); }), "Size mismatch in icon 0");
  EXPECT_EQ(ErrorOf([&] { FromBytes(loader, ReadFileBytes(File("bgra.ico")), "ICO"); }), "Unsupported pixel format");
}

TEST_F(RareVariants, PcxFilesReadAsPillowOrTheirEncoderHasThem) {
  for (const char* name : {"rgb.pcx", "grey.pcx", "pal.pcx", "dot.pcx", "col.pcx", "across.pcx", "across24.pcx"}) {
    SCOPED_TRACE(name);
    const Expected e = ReadExpected(File(std::string(name) + ".expect"));
    TLinearBitmap b;
    b.LoadFromFile(File(name));
    ASSERT_EQ(b.Width, e.Width);
    ASSERT_EQ(b.Height, e.Height);
    EXPECT_EQ(RgbValues(b), e.Values);
  }
  TLinearBitmap mono;
  EXPECT_EQ(ErrorOf([&] { mono.LoadFromFile(File("mono.pcx")); }), "Unsupported file format");
}

TEST_F(RareVariants, PngOfEveryColourTypeAndDepthReadsAsPillowReadsItAndMngUndoesItsDifferences) {
  std::ifstream list(File("pngs.txt"));
  std::string name;
  int files = 0;
  while (list >> name) {
    SCOPED_TRACE(name);
    ++files;
    const Expected e = ReadExpected(File(name + ".png.expect"));
    TLinearBitmap b;
    b.LoadFromFile(File(name + ".png"));
    ASSERT_EQ(b.Width, e.Width);
    ASSERT_EQ(b.Height, e.Height);
    EXPECT_EQ(RgbValues(b), e.Values);
  }
  EXPECT_EQ(files, 35);
  for (const char* mng : {"diff8.mng", "diff16.mng"}) {
    SCOPED_TRACE(mng);
    const Expected e = ReadExpected(File(std::string(mng) + ".expect"));
    TLinearBitmap b;
    b.LoadFromFile(File(mng));
    ASSERT_EQ(b.Width, e.Width);
    EXPECT_EQ(RgbValues(b), e.Values);
  }
}

TEST_F(RareVariants, RarerBitmapKindsReadAsPillowReadsThem) {
  // 5-bit fields: Pillow scales by 255/31, we repeat the top bits.
  const std::pair<const char*, int> cases[] = {{"one", 0},       {"four", 0}, {"four_topdown", 0}, {"short_pal", 0},
                                               {"rgb555", 1},    {"rle8", 0}, {"rle4", 0},        {"rgb_table", 0}};
  for (const auto& [name, tolerance] : cases) {
    SCOPED_TRACE(name);
    const Expected e = ReadExpected(File(std::string(name) + ".bmp.expect"));
    TLinearBitmap b;
    ASSERT_EQ(ErrorOf([&] { b.LoadFromFile(File(std::string(name) + ".bmp")); }), "");
    ASSERT_EQ(b.Width, e.Width);
    ASSERT_EQ(b.Height, e.Height);
    const std::vector<int> ours = RgbValues(b);
    ASSERT_EQ(ours.size(), e.Values.size());
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(ours[i] - e.Values[i]));
    EXPECT_LE(worst, tolerance);
  }
}

// Every cut of an icon, cursor or run-length bitmap is refused with a message;
// no cut or single flipped bit of any file crashes a reader or throws
// anything but the library's errors.
TEST_F(RareVariants, CutOrFlippedFilesGiveErrorsNeverCrashes) {
  const std::pair<const char*, bool> files[] = {{"multi.ico", true},  {"arrow.cur", true},     {"rle8.bmp", true},
                                                {"rle4.bmp", true},   {"across.pcx", false},   {"across24.pcx", false},
                                                {"ct3_2_adam7.png", true}};
  TICOLoader icons;
  icons.NoSelection = 1;
  for (const auto& [name, every_cut_fails] : files) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> whole = ReadFileBytes(File(name));
    const std::string ext = UpperCase(FileExtension(name));
    TBitmapLoader& loader = ext == "ICO" || ext == "CUR" ? icons : BitmapLoaders().FindLoadLoader(ext);
    ASSERT_EQ(ErrorOf([&] { FromBytes(loader, whole, ext); }), "");
    for (size_t n = 0; n < whole.size(); ++n) {
      const std::string error = ErrorOf([&] { FromBytes(loader, {whole.begin(), whole.begin() + long(n)}, ext); });
      if (every_cut_fails) {
        EXPECT_NE(error, "") << "cut at " << n;
      }
    }
    for (size_t bit = 0; bit < std::min<size_t>(whole.size(), 160) * 8; ++bit) {
      auto flipped = whole;
      flipped[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
      ErrorOf([&] { FromBytes(loader, flipped, ext); });
    }
  }
}
