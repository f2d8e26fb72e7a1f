#include <gtest/gtest.h>

#include <fstream>

#include "support/TestFolder.h"
#include "base/ZcToXzTable.h"

TEST(ZcToXz, ReadsZcLinesAndSkipsTheRest) {
  ZcToXzTable t = ParseZcToXz(
      "ZC,1,x,101\r\n"
      "ZC,3499,x,2\r\n"
      "ZC,3500,x,3\r\n"      // out of range
      "ZC,0,x,4\r\n"         // out of range
      "ZC,-5,x,4\r\n"
      "zc,12,x,5\n"          // lower case
      " ZC,13,x,6\n"         // does not begin with ZC
      "ZC, 14 ,x, 7 \r"      // blanks around numbers
      "ZC,15,x,seven\n"      // not an integer: skipped
      "ZC,1x,x,8\n"
      "ZC,16\n"              // too few fields
      "XZ,17,x,9\n"
      "ZC,18,x,99999999999999\n");
  EXPECT_EQ(t[1], 101);
  EXPECT_EQ(t[3499], 2);
  EXPECT_EQ(t[3500], 0);
  EXPECT_EQ(t[12], 0);
  EXPECT_EQ(t[13], 0);
  EXPECT_EQ(t[14], 7);
  EXPECT_EQ(t[15], 0);
  EXPECT_EQ(t[16], 0);
  EXPECT_EQ(t[17], 0);
  EXPECT_EQ(t[18], 0);
  int used = 0;
  for (int v : t) used += v != 0;
  EXPECT_EQ(used, 3);
}

TEST(ZcToXz, MissingFileGivesAnEmptyTable) {
  TestFolder dir;
  ZcToXzTable t = LoadZcToXz(dir / "ZC2XZ.txt");
  for (int v : t) EXPECT_EQ(v, 0);
  std::ofstream(dir / "ZC2XZ.txt", std::ios::binary) << "ZC,100,a,200\n";
  EXPECT_EQ(LoadZcToXz(dir / "ZC2XZ.txt")[100], 200);
}

// Notepad puts a byte-order mark before the first line, or saves as UTF-16:
// the first entry is read all the same.
TEST(ZcToXz, FileSavedWithAByteOrderMarkKeepsItsFirstLine) {
  TestFolder dir;
  const std::string lines = "ZC,100,a,200\r\nZC,101,a,201\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : lines) utf16 += std::string{c, '\0'};
  for (const std::string& bytes : {"\xEF\xBB\xBF" + lines, utf16}) {
    std::ofstream(dir / "ZC2XZ.txt", std::ios::binary) << bytes;
    const ZcToXzTable t = LoadZcToXz(dir / "ZC2XZ.txt");
    EXPECT_EQ(t[100], 200);
    EXPECT_EQ(t[101], 201);
  }
}
