// libFuzzer target: the inflater on arbitrary deflate data, output capped.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ImageFileLib/DeflateStream.h"
#include "LoaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageFile::TMemStream in;
  if (!FuzzInputStream(data, size, in)) return 0;
  try {
    ImageFile::TDeflateStream inflate(&in, 0);
    inflate.MaxOutput = 8 << 20;
    inflate.SetStrictCount(false);
    std::vector<uint8_t> out(65536);
    while (inflate.Read(out.data(), static_cast<int64_t>(out.size())) > 0) {
    }
  } catch (const ImageFile::Exception&) {
  }
  return 0;
}
