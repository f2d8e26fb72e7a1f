#include "ImageFileLib/DeflateStream.h"

#include <sys/mman.h>

#include <algorithm>
#include <cassert>
#include <cstring>

namespace ImageFile {

namespace {
constexpr uint32_t RingMask = 0xFFFF;
constexpr uint32_t EmptySlot = 0x80808080u;
constexpr int SlotsPerBucket = 64;
constexpr int32_t MaxSymbolEntries = 65527;
constexpr uint16_t LitMark = 65535;
constexpr uint16_t DistMark = 65534;
constexpr int64_t BatchLimit = 32768 - 258;

const uint16_t LengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t DistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                               193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t DistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t CodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

int BitLength(uint32_t v) {
  int n = 0;
  while (v) {
    ++n;
    v >>= 1;
  }
  return n;
}

[[noreturn]] void CorruptData() { throw EInOutError("Error in compressed data"); }

const THuffmanDecoder& FixedLitDecoder() {
  static const THuffmanDecoder decoder = [] {
    uint8_t lengths[288];
    for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    THuffmanDecoder d;
    d.Build(lengths, 288);
    return d;
  }();
  return decoder;
}

const THuffmanDecoder& FixedDistDecoder() {
  static const THuffmanDecoder decoder = [] {
    uint8_t lengths[30];
    std::fill(lengths, lengths + 30, 5);
    THuffmanDecoder d;
    d.Build(lengths, 30);
    return d;
  }();
  return decoder;
}
}  // namespace

bool THuffmanDecoder::Build(const uint8_t* lengths, int n) {
  std::fill(std::begin(Count), std::end(Count), 0);
  std::fill(std::begin(Fast), std::end(Fast), 0);
  for (int i = 0; i < n; ++i) ++Count[lengths[i]];
  Count[0] = 0;
  int left = 1;
  for (int len = 1; len < 16; ++len) {
    left <<= 1;
    left -= Count[len];
    if (left < 0) return false;
  }
  uint16_t offs[16] = {};
  for (int len = 1; len < 15; ++len) offs[len + 1] = static_cast<uint16_t>(offs[len] + Count[len]);
  for (int i = 0; i < n; ++i)
    if (lengths[i]) Symbols[offs[lengths[i]]++] = static_cast<uint16_t>(i);
  // Fast table from the canonical codes of lengths up to FastBits.
  uint32_t code = 0;
  int index = 0;
  for (int len = 1; len <= FastBits; ++len) {
    for (int k = 0; k < Count[len]; ++k) {
      const uint32_t rev = ReverseBits(code + static_cast<uint32_t>(k), len);
      const auto entry = static_cast<uint16_t>(Symbols[index + k] << 4 | len);
      for (uint32_t f = rev; f < (1u << FastBits); f += 1u << len) Fast[f] = entry;
    }
    index += Count[len];
    code = (code + Count[len]) << 1;
  }
  return true;
}

TDeflateStream::TDeflateStream(TBaseStream* target, int mode) : THuffmanBitStream(target) {
  const bool can_write = target->CanWrite != 0, can_read = target->CanRead != 0;
  bool compress;
  if (mode == -1) compress = can_write;
  else compress = mode == 1;
  if (compress && !can_write) compress = false;
  if (!compress && !can_read) {
    assert(!"TDeflateStream over a target that allows neither direction");
    throw EInOutError("Stream not open for read");
  }
  CanWrite = compress;
  CanRead = !compress;
  Ring.assign(65536, 0);
  InitTable(LitTable, 288);
  InitTable(DistTable, 32);
  if (!compress) {
    // Reads past the end of the data are expected; they must not raise.
    TBaseStream* t = Target;
    if (t->StrictCount) {
      t->SetStrictCount(false);
      RestoreTargetStrict = true;
    }
  }
}

TDeflateStream::~TDeflateStream() {
  try {
    if (CanWrite) Finish();
  } catch (...) {
    // Writers call Finish() themselves to see errors.
  }
  if (RestoreTargetStrict) Target->SetStrictCount(true);
}

void TDeflateStream::Finish() {
  if (!CanWrite || Finished_) return;
  Finished_ = true;
  FinalBlock = 1;
  Flush();
  THuffmanBitStream::Flush();
}

int64_t TDeflateStream::Available() {
  if (CanWrite) return Target->Available() + Buffered;
  return Target->Available() + static_cast<int64_t>(InEnd - InPos) + (InBits - PadBits) / 8 + (OutWrite - OutRead);
}

// ---------------------------------------------------------------- compression

void TDeflateStream::ZeroPages::Allocate(size_t bytes) {
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw Exception("Out of memory");
  Address = p;
  Bytes = bytes;
}

TDeflateStream::ZeroPages::~ZeroPages() {
  if (Address) ::munmap(Address, Bytes);
}

void TDeflateStream::EnsureMatchTable() {
  if (MatchSlots) return;
  const size_t slot_bytes = size_t{65536} * SlotsPerBucket * sizeof(uint32_t);
  MatchTable.Allocate(slot_bytes + 65536);
  MatchSlots = static_cast<uint32_t*>(MatchTable.Address);
  MatchCounts = static_cast<uint8_t*>(MatchTable.Address) + slot_bytes;
  SymbolBuffer.resize(size_t{65537} * 2);
}

int64_t TDeflateStream::Write(const void* buffer, int64_t count) {
  if (!CanWrite) throw EInOutError("Stream not open for write");
  if (Method != 2) EnsureMatchTable();
  const auto* p = static_cast<const uint8_t*>(buffer);
  const int32_t limit = Method == 2 ? 65535 : 32767;
  int64_t remaining = std::max<int64_t>(count, 0);
  do {
    const int64_t n = std::min<int64_t>({remaining, limit - Buffered, 65536 - WritePos});
    if (n > 0) {
      std::memcpy(Ring.data() + WritePos, p, static_cast<size_t>(n));
      WritePos = static_cast<uint16_t>(WritePos + n);
      Buffered += static_cast<int32_t>(n);
      p += n;
      remaining -= n;
    }
    RunCoder();
  } while (remaining > 0);
  return std::max<int64_t>(count, 0);
}

void TDeflateStream::RunCoder() {
  switch (Method) {
    case 0:
      if (Buffered >= 258 || FlushRequest) MatchCoder(false);
      break;
    case 1:
      if (Buffered >= 258 || FlushRequest) MatchCoder(true);
      break;
    default:
      if (Buffered == 65535 || FlushRequest) WriteStoredBlock();
      break;
  }
}

void TDeflateStream::Flush() {
  if (!CanWrite) return;
  while (Buffered > 0 || BlockOpen || FinalBlock) {
    FlushRequest = 1;
    Write(nullptr, 0);
  }
}

void TDeflateStream::Advance(int32_t n) {
  Buffered -= n;
  if (Method == 2) {  // stored blocks never look anything up
    ReadPos = static_cast<uint16_t>(ReadPos + n);
    PositionCounter += n;
    return;
  }
  while (n-- > 0) {
    if (PositionCounter != 0) {
      const uint32_t key = Ring[static_cast<uint16_t>(ReadPos - 1)] | uint32_t{Ring[ReadPos]} << 8;
      uint8_t& c = MatchCounts[key];
      // Only c mod 64 and increments are used, so the count may start at 0 instead of 0x80.
      MatchSlots[size_t{key} * SlotsPerBucket + (c & 63)] = static_cast<uint32_t>(PositionCounter) ^ EmptySlot;
      ++c;
    }
    ++ReadPos;
    ++PositionCounter;
  }
}

void TDeflateStream::AddLiteral(int b) {
  if (FixedOpen) {
    WriteCode(LitTable, b);
    return;
  }
  SymbolBuffer[2 * SymbolCount] = static_cast<uint16_t>(b);
  SymbolBuffer[2 * SymbolCount + 1] = LitMark;
  ++SymbolCount;
}

void TDeflateStream::AddMatch(int length, int distance) {
  int symbol, extra_bits = 0, extra = 0;
  if (length <= 10) {
    symbol = 254 + length;
  } else if (length == 258) {
    symbol = 285;
  } else {
    extra_bits = BitLength(static_cast<uint32_t>(length - 3)) - 3;
    const int base = (4 << extra_bits) + 3;
    symbol = 261 + 4 * extra_bits + ((length - base) >> extra_bits);
    extra = (length - base) & ((1 << extra_bits) - 1);
  }
  const int d = distance - 1;
  int dsym, dextra_bits = 0, dextra = 0;
  if (d < 4) {
    dsym = d;
  } else {
    dextra_bits = BitLength(static_cast<uint32_t>(d)) - 2;
    dsym = 2 * (dextra_bits + 1) + ((d >> dextra_bits) & 1);
    dextra = d & ((1 << dextra_bits) - 1);
  }
  if (FixedOpen) {
    WriteCode(LitTable, symbol);
    WriteBits(static_cast<uint32_t>(extra), extra_bits);
    WriteCode(DistTable, dsym);
    WriteBits(static_cast<uint32_t>(dextra), dextra_bits);
    return;
  }
  uint16_t* e = &SymbolBuffer[2 * SymbolCount];
  *e++ = static_cast<uint16_t>(symbol);
  *e++ = LitMark;
  ++SymbolCount;
  if (extra_bits) {
    *e++ = static_cast<uint16_t>(extra);
    *e++ = static_cast<uint16_t>(extra_bits);
    ++SymbolCount;
  }
  *e++ = static_cast<uint16_t>(dsym);
  *e++ = DistMark;
  ++SymbolCount;
  if (dextra_bits) {
    *e++ = static_cast<uint16_t>(dextra);
    *e++ = static_cast<uint16_t>(dextra_bits);
    ++SymbolCount;
  }
}

void TDeflateStream::MatchCoder(bool fixed) {
  if (!BlockOpen) {
    SymbolCount = 0;
    BlockOpen = 1;
    if (fixed) {
      WriteBits(FinalBlock, 1);
      FinalBlock = 0;
      WriteBits(1, 2);
      uint8_t lengths[288];
      for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
      MakeCodes(LitTable, lengths, 15);
      FixedCodes(DistTable, 5);
      FixedOpen = true;
    }
  }
  const uint8_t* ring = Ring.data();
  while (BlockOpen) {
    if ((Buffered < 258 && !FlushRequest) || Buffered < 3) break;
    const uint32_t rp = ReadPos;
    const uint8_t b0 = ring[rp], b1 = ring[(rp + 1) & RingMask];
    const uint32_t key = b0 | uint32_t{b1} << 8;
    const int max_len = std::min<int32_t>(Buffered, 258);
    int best = 2, best_dist = 0;
    const uint32_t* slots = &MatchSlots[size_t{key} * SlotsPerBucket];
    const uint32_t count = MatchCounts[key];
    const auto counter = static_cast<uint32_t>(PositionCounter);
    for (int k = SlotsPerBucket - 1; k >= 0; --k) {
      const uint32_t dist = counter - (slots[(count + static_cast<uint32_t>(k)) & 63] ^ EmptySlot) + 1;
      if (dist < 1 || dist > 32768) break;
      const uint32_t cand = (rp - dist) & RingMask;
      if (ring[(cand + static_cast<uint32_t>(best)) & RingMask] != ring[(rp + static_cast<uint32_t>(best)) & RingMask])
        continue;
      // Positions wrap after 4 GiB; a stale slot must not pass for a match.
      if (ring[cand] != b0 || ring[(cand + 1) & RingMask] != b1) continue;
      int len = 2;
      if (rp + static_cast<uint32_t>(max_len) <= 65536 && cand + static_cast<uint32_t>(max_len) <= 65536) {
        const uint8_t* a = ring + cand;
        const uint8_t* b = ring + rp;
        while (len + 8 <= max_len) {
          uint64_t x, y;
          std::memcpy(&x, a + len, 8);
          std::memcpy(&y, b + len, 8);
          if (x != y) {
            len += __builtin_ctzll(x ^ y) >> 3;
            goto counted;
          }
          len += 8;
        }
        while (len < max_len && a[len] == b[len]) ++len;
      } else {
        while (len < max_len && ring[(cand + static_cast<uint32_t>(len)) & RingMask] ==
                                    ring[(rp + static_cast<uint32_t>(len)) & RingMask])
          ++len;
      }
    counted:
      if (len > best) {
        best = len;
        best_dist = static_cast<int>(dist);
        if (best == max_len) break;
      }
    }
    if (best < 3) {
      AddLiteral(b0);
      Advance(1);
    } else {
      AddMatch(best, best_dist);
      Advance(best);
    }
    if (!fixed && SymbolCount >= MaxSymbolEntries) WriteDynamicBlock();
  }
  if (BlockOpen && FlushRequest) {
    while (Buffered > 0) {
      AddLiteral(Ring[ReadPos]);
      Advance(1);
    }
    if (fixed) {
      WriteCode(LitTable, 256);
      FixedOpen = false;
      BlockOpen = 0;
      FlushRequest = 0;
    } else {
      WriteDynamicBlock();
    }
  }
}

void TDeflateStream::WriteDynamicBlock() {
  int bfinal = 0;
  if (Buffered == 0) {
    bfinal = FinalBlock;
    FinalBlock = 0;
  }
  WriteBits(static_cast<uint32_t>(bfinal), 1);
  WriteBits(2, 2);
  SymbolBuffer[2 * SymbolCount] = 256;
  SymbolBuffer[2 * SymbolCount + 1] = LitMark;
  ++SymbolCount;

  uint32_t lit_freq[288] = {}, dist_freq[32] = {};
  for (int32_t i = 0; i < SymbolCount; ++i) {
    const uint16_t mark = SymbolBuffer[2 * i + 1];
    if (mark == LitMark) ++lit_freq[SymbolBuffer[2 * i]];
    else if (mark == DistMark) ++dist_freq[SymbolBuffer[2 * i]];
  }
  InitTable(LitTable, 288);
  InitTable(DistTable, 32);
  BuildTree(LitTable, lit_freq, 15);
  BuildTree(DistTable, dist_freq, 15);
  int hlit = 257;
  for (int s = 285; s >= 257; --s)
    if (LitTable.Length[s]) {
      hlit = s + 1;
      break;
    }
  int hdist = 1;
  for (int s = 29; s >= 0; --s)
    if (DistTable.Length[s]) {
      hdist = s + 1;
      break;
    }
  uint8_t seq[286 + 30];
  int n = 0;
  for (int s = 0; s < hlit; ++s) seq[n++] = static_cast<uint8_t>(LitTable.Length[s]);
  for (int s = 0; s < hdist; ++s) seq[n++] = static_cast<uint8_t>(DistTable.Length[s]);

  // Run-length coding of the lengths: (symbol, extra value, extra bits).
  struct RunSymbol {
    uint8_t Symbol, Extra, Bits;
  };
  RunSymbol runs[286 + 30];
  int run_count = 0;
  uint32_t cl_freq[19] = {};
  auto emit = [&](int sym, int extra, int bits) {
    runs[run_count++] = RunSymbol{static_cast<uint8_t>(sym), static_cast<uint8_t>(extra), static_cast<uint8_t>(bits)};
    ++cl_freq[sym];
  };
  for (int i = 0; i < n;) {
    const int v = seq[i];
    int r = 1;
    while (i + r < n && seq[i + r] == v) ++r;
    i += r;
    if (v != 0) {
      emit(v, 0, 0);
      --r;
    }
    while (r >= 3) {
      if (v != 0) {
        const int k = std::min(r, 6);
        emit(16, k - 3, 2);
        r -= k;
      } else if (r > 10) {
        const int k = std::min(r, 138);
        emit(18, k - 11, 7);
        r -= k;
      } else {
        emit(17, r - 3, 3);
        r = 0;
      }
    }
    while (r-- > 0) emit(v, 0, 0);
  }
  THuffmanTable cl_table;
  InitTable(cl_table, 19);
  BuildTree(cl_table, cl_freq, 7);
  int hclen = 4;
  for (int k = 18; k >= 0; --k)
    if (cl_table.Length[CodeLengthOrder[k]]) {
      hclen = std::max(4, k + 1);
      break;
    }
  WriteBits(static_cast<uint32_t>(hlit - 257), 5);
  WriteBits(static_cast<uint32_t>(hdist - 1), 5);
  WriteBits(static_cast<uint32_t>(hclen - 4), 4);
  for (int k = 0; k < hclen; ++k) WriteBits(cl_table.Length[CodeLengthOrder[k]], 3);
  for (int k = 0; k < run_count; ++k) {
    WriteCode(cl_table, runs[k].Symbol);
    WriteBits(runs[k].Extra, runs[k].Bits);
  }
  for (int32_t i = 0; i < SymbolCount; ++i) {
    const uint16_t value = SymbolBuffer[2 * i], mark = SymbolBuffer[2 * i + 1];
    if (mark == LitMark) WriteCode(LitTable, value);
    else if (mark == DistMark) WriteCode(DistTable, value);
    else WriteBits(value, mark);
  }
  SymbolCount = 0;
  BlockOpen = 0;
  FlushRequest = 0;
}

void TDeflateStream::WriteStoredBlock() {
  WriteBits(FinalBlock, 1);
  FinalBlock = 0;
  WriteBits(0, 2);
  THuffmanBitStream::Flush();
  const auto len = static_cast<uint16_t>(Buffered);
  const uint8_t header[4] = {static_cast<uint8_t>(len), static_cast<uint8_t>(len >> 8),
                             static_cast<uint8_t>(~len), static_cast<uint8_t>(~len >> 8)};
  Target->Write(header, 4);
  int32_t left = Buffered;
  while (left > 0) {
    const int32_t piece = std::min<int32_t>(left, 65536 - ReadPos);
    Target->Write(Ring.data() + ReadPos, piece);
    Advance(piece);
    left -= piece;
  }
  BlockOpen = 0;
  FlushRequest = 0;
}

// ---------------------------------------------------------------- decompression

namespace {
constexpr size_t InBufSize = 4096;
}

// Fills the bit buffer to at least n bits (up to 56 when the input has them),
// eight bytes at a time while the block buffer holds that many; past the end
// of the input it adds zero bits, counted in PadBits.
void TDeflateStream::FillBits(int n) {
  while (InBits < n) {
    if (InEnd - InPos >= 8) {
      uint64_t v;
      std::memcpy(&v, InBuf.get() + InPos, 8);
      const int take = (63 - InBits) >> 3;
      InAcc |= v << InBits;
      InBits += take * 8;
      InPos += static_cast<size_t>(take);
      // Bits above the buffer stay zero: the stored-block path takes bytes
      // straight from the block buffer.
      if (InBits < 64) InAcc &= (uint64_t{1} << InBits) - 1;
      continue;
    }
    if (InPos < InEnd) {
      InAcc |= uint64_t{InBuf[InPos++]} << InBits;
      InBits += 8;
      continue;
    }
    if (!InputEnded) {
      if (!InBuf) InBuf = std::make_unique<uint8_t[]>(InBufSize);
      InPos = 0;
      const int64_t got = Target->Read(InBuf.get(), static_cast<int64_t>(InBufSize));
      InEnd = got > 0 ? static_cast<size_t>(got) : 0;
      if (InEnd > 0) continue;
      InputEnded = true;
    }
    PadBits += 8;
    InBits += 8;
  }
}

size_t TDeflateStream::TakeInput(uint8_t* destination, size_t count) {
  const size_t n = std::min(count, InEnd - InPos);
  if (n) std::memcpy(destination, InBuf.get() + InPos, n);
  InPos += n;
  if (n < count && !InputEnded) {
    const int64_t r = Target->Read(destination + n, static_cast<int64_t>(count - n));
    return n + static_cast<size_t>(r > 0 ? r : 0);
  }
  return n;
}

void TDeflateStream::ShortInput() { throw EInOutError("Read less than expected"); }

int TDeflateStream::DecodeLongSymbol(const THuffmanDecoder& decoder) {
  NeedBits(15);
  uint64_t bits = InAcc;
  int code = 0, first = 0, index = 0;
  for (int len = 1; len < 16; ++len) {
    code |= static_cast<int>(bits & 1);
    bits >>= 1;
    const int count = decoder.Count[len];
    if (code - first < count) {
      DropBits(len);
      return decoder.Symbols[index + (code - first)];
    }
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  CorruptData();
}

void TDeflateStream::ReadBlockHeader() {
  LastBlock = GetBits(1) != 0;
  BlockType = static_cast<int>(GetBits(2));
  if (BlockType == 0) {
    DropBits((InBits - PadBits) & 7);
    const uint32_t len = GetBits(16), nlen = GetBits(16);
    if ((len ^ 0xFFFF) != nlen) CorruptData();
    StoredLeft = len;
  } else if (BlockType == 1) {
    LitDecoder = FixedLitDecoder();
    DistDecoder = FixedDistDecoder();
  } else if (BlockType == 2) {
    ReadDynamicTables();
  } else {
    CorruptData();
  }
}

void TDeflateStream::ReadDynamicTables() {
  const int hlit = static_cast<int>(GetBits(5)) + 257;
  const int hdist = static_cast<int>(GetBits(5)) + 1;
  const int hclen = static_cast<int>(GetBits(4)) + 4;
  if (hlit > 286 || hdist > 30) CorruptData();
  uint8_t cl_lengths[19] = {};
  for (int k = 0; k < hclen; ++k) cl_lengths[CodeLengthOrder[k]] = static_cast<uint8_t>(GetBits(3));
  THuffmanDecoder cl;
  if (!cl.Build(cl_lengths, 19)) CorruptData();
  uint8_t lengths[286 + 30] = {};
  const int total = hlit + hdist;
  for (int i = 0; i < total;) {
    const int sym = DecodeSymbol(cl);
    if (sym < 16) {
      lengths[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    int rep;
    uint8_t value = 0;
    if (sym == 16) {
      if (i == 0) CorruptData();
      value = lengths[i - 1];
      rep = 3 + static_cast<int>(GetBits(2));
    } else if (sym == 17) {
      rep = 3 + static_cast<int>(GetBits(3));
    } else {
      rep = 11 + static_cast<int>(GetBits(7));
    }
    if (i + rep > total) CorruptData();
    std::fill(lengths + i, lengths + i + rep, value);
    i += rep;
  }
  if (lengths[256] == 0) CorruptData();
  if (!LitDecoder.Build(lengths, hlit) || !DistDecoder.Build(lengths + hlit, hdist)) CorruptData();
}

void TDeflateStream::DecodeSome() {
  const int64_t start = OutWrite;
  uint8_t* ring = Ring.data();
  while (!InflateDone && OutWrite - start < BatchLimit) {
    if (BlockType < 0) ReadBlockHeader();
    if (BlockType == 0) {
      while (StoredLeft > 0 && OutWrite - start < BatchLimit) {
        const int64_t n =
            std::min<int64_t>({StoredLeft, BatchLimit - (OutWrite - start), 65536 - (OutWrite & RingMask)});
        uint8_t* dst = ring + (OutWrite & RingMask);
        int64_t got = 0;
        while (got < n && InBits - PadBits >= 8) {
          dst[got++] = static_cast<uint8_t>(InAcc);
          InAcc >>= 8;
          InBits -= 8;
        }
        if (got < n) {
          const size_t r = TakeInput(dst + got, static_cast<size_t>(n - got));
          if (static_cast<int64_t>(r) < n - got) throw EInOutError("Read less than expected");
          got = n;
        }
        OutWrite += n;
        StoredLeft -= n;
      }
      if (StoredLeft == 0) {
        BlockType = -1;
        if (LastBlock) InflateDone = true;
      }
    } else {
      while (OutWrite - start < BatchLimit) {
        const int sym = DecodeSymbol(LitDecoder);
        if (sym < 256) {
          ring[OutWrite++ & RingMask] = static_cast<uint8_t>(sym);
          continue;
        }
        if (sym == 256) {
          BlockType = -1;
          if (LastBlock) InflateDone = true;
          break;
        }
        const int li = sym - 257;
        if (li >= 29) CorruptData();
        const int len = LengthBase[li] + static_cast<int>(GetBits(LengthExtra[li]));
        const int dsym = DecodeSymbol(DistDecoder);
        if (dsym >= 30) CorruptData();
        const int64_t dist = DistBase[dsym] + static_cast<int64_t>(GetBits(DistExtra[dsym]));
        if (dist > OutWrite) CorruptData();
        uint32_t to = static_cast<uint32_t>(OutWrite) & RingMask;
        uint32_t from = static_cast<uint32_t>(OutWrite - dist) & RingMask;
        if (to + static_cast<uint32_t>(len) <= 65536 && from + static_cast<uint32_t>(len) <= 65536 && dist >= len) {
          std::memcpy(ring + to, ring + from, static_cast<size_t>(len));
        } else if (to + static_cast<uint32_t>(len) <= 65536 && from < to) {
          // A repeating pattern (distance below the length): copies of the
          // pattern's start, each as long as what lies between them (a
          // whole number of periods), so no copy overlaps its source.
          uint32_t done = 0;
          while (done < static_cast<uint32_t>(len)) {
            const uint32_t n = std::min(static_cast<uint32_t>(dist) + done, static_cast<uint32_t>(len) - done);
            std::memcpy(ring + to + done, ring + from, n);
            done += n;
          }
        } else {
          for (int k = 0; k < len; ++k) {
            ring[to] = ring[from];
            to = (to + 1) & RingMask;
            from = (from + 1) & RingMask;
          }
        }
        OutWrite += len;
      }
    }
    if (OutWrite > MaxOutput) throw EInOutError("Decompressed data too large");
  }
}

int64_t TDeflateStream::Read(void* buffer, int64_t count) {
  if (!CanRead) throw EInOutError("Stream not open for read");
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    if (OutRead < OutWrite) {
      const int64_t n =
          std::min<int64_t>({count - done, OutWrite - OutRead, 65536 - (OutRead & RingMask)});
      std::memcpy(p + done, Ring.data() + (OutRead & RingMask), static_cast<size_t>(n));
      OutRead += n;
      done += n;
      continue;
    }
    if (InflateDone) break;
    DecodeSome();
  }
  if (done < count && StrictCount) throw EInOutError("Read less than expected");
  return done;
}

int64_t TDeflateStream::ReadTrailer(void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  DropBits((InBits - PadBits) & 7);
  int64_t done = 0;
  while (done < count && InBits - PadBits >= 8) {
    p[done++] = static_cast<uint8_t>(InAcc);
    InAcc >>= 8;
    InBits -= 8;
  }
  if (done < count) done += static_cast<int64_t>(TakeInput(p + done, static_cast<size_t>(count - done)));
  return done;
}

}  // namespace ImageFile
