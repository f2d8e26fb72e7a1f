#pragma once
// BMP writer and reader.
//
// Writer: 8-bit palette (codes 3 and, through its high bytes, 5), 24-bit and
// 32-bit (BI_RGB) files with a 40-byte header, rows bottom-up.
// Reader: everything LoadDIBFile decodes; 1-, 4- and 8-bit files become
// 8-bit palette bitmaps, 24-bit stays, 16- and 32-bit become 24-bit.
#include "ImageFileLib/BitmapLoaders.h"

namespace ImageFile {

class TBMPLoader : public TBitmapLoader {
public:
  std::string GetLoadFilter() override { return "Windows bitmap (*.bmp)|*.bmp"; }
  void SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) override;
  void LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap) override;

  int64_t MaxMapBytes = DefaultMaxMapBytes;
};

TBMPLoader& BMPLoader();

}  // namespace ImageFile
