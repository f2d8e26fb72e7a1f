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
      // No UTF-8: the Windows code page as Python's cp1252 codec decodes it; its
      // unassigned bytes (0x81) keep their own code points.
      {"Windows1252", "J\xFCrgen M\xFCller\r\n", "J\xC3\xBCrgen M\xC3\xBCller\r\n"},
      {"Windows1252Signs", "\x80\x93\x9F\x81", "\xE2\x82\xAC\xE2\x80\x9C\xC5\xB8\xC2\x81"},
      {"Utf8StaysWhole", "J\xC3\xBCrgen \xE5\xB1\xB1", "J\xC3\xBCrgen \xE5\xB1\xB1"},
      // One stray byte makes the whole text the code page's, already-UTF-8 pairs too.
      {"MixedIsCodePage", "caf\xC3\xA9 \xE9", "caf\xC3\x83\xC2\xA9 \xC3\xA9"},
      {"CutUtf8Sequence", "ab\xE5\xB1", "ab\xC3\xA5\xC2\xB1"},
      {"OverlongSlash", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
  };
  for (const Row& r : rows) EXPECT_EQ(FileTextAsUtf8(r.bytes), r.text) << r.name;
}
