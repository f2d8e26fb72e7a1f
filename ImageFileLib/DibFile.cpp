#include "ImageFileLib/DibFile.h"

#include <algorithm>
#include <cstring>

#include "ImageFileLib/DynamicList.h"
#include "base/ByteOrder.h"
#include "base/PixelMask.h"

namespace ImageFile {

TBufferedFile::TBufferedFile(TSeekableStream& stream) : StartOffset(stream.GetPosition()), Stream(stream) {
  Buffer.resize(static_cast<size_t>(BufferSize));
}

void TBufferedFile::EnsureBufferSize(int32_t n) {
  n = std::max(n, 65536);
  if (BufferSize - ReadPos >= n) return;
  const int32_t unread = Unread();
  std::memmove(Buffer.data(), Buffer.data() + ReadPos, static_cast<size_t>(std::max(unread, 0)));
  ReadPos = 0;
  LastValid = unread - 1;
  if (BufferSize < n) {
    BufferSize = n;
    Buffer.resize(static_cast<size_t>(n));
  }
}

void TBufferedFile::Fill(int32_t n) {
  if (Unread() >= n || Stream.Available() <= 0) return;
  EnsureBufferSize(n);
  const int32_t unread = Unread();
  std::memmove(Buffer.data(), Buffer.data() + ReadPos, static_cast<size_t>(std::max(unread, 0)));
  ReadPos = 0;
  const bool strict = Stream.StrictCount != 0;
  Stream.SetStrictCount(false);
  const int64_t got = Stream.Read(Buffer.data() + unread, BufferSize - unread);
  if (strict) Stream.SetStrictCount(true);
  LastValid = unread + static_cast<int32_t>(got) - 1;
}

void TBufferedFile::Seek(int64_t position) {
  ReadPos = 0;
  LastValid = -1;
  Stream.SetPosition(StartOffset + position);
  Fill(BufferSize);
}

int TBufferedFile::ReadByte() {
  if (ReadPos > LastValid) {
    ReadPos = 0;
    LastValid = -1;
    Fill(BufferSize);
    if (ReadPos > LastValid) return -1;
  }
  return Buffer[static_cast<size_t>(ReadPos++)];
}

int32_t TBufferedFile::Read(uint8_t* destination, int32_t n) {
  int32_t done = 0;
  while (done < n) {
    if (Unread() <= 0) {
      Fill(std::min(n - done, 1 << 20));
      if (Unread() <= 0) break;
    }
    const int32_t k = std::min(n - done, Unread());
    std::memcpy(destination + done, Buffer.data() + ReadPos, static_cast<size_t>(k));
    ReadPos += k;
    done += k;
  }
  return done;
}

namespace {

// The 16 colours of the standard VGA palette (B, G, R).
const uint8_t StandardColours[16][3] = {{0, 0, 0},     {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                                        {128, 0, 0},   {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                                        {128, 128, 128}, {0, 0, 255}, {0, 255, 0},   {0, 255, 255},
                                        {255, 0, 0},   {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};

// RLE8/RLE4 data into memory rows (file row 0 = bottom); false when it ends early.
bool DecodeRle(TBufferedFile& file, TUniDIB& dib, int bits, int32_t height, bool top_down) {
  int32_t x = 0, y = 0;  // y counts file rows
  auto put = [&](uint32_t v) {
    if (x < dib.Width && y < height) dib.SetPixel(x, top_down ? height - 1 - y : y, v);
    ++x;
  };
  for (;;) {
    const int count = file.ReadByte();
    const int value = file.ReadByte();
    if (count < 0 || value < 0) return false;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(bits == 8 ? static_cast<uint32_t>(value) : static_cast<uint32_t>((i & 1) ? value & 15 : value >> 4));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      const int dx = file.ReadByte(), dy = file.ReadByte();
      if (dx < 0 || dy < 0) return false;
      x += dx;
      y += dy;
    } else {  // absolute run, padded to a word
      const int n = value;
      const int bytes = bits == 8 ? n : (n + 1) / 2;
      int b = 0;
      for (int i = 0; i < n; ++i) {
        if (bits == 8 || (i & 1) == 0) {
          b = file.ReadByte();
          if (b < 0) return false;
        }
        put(bits == 8 ? static_cast<uint32_t>(b) : static_cast<uint32_t>((i & 1) ? b & 15 : b >> 4));
      }
      if (bytes & 1 && file.ReadByte() < 0) return false;
    }
    if (y >= height) return true;
  }
}

int DecodeDIBFile(TSeekableStream& stream, std::unique_ptr<TUniDIB>& dib, int64_t max_map_bytes);

}  // namespace

int LoadDIBFile(TSeekableStream& stream, std::unique_ptr<TUniDIB>& dib, int64_t max_map_bytes) {
  dib.reset();
  try {
    return DecodeDIBFile(stream, dib, max_map_bytes);
  } catch (const EInOutError&) {  // offsets beyond the end of the stream
    dib.reset();
    return 5;
  }
}

namespace {
int DecodeDIBFile(TSeekableStream& stream, std::unique_ptr<TUniDIB>& dib, int64_t max_map_bytes) {
  TBufferedFile file(stream);
  file.Fill(78);
  if (file.Unread() < 14) return 5;
  uint8_t head[78] = {};
  std::memcpy(head, file.Current(), static_cast<size_t>(std::min(78, file.Unread())));
  int32_t width, height;
  int bits, compression = 0, palette_count = 0, quad = 4;
  int64_t data_offset, palette_offset = 0, row_bytes = 0;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue of 16- and 32-bit pixels
  const uint16_t first = Le16(head);
  if (first == 0) {
    width = Le16(head + 2);
    height = Le16(head + 4);
    row_bytes = Le16(head + 6);
    bits = head[9];
    data_offset = 10;
  } else if (first == 0x4D42) {  // "BM"
    data_offset = Le32(head + 10);
    const uint32_t header_size = Le32(head + 14);
    if (header_size == 12) {
      // Both are unsigned words here: these rows are always bottom-up.
      width = Le16(head + 18);
      height = Le16(head + 20);
      bits = Le16(head + 24);
      quad = 3;
    } else if (header_size == 40 || header_size == 52 || header_size == 56 || header_size == 64 ||
               header_size == 108 || header_size == 124) {
      if (file.Unread() < 54) return 5;
      width = static_cast<int32_t>(Le32(head + 18));
      height = static_cast<int32_t>(Le32(head + 22));
      bits = Le16(head + 28);
      compression = static_cast<int>(Le32(head + 30));
      // Above 8 bits the table only helps palette displays: its size is not ours to check.
      const uint32_t used = Le32(head + 46);
      if (bits <= 8) {
        if (used > 256) return 5;
        palette_count = static_cast<int>(used);
      }
      // Bit fields (and bit fields with alpha): the masks follow a 40-byte
      // header and sit inside the longer ones, at the same place either way.
      // The 64-byte header is OS/2's, where 3 means Huffman coding.
      if ((compression == 3 || compression == 6) && header_size != 64) {
        if (file.Unread() < 66) return 5;
        for (int k = 0; k < 3; ++k) masks[k] = Le32(head + 54 + 4 * k);
        if ((masks[0] | masks[1] | masks[2]) == 0) return 5;
        compression = 3;
      } else if (compression == 3) {
        return 5;  // Huffman-coded rows: not read
      }
    } else {
      return 5;
    }
    palette_offset = 14 + header_size;
  } else {
    return 5;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 5;
  if (!(compression == 0 || (compression == 1 && bits == 8) || (compression == 2 && bits == 4) ||
        (compression == 3 && (bits == 16 || bits == 32))))
    return 5;
  if (compression == 0 && bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  if (compression == 0 && bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  const bool top_down = height < 0;
  const int64_t abs_height = top_down ? -int64_t{height} : height;
  if (width <= 0 || abs_height == 0 || width > (1 << 24) || abs_height > (1 << 24)) return 5;
  const int64_t min_row = DWordAlign(static_cast<uint32_t>((int64_t{width} * bits + 7) / 8));
  if (first != 0 || row_bytes < (int64_t{width} * bits + 7) / 8) row_bytes = min_row;
  // The pixel count bounds what the caller makes of the picture as well.
  if (min_row * abs_height > max_map_bytes || int64_t{width} * abs_height > max_map_bytes) return 5;
  // Uncoded rows must all be in the file before the picture is made for them.
  const bool coded = compression == 1 || compression == 2;
  if (!coded && data_offset + row_bytes * abs_height > stream.GetSize() - file.StartOffset) return 5;

  // 16- and 32-bit pixels are unpacked by their masks into 24 bits.
  const bool packed = bits == 16 || bits == 32;
  auto result = std::make_unique<TUniDIB>(width, static_cast<int32_t>(abs_height), 0, packed ? 24 : bits);
  if (bits <= 8) {
    if (palette_count == 0) palette_count = 1 << bits;
    if (first == 0) {  // old-style files carry no palette
      for (int i = 0; i < (1 << bits); ++i) {
        const uint8_t* c = bits == 1 ? StandardColours[i ? 15 : 0] : bits == 4 ? StandardColours[i] : nullptr;
        for (int k = 0; k < 3; ++k) result->ColorTable[i][k] = c ? c[k] : static_cast<uint8_t>(i);
      }
    } else {
      file.Seek(palette_offset);
      for (int i = 0; i < palette_count; ++i) {
        uint8_t entry[4] = {};
        if (file.Read(entry, quad) != quad) return 5;
        std::memcpy(result->ColorTable[i], entry, 3);
      }
    }
  }
  file.Seek(data_offset);
  if (compression == 1 || compression == 2) {
    if (!DecodeRle(file, *result, bits, static_cast<int32_t>(abs_height), top_down)) return 5;
  } else if (packed) {
    const MaskField red(masks[0]), green(masks[1]), blue(masks[2]);
    std::vector<uint8_t> raw(static_cast<size_t>(row_bytes));
    for (int64_t y = 0; y < abs_height; ++y) {
      if (file.Read(raw.data(), static_cast<int32_t>(row_bytes)) != row_bytes) return 5;
      uint8_t* row = result->Row(static_cast<int32_t>(top_down ? abs_height - 1 - y : y));
      for (int32_t x = 0; x < width; ++x, row += 3) {
        const uint32_t p = bits == 16 ? Le16(&raw[2 * static_cast<size_t>(x)]) : Le32(&raw[4 * static_cast<size_t>(x)]);
        row[0] = blue(p), row[1] = green(p), row[2] = red(p);
      }
    }
  } else {
    for (int64_t y = 0; y < abs_height; ++y) {
      uint8_t* row = result->Row(static_cast<int32_t>(top_down ? abs_height - 1 - y : y));
      const auto want = static_cast<int32_t>(std::min<int64_t>(row_bytes, result->BytesPerLine));
      if (file.Read(row, want) != want) return 5;
      for (int64_t skip = row_bytes - want; skip > 0; --skip)
        if (file.ReadByte() < 0) return 5;
    }
  }
  dib = std::move(result);
  return 0;
}
}  // namespace

}  // namespace ImageFile
