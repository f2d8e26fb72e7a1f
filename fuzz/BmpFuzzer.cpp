// libFuzzer target: the BMP reader and its own bitmap-file decoder.
#include <cstddef>
#include <cstdint>

#include "ImageFileLib/BmpLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 20)) return 0;
  ImageFile::TMemStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  ImageFile::TBMPLoader loader;
  loader.MaxMapBytes = 16 << 20;
  ImageFile::TLinearBitmap bitmap;
  try {
    loader.LoadFromStream(in, "BMP", bitmap);
  } catch (const ImageFile::Exception&) {
  }
  return 0;
}
