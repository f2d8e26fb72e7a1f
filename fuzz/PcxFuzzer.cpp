// libFuzzer target: the PCX reader.
#include "ImageFileLib/PcxLoader.h"
#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoader<ImageFile::TPCXLoader>(data, size, "PCX", 16 << 20);
}
