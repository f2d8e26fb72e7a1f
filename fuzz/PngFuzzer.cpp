// libFuzzer target: the PNG/MNG reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "ImageFileLib/PngLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 20)) return 0;
  ImageFile::TMemStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  ImageFile::TPNGLoader loader;
  loader.MaxMapBytes = 16 << 20;
  loader.KeepAlpha = size & 1;
#ifdef TESSARY_FUZZING
  loader.VerifyChecksums = false;  // lets mutations reach the image decoding
#endif
  ImageFile::TLinearBitmap bitmap;
  try {
    loader.LoadFromStream(in, "PNG", bitmap);
  } catch (const ImageFile::Exception&) {
  }
  return 0;
}
