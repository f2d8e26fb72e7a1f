#include "ImageFileLib/PcxLoader.h"

#include <algorithm>
#include <cstring>

#include "base/ByteOrder.h"

namespace ImageFile {

TPCXLoader& PCXLoader() { return SharedLoader<TPCXLoader>(); }

namespace {

uint8_t ReadByte(TBaseStream& in) {
  uint8_t b = 0;
  in.Read(&b, 1);
  return b;
}

// Runs of at most 63; a single byte below 192 stands alone.
void EncodeRuns(const uint8_t* data, int32_t count, int64_t stride, std::vector<uint8_t>& out) {
  int32_t i = 0;
  while (i < count) {
    const uint8_t value = data[i * stride];
    int32_t run = 1;
    while (i + run < count && run < 63 && data[(i + run) * stride] == value) ++run;
    if (run == 1 && value < 192) {
      out.push_back(value);
    } else {
      out.push_back(static_cast<uint8_t>(192 + run));
      out.push_back(value);
    }
    i += run;
  }
}

}  // namespace

void TPCXLoader::LoadFromStream(TBaseStream& stream, const std::string& /*ext*/, TLinearBitmap& bitmap) {
  TBufferedStream in(-1, 0, &stream);
  uint8_t head[128];
  in.Read(head, sizeof head);
  if (head[0] != 10 || head[1] != 5 || head[2] != 1 || head[3] != 8) throw ELinearBitmap("Unsupported file format");
  const int planes = head[65];
  if (planes != 1 && planes != 3) throw ELinearBitmap("Unsupported file format");
  const int32_t x_min = Le16(head + 4), y_min = Le16(head + 6);
  const int32_t x_max = Le16(head + 8), y_max = Le16(head + 10);
  const int32_t width = Le16(head + 66);
  const int32_t height = y_max - y_min + 1;
  const int32_t true_width = x_max - x_min + 1;
  if (width < 1 || height < 1 || true_width < 1) throw ELinearBitmap("Invalid bitmap size");
  if (int64_t{width} * height * planes > MaxMapBytes) throw ELinearBitmap("Invalid bitmap size");
  // Two bytes give at most a run of 63: more than the rest of the file can give is refused unmade.
  if (int64_t{width} * height * planes > (in.Available() / 2 + 1) * 63) throw ELinearBitmap("Error in bitmap data");
  bitmap.New(width, height, planes == 1 ? pf8Bit : pf24Bit);
  if (planes == 1) std::copy(GrayPalette().begin(), GrayPalette().end(), bitmap.Palette.begin());

  // Decoded bytes in file order; for three planes position k of a scan line
  // maps to plane k / width (red first) and pixel k % width.
  const int64_t total = int64_t{bitmap.Size};
  const int64_t line = int64_t{width} * planes;
  int64_t written = 0;
  auto put = [&](uint8_t value) {
    if (planes == 1) {
      bitmap.Map[static_cast<size_t>(written)] = value;
    } else {
      const int64_t row = written / line, k = written % line;
      const int64_t plane = k / width, x = k % width;
      bitmap.Map[static_cast<size_t>(row * line + x * 3 + (2 - plane))] = value;
      if (k == line - 1 && LoaderProgress) LoaderProgress(static_cast<int32_t>((written + 1) * 100 / total));
    }
    ++written;
  };
  while (written < total) {
    const uint8_t b = ReadByte(in);
    if (b < 192) {
      put(b);
      continue;
    }
    const int count = std::max(b & 63, 1);
    const uint8_t value = ReadByte(in);
    if (written + count > total) throw ELinearBitmap("Error in bitmap data");
    for (int k = 0; k < count; ++k) put(value);
  }
  if (true_width < width) bitmap.ResizeCanvas(true_width, height, 0, 0, 0);

  if (planes != 1) return;
  // The palette follows a marker byte 12; without one the grey palette stays.
  try {
    in.SetStrictCount(true);
    while (ReadByte(in) != 12) {
    }
    uint8_t rgb[768];
    in.Read(rgb, sizeof rgb);
    PaletteRGBToBGR(rgb, bitmap.Palette.data());
  } catch (const Exception&) {
  }
}

void TPCXLoader::SaveToStream(TBaseStream& stream, const std::string& /*ext*/, const TLinearBitmap& bitmap) {
  if (!bitmap.Present) throw ELinearBitmap("Unsupported pixel format");
  if (bitmap.Width > 65535 || bitmap.Height > 65535) throw ELinearBitmap("Invalid bitmap size");
  // Every format but the palette one is written as 24-bit colour.
  TLinearBitmap colour;
  const TLinearBitmap* source =
      &Copy24BitIf(bitmap.PixelFormat != pf8Bit && bitmap.PixelFormat != pf24Bit, bitmap, colour);
  const bool palette = source->PixelFormat == pf8Bit;
  uint8_t head[128] = {};
  head[0] = 10;
  head[1] = 5;
  head[2] = 1;
  head[3] = 8;
  PutLe16(head + 8, static_cast<uint32_t>(source->Width - 1));
  PutLe16(head + 10, static_cast<uint32_t>(source->Height - 1));
  PutLe16(head + 12, 96);
  PutLe16(head + 14, 96);
  head[65] = palette ? 1 : 3;
  PutLe16(head + 66, static_cast<uint32_t>(source->Width));
  TBufferedStream out(0, -1, &stream);
  out.Write(head, sizeof head);
  std::vector<uint8_t> encoded;
  for (int32_t y = 0; y < source->Height; ++y) {
    encoded.clear();
    const uint8_t* row = source->ScanLine(y);
    if (palette) {
      EncodeRuns(row, source->Width, 1, encoded);
    } else {
      for (int plane = 2; plane >= 0; --plane) EncodeRuns(row + plane, source->Width, 3, encoded);
      if (LoaderProgress) LoaderProgress(source->Height > 1 ? y * 100 / (source->Height - 1) : 100);
    }
    out.Write(encoded.data(), static_cast<int64_t>(encoded.size()));
  }
  if (palette) {
    uint8_t tail[769];
    tail[0] = 12;
    PaletteRGBToBGR(source->Palette.data(), tail + 1);
    out.Write(tail, sizeof tail);
  }
  out.Flush();
}

}  // namespace ImageFile
