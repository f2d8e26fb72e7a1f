#pragma once
// PCX files: version 5, run-length encoded, 8 bits per plane, one plane
// (256-colour palette behind the data) or three planes (red, green, blue
// per scan line). Other variants (1-bit, 4-plane, version 0-4) are refused.
#include "ImageFileLib/BitmapLoaders.h"

namespace ImageFile {

class TPCXLoader : public TBitmapLoader {
public:
  bool CanLoad(const std::string& ext) override { return ext == "PCX"; }
  bool CanSave(const std::string& ext) override { return ext == "PCX"; }
  std::string GetLoadFilter() override { return "Zsoft Paintbrush (*.pcx)|*.pcx"; }
  void LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap) override;
  void SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) override;

  int64_t MaxMapBytes = DefaultMaxMapBytes;
};

TPCXLoader& PCXLoader();

}  // namespace ImageFile
