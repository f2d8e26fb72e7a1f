#include "ImageFileLib/LinearBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "ImageFileLib/BitmapLoaders.h"

namespace ImageFile {

std::function<void(int32_t)> LoaderProgress;

const TPalette& GrayPalette() {
  static const TPalette palette = [] {
    TPalette p{};
    for (int i = 0; i < 256; ++i) p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = static_cast<uint8_t>(i);
    return p;
  }();
  return palette;
}

void TAssignObject::Assign(const TAssignObject& source) {
  if (&source == this) return;
  source.AssignTo(*this);
}

void TAssignObject::AssignTo(TAssignObject& dest) const {
  throw Exception(std::string("Cannot assign ") + ClassName() + " to " + dest.ClassName());
}

namespace {

int32_t PixelSizeOf(uint8_t code) {
  switch (code) {
    case pf8Bit: return 1;
    case pf16Grey: return 2;
    case pf24Bit: return 3;
    case pf32Bit: return 4;
    default: return 0;
  }
}

uint8_t GreyLevel(uint32_t color) {
  const uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  return static_cast<uint8_t>((2 * r + 3 * g + b + 3) / 6);
}

}  // namespace

void TLinearBitmap::New(int32_t width, int32_t height, uint8_t code) {
  if (Present && width == Width && height == Height && code == PixelFormat) return;
  const int32_t pixel_size = PixelSizeOf(code);
  if (pixel_size == 0) throw ELinearBitmap("Unsupported pixel format");
  if (width < 1 || height < 1) throw ELinearBitmap("Invalid bitmap size");
  // Size is a signed 32-bit count and the map has one spare byte.
  if (int64_t{width} * pixel_size > (INT32_MAX - 1) / height) throw ELinearBitmap("Invalid bitmap size");
  const int64_t size = int64_t{width} * pixel_size * height;
  std::vector<uint8_t> map;
  try {
    map.resize(static_cast<size_t>(size) + 1);
  } catch (const std::bad_alloc&) {
    throw ELinearBitmap("Out of memory");
  }
  Map.swap(map);
  Width = width;
  Height = height;
  PixelFormat = code;
  PixelSize = pixel_size;
  if (code == pf8Bit) {
    if (Palette.size() != 768) Palette.assign(768, 0);
  } else {
    Palette.clear();
  }
  BytesPerLine = width * pixel_size;
  Size = static_cast<int32_t>(size);
  Present = 1;
}

void TLinearBitmap::Dispose() {
  Map.clear();
  Map.shrink_to_fit();
  Palette.clear();
  Present = 0;
  Width = Height = Size = PixelSize = BytesPerLine = 0;
  PixelFormat = pfNone;
}

void TLinearBitmap::Assign(const TAssignObject& source) {
  if (&source == this) return;
  const auto* other = dynamic_cast<const TLinearBitmap*>(&source);
  if (!other) {
    TAssignObject::Assign(source);
    return;
  }
  if (!other->Present) {
    Dispose();
    return;
  }
  New(other->Width, other->Height, other->PixelFormat);
  if (BytesPerLine == other->BytesPerLine) {
    std::memcpy(Map.data(), other->Map.data(), static_cast<size_t>(Size));
  } else {
    for (int32_t y = 0; y < Height; ++y) std::memcpy(ScanLine(y), other->ScanLine(y), static_cast<size_t>(BytesPerLine));
  }
  if (PixelFormat == pf8Bit) std::memcpy(Palette.data(), other->Palette.data(), 768);
}

void TLinearBitmap::AssignTo(TAssignObject& dest) const {
  if (auto* other = dynamic_cast<TLinearBitmap*>(&dest)) {
    other->Assign(*this);
    return;
  }
  TAssignObject::AssignTo(dest);
}

void TLinearBitmap::TakeOver(TLinearBitmap& other) {
  if (&other == this) return;
  Dispose();
  Width = other.Width;
  Height = other.Height;
  PixelFormat = other.PixelFormat;
  BytesPerLine = other.BytesPerLine;
  PixelSize = other.PixelSize;
  Size = other.Size;
  Present = other.Present;
  Map = std::move(other.Map);
  Palette = std::move(other.Palette);
  other.Map.clear();
  other.Palette.clear();
  other.Dispose();
}

void TLinearBitmap::PackLines() {
  if (!Present || BytesPerLine == Width * PixelSize) return;
  const int32_t packed = Width * PixelSize;
  std::vector<uint8_t> map(static_cast<size_t>(packed) * Height + 1);
  for (int32_t y = 0; y < Height; ++y)
    std::memcpy(map.data() + static_cast<size_t>(y) * packed, ScanLine(y), static_cast<size_t>(packed));
  Map.swap(map);
  BytesPerLine = packed;
  Size = packed * Height;
}

void TLinearBitmap::Clear(uint8_t value) {
  if (Present) std::memset(Map.data(), value, static_cast<size_t>(Size));
}

void TLinearBitmap::ClearColor(uint32_t color) {
  if (!Present) return;
  if (color == 0) {
    Clear(0);
    return;
  }
  if (PixelFormat == pf24Bit) {
    const uint8_t bgr[3] = {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                            static_cast<uint8_t>(color)};
    for (int32_t y = 0; y < Height; ++y) {
      uint8_t* p = ScanLine(y);
      for (int32_t x = 0; x < Width; ++x, p += 3) std::memcpy(p, bgr, 3);
    }
    return;
  }
  Clear(GreyLevel(color));
}

bool TLinearBitmap::IsGrayScale() const {
  if (!Present) return false;
  switch (PixelFormat) {
    case pf8Bit:
      for (int i = 0; i < 256; ++i)
        if (Palette[3 * i] != i || Palette[3 * i + 1] != i || Palette[3 * i + 2] != i) return false;
      return true;
    case pf16Grey:
      return true;
    case pf24Bit:
      for (int32_t y = 0; y < Height; ++y) {
        const uint8_t* p = ScanLine(y);
        for (int32_t x = 0; x < Width; ++x, p += 3)
          if (p[0] != p[1] || p[1] != p[2]) return false;
      }
      return true;
    default:
      return false;
  }
}

const TLinearBitmap& Copy24BitIf(bool convert, const TLinearBitmap& bitmap, TLinearBitmap& spare) {
  if (!convert) return bitmap;
  spare.Assign(bitmap);
  spare.PixelFormatConvert(pf24Bit);
  return spare;
}

void TLinearBitmap::PixelFormatConvert(uint8_t code) {
  if (!Present || code == PixelFormat) return;
  if (code != pf8Bit && code != pf24Bit && code != pf32Bit) throw ELinearBitmap("Unsupported pixel format");
  PackLines();
  TLinearBitmap out;
  if (code == pf8Bit) {
    if (PixelFormat == pf32Bit) PixelFormatConvert(pf24Bit);
    out.New(Width, Height, pf8Bit);
    if (PixelFormat == pf24Bit) {
      for (int32_t y = 0; y < Height; ++y) {
        const uint8_t* s = ScanLine(y);
        uint8_t* d = out.ScanLine(y);
        for (int32_t x = 0; x < Width; ++x, s += 3)
          d[x] = static_cast<uint8_t>((s[2] & 0xE0) | ((s[1] >> 5) << 2) | (s[0] >> 6));
      }
      for (int i = 0; i < 256; ++i) {
        out.Palette[3 * i] = static_cast<uint8_t>((i & 3) * 85);
        out.Palette[3 * i + 1] = static_cast<uint8_t>(std::nearbyint(((i >> 2) & 7) * 255.0 / 7.0));
        out.Palette[3 * i + 2] = static_cast<uint8_t>(std::nearbyint((i >> 5) * 255.0 / 7.0));
      }
    } else {  // 16-bit grey
      for (int32_t y = 0; y < Height; ++y) {
        const uint8_t* s = ScanLine(y);
        uint8_t* d = out.ScanLine(y);
        for (int32_t x = 0; x < Width; ++x) d[x] = s[2 * x + 1];
      }
      std::memcpy(out.Palette.data(), GrayPalette().data(), 768);
    }
  } else if (code == pf24Bit) {
    out.New(Width, Height, pf24Bit);
    for (int32_t y = 0; y < Height; ++y) {
      const uint8_t* s = ScanLine(y);
      uint8_t* d = out.ScanLine(y);
      for (int32_t x = 0; x < Width; ++x, d += 3) {
        if (PixelFormat == pf8Bit) {
          std::memcpy(d, &Palette[3 * s[x]], 3);
        } else if (PixelFormat == pf16Grey) {
          d[0] = d[1] = d[2] = s[2 * x + 1];
        } else {
          std::memcpy(d, s + 4 * x, 3);
        }
      }
    }
  } else {  // to 32-bit
    if (PixelFormat == pf8Bit || PixelFormat == pf16Grey) PixelFormatConvert(pf24Bit);
    out.New(Width, Height, pf32Bit);
    for (int32_t y = 0; y < Height; ++y) {
      const uint8_t* s = ScanLine(y);
      uint8_t* d = out.ScanLine(y);
      for (int32_t x = 0; x < Width; ++x, s += 3, d += 4) {
        std::memcpy(d, s, 3);
        d[3] = 0;
      }
    }
  }
  TakeOver(out);
}

void TLinearBitmap::ResizeCanvas(int32_t new_width, int32_t new_height, uint32_t fill_color, int32_t dy, int32_t dx) {
  if (new_width < 1 || new_height < 1) {
    Dispose();
    return;
  }
  if (!Present) {
    New(new_width, new_height, pf8Bit);
    std::memcpy(Palette.data(), GrayPalette().data(), 768);
    ClearColor(fill_color);
    return;
  }
  if (new_width == Width && new_height == Height && dx == 0 && dy == 0) return;
  TLinearBitmap out;
  out.New(new_width, new_height, PixelFormat);
  if (PixelFormat == pf8Bit) out.Palette = Palette;
  out.ClearColor(fill_color);
  int64_t src_start = 0, dst_start = 0;
  if (dx < 1) src_start = -int64_t{dx} * PixelSize;
  else dst_start = int64_t{dx} * PixelSize;
  int64_t span = BytesPerLine - src_start;
  span = std::min<int64_t>(span, out.BytesPerLine - dst_start);
  const int64_t y0 = std::max<int64_t>(0, -int64_t{dy});
  const int64_t y1 = std::min<int64_t>(Height - 1, int64_t{new_height} - dy - 1);
  if (span > 0)
    for (int64_t y = y0; y <= y1; ++y)
      std::memcpy(out.ScanLine(static_cast<int32_t>(y + dy)) + dst_start, ScanLine(static_cast<int32_t>(y)) + src_start,
                  static_cast<size_t>(span));
  TakeOver(out);
}

void TLinearBitmap::SetPlanes(const uint8_t* planes, int count) {
  if (!Present || PixelSize != 3) return;
  std::vector<uint8_t> copy;
  if (planes == nullptr || planes == Map.data()) {
    copy.assign(Map.begin(), Map.begin() + Size);
    planes = copy.data();
  }
  const int64_t plane_size = int64_t{Width} * Height;
  for (int k = 0; k < std::min(count, 3); ++k) {
    const uint8_t* src = planes + k * plane_size;
    int64_t i = 0;
    for (int32_t y = 0; y < Height; ++y) {
      uint8_t* d = ScanLine(y) + k;
      for (int32_t x = 0; x < Width; ++x, d += 3) *d = src[i++];
    }
  }
}

TBitmapLoader& TLinearBitmap::LoadFromFile(const std::string& file_name) {
  const std::string ext = FileExtension(file_name);
  TBitmapLoader& loader = BitmapLoaders().FindLoadLoader(ext);
  Dispose();
  loader.LoadFromFile(file_name, ext, *this);
  return loader;
}

void TLinearBitmap::LoadFromStream(TBaseStream& stream, const std::string& ext) {
  TBitmapLoader& loader = BitmapLoaders().FindLoadLoader(ext);
  Dispose();
  loader.LoadFromStream(stream, UpperCase(ext), *this);
}

void TLinearBitmap::SaveToFile(const std::string& file_name) const {
  const std::string ext = FileExtension(file_name);
  BitmapLoaders().FindSaveLoader(ext).SaveToFile(file_name, ext, *this);
}

void TLinearBitmap::SaveToStream(TBaseStream& stream, const std::string& ext) const {
  BitmapLoaders().FindSaveLoader(ext).SaveToStream(stream, UpperCase(ext), *this);
}

std::string UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string FileExtension(const std::string& file_name) {
  const size_t at = file_name.find_last_of(".\\:/");
  if (at == std::string::npos || file_name[at] != '.') return {};
  return UpperCase(file_name.substr(at + 1));
}

void MakeGrayPalette(uint8_t* triples, int n) {
  for (int i = 0; i < n && i < 256; ++i) {
    const auto v = static_cast<uint8_t>(n > 1 ? i * 255 / (n - 1) : 0);
    triples[3 * i] = triples[3 * i + 1] = triples[3 * i + 2] = v;
  }
}

void PaletteRGBToBGR(const uint8_t* source, uint8_t* destination) {
  for (int i = 0; i < 256; ++i) {
    const uint8_t a = source[3 * i], b = source[3 * i + 1], c = source[3 * i + 2];
    destination[3 * i] = c;
    destination[3 * i + 1] = b;
    destination[3 * i + 2] = a;
  }
}

uint32_t SwapRedBlue(uint32_t color) {
  return (color & 0xFF00FF00u) | ((color & 0xFF) << 16) | ((color >> 16) & 0xFF);
}

void PaletteToRGBQuads(const uint8_t* triples, uint8_t* quads, int count) {
  for (int i = 0; i < count; ++i) {
    quads[4 * i] = triples[3 * i];
    quads[4 * i + 1] = triples[3 * i + 1];
    quads[4 * i + 2] = triples[3 * i + 2];
    quads[4 * i + 3] = 0;
  }
}

}  // namespace ImageFile
