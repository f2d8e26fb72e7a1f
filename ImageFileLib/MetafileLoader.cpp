#include "ImageFileLib/MetafileLoader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "ImageFileLib/BmpLoader.h"
#include "ImageFileLib/ColorConversion.h"
#include "ImageFileLib/MetafileRecords.h"
#include "base/ByteOrder.h"

namespace ImageFile {

TWMFLoader& WMFLoader() { return SharedLoader<TWMFLoader>(); }

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kSourceCopy = 0x00CC0020;
constexpr int kColorOnColor = 3;

// WMF record functions.
constexpr uint16_t META_EOF = 0x0000, META_SETSTRETCHBLTMODE = 0x0107, META_SETWINDOWORG = 0x020B,
                   META_SETWINDOWEXT = 0x020C, META_STRETCHDIB = 0x0F43;
// EMF record types.
constexpr uint32_t EMR_HEADER = 1, EMR_EOF = 14, EMR_SETSTRETCHBLTMODE = 21, EMR_STRETCHDIBITS = 81;

struct Writer {
  std::vector<uint8_t> bytes;
  void U16(uint32_t v) { AppendLe16(bytes, v); }
  void U32(uint32_t v) { AppendLe32(bytes, v); }
  void Append(const std::vector<uint8_t>& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
};

[[noreturn]] void Unsupported() { throw ELinearBitmap("Unsupported file format"); }

// The picture as a packed DIB (info header, colours, bottom-up rows): the
// BMP writer's file without its 14-byte file header, padded to whole words.
std::vector<uint8_t> PackedDib(const TLinearBitmap& bitmap) {
  TMemStream file;
  BMPLoader().SaveToStream(file, "BMP", bitmap);
  std::vector<uint8_t> all(static_cast<size_t>(file.GetSize()));
  file.SetPosition(0);
  file.Read(all.data(), static_cast<int64_t>(all.size()));
  std::vector<uint8_t> dib(all.begin() + 14, all.end());
  while (dib.size() % 4) dib.push_back(0);
  return dib;
}

struct Canvas {
  TLinearBitmap picture;

  // Nearest-pixel stretch of the source rectangle (top-down coordinates)
  // onto the destination rectangle; negative extents mirror.
  void Stretch(const TLinearBitmap& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dx, int32_t dy,
               int32_t dw, int32_t dh) {
    if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
    const int64_t adw = dw < 0 ? -int64_t{dw} : dw, adh = dh < 0 ? -int64_t{dh} : dh;
    const int64_t left = dw < 0 ? int64_t{dx} + dw : dx, top = dh < 0 ? int64_t{dy} + dh : dy;
    // Only the part of the destination inside the picture is visited.
    const int64_t j0 = std::max<int64_t>(0, -top), j1 = std::min<int64_t>(adh, picture.Height - top);
    const int64_t i0 = std::max<int64_t>(0, -left), i1 = std::min<int64_t>(adw, picture.Width - left);
    for (int64_t j = j0; j < j1; ++j) {
      const int64_t jj = dh < 0 ? adh - 1 - j : j;
      const int64_t src_y = sy + jj * sh / adh;
      if (src_y < 0 || src_y >= source.Height) continue;
      uint8_t* row = picture.ScanLine(static_cast<int32_t>(top + j));
      for (int64_t i = i0; i < i1; ++i) {
        const int64_t ii = dw < 0 ? adw - 1 - i : i;
        const int64_t src_x = sx + ii * sw / adw;
        if (src_x < 0 || src_x >= source.Width) continue;
        std::memcpy(row + 3 * (left + i), source.ScanLine(static_cast<int32_t>(src_y)) + 3 * src_x, 3);
      }
    }
  }

  // A bitmap shape: its destination rectangle mapped to pixels (a mirroring
  // mapping gives negative extents).
  void Draw(const MetaShape& s) {
    const MetaTransform& t = s.transform;
    const double x0 = t.MapX(s.x, s.y), y0 = t.MapY(s.x, s.y);
    const double x1 = t.MapX(s.x + s.width, s.y + s.height), y1 = t.MapY(s.x + s.width, s.y + s.height);
    // A mapping that overflowed (transforms multiplied past the largest
    // number) puts the bitmap nowhere.
    if (std::isnan(x0) || std::isnan(y0) || std::isnan(x1) || std::isnan(y1)) return;
    auto px = [](double v) { return static_cast<int32_t>(std::clamp(std::round(v), -1e8, 1e8)); };
    Stretch(*s.image, s.src_x, s.src_y, s.src_w, s.src_h, px(x0), px(y0), px(x1) - px(x0), px(y1) - px(y0));
  }

  void Dot(const MetaShape& s) {
    const double x = std::floor(s.transform.MapX(s.x, s.y)), y = std::floor(s.transform.MapY(s.x, s.y));
    if (!(x >= 0 && y >= 0 && x < picture.Width && y < picture.Height)) return;
    uint8_t* p = picture.ScanLine(static_cast<int32_t>(y)) + 3 * static_cast<int32_t>(x);
    p[0] = s.text_colour.b, p[1] = s.text_colour.g, p[2] = s.text_colour.r;
  }
};

std::vector<uint8_t> WriteWmf(const TLinearBitmap& bitmap) {
  const std::vector<uint8_t> dib = PackedDib(bitmap);
  const uint32_t w = static_cast<uint32_t>(bitmap.Width), h = static_cast<uint32_t>(bitmap.Height);
  Writer out;
  out.U32(kPlaceableKey);
  out.U16(0);
  out.U16(0);
  out.U16(0);
  out.U16(w);
  out.U16(h);
  out.U16(96);  // logical units per inch: one unit a pixel on a 96-dpi screen
  out.U32(0);
  uint16_t checksum = 0;
  for (int k = 0; k < 10; ++k) checksum ^= Le16(&out.bytes[static_cast<size_t>(2 * k)]);
  out.U16(checksum);
  const uint32_t stretch_words = static_cast<uint32_t>(14 + dib.size() / 2);
  const uint32_t total_words = 9 + 5 + 5 + 5 + stretch_words + 3;
  out.U16(1);
  out.U16(9);
  out.U16(0x0300);
  out.U32(total_words);
  out.U16(0);
  out.U32(stretch_words);
  out.U16(0);
  out.U32(5); out.U16(META_SETWINDOWORG); out.U16(0); out.U16(0);
  out.U32(5); out.U16(META_SETWINDOWEXT); out.U16(h); out.U16(w);
  out.U32(5); out.U16(META_SETSTRETCHBLTMODE); out.U16(kColorOnColor); out.U16(0);
  out.U32(stretch_words);
  out.U16(META_STRETCHDIB);
  out.U32(kSourceCopy);
  out.U16(0);  // DIB_RGB_COLORS
  for (uint32_t v : {h, w, 0u, 0u, h, w, 0u, 0u}) out.U16(v);
  out.Append(dib);
  out.U32(3);
  out.U16(META_EOF);
  return out.bytes;
}

std::vector<uint8_t> WriteEmf(const TLinearBitmap& bitmap) {
  const std::vector<uint8_t> dib = PackedDib(bitmap);
  const uint32_t w = static_cast<uint32_t>(bitmap.Width), h = static_cast<uint32_t>(bitmap.Height);
  const uint32_t header_bytes = Le32(dib.data());
  const uint32_t bits_offset = header_bytes + (Le16(dib.data() + 14) <= 8 ? 1024 : 0);
  const uint32_t stretch_size = static_cast<uint32_t>(80 + dib.size());
  const uint32_t total = 108 + 12 + stretch_size + 20;
  Writer out;
  // Header with the pixel-format and micrometre extensions (108 bytes).
  out.U32(EMR_HEADER);
  out.U32(108);
  for (uint32_t v : {0u, 0u, w - 1, h - 1}) out.U32(v);
  // Frame in 0.01 mm at 96 dpi.
  for (uint32_t v : {0u, 0u, (w * 2540 + 48) / 96, (h * 2540 + 48) / 96}) out.U32(v);
  out.U32(0x464D4520);
  out.U32(0x10000);
  out.U32(total);
  out.U32(4);  // records
  out.U16(1);  // handles
  out.U16(0);
  out.U32(0);
  out.U32(0);
  out.U32(0);  // palette entries
  out.U32(1024);
  out.U32(768);  // reference device in pixels
  out.U32(271);
  out.U32(203);  // and in millimetres (96 dpi)
  out.U32(0);
  out.U32(0);
  out.U32(0);
  out.U32(271000);
  out.U32(203000);
  out.U32(EMR_SETSTRETCHBLTMODE);
  out.U32(12);
  out.U32(kColorOnColor);
  out.U32(EMR_STRETCHDIBITS);
  out.U32(stretch_size);
  for (uint32_t v : {0u, 0u, w - 1, h - 1}) out.U32(v);
  for (uint32_t v : {0u, 0u, 0u, 0u, w, h}) out.U32(v);
  out.U32(80);
  out.U32(bits_offset);
  out.U32(80 + bits_offset);
  out.U32(static_cast<uint32_t>(dib.size() - bits_offset));
  out.U32(0);  // DIB_RGB_COLORS
  out.U32(kSourceCopy);
  out.U32(w);
  out.U32(h);
  out.Append(dib);
  out.U32(EMR_EOF);
  out.U32(20);
  out.U32(0);
  out.U32(16);
  out.U32(20);
  return out.bytes;
}

}  // namespace

void TWMFLoader::LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap) {
  TMemStream memory;
  memory.CopyFrom(stream);
  if (memory.GetSize() > MaxMapBytes) throw ELinearBitmap("Invalid bitmap size");
  std::vector<uint8_t> data(static_cast<size_t>(memory.GetSize()));
  memory.SetPosition(0);
  memory.Read(data.data(), static_cast<int64_t>(data.size()));
  // The contents decide, whatever the extension says.
  (void)ext;
  const MetaDrawing drawing = ReadMetafile(data, MaxMapBytes);
  Canvas canvas;
  canvas.picture.New(drawing.width, drawing.height, pf24Bit);
  canvas.picture.ClearColor(0xFFFFFF);
  // Bitmaps and dots are drawn here; outlines and texts go to the painter in
  // runs, in drawing order.
  std::vector<const MetaShape*> run;
  auto paint_run = [&] {
    if (run.empty()) return;
    const MetafilePainter painter = InstalledMetafilePainter();
    if (!painter) Unsupported();
    painter(run, canvas.picture);
    run.clear();
  };
  for (const MetaShape& shape : drawing.shapes) {
    if (shape.kind == MetaShape::Image || shape.kind == MetaShape::Pixel) {
      paint_run();
      if (shape.kind == MetaShape::Image) canvas.Draw(shape);
      else canvas.Dot(shape);
    } else {
      run.push_back(&shape);
    }
  }
  paint_run();
  if (CountColors(canvas.picture) < 257) ReduceToPalette(canvas.picture);
  bitmap.TakeOver(canvas.picture);
}

void TWMFLoader::SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) {
  if (!bitmap.Present) throw ELinearBitmap("Unsupported pixel format");
  if (bitmap.Width > 32767 || bitmap.Height > 32767) throw ELinearBitmap("Invalid bitmap size");
  const bool enhanced = !ext.empty() && (ext[0] == 'E' || ext[0] == 'e');
  const std::vector<uint8_t> bytes = enhanced ? WriteEmf(bitmap) : WriteWmf(bitmap);
  stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace ImageFile
