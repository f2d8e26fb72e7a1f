// The result CSV texts against lines typed out by hand, cell by cell: the
// banner and header lines other programs parse, and complete rows whose
// numbers were rounded by hand (ties away from zero, precision before
// decimals).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ResultCsvFormat.h"
#include "base/ResultTable.h"

namespace {

const std::string kHeader1Frame =
    ",\"Time\",,,,\"Centre of\",\"End of\",,,,\"Result\",,,,,,"
    "\"Object 1\",,,,,,,,,,,,,,,,,"
    "\"Object 2\",,,,,,,,,,,,,,,,,"
    "\"Object 3\",,,,,,,,,,,,,,,,,,,";

const std::string kHeader1Field =
    ",\"Time\",,,,\"End of\",,,,,\"Result\",,,,,,"
    "\"Object 1\",,,,,,,,,,,,,,,,,"
    "\"Object 2\",,,,,,,,,,,,,,,,,"
    "\"Object 3\",,,,,,,,,,,,,,,,,,,";

const std::string kHeader2Frame =
    ",\"Detect\",,\"VTI\",,\"Frame\",\"Frame\",,,\"Sound\",\"Measurement\",\"-Value\",,\"FWHM/HFD\",\"\",\"\","
    "\"Pixel Value\",,\"Pixel Num.\",,\"Radius\",,,\"BKG\",\"Position\",,\"Spin\",\"-Direction\",,,\"StarTrack\",,,"
    "\"Pixel Value\",,\"Pixel Num.\",,\"Radius\",,,\"BKG\",\"Position\",,\"Spin\",\"-Direction\",,,\"StarTrack\",,,"
    "\"Pixel Value\",,\"Pixel Num.\",,\"Radius\",,,\"BKG\",\"Position\",,\"Spin\",\"-Direction\",,,\"StarTrack\",,,"
    ",,,,";

const std::string kHeader2Field =
    ",\"Detect\",,\"VTI\",,\"Field\",,,,\"Sound\",\"Measurement\",\"-Value\",,\"FWHM/HFD\",\"\",\"\","
    "\"Pixel Value\",,\"Pixel Num.\",,\"Radius\",,,\"BKG\",\"Position\",,\"Spin\",\"-Direction\",,,\"StarTrack\",,,"
    "\"Pixel Value\",,\"Pixel Num.\",,\"Radius\",,,\"BKG\",\"Position\",,\"Spin\",\"-Direction\",,,\"StarTrack\",,,"
    "\"Pixel Value\",,\"Pixel Num.\",,\"Radius\",,,\"BKG\",\"Position\",,\"Spin\",\"-Direction\",,,\"StarTrack\",,,"
    ",,,,";

const std::string kHeader3Signal =
    "\"No.\",\"Signal1\",\"Signal2\",\"H\",\"M\",\"S\",,,,\"/Frame\","
    "\"Object1\",\"Object2\",\"Object3\",\"Object1\",\"Object2\",\"Object3\","
    "\"EstimatedPeak'sHeight\",\"Background\",\"Aperture\",\"Background\",\"Aperture\",\"BKG(Inner)\",\"(Outer)\","
    "\"Shape\",\"X\",\"Y\",\"X\",\"Y\",\"Width\",\"Gap\",\"Mode\",\"Radius\",\"Threshold\","
    "\"EstimatedPeak'sHeight\",\"Background\",\"Aperture\",\"Background\",\"Aperture\",\"BKG(Inner)\",\"(Outer)\","
    "\"Shape\",\"X\",\"Y\",\"X\",\"Y\",\"Width\",\"Gap\",\"Mode\",\"Radius\",\"Threshold\","
    "\"EstimatedPeak'sHeight\",\"Background\",\"Aperture\",\"Background\",\"Aperture\",\"BKG(Inner)\",\"(Outer)\","
    "\"Shape\",\"X\",\"Y\",\"X\",\"Y\",\"Width\",\"Gap\",\"Mode\",\"Radius\",\"Threshold\","
    "\"Note\",\"Reserve\"";

const std::string kHeader3Kiwi =
    "\"No.\",\"Field1\",\"Field2\",\"H\",\"M\",\"S\",,,,\"/Frame\","
    "\"Object1\",\"Object2\",\"Object3\",\"Object1\",\"Object2\",\"Object3\","
    "\"EstimatedPeak'sHeight\",\"Background\",\"Aperture\",\"Background\",\"Aperture\",\"BKG(Inner)\",\"(Outer)\","
    "\"Shape\",\"X\",\"Y\",\"X\",\"Y\",\"Width\",\"Gap\",\"Mode\",\"Radius\",\"Threshold\","
    "\"EstimatedPeak'sHeight\",\"Background\",\"Aperture\",\"Background\",\"Aperture\",\"BKG(Inner)\",\"(Outer)\","
    "\"Shape\",\"X\",\"Y\",\"X\",\"Y\",\"Width\",\"Gap\",\"Mode\",\"Radius\",\"Threshold\","
    "\"EstimatedPeak'sHeight\",\"Background\",\"Aperture\",\"Background\",\"Aperture\",\"BKG(Inner)\",\"(Outer)\","
    "\"Shape\",\"X\",\"Y\",\"X\",\"Y\",\"Width\",\"Gap\",\"Mode\",\"Radius\",\"Threshold\","
    "\"Note\",\"Reserve\"";

struct HeaderRow {
  const char* name;
  bool field_mode;
  bool kiwi;
  int stamp_mode;
  const std::string* line1;
  const std::string* line2;
  const std::string* line3;
};

class HeaderConformance : public ::testing::TestWithParam<HeaderRow> {};

TEST_P(HeaderConformance, LinesAsTyped) {
  const HeaderRow& r = GetParam();
  CsvFormatParams p;
  p.FieldMode = r.field_mode;
  p.Kiwi = r.kiwi;
  p.TimeStampMode = r.stamp_mode;
  EXPECT_EQ(BuildCsvHeader1(p), *r.line1);
  EXPECT_EQ(BuildCsvHeader2(p), *r.line2);
  EXPECT_EQ(BuildCsvHeader3(p), *r.line3);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, HeaderConformance,
    ::testing::Values(HeaderRow{"FrameIota", false, false, 0, &kHeader1Frame, &kHeader2Frame, &kHeader3Signal},
                      HeaderRow{"FieldIota", true, false, 0, &kHeader1Field, &kHeader2Field, &kHeader3Signal},
                      HeaderRow{"FrameKiwiTickIota", false, true, 0, &kHeader1Frame, &kHeader2Frame, &kHeader3Kiwi},
                      HeaderRow{"FieldKiwiTickIota", true, true, 0, &kHeader1Field, &kHeader2Field, &kHeader3Kiwi},
                      HeaderRow{"FrameKiwiTickKiwiOsd", false, true, 1, &kHeader1Frame, &kHeader2Frame,
                                &kHeader3Signal},
                      HeaderRow{"FieldKiwiTickGhs", true, true, 2, &kHeader1Field, &kHeader2Field, &kHeader3Signal},
                      HeaderRow{"FrameKiwiTickSharp", false, true, 3, &kHeader1Frame, &kHeader2Frame,
                                &kHeader3Signal}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TableConformance, OpenedVideoTableInFieldMode) {
  CsvFormatParams p;
  p.FieldMode = true;
  p.VideoFileName = "C:\\obs\\2024-03-01 ZC1234.avi";
  p.TimingFrameRate = 30000.0L / 1001.0L;
  p.FrameRateRounded = 30;
  ResultTable t;
  t.Add("left over");
  WriteCsvHeader(t, p);
  const std::vector<std::string> expected = {
      "Tessary File Format (for Ver.0.9.99.5 later)",
      "\"FileName : C:\\obs\\2024-03-01 ZC1234.avi\"",
      "\"Video System : NTSC\",\"FrameRate=29.97\",,,,,,,,,,",
      kHeader1Field,
      kHeader2Field,
      kHeader3Signal,
  };
  EXPECT_EQ(t.Lines(), expected);
  EXPECT_EQ(t.Text(), expected[0] + "\r\n" + expected[1] + "\r\n" + expected[2] + "\r\n" + expected[3] + "\r\n" +
                          expected[4] + "\r\n" + expected[5] + "\r\n");
}

TEST(TableConformance, StartUpTable) {
  CsvFormatParams p;
  ResultTable t;
  WriteInitialCsvHeader(t, p);
  const std::vector<std::string> expected = {
      "\"Tessary File Format (for Ver.0.9.99.5 later)\"", "\"Filename : \"", kHeader1Frame, kHeader2Frame,
      kHeader3Signal};
  EXPECT_EQ(t.Lines(), expected);
}

struct VideoLineRow {
  const char* name;
  long double rate;
  int rounded;
  int stamp_mode;
  const char* line;
};

class VideoLineConformance : public ::testing::TestWithParam<VideoLineRow> {};

TEST_P(VideoLineConformance, LineAsTyped) {
  const VideoLineRow& r = GetParam();
  CsvFormatParams p;
  p.TimingFrameRate = r.rate;
  p.FrameRateRounded = r.rounded;
  p.TimeStampMode = r.stamp_mode;
  EXPECT_EQ(BuildVideoSystemLine(p), r.line);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, VideoLineConformance,
    ::testing::Values(
        // NTSC is decided by the rate text before the rounded rate is looked at.
        VideoLineRow{"NtscBeforeCmos", 29.97L, 30, 3, "\"Video System : NTSC\",\"FrameRate=29.97\",,,,,,,,,,"},
        VideoLineRow{"RateTextJust29_97", 29.965L, 30, 0, "\"Video System : NTSC\",\"FrameRate=29.97\",,,,,,,,,,"},
        VideoLineRow{"PalBeforeCmos", 25.0L, 25, 3, "\"Video System : PAL\",\"FrameRate=25.00\",,,,,,,,,,"},
        VideoLineRow{"Rounded25IsPal", 24.6L, 25, 0, "\"Video System : PAL\",\"FrameRate=24.60\",,,,,,,,,,"},
        VideoLineRow{"Cmos", 59.94L, 60, 3, "\"Video System : CMOS\",\"FrameRate=59.94\",,,,,,,,,,"},
        VideoLineRow{"Other", 59.94L, 60, 2, "\"Video System : ---\",\"FrameRate=59.94\",,,,,,,,,,"},
        VideoLineRow{"ShortRate", 5.005L, 5, 1, "\"Video System : ---\",\"FrameRate= 5.01\",,,,,,,,,,"},
        VideoLineRow{"WideRate", 120.0L, 120, 1, "\"Video System : ---\",\"FrameRate=120.00\",,,,,,,,,,"},
        VideoLineRow{"NtscFromExactRate", 30000.0L / 1001.0L, 30, 0,
                     "\"Video System : NTSC\",\"FrameRate=29.97\",,,,,,,,,,"},
        VideoLineRow{"NineAndAHalf", 9.5L, 10, 1, "\"Video System : ---\",\"FrameRate= 9.50\",,,,,,,,,,"},
        VideoLineRow{"NoRateYet", 0.0L, 0, 0, "\"Video System : ---\",\"FrameRate= 0.00\",,,,,,,,,,"}),
    [](const auto& info) { return std::string(info.param.name); });

// Three objects, one of each background form and tracking state, with values
// chosen so that each rounding rule shows.
DataLineBlocks ThreeObjectFrame() {
  DataLineBlocks b;
  for (DataLine& d : b) {
    d.FrameNumberX10 = 12340;
    d.Signal1Detected = 1;
    d.Signal2Detected = 0;
    d.SoundNote = "Beep";
    d.RowNote = "Edge";
    ObjectResult& a = d.Objects[0];
    a.Value = 1234.25;     // tie: 1234.3
    a.FwhmHfd = 2.03125;   // tie at the fourth decimal: 2.0313
    a.ApertureSum = 98765;
    a.BackgroundSum = 43210;
    a.AperturePixelCount = 113;
    a.BackgroundPixelCount = 1608;
    a.ApertureRadius = 6;
    a.BackgroundInner = 8;
    a.BackgroundOuter = 25;
    a.BackgroundForm = 0;
    a.X = 320;
    a.Y = 240;
    a.DirectionX = 0;
    a.DirectionY = -100;
    a.BandWidth = 5;
    a.Gap = 0;
    a.TrackMode = 0;
    a.TrackRadius = 6;
    a.Threshold = 95;
    ObjectResult& bb = d.Objects[1];
    bb.Value = -17.05;     // the double lies just beyond the tie: -17.1
    bb.FwhmHfd = 0.5;
    bb.ApertureSum = 5000;
    bb.BackgroundSum = 1000;
    bb.AperturePixelCount = 69;
    bb.BackgroundPixelCount = 900;
    bb.ApertureRadius = 4;
    bb.BackgroundInner = 7;
    bb.BackgroundOuter = 20;
    bb.BackgroundForm = 1;
    bb.X = 100;
    bb.Y = 50;
    bb.DirectionX = 250;
    bb.DirectionY = -433;
    bb.BandWidth = 5;      // not written for form 1
    bb.Gap = 3;
    bb.TrackMode = 1;
    bb.TrackRadius = 5;
    bb.Threshold = 80;
    ObjectResult& c = d.Objects[2];
    c.Value = 12345678.25;  // eight significant digits leave no decimal
    c.FwhmHfd = 123456.7;   // six significant digits, padded to four decimals
    c.ApertureSum = 700;
    c.BackgroundSum = -20;
    c.AperturePixelCount = 49;
    c.BackgroundPixelCount = 1200;
    c.ApertureRadius = 3;
    c.BackgroundInner = 10;
    c.BackgroundOuter = 25;
    c.BackgroundForm = 2;
    c.X = 600;
    c.Y = 400;
    c.DirectionX = -500;
    c.DirectionY = 0;
    c.BandWidth = 7;
    c.Gap = 2;
    c.TrackMode = 2;
    c.TrackRadius = 9;     // not written for OFF
    c.Threshold = 50;
  }
  return b;
}

FrameTimeTexts KiwiTimes() {
  FrameTimeTexts t;
  t.StampH1 = "21";
  t.StampM1 = "05";
  t.StampS1 = "33";
  t.StampS1Full = "33.3667";
  t.StampH2 = "21";
  t.StampM2 = "06";
  t.StampS2 = "00";
  t.StampS2Full = "00.0001";
  t.StampCount1 = "0001234";
  t.StampCount2 = "0001235";
  return t;
}

TEST(RowConformance, KiwiFrameRowWithThreeObjects) {
  CsvFormatParams p;
  p.Kiwi = true;
  p.TimeStampMode = 1;
  p.ObjectCount = 3;
  p.LinearTrackReady = {false, true, false};
  const std::string expected =
      "1234.0,\"***\",\"\",21,05,33.3667,00.0001,,,Beep,"
      "1234.3,-17.1,12345678.0,2.0313,0.5000,123457.0000,"
      "98765,43210,113,1608,6,8,25,,320,240,,,,,\"Anchor\",6,95,"
      "5000,1000,69,900,4,7,20,\"AvoidSunlitFace\",100,50,250,-433,,3,\"Linear\",5,80,"
      "700,-20,49,1200,3,10,25,\"Meteor/LunarLimb\",600,400,-500,0,7,2,\"OFF\",,,"
      "Edge,,,,,";
  EXPECT_EQ(BuildResultRow(ThreeObjectFrame(), 0, true, p, KiwiTimes()), expected);
  ResultTable t;
  AppendResultRows(t, ThreeObjectFrame(), p, KiwiTimes());
  ASSERT_EQ(t.Count(), 1);
  EXPECT_EQ(t.Line(0), expected);
}

TEST(RowConformance, IotaRowWithTwoObjectsPsfAndPeaks) {
  CsvFormatParams p;
  p.TimeStampMode = 0;
  p.ObjectCount = 2;
  p.PsfPhotometry = true;
  p.MeasurePixelPeak = true;
  p.TiviDigitsValid = true;
  p.TiviSecondsText = "33.3712345678901234567";  // cut to 20 characters
  DataLineBlocks b = ThreeObjectFrame();
  b[0].Objects[0].Peak = 254.95;            // the double is 254.94999...: 254.9
  b[0].Objects[0].PsfAmplitude = 12345.67;  // five significant digits: 12346.0
  b[0].Objects[1].PsfAmplitude = 0.25;      // tie: 0.3
  b[0].Objects[1].Peak = 99.75;             // tie: 99.8
  const std::string expected =
      "1234.0,0001234,0001235,,,33.37123456789012345,,,,Beep,"
      "254.9,99.8,,2.0313,0.5000,,"
      "12346.0,43210,113,1608,6,8,25,,320,240,,,,,\"Anchor\",6,95,"
      "0.3,1000,69,900,4,7,20,\"AvoidSunlitFace\",100,50,250,-433,,3,\"Drift\",5,80,"
      "Edge,,,,,";
  EXPECT_EQ(BuildResultRow(b, 0, true, p, KiwiTimes()), expected);
}

TEST(RowConformance, SharpRowWithoutCorrectedTimesAndOneRectangleObject) {
  CsvFormatParams p;
  p.TimeStampMode = 3;
  p.SharpTimeCorrection = 1;
  p.ObjectCount = 1;
  p.TiviDigitsValid = false;
  p.TiviSecondsText = "s(Field1)";
  DataLineBlocks b = ThreeObjectFrame();
  b[0].Signal1Level = 0.25;  // tie: 0.3
  b[0].Signal2Detected = 1;
  b[0].Objects[0].BackgroundForm = 3;
  b[0].Objects[0].DirectionX = 12;
  b[0].Objects[0].DirectionY = -34;
  b[0].Objects[0].BandWidth = 9;
  b[0].Objects[0].Gap = 1;
  b[0].Objects[0].TrackMode = 3;
  const std::string expected =
      // Columns 8-10 give one instant: the capture's own hour and minute.
      "1234.0,0.3,\"***\",,,,,21,06,00.0001,"
      "1234.3,,,2.0313,,,"
      "98765,43210,113,1608,6,8,25,,320,240,12,-34,9,1,\"OFF\",,,"
      "Edge,,,,,";
  EXPECT_EQ(BuildResultRow(b, 0, true, p, KiwiTimes()), expected);
}

TEST(RowConformance, KiwiSharpFrameRowWithoutCorrectedTimesHasNoTime) {
  CsvFormatParams p;
  p.Kiwi = true;
  p.TimeStampMode = 3;
  p.ObjectCount = 1;
  DataLineBlocks b = ThreeObjectFrame();
  const std::string row = BuildResultRow(b, 0, true, p, KiwiTimes());
  EXPECT_TRUE(row.starts_with("1234.0,\"***\",\"\",,,,,21,06,00.0001,1234.3,")) << row;
  p.SharpCapTimeAvailable = true;
  EXPECT_TRUE(BuildResultRow(b, 0, true, p, KiwiTimes()).starts_with("1234.0,\"***\",\"\",21,05,33.3667,00.0001,,,Beep,"));
}

struct FieldPairRow {
  const char* name;
  int order;
  const char* first;
  const char* second;
};

class FieldPairConformance : public ::testing::TestWithParam<FieldPairRow> {};

TEST_P(FieldPairConformance, RowsAsTyped) {
  const FieldPairRow& r = GetParam();
  CsvFormatParams p;
  p.FieldMode = true;
  p.Kiwi = true;
  p.TimeStampMode = 1;
  p.FieldOrderIndex = r.order;
  p.ObjectCount = 1;
  DataLineBlocks b = ThreeObjectFrame();
  for (size_t j = 0; j < 3; ++j) {
    b[j].FrameNumberX10 = 100;
    b[j].Signal1Detected = j == 1 ? 1 : 0;
    b[j].SoundNote = "S" + std::to_string(j);
    b[j].RowNote.clear();
    b[j].Objects[0].Value = 10.0 * static_cast<double>(j) + 0.05;  // 0.1, 10.1, 20.1 (from just above the tie)
    b[j].Objects[0].FwhmHfd = 1.0 + static_cast<double>(j);         // rows carry block 0's 1.0000
    b[j].Objects[0].ApertureSum = 1000 + static_cast<int32_t>(j);
  }
  ResultTable t;
  AppendResultRows(t, b, p, KiwiTimes());
  ASSERT_EQ(t.Count(), 2);
  EXPECT_EQ(t.Line(0), r.first);
  EXPECT_EQ(t.Line(1), r.second);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, FieldPairConformance,
    ::testing::Values(
        FieldPairRow{"EvenFirst", 0,
                     "10.0,\"\",\"\",21,05,33.3667,,,,S2,20.1,,,1.0000,,,"
                     "1002,43210,113,1608,6,8,25,,320,240,,,,,\"Anchor\",6,95,,,,,,",
                     "10.5,\"***\",\"\",21,06,00.0001,,,,S1,10.1,,,1.0000,,,"
                     "1001,43210,113,1608,6,8,25,,320,240,,,,,\"Anchor\",6,95,,,,,,"},
        FieldPairRow{"OddFirst", 1,
                     "10.0,\"***\",\"\",21,05,33.3667,,,,S1,10.1,,,1.0000,,,"
                     "1001,43210,113,1608,6,8,25,,320,240,,,,,\"Anchor\",6,95,,,,,,",
                     "10.5,\"\",\"\",21,06,00.0001,,,,S2,20.1,,,1.0000,,,"
                     "1002,43210,113,1608,6,8,25,,320,240,,,,,\"Anchor\",6,95,,,,,,"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RowConformance, LimbProfileRowEndsWithItsLastValue) {
  CsvFormatParams p;
  p.Kiwi = true;
  p.TimeStampMode = 1;
  p.ObjectCount = 2;
  p.LimbProfileForRectangle = true;
  std::vector<double> profile(kLimbProfileCount, 0.0);
  profile[0] = 12345.67;  // 12346.0
  profile[1] = 0.25;      // 0.3
  profile[2] = -0.04;     // 0.0
  profile[3] = 9999.96;   // carries into a fifth integer digit: 10000.0
  profile[50] = 1.05;     // the double is 1.0500000000000000444: 1.1
  p.LimbProfile = profile;
  std::string expected =
      "1234.0,\"***\",\"\",21,05,33.3667,00.0001,,,Beep,1234.3,-17.1,,2.0313,0.5000,,"
      "12346.0,0.3,0.0,10000.0";
  for (int i = 4; i < 50; ++i) expected += ",0.0";
  expected += ",1.1";
  EXPECT_EQ(BuildResultRow(ThreeObjectFrame(), 0, true, p, KiwiTimes()), expected);
}

struct BannerRow {
  const char* name;
  std::vector<std::string> lines;
  int version;
  int header_lines;
};

class DetectConformance : public ::testing::TestWithParam<BannerRow> {};

TEST_P(DetectConformance, VersionAndFirstRow) {
  const BannerRow& r = GetParam();
  CsvLayoutInfo info = DetectCsvVersion(r.lines);
  EXPECT_EQ(info.CsvVersion, r.version);
  EXPECT_EQ(info.CsvHeaderLines, r.header_lines);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, DetectConformance,
    ::testing::Values(
        BannerRow{"V3Written",
                  {"Tessary File Format (for Ver.0.9.99.5 later)", "\"FileName : a.avi\"",
                   "\"Video System : PAL\",\"FrameRate=25.00\",,,,,,,,,,", kHeader1Frame, kHeader2Frame,
                   kHeader3Signal, "0.0,"},
                  3, 6},
        BannerRow{"V3FirstFortyTwoOnly", {"Tessary File Format (for Ver.0.9.99.5 late!!"}, 3, 6},
        BannerRow{"V2BannerWithCells", {"\"Tessary File Format (for Ver.0.9.26 later)\",,,,"}, 2, 6},
        BannerRow{"V1", {"Tessary File Format (for Ver.0.9.25 later)"}, 1, 6},
        BannerRow{"LeadingBlank", {" Tessary File Format (for Ver.0.9.99.5 later)"}, 0, 3},
        BannerRow{"LowerCaseT", {"tessary File Format (for Ver.0.9.99.5 later)"}, 0, 3},
        BannerRow{"OtherVersion", {"Tessary File Format (for Ver.0.9.24 later)"}, 0, 3},
        BannerRow{"V3Quoted", {"\"Tessary File Format (for Ver.0.9.99.5 later)\""}, 3, 6},
        BannerRow{"V1Quoted", {"\"Tessary File Format (for Ver.0.9.25 later)\""}, 1, 6},
        BannerRow{"UpperCaseQuoted", {"\"TESSARY FILE FORMAT (for Ver.0.9.26 later)\""}, 0, 3},
        BannerRow{"Truncated", {"Tessary File Format (for Ver.0.9.2"}, 0, 3},
        BannerRow{"TwoQuotes", {"\"\"Tessary File Format (for Ver.0.9.99.5 later)"}, 0, 3},
        BannerRow{"Row", {"1.0,2,3"}, 0, 3}, BannerRow{"Empty", {""}, 0, 3}),
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
    EXPECT_EQ(t.Line(5), kHeader3Signal);
    CsvLayoutInfo info = DetectCsvVersion(t);
    EXPECT_EQ(info.CsvVersion, 3);
    EXPECT_EQ(info.CsvHeaderLines, t.Count());
    EXPECT_EQ(info.HeaderLineCount(), 7);
  }
}

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
