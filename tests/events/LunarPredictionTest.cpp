// The lunar prediction listing: columns from the header labels, the search by
// the stamp's time, the listing and the values of an applied line.
#include <gtest/gtest.h>

#include "events/LunarPrediction.h"
#include "support/LunarListingText.h"

namespace {

StampDateTime Stamp(const std::string& s) { return {"24", "5", "12", "14", "30", s}; }

}  // namespace

TEST(LunarPrediction, ColumnsFollowTheHeaderLabels) {
  const auto lines = SampleLunarListing();
  ASSERT_EQ(LunarHeaderLineIndex(lines), 3);
  EXPECT_EQ(LunarHeaderLineIndex({"a", "b", "c"}), -1);
  EXPECT_EQ(LunarHeaderLineIndex({"a", "b", "c", "d", "Cct"}), 4);
  const LunarColumnPositions c = ComputeLunarColumns(lines[3]);
  EXPECT_EQ(c.ContactAngle, 59);
  EXPECT_EQ(c.ShadowVelocity, 72);
  EXPECT_EQ(c.MoonDistance, 80);
  EXPECT_EQ(c.Star, 22);
  EXPECT_EQ(c.Duration, 125);
  EXPECT_EQ(c.Illumination, 65);
  EXPECT_EQ(ComputeLunarColumns("nothing here").Star, 0);
}

TEST(LunarPrediction, DayNumbersAndMonths) {
  // Days from 1970-01-01, worked out with a calendar.
  EXPECT_EQ(*DayNumber(2024, 5, 12), 19855);
  EXPECT_EQ(*DayNumber(1951, 1, 1), -6940);
  EXPECT_EQ(*DayNumber(2000, 3, 1) - *DayNumber(2000, 2, 28), 2);
  EXPECT_EQ(*DayNumber(1989, 3, 1) - *DayNumber(1989, 2, 28), 1);
  EXPECT_FALSE(DayNumber(2024, 0, 1));
  EXPECT_FALSE(DayNumber(2024, 13, 1));
  EXPECT_EQ(MonthIndexOf(" Jan "), 1);
  EXPECT_EQ(MonthIndexOf(" Dec "), 12);
  EXPECT_EQ(MonthIndexOf("Jan  "), -1);
}

TEST(LunarPrediction, SearchKeepsLinesWithinTenSeconds) {
  const auto text = SampleLunarListing();
  struct Case {
    StampDateTime stamp;
    std::vector<int> lines;  // indices of listed event lines after the heading
  };
  const std::vector<Case> cases = {
      {Stamp("15"), {5, 6}},     // 10 s after the first event, with its continuation line
      {Stamp("16"), {7}},  // 11 s after the first, 10 s before the second
      {Stamp("37"), {}},
      {{"24", "1", "1", "0", "0", "0"}, {8}},   // 23 Dec 31 23:59:59 is one second before the new year
      {{"24", "1", "1", "0", "0", "10"}, {}},  // eleven seconds
      {{"24", "13", "12", "14", "30", "5"}, {}},  // no such month
      {{"24", "5", "12", "14", "-871718793", "15"}, {}},  // a minute typed far out of range
      {{"24", "5", "12", "2147483647", "2147483647", "2147483647"}, {}},
  };
  for (const Case& c : cases) {
    const auto r = SearchPredictionByStampTime(text, c.stamp);
    ASSERT_TRUE(r);
    std::vector<std::string> expected(text.begin(), text.begin() + 5);
    for (int i : c.lines) expected.push_back(text[static_cast<size_t>(i)]);
    EXPECT_EQ(r->Lines, expected) << c.stamp.Second << " " << c.stamp.Month;
  }
  const auto r = SearchPredictionByStampTime(text, Stamp("15"));
  EXPECT_EQ(r->StampTime, "2024.5.12 14:30:15");
  EXPECT_FALSE(SearchPredictionByStampTime({"1", "2", "3", "4", "5"}, Stamp("0")));
}

TEST(LunarPrediction, ListingDropsTheDurationBlock) {
  const auto text = SampleLunarListing();
  const LunarListing all = ListPredictionLines(text, 125, true, "24");
  ASSERT_EQ(all.Lines.size(), text.size());
  EXPECT_EQ(all.Lines[5].size(), text[5].size() - 25);
  EXPECT_EQ(all.Lines[5].substr(124), "END");
  EXPECT_EQ(all.Lines[6], text[6]);  // a line starting with a blank stays whole
  EXPECT_EQ(all.Selected, 5);
  const LunarListing events = ListPredictionLines(text, 125, false, "23");
  EXPECT_EQ(events.Lines.size(), 4u);
  EXPECT_EQ(events.Selected, 2);
  EXPECT_EQ(ListPredictionLines({}, 125, true, "24").Selected, -1);
}

// The stamp's date parts as the date lists write them (a blank before a single
// digit) or as read (a leading "0") give one recording date form; the century
// turns at 88, as for the video date of the guide and of the stamp.
TEST(LunarPrediction, RecordingDateFromTheStampParts) {
  struct Row {
    const char *year, *month, *day, *date;
  };
  for (Row r : {Row{"24", "5", "12", "2024-5-12"}, Row{"24", " 5", " 7", "2024-5-7"}, Row{"24", "05", "07", "2024-5-7"},
                Row{" 5", "12", "31", "2005-12-31"}, Row{"05", "1", "1", "2005-1-1"}, Row{"95", "3", "4", "1995-3-4"},
                Row{"49", "3", "4", "2049-3-4"}, Row{"87", "3", "4", "2087-3-4"}, Row{"88", "3", "4", "1988-3-4"},
                Row{"2024", "3", "4", "2024-3-4"}}) {
    EXPECT_EQ(LunarRecordingDate({r.year, r.month, r.day, "", "", ""}), r.date) << r.date;
  }
}

TEST(LunarPrediction, AppliedLineGivesStarAngleVelocityAndDistance) {
  const auto text = SampleLunarListing();
  const LunarColumnPositions c = ComputeLunarColumns(text[3]);
  ZcToXzTable zc{};
  zc[1234] = 5678;
  const LunarApplication a = ApplyLunarLine(text[5], text[1], c, Stamp("5"), zc);
  ASSERT_TRUE(a.HasEvent);
  EXPECT_EQ(a.RecordingDate, "2024-5-12");
  ASSERT_TRUE(a.Site);
  EXPECT_EQ(*a.Site, (std::array<std::string, 7>{"+139", "45", "12.5", "+35", "40", "2.0", "25"}));
  EXPECT_EQ(a.Year, 2024);
  EXPECT_EQ(a.Month, 5);
  EXPECT_EQ(a.Day, 12);
  EXPECT_EQ(a.Catalogue, "ZC");
  EXPECT_EQ(a.Target, "ZC 1234");
  ASSERT_TRUE(a.XzNumber);
  EXPECT_EQ(*a.XzNumber, 5678);
  EXPECT_DOUBLE_EQ(a.ContactAngle, 60);
  EXPECT_EQ(a.ContactAngleShown, "60.0");
  EXPECT_NEAR(static_cast<double>(a.Velocity), 612.3, 1e-9);
  EXPECT_EQ(a.VelocityShown, "612.3");
  EXPECT_EQ(a.DistanceM, 380120000);
  EXPECT_EQ(a.DistanceKmShown, "380120");
  EXPECT_EQ(a.ApparentRadius, "1.011");  // 384410 / 380120
  EXPECT_EQ(a.SpectralShown, "K ");
  EXPECT_EQ(a.SpectralModel, "K5");
  EXPECT_EQ(a.AxisAngle, "45");
  EXPECT_EQ(a.RelativeMotion, "012.3");
  EXPECT_EQ(a.PositionAngle, "7");
  EXPECT_EQ(a.CuspAngle, "88");
  EXPECT_EQ(a.Illumination, "54");
  EXPECT_EQ(a.MoonAltitude, "3");
  EXPECT_EQ(a.LibrationL, "+5.1");
  EXPECT_EQ(a.LibrationB, "-6.2");
  EXPECT_EQ(a.VShown, "7.2");
  EXPECT_EQ(a.RShown, "6.5");
  EXPECT_EQ(a.CombinedShown, "7.2");
}

TEST(LunarPrediction, CatalogueAndContactAngleRules) {
  const auto text = SampleLunarListing();
  const LunarColumnPositions c = ComputeLunarColumns(text[3]);
  ZcToXzTable zc{};
  struct Case {
    std::string kind, number, contact, catalogue;
    double angle;
    bool xz;
  };
  const std::vector<Case> cases = {
      {" ", "  8999", "  120", "ZC", 60, false}, {" ", "  9000", "   90", "SAO", 90, false},
      {"X", "   777", " 45.5", "XZ", 45.5, false}, {"Q", "   777", "  abc", "", 0, false},
      {" ", "  4000", "  -30", "ZC", 30, false},  // beyond the ZC table: no XZ number
      {" ", "  12.5", "  -30", "ZC", 30, false},  // no whole number: no XZ number
  };
  for (const Case& k : cases) {
    const LunarApplication a =
        ApplyLunarLine(LunarEventLine("24 May 12 14 30 05", k.kind, k.number, k.contact), "", c, Stamp("5"), zc);
    EXPECT_EQ(a.Catalogue, k.catalogue) << k.number;
    EXPECT_DOUBLE_EQ(a.ContactAngle, k.angle) << k.contact;
    EXPECT_EQ(a.XzNumber.has_value(), k.xz);
    EXPECT_FALSE(a.Site);
  }
  EXPECT_FALSE(ApplyLunarLine("          continuation", "", c, Stamp("5"), zc).HasEvent);
  // Unreadable values take their defaults.
  const LunarApplication d = ApplyLunarLine("24 May 12 14 30 05", "", c, Stamp("5"), zc);
  EXPECT_EQ(d.DistanceM, 384410000);
  EXPECT_EQ(static_cast<double>(d.Velocity), 700);
  EXPECT_EQ(d.VShown, "");
  EXPECT_EQ(d.ApparentRadius, "1.000");
}

TEST(LunarPrediction, IdentificationCode) {
  struct Case {
    std::string target, year, month, day, observer, code;
  };
  const std::vector<Case> cases = {
      {"XZ 1234", "2010", "January", "15", "Alan Lee", "100115x1234AL"},
      {"ZC 987", "2024", "May", "5", "Kim Park", "240505r987KP"},
      {"SAO 98765", "1999", "December", "31", "Jo Ng", "991231s98765JN"},
      {"HIP 42", "2024", "May", "5", "Jo Ng", "240505UJN"},
      {"XZ 1234", "2024", "May", "5", "Solo", "240505"},
      {"XZ", "2024", "May", "5", "Alan Lee", "240505"},
      // Initials written with two or three bytes stay whole letters.
      {"XZ 1234", "2024", "May", "5", "\u00D6mer \u00DCnal", "240505x1234\u00D6\u00DC"},
      {"ZC 987", "2024", "May", "5", "\u5C71\u7530 \u592A\u90CE", "240505r987\u5C71\u592A"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ComposeIdentificationCode(c.target, c.year, c.month, c.day, c.observer).Code, c.code) << c.target;
  EXPECT_EQ(ComposeIdentificationCode("XZ 1234", "2010", "January", "15", "Alan Lee").Title,
            "XZ 1234 ; 2010 January 15 ; Alan Lee");
  EXPECT_EQ(TargetBeforeOccults("(4) Vesta occults HIP 1"), "(4) Vesta");
}

// The selected line is one of the stamp's year however the stamp writes it;
// without one it is the first event line, never a heading line.
TEST(LunarPrediction, ListingSelectsTheStampsYearOrTheFirstEvent) {
  const std::vector<std::string> text = {"Lunar occultation predictions", "site", "", "header", " y  m   d",
                                         "23 Dec 31 23 59 59 ...", "          continuation", "04 May 12 14 30 05 ...",
                                         "24 May 12 14 30 05 ..."};
  struct Row {
    const char* stamp_year;
    int selected;
  };
  for (Row r : {Row{"24", 8}, Row{"04", 7}, Row{"4", 7}, Row{" 4", 7}, Row{"23", 5}, Row{"25", 5}, Row{"", 5}}) {
    EXPECT_EQ(ListPredictionLines(text, 0, true, r.stamp_year).Selected, r.selected) << "'" << r.stamp_year << "'";
  }
  EXPECT_EQ(ListPredictionLines({"heading", "no events"}, 0, true, "24").Selected, 0);
}

// Found by the stamp's time, the event nearest it is selected, across
// midnight and the new year as well; of two equally near the first.
TEST(LunarPrediction, SearchedListingSelectsTheNearestEvent) {
  const std::vector<std::string> text = {"Lunar occultation predictions", "site", "", "header", " y  m   d",
                                         "24 Dec 31 23 59 52 ...", "          continuation", "24 Dec 31 23 59 58 ...",
                                         "25 Jan  1  0  0  6 ..."};
  struct Row {
    const char *year, *month, *day, *h, *m, *s;
    int selected;
  };
  const Row rows[] = {{"24", "12", "31", "23", "59", "53", 5}, {"24", "12", "31", "23", "59", "56", 7},
                      {"25", " 1", " 1", "0", "00", "03", 8},  {"25", "1", "1", "0", "0", "2", 7},
                      {"24", "12", "31", "23", "59", "55", 5}, {"25", "1", "1", "0", "0", "9", 8}};
  for (const Row& r : rows) {
    const StampDateTime stamp{r.year, r.month, r.day, r.h, r.m, r.s};
    EXPECT_EQ(ListPredictionLines(text, 0, true, r.year, &stamp).Selected, r.selected)
        << r.year << "-" << r.month << "-" << r.day << " " << r.h << ":" << r.m << ":" << r.s;
  }
  // Without a stamp time the year still decides.
  EXPECT_EQ(ListPredictionLines(text, 0, true, "25").Selected, 8);
  const StampDateTime none{"24", "5", "12", "14", "30", "5"};
  EXPECT_EQ(ListPredictionLines({"heading", "no events"}, 0, true, "24", &none).Selected, 0);
}

// A listing holds an event line or a star block; a text of another kind
// holds neither.
TEST(LunarPrediction, HoldsLunarPredictions) {
  std::vector<std::string> heading = SampleLunarListing();
  heading.resize(5);
  std::vector<std::string> one_event = heading;
  one_event.push_back(LunarEventLine("24 Dec 31 23 59 59", " ", "  1234"));
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    bool holds;
  };
  const Case cases[] = {
      {"Empty", {}, false},
      {"HeadingOnly", heading, false},
      {"OtherText", {"Frame,Time,Star1", "1,14:30:05.000,100", "<Occultations>"}, false},
      {"MonthElsewhere", {"Observed on 12 May 2024", "2024 May 12"}, false},
      {"OneEvent", one_event, true},
      {"StarBlock", {"heading", "", "2024 May 12", "   Cct", "Star = S98765"}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(HoldsLunarPredictions(c.lines), c.holds) << c.name;
}
