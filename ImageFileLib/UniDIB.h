#pragma once
// TUniDIB: a device-independent bitmap in memory (bottom-up rows for a
// positive height, top-down for a negative one) with uniform pixel access in
// every bit depth. The accessors are chosen once, by bit count; they do not
// check bounds (callers keep x, y inside the picture).
#include <cstdint>
#include <vector>

namespace ImageFile {

class TUniDIB {
public:
  // bits_per_pixel is raised to the next of 1, 4, 8, 16, 24, 32 (32 above);
  // variant selects the 16-bit channel layout (0-3).
  TUniDIB(int32_t width, int32_t height, int variant, int bits_per_pixel);

  void SetPixel(int32_t x, int32_t y, uint32_t value) { (this->*SetPixelFn)(x, y, value); }
  uint32_t GetPixel(int32_t x, int32_t y) const { return (this->*GetPixelFn)(x, y); }
  void SetScanLine(int32_t x, int32_t y);
  void WriteNext(uint32_t value) { (this->*WriteNextFn)(value); }
  uint32_t ReadNext() { return (this->*ReadNextFn)(); }
  // Colour table from entries of red, green, blue, flags (pictures with a table only).
  void SetPalette(const uint8_t* rgbf_entries, int count);
  uint8_t* Row(int32_t y) { return Bits.data() + static_cast<int64_t>(y) * BytesPerLine; }
  const uint8_t* Row(int32_t y) const { return Bits.data() + static_cast<int64_t>(y) * BytesPerLine; }

  int32_t Width = 1;
  int32_t Height = 1;  // negative: top-down rows
  int BitCount = 1;
  int Variant = 0;
  std::vector<uint8_t> Bits;
  uint8_t ColorTable[256][4] = {};  // blue, green, red, reserved
  int64_t Cursor = 0;                // byte offset for sequential access
  int32_t BytesPerLine = 0;
  int32_t Position = 0;              // pixel index within the row
  int64_t Size = 0;
  int Usage = 0;
  int PaletteEntries = 0;

private:
  using SetFn = void (TUniDIB::*)(int32_t, int32_t, uint32_t);
  using GetFn = uint32_t (TUniDIB::*)(int32_t, int32_t) const;
  using WriteFn = void (TUniDIB::*)(uint32_t);
  using ReadFn = uint32_t (TUniDIB::*)();
  template <int Bits>
  void SetPacked(int32_t x, int32_t y, uint32_t v);
  template <int Bits>
  uint32_t GetPacked(int32_t x, int32_t y) const;
  template <int Bytes>
  void SetWhole(int32_t x, int32_t y, uint32_t v);
  template <int Bytes>
  uint32_t GetWhole(int32_t x, int32_t y) const;
  void Set16(int32_t x, int32_t y, uint32_t v);
  uint32_t Get16(int32_t x, int32_t y) const;
  void WriteNextAny(uint32_t v);
  uint32_t ReadNextAny();
  uint16_t Pack16(uint32_t v) const;
  uint32_t Unpack16(uint16_t p) const;
  SetFn SetPixelFn;
  GetFn GetPixelFn;
  WriteFn WriteNextFn;
  ReadFn ReadNextFn;
};

}  // namespace ImageFile
