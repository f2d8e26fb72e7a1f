#include "ImageFileLib/BmpLoader.h"
namespace ImageFile {
TBMPLoader& BMPLoader() {
  static TBMPLoader loader;
  return loader;
}
void TBMPLoader::SaveToStream(TBaseStream&, const std::string&, const TLinearBitmap&) { throw Exception("todo"); }
void TBMPLoader::LoadFromStream(TBaseStream&, const std::string&, TLinearBitmap&) { throw Exception("todo"); }
}  // namespace ImageFile
