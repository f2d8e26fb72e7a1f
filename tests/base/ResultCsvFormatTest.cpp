#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CsvFields.h"
#include "base/ResultCsvFormat.h"

namespace {

int CellCount(const std::string& line) {
  int commas = 0;
  for (char c : line) commas += c == ',';
  return commas + 1;
}

std::string Commas(int n) { return std::string(static_cast<size_t>(n), ','); }

const std::string kBlock3 =
    "\"EstimatedPeak'sHeight\",\"Background\",\"Aperture\",\"Background\",\"Aperture\","
    "\"BKG(Inner)\",\"(Outer)\",\"Shape\",\"X\",\"Y\",\"X\",\"Y\",\"Width\",\"Gap\",\"Mode\","
    "\"Radius\",\"Threshold\"";
const std::string kBlock2 =
    "\"Pixel Value\",,\"Pixel Num.\",,\"Radius\",,,\"BKG\",\"Position\",,\"Spin\",\"-Direction\",,,"
    "\"StarTrack\",,";

std::string Header1(bool field) {
  std::string l = ",\"Time\",,,," + std::string(field ? "\"End of\",,,,," : "\"Centre of\",\"End of\",,,,") +
                  "\"Result\"" + Commas(6) + "\"Object 1\"" + Commas(17) + "\"Object 2\"" + Commas(17) +
                  "\"Object 3\"" + Commas(19);
  return l;
}

std::string Header2(bool field) {
  return ",\"Detect\",,\"VTI\",," + std::string(field ? "\"Field\",,," : "\"Frame\",\"Frame\",,") +
         ",\"Sound\",\"Measurement\",\"-Value\",,\"FWHM/HFD\",\"\",\"\"," + kBlock2 + "," + kBlock2 +
         "," + kBlock2 + Commas(5);
}

std::string Header3(bool kiwi_names) {
  return "\"No.\"," + std::string(kiwi_names ? "\"Field1\",\"Field2\"" : "\"Signal1\",\"Signal2\"") +
         ",\"H\",\"M\",\"S\",,,,\"/Frame\",\"Object1\",\"Object2\",\"Object3\",\"Object1\",\"Object2\","
         "\"Object3\"," +
         kBlock3 + "," + kBlock3 + "," + kBlock3 + ",\"Note\",\"Reserve\"";
}

struct HeaderCase {
  const char* name;
  bool field_mode;
  bool kiwi;
  int stamp_mode;
  bool kiwi_names;
};

class CsvHeaderLines : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(CsvHeaderLines, MatchHandWrittenLines) {
  const HeaderCase& c = GetParam();
  CsvFormatParams p;
  p.FieldMode = c.field_mode;
  p.Kiwi = c.kiwi;
  p.TimeStampMode = c.stamp_mode;
  EXPECT_EQ(BuildCsvHeader1(p), Header1(c.field_mode));
  EXPECT_EQ(BuildCsvHeader2(p), Header2(c.field_mode));
  EXPECT_EQ(BuildCsvHeader3(p), Header3(c.kiwi_names));
  EXPECT_EQ(CellCount(BuildCsvHeader1(p)), 70);
  EXPECT_EQ(CellCount(BuildCsvHeader2(p)), 72);
  EXPECT_EQ(CellCount(BuildCsvHeader3(p)), 69);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CsvHeaderLines,
    ::testing::Values(HeaderCase{"Frame", false, false, 0, false},
                      HeaderCase{"Field", true, false, 0, false},
                      HeaderCase{"FrameKiwiIota", false, true, 0, true},
                      HeaderCase{"FieldKiwiIota", true, true, 0, true},
                      HeaderCase{"KiwiTickedKiwiInserter", false, true, 1, false},
                      HeaderCase{"SharpNoKiwi", false, false, 3, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvHeaderCells, HeaderThreeColumnsNameTheRowColumns) {
  std::string h3 = BuildCsvHeader3({});
  EXPECT_EQ(GetCsvField(h3, 17), "\"EstimatedPeak'sHeight\"");
  EXPECT_EQ(GetCsvField(h3, 34), "\"EstimatedPeak'sHeight\"");
  EXPECT_EQ(GetCsvField(h3, 51), "\"EstimatedPeak'sHeight\"");
  EXPECT_EQ(GetCsvField(h3, 67), "\"Threshold\"");
  EXPECT_EQ(GetCsvField(h3, 68), "\"Note\"");
}

TEST(CsvStartUp, InitialTableHoldsFiveLines) {
  ResultTable t;
  t.Add("old row");
  WriteInitialCsvHeader(t, {});
  ASSERT_EQ(t.Count(), 5);
  EXPECT_EQ(t.Line(0), "\"Tessary File Format (for Ver.0.9.99.5 later)\"");
  EXPECT_EQ(t.Line(1), "\"Filename : \"");
  EXPECT_EQ(t.Line(2), Header1(false));
  EXPECT_EQ(t.Line(3), Header2(false));
  EXPECT_EQ(t.Line(4), Header3(false));
}

struct VideoLineCase {
  const char* name;
  long double rate;
  int rounded;
  int stamp_mode;
  const char* expected;
};

class CsvVideoSystemLine : public ::testing::TestWithParam<VideoLineCase> {};

TEST_P(CsvVideoSystemLine, Text) {
  const auto& c = GetParam();
  CsvFormatParams p;
  p.TimingFrameRate = c.rate;
  p.FrameRateRounded = c.rounded;
  p.TimeStampMode = c.stamp_mode;
  EXPECT_EQ(BuildVideoSystemLine(p), c.expected);
  EXPECT_EQ(CellCount(BuildVideoSystemLine(p)), 12);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, CsvVideoSystemLine,
    ::testing::Values(
        VideoLineCase{"Ntsc", 29.97L, 30, 1, "\"Video System : NTSC\",\"FrameRate=29.97\",,,,,,,,,,"},
        VideoLineCase{"NtscFromExactRate", 30000.0L / 1001.0L, 30, 0,
                      "\"Video System : NTSC\",\"FrameRate=29.97\",,,,,,,,,,"},
        VideoLineCase{"Pal", 25.0L, 25, 1, "\"Video System : PAL\",\"FrameRate=25.00\",,,,,,,,,,"},
        VideoLineCase{"Cmos", 30.0L, 30, 3, "\"Video System : CMOS\",\"FrameRate=30.00\",,,,,,,,,,"},
        VideoLineCase{"NineAndAHalf", 9.5L, 10, 1, "\"Video System : ---\",\"FrameRate= 9.50\",,,,,,,,,,"},
        VideoLineCase{"NoRateYet", 0.0L, 0, 0, "\"Video System : ---\",\"FrameRate= 0.00\",,,,,,,,,,"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvWriteHeader, VideoTableAlwaysStartsRowsAtLineSix) {
  for (int rounded : {0, 25}) {
    CsvFormatParams p;
    p.VideoFileName = "/data/ev/occ.avi";
    p.FrameRateRounded = rounded;
    p.TimingFrameRate = rounded;
    ResultTable t;
    WriteCsvHeader(t, p);
    ASSERT_EQ(t.Count(), 6) << rounded;
    EXPECT_EQ(t.Line(0), "Tessary File Format (for Ver.0.9.99.5 later)");
    EXPECT_EQ(t.Line(1), "\"FileName : /data/ev/occ.avi\"");
    EXPECT_EQ(t.Line(5), Header3(false));
    CsvLayoutInfo info = DetectCsvVersion(t);
    EXPECT_EQ(info.CsvVersion, 3);
    EXPECT_EQ(info.CsvHeaderLines, t.Count());
    EXPECT_EQ(info.HeaderLineCount(), 7);
  }
}

// A frame with hand-picked values for every object.
DataLineBlocks SampleBlocks(int frame) {
  DataLineBlocks b;
  for (int j = 0; j < 3; ++j) {
    DataLine& d = b[static_cast<size_t>(j)];
    d.FrameNumberX10 = frame * 10;
    for (int k = 0; k < 3; ++k) {
      ObjectResult& o = d.Objects[static_cast<size_t>(k)];
      o.Value = 1000.25 * (k + 1) + j;  // block j distinguishable
      o.Peak = 200.04 + k;
      o.ApertureSum = 5000 + 100 * k + j;
      o.PsfAmplitude = 123.456 + k;
      o.BackgroundSum = 12000 + k;
      o.AperturePixelCount = 113;
      o.BackgroundPixelCount = 1500 + k;
      o.FwhmHfd = 2.345678 + k + j;  // rows must carry block 0's value
      o.ApertureRadius = 6;
      o.BackgroundInner = 8;
      o.BackgroundOuter = 25;
      o.BackgroundForm = static_cast<uint8_t>(k);  // 0, 1, 2
      o.X = 100 + k;
      o.Y = 200 + k;
      o.DirectionX = 0;
      o.DirectionY = -100;
      o.BandWidth = 5;
      o.Gap = 3;
      o.TrackMode = static_cast<uint8_t>(k == 0 ? 1 : k == 1 ? 0 : 2);
      o.TrackRadius = 7;
      o.Threshold = 95;
    }
  }
  return b;
}

FrameTimeTexts SampleTimes() {
  FrameTimeTexts t;
  t.StampH1 = "12";
  t.StampM1 = "34";
  t.StampS1Full = "56.789";
  t.StampH2 = "12";
  t.StampM2 = "34";
  t.StampS2Full = "56.809";
  t.StampCount1 = "00012345";
  t.StampCount2 = "00012346";
  return t;
}

const std::string kObj1 = "5000,12000,113,1500,6,8,25,,100,200,,,,,\"Drift\",7,95";
const std::string kObj2 = "5100,12001,113,1501,6,8,25,\"AvoidSunlitFace\",101,201,0,-100,,3,\"Anchor\",7,95";
const std::string kObj3 = "5200,12002,113,1502,6,8,25,\"Meteor/LunarLimb\",102,202,0,-100,5,3,\"OFF\",,";

struct RowCase {
  const char* name;
  int objects;
  std::string expected;
  int cells;
  int note_column;
};

class CsvResultRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(CsvResultRow, KiwiFrameRow) {
  const auto& c = GetParam();
  CsvFormatParams p;
  p.Kiwi = true;
  p.TimeStampMode = 1;
  p.ObjectCount = c.objects;
  DataLineBlocks b = SampleBlocks(123);
  b[0].Signal1Detected = 1;
  b[0].Objects[0].TrackMode = 1;
  b[0].RowNote = "note";
  std::string row = BuildResultRow(b, 0, true, p, SampleTimes());
  EXPECT_EQ(row, c.expected);
  EXPECT_EQ(CellCount(row), c.cells);
  EXPECT_EQ(GetCsvField(row, c.note_column), "note");
  EXPECT_TRUE(row.ends_with("note,,,,,"));
}

const std::string kRowStart = "123.0,\"***\",\"\",12,34,56.789,56.809,,,,";

INSTANTIATE_TEST_SUITE_P(
    Objects, CsvResultRow,
    ::testing::Values(
        RowCase{"One", 1, kRowStart + "1000.3,,,2.3457,,," + kObj1 + ",note,,,,,", 39, 34},
        RowCase{"Two", 2, kRowStart + "1000.3,2000.5,,2.3457,3.3457,," + kObj1 + "," + kObj2 + ",note,,,,,", 56, 51},
        RowCase{"Three", 3,
                kRowStart + "1000.3,2000.5,3000.8,2.3457,3.3457,4.3457," + kObj1 + "," + kObj2 + "," + kObj3 +
                    ",note,,,,,",
                73, 68}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvResultRowColumns, IotaCountersPsfAndPeak) {
  CsvFormatParams p;
  p.TimeStampMode = 0;
  p.ObjectCount = 1;
  p.PsfPhotometry = true;
  p.MeasurePixelPeak = true;
  p.TiviDigitsValid = true;
  p.TiviSecondsText = "56.7891234567890123456789";
  DataLineBlocks b = SampleBlocks(7);
  b[0].SoundNote = "beep";
  std::string row = BuildResultRow(b, 0, true, p, SampleTimes());
  EXPECT_EQ(GetCsvField(row, 1), "7.0");
  EXPECT_EQ(GetCsvField(row, 2), "00012345");
  EXPECT_EQ(GetCsvField(row, 3), "00012346");
  EXPECT_EQ(GetCsvField(row, 4), "");
  EXPECT_EQ(GetCsvField(row, 6), "56.78912345678901234");  // cut to 20 characters
  EXPECT_EQ(GetCsvField(row, 10), "beep");
  EXPECT_EQ(GetCsvField(row, 11), "200.0");   // peak, 1 decimal
  EXPECT_EQ(GetCsvField(row, 17), "123.5");  // PSF amplitude of block 0
}

TEST(CsvResultRowColumns, SharpWithoutCorrectedTimes) {
  CsvFormatParams p;
  p.TimeStampMode = 3;
  p.Kiwi = true;
  p.SharpTimeCorrection = 1;
  DataLineBlocks b = SampleBlocks(1);
  b[0].Signal1Level = 87.66;
  b[0].Signal2Detected = 1;
  std::string row = BuildResultRow(b, 0, true, p, SampleTimes());
  EXPECT_TRUE(row.starts_with("1.0,87.7,\"***\",,,,,12,34,56.809,1000.3,,,")) << row;
}

TEST(CsvResultRowColumns, LinearTrackNeedsBothPassedPoints) {
  CsvFormatParams p;
  DataLineBlocks b = SampleBlocks(1);
  EXPECT_EQ(GetCsvField(BuildResultRow(b, 0, true, p, {}), 31), "\"Drift\"");
  p.LinearTrackReady[0] = true;
  EXPECT_EQ(GetCsvField(BuildResultRow(b, 0, true, p, {}), 31), "\"Linear\"");
}

TEST(CsvResultRowColumns, LimbProfileRowHasSixtySevenCells) {
  CsvFormatParams p;
  p.ObjectCount = 3;
  p.LimbProfileForRectangle = true;
  std::vector<double> profile;
  for (int i = 0; i < kLimbProfileCount; ++i) profile.push_back(i * 1.25 + 0.01);
  p.LimbProfile = profile;
  DataLineBlocks b = SampleBlocks(5);
  b[0].RowNote = "never written";
  std::string row = BuildResultRow(b, 0, true, p, {});
  EXPECT_EQ(CellCount(row), 67);
  EXPECT_EQ(GetCsvField(row, 16), "4.3457");
  EXPECT_EQ(GetCsvField(row, 17), "0.0");
  EXPECT_EQ(GetCsvField(row, 18), "1.3");
  EXPECT_TRUE(row.ends_with(",62.5")) << row;
  EXPECT_EQ(row.find("never"), std::string::npos);
}

struct FieldOrderCase {
  const char* name;
  int order;
  int first_block;
};

class CsvFieldRows : public ::testing::TestWithParam<FieldOrderCase> {};

TEST_P(CsvFieldRows, FrameTenReadsTenAndTenAndAHalf) {
  const auto& c = GetParam();
  CsvFormatParams p;
  p.FieldMode = true;
  p.Kiwi = true;
  p.TimeStampMode = 1;
  p.FieldOrderIndex = c.order;
  const DataLineBlocks b = SampleBlocks(10);
  ResultTable t;
  AppendResultRows(t, b, p, SampleTimes());
  ASSERT_EQ(t.Count(), 2);
  EXPECT_EQ(GetCsvField(t.Line(0), 1), "10.0");
  EXPECT_EQ(GetCsvField(t.Line(1), 1), "10.5");
  // Block values in the field order; FWHM of the frame block in both rows.
  const int second_block = 3 - c.first_block;
  EXPECT_EQ(GetCsvField(t.Line(0), 11), c.first_block == 2 ? "1002.3" : "1001.3");
  EXPECT_EQ(GetCsvField(t.Line(1), 11), second_block == 2 ? "1002.3" : "1001.3");
  EXPECT_EQ(GetCsvField(t.Line(0), 14), "2.3457");
  EXPECT_EQ(GetCsvField(t.Line(1), 14), "2.3457");
  // Each row of the pair carries its own field's time.
  EXPECT_EQ(GetCsvField(t.Line(0), 6), "56.789");
  EXPECT_EQ(GetCsvField(t.Line(1), 6), "56.809");
  EXPECT_EQ(GetCsvField(t.Line(0), 7), "");
  // The blocks themselves are not changed.
  for (const auto& block : b) EXPECT_EQ(block.FrameNumberX10, 100);
}

INSTANTIATE_TEST_SUITE_P(Orders, CsvFieldRows,
                         ::testing::Values(FieldOrderCase{"EvenFirst", 0, 2}, FieldOrderCase{"OddFirst", 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CsvFrameRows, OneRowPerFrame) {
  ResultTable t;
  CsvFormatParams p;
  AppendResultRows(t, SampleBlocks(12345), p, {});
  ASSERT_EQ(t.Count(), 1);
  EXPECT_EQ(GetCsvField(t.Line(0), 1), "12345.0");
}

struct BannerCase {
  const char* name;
  std::string line0;
  int version;
};

class CsvBanner : public ::testing::TestWithParam<BannerCase> {};

TEST_P(CsvBanner, Version) {
  const auto& c = GetParam();
  EXPECT_EQ(CsvVersionOfBanner(c.line0), c.version);
  CsvLayoutInfo info = DetectCsvVersion(std::vector<std::string>{c.line0});
  EXPECT_EQ(info.CsvVersion, c.version);
  EXPECT_EQ(info.CsvHeaderLines, c.version == 0 ? 3 : 6);
}

INSTANTIATE_TEST_SUITE_P(
    Banners, CsvBanner,
    ::testing::Values(
        BannerCase{"V3Bare", "Tessary File Format (for Ver.0.9.99.5 later)", 3},
        BannerCase{"V3Quoted", "\"Tessary File Format (for Ver.0.9.99.5 later)\"", 3},
        BannerCase{"V3QuotedWithCells", "\"Tessary File Format (for Ver.0.9.99.5 later)\",,,", 3},
        BannerCase{"V2Bare", "Tessary File Format (for Ver.0.9.26 later)", 2},
        BannerCase{"V2Quoted", "\"Tessary File Format (for Ver.0.9.26 later)\"", 2},
        BannerCase{"V1Bare", "Tessary File Format (for Ver.0.9.25 later)", 1},
        BannerCase{"V1Quoted", "\"Tessary File Format (for Ver.0.9.25 later)\"", 1},
        BannerCase{"WrongCase", "tessary file format (for ver.0.9.99.5 later)", 0},
        BannerCase{"WrongCaseQuoted", "\"TESSARY FILE FORMAT (for Ver.0.9.26 later)\"", 0},
        BannerCase{"Truncated", "Tessary File Format (for Ver.0.9.2", 0},
        BannerCase{"TwoQuotes", "\"\"Tessary File Format (for Ver.0.9.99.5 later)", 0},
        BannerCase{"Empty", "", 0}, BannerCase{"Row", "1.0,2,3", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvLayout, FirstRowFollowsTheNoLine) {
  // Stored tables without the video-system line: rows start at line 5.
  ResultTable t;
  WriteInitialCsvHeader(t, {});
  t.Add("0.0,,,,,,,,,,1.0");
  CsvLayoutInfo info = DetectCsvVersion(t);
  EXPECT_EQ(info.CsvVersion, 3);
  EXPECT_EQ(info.CsvHeaderLines, 5);
  EXPECT_EQ(info.HeaderLineCount(), 6);

  std::vector<std::string> v2 = {"Tessary File Format (for Ver.0.9.26 later)", "\"FileName : x\"",
                                 "\"Video System : PAL\",\"FrameRate=25.00\"", "h1", "h2",
                                 "\"No.\",\"Signal1\"", "1.0,"};
  EXPECT_EQ(DetectCsvVersion(v2).CsvHeaderLines, 6);
  // Version 0 keeps its fixed layout.
  std::vector<std::string> v0 = {"x", "y", "\"No.\"", "1.0"};
  EXPECT_EQ(DetectCsvVersion(v0).CsvHeaderLines, 3);
  EXPECT_EQ(DetectCsvVersion(std::vector<std::string>{}).CsvVersion, 0);
}

}  // namespace
