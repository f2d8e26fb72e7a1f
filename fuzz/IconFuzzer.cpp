// libFuzzer target: the icon and cursor reader.
#include <cstddef>
#include <cstdint>

#include "ImageFileLib/IconFile.h"
#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageFile::TMemStream in;
  if (!FuzzInputStream(data, size, in)) return 0;
  ImageFile::TIconList list;
  list.MaxBytes = 16 << 20;
  try {
    list.LoadFromStream(in);
    ImageFile::TLinearBitmap bitmap;
    for (int32_t i = 0; i < list.Count(); ++i) list[i].AssignTo(bitmap, -1);
  } catch (const ImageFile::Exception&) {
  }
  return 0;
}
