// Capture-log parser under arbitrary bytes; every state it leaves must time frames.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "video/CaptureLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  CaptureLogState state;
  ApplyCaptureLogText(std::string_view(reinterpret_cast<const char*>(data), size), state);
  FrameTimeFromCaptureLog(state, 0);
  FrameTimeFromCaptureLog(state, 2147483647);
  FrameTimeFromCaptureLog(state, -2147483647 - 1);
  return 0;
}
