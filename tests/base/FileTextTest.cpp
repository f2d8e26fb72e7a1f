// The text of files saved by Windows editors: plain, with a UTF-8 byte-order
// mark, or as "Unicode" (UTF-16 of either byte order behind its mark).
#include <gtest/gtest.h>

#include <string>

#include "base/TextTools.h"

TEST(FileText, MarksAndUtf16AreReadAsPlainUtf8) {
  using namespace std::string_literals;
  struct Row {
    const char* name;
    std::string bytes, text;
  };
  const Row rows[] = {
      {"Plain", "Ab\r\n", "Ab\r\n"},
      {"Utf8Mark", "\xEF\xBB\xBF" "Ab\r\n", "Ab\r\n"},
      {"Utf16Le", "\xFF\xFE" "A\0b\0\r\0\n\0"s, "Ab\r\n"},
      {"Utf16Be", "\xFE\xFF" "\0A\0b\0\r\0\n"s, "Ab\r\n"},
      {"Utf16LeNonAscii", "\xFF\xFE" "\xB0\0C\0"s, "\xC2\xB0" "C"},  // a degree sign
      {"MarkInside", "A\xEF\xBB\xBF", "A\xEF\xBB\xBF"},
      {"Empty", "", ""},
  };
  for (const Row& r : rows) EXPECT_EQ(FileTextAsUtf8(r.bytes), r.text) << r.name;
}
