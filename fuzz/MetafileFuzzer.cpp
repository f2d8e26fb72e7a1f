// libFuzzer target: the WMF reader.
#include "ImageFileLib/MetafileLoader.h"
#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoader<ImageFile::TWMFLoader>(data, size, "WMF", 1 << 20);
}
