// libFuzzer target: the BMP reader and its own bitmap-file decoder.
#include "ImageFileLib/BmpLoader.h"
#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoader<ImageFile::TBMPLoader>(data, size, "BMP", 16 << 20);
}
