#include "ImageFileLib/UniDIB.h"

#include <cstring>

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
    case 1: SetPixelFn = &TUniDIB::Set1; GetPixelFn = &TUniDIB::Get1; break;
    case 4: SetPixelFn = &TUniDIB::Set4; GetPixelFn = &TUniDIB::Get4; break;
    case 8: SetPixelFn = &TUniDIB::Set8; GetPixelFn = &TUniDIB::Get8; break;
    case 16: SetPixelFn = &TUniDIB::Set16; GetPixelFn = &TUniDIB::Get16; break;
    case 24: SetPixelFn = &TUniDIB::Set24; GetPixelFn = &TUniDIB::Get24; break;
    default: SetPixelFn = &TUniDIB::Set32; GetPixelFn = &TUniDIB::Get32; break;
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

void TUniDIB::Set1(int32_t x, int32_t y, uint32_t v) {
  uint8_t& b = Row(y)[x >> 3];
  const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
  b = static_cast<uint8_t>((v & 1) ? (b | mask) : (b & ~mask));
}
uint32_t TUniDIB::Get1(int32_t x, int32_t y) const { return (Row(y)[x >> 3] >> (7 - (x & 7))) & 1; }

void TUniDIB::Set4(int32_t x, int32_t y, uint32_t v) {
  uint8_t& b = Row(y)[x >> 1];
  if (x & 1) b = static_cast<uint8_t>((b & 0xF0) | (v & 15));
  else b = static_cast<uint8_t>((b & 0x0F) | (v & 15) << 4);
}
uint32_t TUniDIB::Get4(int32_t x, int32_t y) const {
  const uint8_t b = Row(y)[x >> 1];
  return (x & 1) ? b & 15 : b >> 4;
}

void TUniDIB::Set8(int32_t x, int32_t y, uint32_t v) { Row(y)[x] = static_cast<uint8_t>(v); }
uint32_t TUniDIB::Get8(int32_t x, int32_t y) const { return Row(y)[x]; }

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

void TUniDIB::Set16(int32_t x, int32_t y, uint32_t v) {
  const uint16_t p = Pack16(v);
  std::memcpy(Row(y) + 2 * x, &p, 2);
}
uint32_t TUniDIB::Get16(int32_t x, int32_t y) const {
  uint16_t p;
  std::memcpy(&p, Row(y) + 2 * x, 2);
  return Unpack16(p);
}

void TUniDIB::Set24(int32_t x, int32_t y, uint32_t v) {
  uint8_t* p = Row(y) + 3 * x;
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
}
uint32_t TUniDIB::Get24(int32_t x, int32_t y) const {
  const uint8_t* p = Row(y) + 3 * x;
  return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
}

void TUniDIB::Set32(int32_t x, int32_t y, uint32_t v) { std::memcpy(Row(y) + 4 * x, &v, 4); }
uint32_t TUniDIB::Get32(int32_t x, int32_t y) const {
  uint32_t v;
  std::memcpy(&v, Row(y) + 4 * x, 4);
  return v;
}

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
