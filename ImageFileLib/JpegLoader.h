#pragma once
// JPEG writer and reader through libjpeg (6.2 API).
//
// Reader contract: baseline and progressive JPEG in grey, YCbCr/RGB, and
// CMYK/YCCK turned into RGB (inverted when an Adobe marker says so); scale-down by 1/2, 1/4, 1/8 while half the size
// stays at least MinWidth x MinHeight. Grey files give an 8-bit grey bitmap,
// the rest 24-bit. Images above MaxMapBytes are refused, as are files whose
// kept coefficients would exceed it, files too short for the blocks their
// header claims ("Premature end of JPEG file") and files of more than 1000 scans.
#include "ImageFileLib/BitmapLoaders.h"

namespace ImageFile {

class TJPEGLoader : public TBitmapLoader {
public:
  bool CanLoad(const std::string& ext) override { return ext == "JPG" || ext == "JPEG" || ext == "JPE"; }
  bool CanSave(const std::string& ext) override { return ext == "JPG" || ext == "JPEG"; }
  std::string GetLoadFilter() override {
    return "Joint Picture Expert Group (*.jpg,*.jpeg,*.jpe)|*.jpg;*.jpeg;*.jpe";
  }
  std::string GetSaveFilter() override { return "Joint Picture Expert Group (*.jpg)|*.jpg"; }
  void SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) override;
  void LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap) override;

  int32_t Quality = 0;
  int32_t MaxSize = 0;
  int32_t MinWidth = 2147483647;
  int32_t MinHeight = 2147483647;
  int32_t FullWidth = 0;
  int32_t FullHeight = 0;
  int64_t MaxMapBytes = DefaultMaxMapBytes;
  // Encodings made by the last save (the MaxSize bisection can make several).
  int32_t LastEncodeCount = 0;
};

TJPEGLoader& JPEGLoader();

}  // namespace ImageFile
