#pragma once
// Bit packing over a target stream, least significant bit first (deflate
// order), and Huffman code construction on top of it.
#include <cstdint>

#include "ImageFileLib/LibraryStreams.h"

namespace ImageFile {

class TBitStream : public TFilterStream {
public:
  explicit TBitStream(TBaseStream* target);
  ~TBitStream() override;
  const char* ClassName() const override { return "TBitStream"; }
  // Appends the low n bits of value (n <= 32).
  void WriteBits(uint32_t value, int n) {
    if (n < 1) return;
    BitAcc |= uint64_t{value & (n == 32 ? 0xFFFFFFFFu : ((1u << n) - 1))} << BitCount;
    BitCount += n;
    while (BitCount >= 8) {
      OutBuffer[OutFill++] = static_cast<uint8_t>(BitAcc);
      BitAcc >>= 8;
      BitCount -= 8;
      if (OutFill == sizeof OutBuffer) FlushOutBuffer();
    }
  }
  // Reads n bits into consecutive bytes (8 per byte); returns the bits delivered.
  int ReadBits(void* destination, int n);
  int ReadBit();
  // Writes a partial byte and starts the next write on a byte boundary.
  void Flush() override;
  void Finish() override {
    if (CanWrite) Flush();
  }
  int64_t Available() override { return Target->Available() + InBits / 8; }

protected:
  void FlushOutBuffer();
  // Write side: pending bits and complete bytes not yet handed to the target.
  uint64_t BitAcc = 0;
  int BitCount = 0;
  uint8_t OutBuffer[4096];
  int OutFill = 0;
  // Read side: bits taken from the target and not yet consumed.
  uint64_t InAcc = 0;
  int InBits = 0;
};

// Code table: per symbol a bit-reversed code and its length (0 = no code).
struct THuffmanTable {
  int32_t HighestSymbol = -1;
  uint32_t Code[289] = {};
  uint32_t Length[289] = {};
};

class THuffmanBitStream : public TBitStream {
public:
  using TBitStream::TBitStream;
  static void InitTable(THuffmanTable& table, int n) { table.HighestSymbol = n - 1; }
  // Code lengths limited to max_length and canonical codes from frequencies.
  static void BuildTree(THuffmanTable& table, const uint32_t* frequencies, int max_length);
  // Canonical codes from lengths (RFC 1951 3.2.2), bit-reversed.
  static void MakeCodes(THuffmanTable& table, const uint8_t* lengths, int max_length);
  static void FixedCodes(THuffmanTable& table, int bits);
  void WriteCode(const THuffmanTable& table, int symbol) {
    WriteBits(table.Code[symbol], static_cast<int>(table.Length[symbol]));
  }
};

uint32_t ReverseBits(uint32_t code, int length);

}  // namespace ImageFile
