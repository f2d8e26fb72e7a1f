#include "ImageFileLib/JpegLoader.h"
namespace ImageFile {
TJPEGLoader& JPEGLoader() {
  static TJPEGLoader loader;
  return loader;
}
void TJPEGLoader::SaveToStream(TBaseStream&, const std::string&, const TLinearBitmap&) { throw Exception("todo"); }
void TJPEGLoader::LoadFromStream(TBaseStream&, const std::string&, TLinearBitmap&) { throw Exception("todo"); }
}  // namespace ImageFile
