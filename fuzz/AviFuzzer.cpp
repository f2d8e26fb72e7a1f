// libFuzzer target for the RIFF AVI reader and the frame decoders behind TGKAvi.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "video/TGKAvi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  TGKAvi avi;
  auto bytes = std::make_unique<OwnedMemoryByteSource>(std::vector<uint8_t>(data, data + size));
  if (!avi.OpenBytes(std::move(bytes))) return 0;
  Bitmap24 frame;
  const int32_t count = avi.FrameCount();
  for (int32_t n : {0, 1, count / 2, count - 1, count}) avi.GetFrameBitmap(n, frame);
  (void)avi.StreamRate();
  return 0;
}
