#pragma once
// CRC-32 (ISO 3309 / PNG / zlib, reflected, preset and result complemented)
// as a filter stream, and Adler-32 (RFC 1950).
#include <cstdint>

#include "ImageFileLib/LibraryStreams.h"

namespace ImageFile {

uint32_t Crc32Update(uint32_t reg, const void* data, int64_t count);
// The finished CRC of a whole buffer.
uint32_t Crc32(const void* data, int64_t count);

class TCRC32Stream : public TFilterStream {
public:
  explicit TCRC32Stream(TBaseStream* target);
  const char* ClassName() const override { return "TCRC32Stream"; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  void Flush() override {}
  void ResetCRC() { Register = 0xFFFFFFFFu; }
  uint32_t CRC() const { return ~Register; }

private:
  uint32_t Register = 0xFFFFFFFFu;
};

struct TAdler32 {
  uint32_t A = 1;
  uint32_t B = 0;
  void Init() {
    A = 1;
    B = 0;
  }
  void Update(const void* buffer, int64_t count);
  void UpdateByte(uint8_t byte);
  // (B shl 16) or A.
  uint32_t Value() const { return (B << 16) | A; }
  // The value's bytes in big-endian order, ready to be written as is.
  void ValueBytes(uint8_t out[4]) const;
};

}  // namespace ImageFile
