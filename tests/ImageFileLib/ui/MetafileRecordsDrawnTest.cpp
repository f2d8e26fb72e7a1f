// Metafile records drawn through the installed painter, in files a Python
// script writes record by record: the window and viewport moved or scaled
// part way through (a red rectangle lands where the device context's
// arithmetic puts it, worked out by hand), the arc direction, one-byte texts
// in the Windows code page, and letters mapped to less than a pixel.
#include <gtest/gtest.h>

#include "ImageFileLib/ui/MetafilePainter.h"
#include "../ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

const char* const kMappingWriter = R"PY(# One red rectangle (null pen) per file, after the mapping records.
import struct, sys
out = sys.argv[1]
RED = 220 | 20 << 8 | 30 << 16

def wmf(name, records, placeable=None):
    pen_and_brush = [(0x02FA, struct.pack('<5H', 5, 0, 0, 0, 0)), (0x012D, struct.pack('<H', 0)),
                     (0x02FC, struct.pack('<HIH', 0, RED, 0)), (0x012D, struct.pack('<H', 1))]
    records = records[:-1] + pen_and_brush + records[-1:]  # the rectangle comes last
    recs = [struct.pack('<IH', 3 + len(body) // 2, fn) + body for fn, body in records]
    data = b''.join(recs) + struct.pack('<IH', 3, 0)
    head = struct.pack('<HHHIHIH', 1, 9, 0x300, 9 + len(data) // 2, 2, max(len(r) for r in recs) // 2, 0)
    pre = b''
    if placeable:
        inch = placeable[2] if len(placeable) > 2 else 96
        p = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, placeable[0], placeable[1], inch, 0)
        ck = 0
        for i in range(10): ck ^= struct.unpack_from('<H', p, 2 * i)[0]
        pre = p + struct.pack('<H', ck)
    open(out + '/' + name, 'wb').write(pre + head + data)

def w(fn, *words): return (fn, b''.join(struct.pack('<h', v) for v in words))
def rect(l, t, r, b): return w(0x041B, b, r, t, l)

def emf(name, size, records):
    recs = [struct.pack('<II', t, 8 + len(p)) + p for t, p in records]
    recs = [struct.pack('<III', 37, 12, 0x80000008),
            struct.pack('<IIIIII', 39, 24, 1, 0, RED, 0), struct.pack('<III', 37, 12, 1)] + recs
    body = b''.join(recs) + struct.pack('<IIIII', 14, 20, 0, 16, 20)
    head = struct.pack('<II4i4iIIIIHHIII', 1, 88, 0, 0, size[0] - 1, size[1] - 1, 0, 0, 2646, 2646, 0x464D4520,
                       0x10000, 88 + len(body), len(recs) + 2, 2, 0, 0, 0, 0) + struct.pack('<4i', 1024, 768, 271, 203)
    open(out + '/' + name, 'wb').write(head + body)

def e(t, *ints): return (t, struct.pack('<%di' % len(ints), *ints))
def erect(l, t, r, b): return e(43, l, t, r, b)
anisotropic = [e(17, 8), e(9, 100, 100), e(11, 100, 100)]

# OFFSETWINDOWORG (y, x) moves the window's origin by (-20, -10) in a plain WMF of a 100 x 100 window.
wmf('offset.wmf', [w(0x020B, 0, 0), w(0x020C, 100, 100), w(0x020F, -10, -20), rect(0, 0, 20, 20)])
# Twice, back and forth: the second undoes the first.
wmf('offset2.wmf', [w(0x020C, 100, 100), w(0x020F, 30, 30), w(0x020F, -30, -30), rect(0, 0, 20, 20)])
# SCALEWINDOWEXT (y denominator, y numerator, x denominator, x numerator) doubles the window of a
# placeable 100 x 100 picture: logical 100 is now half the picture.
wmf('scale.wmf', [w(0x020B, 0, 0), w(0x020C, 100, 100), w(0x0410, 1, 2, 1, 2), rect(0, 0, 100, 100)], (100, 100))
# A plain WMF takes its picture size from the scaled window: 100 x 50 scaled x 1/2 is 50 x 50.
wmf('plainscale.wmf', [w(0x020C, 50, 100), w(0x0410, 1, 1, 2, 1), rect(0, 0, 25, 25)])
# Whole units: 100 * 1 / 3 is 33.
wmf('third.wmf', [w(0x020C, 100, 100), w(0x0410, 1, 1, 3, 1), rect(0, 0, 10, 10)])
# A zero denominator fails the call and leaves the window as it was.
wmf('zero.wmf', [w(0x020C, 100, 100), w(0x0410, 0, 5, 0, 5), rect(0, 0, 20, 20)], (100, 100))
# SCALEVIEWPORTEXTEX (x numerator, x denominator, y numerator, y denominator) halves the viewport.
emf('scalevp.emf', (100, 100), anisotropic + [e(31, 1, 2, 1, 2), erect(0, 0, 100, 100)])
# SCALEWINDOWEXTEX doubles the window across only: x to half, y as it was.
emf('scalewin.emf', (100, 100), anisotropic + [e(32, 2, 1, 1, 1), erect(20, 20, 60, 60)])
# The scaling outside the scalable mapping modes is kept but changes nothing.
emf('text.emf', (100, 100), [e(32, 2, 1, 2, 1), erect(20, 20, 60, 60)])
# Zero denominators leave the viewport.
emf('zero.emf', (100, 100), anisotropic + [e(31, 1, 0, 1, 0), erect(0, 0, 20, 20)])

# The same signs as one-byte text in the Windows code page (WMF EXTTEXTOUT, EMF EXTTEXTOUTA) and as
# UTF-16 (EMF EXTTEXTOUTW), black on white at (10, 10) in letters 30 pixels high.
signs = '\u20ac\u2013\u2122\u201c\u0160'
ansi = signs.encode('cp1252')
face16 = b'DejaVu Sans'.ljust(32, b'\0')
wmf('signs.wmf', [w(0x020C, 60, 160), (0x02FB, struct.pack('<5h', -30, 0, 0, 0, 400) + bytes(8) + face16),
                  w(0x012D, 0), w(0x0102, 1), (0x0A32, struct.pack('<4h', 10, 10, len(ansi), 0) + ansi + b'\0' * (len(ansi) % 2))],
    (160, 60))
def emf_text(name, kind, text):
    face = 'DejaVu Sans'.encode('utf-16-le').ljust(64, b'\0')
    chars = len(text) // (2 if kind == 84 else 1)
    text += b'\0' * (-len(text) % 4)
    emf(name, (160, 60), [(82, struct.pack('<I5i8B', 1, -30, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0) + face),
                          e(37, 1), e(18, 1),
                          (kind, struct.pack('<4iIff', 0, 0, 0, 0, 1, 1.0, 1.0)
                           + struct.pack('<iiIIi4iI', 10, 10, chars, 76, 0, 0, 0, 0, 0, 0) + text)])
emf_text('signsA.emf', 83, ansi)
emf_text('signsW.emf', 84, signs.encode('utf-16-le'))

# A red pie in the box (10, 10)-(90, 90) from the ray through its right edge (90, 50) to the ray
# through its top (50, 10): counter-clockwise the top right quarter, after SETARCDIRECTION
# clockwise (2) the other three; back to counter-clockwise (1), the quarter again. SAVEDC keeps
# the direction and RESTOREDC brings it back.
pie = e(47, 10, 10, 90, 90, 90, 50, 50, 10)
emf('pie.emf', (100, 100), [pie])
emf('pieclockwise.emf', (100, 100), [e(57, 2), pie])
emf('pieback.emf', (100, 100), [e(57, 2), e(57, 1), pie])
emf('pierestored.emf', (100, 100), [e(33), e(57, 2), e(34, -1), pie])

# Black letters "HIH" at (20, 20) pixels in a placeable 100 x 100 picture of 0.01-pixel units:
# a font of 50 units is half a pixel high, one of 1000 units ten pixels, one of 0 the default.
for height, name in [(-50, 'halfpixel'), (-1000, 'tenpixels'), (0, 'default')]:
    font = struct.pack('<5h', height, 0, 0, 0, 400) + bytes(8) + b'DejaVu Sans'.ljust(32, b'\0')
    wmf(name + '.wmf', [w(0x020C, 10000, 10000), (0x02FB, font), w(0x012D, 0), w(0x0102, 1),
                        (0x0A32, struct.pack('<4h', 2000, 2000, 3, 0) + b'HIH\0')], (10000, 10000, 9600))
)PY";

struct Box {
  int width, height, x0, x1, y0, y1;  // the picture, and the red pixels' inclusive box
  bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << b.width << "x" << b.height << " ink x " << b.x0 << ".." << b.x1 << " y " << b.y0 << ".." << b.y1;
}

// The box of the pixels of one colour (red in the low byte).
Box InkBox(const TLinearBitmap& b, uint32_t colour = 220 | 20 << 8 | 30 << 16) {
  Box box{b.Width, b.Height, b.Width, -1, b.Height, -1};
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) {
      const uint8_t* p = b.PixelFormat == pf8Bit ? &b.Palette[3 * b.ScanLine(y)[x]] : b.ScanLine(y) + 3 * x;
      if ((uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16) == colour)
        box.x0 = std::min(box.x0, x), box.x1 = std::max(box.x1, x), box.y0 = std::min(box.y0, y),
        box.y1 = std::max(box.y1, y);
    }
  return box;
}

class MetafileRecordsDrawn : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InstallMetafilePainter();
    folder_ = new TempFolder;
    int status = 0;
    const std::string said = RunPython(*folder_, kMappingWriter, folder_->Path().string(), status);
    ASSERT_EQ(status, 0) << said;
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static TLinearBitmap Load(const std::string& name) {
    TLinearBitmap b;
    EXPECT_EQ(ErrorOf([&] { b.LoadFromFile(folder_->File(name)); }), "") << name;
    return b;
  }
  static TempFolder* folder_;
};

TempFolder* MetafileRecordsDrawn::folder_ = nullptr;

}  // namespace

TEST_F(MetafileRecordsDrawn, OffsetAndScaleRecordsMoveWhatIsDrawnAfterThem) {
  const struct {
    const char* name;
    Box want;
  } cases[] = {
      {"offset.wmf", {100, 100, 20, 39, 10, 29}},   {"offset2.wmf", {100, 100, 0, 19, 0, 19}},
      {"scale.wmf", {100, 100, 0, 49, 0, 49}},      {"plainscale.wmf", {50, 50, 0, 24, 0, 24}},
      {"third.wmf", {33, 100, 0, 9, 0, 9}},         {"zero.wmf", {100, 100, 0, 19, 0, 19}},
      {"scalevp.emf", {100, 100, 0, 49, 0, 49}},    {"scalewin.emf", {100, 100, 10, 29, 20, 59}},
      {"text.emf", {100, 100, 20, 59, 20, 59}},     {"zero.emf", {100, 100, 0, 19, 0, 19}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(InkBox(Load(c.name)), c.want);
  }
}

// Sample points of each quarter of the pie's circle (centre 50, 50).
TEST_F(MetafileRecordsDrawn, ArcDirectionChoosesWhichSideOfThePieIsDrawn) {
  const struct {
    const char* name;
    bool clockwise;
  } cases[] = {{"pie.emf", false}, {"pieclockwise.emf", true}, {"pieback.emf", false}, {"pierestored.emf", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TLinearBitmap b = Load(c.name);
    auto red = [&](int x, int y) {
      const uint8_t* p = b.PixelFormat == pf8Bit ? &b.Palette[3 * b.ScanLine(y)[x]] : b.ScanLine(y) + 3 * x;
      return p[2] == 220 && p[1] == 20 && p[0] == 30;
    };
    EXPECT_EQ(red(70, 30), !c.clockwise);  // top right
    EXPECT_EQ(red(30, 30), c.clockwise);   // top left
    EXPECT_EQ(red(30, 70), c.clockwise);   // bottom left
    EXPECT_EQ(red(70, 70), c.clockwise);   // bottom right
  }
}

// The signs the Windows code page puts at 0x80..0x9F (euro, dash, quotes)
// are drawn from one-byte texts as from their UTF-16 twins.
TEST_F(MetafileRecordsDrawn, OneByteTextsAreInTheWindowsCodePage) {
  const TLinearBitmap wide = Load("signsW.emf");
  const Box ink = InkBox(wide, 0);
  ASSERT_GT(ink.x1 - ink.x0, 40) << ink;
  for (const char* name : {"signs.wmf", "signsA.emf"}) {
    SCOPED_TRACE(name);
    const TLinearBitmap b = Load(name);
    ASSERT_EQ(b.Width, wide.Width);
    ASSERT_EQ(b.Height, wide.Height);
    int differ = 0;
    for (int y = 0; y < b.Height; ++y)
      for (int x = 0; x < b.Width; ++x) {
        auto grey = [&](const TLinearBitmap& m) {
          return m.PixelFormat == pf8Bit ? m.Palette[3 * m.ScanLine(y)[x]] : m.ScanLine(y)[3 * x];
        };
        differ += grey(b) != grey(wide);
      }
    EXPECT_EQ(differ, 0);
  }
}

// Letters mapped to less than a pixel stay that small instead of taking the
// default font's size; a font of height 0 is the default one.
TEST_F(MetafileRecordsDrawn, LettersKeepTheirMappedHeight) {
  const Box half = InkBox(Load("halfpixel.wmf"), 0), ten = InkBox(Load("tenpixels.wmf"), 0),
            fallback = InkBox(Load("default.wmf"), 0);
  ASSERT_GE(ten.y1, ten.y0);
  EXPECT_NEAR(ten.y1 - ten.y0 + 1, 7, 1);  // capitals of a 10-pixel font
  EXPECT_LE(half.y1 - half.y0 + 1, 1) << half;
  EXPECT_GT(fallback.y1 - fallback.y0, ten.y1 - ten.y0) << fallback;
}
