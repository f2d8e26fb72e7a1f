// The asteroidal identification's rules and integrated-video processing on
// tables whose answers are known by construction.
#include <gtest/gtest.h>

#include "base/CsvFields.h"
#include "events/EventIdentification.h"
#include "events/IntegratedVideo.h"
#include "events/ObservationReport.h"
#include "support/ChartTestTables.h"

TEST(EventIdentification, EventRecordPrefersTheDropUnlessTheRiseIsTwiceAsLarge) {
  struct Case {
    std::vector<double> values;
    int expected;
  };
  const std::vector<Case> cases = {
      {{0, 10, 10, 5}, 2},    // 2 x 5 >= 10: the drop
      {{0, 10, 10, 5.1}, 0},  // 2 x 4.9 < 10: the rise
      {{5, 5, 2, 2, 0, 0}, 1},
      {{1, 1, 1}, 0},  // equal: the first (record 0)
      {{}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(FindEventRecord(c.values), c.expected);
  const auto table = BuildResultTable(3, 1, RowsFromValues({{100, 100, 20, 20}}));
  const auto values = ObjectAValues(table, 6, static_cast<int>(table.size()) - 6 - 1);
  EXPECT_EQ(values, (std::vector<double>{100, 100, 20, 20}));
  EXPECT_EQ(FindEventRecord(values), 1);
}

TEST(EventIdentification, TitlesCodeAndReportTexts) {
  Occelmnt_Format e;
  e.Date = "2024 May 12", e.ObjectNumber = 4, e.ObjectName = "Ve sta", e.Star = "HIP 1";
  const AsteroidTitles t = AsteroidIdentificationTexts(e, "2024_5_12", "Alan Lee Smith");
  EXPECT_EQ(t.Title, "2024 May 12; (4) Ve sta occults HIP 1 Observed by Alan Lee Smith");
  EXPECT_EQ(*t.Code, "2024_5_12-(4) Vesta-Alan_Lee Smith");
  EXPECT_EQ(*AsteroidIdentificationTexts(e, "", "Solo").Code, "-(4) Vesta-_Solo");
  e.ObjectName = "Moon";
  EXPECT_FALSE(AsteroidIdentificationTexts(e, "", "Solo").Code);
  EXPECT_EQ(ReportEventDate("2024 May 12"), "2024|5|12");
  EXPECT_EQ(ReportEventDate("2024 13 3"), "2024|13|");
  EXPECT_EQ(SignedDegreesText("139"), "+139");
  EXPECT_EQ(SignedDegreesText("-5"), "-5");
  EXPECT_EQ(SignedDegreesText("+135"), "+135");
  using P = std::pair<std::string, std::string>;
  EXPECT_EQ(StarCatalogueOf("HIP 1234"), (P{"HIP", "1234"}));
  EXPECT_EQ(StarCatalogueOf("TYC 1-2-3"), (P{"TYC", "1-2-3"}));
  EXPECT_EQ(StarCatalogueOf("UCAC4 123-456"), (P{"UCAC4", "123-456"}));
  EXPECT_EQ(StarCatalogueOf("EPIC 2001"), (P{"Kepler2", "2001"}));
}

TEST(EventIdentification, SitesAndMapCoordinates) {
  const std::array<std::string, 9> site{"139", "45", "12.5", "35", "40", "2.0", "25", "Tokyo", "JPN"};
  EXPECT_EQ(JoinSite(site), "139:45:12.5:35:40:2.0:25:Tokyo:JPN");
  EXPECT_EQ(SplitSite(JoinSite(site)), site);
  EXPECT_EQ(SplitSite("a:b"), (std::array<std::string, 9>{"a", "", "", "", "", "", "", "", "b"}));
  // Site names as observers type them read back whole, the country code too.
  for (const char* name : {"Mt. Kiso: east dome", "A:B:C", "Site:", ":", "", "Obs 2"}) {
    std::array<std::string, 9> odd = site;
    odd[7] = name;
    EXPECT_EQ(SplitSite(JoinSite(odd)), odd) << name;
  }
  struct Case {
    std::string text;
    bool ok;
    std::array<std::string, 3> lat, lon;
  };
  const std::vector<Case> cases = {
      {"35.5, 139.25", true, {"35", "30", "0.0"}, {"139", "15", "0.0"}},
      {"-35.5,139.25", true, {"-35", "-30", "0.0"}, {"139", "15", "0.0"}},
      {"35.1234,139.0", true, {"35", "7", "24.2"}, {"139", "0", "0.0"}},  // 0.1234 deg = 7' 24.24"
      {"35,139", false, {}, {}},
      {"35.5 139.25", false, {}, {}},
      {"1000,139.25", false, {}, {}},
      {"abc,139.25", false, {}, {}},
  };
  for (const Case& c : cases) {
    const auto p = MapCoordinates(c.text);
    ASSERT_EQ(p.has_value(), c.ok) << c.text;
    if (!p) continue;
    EXPECT_EQ(p->Latitude, c.lat) << c.text;
    EXPECT_EQ(p->Longitude, c.lon) << c.text;
  }
}

// A site less than a degree west of Greenwich or south of the equator keeps
// its sign in the degrees, which decide the hemisphere in the reports; the
// text report shows the minutes and seconds without the minus.
TEST(EventIdentification, MapCoordinatesBelowOneDegreeKeepTheirSign) {
  struct Case {
    std::string text;
    std::array<std::string, 3> lat, lon;
    const char* lat_shown;  // the text report's latitude and longitude
    const char* lon_shown;
  };
  const std::vector<Case> cases = {
      {"-0.5,-0.1278", {"-0", "-30", "0.0"}, {"-0", "-7", "-40.0"}, "  0o30'0.0\"  S", "  0o7'40.0\"  W"},
      {"-0.0005,0.0005", {"-0", "0", "-1.8"}, {"0", "0", "1.8"}, "  0o0'1.8\"  S", "  0o0'1.8\"  E"},
      {"0.5,-0.5", {"0", "30", "0.0"}, {"-0", "-30", "0.0"}, "  0o30'0.0\"  N", "  0o30'0.0\"  W"},
  };
  for (const Case& c : cases) {
    const auto p = MapCoordinates(c.text);
    ASSERT_TRUE(p) << c.text;
    EXPECT_EQ(p->Latitude, c.lat) << c.text;
    EXPECT_EQ(p->Longitude, c.lon) << c.text;
    auto joined = [](const std::array<std::string, 3>& d) {
      return SignedDegreesText(d[0]) + " " + d[1] + " " + d[2];
    };
    EXPECT_EQ(FormatLongLat(joined(p->Latitude), true), c.lat_shown) << c.text;
    EXPECT_EQ(FormatLongLat(joined(p->Longitude), false), c.lon_shown) << c.text;
  }
}

// Coordinates on a whole minute (0.7 deg = 42', 0.2 deg = 12', 0.9 deg =
// 54') give that minute and 0.0 seconds, not the minute before and 60.0
// seconds, whatever the binary fraction of the typed degrees.
TEST(EventIdentification, MapCoordinatesOnAWholeMinuteCarryIntoTheMinutes) {
  struct Case {
    std::string text;
    std::array<std::string, 3> lat, lon;
  };
  const std::vector<Case> cases = {
      {"35.7,139.7", {"35", "42", "0.0"}, {"139", "42", "0.0"}},
      {"-33.9,12.2", {"-33", "-54", "0.0"}, {"12", "12", "0.0"}},
      {"51.45,-0.95", {"51", "27", "0.0"}, {"-0", "-57", "0.0"}},
      {"10.05,-70.15", {"10", "3", "0.0"}, {"-70", "-9", "0.0"}},
      {"35.681236,139.767125", {"35", "40", "52.4"}, {"139", "46", "1.6"}},  // 52.45", 1.65": tenths cut
  };
  for (const Case& c : cases) {
    const auto p = MapCoordinates(c.text);
    ASSERT_TRUE(p) << c.text;
    EXPECT_EQ(p->Latitude, c.lat) << c.text;
    EXPECT_EQ(p->Longitude, c.lon) << c.text;
  }
}

TEST(EventIdentification, DateAndTimeEditChecks) {
  EXPECT_FALSE(AcceptVideoYear("1988"));
  EXPECT_EQ(*AcceptVideoYear("1989"), "89");
  EXPECT_EQ(*AcceptVideoYear("2087"), "87");
  EXPECT_FALSE(AcceptVideoYear("2088"));
  EXPECT_TRUE(AcceptSecond("59.5"));
  EXPECT_FALSE(AcceptSecond("60"));
  EXPECT_FALSE(AcceptSecond("x"));
  EXPECT_FALSE(AcceptInteger("13", 1, 12));
  EXPECT_EQ(VideoYearFromStamp("24"), "2024");
  EXPECT_EQ(VideoYearFromStamp("95"), "1995");
  EXPECT_EQ(VideoYearFromStamp("88"), "");
  EXPECT_EQ(VideoDayOrMonthFromStamp("60"), "");
  EXPECT_FALSE(AcceptColourIndex("-0.60"));
  EXPECT_TRUE(AcceptColourIndex("-0.59"));
  EXPECT_FALSE(ColourIndexFromEdits("10.0", "10.7"));
  EXPECT_FALSE(ColourIndexFromEdits("10", "9.5"));  // fewer than 4 characters
  EXPECT_NEAR(*ColourIndexFromEdits("10.5", "10.0"), 0.5, 1e-12);
}

namespace {

// A frame-by-frame table of an integrating camera: blocks of 4 frames start at
// records 1, 5, 9, ...; block 25 (records 101-104) is bright and block 26
// (records 105-108) is the occulted star, the rest alternates 1000 / 1005.
std::vector<double> StaircaseValues(int records) {
  std::vector<double> v;
  for (int i = 0; i < records; ++i) {
    const int block = i == 0 ? -1 : (i - 1) / 4;
    v.push_back(block == 25 ? 1500 : block == 26 || block == 27 ? 200 : 1000 + 5 * (block & 1));
  }
  return v;
}

}  // namespace

TEST(IntegratedVideo, BlocksOfFourGivePhaseOffsetAndAveragedRows) {
  const auto values = StaircaseValues(128);
  const auto table = BuildResultTable(3, 1, RowsFromValues({values}));
  const int n = static_cast<int>(table.size()) - 6 - 1;
  ASSERT_EQ(n, 127);
  const IntegrationBoundaries b = FindIntegrationBoundaries(table, 6, n);
  ASSERT_EQ(b.Jumps.size(), 128u);
  EXPECT_EQ(b.Jumps.back().Index, 105);  // -1300
  EXPECT_EQ(b.Jumps[b.Jumps.size() - 2].Index, 113);  // +800
  EXPECT_EQ(b.Candidates.size(), 65u);
  EXPECT_EQ(b.Candidates[0], 105);
  const auto phase = FindIntegrationPhase(b, 4);
  ASSERT_TRUE(phase);
  EXPECT_EQ(phase->Phase, 1);         // 105 mod 4
  EXPECT_EQ(phase->SampleOffset, 2);  // (2 + 105 - 1) mod 4
  EXPECT_FALSE(FindIntegrationPhase(b, 16));  // 105 - 113 = -8 is no multiple of 16

  const auto averaged = AverageIntegrationBlocks(table, 6, 4, phase->SampleOffset);
  ASSERT_EQ(averaged.size(), 6u + 32u);  // records 2, 6, .., 126
  EXPECT_TRUE(std::equal(table.begin(), table.begin() + 6, averaged.begin()));
  EXPECT_EQ(GetCsvField(averaged[6], 1), GetCsvField(table[6 + 2], 1));
  EXPECT_EQ(GetCsvField(averaged[6], 11), "1000.0");   // records 1-4
  EXPECT_EQ(GetCsvField(averaged[6 + 1], 11), "1005.0");
  EXPECT_EQ(GetCsvField(averaged[6 + 25], 11), "1500.0");  // record 102: records 101-104
  EXPECT_EQ(GetCsvField(averaged[6 + 26], 11), "200.0");
  EXPECT_EQ(GetCsvField(averaged.back(), 11), "1005.0");  // record 126: records 125-127, cut at the end

  const int n2 = static_cast<int>(averaged.size()) - 6 - 1;
  EXPECT_EQ(SelectLargestDrop(FindIntegrationBoundaries(averaged, 6, n2)), 26);
}

// Blocks of 4 from record 1 with a little noise, the star gone in records
// 21-28. Two blank lines four records apart (10 and 14) would, counted as 0,
// make the largest jumps and a pair a whole block apart: phase 2 instead of 1.
TEST(IntegratedVideo, BlankRowsDoNotVoteForTheBlockBoundaries) {
  std::vector<double> v;
  for (int i = 0; i < 40; ++i) v.push_back((i >= 21 && i <= 28 ? 200 : 1000) + i % 5);
  auto table = BuildResultTable(3, 1, RowsFromValues({v}));
  table[6 + 10].clear();
  SetCsvField(table[6 + 14], 11, "n/a");
  const int n = static_cast<int>(table.size()) - 6 - 1;
  const IntegrationBoundaries b = FindIntegrationBoundaries(table, 6, n);
  EXPECT_EQ(b.Jumps.back().Index, 29);  // 203 -> 1004
  EXPECT_EQ(b.Jumps[b.Jumps.size() - 2].Index, 21);
  const auto phase = FindIntegrationPhase(b, 4);
  ASSERT_TRUE(phase);
  EXPECT_EQ(phase->Phase, 1);
  EXPECT_EQ(phase->SampleOffset, 2);
  EXPECT_EQ(SelectLargestDrop(b), 21);
}

// A blank or unreadable row inside a block adds nothing to the block's mean.
TEST(IntegratedVideo, BlankRowsAreLeftOutOfTheBlockMeans) {
  const std::vector<double> v{10, 20, 30, 40, 50, 60, 70, 80};
  auto table = BuildResultTable(3, 1, RowsFromValues({v}));
  table[6 + 1].clear();
  SetCsvField(table[6 + 6], 11, "n/a");
  // Count 4, offset 2: record 2 averages records 1..4, record 6 records 5..8 (cut at 7).
  const auto averaged = AverageIntegrationBlocks(table, 6, 4, 2);
  ASSERT_EQ(averaged.size(), 6u + 2u);
  EXPECT_EQ(GetCsvField(averaged[6], 11), "40.0");  // (30 + 40 + 50) / 3
  EXPECT_EQ(GetCsvField(averaged[7], 11), "70.0");  // (60 + 80) / 2
}

TEST(IntegratedVideo, WindowCutAtTheStartAndNoDrop) {
  std::vector<double> v(20);
  for (int i = 0; i < 20; ++i) v[static_cast<size_t>(i)] = 10.0 * i;
  const auto table = BuildResultTable(3, 1, RowsFromValues({v}));
  // Count 8, h 4: record 2 averages records 0..6 = (0 + .. + 60) / 7.
  const auto averaged = AverageIntegrationBlocks(table, 6, 8, 2);
  ASSERT_EQ(averaged.size(), 6u + 3u);  // records 2, 10, 18
  EXPECT_EQ(GetCsvField(averaged[6], 11), "30.0");
  EXPECT_EQ(GetCsvField(averaged[8], 11), "170.0");  // records 15..19
  EXPECT_EQ(SelectLargestDrop(FindIntegrationBoundaries(table, 6, 19)), -1);
  // Equal jumps keep their order: the last ranked is the last record.
  const auto b = FindIntegrationBoundaries(table, 6, 19);
  EXPECT_EQ(b.Jumps.back().Index, 19);
  EXPECT_EQ(b.Jumps[1].Index, 1);
  EXPECT_EQ(IntegrationCountForIndex(3), 4);
  EXPECT_EQ(IntegrationCountForIndex(9), 256);
}

// A block of one frame is the record itself: every value is kept, none is
// an average over an empty window.
TEST(IntegratedVideo, BlocksOfOneFrameKeepEveryValue) {
  const std::vector<double> v{1, 2, 4, 8, 16};
  const auto table = BuildResultTable(3, 1, RowsFromValues({v}));
  const auto averaged = AverageIntegrationBlocks(table, 6, 1, 0);
  ASSERT_EQ(averaged.size(), table.size());
  for (size_t i = 6; i < table.size(); ++i) EXPECT_EQ(GetCsvField(averaged[i], 11), GetCsvField(table[i], 11));
}

// Frames lost here and there still make a run of every frame; a run of every
// n-th frame does not, nor do fields (two records per frame) count as steps.
TEST(IntegratedVideo, MeasuredEveryFrameFromTheRecordNumbers) {
  const struct {
    const char* name;
    std::vector<std::string> numbers;
    bool every_frame;
  } cases[] = {
      {"consecutive", {"10.0", "11.0", "12.0", "13.0"}, true},
      {"one frame lost", {"10.0", "11.0", "13.0", "14.0", "15.0"}, true},
      {"every second", {"10.0", "12.0", "14.0", "16.0"}, false},
      {"every fourth after a start", {"0.0", "1.0", "5.0", "9.0", "13.0"}, false},
      {"fields", {"3.0", "3.5", "4.0", "4.5"}, true},
      {"rows without a number between", {"10.0", "", "12.0", "", "14.0"}, true},
      {"every second, one row without a number", {"10.0", "12.0", "", "16.0", "18.0"}, false},
      {"one record", {"7.0"}, true},
      {"no record", {}, true},
  };
  for (const auto& c : cases) {
    std::vector<TableRowCells> rows(c.numbers.size());
    for (size_t r = 0; r < rows.size(); ++r) {
      rows[r].No = c.numbers[r];
      rows[r].Objects[0].Value = "100.0";
    }
    EXPECT_EQ(MeasuredEveryFrame(BuildResultTable(3, 1, rows), 6), c.every_frame) << c.name;
  }
}
