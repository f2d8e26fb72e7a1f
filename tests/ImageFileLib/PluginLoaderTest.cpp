// The plug-in loader with a plug-in library built for the tests.
#include <dlfcn.h>

#include "ImageFileLib/PluginLoader.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

TEST(PluginLoader, FiltersErrorsColourSpacesAndPlanes) {
  TImageDLLLoader loader;
  EXPECT_EQ(loader.GetLoadFilter(), "");
  EXPECT_FALSE(loader.CanLoad("ABC"));
  std::string error;
  ASSERT_TRUE(loader.AddPlugin(TEST_IMAGE_PLUGIN, error)) << error;
  EXPECT_FALSE(loader.AddPlugin("/nonexistent/plugin.so", error));
  EXPECT_EQ(loader.GetLoadFilter(), "Test pictures (*.abc)|*.abc");
  EXPECT_TRUE(loader.CanLoad("ABC"));
  EXPECT_TRUE(loader.CanSave("ABC"));

  TLinearBitmap b;
  EXPECT_EQ(ErrorOf([&] { loader.LoadFromFile("/x/open-fails.abc", "ABC", b); }), "Unable to open file");
  EXPECT_EQ(ErrorOf([&] { loader.LoadFromFile("/x/code7.abc", "ABC", b); }), "Error in bitmap data: 7");
  EXPECT_EQ(ErrorOf([&] { loader.LoadFromFile("/x/a.xyz", "XYZ", b); }), "Unsupported file format");

  loader.LoadFromFile("/x/picture.abc", "ABC", b);
  ASSERT_EQ(b.PixelFormat, pf24Bit);
  // Y 128 and 255 with Cb = Cr = 128, by the JFIF formulas (R = Y + 1.402 (Cr - 127.5),
  // G = Y - 0.34414 (Cb - 127.5) - 0.71414 (Cr - 127.5), B = Y + 1.772 (Cb - 127.5)).
  EXPECT_EQ(RgbValues(b), (std::vector<int>{129, 127, 129, 255, 254, 255}));
  EXPECT_EQ(ErrorOf([&] { loader.LoadFromFile("/x/four.abc", "ABC", b); }),
            "The image contains 4 color planes, only 3 were loaded");

  // Every loaded picture's memory went back to the plug-in.
  auto live = reinterpret_cast<int (*)()>(dlsym(loader.Entries[0].Module, "TessaryPluginLiveMaps"));
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(live(), 0);

  TempFolder folder;
  TLinearBitmap small;
  small.New(3, 2, pf24Bit);
  small.Clear(7);
  loader.SaveToFile(folder.File("out.abc"), "ABC", small);
  const auto bytes = ReadFileBytes(folder.File("out.abc"));
  ASSERT_EQ(bytes.size(), 12u + 18u);
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[8], 3);  // interleaved, three channels
  EXPECT_EQ(bytes[12], 7);
}

TEST(PluginLoader, ErrorCodesAndRecordConversions) {
  struct Row {
    int32_t Code;
    const char* Format;
    const char* Message;
  } rows[] = {{3, "x", "Error in bitmap data"}, {4, "x", "Unsupported pixel format"}, {5, "x", "Unable to close file"},
              {9, "Error writing image file: %d", "Error writing image file: 9"}, {8, "", "Process failed: 8"}};
  for (const Row& r : rows) EXPECT_EQ(ErrorOf([&] { PluginErrorCheck(r.Code, r.Format); }), r.Message);
  EXPECT_EQ(ErrorOf([] { PluginErrorCheck(0, "x"); }), "");

  uint8_t grey16[4] = {1, 2, 3, 4};
  TPluginImage image{2, 1, 4, 0x21, grey16, nullptr, nullptr};
  TLinearBitmap b;
  PluginImageToLinearBitmap(b, image);
  EXPECT_EQ(b.PixelFormat, pf16Grey);
  image.Format = 0;
  EXPECT_EQ(ErrorOf([&] { PluginImageToLinearBitmap(b, image); }), "Unsupported bitmap format");
  image.Format = 2;  // two channels must be planar
  EXPECT_EQ(ErrorOf([&] { PluginImageToLinearBitmap(b, image); }), "Unsupported pixel format");
  uint8_t bgrx[8] = {1, 2, 3, 0, 4, 5, 6, 0};
  TPluginImage four{2, 1, 8, 4, bgrx, nullptr, nullptr};
  PluginImageToLinearBitmap(b, four);
  EXPECT_EQ(RgbValues(b), (std::vector<int>{3, 2, 1, 6, 5, 4}));
}

// A plug-in that fails part way through writing must not cost the file that
// was there; a good save replaces it whole and leaves nothing beside it.
TEST(PluginLoader, AFailedSaveKeepsTheEarlierFile) {
  TImageDLLLoader loader;
  std::string error;
  ASSERT_TRUE(loader.AddPlugin(TEST_IMAGE_PLUGIN, error)) << error;
  TempFolder folder;
  TLinearBitmap small;
  small.New(2, 2, pf24Bit);
  small.Clear(5);
  const std::vector<uint8_t> earlier = {'k', 'e', 'e', 'p'};
  const std::string failing = folder.File("save-fails.abc"), good = folder.File("good.abc");
  WriteFileBytes(failing, earlier);
  WriteFileBytes(good, earlier);
  EXPECT_EQ(ErrorOf([&] { loader.SaveToFile(failing, "ABC", small); }), "Error in bitmap data");
  EXPECT_EQ(ReadFileBytes(failing), earlier);
  loader.SaveToFile(good, "ABC", small);
  const auto bytes = ReadFileBytes(good);
  ASSERT_EQ(bytes.size(), 12u + 12u);
  EXPECT_EQ(bytes[0], 2);
  EXPECT_EQ(bytes[12], 5);
  int entries = 0;
  for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator(folder.Path())) ++entries;
  EXPECT_EQ(entries, 2);
}
