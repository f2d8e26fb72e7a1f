// TLinearBitmap: geometry, conversions, canvas resizing, the registry and
// the extension rule.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "ImageFileLib/BitmapLoaders.h"
#include "ImageFileLib/DynamicList.h"
#include "ImageFileLib/PngLoader.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

TEST(LinearBitmap, NewKeepsPixelsOfTheSameGeometryAndRefusesBadOnes) {
  TLinearBitmap b;
  EXPECT_EQ(b.PixelFormat, pf8Bit + 5);
  b.New(5, 3, pf24Bit);
  EXPECT_EQ(b.BytesPerLine, 15);
  EXPECT_EQ(b.Size, 45);
  EXPECT_EQ(b.Map.size(), 46u);
  b.Map[7] = 99;
  b.New(5, 3, pf24Bit);
  EXPECT_EQ(b.Map[7], 99);
  EXPECT_EQ(ErrorOf([&] { b.New(0, 5, pf24Bit); }), "Invalid bitmap size");
  EXPECT_EQ(ErrorOf([&] { b.New(5, 5, 4); }), "Unsupported pixel format");
  EXPECT_EQ(ErrorOf([&] { b.New(70000, 70000, pf32Bit); }), "Invalid bitmap size");
  EXPECT_EQ(b.Width, 5);  // unchanged
  b.New(2, 2, pf8Bit);
  EXPECT_EQ(b.Palette.size(), 768u);
  b.Dispose();
  EXPECT_EQ(b.PixelFormat, pfNone);
  EXPECT_TRUE(b.Palette.empty());
}

TEST(LinearBitmap, PixelFormatConversions) {
  TLinearBitmap b;
  b.New(1, 1, pf24Bit);
  b.Map[0] = 0xFF;  // blue
  b.Map[1] = 0x80;  // green
  b.Map[2] = 0x40;  // red
  TLinearBitmap p(b);
  p.PixelFormatConvert(pf8Bit);
  EXPECT_EQ(p.Map[0], (0x40 & 0xE0) | ((0x80 >> 5) << 2) | (0xFF >> 6));
  EXPECT_EQ(p.Palette[3 * 255 + 1], 255);
  EXPECT_EQ(p.Palette[3 * (1 << 2) + 1], 36);   // 255 / 7 = 36.43
  EXPECT_EQ(p.Palette[3 * (1 << 5) + 2], 36);
  EXPECT_EQ(p.Palette[3 * 3], 255);
  TLinearBitmap q(b);
  q.PixelFormatConvert(pf32Bit);
  EXPECT_EQ(q.BytesPerLine, 4);
  EXPECT_EQ(q.Map[3], 0);
  q.PixelFormatConvert(pf24Bit);
  EXPECT_EQ(q.Map[2], 0x40);
  TLinearBitmap g;
  g.New(2, 1, pf16Grey);
  g.Map[1] = 0x12;
  g.Map[3] = 0xAB;
  g.PixelFormatConvert(pf8Bit);
  EXPECT_EQ(g.Map[0], 0x12);
  EXPECT_EQ(g.Map[1], 0xAB);
  EXPECT_EQ(ErrorOf([&] { g.PixelFormatConvert(pf16Grey); }), "Unsupported pixel format");
}

TEST(LinearBitmap, ResizeCanvasMovesPixelsAndFills) {
  TLinearBitmap b;
  b.New(3, 3, pf8Bit);
  for (int i = 0; i < 9; ++i) b.Map[i] = static_cast<uint8_t>(i + 1);
  b.ResizeCanvas(4, 4, 0, 1, 1);
  const std::vector<int> moved(b.Map.begin(), b.Map.begin() + 16);
  EXPECT_EQ(moved, (std::vector<int>{0, 0, 0, 0, 0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9}));
  b.ResizeCanvas(2, 2, 0, -1, -2);
  EXPECT_EQ(std::vector<int>(b.Map.begin(), b.Map.begin() + 4), (std::vector<int>{2, 3, 5, 6}));
  b.ResizeCanvas(0, 2, 0, 0, 0);
  EXPECT_FALSE(b.Present);
  b.ResizeCanvas(2, 2, 0x808080, 0, 0);
  EXPECT_EQ(b.PixelFormat, pf8Bit);
  EXPECT_EQ(b.Map[0], 128);
}

namespace {
// A loader that only knows files: streams go through the default temporary-file road.
class FileOnlyLoader : public TBitmapLoader {
public:
  std::string GetLoadFilter() override { return "Test (*.tst)|*.tst"; }
  void LoadFromFile(const std::string& name, const std::string&, TLinearBitmap& bitmap) override {
    PNGLoader().TBitmapLoader::LoadFromFile(name, "PNG", bitmap);
  }
  void SaveToFile(const std::string& name, const std::string&, const TLinearBitmap& bitmap) override {
    PNGLoader().SaveToFile(name, "PNG", bitmap);
  }
};
}  // namespace

TEST(DynamicList, SavesLoadsAndAssigns) {
  struct Entry {
    uint8_t Bytes[6];
  };
  Entry* entries = nullptr;
  TDynamicList list(6, reinterpret_cast<void**>(&entries));
  list.SetCount(3);
  ASSERT_NE(entries, nullptr);
  for (int i = 0; i < 3; ++i) std::memset(entries[i].Bytes, i + 1, 6);
  TMemStream m;
  list.SaveToStream(m);
  EXPECT_EQ(m.GetSize(), 4 + 18);
  m.SetPosition(0);
  Entry* loaded_entries = nullptr;
  TDynamicList loaded(6, reinterpret_cast<void**>(&loaded_entries));
  loaded.LoadFromStream(m);
  EXPECT_EQ(loaded.Count, 3);
  EXPECT_EQ(loaded_entries[2].Bytes[5], 3);
  TMemStream tiny;
  tiny.Write("ab", 2);
  tiny.SetPosition(0);
  loaded.LoadFromStream(tiny);
  EXPECT_EQ(loaded.Count, 0);
  TDynamicList copy(6, nullptr);
  copy.Assign(list);
  EXPECT_EQ(copy.Count, 3);
  EXPECT_EQ(copy.Capacity, 3);
  TempFolder folder;
  list.SaveToFile(folder.File("list.bin"));
  EXPECT_EQ(ReadFileBytes(folder.File("list.bin")).size(), 22u);
  TDynamicList from_file(6, nullptr);
  from_file.LoadFromFile(folder.File("list.bin"));
  EXPECT_EQ(from_file.Count, 3);
  EXPECT_EQ(FindByte(3, 5, 5, nullptr), -1);
  const uint8_t bytes[] = {1, 2, 3, 2};
  EXPECT_EQ(FindByte(2, 4, 2, bytes), 3);
  EXPECT_EQ(EnsureRange(5, 10, 20), 10);
  EXPECT_EQ(EnsureRange(25, 10, 20), 20);
  EXPECT_EQ(SwapDWord(0x11223344u), 0x44332211u);
  EXPECT_EQ(DWordAlign(5), 8u);
  EXPECT_EQ(QWordAlign(9), 16u);
}

// A count claiming more elements than follow: an error and an empty list,
// whether the stream reports short reads itself or not.
TEST(DynamicList, ElementsMissingFromTheStreamLeaveNoList) {
  struct Case {
    size_t data_bytes;  // of the 18 the count of 3 six-byte elements claims
    bool strict;
  };
  for (const Case c : {Case{17, false}, Case{0, false}, Case{10, true}, Case{17, true}}) {
    SCOPED_TRACE(std::to_string(c.data_bytes) + (c.strict ? " strict" : " lenient"));
    std::vector<uint8_t> bytes = {3, 0, 0, 0};
    for (size_t i = 0; i < c.data_bytes; ++i) bytes.push_back(static_cast<uint8_t>(i + 1));
    TMemStream m;
    m.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    m.SetPosition(0);
    m.SetStrictCount(c.strict);
    void* entries = nullptr;
    TDynamicList list(6, &entries);
    EXPECT_NE(ErrorOf([&] { list.LoadFromStream(m); }), "");
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(entries, nullptr);
  }
}

// Random growth, removal at the front, in the middle and at the end (as
// owners remove: move the tail down through their array, then shrink the
// count), packing, capacity changes, a save and load and an assignment,
// against a std::vector holding the same bytes.
TEST(DynamicList, RandomOperationsKeepTheBytesAVectorKeeps) {
  std::mt19937 random(3);
  for (int size : {1, 3, 6, 8}) {
    SCOPED_TRACE("element size " + std::to_string(size));
    uint8_t* items = nullptr;
    TDynamicList list(size, reinterpret_cast<void**>(&items));
    std::vector<uint8_t> model;
    auto remove = [&](int32_t i) {
      const auto at = static_cast<size_t>(i) * static_cast<size_t>(size);
      std::memmove(items + at, items + at + size, model.size() - at - static_cast<size_t>(size));
      list.SetCount(list.Count - 1);
      model.erase(model.begin() + static_cast<long>(at), model.begin() + static_cast<long>(at) + size);
    };
    for (int step = 0; step < 2000; ++step) {
      const int op = static_cast<int>(random() % 8);
      const int32_t count = list.Count;
      if (op <= 2) {
        const int32_t added = static_cast<int32_t>(random() % 5) + 1;
        list.SetCount(count + added);
        for (int32_t k = count * size; k < (count + added) * size; ++k) {
          items[k] = static_cast<uint8_t>(random());
          model.push_back(items[k]);
        }
      } else if (op == 3 && count) {
        remove(0);
      } else if (op == 4 && count) {
        remove(static_cast<int32_t>(random() % static_cast<uint32_t>(count)));
      } else if (op == 5 && count) {
        remove(count - 1);
      } else if (op == 6) {
        if (random() % 2) list.Pack();
        else list.SetCapacity(count + static_cast<int32_t>(random() % 4));
      } else if (op == 7) {
        TMemStream stream;
        list.SaveToStream(stream);
        ASSERT_EQ(stream.GetSize(), 4 + int64_t{count} * size);
        stream.SetPosition(0);
        void* loaded_items = nullptr;
        TDynamicList loaded(size, &loaded_items);
        loaded.LoadFromStream(stream);
        list.Assign(loaded);
        ASSERT_EQ(list.Capacity, count);
      }
      ASSERT_EQ(int64_t{list.Count} * size, static_cast<int64_t>(model.size())) << "step " << step;
      ASSERT_LE(list.Count, list.Capacity);
      ASSERT_EQ(items, list.Data) << "the owner's array follows the data";
      ASSERT_TRUE(model.empty() || std::memcmp(items, model.data(), model.size()) == 0) << "step " << step << ", operation " << op;
    }
    list.Clear();
    EXPECT_EQ(items, nullptr);
  }
}

TEST(LinearBitmap, HugeSizesAreRefusedWithoutOverflow) {
  TLinearBitmap b;
  EXPECT_EQ(ErrorOf([&] { b.New(0x7FFFFFFF, 0x7FFFFFFF, pf32Bit); }), "Invalid bitmap size");
  EXPECT_EQ(ErrorOf([&] { b.New(0x7FFFFFFF, 2, pf8Bit); }), "Invalid bitmap size");
  EXPECT_FALSE(b.Present);
}
