// Result CSV loading on arbitrary bytes: never crashes, and a loaded table is
// what the text splits into, less the trailing lines without a comma.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/ResultCsvLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  ResultCsvLoadParams params;
  params.Limits.MaxLineBytes = 4096;
  ResultCsvLoadResult r = LoadResultCsvText(text, "/nonexistent-fuzz-folder", params);
  if (r.Ok) {
    if (r.Lines.empty() || r.ObjectCount < 1 || r.ObjectCount > 3) std::abort();
    if (r.FrameStep < 1 || r.FrameStep > 64) std::abort();
    if (r.Lines.back().find(',') == std::string::npos) std::abort();
  } else if (!r.Lines.empty() || r.Error.empty()) {
    std::abort();
  }
  return 0;
}
