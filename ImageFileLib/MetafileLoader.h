#pragma once
// Windows metafiles (.wmf, with or without the placeable header) and
// enhanced metafiles (.emf).
//
// Writing records one stretched drawing of the picture: WMF as placeable
// header, header, SetStretchBltMode and StretchDIB; EMF as header,
// SetStretchBltMode and StretchDIBits. Reading draws the raster records of
// such files (WMF StretchDIB and DIBStretchBlt, EMF StretchDIBits, source
// copy only) into a 24-bit picture of the file's bounds, one logical unit a
// pixel, and passes over records that only set drawing state; any other
// record (lines, text, brushes...) is refused as "Unsupported file format":
// there is no general metafile renderer here. A picture of at most 256
// colours comes back as an 8-bit palette picture.
#include "ImageFileLib/BitmapLoaders.h"

namespace ImageFile {

class TWMFLoader : public TBitmapLoader {
public:
  bool CanLoad(const std::string& ext) override { return ext == "WMF" || ext == "EMF"; }
  bool CanSave(const std::string& ext) override { return ext == "WMF" || ext == "EMF"; }
  std::string GetLoadFilter() override { return "Windows metafile (*.wmf,*.emf)|*.wmf;*.emf"; }
  std::string GetSaveFilter() override {
    return "Windows metafile (*.wmf)|*.wmf|Windows enhanced metafile (*.emf)|*.emf";
  }
  void LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap) override;
  void SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) override;

  int64_t MaxMapBytes = DefaultMaxMapBytes;
};

TWMFLoader& WMFLoader();

}  // namespace ImageFile
