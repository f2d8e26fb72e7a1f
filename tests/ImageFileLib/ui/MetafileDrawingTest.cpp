// Metafile drawings made record by record by a Python script (not by our
// writer), drawn through the installed painter and checked against
// independent renderers: libwmf's wmf2gd for WMF, emf2svg-conv's SVG
// rasterised by Qt SVG for EMF, and hand-worked expectations.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include "ImageFileLib/ColorConversion.h"
#include "ImageFileLib/MetafileRecords.h"
#include "ImageFileLib/ui/MetafilePainter.h"
#include "../ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

const char* const kMetafileWriter = R"PY(# Writes metafiles record by record: the same drawing as WMF and as EMF,
# a text drawing, one with nothing to draw, one with unknown records.
import struct, sys
out = sys.argv[1]

def rgb(r, g, b): return r | g << 8 | b << 16

RED, BLUE, GREEN, YELLOW, BLACK = rgb(220, 20, 30), rgb(20, 40, 200), rgb(0, 160, 60), rgb(250, 220, 0), 0

class Wmf:
    def __init__(self): self.recs = []; self.objs = 0
    def rec(self, fn, *words, raw=b''):
        body = b''.join(struct.pack('<h' if w < 0 else '<H', w) for w in words) + raw
        assert len(body) % 2 == 0
        self.recs.append(struct.pack('<IH', 3 + len(body) // 2, fn) + body)
    def colour(self, c): return (c & 0xFFFF, c >> 16)
    def save(self, name, w, h, inch=96, placeable=True):
        data = b''.join(self.recs) + struct.pack('<IH', 3, 0)
        biggest = max(len(r) for r in self.recs) // 2
        head = struct.pack('<HHHIHIH', 1, 9, 0x300, 9 + len(data) // 2, self.objs, biggest, 0)
        pre = b''
        if placeable:
            p = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, w, h, inch, 0)
            ck = 0
            for i in range(10): ck ^= struct.unpack_from('<H', p, 2 * i)[0]
            pre = p + struct.pack('<H', ck)
        open(out + '/' + name, 'wb').write(pre + head + data)

GREY = rgb(240, 240, 240)

def wmf_shapes():
    m = Wmf()
    m.rec(0x020B, 0, 0)                 # SETWINDOWORG y x
    m.rec(0x020C, 120, 200)             # SETWINDOWEXT y x
    m.rec(0x02FA, 5, 0, 0, *m.colour(0)); m.objs += 1        # null pen: slot 0
    m.rec(0x012D, 0)
    for slot, (colour, record, args) in enumerate([
            (GREY, 0x041B, (120, 200, 0, 0)),                # RECTANGLE bottom right top left
            (RED, 0x041B, (60, 90, 10, 10)),
            (BLUE, 0x0418, (70, 190, 10, 110)),              # ELLIPSE
            (YELLOW, 0x0324, (3, 20, 110, 80, 110, 50, 75))]):  # POLYGON
        m.rec(0x02FC, 0, *m.colour(colour), 0); m.objs += 1
        m.rec(0x012D, slot + 1)
        m.rec(record, *args)
    m.rec(0x02FA, 0, 4, 0, *m.colour(GREEN)); m.objs += 1    # green pen 4 wide
    m.rec(0x012D, 5)
    m.rec(0x0214, 100, 100)             # MOVETO y x
    m.rec(0x0213, 100, 190)             # LINETO y x
    m.rec(0x0626, 4, 0, raw=b'abcd')    # ESCAPE: passed over
    return m

def wmf_palette():
    m = Wmf()
    m.rec(0x020B, 0, 0); m.rec(0x020C, 40, 40)
    m.rec(0x00F7, 0x300, 3, raw=bytes([0, 0, 0, 0, 9, 9, 9, 0, 250, 220, 0, 0])); m.objs += 1   # palette: slot 0
    m.rec(0x0234, 0)                                         # SELECTPALETTE
    m.rec(0x02FA, 5, 0, 0, 0, 0); m.objs += 1                # null pen: slot 1
    m.rec(0x012D, 1)
    m.rec(0x02FC, 0, *m.colour(RED), 0); m.objs += 1         # red brush: slot 2
    m.rec(0x012D, 2)
    m.rec(0x041B, 20, 20, 0, 0)
    m.rec(0x01F0, 2)                                         # DELETEOBJECT frees slot 2
    m.rec(0x02FC, 0, 2, 0x0100, 0)                           # PALETTEINDEX(2): slot 2 again
    m.rec(0x012D, 2)
    m.rec(0x041B, 40, 40, 20, 20)
    m.rec(0x041F, *m.colour(BLUE), 30, 5)                    # SETPIXEL colour y x
    m.save('palette.wmf', 40, 40)
wmf_palette()

m = wmf_shapes(); m.save('shapes.wmf', 200, 120)
# The same drawing in logical units of 1/1440 inch: the picture is still 200 x 120.
def twips():
    m = Wmf()
    m.rec(0x020B, 0, 0); m.rec(0x020C, 1800, 3000)
    m.rec(0x02FA, 5, 0, 0, 0, 0); m.rec(0x012D, 0)
    m.rec(0x02FC, 0, *m.colour(RED), 0); m.rec(0x012D, 1)
    m.rec(0x041B, 900, 1350, 150, 150)
    m.objs = 2
    return m
twips().save('twips.wmf', 3000, 1800, inch=1440)

def wmf_text():
    m = Wmf()
    m.rec(0x020B, 0, 0); m.rec(0x020C, 60, 160)
    # a white ground over the whole frame: libwmf fits what is drawn to the picture
    m.rec(0x02FA, 5, 0, 0, 0, 0); m.rec(0x012D, 0)
    m.rec(0x02FC, 0, *m.colour(rgb(255, 255, 255)), 0); m.rec(0x012D, 1)
    m.rec(0x041B, 60, 160, 0, 0); m.objs = 2
    face = b'DejaVu Sans'.ljust(32, b'\0')
    m.rec(0x02FB, 0xFFD8 - 0x10000 if False else -40, 0, 0, 0, 700, raw=bytes([0, 0, 0, 0, 0, 0, 0, 0]) + face); m.objs += 1
    m.rec(0x012D, 2)
    m.rec(0x0209, *m.colour(BLACK))     # SETTEXTCOLOR
    m.rec(0x0102, 1)                    # SETBKMODE transparent
    s = b'HIH'
    m.rec(0x0A32, 10, 10, len(s), 0, raw=s + b'\0')   # EXTTEXTOUT y x count options
    m.save('text.wmf', 160, 60)
wmf_text()

def wmf_nothing():
    m = Wmf()
    m.rec(0x020B, 0, 0); m.rec(0x020C, 50, 50); m.rec(0x0102, 1); m.rec(0x0209, 0, 0)
    m.save('nothing.wmf', 50, 50)
wmf_nothing()

class Emf:
    def __init__(self): self.recs = []
    def rec(self, t, payload):
        assert len(payload) % 4 == 0
        self.recs.append(struct.pack('<II', t, 8 + len(payload)) + payload)
    def save(self, name, w, h):
        body = b''.join(self.recs) + struct.pack('<IIIII', 14, 20, 0, 16, 20)
        frame = (0, 0, round(w * 2540 / 96), round(h * 2540 / 96))
        head = struct.pack('<II4i4iIIIIHHIII', 1, 88, 0, 0, w - 1, h - 1, *frame, 0x464D4520, 0x10000,
                           88 + len(body), len(self.recs) + 2, 8, 0, 0, 0, 0)
        head += struct.pack('<iiii', 1024, 768, 271, 203)
        open(out + '/' + name, 'wb').write(head + body)

def emf_shapes():
    e = Emf()
    e.rec(37, struct.pack('<I', 0x80000008))                 # stock NULL_PEN
    e.rec(39, struct.pack('<IIII', 6, 0, GREY, 0))
    e.rec(37, struct.pack('<I', 6))
    e.rec(43, struct.pack('<4i', 0, 0, 200, 120))
    e.rec(39, struct.pack('<IIII', 1, 0, RED, 0))            # CREATEBRUSHINDIRECT
    e.rec(37, struct.pack('<I', 1))
    e.rec(43, struct.pack('<4i', 10, 10, 90, 60))            # RECTANGLE
    e.rec(0x7777, b'skip')                                   # a record nobody knows
    e.rec(70, struct.pack('<I', 4) + b'note')                # GDICOMMENT
    e.rec(39, struct.pack('<IIII', 2, 0, BLUE, 0))
    e.rec(37, struct.pack('<I', 2))
    e.rec(40, struct.pack('<I', 1))                          # DELETEOBJECT
    e.rec(42, struct.pack('<4i', 110, 10, 190, 70))          # ELLIPSE
    e.rec(39, struct.pack('<IIII', 4, 0, YELLOW, 0))
    e.rec(37, struct.pack('<I', 4))
    e.rec(86, struct.pack('<4iI', 20, 75, 80, 110, 3) + struct.pack('<6h', 20, 110, 80, 110, 50, 75))  # POLYGON16
    e.rec(38, struct.pack('<IIiiI', 5, 0, 4, 0, GREEN))      # CREATEPEN 4 wide
    e.rec(37, struct.pack('<I', 5))
    e.rec(27, struct.pack('<ii', 100, 100))                  # MOVETOEX
    e.rec(54, struct.pack('<ii', 190, 100))                  # LINETO
    e.save('shapes.emf', 200, 120)
emf_shapes()

def emf_paths():
    e = Emf()
    e.rec(37, struct.pack('<I', 0x80000008))
    e.rec(39, struct.pack('<IIII', 1, 0, GREEN, 0)); e.rec(37, struct.pack('<I', 1))
    e.rec(59, b'')                                           # BEGINPATH
    e.rec(86, struct.pack('<4iI', 0, 0, 0, 0, 4) + struct.pack('<8h', 10, 10, 70, 10, 70, 50, 10, 50))
    e.rec(60, b'')                                           # ENDPATH
    e.rec(62, struct.pack('<4i', 0, 0, 0, 0))                # FILLPATH
    e.rec(39, struct.pack('<IIII', 2, 0, RED, 0)); e.rec(37, struct.pack('<I', 2))
    e.rec(47, struct.pack('<4i2i2i', 80, 10, 140, 70, 140, 40, 110, 10))  # PIE: right then top, counter-clockwise
    e.rec(17, struct.pack('<I', 8))                          # SETMAPMODE anisotropic
    e.rec(9, struct.pack('<ii', 100, 100))                   # SETWINDOWEXTEX
    e.rec(11, struct.pack('<ii', 50, 50))                    # SETVIEWPORTEXTEX: half size
    e.rec(12, struct.pack('<ii', 150, 0))                    # SETVIEWPORTORGEX
    e.rec(39, struct.pack('<IIII', 3, 0, BLUE, 0)); e.rec(37, struct.pack('<I', 3))
    e.rec(43, struct.pack('<4i', 0, 0, 80, 120))             # RECTANGLE: 150..190 x 0..60 on the picture
    e.save('paths.emf', 200, 80)
emf_paths()

def wmf_extreme():
    # one logical unit is the whole picture: every coordinate is far outside
    m = Wmf()
    m.rec(0x020B, 0, 0); m.rec(0x020C, 1, 1)
    m.rec(0x02FA, 1, 0, 0, *m.colour(BLUE)); m.rec(0x012D, 0)            # dashed pen
    m.rec(0x0214, -32768, -32768); m.rec(0x0213, 32767, 32767)
    m.rec(0x02FA, 0, 32767, 0, *m.colour(RED)); m.rec(0x012D, 1)         # a pen wider than everything
    m.rec(0x0817, 32767, -32768, 32767, 32767, -32768, 32767, -32768, 0)  # ARC
    m.rec(0x02FB, -32768, 0, 900, 0, 700, raw=bytes(8) + b'DejaVu Sans'.ljust(32, b'\0')); m.rec(0x012D, 2)
    m.rec(0x0521, 2, raw=b'XY' + struct.pack('<hh', 0, 0))              # TEXTOUT
    m.objs = 3
    m.save('extreme.wmf', 200, 120)
wmf_extreme()

def emf_text():
    e = Emf()
    face = 'DejaVu Sans'.encode('utf-16-le').ljust(64, b'\0')
    e.rec(82, struct.pack('<I5i8B', 1, -40, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0) + face)  # EXTCREATEFONTINDIRECTW
    e.rec(37, struct.pack('<I', 1))
    e.rec(24, struct.pack('<I', BLACK))                      # SETTEXTCOLOR
    e.rec(18, struct.pack('<I', 1))                          # SETBKMODE transparent
    text = 'HIH'.encode('utf-16-le') + b'\0\0'
    e.rec(84, struct.pack('<4iIff', 0, 0, 0, 0, 1, 1.0, 1.0)
          + struct.pack('<iiIIi4iI', 10, 10, 3, 76, 0, 0, 0, 0, 0, 0) + text)  # EXTTEXTOUTW at (10,10)
    e.save('text.emf', 160, 60)
emf_text()
)PY";

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

Rgb At(const TLinearBitmap& b, int x, int y) {
  const uint8_t* p = b.PixelFormat == pf8Bit ? &b.Palette[3 * b.ScanLine(y)[x]] : b.ScanLine(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

Rgb At(const QImage& image, int x, int y) {
  const QRgb c = image.pixel(x, y);
  return {qRed(c), qGreen(c), qBlue(c)};
}

const Rgb kGrey{240, 240, 240}, kRed{220, 20, 30}, kBlue{20, 40, 200}, kYellow{250, 220, 0}, kGreen{0, 160, 60},
    kWhite{255, 255, 255};

// Points well inside each shape of the "shapes" drawing (200 x 120).
const struct {
  int x, y;
  Rgb colour;
  bool in_ellipse, on_line;
} kSamples[] = {{3, 3, kGrey, false, false},        {50, 35, kRed, false, false},
                {15, 15, kRed, false, false},       {150, 40, kBlue, true, false},
                {130, 25, kBlue, true, false},      {50, 100, kYellow, false, false},
                {40, 108, kYellow, false, false},   {150, 100, kGreen, false, true},
                {105, 100, kGreen, false, true},    {195, 115, kGrey, false, false},
                {100, 80, kGrey, false, false},     {98, 35, kGrey, false, false}};

class MetafileDrawing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InstallMetafilePainter();
    folder_ = new TempFolder;
    int status = 0;
    const std::string said = RunPython(*folder_, kMetafileWriter, folder_->Path().string(), status);
    ASSERT_EQ(status, 0) << said;
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string File(const std::string& name) { return folder_->File(name); }
  static TLinearBitmap Load(const std::string& name) {
    TLinearBitmap b;
    const std::string error = ErrorOf([&] { b.LoadFromFile(File(name)); });
    EXPECT_EQ(error, "") << name;
    return b;
  }
  // libwmf's own picture of a WMF of ours.
  static QImage Libwmf(const std::string& name) {
    int status = 0;
    const std::string png = File(name + ".libwmf.png");
    const std::string said = RunCommand("wmf2gd -t png -o " + png + " " + File(name) + " 2>&1", status);
    EXPECT_EQ(status, 0) << said;
    return QImage(QString::fromStdString(png));
  }
  static TempFolder* folder_;
};

TempFolder* MetafileDrawing::folder_ = nullptr;

TEST_F(MetafileDrawing, FiveColourDrawingLoadsAsPalettePictureWithItsColoursFirst) {
  for (const char* name : {"shapes.wmf", "shapes.emf"}) {
    SCOPED_TRACE(name);
    const TLinearBitmap b = Load(name);
    ASSERT_EQ(b.Width, 200);
    ASSERT_EQ(b.Height, 120);
    ASSERT_EQ(b.PixelFormat, pf8Bit);
    EXPECT_EQ(CountColors(b), 5);
    // In order of first appearance, row by row.
    const Rgb first[5] = {kGrey, kRed, kBlue, kYellow, kGreen};
    for (int i = 0; i < 5; ++i) EXPECT_EQ((Rgb{b.Palette[3 * i + 2], b.Palette[3 * i + 1], b.Palette[3 * i]}), first[i]);
    for (const auto& s : kSamples) EXPECT_EQ(At(b, s.x, s.y), s.colour) << s.x << "," << s.y;
  }
}

// libwmf draws at 72 dots an inch (150 x 90 here), and its gd output leaves
// filled ellipses out: those are compared on the EMF twin below.
TEST_F(MetafileDrawing, WmfMatchesLibwmfAtSamplePoints) {
  const QImage theirs = Libwmf("shapes.wmf");
  ASSERT_FALSE(theirs.isNull());
  const TLinearBitmap ours = Load("shapes.wmf");
  const double sx = theirs.width() / 200.0, sy = theirs.height() / 120.0;
  for (const auto& s : kSamples) {
    if (s.in_ellipse) continue;
    EXPECT_EQ(At(theirs, int(s.x * sx), int(s.y * sy)), At(ours, s.x, s.y)) << s.x << "," << s.y;
  }
}

// emf2svg-conv turns the EMF into SVG on its own; Qt SVG rasterises that,
// smoothing the edges. emf2svg-conv draws the 4-unit pen one unit wide, so
// the line is left to the WMF comparison.
TEST_F(MetafileDrawing, EmfMatchesEmf2svgOverTheWholePicture) {
  for (const char* name : {"shapes", "paths"}) {
    SCOPED_TRACE(name);
    int status = 0;
    const std::string svg = File(std::string(name) + ".svg");
    const std::string said =
        RunCommand("emf2svg-conv -i " + File(std::string(name) + ".emf") + " -o " + svg + " 2>&1", status);
    ASSERT_EQ(status, 0) << said;
    const TLinearBitmap ours = Load(std::string(name) + ".emf");
    QSvgRenderer renderer(QString::fromStdString(svg));
    ASSERT_TRUE(renderer.isValid());
    QImage theirs(ours.Width, ours.Height, QImage::Format_RGB32);
    theirs.fill(Qt::white);
    {
      QPainter painter(&theirs);
      // The SVG's own size (its bounds taken as exclusive) at one unit a pixel.
      renderer.render(&painter, QRectF(QPointF(0, 0), renderer.defaultSize()));
    }
    int same = 0, total = 0;
    for (int y = 0; y < ours.Height - 1; ++y)
      for (int x = 0; x < ours.Width - 1; ++x, ++total) same += At(theirs, x, y) == At(ours, x, y);
    EXPECT_GT(same, total * 94 / 100) << same << " of " << total;
    if (std::string(name) == "shapes") {
      for (const auto& s : kSamples) {
        if (s.on_line) continue;
        EXPECT_EQ(At(theirs, s.x, s.y), At(ours, s.x, s.y)) << s.x << "," << s.y;
      }
    }
  }
}

// Worked out by hand: the half-size viewport puts the blue rectangle at
// 150..190 x 0..60, the pie is the quarter from the right round to the top.
TEST_F(MetafileDrawing, PathsPiesAndMappingModes) {
  const TLinearBitmap b = Load("paths.emf");
  ASSERT_EQ(b.Width, 200);
  ASSERT_EQ(b.Height, 80);
  EXPECT_EQ(At(b, 40, 30), kGreen);   // filled path
  EXPECT_EQ(At(b, 5, 30), kWhite);
  EXPECT_EQ(At(b, 125, 25), kRed);    // the pie's quarter (right and up from the centre 110,40)
  EXPECT_EQ(At(b, 95, 55), kWhite);   // the rest of its circle stays empty
  EXPECT_EQ(At(b, 125, 55), kWhite);
  EXPECT_EQ(At(b, 170, 30), kBlue);
  EXPECT_EQ(At(b, 170, 70), kWhite);
  EXPECT_EQ(At(b, 145, 30), kWhite);
}

// Slots freed by DeleteObject are taken again, and a palette colour comes from
// the selected palette (libwmf ignores both, so the check is by hand).
TEST_F(MetafileDrawing, PaletteColoursAndReusedObjectSlots) {
  const TLinearBitmap b = Load("palette.wmf");
  ASSERT_EQ(b.Width, 40);
  EXPECT_EQ(At(b, 10, 10), kRed);
  EXPECT_EQ(At(b, 30, 30), kYellow);
  EXPECT_EQ(At(b, 5, 30), kBlue);  // SetPixel
  EXPECT_EQ(At(b, 30, 10), kWhite);
}

// A logical unit of 1/1440 inch: the placeable header's size decides.
TEST_F(MetafileDrawing, PlaceableHeaderScalesToNinetySixPixelsAnInch) {
  const TLinearBitmap b = Load("twips.wmf");
  EXPECT_EQ(b.Width, 200);
  EXPECT_EQ(b.Height, 120);
  EXPECT_EQ(At(b, 50, 35), kRed);   // 150..1350 twips: 10..90 pixels
  EXPECT_EQ(At(b, 5, 5), kWhite);
  EXPECT_EQ(At(b, 95, 35), kWhite);
}

TEST_F(MetafileDrawing, TextIsDrawnInItsColourWhereLibwmfDrawsIt) {
  const TLinearBitmap ours = Load("text.wmf");
  const QImage theirs = Libwmf("text.wmf");
  ASSERT_FALSE(theirs.isNull());
  // The ink of both lies in the same band below the reference point (10,10),
  // in letters about 40 pixels high.
  auto ink_box = [](int w, int h, auto dark) {
    int x0 = w, y0 = h, x1 = -1, y1 = -1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (dark(x, y)) x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    return std::array<int, 4>{x0, y0, x1, y1};
  };
  const auto mine = ink_box(ours.Width, ours.Height, [&](int x, int y) { return At(ours, x, y) == Rgb{0, 0, 0}; });
  const double s = theirs.width() / 160.0;
  const auto libwmf = ink_box(theirs.width(), theirs.height(), [&](int x, int y) { return qGray(theirs.pixel(x, y)) < 64; });
  ASSERT_GE(mine[2], 0) << "no black text";
  ASSERT_GE(libwmf[2], 0);
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(mine[k], libwmf[k] / s, 6) << k;
  EXPECT_NEAR(mine[3] - mine[1], 29, 6);  // capital height of a 40-pixel font
}

// The same text through EMF's wide-character record lands where the WMF one does.
TEST_F(MetafileDrawing, EmfTextMatchesTheWmfText) {
  const TLinearBitmap wmf = Load("text.wmf"), emf = Load("text.emf");
  ASSERT_EQ(emf.Width, wmf.Width);
  ASSERT_EQ(emf.Height, wmf.Height);
  int ink = 0;
  for (int y = 0; y < wmf.Height; ++y)
    for (int x = 0; x < wmf.Width; ++x) {
      EXPECT_EQ(At(emf, x, y), At(wmf, x, y)) << x << "," << y;
      ink += At(wmf, x, y) == Rgb{0, 0, 0};
    }
  EXPECT_GT(ink, 300);
}

// Coordinates, pens and letters far beyond the picture are drawn (clipped)
// without a pause.
TEST_F(MetafileDrawing, ExtremeCoordinatesPensAndFontsStillLoad) {
  const TLinearBitmap b = Load("extreme.wmf");
  EXPECT_EQ(b.Width, 200);
  EXPECT_EQ(b.Height, 120);
}

TEST_F(MetafileDrawing, NothingToDrawIsUnsupportedAndUnknownRecordsArePassedOver) {
  TLinearBitmap b;
  EXPECT_EQ(ErrorOf([&] { b.LoadFromFile(File("nothing.wmf")); }), "Unsupported file format");
  // shapes.emf holds a record type nobody knows and a comment; it loads (above).
  const std::vector<uint8_t> bytes = ReadFileBytes(File("shapes.emf"));
  for (size_t cut : {bytes.size() - 20, bytes.size() / 2, size_t{100}}) {
    std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    WriteFileBytes(File("cut.emf"), part);
    EXPECT_EQ(ErrorOf([&] { b.LoadFromFile(File("cut.emf")); }), "Unsupported file format") << cut;
  }
}

}  // namespace
