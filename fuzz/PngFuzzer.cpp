// libFuzzer target: the PNG/MNG reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "ImageFileLib/PngLoader.h"
#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoader<ImageFile::TPNGLoader>(data, size, "PNG", 16 << 20, [size](ImageFile::TPNGLoader& loader) {
    loader.KeepAlpha = size & 1;
#ifdef TESSARY_FUZZING
    loader.VerifyChecksums = false;  // lets mutations reach the image decoding
#endif
  });
}
