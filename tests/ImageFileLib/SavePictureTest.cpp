// The save-picture road: extension by filter index, skipped names, and the
// files it writes read back by Pillow.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ImageFileLib/PngLoader.h"
#include "ImageFileLib/SavePicture.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

TEST(SavePicture, ExtensionFollowsTheFilterIndex) {
  struct Row {
    const char* Chosen;
    int Index;
    const char* Expected;
  } rows[] = {{"/d/frame.png", 1, "/d/frame.png"}, {"/d/frame.png", 2, "/d/frame.jpg"},
              {"/d/frame", 3, "/d/frame.bmp"},     {"/d/frame.old.x", 7, "/d/frame.old.png"},
              {"/d.v2/frame", 2, "/d.v2/frame.jpg"}, {"", 1, ".png"}};
  for (const auto& row : rows) EXPECT_EQ(PictureFileName(row.Chosen, row.Index), row.Expected) << row.Chosen;
}

TEST(SavePicture, NamelessIsOnlyAnExtension) {
  const struct {
    const char* Name;
    bool Nameless;
  } rows[] = {{"", true},          {".png", true},           {"/d/.png", true},        {"/d.v2/.jpg", true},
              {"/d/", true},       {"/d/.shot.png", false},  {"/d/..png", false},      {"/d/shot.png", false},
              {"C:\\d\\.bmp", true}, {"C:\\d\\.s.bmp", false}};
  for (const auto& row : rows) EXPECT_EQ(IsNamelessPicture(row.Name), row.Nameless) << row.Name;
}

TEST(SavePicture, WritesEachFormatAndSkipsNamelessChoices) {
  TempFolder folder;
  const TLinearBitmap frame = MakeTestBitmap(30, 20, pf24Bit);
  EXPECT_FALSE(SavePicture(frame, "", 1));
  const char* expected_modes[] = {"", "RGB", "RGB", "RGB"};
  const char* extensions[] = {"", ".png", ".jpg", ".bmp"};
  for (int index = 1; index <= 3; ++index) {
    EXPECT_TRUE(SavePicture(frame, folder.File("shot.xyz"), index));
    const std::string file = folder.File(std::string("shot") + extensions[index]);
    const PillowImage image = PillowDecode(folder, file, "");
    EXPECT_EQ(image.Mode, expected_modes[index]);
    EXPECT_EQ(image.Width, 30);
  }
  EXPECT_FALSE(std::filesystem::exists(folder.File("shot.xyz")));
}

// A PNG read earlier (a still picture with a transparent colour) leaves its
// settings in the shared loader; a saved frame must not take them over.
TEST(SavePicture, AFrameSavedAfterReadingATransparentPngStaysOpaque) {
  TempFolder folder;
  const TLinearBitmap frame = MakeTestBitmap(30, 20, pf24Bit);
  TPNGLoader writer;
  writer.TransparentColor = 0;
  writer.SaveToFile(folder.File("still.png"), "png", frame);
  TLinearBitmap still;
  still.LoadFromFile(folder.File("still.png"));
  ASSERT_EQ(PNGLoader().TransparentColor, 0);  // the read left its colour behind

  ASSERT_TRUE(SavePicture(frame, folder.File("shot.png"), 1));
  std::ifstream in(folder.File("shot.png"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.find("tRNS"), std::string::npos);
  EXPECT_EQ(PillowDecode(folder, folder.File("shot.png"), "").Mode, "RGB");
  PNGLoader().TransparentColor = -1;
}
