// Streams at their ends: the last line of a text read with `while (!Eof())`,
// and a disk that fills up while a chain of filter streams is finished.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImageFileLib/DeflateStream.h"
#include "ImageFileLib/LibraryErrors.h"
#include "ImageFileLib/LibraryStreams.h"

using namespace ImageFile;

namespace {

TEST(StreamFaults, ReadingUntilEofGivesNoSpuriousLastLine) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"a\n\rb\n\r", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\rb", {"a", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = c.text;
    TMemStream m;
    m.Write(text.data(), static_cast<int64_t>(text.size()));
    m.SetPosition(0);
    TTextStream t(4, 0, &m);  // a small buffer: line ends fall on its edges
    std::vector<std::string> lines;
    std::string line;
    while (!t.Eof() && lines.size() < 10) {
      t.ReadLn(line);
      lines.push_back(line);
    }
    EXPECT_EQ(lines, c.lines);
  }
}

// A disk that takes `room` bytes and then refuses every write.
class FullDisk : public TBaseStream {
 public:
  FullDisk(int64_t room, bool& freed) : room_(room), freed_(freed) { CanWrite = 1; }
  ~FullDisk() override { freed_ = true; }
  int64_t Write(const void*, int64_t count) override {
    if (count > room_) throw EInOutError("Disk full");
    room_ -= count;
    return count;
  }
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Available() override { return 0; }

 private:
  int64_t room_;
  bool& freed_;
};

TEST(StreamFaults, AFullDiskWhileTheChainIsFinishedIsReported) {
  struct Case {
    const char* name;
    int64_t room;
    bool deflate;
    bool fails;
  };
  const Case cases[] = {
      {"buffered, no room", 0, false, true},
      {"buffered, room to spare", 1 << 20, false, false},
      {"deflate over buffered, no room", 0, true, true},
      {"deflate over buffered, room to spare", 1 << 20, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool freed = false;
    auto* disk = new FullDisk(c.room, freed);
    auto* buffered = new TBufferedStream(0, -1, disk);
    TBaseStream* top = buffered;
    if (c.deflate) top = new TDeflateStream(buffered, 1);
    const std::string data(3000, 'x');
    top->Write(data.data(), static_cast<int64_t>(data.size()));  // still held in the buffers
    bool threw = false;
    try {
      FreeFilterChain(top);
    } catch (const EInOutError& e) {
      threw = true;
      EXPECT_STREQ(e.what(), "Disk full");
    }
    EXPECT_EQ(threw, c.fails);
    EXPECT_TRUE(freed);  // the whole chain is freed either way
  }
}

}  // namespace
