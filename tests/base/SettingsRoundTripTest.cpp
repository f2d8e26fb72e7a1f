// Texts the program saves into the settings file read back as they were
// saved: paths and names with '=', ';', brackets, quotes, blanks at their
// ends and non-ASCII characters.
#include <gtest/gtest.h>

#include <string>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/SettingsFile.h"
#include "support/TestFolder.h"

namespace {

struct OddText {
  const char* name;
  std::string value;
};

class SettingsTextRoundTrip : public ::testing::TestWithParam<OddText> {};

TEST_P(SettingsTextRoundTrip, EveryTextKeyReadsBackAsSaved) {
  const std::string v = GetParam().value;
  TestFolder dir;
  IniFile ini(dir / "tessary.ini");
  AppSettings s = SettingsFallbacks("/opt/tessary/");
  s.LastVideoDirectory = v + "/video";
  s.CsvDirectory = "/csv/" + v;
  s.CsvInputDirectory = v;
  s.CaptureFolder = v + "/";
  s.ObserverName = v;
  s.ObserverNameLunar = "Lunar " + v;
  s.LunarPredictionFile = v + ".txt";
  SettingsSaveSelection ticks;
  ticks.RememberVideoDirectory = ticks.RememberCsvDirectory = ticks.RememberCsvInputDirectory = true;
  SaveCheckedSettings(ini, s, ticks, "/opt/tessary/");
  // Saved by the identification and capture windows.
  ini.WriteString("Identification", "SecondSite", v);
  ini.WriteString("VideoSource", "Camera", v);

  const AppSettings r = LoadSettingsFromIni(IniFile(dir / "tessary.ini"), "/opt/tessary/");
  EXPECT_EQ(r.LastVideoDirectory, s.LastVideoDirectory);
  EXPECT_EQ(r.CsvDirectory, s.CsvDirectory);
  EXPECT_EQ(r.CsvInputDirectory, s.CsvInputDirectory);
  EXPECT_EQ(r.CaptureFolder, s.CaptureFolder);
  EXPECT_EQ(r.ObserverName, s.ObserverName);
  EXPECT_EQ(r.ObserverNameLunar, s.ObserverNameLunar);
  EXPECT_EQ(r.LunarPredictionFile, s.LunarPredictionFile);
  EXPECT_EQ(r.StoredSites[1], v);
  EXPECT_EQ(r.Camera, v);
  // The other keys are untouched by the odd texts.
  EXPECT_EQ(r.RememberCsvInputDirectory, true);
  EXPECT_EQ(r.TimeStampMode, s.TimeStampMode);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SettingsTextRoundTrip,
    ::testing::Values(OddText{"Plain", "/home/obs"}, OddText{"EqualsSign", "/data/a=b/c==d"},
                      OddText{"Semicolon", ";obs;night"}, OddText{"Brackets", "[Files]"},
                      OddText{"Empty", ""}, OddText{"NonAscii", "/home/\xC3\xA9toile/\xE6\x98\x9F"},
                      OddText{"WindowsPath", "C:\\Obs\\2026 run"},
                      OddText{"TrailingBlank", "/media/disk "}, OddText{"LeadingBlanks", "  Obs"},
                      OddText{"Quoted", "\"Obs\""}, OddText{"SingleQuoted", "'t Hooft'"},
                      OddText{"OneQuote", "\""}, OddText{"QuoteInside", "a \"b\" c"}),
    [](const auto& info) { return std::string(info.param.name); });

// A value the program wrote inside quotes (to keep its blanks) is read by the
// same rules as a hand-edited one, and a hand-written file keeps its lines.
TEST(SettingsTextRoundTrip, QuotedValuesStayReadableAndPlainOnesStayPlain) {
  TestFolder dir;
  IniFile ini(dir / "a.ini");
  ini.WriteString("X", "blank", " b ");
  ini.WriteString("X", "plain", "p q");
  auto text = ReadWholeFile(dir / "a.ini", 1 << 16);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "[X]\r\nblank=\" b \"\r\nplain=p q\r\n");
}

}  // namespace
