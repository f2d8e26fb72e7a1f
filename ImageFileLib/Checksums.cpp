#include "ImageFileLib/Checksums.h"

#include <array>

#include "base/ByteOrder.h"

namespace ImageFile {

namespace {
// Slicing-by-4 tables of the reflected polynomial 0xEDB88320.
const std::array<std::array<uint32_t, 256>, 4>& CrcTables() {
  static const auto tables = [] {
    std::array<std::array<uint32_t, 256>, 4> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; ++n)
      for (int k = 1; k < 4; ++k) t[k][n] = t[0][t[k - 1][n] & 0xFF] ^ (t[k - 1][n] >> 8);
    return t;
  }();
  return tables;
}
}  // namespace

uint32_t Crc32Update(uint32_t reg, const void* data, int64_t count) {
  const auto& t = CrcTables();
  const auto* p = static_cast<const uint8_t*>(data);
  while (count >= 4) {
    reg ^= uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    reg = t[3][reg & 0xFF] ^ t[2][(reg >> 8) & 0xFF] ^ t[1][(reg >> 16) & 0xFF] ^ t[0][reg >> 24];
    p += 4;
    count -= 4;
  }
  while (count-- > 0) reg = t[0][(reg ^ *p++) & 0xFF] ^ (reg >> 8);
  return reg;
}

uint32_t Crc32(const void* data, int64_t count) { return ~Crc32Update(0xFFFFFFFFu, data, count); }

TCRC32Stream::TCRC32Stream(TBaseStream* target) : TFilterStream(target) {
  CanRead = target->CanRead;
  CanWrite = target->CanWrite;
}

int64_t TCRC32Stream::Write(const void* buffer, int64_t count) {
  if (count > 0) Register = Crc32Update(Register, buffer, count);
  return Target->Write(buffer, count);
}

int64_t TCRC32Stream::Read(void* buffer, int64_t count) {
  const int64_t n = Target->Read(buffer, count);
  if (n > 0) Register = Crc32Update(Register, buffer, n);
  return n;
}

void TAdler32::Update(const void* buffer, int64_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  // Up to 5552 bytes can be summed before B can overflow 32 bits.
  while (count > 0) {
    const int64_t n = count < 5552 ? count : 5552;
    for (int64_t i = 0; i < n; ++i) {
      A += p[i];
      B += A;
    }
    A %= 65521;
    B %= 65521;
    p += n;
    count -= n;
  }
}

void TAdler32::UpdateByte(uint8_t byte) {
  A += byte;
  if (A >= 65521) A -= 65521;
  B += A;
  if (B >= 65521) B -= 65521;
}

void TAdler32::ValueBytes(uint8_t out[4]) const {
  PutBe32(out, Value());
}

}  // namespace ImageFile
