#include "ImageFileLib/IconFile.h"

#include <algorithm>
#include <cstring>

#include "base/ByteOrder.h"

namespace ImageFile {

TICOLoader& ICOLoader() { return SharedLoader<TICOLoader>(); }

namespace {

// Pixel (B,G,R bytes) equal to a colour with red in the low byte.
bool SameColor(const uint8_t* bgr, uint32_t color) {
  return bgr[0] == ((color >> 16) & 0xFF) && bgr[1] == ((color >> 8) & 0xFF) && bgr[2] == (color & 0xFF);
}

}  // namespace

TIconImage::TIconImage(int32_t width, int32_t bits_per_pixel, int32_t height)
    : Width(width), Height(height), BitsPerPixel(bits_per_pixel) {
  if (bits_per_pixel != 1 && bits_per_pixel != 4 && bits_per_pixel != 8 && bits_per_pixel != 24)
    throw Exception("Unsupported pixel format");
  XORBytesPerLine = (width * bits_per_pixel + 31) / 32 * 4;
  ANDBytesPerLine = ((width + 7) / 8 * 8 / 8 + 3) / 4 * 4;
  XORSize = XORBytesPerLine * height;
  ANDSize = ANDBytesPerLine * height;
  PaletteSize = bits_per_pixel == 24 ? 0 : 4 << bits_per_pixel;
  AND.assign(static_cast<size_t>(ANDSize), 0);
  XOR.assign(static_cast<size_t>(XORSize) + 1, 0);
  Palette.assign(static_cast<size_t>(PaletteSize), 0);
}

int32_t TIconImage::IndexAt(int32_t x, int32_t r) const {
  const uint8_t* row = &XOR[static_cast<size_t>(r * XORBytesPerLine)];
  switch (BitsPerPixel) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
    default: return row[x];
  }
}

uint32_t TIconImage::ColorAt(int32_t x, int32_t r) const {
  if (BitsPerPixel == 24) {
    const uint8_t* p = &XOR[static_cast<size_t>(r * XORBytesPerLine + 3 * x)];
    return p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
  }
  const uint8_t* e = &Palette[static_cast<size_t>(4 * IndexAt(x, r))];
  return e[0] | uint32_t{e[1]} << 8 | uint32_t{e[2]} << 16;
}

void TIconImage::Draw(int32_t x0, int32_t y0, TLinearBitmap& canvas) const {
  if (canvas.PixelFormat != pf24Bit) throw Exception("Unsupported pixel format");
  for (int32_t r = 0; r < Height; ++r) {
    const int32_t y = y0 + Height - 1 - r;
    if (y < 0 || y >= canvas.Height) continue;
    for (int32_t x = 0; x < Width; ++x) {
      if (MaskSet(x, r) || x0 + x < 0 || x0 + x >= canvas.Width) continue;
      const uint32_t c = ColorAt(x, r);
      uint8_t* d = canvas.ScanLine(y) + 3 * (x0 + x);
      d[0] = static_cast<uint8_t>(c >> 16);
      d[1] = static_cast<uint8_t>(c >> 8);
      d[2] = static_cast<uint8_t>(c);
    }
  }
}

void TIconImage::AssignTo(TLinearBitmap& destination, int64_t transparent) const {
  const uint32_t tc = transparent < 0 ? 0xFF00FFu : static_cast<uint32_t>(transparent) & 0xFFFFFF;
  TLinearBitmap temp;
  int palette_index = -1;
  for (int i = 0; i < PaletteSize / 4; ++i)
    if ((Palette[static_cast<size_t>(4 * i)] | uint32_t{Palette[static_cast<size_t>(4 * i + 1)]} << 8 |
         uint32_t{Palette[static_cast<size_t>(4 * i + 2)]} << 16) == tc) {
      palette_index = i;
      break;
    }
  if (BitsPerPixel == 24 || (BitsPerPixel == 8 && palette_index < 0)) {
    temp.New(Width, Height, pf24Bit);
    temp.ClearColor(tc);
    Draw(0, 0, temp);
  } else {
    temp.New(Width, Height, pf8Bit);
    std::fill(temp.Palette.begin(), temp.Palette.end(), 0);
    for (int i = 0; i < PaletteSize / 4; ++i)
      for (int k = 0; k < 3; ++k) temp.Palette[static_cast<size_t>(3 * i + k)] = Palette[static_cast<size_t>(4 * i + 2 - k)];
    if (palette_index < 0) {
      palette_index = 255;
      temp.Palette[765] = static_cast<uint8_t>(tc >> 16);
      temp.Palette[766] = static_cast<uint8_t>(tc >> 8);
      temp.Palette[767] = static_cast<uint8_t>(tc);
    }
    temp.Clear(static_cast<uint8_t>(palette_index));
    for (int32_t r = 0; r < Height; ++r)
      for (int32_t x = 0; x < Width; ++x)
        if (!MaskSet(x, r)) temp.ScanLine(Height - 1 - r)[x] = static_cast<uint8_t>(IndexAt(x, r));
  }
  destination.TakeOver(temp);
}

TIconImage& TIconList::AddImage(int32_t width, int32_t height, int32_t bits_per_pixel) {
  Images.push_back(std::make_unique<TIconImage>(width, bits_per_pixel, height));
  return *Images.back();
}

void TIconList::LoadFromStream(TBaseStream& stream) {
  Clear();
  auto* seekable = dynamic_cast<TSeekableStream*>(&stream);
  TMemStream memory;
  if (!seekable) {
    memory.CopyFrom(stream);
    seekable = &memory;
  }
  seekable->SetStrictCount(true);
  seekable->SetPosition(0);
  uint8_t head[6];
  seekable->Read(head, 6);
  const uint16_t type = Le16(head + 2);
  Kind = type == 1 ? IconKind::Icon : type == 2 ? IconKind::Cursor : IconKind::Neither;
  const int count = Le16(head + 4);
  int64_t allocated = 0;
  for (int i = 0; i < count; ++i) {
    uint8_t entry[16], info[40];
    seekable->SetPosition(6 + 16 * int64_t{i});
    seekable->Read(entry, 16);
    seekable->SetPosition(Le32(entry + 12));
    seekable->Read(info, 40);
    const int32_t header_width = static_cast<int32_t>(Le32(info + 4));
    const int32_t header_height = static_cast<int32_t>(Le32(info + 8));
    if (entry[0] != header_width || entry[1] != header_height / 2)
      throw Exception("Size mismatch in icon " + std::to_string(i));
    const int32_t width = entry[0], height = entry[1];
    if (width == 0 || height == 0) throw Exception("Size mismatch in icon " + std::to_string(i));
    auto image = std::make_unique<TIconImage>(width, Le16(info + 14), height);
    allocated += image->XORSize + image->ANDSize + image->PaletteSize;
    // Entries sharing their data could claim the file many times over.
    if (allocated > MaxBytes || allocated > seekable->GetSize()) throw ELinearBitmap("Invalid bitmap size");
    image->PlanesOrHotspotX = Le16(entry + 4);
    image->BitCountOrHotspotY = Le16(entry + 6);
    if (image->PaletteSize > 0) {
      std::vector<uint8_t> quads(static_cast<size_t>(image->PaletteSize));
      seekable->Read(quads.data(), image->PaletteSize);
      for (size_t k = 0; k < quads.size(); k += 4) {
        image->Palette[k] = quads[k + 2];
        image->Palette[k + 1] = quads[k + 1];
        image->Palette[k + 2] = quads[k];
        image->Palette[k + 3] = 1;
      }
    }
    seekable->Read(image->XOR.data(), image->XORSize);
    seekable->Read(image->AND.data(), image->ANDSize);
    Images.push_back(std::move(image));
  }
}

void TIconList::SaveToStream(TBaseStream& stream) const {
  if (Kind == IconKind::Neither) throw Exception("Unsupported file format");
  std::vector<uint8_t> out(6 + 16 * Images.size(), 0);
  PutLe16(&out[2], Kind == IconKind::Icon ? 1 : 2);
  PutLe16(&out[4], static_cast<uint32_t>(Images.size()));
  uint32_t offset = static_cast<uint32_t>(out.size());
  for (size_t i = 0; i < Images.size(); ++i) {
    const TIconImage& im = *Images[i];
    uint8_t* e = &out[6 + 16 * i];
    e[0] = static_cast<uint8_t>(im.Width);
    e[1] = static_cast<uint8_t>(im.Height);
    e[2] = static_cast<uint8_t>(im.BitsPerPixel >= 8 ? 0 : 1 << im.BitsPerPixel);
    PutLe16(e + 4, im.PlanesOrHotspotX);
    PutLe16(e + 6, im.BitCountOrHotspotY);
    const uint32_t size = static_cast<uint32_t>(im.PaletteSize + 40 + im.XORSize + im.ANDSize);
    PutLe32(e + 8, size);
    PutLe32(e + 12, offset);
    offset += size;
  }
  for (const auto& image : Images) {
    const TIconImage& im = *image;
    uint8_t info[40] = {};
    PutLe32(info, 40);
    PutLe32(info + 4, static_cast<uint32_t>(im.Width));
    PutLe32(info + 8, static_cast<uint32_t>(2 * im.Height));
    PutLe16(info + 12, 1);
    PutLe16(info + 14, static_cast<uint32_t>(im.BitsPerPixel));
    PutLe32(info + 20, static_cast<uint32_t>(im.XORSize + im.ANDSize));
    out.insert(out.end(), info, info + 40);
    for (int k = 0; k < im.PaletteSize; k += 4) {
      const uint8_t quad[4] = {im.Palette[static_cast<size_t>(k + 2)], im.Palette[static_cast<size_t>(k + 1)],
                               im.Palette[static_cast<size_t>(k)], 0};
      out.insert(out.end(), quad, quad + 4);
    }
    out.insert(out.end(), im.XOR.begin(), im.XOR.begin() + im.XORSize);
    out.insert(out.end(), im.AND.begin(), im.AND.end());
  }
  stream.Write(out.data(), static_cast<int64_t>(out.size()));
}

void TICOLoader::LoadFromStream(TBaseStream& stream, const std::string& /*ext*/, TLinearBitmap& bitmap) {
  TIconList list;
  list.LoadFromStream(stream);
  if (list.Count() == 0) throw ELinearBitmap("No icons in file");
  int32_t index = 0;
  if (!NoSelection && SelectImage) {
    uint32_t chosen_color = TransparentColor;
    if (!SelectImage(list, index, chosen_color)) throw EAbort();
    if (index < 0 || index >= list.Count()) index = 0;
    TransparentColor = chosen_color;
  }
  const TIconImage& image = list[index];
  if (list.Kind == IconKind::Cursor) {
    HotspotX = image.PlanesOrHotspotX;
    HotspotY = image.BitCountOrHotspotY;
  }
  image.AssignTo(bitmap, TransparentColor);
}

void TICOLoader::SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) {
  if (!bitmap.Present) throw ELinearBitmap("Unsupported pixel format");
  if (bitmap.Width > 255 || bitmap.Height > 255) throw ELinearBitmap("Image is too large for icon");
  // 16-bit grey and 32-bit pictures are written as 24-bit colour.
  TLinearBitmap converted;
  const TLinearBitmap* source =
      &Copy24BitIf(bitmap.PixelFormat != pf8Bit && bitmap.PixelFormat != pf24Bit, bitmap, converted);
  const int32_t w = source->Width, h = source->Height;
  TIconList list;
  list.Kind = UpperCase(ext) == "ICO" ? IconKind::Icon : IconKind::Cursor;
  auto set_mask = [](TIconImage& im, int32_t x, int32_t r) {
    im.AND[static_cast<size_t>(r * im.ANDBytesPerLine + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
  };
  TIconImage* saved = nullptr;
  if (source->PixelFormat == pf24Bit) {
    TIconImage& im = list.AddImage(w, h, 24);
    saved = &im;
    for (int32_t r = 0; r < h; ++r) {
      const uint8_t* s = source->ScanLine(h - 1 - r);
      uint8_t* d = &im.XOR[static_cast<size_t>(r * im.XORBytesPerLine)];
      std::memcpy(d, s, static_cast<size_t>(3 * w));
      for (int32_t x = 0; x < w; ++x)
        if (SameColor(d + 3 * x, TransparentColor)) {
          d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = 0;
          set_mask(im, x, r);
        }
    }
  } else {
    auto transparent_index = [&](int index) { return SameColor(&source->Palette[static_cast<size_t>(3 * index)], TransparentColor); };
    int highest = 1;
    for (int32_t k = 0; k < source->Size; ++k) {
      const int index = source->Map[static_cast<size_t>(k)];
      if (!transparent_index(index)) highest = std::max(highest, index);
    }
    const int bits = highest + 1 <= 16 ? 4 : 8;
    TIconImage& im = list.AddImage(w, h, bits);
    saved = &im;
    for (int32_t r = 0; r < h; ++r) {
      const uint8_t* s = source->ScanLine(h - 1 - r);
      uint8_t* d = &im.XOR[static_cast<size_t>(r * im.XORBytesPerLine)];
      for (int32_t x = 0; x < w; ++x) {
        const bool clear = transparent_index(s[x]);
        if (clear) set_mask(im, x, r);
        const uint8_t index = clear ? 0 : s[x];
        if (bits == 8) d[x] = index;
        else d[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? index << 4 : index);
      }
    }
    for (int i = 0; i < (1 << bits); ++i) {
      const uint8_t* e = &source->Palette[static_cast<size_t>(3 * i)];
      uint8_t* p = &im.Palette[static_cast<size_t>(4 * i)];
      if (SameColor(e, TransparentColor)) continue;  // black, flags 0
      p[0] = e[2];
      p[1] = e[1];
      p[2] = e[0];
      p[3] = 1;
    }
  }
  saved->PlanesOrHotspotX = static_cast<uint16_t>(HotspotX);
  saved->BitCountOrHotspotY = static_cast<uint16_t>(HotspotY);
  list.SaveToStream(stream);
}

}  // namespace ImageFile
