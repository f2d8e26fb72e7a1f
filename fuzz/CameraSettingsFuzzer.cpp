// libFuzzer target for the camera-setting text file of the report window.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/ResultTable.h"
#include "events/ReportFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)ParseCameraSettings(SplitTextLines(text));
  return 0;
}
