#pragma once
// Windows metafiles (.wmf, with or without the placeable header) and
// enhanced metafiles (.emf).
//
// Writing records one stretched drawing of the picture: WMF as placeable
// header, header, SetStretchBltMode and StretchDIB; EMF as header,
// SetStretchBltMode and StretchDIBits. Reading draws the common records
// (MetafileRecords.h) on white into a 24-bit picture: a placeable WMF at 96
// pixels an inch, a plain WMF one logical unit a pixel, an EMF at its bounds
// on the reference device. Bitmaps and dots are drawn here; outlines and
// texts need the installed painter (without one they are refused). Records
// outside the set are passed over; a file with nothing to draw is refused as
// "Unsupported file format". A picture of at most 256 colours comes back as
// an 8-bit palette picture.
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
