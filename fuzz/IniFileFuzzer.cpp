// Settings-file text on arbitrary bytes: parsing never crashes, a written key
// reads back, and the written text parses to the same lines again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  IniDocument doc(text);
  std::string value;
  doc.Find("Files", "Path to .AVI files", &value);
  doc.Set("Aperture Size", "Radius of Aperture", "6");
  const std::string written = doc.Text();
  IniDocument again(written);
  if (!again.Find("aperture size", "RADIUS OF APERTURE", &value) || value != "6") std::abort();
  if (again.Text() != written) std::abort();
  return 0;
}
