// libFuzzer target: the update site's version file on arbitrary bytes, and
// the release names made from its first line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "online/SoftwareUpdate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const VersionFileCheck c = CheckVersionFile(text);
  (void)VersionDigits(c.newest);
  (void)ReleaseArchiveName(c.newest);
  (void)UnpackedReleaseFolder("/opt/tessary/tessary", c.newest);
  const size_t half = size / 2;
  const int ab = CompareVersions(std::string_view(text).substr(0, half), std::string_view(text).substr(half));
  const int ba = CompareVersions(std::string_view(text).substr(half), std::string_view(text).substr(0, half));
  if (ab != -ba) __builtin_trap();
  return 0;
}
