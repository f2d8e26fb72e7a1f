// libFuzzer target: the JPEG reader on arbitrary bytes, at full size and
// scaled down.
#include <cstddef>
#include <cstdint>

#include "ImageFileLib/JpegLoader.h"
#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoader<ImageFile::TJPEGLoader>(data, size, "JPG", 16 << 20, [size](ImageFile::TJPEGLoader& loader) {
    if (size & 1) loader.MinWidth = loader.MinHeight = 8;
  });
}
