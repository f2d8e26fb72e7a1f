#pragma once
// TLinearBitmap: the image-file library's picture in memory. One contiguous
// map of packed rows (top row first) in one of a few pixel formats, with a
// 256-entry B,G,R palette for the 8-bit format.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ImageFileLib/LibraryErrors.h"

namespace ImageFile {

class TBaseStream;
class TBitmapLoader;

// Pixel-format codes.
enum : uint8_t {
  pf8Bit = 3,    // palette index, palette of 256 B,G,R entries
  pf16Grey = 5,  // 16-bit grey, little-endian
  pf24Bit = 6,   // blue, green, red
  pf32Bit = 7,   // blue, green, red, fourth byte
  pfNone = 8,    // no map
};

using TPalette = std::array<uint8_t, 768>;

// Entry i = (i, i, i).
const TPalette& GrayPalette();

class TAssignObject {
public:
  virtual ~TAssignObject() = default;
  virtual const char* ClassName() const { return "TAssignObject"; }
  virtual void Assign(const TAssignObject& source);
  virtual void AssignTo(TAssignObject& dest) const;
};

class TLinearBitmap : public TAssignObject {
public:
  TLinearBitmap() = default;
  TLinearBitmap(const TLinearBitmap& other) : TAssignObject() { Assign(other); }
  TLinearBitmap& operator=(const TLinearBitmap& other) {
    if (this != &other) Assign(other);
    return *this;
  }
  const char* ClassName() const override { return "TLinearBitmap"; }

  // A map of that geometry; contents undefined. Same geometry keeps the pixels.
  void New(int32_t width, int32_t height, uint8_t code);
  void Dispose();
  void Assign(const TAssignObject& source) override;
  void AssignTo(TAssignObject& dest) const override;
  void TakeOver(TLinearBitmap& other);
  void PackLines();

  uint8_t* ScanLine(int32_t y) { return Map.data() + static_cast<int64_t>(y) * BytesPerLine; }
  const uint8_t* ScanLine(int32_t y) const { return Map.data() + static_cast<int64_t>(y) * BytesPerLine; }
  void Clear(uint8_t value);
  // color: red in the low byte, then green, then blue.
  void ClearColor(uint32_t color);
  bool IsGrayScale() const;
  void PixelFormatConvert(uint8_t code);
  void ResizeCanvas(int32_t new_width, int32_t new_height, uint32_t fill_color, int32_t dy, int32_t dx);
  // Up to three planes of Width x Height bytes into a 3-byte-per-pixel map;
  // nullptr means the map itself.
  void SetPlanes(const uint8_t* planes, int count);

  // Registry operations: the file name's extension picks the loader.
  TBitmapLoader& LoadFromFile(const std::string& file_name);
  void LoadFromStream(TBaseStream& stream, const std::string& ext);
  void SaveToFile(const std::string& file_name) const;
  void SaveToStream(TBaseStream& stream, const std::string& ext) const;

  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t PixelFormat = pfNone;
  int32_t BytesPerLine = 0;
  int32_t PixelSize = 0;
  int32_t Size = 0;
  uint8_t Present = 0;
  std::vector<uint8_t> Map;      // Size + 1 bytes while Present
  std::vector<uint8_t> Palette;  // 768 bytes (B,G,R) while PixelFormat is 3
};

// The bitmap itself, or (when convert) a 24-bit colour copy of it made in spare:
// for writers that take only some pixel formats.
const TLinearBitmap& Copy24BitIf(bool convert, const TLinearBitmap& bitmap, TLinearBitmap& spare);

// The extension rule: text after the last of '.', '\\', ':' and '/' when that
// character is '.', upper-cased; empty otherwise.
std::string FileExtension(const std::string& file_name);
std::string UpperCase(std::string text);

// Entry i = i * 255 div (n - 1) for i < n; the rest untouched.
void MakeGrayPalette(uint8_t* triples, int n);
void PaletteRGBToBGR(const uint8_t* source, uint8_t* destination);
uint32_t SwapRedBlue(uint32_t color);
void PaletteToRGBQuads(const uint8_t* triples, uint8_t* quads, int count);

// Largest map a decoder allocates unless told otherwise.
constexpr int64_t DefaultMaxMapBytes = int64_t{512} << 20;

// Progress of long loaders in percent; empty by default.
extern std::function<void(int32_t)> LoaderProgress;

}  // namespace ImageFile
