// Library streams: file, memory, buffered and text streams, copying and
// filter chains, with their failure messages.
#include <gtest/gtest.h>

#include "ImageFileLib/Checksums.h"
#include "ImageFileLib/LibraryStreams.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

TEST(Streams, FileModesAndErrors) {
  TempFolder folder;
  const std::string file = folder.File("data.bin");
  EXPECT_EQ(ErrorOf([&] { TFileStream s(file, 4); }),
            "Either read, write or full access must be specified in call to CreateFile");
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(ErrorOf([&] { TFileStream s(file, 1); }), "Error opening \"" + file + "\" - No such file or directory");
  {
    TFileStream s(file, 7);
    EXPECT_TRUE(s.CanRead && s.CanWrite);
    s.Write("hello world", 11);
    EXPECT_EQ(s.GetSize(), 11);
    s.SetPosition(5);
    s.Truncate();
    EXPECT_EQ(s.GetSize(), 5);
  }
  TFileStream r(file, 9);
  EXPECT_FALSE(r.CanWrite);
  char buffer[8] = {};
  EXPECT_EQ(r.Available(), 5);
  EXPECT_EQ(ErrorOf([&] { r.Read(buffer, 8); }), "Read less than expected");
  r.SetPosition(0);
  r.SetStrictCount(false);
  EXPECT_EQ(r.Read(buffer, 8), 5);
  EXPECT_TRUE(r.Eof());
  TFileStream d(file, 1);
  d.Delete();
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(Streams, MemoryStreamBlocksPositionsAndErrors) {
  TMemStream m;
  const std::string ten = "0123456789";
  m.Write(ten.data(), 10);
  m.SetPosition(3);
  m.Write("ab", 2);
  EXPECT_EQ(m.GetSize(), 10);
  m.SetPosition(10);
  EXPECT_EQ(ErrorOf([&] { m.SetPosition(11); }), "Error moving stream pointer");
  EXPECT_EQ(ErrorOf([&] { m.SetPosition(-1); }), "Error moving stream pointer");
  m.SetPosition(0);
  char buffer[16] = {};
  EXPECT_EQ(ErrorOf([&] { m.Read(buffer, 11); }), "Error reading from stream - TMemStream");
  m.SetPosition(0);
  EXPECT_EQ(m.Read(buffer, 10), 10);
  EXPECT_EQ(std::string(buffer, 10), "012ab56789");
  // Many blocks: data larger than one block, read back across block ends.
  TMemStream big;
  const auto data = MakeTestBitmap(100, 100, pf24Bit).Map;
  for (size_t at = 0; at < 30000; at += 777) big.Write(data.data() + at, static_cast<int64_t>(std::min<size_t>(777, 30000 - at)));
  big.SetPosition(12345);
  std::vector<uint8_t> part(5000);
  big.Read(part.data(), 5000);
  EXPECT_TRUE(std::equal(part.begin(), part.end(), data.begin() + 12345));
  big.SetPosition(100);
  big.Truncate();
  EXPECT_EQ(big.GetSize(), 100);
  big.Clear();
  EXPECT_EQ(big.GetSize(), 0);
}

TEST(Streams, BufferedStreamReadsWritesAndRestoresStrictness) {
  EXPECT_EQ(ErrorOf([] {
              TMemStream m;
              TBufferedStream b(1, 0, &m);
            }),
            "Invalid buffer size");
  TMemStream target;
  {
    TBufferedStream b(0, 16, &target);
    for (int i = 0; i < 100; ++i) b.Write(&i, 1);
    b.Write(std::vector<uint8_t>(40, 7).data(), 40);
    b.Flush();
  }
  EXPECT_EQ(target.GetSize(), 140);
  target.SetPosition(0);
  {
    TBufferedStream b(16, 0, &target);
    EXPECT_EQ(target.StrictCount, 0);
    uint8_t buffer[200];
    EXPECT_EQ(b.Read(buffer, 5), 5);
    EXPECT_EQ(b.Read(buffer + 5, 50), 50);
    EXPECT_EQ(b.Read(buffer + 55, 85), 85);
    EXPECT_EQ(buffer[99], 99);
    EXPECT_EQ(buffer[139], 7);
    EXPECT_EQ(ErrorOf([&] { b.Read(buffer, 1); }), "Read less than expected");
  }
  EXPECT_EQ(target.StrictCount, 1);
  // No write buffer over a target that cannot write, even when asked.
  TempFolder folder;
  const std::string file = folder.File("x");
  { TFileStream w(file, 7); }
  TFileStream r(file, 1);
  TBufferedStream b(-1, -1, &r);
  EXPECT_FALSE(b.CanWrite);
}
