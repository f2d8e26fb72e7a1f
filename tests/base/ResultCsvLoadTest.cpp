#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ResultCsvFormat.h"
#include "base/ResultCsvLoad.h"
#include "base/ResultTable.h"
#include "support/ChartTestTables.h"
#include "support/ObjectSettings.h"
#include "support/SpreadsheetSaves.h"
#include "support/TemporaryFolder.h"

namespace fs = std::filesystem;

namespace {

// ---- Table builders: the row layout the program writes (header lines from
// support/ChartTestTables). ----

std::string Q(const std::string& s) { return "\"" + s + "\""; }

struct Obj {
  int ap = 6, inner = 8, outer = 20;
  int form = 0;  // 0..3
  int x = 100, y = 50, dx = 0, dy = 500, width = 12, gap = 4;
  const char* mode = "Anchor";
  int track_radius = 5, threshold = 80;
  const char* fwhm = "3.5000";
};

// A result row of a version 3 or 2 table (version 1: without the FWHM cells).
std::string Row(int version, const std::string& no, const std::vector<Obj>& objs, const std::string& col10 = "") {
  // CMOS seconds in column 10 come after their hour and minute.
  const std::string h = col10.empty() ? "" : "21", m = col10.empty() ? "" : "05";
  std::vector<std::string> c = {no, Q(""), Q(""), "", "", "", "", h, m, col10};
  for (int k = 0; k < 3; ++k) c.push_back(k < static_cast<int>(objs.size()) ? "1234.5" : "");
  if (version != 1)
    for (int k = 0; k < 3; ++k) c.push_back(k < static_cast<int>(objs.size()) ? objs[static_cast<size_t>(k)].fwhm : "");
  for (const Obj& o : objs) {
    const char* shape = o.form == 1 ? "AvoidSunlitFace" : o.form == 2 ? "Meteor/LunarLimb" : nullptr;
    c.insert(c.end(), {"5000", "3000", "113", "900", std::to_string(o.ap), std::to_string(o.inner),
                       std::to_string(o.outer), shape ? Q(shape) : "", std::to_string(o.x), std::to_string(o.y)});
    if (o.form == 0)
      c.insert(c.end(), {"", "", "", ""});
    else
      c.insert(c.end(), {std::to_string(o.dx), std::to_string(o.dy), o.form == 1 ? "" : std::to_string(o.width),
                         std::to_string(o.gap)});
    bool off = std::string(o.mode) == "OFF";
    c.insert(c.end(), {Q(o.mode), off ? "" : std::to_string(o.track_radius), off ? "" : std::to_string(o.threshold)});
  }
  c.push_back("");  // note
  return JoinCells(c) + ",,,,,";
}

// The rate cell as this program writes it for each system unless given.
std::vector<std::string> Table(int version, const std::string& video, const std::string& system,
                               const std::vector<std::string>& rows, std::string rate_cell = "") {
  if (rate_cell.empty())
    rate_cell = Q("FrameRate=" + std::string(system == "NTSC" ? "29.97" : system == "PAL" ? "25.00" : "30.00"));
  std::string banner = version == 3   ? "Tessary File Format (for Ver.0.9.99.5 later)"
                       : version == 2 ? "Tessary File Format (for Ver.0.9.26 later)"
                                      : "Tessary File Format (for Ver.0.9.25 later)";
  std::vector<std::string> t = {Q(banner), Q("FileName : " + video),
                                Q("Video System : " + system) + "," + rate_cell + ",,,,,,,,,,",
                                ResultHeaderLine1(), ResultHeaderLine2(), ResultHeaderLine3()};
  t.insert(t.end(), rows.begin(), rows.end());
  return t;
}

std::string Join(const std::vector<std::string>& lines, const std::string& eol) {
  std::string s;
  for (const auto& l : lines) s += l + eol;
  return s;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

DataLineBlocks SomeSettings() {
  DataLineBlocks b{};
  for (auto& block : b)
    for (auto& o : block.Objects) {
      o.ApertureRadius = 3;
      o.BackgroundInner = 5;
      o.BackgroundOuter = 9;
      o.BackgroundForm = 3;
      o.BandWidth = 7;
      o.Gap = 2;
      o.TrackMode = 1;
      o.TrackRadius = 9;
      o.Threshold = 50;
      o.DirectionX = 11;
      o.DirectionY = 22;
    }
  return b;
}

ResultCsvLoadResult LoadText(const std::vector<std::string>& lines, const std::string& folder = "/nonexistent",
                             const DataLineBlocks& current = SomeSettings()) {
  ResultCsvLoadParams p;
  p.CurrentObjects = current;
  return LoadResultCsvText(Join(lines, "\r\n"), folder, p);
}

// Every block holds the object's loaded value.
void ExpectAllBlocks(const ResultCsvLoadResult& r, int k, const ObjectResult& want, const char* what) {
  for (int j = 0; j < 3; ++j) {
    const ObjectResult& o = r.ObjectBlocks[static_cast<size_t>(j)].Objects[static_cast<size_t>(k)];
    SCOPED_TRACE(std::string(what) + " object " + std::to_string(k + 1) + " block " + std::to_string(j));
    EXPECT_EQ(o.ApertureRadius, want.ApertureRadius);
    EXPECT_EQ(o.BackgroundInner, want.BackgroundInner);
    EXPECT_EQ(o.BackgroundOuter, want.BackgroundOuter);
    EXPECT_EQ(o.BackgroundForm, want.BackgroundForm);
    EXPECT_EQ(o.X, want.X);
    EXPECT_EQ(o.Y, want.Y);
    EXPECT_EQ(o.PrevX, want.X);
    EXPECT_EQ(o.PrevY, want.Y);
    EXPECT_EQ(o.DirectionX, want.DirectionX);
    EXPECT_EQ(o.DirectionY, want.DirectionY);
    EXPECT_EQ(o.BandWidth, want.BandWidth);
    EXPECT_EQ(o.Gap, want.Gap);
    EXPECT_EQ(o.TrackMode, want.TrackMode);
    EXPECT_EQ(o.TrackRadius, want.TrackRadius);
    EXPECT_EQ(o.Threshold, want.Threshold);
  }
}

std::vector<Obj> ThreeObjects() {
  Obj a;  // Standard, Anchor
  Obj b;
  b.ap = 4, b.inner = 7, b.outer = 15, b.form = 1, b.x = 300, b.y = 200, b.dx = -250, b.dy = 433, b.gap = 3;
  b.mode = "Linear", b.track_radius = 6, b.threshold = 90, b.fwhm = "2.35482";
  Obj c;
  c.ap = 9, c.inner = 12, c.outer = 25, c.form = 2, c.x = 640, c.y = 470, c.dx = 500, c.dy = 0, c.width = 20;
  c.gap = 6, c.mode = "OFF", c.fwhm = "4.70964";
  return {a, b, c};
}

// ---- Loading each stored version ----

TEST(LoadResultCsv, Version3RestoresEveryObject) {
  auto objs = ThreeObjects();
  auto r = LoadText(Table(3, "C:\\obs\\star.avi", "NTSC", {Row(3, "100.0", objs), Row(3, "102.0", objs)}));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.CsvVersion, 3);
  EXPECT_EQ(r.CsvHeaderLines, 6);
  EXPECT_EQ(r.RowCount, 2);
  EXPECT_EQ(r.FrameStep, 2);
  EXPECT_EQ(r.StartFrame, 100);
  EXPECT_EQ(r.ObjectCount, 3);
  EXPECT_DOUBLE_EQ(r.TimingFrameRate, 29.97);
  EXPECT_FALSE(r.CsvCmosTime);
  EXPECT_EQ(r.AutoLedSignal1Y, 50);  // object A's y
  ExpectAllBlocks(r, 0, ObjectWithSettings(6, 8, 20, 0, 100, 50, 11, 22, 7, 2, 0, 5, 80), "A");  // form 0 stores no direction
  ExpectAllBlocks(r, 1, ObjectWithSettings(4, 7, 15, 1, 300, 200, -250, 433, 7, 3, 1, 6, 90), "B");  // width empty for form 1
  ExpectAllBlocks(r, 2, ObjectWithSettings(9, 12, 25, 2, 640, 470, 500, 0, 20, 6, 2, 9, 95), "C");   // OFF: radius kept, 95
  ASSERT_TRUE(r.Objects[0].ProfileWidth && r.Objects[1].ProfileWidth && r.Objects[2].ProfileWidth);
  // The FWHM cell is 2 sqrt(2 ln 2) sigma of the profile, whose width s is 2 sigma.
  EXPECT_NEAR(*r.Objects[0].ProfileWidth, 3.5 / 1.17741, 1e-12);
  EXPECT_NEAR(*r.Objects[1].ProfileWidth, 2.0, 1e-12);
  EXPECT_NEAR(*r.Objects[2].ProfileWidth, 4.0, 1e-12);
  EXPECT_EQ(r.VideoFileName, "C:\\obs\\star.avi");
  EXPECT_EQ(r.AvsFileName, "C:\\obs\\star.avs");
  EXPECT_EQ(r.VideoFileExt, ".avi");
}

TEST(LoadResultCsv, Version2ReadsTheSameColumnsAndPal) {
  auto objs = ThreeObjects();
  objs.resize(2);
  auto r = LoadText(Table(2, "/v/a.avi", "PAL", {Row(2, "7.0", objs, "12.25")}));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.CsvVersion, 2);
  EXPECT_EQ(r.ObjectCount, 2);
  EXPECT_EQ(r.FrameStep, 1);
  EXPECT_EQ(r.StartFrame, 7);
  EXPECT_DOUBLE_EQ(r.TimingFrameRate, 25);
  EXPECT_TRUE(r.CsvCmosTime);
  EXPECT_EQ(r.AutoLedSignal1Y, 50);
  ExpectAllBlocks(r, 1, ObjectWithSettings(4, 7, 15, 1, 300, 200, -250, 433, 7, 3, 1, 6, 90), "B");
  // C is not in use: its position takes the default, its settings stay.
  ExpectAllBlocks(r, 2, ObjectWithSettings(3, 5, 9, 3, 120, 40, 11, 22, 7, 2, 1, 9, 50), "C");
  EXPECT_FALSE(r.Objects[2].ProfileWidth.has_value());
  // Version-2 tables were written with twice the FWHM: the same cells give
  // half the width a version-3 table gives.
  ASSERT_TRUE(r.Objects[0].ProfileWidth && r.Objects[1].ProfileWidth);
  EXPECT_NEAR(*r.Objects[0].ProfileWidth, 3.5 / 2.35482, 1e-12);
  EXPECT_NEAR(*r.Objects[1].ProfileWidth, 1.0, 1e-12);
}

TEST(LoadResultCsv, Version1HasNoFwhmColumnsAndCmosIs30) {
  auto objs = ThreeObjects();
  auto r = LoadText(Table(1, "/v/a.avi", "CMOS", {Row(1, "0.0", objs), Row(1, "65.0", objs)}));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.CsvVersion, 1);
  EXPECT_EQ(r.ObjectCount, 3);
  EXPECT_EQ(r.FrameStep, 1);  // a difference of 65 is no step
  EXPECT_DOUBLE_EQ(r.TimingFrameRate, 30);
  ExpectAllBlocks(r, 0, ObjectWithSettings(6, 8, 20, 0, 100, 50, 11, 22, 7, 2, 0, 5, 80), "A");
  ExpectAllBlocks(r, 1, ObjectWithSettings(4, 7, 15, 1, 300, 200, -250, 433, 7, 3, 1, 6, 90), "B");
  ExpectAllBlocks(r, 2, ObjectWithSettings(9, 12, 25, 2, 640, 470, 500, 0, 20, 6, 2, 9, 95), "C");
  for (const auto& o : r.Objects) EXPECT_FALSE(o.ProfileWidth.has_value());
}

struct RateCellCase {
  const char* name;
  const char* system;
  const char* cell;
  double rate;
};

void PrintTo(const RateCellCase& c, std::ostream* os) { *os << c.name; }

class LoadResultCsvRateCell : public ::testing::TestWithParam<RateCellCase> {};

// The rate cell holds the video's own rate; the system word only knows NTSC
// and PAL and decides when the cell gives no rate (older or damaged files).
TEST_P(LoadResultCsvRateCell, TimingRate) {
  const RateCellCase& c = GetParam();
  auto objs = ThreeObjects();
  auto r = LoadText(Table(3, "/v/a.avi", c.system, {Row(3, "1.0", objs)}, c.cell));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_DOUBLE_EQ(r.TimingFrameRate, c.rate);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, LoadResultCsvRateCell,
    ::testing::Values(RateCellCase{"Sixty", "CMOS", "\"FrameRate=60.00\"", 60},
                      RateCellCase{"FiftyNineNinetyFour", "---", "\"FrameRate=59.94\"", 59.94},
                      RateCellCase{"Fifty", "---", "\"FrameRate=50.00\"", 50},
                      RateCellCase{"Fifteen", "---", "\"FrameRate=15.00\"", 15},
                      RateCellCase{"LeadingBlank", "---", "\"FrameRate= 5.01\"", 5.01},
                      RateCellCase{"PalWordRoundedRate", "PAL", "\"FrameRate=24.60\"", 24.6},
                      RateCellCase{"ZeroKeepsPal", "PAL", "\"FrameRate= 0.00\"", 25},
                      RateCellCase{"NegativeKeepsThirty", "---", "\"FrameRate=-5.00\"", 30},
                      RateCellCase{"TextKeepsNtsc", "NTSC", "\"FrameRate=abc\"", 29.97},
                      RateCellCase{"HugeKeepsNtsc", "NTSC", "\"FrameRate=1e999\"", 29.97},
                      RateCellCase{"NoLabelKeepsNtsc", "NTSC", "\"60.00\"", 29.97},
                      RateCellCase{"NoCellKeepsPal", "PAL", ",", 25}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadResultCsv, Version0ReadsObjectAOnly) {
  // Version 0: the file name in line 0, rows from line 3, object A in 10-16.
  std::vector<std::string> t = {Q("FileName : D:\\old\\moon.avi"), "\"Time\",,,", "\"No.\",,,",
                                "10.0,,,,,,,,,6,9,18,321,123,\"Drift\",7,,",
                                "10.5,,,,,,,,,6,9,18,322,124,\"Drift\",7,,"};
  auto r = LoadText(t);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.CsvVersion, 0);
  EXPECT_EQ(r.CsvHeaderLines, 3);
  EXPECT_EQ(r.RowCount, 2);
  EXPECT_EQ(r.FrameStep, 1);
  EXPECT_EQ(r.StartFrame, 10);
  EXPECT_EQ(r.ObjectCount, 1);
  EXPECT_DOUBLE_EQ(r.TimingFrameRate, 30);
  ExpectAllBlocks(r, 0, ObjectWithSettings(6, 9, 18, 0, 321, 123, 11, 22, 25, 10, 1, 7, 50), "A");
  ExpectAllBlocks(r, 1, ObjectWithSettings(3, 5, 9, 3, 80, 40, 11, 22, 7, 2, 1, 9, 50), "B");
  EXPECT_EQ(r.VideoFileName, "D:\\old\\moon.avi");

  // Empty position cells are 0 in version 0, not the defaults.
  t[3] = "10.0,,,,,,,,,6,9,18,,x1,\"Anchor\",7,,";
  r = LoadText(t);
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.ObjectBlocks[0].Objects[0].X, 0);
  EXPECT_EQ(r.ObjectBlocks[0].Objects[0].Y, 0);
  EXPECT_EQ(r.ObjectBlocks[0].Objects[0].TrackMode, 0);
  EXPECT_EQ(r.Warnings.size(), 2u);  // "x1" and the missing video
}

// Field rows come in pairs half a frame apart: the step is that of the pairs.
TEST(LoadResultCsv, FieldRowsTakeTheStepOfTheirPairs) {
  const struct {
    std::vector<std::string> first_cells;
    int step;
  } cases[] = {
      {{"10.0", "10.5", "12.0", "12.5"}, 2}, {{"10.0", "10.5", "11.0"}, 1}, {{"0.0", "0.5", "64.0"}, 64},
      {{"0.0", "0.5", "65.0"}, 1},           {{"10.0", "10.5", "x"}, 1},    {{"10.0", "10.5"}, 1},
  };
  Obj o;
  for (const auto& c : cases) {
    std::vector<std::string> rows;
    for (const std::string& no : c.first_cells) rows.push_back(Row(3, no, {o}));
    auto r = LoadText(Table(3, "/a.avi", "NTSC", rows));
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.FrameStep, c.step) << c.first_cells[0] << ", " << c.first_cells.back();
  }
}

TEST(LoadResultCsv, FrameStepRules) {
  struct Case {
    const char* a;
    const char* b;
    int step;
  } cases[] = {{"100.0", "102.0", 2}, {"10.0", "10.5", 1}, {"0.0", "65.0", 1}, {"0.0", "64.0", 64},
               {"5.0", "4.0", 1},     {"x", "3.0", 2},     {"1e300", "3.0", 2}, {"4.0", "4.4", 1}};
  Obj o;
  for (const auto& c : cases) {
    auto r = LoadText(Table(3, "/a.avi", "NTSC", {Row(3, c.a, {o}), Row(3, c.b, {o})}));
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.FrameStep, c.step) << c.a << " -> " << c.b;
  }
}

// A table made by the program's own row writer loads back into the settings
// it was written from.
TEST(LoadResultCsv, ReadsBackWhatTheRowWriterWrote) {
  DataLineBlocks written{};
  const ObjectResult objs[3] = {ObjectWithSettings(5, 7, 18, 0, 123, 45, 0, 0, 0, 0, 0, 4, 75),
                                ObjectWithSettings(3, 6, 22, 1, 400, 300, -433, 250, 0, 5, 1, 7, 60),
                                ObjectWithSettings(8, 10, 25, 2, 700, 470, 0, -500, 15, 2, 2, 0, 0)};
  for (auto& block : written) {
    block.FrameNumberX10 = 2500;
    for (int k = 0; k < 3; ++k) {
      block.Objects[static_cast<size_t>(k)] = objs[k];
      block.Objects[static_cast<size_t>(k)].FwhmHfd = 1.17741 * (k + 1);
      block.Objects[static_cast<size_t>(k)].Value = 1000.0 * (k + 1);
    }
  }
  CsvFormatParams p;
  p.VideoFileName = "C:\\obs\\run,2\\occ.avi";
  p.TimingFrameRate = 25;
  p.FrameRateRounded = 25;
  p.ObjectCount = 3;
  p.TimeStampMode = 2;
  p.LinearTrackReady = {false, true, false};
  ResultTable table;
  WriteCsvHeader(table, p);
  AppendResultRows(table, written, p, FrameTimeTexts{});
  for (auto& block : written) block.FrameNumberX10 = 2530;
  AppendResultRows(table, written, p, FrameTimeTexts{});

  TemporaryFolder dir("tessary-csvload");
  ASSERT_TRUE(SaveResultCsv(dir.File("own.csv"), table.Lines()).Ok);
  EXPECT_EQ(ReadBytes(dir.File("own.csv")), table.Text());
  auto r = LoadResultCsv(dir.File("own.csv"), {});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Lines, table.Lines());
  EXPECT_EQ(r.CsvVersion, 3);
  EXPECT_EQ(r.ObjectCount, 3);
  EXPECT_EQ(r.StartFrame, 250);
  EXPECT_EQ(r.FrameStep, 3);
  EXPECT_DOUBLE_EQ(r.TimingFrameRate, 25);
  EXPECT_EQ(r.VideoFileName, "C:\\obs\\run,2\\occ.avi");
  // Anchor, Linear, OFF (mode 2: radius and threshold not written -> kept, 95).
  ExpectAllBlocks(r, 0, ObjectWithSettings(5, 7, 18, 0, 123, 45, 0, 0, 0, 0, 0, 4, 75), "A");
  ExpectAllBlocks(r, 1, ObjectWithSettings(3, 6, 22, 1, 400, 300, -433, 250, 0, 5, 1, 7, 60), "B");
  ExpectAllBlocks(r, 2, ObjectWithSettings(8, 10, 25, 2, 700, 470, 0, -500, 15, 2, 2, 0, 95), "C");
  for (int k = 0; k < 3; ++k) {
    ASSERT_TRUE(r.Objects[static_cast<size_t>(k)].ProfileWidth.has_value());
    EXPECT_NEAR(*r.Objects[static_cast<size_t>(k)].ProfileWidth, k + 1.0, 1e-4);  // FWHM written with 4 decimals
  }
}

// ---- Damaged and odd tables ----

TEST(LoadResultCsv, NonIntegerCellsCountAsZeroWithAWarning) {
  Obj o;
  std::string row = Row(3, "1.0", {o});
  SetCsvField(row, 25, "12a");
  SetCsvField(row, 21, "six");
  auto r = LoadText(Table(3, "/a.avi", "NTSC", {row}));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.ObjectBlocks[0].Objects[0].X, 0);
  EXPECT_EQ(r.ObjectBlocks[0].Objects[0].Y, 50);
  EXPECT_EQ(r.ObjectBlocks[0].Objects[0].ApertureRadius, 0);
  int cell_warnings = 0;
  for (const auto& w : r.Warnings) cell_warnings += w.find("is not a whole number") != std::string::npos;
  EXPECT_EQ(cell_warnings, 2);
  EXPECT_EQ(r.Lines[6], row);  // the table itself is loaded unchanged
}

// Settings no run writes (a radius of two billion would keep the masks
// drawing for hours) are told and not used: the current setting stays, a
// position falls back to its default.
TEST(LoadResultCsv, OutOfRangeSettingsAreNotUsed) {
  struct Case {
    int column;
    const char* cell;
    int32_t ObjectResult::*field;
    int32_t want;
    bool warned;
  } cases[] = {
      {21, "2000000000", &ObjectResult::ApertureRadius, 3, true},
      {22, "-7", &ObjectResult::BackgroundInner, 7, true},  // the kept 5 lies inside the aperture of 6
      {23, "26", &ObjectResult::BackgroundOuter, 9, true},
      {23, "25", &ObjectResult::BackgroundOuter, 25, false},
      {25, "2147483647", &ObjectResult::X, 40, true},
      {26, "-40000", &ObjectResult::Y, 40, true},
      {29, "999999", &ObjectResult::BandWidth, 7, true},
      {30, "-1", &ObjectResult::Gap, 2, true},
      {32, "100000", &ObjectResult::TrackRadius, 9, true},
      {33, "101", &ObjectResult::Threshold, 50, true},
      {33, "", &ObjectResult::Threshold, 95, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.column) + " \"" + c.cell + "\"");
    Obj o;
    o.form = 2;
    std::string row = Row(3, "1.0", {o});
    SetCsvField(row, c.column, c.cell);
    auto r = LoadText(Table(3, "/a.avi", "NTSC", {row}));
    ASSERT_TRUE(r.Ok) << r.Error;
    for (int j = 0; j < 3; ++j) EXPECT_EQ(r.ObjectBlocks[size_t(j)].Objects[0].*c.field, c.want);
    int range_warnings = 0;
    for (const auto& w : r.Warnings) range_warnings += w.find("is out of range") != std::string::npos;
    EXPECT_EQ(range_warnings, c.warned ? 1 : 0);
  }
}

// Crossed radii in a table (inner inside the aperture, outer inside the inner)
// keep the aperture and move the background outward, for every object, so
// none is measured without a background ring.
TEST(LoadResultCsv, CrossedRadiiLoadInOrder) {
  struct Case {
    int ap, inner, outer;
    int want_ap, want_inner, want_outer;
  } cases[] = {
      {5, 10, 20, 5, 10, 20},  // in order: unchanged
      {8, 3, 2, 8, 9, 9},
      {6, 12, 10, 6, 12, 12},
      {7, 7, 7, 7, 8, 8},
      {25, 25, 25, 24, 25, 25},
      {0, 0, 0, 0, 1, 1},
      {12, 25, 3, 12, 25, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.ap) + "/" + std::to_string(c.inner) + "/" + std::to_string(c.outer));
    std::vector<Obj> objs = ThreeObjects();
    for (Obj& o : objs) o.ap = c.ap, o.inner = c.inner, o.outer = c.outer;
    auto r = LoadText(Table(3, "/a.avi", "NTSC", {Row(3, "1.0", objs)}));
    ASSERT_TRUE(r.Ok) << r.Error;
    for (int k = 0; k < 3; ++k)
      for (int j = 0; j < 3; ++j) {
        const ObjectResult& o = r.ObjectBlocks[size_t(j)].Objects[size_t(k)];
        EXPECT_EQ(o.ApertureRadius, c.want_ap) << "object " << k << " block " << j;
        EXPECT_EQ(o.BackgroundInner, c.want_inner) << "object " << k << " block " << j;
        EXPECT_EQ(o.BackgroundOuter, c.want_outer) << "object " << k << " block " << j;
      }
  }
}

// The FWHM cells: a rectangle-aperture run writes 0 and a faint patch's
// half-flux diameter can come out 0 or below; such tables load without a
// word and keep the profile width. A cell that is no number, or a width no
// star can have, is reported.
TEST(LoadResultCsv, FwhmCellsTheProgramWritesLoadSilently) {
  struct Case {
    std::string cell;
    bool warned;
  };
  const Case cases[] = {{FormatFixed(0.0L, 4, 6), false},  {FormatFixed(-0.75L, 4, 6), false},
                        {"-0.0000", false},                {"wide", true},
                        {"nan", true},                     {"100000000", true},
                        {"1e300", true}};
  for (const Case& c : cases) {
    Obj o;
    o.form = 2;
    o.fwhm = c.cell.c_str();
    auto r = LoadText(Table(3, "/a.avi", "NTSC", {Row(3, "1.0", {o})}));
    ASSERT_TRUE(r.Ok) << r.Error;
    int fwhm_warnings = 0;
    for (const auto& w : r.Warnings) fwhm_warnings += w.find("FWHM") != std::string::npos;
    EXPECT_EQ(fwhm_warnings, c.warned ? 1 : 0) << c.cell;
    EXPECT_FALSE(r.Objects[0].ProfileWidth.has_value()) << c.cell;
  }
}

// A copy that doubled every line end ("\r\r\n", read as a blank line after
// each line), or a blank row in the middle, loads as the table itself: the
// same lines, header, rows, rate and settings.
TEST(LoadResultCsv, BlankLinesBetweenTheLinesAreLeftOut) {
  const auto objs = ThreeObjects();
  const std::vector<std::string> table =
      Table(3, "/obs/a.avi", "PAL", {Row(3, "100.0", objs), Row(3, "102.0", objs), Row(3, "104.0", objs)});
  ResultCsvLoadParams p;
  p.CurrentObjects = SomeSettings();
  const ResultCsvLoadResult want = LoadResultCsvText(Join(table, "\r\n"), "/nonexistent", p);
  ASSERT_TRUE(want.Ok) << want.Error;
  std::string blank_row = Join(table, "\r\n");
  blank_row.insert(blank_row.find("102.0"), "\r\n  \r\n");
  const std::string texts[] = {Join(table, "\r\r\n"), Join(table, "\n\n"), blank_row};
  for (const std::string& text : texts) {
    const ResultCsvLoadResult r = LoadResultCsvText(text, "/nonexistent", p);
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_EQ(r.Lines, table);
    EXPECT_EQ(r.CsvHeaderLines, 6);
    EXPECT_EQ(r.RowCount, 3);
    EXPECT_EQ(r.FrameStep, 2);
    EXPECT_EQ(r.StartFrame, 100);
    EXPECT_EQ(r.ObjectCount, 3);
    EXPECT_DOUBLE_EQ(r.TimingFrameRate, 25);
    EXPECT_EQ(r.Warnings, want.Warnings);
    for (int k = 0; k < 3; ++k) ExpectAllBlocks(r, k, want.ObjectBlocks[0].Objects[static_cast<size_t>(k)], "blank lines");
  }
}

TEST(LoadResultCsv, TrailingLinesWithoutCommaAreDropped) {
  Obj o;
  auto t = Table(3, "/a.avi", "NTSC", {Row(3, "1.0", {o}), "no comma here", Row(3, "2.0", {o})});
  t.push_back("");
  t.push_back("end");
  t.push_back("");
  auto r = LoadText(t);
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Lines.size(), 9u);
  EXPECT_EQ(r.Lines[7], "no comma here");
  EXPECT_EQ(r.RowCount, 3);
}

// Rows cleared in a spreadsheet come back as lines of commas after the last
// row: they are dropped like empty lines, and the last row stays the last.
TEST(LoadResultCsv, TrailingLinesOfCommasAreDropped) {
  Obj o;
  const std::string empty_row(72, ',');
  const struct {
    const char* name;
    std::vector<std::string> tail;
  } cases[] = {
      {"commas", {empty_row, empty_row}},
      {"commas and blanks", {" , ,\t,", ""}},
      {"an empty row between rows stays", {empty_row, Row(3, "3.0", {o})}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = Table(3, "/a.avi", "NTSC", {Row(3, "1.0", {o}), Row(3, "2.0", {o})});
    t.insert(t.end(), c.tail.begin(), c.tail.end());
    auto r = LoadText(t);
    ASSERT_TRUE(r.Ok) << r.Error;
    const bool kept = c.tail.back().starts_with("3.0");
    EXPECT_EQ(r.RowCount, kept ? 4 : 2);
    EXPECT_EQ(RowFrameNumber(r.Lines.back()), kept ? 3 : 2);
  }
}

TEST(LoadResultCsv, RefusesWhatCannotBeATable) {
  ResultCsvLoadParams small;
  small.Limits.MaxLineBytes = 1000;
  small.Limits.MaxFileBytes = 100000;
  Obj o;
  std::string good = Join(Table(3, "/a.avi", "NTSC", {Row(3, "1.0", {o})}), "\r\n");
  const std::vector<std::string> three = Table(3, "/a.avi", "PAL", {Row(3, "10.5", ThreeObjects()), Row(3, "11.5", ThreeObjects())});
  // A column put in or taken out at `column` of every line that reaches it,
  // as a spreadsheet does.
  auto with_column = [&](int column, bool insert) {
    std::string out;
    for (std::string line : three) {
      if (static_cast<int>(std::count(line.begin(), line.end(), ',')) >= column) {
        size_t at = 0;
        for (int c = 1; c < column; ++c) at = line.find(',', at) + 1;
        if (insert)
          line.insert(at, "12.3,");
        else
          line.erase(at, line.find(',', at) + 1 - at);
      }
      out += line + "\r\n";
    }
    return out;
  };
  std::string huge_line = good + std::string(2000, '7') + ",\r\n";
  std::string huge_file;
  while (huge_file.size() <= 100000) huge_file += Row(3, "1.0", {o}) + "\r\n";
  struct Case {
    const char* name;
    std::string text;
    const char* error_part;
  } cases[] = {
      {"empty", "", "no results table"},
      {"no comma", "just some words\r\nand more\r\n", "no results table"},
      {"nul bytes", std::string("a,b\0c\r\n", 7), "not a text file"},
      {"huge line", huge_line, "too long"},
      {"huge file", huge_file, "too large"},
      {"numbers only", "1,2,3\r\n4,5,6\r\n7,8,9\r\n", "not a results table"},
      {"another program's table", "\"Time\",\"Flux\"\r\n12:00:01,1234\r\n12:00:02,1250\r\n", "not a results table"},
      {"cut inside the header line", good.substr(0, good.find("No.") + 10), "cut short"},
      {"cut after the video system line", good.substr(0, good.find("\r\n", good.find("Video System")) + 2), "cut short"},
      {"semicolons and decimal commas", SavedWithDecimalCommas(Join(three, "\r\n"), ';'), "decimal commas"},
      {"a column put in before the objects", with_column(14, true), "added to or removed"},
      {"a column taken out of object A", with_column(18, false), "added to or removed"},
      {"a column taken out before the objects", with_column(3, false), "added to or removed"},
      {"decimal commas in quotes", SavedWithDecimalCommas(Join(three, "\r\n"), ','), "decimal commas"},
  };
  for (const auto& c : cases) {
    auto r = LoadResultCsvText(c.text, "/x", small);
    EXPECT_FALSE(r.Ok) << c.name;
    EXPECT_NE(r.Error.find(c.error_part), std::string::npos) << c.name << ": " << r.Error;
    EXPECT_TRUE(r.Lines.empty()) << c.name;
  }
  auto r = LoadResultCsv("/nonexistent/folder/table.csv", small);
  EXPECT_FALSE(r.Ok);
  EXPECT_NE(r.Error.find("cannot be read"), std::string::npos);
}

// Saved again by a program that quotes every cell: the same numbers and
// settings load, with nothing reported, and "" counts as an empty cell.
TEST(LoadResultCsv, QuotedCellsHoldTheSameNumbers) {
  auto quote_every_cell = [](std::vector<std::string> lines) {
    for (std::string& line : lines) {
      std::string quoted = "\"";
      for (char ch : StripQuotes(line)) quoted += ch == ',' ? std::string("\",\"") : std::string(1, ch);
      line = quoted + "\"";
    }
    return lines;
  };
  Obj one;
  const std::vector<std::vector<std::string>> tables = {
      Table(3, "/a.avi", "PAL", {Row(3, "10.0", ThreeObjects(), "12.3456"), Row(3, "12.0", ThreeObjects(), "12.4256")}),
      Table(2, "/a.avi", "NTSC", {Row(2, "7.0", {one}), Row(2, "7.5", {one})}),
  };
  for (const auto& table : tables) {
    const auto plain = LoadText(table);
    ASSERT_TRUE(plain.Ok);
    const auto r = LoadText(quote_every_cell(table));
    ASSERT_TRUE(r.Ok) << r.Error;
    SCOPED_TRACE(r.Lines[6]);
    EXPECT_EQ(r.Warnings, plain.Warnings);
    EXPECT_EQ(r.ObjectCount, plain.ObjectCount);
    EXPECT_EQ(r.StartFrame, plain.StartFrame);
    EXPECT_EQ(r.FrameStep, plain.FrameStep);
    EXPECT_EQ(r.CsvCmosTime, plain.CsvCmosTime);
    EXPECT_EQ(r.TimingFrameRate, plain.TimingFrameRate);
    for (int k = 0; k < 3; ++k) {
      ExpectAllBlocks(r, k, plain.ObjectBlocks[0].Objects[static_cast<size_t>(k)], "quoted");
      EXPECT_EQ(r.Objects[static_cast<size_t>(k)].ProfileWidth, plain.Objects[static_cast<size_t>(k)].ProfileWidth);
    }
  }
}

// An observer's note typed into the Note cell may hold a comma, and a column
// of the observer's own may follow the last one: the table still loads, its
// objects where the row has them.
TEST(LoadResultCsv, ANoteWithACommaOrAColumnAtTheEndStillLoads) {
  std::string row = Row(3, "10.0", ThreeObjects());
  row.insert(row.size() - 5, Q("cloud, then clear"));
  auto table = Table(3, "/a.avi", "PAL", {row});
  table[5] += "," + Q("Magnitude");
  table[6] += "12.5";
  auto r = LoadText(table);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.ObjectCount, 3);
  EXPECT_EQ(r.Objects[2].X, 640);
}

// Tables without a banner load as the oldest version when they carry its
// layout; a banner that differs in case is read the same way.
TEST(LoadResultCsv, BannerlessTablesWithTheOldLayoutStillLoad) {
  const std::string row = "10.0,,,,,,,,,6,9,18,321,123,\"Drift\",7,,";
  const std::vector<std::vector<std::string>> tables = {
      {Q("FileName : D:\\old\\moon.avi"), "\"Time\",,,", "\"No.\",,,", row},
      {"FileName : D:\\old\\moon.avi", "Time,,,", "x,,,", row},
      {Q("tessary file format (for ver.0.9.99.5 later)"), "a,,,", "\"No.\",,,", row},
      {"\"Measured\",,,", "\"Time\",,,", " \"No.\" ,,,", row},
  };
  for (const auto& t : tables) {
    SCOPED_TRACE(t[0]);
    auto r = LoadText(t);
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_EQ(r.CsvVersion, 0);
    EXPECT_EQ(r.RowCount, 1);
  }
}

// ---- The stored video ----

TEST(StoredVideo, PathKeepsCommasAndLosesOnlyQuotesAndEmptyCells) {
  struct Case {
    std::string line;
    std::string path;
  } cases[] = {
      {"\"FileName : C:\\obs\\2024,05,01\\a,b.avi\"", "C:\\obs\\2024,05,01\\a,b.avi"},
      {"\"FileName : C:\\obs\\a.avi\",,,", "C:\\obs\\a.avi"},
      // Saved with every cell quoted and every line as long as the longest.
      {"\"FileName : C:\\obs\\a.avi\",\"\",\"\",\"\"", "C:\\obs\\a.avi"},
      {"\"FileName : /home/o/a,b.avi\",\"\"", "/home/o/a,b.avi"},
      {"\"FileName : /home/o/x y.avi\"", "/home/o/x y.avi"},
      {"FileName : /home/o/x.avi", "/home/o/x.avi"},
      {"\"Filename : \"", ""},
      {"\"FileName", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(StoredVideoPath(c.line), c.path) << c.line;
}

TEST(StoredVideo, FoundAsStoredOrBesideTheTable) {
  TemporaryFolder dir("tessary-csvload");
  fs::create_directory(dir.File("sub"));
  WriteBytes(dir.File("sub/a,b 1.avi"), "RIFF");
  WriteBytes(dir.File("moved,night.avi"), "RIFF");
  fs::create_directory(dir.File("folder.avi"));

  EXPECT_EQ(FindStoredVideo(dir.File("sub/a,b 1.avi"), dir.Path().string()), dir.File("sub/a,b 1.avi"));
  EXPECT_EQ(FindStoredVideo("C:\\obs\\2024,1\\moved,night.avi", dir.Path().string()), dir.File("moved,night.avi"));
  EXPECT_EQ(FindStoredVideo("/elsewhere/moved,night.avi", dir.Path().string()), dir.File("moved,night.avi"));
  EXPECT_EQ(FindStoredVideo("C:\\x\\folder.avi", dir.Path().string()), "");  // a folder is no video
  EXPECT_EQ(FindStoredVideo(dir.Path().string(), dir.Path().string()), "");
  EXPECT_EQ(FindStoredVideo("", dir.Path().string()), "");
}

TEST(StoredVideo, LoadFindsAMovedVideoWithCommasInItsPath) {
  TemporaryFolder dir("tessary-csvload");
  WriteBytes(dir.File("event,2024.avi"), "RIFF");
  Obj o;
  auto t = Table(3, "C:\\Users\\me\\Videos\\a,b\\event,2024.avi", "NTSC", {Row(3, "1.0", {o})});
  t[1] += ",,";
  ASSERT_TRUE(SaveResultCsv(dir.File("table.csv"), t).Ok);
  auto r = LoadResultCsv(dir.File("table.csv"), {});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.VideoFileName, "C:\\Users\\me\\Videos\\a,b\\event,2024.avi");
  EXPECT_EQ(r.AvsFileName, "C:\\Users\\me\\Videos\\a,b\\event,2024.avs");
  EXPECT_EQ(r.VideoPath, dir.File("event,2024.avi"));
  EXPECT_TRUE(r.Warnings.empty());
}

// A table of the Windows versions holds its video's name in the Windows code
// page (0xFC is "\u00FC"); the video beside it has the same name in UTF-8.
TEST(StoredVideo, ACodePageNameFindsItsVideoAndReadsAsUtf8) {
  TemporaryFolder dir("tessary-csvload");
  WriteBytes(dir.File("M\xC3\xBCnchen 23\xC2\xB0.avi"), "RIFF");
  Obj o;
  auto t = Table(2, "C:\\Obs\\M\xFCnchen 23\xB0.avi", "PAL", {Row(2, "1.0", {o})});
  WriteBytes(dir.File("old.csv"), Join(t, "\r\n"));
  auto r = LoadResultCsv(dir.File("old.csv"), {});
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.VideoFileName, "C:\\Obs\\M\xC3\xBCnchen 23\xC2\xB0.avi");
  EXPECT_EQ(r.VideoPath, dir.File("M\xC3\xBCnchen 23\xC2\xB0.avi"));
  EXPECT_TRUE(r.Warnings.empty());
  EXPECT_EQ(r.Lines[1], Q("FileName : C:\\Obs\\M\xC3\xBCnchen 23\xC2\xB0.avi"));
  EXPECT_EQ(r.Objects[0].X, o.x);

  // A UTF-8 table is taken as it is, also with its byte-order mark.
  t[1] = Q("FileName : C:\\Obs\\M\xC3\xBCnchen 23\xC2\xB0.avi");
  for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
    WriteBytes(dir.File("new.csv"), mark + Join(t, "\r\n"));
    auto u = LoadResultCsv(dir.File("new.csv"), {});
    ASSERT_TRUE(u.Ok) << u.Error;
    EXPECT_EQ(u.Lines, t);
    EXPECT_EQ(u.VideoPath, dir.File("M\xC3\xBCnchen 23\xC2\xB0.avi"));
  }

  // A UTF-8 table with a note added in the code page and a line whose UTF-8
  // letter is cut short: only the lines that are no UTF-8 are converted.
  t.push_back(Row(2, "2.0", {o}) + "\"m\xE4\xDFig\"");
  t.push_back("3.0,\"N\xC2");
  WriteBytes(dir.File("mixed.csv"), Join(t, "\r\n"));
  auto mixed = LoadResultCsv(dir.File("mixed.csv"), {});
  ASSERT_TRUE(mixed.Ok) << mixed.Error;
  EXPECT_EQ(mixed.Lines[1], t[1]);
  EXPECT_EQ(mixed.VideoPath, dir.File("M\xC3\xBCnchen 23\xC2\xB0.avi"));
  EXPECT_EQ(mixed.Lines[7], Row(2, "2.0", {o}) + "\"m\xC3\xA4\xC3\x9Fig\"");
  EXPECT_EQ(mixed.Lines[8], "3.0,\"N\xC3\x82");
}

// ---- Saving ----

TEST(SaveResultCsv, ReplacesTheOldFileAndLeavesNoTemporaryFile) {
  TemporaryFolder dir("tessary-csvload");
  WriteBytes(dir.File("t.csv"), "old contents\r\n");
  ASSERT_TRUE(SaveResultCsv(dir.File("t.csv"), {"a,b", "c,d"}).Ok);
  EXPECT_EQ(ReadBytes(dir.File("t.csv")), "a,b\r\nc,d\r\n");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"t.csv"});
}

TEST(SaveResultCsv, AFailedSaveLeavesTheOldFileIntact) {
  TemporaryFolder dir("tessary-csvload");
  // The target is a folder holding a file: the rename fails.
  fs::create_directory(dir.File("t.csv"));
  WriteBytes(dir.File("t.csv/keep"), "kept");
  auto s = SaveResultCsv(dir.File("t.csv"), {"a,b"});
  EXPECT_FALSE(s.Ok);
  EXPECT_NE(s.Message.find("cannot be written"), std::string::npos);
  EXPECT_EQ(ReadBytes(dir.File("t.csv/keep")), "kept");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"t.csv"});

  auto missing = SaveResultCsv(dir.File("no/such/folder/t.csv"), {"a,b"});
  EXPECT_FALSE(missing.Ok);
  EXPECT_FALSE(SaveResultCsv("", {"a"}).Ok);
}

// ---- Controls of an object ----

TEST(ObjectControls, FormAndTrackingButtons) {
  struct Case {
    int form, mode, form_button;
    bool rectangle;
    int mode_button;
    bool passed;
  } cases[] = {{0, 0, 0, false, 0, false}, {1, 1, 1, false, 1, true}, {2, 2, 2, false, 2, false},
               {3, 3, -1, true, 2, false}};
  for (const auto& c : cases) {
    ObjectResult o;
    o.BackgroundForm = static_cast<uint8_t>(c.form);
    o.TrackMode = static_cast<uint8_t>(c.mode);
    auto v = ComputeObjectControlValues(o);
    EXPECT_EQ(v.BackgroundFormButton, c.form_button);
    EXPECT_EQ(v.RectangleAperture, c.rectangle);
    EXPECT_EQ(v.TrackModeButton, c.mode_button);
    EXPECT_EQ(v.PassedPointsEnabled, c.passed);
  }
}

}  // namespace
