// libFuzzer target: the ZIP reader on arbitrary bytes, every member inflated.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "online/ZipFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 20)) return 0;
  TZipFile zip;
  try {
    zip.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    for (int i = 0; i < zip.Count(); ++i) {
      try {
        zip.GetUncompressed(i);
      } catch (const EZipFileCRCError&) {
        // Mutations rarely keep the checksum; the next member is still read.
      }
    }
  } catch (const EZipFileError&) {
  }
  return 0;
}
