// libFuzzer target: the HIPS reader.
#include "ImageFileLib/HipsLoader.h"
#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoader<ImageFile::THIPSLoader>(data, size, "HIPS", 16 << 20);
}
