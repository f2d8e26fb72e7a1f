#include "ImageFileLib/BitStream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ImageFile {

TBitStream::TBitStream(TBaseStream* target) : TFilterStream(target) {
  CanRead = target->CanRead;
  CanWrite = target->CanWrite;
}

TBitStream::~TBitStream() {
  try {
    if (CanWrite) Flush();
  } catch (...) {
    // Writers flush explicitly; a destructor must not throw.
  }
}

void TBitStream::FlushOutBuffer() {
  if (OutFill > 0) {
    const int n = OutFill;
    OutFill = 0;
    Target->Write(OutBuffer, n);
  }
}

void TBitStream::Flush() {
  if (BitCount > 0) {
    OutBuffer[OutFill++] = static_cast<uint8_t>(BitAcc);
    BitAcc = 0;
    BitCount = 0;
  }
  FlushOutBuffer();
}

int TBitStream::ReadBits(void* destination, int n) {
  auto* d = static_cast<uint8_t*>(destination);
  int done = 0;
  while (done < n) {
    if (InBits == 0) {
      uint8_t b;
      if (Target->Read(&b, 1) != 1) break;
      InAcc = b;
      InBits = 8;
    }
    if (done % 8 == 0) d[done / 8] = 0;
    d[done / 8] |= static_cast<uint8_t>((InAcc & 1) << (done % 8));
    InAcc >>= 1;
    --InBits;
    ++done;
  }
  return done;
}

int TBitStream::ReadBit() {
  uint8_t b = 0;
  return ReadBits(&b, 1) == 1 ? b : -1;
}

uint32_t ReverseBits(uint32_t code, int length) {
  uint32_t r = 0;
  for (int i = 0; i < length; ++i) {
    r = (r << 1) | (code & 1);
    code >>= 1;
  }
  return r;
}

void THuffmanBitStream::MakeCodes(THuffmanTable& table, const uint8_t* lengths, int max_length) {
  const int n = table.HighestSymbol + 1;
  uint32_t count[33] = {};
  for (int i = 0; i < n; ++i) {
    table.Length[i] = lengths[i];
    if (lengths[i]) ++count[lengths[i]];
  }
  uint32_t next[33] = {};
  uint32_t code = 0;
  for (int bits = 1; bits <= max_length; ++bits) {
    code = (code + count[bits - 1]) << 1;
    next[bits] = code;
  }
  for (int i = 0; i < n; ++i) {
    const int len = lengths[i];
    table.Code[i] = len ? ReverseBits(next[len]++, len) : 0;
  }
}

void THuffmanBitStream::FixedCodes(THuffmanTable& table, int bits) {
  for (int i = 0; i <= table.HighestSymbol; ++i) {
    table.Code[i] = ReverseBits(static_cast<uint32_t>(i), bits);
    table.Length[i] = static_cast<uint32_t>(bits);
  }
}

void THuffmanBitStream::BuildTree(THuffmanTable& table, const uint32_t* frequencies, int max_length) {
  const int n = table.HighestSymbol + 1;
  std::vector<uint64_t> freq(frequencies, frequencies + n);
  std::vector<int> depth(static_cast<size_t>(n), 0), next(static_cast<size_t>(n), -1), tail(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) tail[i] = i;
  // Merge the two smallest groups until one remains; ties go to the later symbol.
  for (;;) {
    int s1 = -1, s2 = -1;
    for (int i = 0; i < n; ++i) {
      const uint64_t f = freq[i];
      if (f == 0) continue;
      if (s1 < 0 || f <= freq[s1]) {
        s2 = s1;
        s1 = i;
      } else if (s2 < 0 || f <= freq[s2]) {
        s2 = i;
      }
    }
    if (s1 < 0) break;
    if (s2 < 0) {
      if (depth[s1] == 0) depth[s1] = 1;
      break;
    }
    freq[s1] += freq[s2];
    freq[s2] = 0;
    for (int m = s1; m >= 0; m = next[m]) ++depth[m];
    for (int m = s2; m >= 0; m = next[m]) ++depth[m];
    next[tail[s1]] = s2;
    tail[s1] = tail[s2];
  }
  int max_depth = 0;
  for (int d : depth) max_depth = std::max(max_depth, d);
  std::vector<int> count(static_cast<size_t>(std::max(max_depth, 2 * max_length) + 1), 0);
  for (int d : depth)
    if (d) ++count[d];
  // Length limiting of JPEG (ITU-T T.81 K.3).
  for (int i = static_cast<int>(count.size()) - 1; i > max_length; --i) {
    while (count[i] > 0) {
      int j = i - 2;
      while (j > 0 && count[j] == 0) --j;
      if (j <= 0) break;
      count[i] -= 2;
      count[i - 1] += 1;
      count[j + 1] += 2;
      count[j] -= 1;
    }
  }
  // Symbols by depth, ties by index, take the limited lengths in order.
  std::vector<int> order;
  for (int d = 1; d <= max_depth; ++d)
    for (int i = 0; i < n; ++i)
      if (depth[i] == d) order.push_back(i);
  std::vector<uint8_t> lengths(static_cast<size_t>(n), 0);
  size_t k = 0;
  for (int len = 1; len <= max_length; ++len)
    for (int c = 0; c < count[len] && k < order.size(); ++c) lengths[order[k++]] = static_cast<uint8_t>(len);
  MakeCodes(table, lengths.data(), max_length);
}

}  // namespace ImageFile
