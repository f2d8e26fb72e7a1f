#pragma once
// Deflate (RFC 1951) as a filter stream: compress mode codes what is written
// into the target, decompress mode inflates what is read from the target.
//
// Inflater contract: accepts any valid deflate stream (stored, fixed and
// dynamic blocks); rejects over-subscribed codes, code-length sequences that
// run past HLIT + HDIST, HLIT > 286, HDIST > 30, block type 3, literal/length
// symbols above 285, distance symbols above 29 and distances reaching before
// the start of the output ("Error in compressed data"); input that ends before
// the final block gives "Read less than expected"; output beyond MaxOutput
// gives "Decompressed data too large". Incomplete codes are accepted until an
// unused code is met.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ImageFileLib/BitStream.h"

namespace ImageFile {

// Fast canonical Huffman decoder built from code lengths.
struct THuffmanDecoder {
  static constexpr int FastBits = 10;
  uint16_t Fast[1 << FastBits] = {};  // symbol << 4 | length, 0 = slow path
  uint16_t Count[16] = {};
  uint16_t Symbols[288] = {};
  // False when the lengths over-subscribe the code space.
  bool Build(const uint8_t* lengths, int n);
};

class TDeflateStream : public THuffmanBitStream {
public:
  // mode -1: by the target (compress when writable, else decompress); 1 compress; 0 decompress.
  TDeflateStream(TBaseStream* target, int mode = -1);
  ~TDeflateStream() override;
  const char* ClassName() const override { return "TDeflateStream"; }
  // Only this stream's flag: the target is read past the end on purpose.
  void SetStrictCount(bool value) override { StrictCount = value ? 1 : 0; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  // Compress: codes everything buffered.
  void Flush() override;
  int64_t Available() override;
  // Compress: ends the data (final block) and flushes every bit to the target.
  // The destructor does it too, but cannot report errors.
  void Finish() override;
  // Decompress: true once the final block has been decoded completely.
  bool Finished() const { return InflateDone && OutRead == OutWrite; }
  // Decompress: reads bytes that follow the deflate data (byte aligned),
  // first from bits already taken from the target.
  int64_t ReadTrailer(void* buffer, int64_t count);

  uint8_t Method = 0;  // 0 LZ77 + dynamic blocks, 1 one fixed block, 2 stored blocks
  uint8_t FinalBlock = 0;
  int64_t MaxOutput = int64_t{1} << 30;

private:
  // Compression.
  void RunCoder();
  void MatchCoder(bool fixed);
  void WriteDynamicBlock();
  void WriteStoredBlock();
  void Advance(int32_t n);
  void AddLiteral(int b);
  void AddMatch(int length, int distance);
  void EnsureMatchTable();

  // Decompression.
  void DecodeSome();
  void ReadBlockHeader();
  void ReadDynamicTables();
  void NeedBits(int n) {
    if (InBits < n) FillBits(n);
  }
  void FillBits(int n);
  // Input bytes taken from the target ahead of the bit buffer.
  size_t TakeInput(uint8_t* destination, size_t count);
  uint32_t PeekBits(int n) { return static_cast<uint32_t>(InAcc & ((uint64_t{1} << n) - 1)); }
  void DropBits(int n) {
    if (n > InBits - PadBits) ShortInput();
    InAcc >>= n;
    InBits -= n;
  }
  [[noreturn]] static void ShortInput();
  uint32_t GetBits(int n) {
    NeedBits(n);
    const uint32_t v = PeekBits(n);
    DropBits(n);
    return v;
  }
  int DecodeSymbol(const THuffmanDecoder& decoder) {
    NeedBits(THuffmanDecoder::FastBits);
    const uint16_t entry = decoder.Fast[PeekBits(THuffmanDecoder::FastBits)];
    if (!entry) return DecodeLongSymbol(decoder);
    DropBits(entry & 15);
    return entry >> 4;
  }
  // Codes longer than the fast table's.
  int DecodeLongSymbol(const THuffmanDecoder& decoder);

  std::vector<uint8_t> Ring;  // 65536 bytes
  uint16_t ReadPos = 0;
  uint16_t WritePos = 0;
  int32_t Buffered = 0;
  uint8_t FlushRequest = 0;
  uint8_t BlockOpen = 0;
  THuffmanTable LitTable;
  THuffmanTable DistTable;
  int64_t PositionCounter = 0;
  // 65536 buckets of 64 positions and a count byte. Slots are stored xor
  // 0x80808080, so fresh zero pages from the system read as the empty-slot
  // pattern 0x80808080 without writing 16 MB first.
  struct ZeroPages {
    void* Address = nullptr;
    size_t Bytes = 0;
    ZeroPages() = default;
    ZeroPages(const ZeroPages&) = delete;
    ZeroPages& operator=(const ZeroPages&) = delete;
    ~ZeroPages();
    void Allocate(size_t bytes);
  };
  ZeroPages MatchTable;
  uint32_t* MatchSlots = nullptr;
  uint8_t* MatchCounts = nullptr;
  std::vector<uint16_t> SymbolBuffer; // pairs
  int32_t SymbolCount = 0;
  bool FixedOpen = false;

  // Inflate state.
  THuffmanDecoder LitDecoder;
  THuffmanDecoder DistDecoder;
  int BlockType = -1;  // -1 between blocks
  bool LastBlock = false;
  bool InflateDone = false;
  int64_t StoredLeft = 0;
  int64_t OutWrite = 0;  // bytes decoded in total
  int64_t OutRead = 0;   // bytes delivered in total
  int PadBits = 0;       // zero bits added past the end of the input
  // The target is read in blocks: bytes InPos..InEnd of InBuf are read from
  // it and not yet in the bit buffer.
  std::unique_ptr<uint8_t[]> InBuf;
  size_t InPos = 0, InEnd = 0;
  bool InputEnded = false;
  bool RestoreTargetStrict = false;
  bool Finished_ = false;
};

}  // namespace ImageFile
