// Our deflate against zlib in both directions, checksums against zlib, and
// corrupt or truncated streams.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <string>
#include <vector>

#include "ImageFileLib/Checksums.h"
#include "ImageFileLib/DeflateStream.h"
#include "support/ScreenshotImage.h"

using namespace ImageFile;

namespace {

std::vector<uint8_t> OurDeflate(const std::vector<uint8_t>& input, int method, size_t piece = 0) {
  TMemStream out;
  {
    TDeflateStream deflate(&out, 1);
    deflate.Method = static_cast<uint8_t>(method);
    if (piece == 0) piece = input.size() ? input.size() : 1;
    for (size_t at = 0; at < input.size(); at += piece)
      deflate.Write(input.data() + at, static_cast<int64_t>(std::min(piece, input.size() - at)));
    deflate.Finish();
  }
  return out.ToVector();
}

std::vector<uint8_t> OurInflate(const std::vector<uint8_t>& data, int64_t expected) {
  TMemStream in;
  in.Write(data.data(), static_cast<int64_t>(data.size()));
  in.SetPosition(0);
  TDeflateStream inflate(&in, 0);
  std::vector<uint8_t> out(static_cast<size_t>(expected));
  if (expected) inflate.Read(out.data(), expected);
  uint8_t extra;
  inflate.SetStrictCount(false);
  EXPECT_EQ(inflate.Read(&extra, 1), 0) << "more output than expected";
  return out;
}

std::vector<uint8_t> ZlibInflateRaw(const std::vector<uint8_t>& data, size_t expected) {
  std::vector<uint8_t> out(expected + 16);
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  EXPECT_EQ(rc, Z_STREAM_END) << (z.msg ? z.msg : "");
  EXPECT_EQ(z.avail_in, 0u) << "trailing bytes after the final block";
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

std::vector<uint8_t> ZlibDeflateRaw(const std::vector<uint8_t>& input, int level, int strategy) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
  std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(input.size())) + 16);
  z.next_in = const_cast<Bytef*>(input.data());
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

struct CorpusItem {
  std::string Name;
  std::vector<uint8_t> Data;
};

std::vector<CorpusItem> Corpus() {
  std::vector<CorpusItem> c;
  c.push_back({"empty", {}});
  c.push_back({"one byte", {42}});
  std::string text;
  for (int i = 0; i < 400; ++i)
    text += "The star disappeared behind the limb at 21:14:07.32 UTC, frame " + std::to_string(i * 7) + ".\r\n";
  c.push_back({"text", std::vector<uint8_t>(text.begin(), text.end())});
  c.push_back({"1 MiB zeros", std::vector<uint8_t>(1 << 20, 0)});
  c.push_back({"1 MiB random", MakeRandomBytes(1 << 20, 7)});
  c.push_back({"70000 random (above 64 KiB)", MakeRandomBytes(70000, 9)});
  // Literals only, far more than 65,527 symbols in one block's worth.
  c.push_back({"200000 random (above 65527 symbols)", MakeRandomBytes(200000, 11)});
  c.push_back({"screenshot", MakeScreenshotImage(720, 480)});
  std::vector<uint8_t> runs;
  for (int i = 0; i < 100000; ++i) runs.push_back(static_cast<uint8_t>((i / 300) % 3 == 0 ? i % 7 : 200));
  c.push_back({"mixed runs", runs});
  return c;
}

}  // namespace

TEST(Deflate, OurOutputOfEveryMethodInflatesWithZlib) {
  for (const auto& item : Corpus())
    for (int method = 0; method <= 2; ++method) {
      SCOPED_TRACE(item.Name + " method " + std::to_string(method));
      const auto packed = OurDeflate(item.Data, method);
      EXPECT_EQ(ZlibInflateRaw(packed, item.Data.size()), item.Data);
    }
}

TEST(Deflate, ZlibOutputOfEveryLevelAndStrategyInflatesWithOurs) {
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  for (const auto& item : Corpus())
    for (int level = 0; level <= 9; ++level)
      for (int strategy : strategies) {
        if (item.Data.size() > 300000 && level % 3 != 0) continue;  // keeps the sanitizer run short
        SCOPED_TRACE(item.Name + " level " + std::to_string(level) + " strategy " + std::to_string(strategy));
        const auto packed = ZlibDeflateRaw(item.Data, level, strategy);
        EXPECT_EQ(OurInflate(packed, static_cast<int64_t>(item.Data.size())), item.Data);
      }
}

TEST(Deflate, EmptyInputGivesTheHandDerivedBlockBitForBit) {
  // End-of-block alone: literal code of length 1; lengths 256 x 0, 1, 0 run-length
  // coded as 18(138) 18(118) 1 0; code-length code 18 -> "0", 0 -> "10", 1 -> "11".
  TMemStream expected;
  {
    THuffmanBitStream bits(&expected);
    bits.WriteBits(1, 1);
    bits.WriteBits(2, 2);
    bits.WriteBits(0, 5);
    bits.WriteBits(0, 5);
    bits.WriteBits(18 - 4, 4);
    const int cl[18] = {0, 0, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
    for (int l : cl) bits.WriteBits(static_cast<uint32_t>(l), 3);
    bits.WriteBits(0, 1);
    bits.WriteBits(127, 7);
    bits.WriteBits(0, 1);
    bits.WriteBits(107, 7);
    bits.WriteBits(ReverseBits(3, 2), 2);
    bits.WriteBits(ReverseBits(2, 2), 2);
    bits.WriteBits(0, 1);
    bits.Flush();
  }
  EXPECT_EQ(OurDeflate({}, 0), expected.ToVector());
}

TEST(Deflate, StoredMethodWritesBlocksOf65535Bytes) {
  const auto data = MakeRandomBytes(140000, 3);
  const auto packed = OurDeflate(data, 2);
  EXPECT_EQ(packed.size(), data.size() + 3 * 5);  // 65535 + 65535 + 8930, 5 header bytes each
  EXPECT_EQ(packed[0], 0);
  EXPECT_EQ(packed[1], 0xFF);
  EXPECT_EQ(packed[2], 0xFF);
}

TEST(Deflate, RepeatedValueIsCodedAsTwoLiteralsAndDistanceTwoMatches) {
  // 300 equal bytes: literal, literal, 258 at distance 2, 40 at distance 2.
  const std::vector<uint8_t> data(300, 'x');
  const auto packed = OurDeflate(data, 1);  // fixed codes make the tokens readable
  TMemStream in;
  in.Write(packed.data(), static_cast<int64_t>(packed.size()));
  in.SetPosition(0);
  TBitStream bits(&in);
  auto get = [&](int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint32_t>(bits.ReadBit()) << i;
    return v;
  };
  auto get_code = [&](int n) {  // Huffman codes come most significant bit first
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 1 | static_cast<uint32_t>(bits.ReadBit());
    return v;
  };
  EXPECT_EQ(get(3), 0b010u);
  EXPECT_EQ(get_code(8), 0x30u + 'x');
  EXPECT_EQ(get_code(8), 0x30u + 'x');
  EXPECT_EQ(get_code(8), 0xC0u + (285 - 280));  // length 258
  EXPECT_EQ(get_code(5), 1u);                   // distance 2
  EXPECT_EQ(get_code(7), 17u);                  // symbol 273: lengths 35..42, 3 extra bits
  EXPECT_EQ(get(3), 5u);                        // 40 = 35 + 5
  EXPECT_EQ(get_code(5), 1u);
  EXPECT_EQ(get_code(7), 0u);  // end of block
}

TEST(Deflate, ChecksumsEqualZlibs) {
  for (const auto& item : Corpus()) {
    SCOPED_TRACE(item.Name);
    const auto* p = item.Data.data();
    const auto n = static_cast<uInt>(item.Data.size());
    EXPECT_EQ(Crc32(p, n), crc32(0, p, n));
    TAdler32 a;
    a.Update(p, n);
    EXPECT_EQ(a.Value(), adler32(1, p, n));
    TAdler32 b;
    for (uInt i = 0; i < std::min<uInt>(n, 20000); ++i) b.UpdateByte(p[i]);
    EXPECT_EQ(b.Value(), adler32(1, p, std::min<uInt>(n, 20000)));
  }
  TAdler32 empty;
  uint8_t bytes[4];
  empty.ValueBytes(bytes);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0, 0, 0, 1}));
  EXPECT_EQ(Crc32("IEND", 4), 0xAE426082u);
}

TEST(Deflate, CrcStreamChecksWhatPassesThrough) {
  TMemStream mem;
  TCRC32Stream crc(&mem);
  crc.Write("IEND", 4);
  EXPECT_EQ(crc.CRC(), 0xAE426082u);
  mem.SetPosition(0);
  crc.ResetCRC();
  char buffer[4];
  crc.Read(buffer, 4);
  EXPECT_EQ(crc.CRC(), 0xAE426082u);
}

namespace {
// Inflates whatever the data holds; returns the error text or "" on success.
std::string TryInflate(const std::vector<uint8_t>& data, int64_t cap) {
  try {
    TMemStream in;
    in.Write(data.data(), static_cast<int64_t>(data.size()));
    in.SetPosition(0);
    TDeflateStream inflate(&in, 0);
    inflate.MaxOutput = cap;
    inflate.SetStrictCount(false);
    std::vector<uint8_t> out(4096);
    while (inflate.Read(out.data(), 4096) > 0) {
    }
    return "";
  } catch (const Exception& e) {
    return e.what();
  }
}
}  // namespace

namespace {
// A fixed block whose first symbol is a match: nothing precedes it.
std::vector<uint8_t> MatchBeforeStart() {
  TMemStream out;
  {
    THuffmanBitStream bits(&out);
    bits.WriteBits(1, 1);
    bits.WriteBits(1, 2);
    bits.WriteBits(ReverseBits(1, 7), 7);  // length 3
    bits.WriteBits(0, 5);                  // distance 1
    bits.WriteBits(0, 7);                  // end of block
    bits.Flush();
  }
  return out.ToVector();
}
// A dynamic block header with the given counts and code-length lengths.
std::vector<uint8_t> DynamicHeader(int hlit, int hdist, const std::vector<int>& cl_lengths, uint32_t fill = 0) {
  TMemStream out;
  {
    THuffmanBitStream bits(&out);
    bits.WriteBits(1, 1);
    bits.WriteBits(2, 2);
    bits.WriteBits(static_cast<uint32_t>(hlit - 257), 5);
    bits.WriteBits(static_cast<uint32_t>(hdist - 1), 5);
    bits.WriteBits(static_cast<uint32_t>(cl_lengths.size() - 4), 4);
    for (int l : cl_lengths) bits.WriteBits(static_cast<uint32_t>(l), 3);
    bits.WriteBits(fill, 32);
    bits.Flush();
  }
  return out.ToVector();
}
}  // namespace

TEST(Deflate, CorruptStreamsGiveTheStatedErrors) {
  struct Row {
    const char* Name;
    std::vector<uint8_t> Data;
    const char* Error;
  } rows[] = {
      {"block type 3", {0x07}, "Error in compressed data"},
      {"stored length not complemented", {0x01, 0x05, 0x00, 0x00, 0x00}, "Error in compressed data"},
      {"distance before the start", MatchBeforeStart(), "Error in compressed data"},
      {"HLIT above 286", {0xFD, 0xFF, 0xFF, 0xFF, 0xFF}, "Error in compressed data"},
      {"truncated stored block", {0x01, 0x05, 0x00, 0xFA, 0xFF, 'a'}, "Read less than expected"},
      {"empty input", {}, "Read less than expected"},
      {"HDIST above 30", DynamicHeader(257, 31, {2, 2, 2, 2}), "Error in compressed data"},
      {"over-subscribed code-length code", DynamicHeader(257, 1, {1, 1, 1, 1}), "Error in compressed data"},
      {"repeat of nothing", DynamicHeader(257, 1, {1, 0, 0, 1}, 0xFFFFFFFFu), "Error in compressed data"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(TryInflate(row.Data, 1 << 20), row.Error);
  }
}

TEST(Deflate, OutputCapStopsABomb) {
  const auto packed = OurDeflate(std::vector<uint8_t>(1 << 20, 0), 0);
  EXPECT_EQ(TryInflate(packed, 100000), "Decompressed data too large");
}

TEST(Deflate, BitFlipSweepAndTruncationNeverCrash) {
  const auto text = Corpus()[2].Data;
  for (int method = 0; method <= 1; ++method) {
    const auto packed = OurDeflate(text, method);
    int errors = 0;
    for (size_t bit = 0; bit < packed.size() * 8; bit += 3) {
      auto broken = packed;
      broken[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
      if (!TryInflate(broken, 1 << 20).empty()) ++errors;
    }
    EXPECT_GT(errors, 0);
    for (size_t n = 0; n < packed.size(); n += 5) {
      const std::vector<uint8_t> cut(packed.begin(), packed.begin() + static_cast<long>(n));
      EXPECT_FALSE(TryInflate(cut, 1 << 20).empty()) << n;
    }
  }
}

TEST(Deflate, LengthLimitingKeepsCodesCompleteAndAtMost15Bits) {
  THuffmanTable table;
  THuffmanBitStream::InitTable(table, 288);
  uint32_t freq[288] = {};
  uint32_t a = 1, b = 1;
  for (int i = 0; i < 26; ++i) {  // Fibonacci frequencies: unlimited depths reach 25
    freq[i * 7] = a;
    const uint32_t c = a + b;
    a = b;
    b = c;
  }
  THuffmanBitStream::BuildTree(table, freq, 15);
  double kraft = 0;
  for (int i = 0; i < 288; ++i) {
    EXPECT_LE(table.Length[i], 15u);
    EXPECT_EQ(table.Length[i] != 0, freq[i] != 0);
    if (table.Length[i]) kraft += std::ldexp(1.0, -static_cast<int>(table.Length[i]));
  }
  EXPECT_DOUBLE_EQ(kraft, 1.0);
  // The same skew in real data, inflated by zlib.
  std::vector<uint8_t> data;
  uint32_t seed = 5;
  a = 1, b = 1;
  for (int i = 0; i < 22; ++i) {
    for (uint32_t k = 0; k < a; ++k) data.push_back(static_cast<uint8_t>(i * 11));
    const uint32_t c = a + b;
    a = b;
    b = c;
  }
  for (size_t i = data.size() - 1; i > 0; --i) {  // shuffle so few matches form
    seed = seed * 1103515245u + 12345u;
    std::swap(data[i], data[(seed >> 8) % (i + 1)]);
  }
  EXPECT_EQ(ZlibInflateRaw(OurDeflate(data, 0), data.size()), data);
}

TEST(Deflate, RepeatsAtTheWindowEdgeAndMixedPatternsInflateWithZlib) {
  for (size_t period : {size_t{32767}, size_t{32768}, size_t{32769}, size_t{40000}}) {
    SCOPED_TRACE(period);
    auto block = MakeRandomBytes(period, static_cast<uint32_t>(period));
    std::vector<uint8_t> data = block;
    data.insert(data.end(), block.begin(), block.end());
    data.insert(data.end(), block.begin(), block.begin() + 1000);
    for (int method = 0; method <= 1; ++method) {
      const auto packed = OurDeflate(data, method);
      EXPECT_EQ(ZlibInflateRaw(packed, data.size()), data);
      if (period <= 32768) {
        EXPECT_LT(packed.size(), period + period / 4);  // the repeat was found
      }
    }
  }
  uint32_t seed = 77;
  for (int round = 0; round < 20; ++round) {
    std::vector<uint8_t> data;
    while (data.size() < 150000) {
      seed = seed * 1103515245u + 12345u;
      const uint32_t kind = (seed >> 16) % 4, len = 1 + (seed >> 8) % 700;
      if (kind == 0) data.insert(data.end(), len, static_cast<uint8_t>(seed));
      if (kind == 1) {
        const auto r = MakeRandomBytes(len, seed);
        data.insert(data.end(), r.begin(), r.end());
      }
      if (kind >= 2 && data.size() > 1000) {
        const size_t from = data.size() - 1 - (seed >> 4) % std::min<size_t>(data.size() - 1, 40000);
        for (uint32_t k = 0; k < len; ++k) {
          const uint8_t v = data[from + k % (data.size() - from)];
          data.push_back(v);
        }
      }
    }
    EXPECT_EQ(ZlibInflateRaw(OurDeflate(data, 0, 1 + round * 997), data.size()), data) << round;
  }
}

// The inflater reads its input in blocks: stored blocks after coded ones and
// the bytes after the final block must still come from the right place.
TEST(Deflate, StoredBlocksBetweenCodedOnesAndTheTrailerAfterThem) {
  std::vector<uint8_t> input = MakeScreenshotImage(200, 60);
  const std::vector<uint8_t> random = MakeRandomBytes(30000, 5);
  input.insert(input.end(), random.begin(), random.end());
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::vector<uint8_t> packed(deflateBound(&z, static_cast<uLong>(input.size())) + 1024);
  z.next_out = packed.data();
  z.avail_out = static_cast<uInt>(packed.size());
  const size_t half = input.size() / 2;
  z.next_in = input.data();
  z.avail_in = static_cast<uInt>(half);
  ASSERT_EQ(deflate(&z, Z_NO_FLUSH), Z_OK);
  ASSERT_EQ(deflateParams(&z, 0, Z_DEFAULT_STRATEGY), Z_OK);  // stored blocks from here
  z.avail_in = static_cast<uInt>(input.size() - half);
  ASSERT_EQ(deflate(&z, Z_FULL_FLUSH), Z_OK);
  ASSERT_EQ(deflateParams(&z, 9, Z_RLE), Z_OK);
  const std::vector<uint8_t> runs(5000, 77);
  z.next_in = const_cast<Bytef*>(runs.data());
  z.avail_in = static_cast<uInt>(runs.size());
  ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  packed.resize(z.total_out);
  deflateEnd(&z);
  input.insert(input.end(), runs.begin(), runs.end());
  const std::string tail = "TAIL after the data";
  packed.insert(packed.end(), tail.begin(), tail.end());

  TMemStream in;
  in.Write(packed.data(), static_cast<int64_t>(packed.size()));
  in.SetPosition(0);
  TDeflateStream inflate(&in, 0);
  std::vector<uint8_t> out(input.size());
  ASSERT_EQ(inflate.Read(out.data(), static_cast<int64_t>(out.size())), static_cast<int64_t>(out.size()));
  EXPECT_EQ(out, input);
  inflate.SetStrictCount(false);
  uint8_t extra;
  EXPECT_EQ(inflate.Read(&extra, 1), 0);
  std::string trailer(tail.size(), '\0');
  EXPECT_EQ(inflate.ReadTrailer(trailer.data(), static_cast<int64_t>(trailer.size())), static_cast<int64_t>(tail.size()));
  EXPECT_EQ(trailer, tail);
}

// Every zlib flush mode between pieces: empty stored blocks (sync, full),
// empty fixed blocks that leave the bits unaligned (partial) and blocks ended
// mid-byte (block), each followed by more coded data.
TEST(Deflate, ZlibStreamsFlushedBetweenPiecesInflateWithOurs) {
  std::vector<uint8_t> input = MakeScreenshotImage(160, 40);
  const std::vector<uint8_t> random = MakeRandomBytes(40000, 13);
  input.insert(input.end(), random.begin(), random.end());
  for (int flush : {Z_SYNC_FLUSH, Z_FULL_FLUSH, Z_PARTIAL_FLUSH, Z_BLOCK}) {
    SCOPED_TRACE(flush);
    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<uint8_t> packed(deflateBound(&z, static_cast<uLong>(input.size())) + 65536);
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    for (size_t at = 0, piece = 1; at < input.size(); at += piece, piece = piece * 3 + 1) {
      z.next_in = input.data() + at;
      z.avail_in = static_cast<uInt>(std::min(piece, input.size() - at));
      ASSERT_EQ(deflate(&z, flush), Z_OK);
    }
    ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    packed.resize(z.total_out);
    deflateEnd(&z);
    EXPECT_EQ(OurInflate(packed, static_cast<int64_t>(input.size())), input);
  }
}
