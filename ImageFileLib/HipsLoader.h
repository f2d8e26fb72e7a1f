#pragma once
// HIPS pictures: a text header of one value per line (older and newer
// generation) followed by raw pixels: 8-bit grey planes, colour bytes, or
// 32-bit floats (grey big-endian, planes and colour little-endian). Read only.
#include <functional>

#include "ImageFileLib/BitmapLoaders.h"

namespace ImageFile {

class THIPSLoader : public TBitmapLoader {
public:
  bool CanLoad(const std::string& ext) override { return ext == "HIP" || ext == "HIPS"; }
  bool CanSave(const std::string&) override { return false; }
  std::string GetLoadFilter() override { return "HIPS image (*.hips)|*.hips;*.hip"; }
  std::string GetSaveFilter() override { return {}; }
  void LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap) override;

  // Asked which grey plane to load (1..count) when a file holds several and
  // a progress hook is set; false abandons the load.
  std::function<bool(int32_t count, int32_t& plane)> PlaneQuestion;
  int64_t MaxMapBytes = DefaultMaxMapBytes;
};

THIPSLoader& HIPSLoader();

}  // namespace ImageFile
