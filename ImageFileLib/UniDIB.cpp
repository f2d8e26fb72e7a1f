#include "ImageFileLib/UniDIB.h"

#include <cstddef>

namespace ImageFile {

TUniDIB::TUniDIB(int32_t width, int32_t height, int variant, int bits_per_pixel) : Variant(variant & 3) {
  static const int counts[] = {1, 4, 8, 16, 24, 32};
  BitCount = 32;
  for (int c : counts)
    if (c >= bits_per_pixel) {
      BitCount = c;
      break;
    }
  Width = width > 0 ? width : 1;
  Height = height != 0 ? height : 1;
  Usage = BitCount <= 8 ? 1 : 0;
  PaletteEntries = Usage ? 1 << BitCount : 0;
  BytesPerLine = static_cast<int32_t>((int64_t{BitCount} * Width + 31) / 32 * 4);
  Size = int64_t{BytesPerLine} * (Height < 0 ? -int64_t{Height} : Height);
  Bits.assign(static_cast<size_t>(Size), 0);
  switch (BitCount) {
    case 1: SetPixelFn = &TUniDIB::SetPacked<1>; GetPixelFn = &TUniDIB::GetPacked<1>; break;
    case 4: SetPixelFn = &TUniDIB::SetPacked<4>; GetPixelFn = &TUniDIB::GetPacked<4>; break;
    case 8: SetPixelFn = &TUniDIB::SetWhole<1>; GetPixelFn = &TUniDIB::GetWhole<1>; break;
    case 16: SetPixelFn = &TUniDIB::Set16; GetPixelFn = &TUniDIB::Get16; break;
    case 24: SetPixelFn = &TUniDIB::SetWhole<3>; GetPixelFn = &TUniDIB::GetWhole<3>; break;
    default: SetPixelFn = &TUniDIB::SetWhole<4>; GetPixelFn = &TUniDIB::GetWhole<4>; break;
  }
  WriteNextFn = &TUniDIB::WriteNextAny;
  ReadNextFn = &TUniDIB::ReadNextAny;
}

void TUniDIB::SetScanLine(int32_t x, int32_t y) {
  Position = x;
  Cursor = int64_t{y} * BytesPerLine + int64_t{BitCount / 8} * x;
}

void TUniDIB::SetPalette(const uint8_t* rgbf_entries, int count) {
  if (!Usage) return;
  for (int i = 0; i < PaletteEntries && i < count; ++i) {
    ColorTable[i][0] = rgbf_entries[4 * i + 2];
    ColorTable[i][1] = rgbf_entries[4 * i + 1];
    ColorTable[i][2] = rgbf_entries[4 * i];
    ColorTable[i][3] = rgbf_entries[4 * i + 3];
  }
}

// Pixels of 1 and 4 bits fill each byte from its high end.
template <int Bits>
void TUniDIB::SetPacked(int32_t x, int32_t y, uint32_t v) {
  constexpr int kPerByte = 8 / Bits;
  constexpr uint32_t kMax = (1u << Bits) - 1;
  uint8_t& b = Row(y)[x / kPerByte];
  const int shift = (kPerByte - 1 - x % kPerByte) * Bits;
  b = static_cast<uint8_t>((b & ~(kMax << shift)) | (v & kMax) << shift);
}
template <int Bits>
uint32_t TUniDIB::GetPacked(int32_t x, int32_t y) const {
  constexpr int kPerByte = 8 / Bits;
  const int shift = (kPerByte - 1 - x % kPerByte) * Bits;
  return (Row(y)[x / kPerByte] >> shift) & ((1u << Bits) - 1);
}

// Pixels of whole bytes are little-endian values.
template <int Bytes>
void TUniDIB::SetWhole(int32_t x, int32_t y, uint32_t v) {
  uint8_t* p = Row(y) + Bytes * x;
  for (int k = 0; k < Bytes; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
}
template <int Bytes>
uint32_t TUniDIB::GetWhole(int32_t x, int32_t y) const {
  const uint8_t* p = Row(y) + Bytes * x;
  uint32_t v = 0;
  for (int k = 0; k < Bytes; ++k) v |= uint32_t{p[k]} << (8 * k);
  return v;
}

uint16_t TUniDIB::Pack16(uint32_t v) const {
  uint32_t p;
  switch (Variant) {
    case 1: p = ((v >> 17) & 31) << 10 | ((v >> 16) & 1) << 15 | ((v >> 8) & 31) << 5 | (v & 31); break;
    case 2: p = ((v >> 16) & 31) << 10 | ((v >> 9) & 31) << 5 | ((v >> 8) & 1) << 15 | (v & 31); break;
    case 3: p = ((v >> 16) & 31) << 10 | ((v >> 8) & 31) << 5 | ((v >> 1) & 31) | (v & 1) << 15; break;
    default: p = ((v >> 16) & 31) << 10 | ((v >> 8) & 31) << 5 | (v & 31); break;
  }
  return static_cast<uint16_t>(p);
}

uint32_t TUniDIB::Unpack16(uint16_t p) const {
  const uint32_t c1 = (p >> 10) & 31, c2 = (p >> 5) & 31, c3 = p & 31, top = (p >> 15) & 1;
  switch (Variant) {
    case 1: return c1 << 17 | top << 16 | c2 << 8 | c3;
    case 2: return c1 << 16 | c2 << 9 | top << 8 | c3;
    case 3: return c1 << 16 | c2 << 8 | c3 << 1 | top;
    default: return c1 << 16 | c2 << 8 | c3;
  }
}

void TUniDIB::Set16(int32_t x, int32_t y, uint32_t v) { SetWhole<2>(x, y, Pack16(v)); }
uint32_t TUniDIB::Get16(int32_t x, int32_t y) const { return Unpack16(static_cast<uint16_t>(GetWhole<2>(x, y))); }

// Sequential access: the row is the one SetScanLine chose; Position counts pixels.
void TUniDIB::WriteNextAny(uint32_t v) {
  const int32_t y = static_cast<int32_t>((Cursor - int64_t{BitCount / 8} * Position) / BytesPerLine);
  (this->*SetPixelFn)(Position, y, v);
  ++Position;
  Cursor += BitCount / 8;
}

uint32_t TUniDIB::ReadNextAny() {
  const int32_t y = static_cast<int32_t>((Cursor - int64_t{BitCount / 8} * Position) / BytesPerLine);
  const uint32_t v = (this->*GetPixelFn)(Position, y);
  ++Position;
  Cursor += BitCount / 8;
  return v;
}

}  // namespace ImageFile
