#include "ImageFileLib/MetafileLoader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ImageFileLib/BmpLoader.h"
#include "ImageFileLib/ColorConversion.h"

namespace ImageFile {

TWMFLoader& WMFLoader() {
  static TWMFLoader loader;
  return loader;
}

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kSourceCopy = 0x00CC0020;
constexpr int kColorOnColor = 3;

// WMF record functions.
constexpr uint16_t META_EOF = 0x0000, META_SETBKMODE = 0x0102, META_SETMAPMODE = 0x0103,
                   META_SETSTRETCHBLTMODE = 0x0107, META_SETWINDOWORG = 0x020B, META_SETWINDOWEXT = 0x020C,
                   META_SAVEDC = 0x001E, META_RESTOREDC = 0x0127, META_DIBSTRETCHBLT = 0x0B41,
                   META_STRETCHDIB = 0x0F43;
// EMF record types.
constexpr uint32_t EMR_HEADER = 1, EMR_EOF = 14, EMR_SETMAPMODE = 17, EMR_SETBKMODE = 18,
                   EMR_SETSTRETCHBLTMODE = 21, EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_STRETCHDIBITS = 81,
                   EMR_SETICMMODE = 98;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
int16_t GetS16(const uint8_t* p) { return static_cast<int16_t>(Get16(p)); }
uint32_t Get32(const uint8_t* p) { return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24; }
int32_t GetS32(const uint8_t* p) { return static_cast<int32_t>(Get32(p)); }

struct Writer {
  std::vector<uint8_t> bytes;
  void U16(uint32_t v) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
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

// A packed DIB decoded through the BMP reader, as 24-bit top-down rows.
TLinearBitmap DecodeDib(const uint8_t* dib, size_t size, int64_t max_map_bytes) {
  if (size < 40) Unsupported();
  const uint32_t header = Get32(dib);
  if (header < 40 || header > size) Unsupported();
  const uint16_t bits = Get16(dib + 14);
  const uint32_t compression = Get32(dib + 16);
  uint32_t colours = Get32(dib + 32);
  if (bits <= 8 && colours == 0) colours = 1u << bits;
  if (colours > 256) Unsupported();
  const uint32_t masks = compression == 3 && header == 40 ? 12 : 0;
  const uint32_t offset = 14 + header + masks + (bits <= 8 ? 4 * colours : 0);
  TMemStream file;
  uint8_t head[14] = {'B', 'M'};
  const uint32_t total = static_cast<uint32_t>(14 + size);
  for (int k = 0; k < 4; ++k) head[2 + k] = static_cast<uint8_t>(total >> (8 * k));
  for (int k = 0; k < 4; ++k) head[10 + k] = static_cast<uint8_t>(offset >> (8 * k));
  file.Write(head, 14);
  file.Write(dib, static_cast<int64_t>(size));
  file.SetPosition(0);
  TBMPLoader reader;
  reader.MaxMapBytes = max_map_bytes;
  TLinearBitmap picture;
  try {
    reader.LoadFromStream(file, "BMP", picture);
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    Unsupported();
  }
  picture.PixelFormatConvert(pf24Bit);
  return picture;
}

struct Canvas {
  TLinearBitmap picture;
  int32_t origin_x = 0, origin_y = 0;

  // Nearest-pixel stretch of the source rectangle (top-down coordinates)
  // onto the destination rectangle; negative extents mirror.
  void Stretch(const TLinearBitmap& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dx, int32_t dy,
               int32_t dw, int32_t dh) {
    if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
    dx -= origin_x;
    dy -= origin_y;
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

  void Start(int32_t width, int32_t height, int64_t max_map_bytes) {
    if (width < 1 || height < 1 || int64_t{width} * height * 3 > max_map_bytes) throw ELinearBitmap("Invalid bitmap size");
    picture.New(width, height, pf24Bit);
    picture.ClearColor(0xFFFFFF);
  }
};

// DIB source rectangles count rows from the bottom of a bottom-up DIB.
int32_t TopDownRow(const uint8_t* dib, int32_t y_src, int32_t src_height) {
  const int32_t dib_height = GetS32(dib + 8);
  return dib_height > 0 ? dib_height - y_src - src_height : y_src;
}

void ReadWmf(const std::vector<uint8_t>& data, Canvas& canvas, int64_t max_map_bytes) {
  size_t pos = 0;
  int32_t left = 0, top = 0, width = 0, height = 0;
  if (data.size() >= 22 && Get32(data.data()) == kPlaceableKey) {
    left = GetS16(&data[6]);
    top = GetS16(&data[8]);
    width = GetS16(&data[10]) - left;
    height = GetS16(&data[12]) - top;
    pos = 22;
  }
  if (data.size() < pos + 18 || Get16(&data[pos + 2]) != 9) Unsupported();
  pos += 18;
  bool started = false;
  auto start = [&] {
    if (!started) canvas.Start(width, height, max_map_bytes);
    canvas.origin_x = left;
    canvas.origin_y = top;
    started = true;
  };
  while (pos + 6 <= data.size()) {
    const uint64_t words = Get32(&data[pos]);
    const uint16_t function = Get16(&data[pos + 4]);
    if (words < 3 || pos + words * 2 > data.size()) Unsupported();
    const uint8_t* p = &data[pos + 6];
    const size_t params = static_cast<size_t>(words * 2 - 6);
    switch (function) {
      case META_EOF:
        if (!started) start();
        return;
      case META_SETWINDOWORG:
        if (params < 4 || started) Unsupported();
        top = GetS16(p);
        left = GetS16(p + 2);
        break;
      case META_SETWINDOWEXT:
        if (params < 4 || started) Unsupported();
        height = GetS16(p);
        width = GetS16(p + 2);
        break;
      case META_SETBKMODE: case META_SETMAPMODE: case META_SETSTRETCHBLTMODE: case META_SAVEDC: case META_RESTOREDC:
        break;
      case META_STRETCHDIB: case META_DIBSTRETCHBLT: {
        const size_t fixed = function == META_STRETCHDIB ? 22 : 20;
        if (params < fixed + 40) Unsupported();
        if (Get32(p) != kSourceCopy) Unsupported();
        const uint8_t* q = p + (function == META_STRETCHDIB ? 6 : 4);
        const int32_t sh = GetS16(q), sw = GetS16(q + 2), sy = GetS16(q + 4), sx = GetS16(q + 6);
        const int32_t dh = GetS16(q + 8), dw = GetS16(q + 10), dy = GetS16(q + 12), dx = GetS16(q + 14);
        const uint8_t* dib = p + fixed;
        start();
        canvas.Stretch(DecodeDib(dib, params - fixed, max_map_bytes), sx, TopDownRow(dib, sy, sh), sw, sh, dx, dy, dw, dh);
        break;
      }
      default:
        Unsupported();
    }
    pos += static_cast<size_t>(words * 2);
  }
  Unsupported();  // no end record
}

void ReadEmf(const std::vector<uint8_t>& data, Canvas& canvas, int64_t max_map_bytes) {
  if (data.size() < 88 || Get32(data.data()) != EMR_HEADER || Get32(&data[40]) != 0x464D4520) Unsupported();
  const int32_t left = GetS32(&data[8]), top = GetS32(&data[12]);
  const int64_t width = int64_t{GetS32(&data[16])} - left + 1, height = int64_t{GetS32(&data[20])} - top + 1;
  if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX) throw ELinearBitmap("Invalid bitmap size");
  canvas.Start(static_cast<int32_t>(width), static_cast<int32_t>(height), max_map_bytes);
  canvas.origin_x = left;
  canvas.origin_y = top;
  size_t pos = 0;
  while (pos + 8 <= data.size()) {
    const uint32_t type = Get32(&data[pos]);
    const uint32_t size = Get32(&data[pos + 4]);
    if (size < 8 || size % 4 || pos + size > data.size()) Unsupported();
    const uint8_t* r = &data[pos];
    switch (type) {
      case EMR_EOF: return;
      case EMR_HEADER: case EMR_SETMAPMODE: case EMR_SETBKMODE: case EMR_SETSTRETCHBLTMODE: case EMR_SAVEDC:
      case EMR_RESTOREDC: case EMR_SETICMMODE:
        break;
      case EMR_STRETCHDIBITS: {
        if (size < 80 || Get32(r + 68) != kSourceCopy) Unsupported();
        const int32_t dx = GetS32(r + 24), dy = GetS32(r + 28), sx = GetS32(r + 32), sy = GetS32(r + 36);
        const int32_t sw = GetS32(r + 40), sh = GetS32(r + 44);
        const uint32_t off_bmi = Get32(r + 48), cb_bmi = Get32(r + 52), off_bits = Get32(r + 56), cb_bits = Get32(r + 60);
        const int32_t dw = GetS32(r + 72), dh = GetS32(r + 76);
        if (off_bmi < 80 || uint64_t{off_bmi} + cb_bmi > size || uint64_t{off_bits} + cb_bits > size ||
            off_bits < uint64_t{off_bmi} + cb_bmi)
          Unsupported();
        // Colours and rows may be apart: join them into one packed DIB.
        std::vector<uint8_t> dib(r + off_bmi, r + off_bmi + cb_bmi);
        dib.insert(dib.end(), r + off_bits, r + off_bits + cb_bits);
        canvas.Stretch(DecodeDib(dib.data(), dib.size(), max_map_bytes), sx, TopDownRow(dib.data(), sy, sh), sw, sh,
                       dx, dy, dw, dh);
        break;
      }
      default:
        Unsupported();
    }
    pos += size;
  }
  Unsupported();
}

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
  for (int k = 0; k < 10; ++k) checksum ^= Get16(&out.bytes[static_cast<size_t>(2 * k)]);
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
  const uint32_t header_bytes = Get32(dib.data());
  const uint32_t bits_offset = header_bytes + (Get16(dib.data() + 14) <= 8 ? 1024 : 0);
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
  Canvas canvas;
  // The contents decide, whatever the extension says.
  const bool enhanced = data.size() >= 44 && Get32(data.data()) == EMR_HEADER && Get32(&data[40]) == 0x464D4520;
  (void)ext;
  if (enhanced) ReadEmf(data, canvas, MaxMapBytes);
  else ReadWmf(data, canvas, MaxMapBytes);
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
