#pragma once
// Windows icon (.ico) and cursor (.cur) files. TIconList reads every image
// of a file and writes a list; TICOLoader converts between one image and a
// TLinearBitmap for the loader registry. Rows are kept as stored: bottom up.
// Images are 1-, 4-, 8- or 24-bit with a 40-byte header; PNG-compressed
// entries and 256-pixel entries (size byte 0) are refused.
#include <functional>
#include <memory>
#include <vector>

#include "ImageFileLib/BitmapLoaders.h"

namespace ImageFile {

class TIconImage {
public:
  TIconImage(int32_t width, int32_t bits_per_pixel, int32_t height);

  // Paints the opaque pixels onto a 24-bit canvas, top-left corner at (x, y).
  void Draw(int32_t x, int32_t y, TLinearBitmap& canvas) const;
  // transparent: red in the low byte; -1 asks for magenta.
  void AssignTo(TLinearBitmap& destination, int64_t transparent) const;
  // The B,G,R,flags-free colour of pixel x in stored row r (0 = bottom).
  uint32_t ColorAt(int32_t x, int32_t r) const;
  bool MaskSet(int32_t x, int32_t r) const {
    return (AND[static_cast<size_t>(r * ANDBytesPerLine + x / 8)] >> (7 - x % 8)) & 1;
  }
  int32_t IndexAt(int32_t x, int32_t r) const;

  int32_t Width = 0, Height = 0;
  int32_t BitsPerPixel = 0;
  int32_t XORBytesPerLine = 0, ANDBytesPerLine = 0;
  int32_t XORSize = 0, ANDSize = 0;
  int32_t PaletteSize = 0;
  std::vector<uint8_t> AND;
  std::vector<uint8_t> XOR;
  std::vector<uint8_t> Palette;  // red, green, blue, flags
  uint16_t PlanesOrHotspotX = 0, BitCountOrHotspotY = 0;
};

enum class IconKind : uint8_t { Neither = 0, Icon = 1, Cursor = 2 };

class TIconList {
public:
  void LoadFromStream(TBaseStream& stream);
  void SaveToStream(TBaseStream& stream) const;
  TIconImage& AddImage(int32_t width, int32_t height, int32_t bits_per_pixel);
  void Clear() { Images.clear(); }
  int32_t Count() const { return static_cast<int32_t>(Images.size()); }
  const TIconImage& operator[](int32_t i) const { return *Images[static_cast<size_t>(i)]; }

  IconKind Kind = IconKind::Neither;
  // Bytes of colour and mask rows a load may allocate in all.
  int64_t MaxBytes = DefaultMaxMapBytes;

private:
  std::vector<std::unique_ptr<TIconImage>> Images;
};

class TICOLoader : public TBitmapLoader {
public:
  bool CanLoad(const std::string& ext) override { return ext == "ICO" || ext == "CUR"; }
  bool CanSave(const std::string& ext) override { return ext == "ICO" || ext == "CUR"; }
  std::string GetLoadFilter() override { return "Windows icon (*.ico)|*.ico|Windows cursor (*.cur)|*.cur"; }
  void LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap) override;
  void SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) override;

  uint32_t TransparentColor = 0xFF00FF;
  uint8_t NoSelection = 0;
  int32_t HotspotX = 0, HotspotY = 0;
  // Lets the user pick the image and the transparent colour; false abandons
  // the load. Unset: the first image is taken.
  std::function<bool(const TIconList& list, int32_t& index, uint32_t& transparent)> SelectImage;
};

TICOLoader& ICOLoader();

}  // namespace ImageFile
