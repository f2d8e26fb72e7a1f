#include "ImageFileLib/BmpLoader.h"

#include <cstring>
#include <vector>

#include "base/ByteOrder.h"

#include "ImageFileLib/DibFile.h"
#include "ImageFileLib/DynamicList.h"

namespace ImageFile {

TBMPLoader& BMPLoader() { return SharedLoader<TBMPLoader>(); }

void TBMPLoader::SaveToStream(TBaseStream& stream, const std::string& /*ext*/, const TLinearBitmap& bitmap) {
  const uint8_t code = bitmap.PixelFormat;
  if (!bitmap.Present || (code != pf8Bit && code != pf16Grey && code != pf24Bit && code != pf32Bit))
    throw ELinearBitmap("Unsupported pixel format");
  const int bits = code == pf24Bit ? 24 : code == pf32Bit ? 32 : 8;
  const uint32_t row_bytes = DWordAlign(static_cast<uint32_t>((int64_t{bitmap.Width} * bits + 7) / 8));
  const uint32_t palette_bytes = bits == 8 ? 1024 : 0;
  const uint32_t offset = 14 + 40 + palette_bytes;
  const uint64_t file_size = offset + uint64_t{row_bytes} * static_cast<uint32_t>(bitmap.Height);
  if (file_size > 0xFFFFFFFFu) throw ELinearBitmap("Invalid bitmap size");
  std::vector<uint8_t> head(offset, 0);
  head[0] = 'B';
  head[1] = 'M';
  PutLe32(&head[2], static_cast<uint32_t>(file_size));
  PutLe32(&head[10], offset);
  PutLe32(&head[14], 40);
  PutLe32(&head[18], static_cast<uint32_t>(bitmap.Width));
  PutLe32(&head[22], static_cast<uint32_t>(bitmap.Height));
  PutLe16(&head[26], 1);
  PutLe16(&head[28], static_cast<uint32_t>(bits));
  PutLe32(&head[34], static_cast<uint32_t>(file_size - offset));
  PutLe32(&head[38], 2835);  // 72 dpi
  PutLe32(&head[42], 2835);
  if (bits == 8) {
    PutLe32(&head[46], 256);
    const uint8_t* pal = code == pf8Bit ? bitmap.Palette.data() : GrayPalette().data();
    PaletteToRGBQuads(pal, &head[54], 256);
  }
  stream.Write(head.data(), static_cast<int64_t>(head.size()));
  std::vector<uint8_t> row(row_bytes, 0);
  for (int32_t y = bitmap.Height - 1; y >= 0; --y) {
    const uint8_t* s = bitmap.ScanLine(y);
    if (code == pf16Grey) {
      for (int32_t x = 0; x < bitmap.Width; ++x) row[static_cast<size_t>(x)] = s[2 * x + 1];
    } else {
      std::memcpy(row.data(), s, static_cast<size_t>(bitmap.BytesPerLine));
    }
    stream.Write(row.data(), row_bytes);
  }
}

void TBMPLoader::LoadFromStream(TBaseStream& stream, const std::string& /*ext*/, TLinearBitmap& bitmap) {
  bitmap.Dispose();
  // The decoder seeks; a forward-only stream is copied into memory first.
  auto* seekable = dynamic_cast<TSeekableStream*>(&stream);
  TMemStream memory;
  if (!seekable) {
    memory.CopyFrom(stream);
    memory.SetPosition(0);
    seekable = &memory;
  }
  std::unique_ptr<TUniDIB> dib;
  if (LoadDIBFile(*seekable, dib, MaxMapBytes) != 0) throw Exception("Unsupported file format");
  const int32_t w = dib->Width, h = dib->Height;
  if (dib->BitCount <= 8) {
    bitmap.New(w, h, pf8Bit);
    std::fill(bitmap.Palette.begin(), bitmap.Palette.end(), 0);
    for (int i = 0; i < dib->PaletteEntries; ++i) std::memcpy(&bitmap.Palette[3 * i], dib->ColorTable[i], 3);
  } else {
    bitmap.New(w, h, pf24Bit);
  }
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* d = bitmap.ScanLine(h - 1 - y);  // memory rows are bottom-up
    const uint8_t* s = dib->Row(y);
    switch (dib->BitCount) {
      case 8: std::memcpy(d, s, static_cast<size_t>(w)); break;
      case 24: std::memcpy(d, s, static_cast<size_t>(w) * 3); break;
      default:
        for (int32_t x = 0; x < w; ++x) d[x] = static_cast<uint8_t>(dib->GetPixel(x, y));
        break;
    }
  }
}

}  // namespace ImageFile
