#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "base/ByteOrder.h"

namespace {

const std::string kBytes("\x01\x02\x03\x04\x05\x06\x07\x08\xFF\xFE", 10);

const uint8_t* At(size_t i) { return reinterpret_cast<const uint8_t*>(kBytes.data()) + i; }

TEST(ByteOrder, ReadsLeastSignificantByteFirst) {
  EXPECT_EQ(Le16(At(0)), 0x0201u);
  EXPECT_EQ(Le16(At(8)), 0xFEFFu);  // top bit set: no sign spill
  EXPECT_EQ(Le32(At(0)), 0x04030201u);
  EXPECT_EQ(Le32(At(6)), 0xFEFF0807u);
  EXPECT_EQ(Le64(At(0)), 0x0807060504030201ull);
  EXPECT_EQ(Be32(At(0)), 0x01020304u);
  EXPECT_EQ(Be32(At(6)), 0x0708FFFEu);
  uint8_t out[4] = {};
  PutLe32(out, 0xFEFF0807u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 4), kBytes.substr(6, 4));
  PutBe32(out, 0x0708FFFEu);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 4), kBytes.substr(6, 4));
  PutLe32(out, 0xFEFF0807u);
  PutLe16(out, 0x12345);  // only the low 16 bits are written
  EXPECT_EQ(out[0], 0x45);
  EXPECT_EQ(out[1], 0x23);
  EXPECT_EQ(out[2], 0xFF);  // left from the 32-bit write
}

TEST(ByteOrder, AppendsLeastSignificantByteFirstToStringsAndVectors) {
  std::string s = "x";
  AppendLe16(s, 0xABCDEF);  // bits above 16 are dropped
  AppendLe32(s, 0x80FF0102u);
  EXPECT_EQ(s, std::string("x\xEF\xCD\x02\x01\xFF\x80", 7));
  std::vector<uint8_t> v;
  AppendLe32(v, 0x04030201u);
  AppendLe16(v, 0xFFFE);
  EXPECT_EQ(v, (std::vector<uint8_t>{1, 2, 3, 4, 0xFE, 0xFF}));
}

TEST(LeReader, ReadsFieldsInOrderAsWideAsTheirTypes) {
  LeReader r(kBytes);
  uint8_t a = 0;
  uint16_t b = 0;
  uint32_t c = 0;
  r.Read(a, b, c);
  EXPECT_EQ(a, 0x01);
  EXPECT_EQ(b, 0x0302);
  EXPECT_EQ(c, 0x07060504u);
  EXPECT_EQ(r.Position(), 7u);
  EXPECT_EQ(r.Left(), 3u);
  EXPECT_EQ(r.Bytes(1), "\x08");
  EXPECT_EQ(r.U16(), 0xFEFFu);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(r.Bytes(0), "");  // an empty read at the end fits

  LeReader w(kBytes);
  uint64_t d = 0;
  w.Read(d);
  EXPECT_EQ(d, 0x0807060504030201ull);
  w.Seek(100);  // clamped to the end
  EXPECT_EQ(w.Position(), kBytes.size());
}

[[noreturn]] void Short() { throw std::runtime_error("short"); }

TEST(LeReader, AReadPastTheEndOfATruncatedBufferFailsAndMovesNothing) {
  struct Case {
    size_t start;
    void (*read)(LeReader&);
  };
  const Case cases[] = {
      {9, [](LeReader& r) { r.U16(); }},      // 1 byte left of 2
      {10, [](LeReader& r) { r.U16(); }},     // at the end
      {7, [](LeReader& r) { r.U32(); }},      // 3 bytes left of 4
      {8, [](LeReader& r) { r.Bytes(3); }},   // 2 bytes left of 3
      {0, [](LeReader& r) { r.Skip(11); }},   // one past the whole buffer
      {6, [](LeReader& r) {
         uint16_t a = 0, b = 0, c = 0;
         r.Read(a, b, c);
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.start);
    LeReader r(kBytes, Short);
    r.Seek(k.start);
    const size_t before = k.start == 6 ? 10 : k.start;  // Read keeps the fields that fit
    EXPECT_THROW(k.read(r), std::runtime_error);
    EXPECT_EQ(r.Position(), before);
  }
  // Fields before the one that does not fit are read; without a handler the
  // reader throws its own error.
  LeReader r(std::string_view(kBytes).substr(0, 5));
  uint16_t a = 0;
  uint32_t b = 0;
  EXPECT_THROW(r.Read(a, b), std::out_of_range);
  EXPECT_EQ(a, 0x0201u);
  EXPECT_EQ(b, 0u);
  EXPECT_EQ(r.Position(), 2u);
}

}  // namespace
