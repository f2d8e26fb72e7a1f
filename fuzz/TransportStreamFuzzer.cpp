// libFuzzer target: the transport-stream time-stamp scan on arbitrary bytes,
// the PID taken from the first two bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "video/TransportStreamScan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1u << 20)) return 0;
  const int pid = (data[0] << 8 | data[1]) & 0x1FFF;
  OwnedMemoryByteSource bytes(std::vector<uint8_t>(data + 2, data + size));
  (void)TsDecodeTimeGoesBack(bytes, pid);
  return 0;
}
